#include "NotePaint.h"

#include <richedit.h>

#include <algorithm>

#include "RichTextFormatter.h"
#include "VeduVure.h"
#include "foundation/ResModule.h"
#include "framework/GdiObject.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"
#include "toolkit/AlphaNotifierWnd.h"

namespace {

// EM_GETLINE's buffer: longer lines are measured by their first characters.
constexpr int kLineBufferChars = 512;

const CNote* NoteOfFrame(HWND window)
{
    return NoteManager().GetNoteFromWindow(window);
}

RECT WindowRectOf(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color)
{
    const CBrushHandle brush(CreateSolidBrush(color));
    FillRect(dc, &rect, brush.Get());
}

}  // namespace

void PaintNoteClient(HWND window, HDC dc)
{
    const COLORREF caption = ItsyGetCaptionColor(window);
    const CNote* note = NoteOfFrame(window);
    if (note && note->IsLocked()) {
        RECT client = {};
        GetClientRect(window, &client);
        FillSolid(dc, client, caption);
        SetTextColor(dc, note->GetColorText() & 0xFFFFFF);
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, LoadResString(IDS_LOCKED), -1, &client, DT_VCENTER | DT_CENTER | DT_SINGLELINE);
        return;
    }
    // The whole window in client coordinates: only what the editor leaves shows.
    RECT frame = WindowRectOf(window);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&frame), 2);
    FillSolid(dc, frame, caption);
}

void OnNotePaint(HWND window, HDC given)
{
    PAINTSTRUCT paint = {};
    const HDC target = given ? given : BeginPaint(window, &paint);
    if (!target)
        return;
    RECT client = {};
    GetClientRect(window, &client);
    {
        // Declared first, so the memory DC gives it back before it goes.
        const CBitmapHandle bitmap(CreateCompatibleBitmap(target, std::max<LONG>(client.right, 1),
                                                          std::max<LONG>(client.bottom, 1)));
        CMemoryDC memory(target);
        if (memory.Get() && bitmap && memory.Select(bitmap.Get())) {
            PaintNoteClient(window, memory.Get());
            BitBlt(target, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
        } else {
            PaintNoteClient(window, target);
        }
    }
    if (!given)
        EndPaint(window, &paint);
}

namespace {

// The client area's corner in the frame's window coordinates.
POINT ClientOrigin(HWND window)
{
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    const RECT frame = WindowRectOf(window);
    return {origin.x - frame.left, origin.y - frame.top};
}

// The editor's visible text, drawn through the formatter into a bitmap of
// its client size on the caption colour, then into the snapshot.
void PrintEditor(HWND window, HWND editor, HDC dc)
{
    RECT client = {};
    GetClientRect(editor, &client);
    const LONG style = GetWindowLongW(editor, GWL_STYLE);
    int width = client.right;
    int height = client.bottom;
    if (style & WS_VSCROLL)
        width -= GetSystemMetrics(SM_CXVSCROLL) + 1;
    if (style & WS_HSCROLL)
        height -= GetSystemMetrics(SM_CYHSCROLL) + 1;
    if (width <= 0 || height <= 0)
        return;
    const CWindowDC editorDC(editor, false);
    if (!editorDC.Get())
        return;
    const CBitmapHandle bitmap(CreateCompatibleBitmap(editorDC.Get(), width, height));
    CMemoryDC memory(editorDC.Get());
    if (!memory.Get() || !bitmap || !memory.Select(bitmap.Get()))
        return;
    FillSolid(memory.Get(), RECT{0, 0, width, height}, ItsyGetCaptionColor(window));
    const RECT twips = {0, 0, MulDiv(width, 1440, GetDeviceCaps(memory.Get(), LOGPIXELSX)),
                        MulDiv(height, 1440, GetDeviceCaps(memory.Get(), LOGPIXELSY))};
    const LRESULT firstLine = SendMessageW(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    const LRESULT first = SendMessageW(editor, EM_LINEINDEX, static_cast<WPARAM>(firstLine), 0);
    SFormatRangeResult result;
    FormatRange(editor, memory.Get(), memory.Get(), twips, static_cast<LONG>(std::max<LRESULT>(first, 0)), -1,
                result);
    ReleaseCache(editor);
    RECT place = WindowRectOf(editor);
    const RECT frame = WindowRectOf(window);
    OffsetRect(&place, -frame.left, -frame.top);
    BitBlt(dc, place.left + 1, place.top, width, height, memory.Get(), 0, 0, SRCCOPY);
}

} // namespace

void OnNotePrintClient(HWND window, HDC dc, LPARAM flags)
{
    const CNote* note = NoteOfFrame(window);
    const POINT origin = ClientOrigin(window);
    if (note && note->IsLocked()) {
        const CSavedDC saved(dc);
        OffsetViewportOrgEx(dc, origin.x, origin.y, nullptr);
        PaintNoteClient(window, dc);
        return;
    }
    if (flags & PRF_ERASEBKGND) {
        RECT client = {};
        GetClientRect(window, &client);
        OffsetRect(&client, origin.x, origin.y);
        FillSolid(dc, client, ItsyGetCaptionColor(window));
    }
    if ((flags & PRF_CHILDREN) && note && note->GetEditHwnd())
        PrintEditor(window, note->GetEditHwnd(), dc);
}

SIZE GetTabbedLineExtent(HDC dc, const wchar_t* line, int length)
{
    if (!line || length <= 0) {
        line = L"O";
        length = 1;
    }
    const DWORD extent = GetTabbedTextExtentW(dc, line, length, 0, nullptr);
    return {LOWORD(extent), HIWORD(extent)};
}

int GetEditContentHeight(HWND edit)
{
    const HDC dc = GetDC(edit);
    if (!dc)
        return 0;
    const CNote* note = NoteOfFrame(GetParent(edit));
    HFONT font = note ? note->GetFont() : nullptr;
    if (!font)
        font = reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0));
    int total = 0;
    {
        const CSavedDC saved(dc);
        if (font)
            SelectObject(dc, font);
        const LRESULT lines = SendMessageW(edit, EM_GETLINECOUNT, 0, 0);
        for (LRESULT index = 0; index < lines; ++index) {
            wchar_t buffer[kLineBufferChars] = {};
            *reinterpret_cast<WORD*>(buffer) = kLineBufferChars - 1;
            const LRESULT copied = SendMessageW(edit, EM_GETLINE, static_cast<WPARAM>(index),
                                                reinterpret_cast<LPARAM>(buffer));
            int length = static_cast<int>(std::clamp<LRESULT>(copied, 0, kLineBufferChars - 1));
            // The line break counts for nothing: a line of only a break is empty.
            while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n'))
                --length;
            const SIZE extent = GetTabbedLineExtent(dc, buffer, length);
            POINT span[2] = {{0, 0}, {0, extent.cy}};
            LPtoDP(dc, span, 2);
            total += span[1].y - span[0].y;
        }
    }
    ReleaseDC(edit, dc);
    return total;
}
