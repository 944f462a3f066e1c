// Formatting and measuring rich text through the control, with a fallback on
// the control's own layout where EM_FORMATRANGE fits nothing (Wine's is a
// stub).
#include "RichTextFormatter.h"

#include <richedit.h>

#include <algorithm>

#include "framework/Window.h"

namespace {

constexpr int kTwipsPerInch = 1440;

// The hidden parent of measuring controls: their EN_REQUESTRESIZE comes here.
class CFormatterParent : public CWindowBase {
public:
    bool Make()
    {
        static WindowClassInfo windowClass = {L"QuilletFormatterParent", nullptr, 0, nullptr, nullptr, 0, nullptr};
        WindowCreateArgs args;
        args.style = WS_POPUP;
        args.x = args.y = 0;
        args.width = args.height = 0;
        return Create(windowClass, args);
    }

    // Asks the editor for the height its text needs; false when no answer came.
    bool RequestHeight(HWND editor, int& height)
    {
        m_answered = false;
        m_editor = editor;
        const LRESULT mask = SendMessageW(editor, EM_GETEVENTMASK, 0, 0);
        SendMessageW(editor, EM_SETEVENTMASK, 0, mask | ENM_REQUESTRESIZE);
        SendMessageW(editor, EM_REQUESTRESIZE, 0, 0);
        SendMessageW(editor, EM_SETEVENTMASK, 0, mask);
        m_editor = nullptr;
        height = m_requested.bottom - m_requested.top;
        return m_answered;
    }

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM /*wParam*/, LPARAM lParam, LRESULT& result) override
    {
        if (msg != WM_NOTIFY)
            return false;
        const auto* request = reinterpret_cast<const REQRESIZE*>(lParam);
        if (request->nmhdr.code != EN_REQUESTRESIZE || request->nmhdr.hwndFrom != m_editor)
            return false;
        m_requested = request->rc;
        m_answered = true;
        result = 0;
        return true;
    }

private:
    HWND m_editor = nullptr;
    RECT m_requested = {};
    bool m_answered = false;
};

CFormatterParent* Parent()
{
    static CFormatterParent parent;
    if (!parent.GetHwnd())
        parent.Make();
    return parent.GetHwnd() ? &parent : nullptr;
}

LONG TextLength(HWND editor)
{
    GETTEXTLENGTHEX length = {GTL_DEFAULT | GTL_NUMCHARS, 1200};
    return static_cast<LONG>(SendMessageW(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

// The end of a range: -1 and anything past the text mean the text's end.
LONG RangeEnd(HWND editor, LONG last)
{
    const LONG length = TextLength(editor);
    return last < 0 || last > length ? length : last;
}

int TopOfChar(HWND editor, LONG character)
{
    POINTL point = {};
    SendMessageW(editor, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&point), character);
    return point.y;
}

LONG LineStartAt(HWND editor, int y)
{
    POINTL point = {1, y};
    const LRESULT character = SendMessageW(editor, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&point));
    const LRESULT line = SendMessageW(editor, EM_EXLINEFROMCHAR, 0, character);
    return static_cast<LONG>(SendMessageW(editor, EM_LINEINDEX, line, 0));
}

// The top of the line after the one holding the character; the content's
// bottom for the last line.
int LineBottom(HWND editor, LONG character, int contentBottom)
{
    const LRESULT line = SendMessageW(editor, EM_EXLINEFROMCHAR, 0, character);
    const LRESULT nextLine = SendMessageW(editor, EM_LINEINDEX, line + 1, 0);
    return nextLine < 0 ? contentBottom : TopOfChar(editor, static_cast<LONG>(nextLine));
}

// Lets the control lay the text out at the rectangle's width and reads how
// many whole lines from first fit its height.
bool MeasureByLayout(HWND editor, HDC target, const RECT& twips, LONG first, LONG end,
                     SFormatRangeResult& result)
{
    CFormatterParent* parent = Parent();
    if (!parent || GetParent(editor) != parent->GetHwnd())
        return false;
    const int dpiX = GetDeviceCaps(target, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(target, LOGPIXELSY);
    if (dpiX <= 0 || dpiY <= 0)
        return false;
    RECT window = {}, client = {};
    GetWindowRect(editor, &window);
    GetClientRect(editor, &client);
    const int width = MulDiv(twips.right - twips.left, dpiX, kTwipsPerInch);
    SetWindowPos(editor, nullptr, 0, 0, width + (window.right - window.left) - client.right,
                 window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    int contentHeight = 0;
    if (!parent->RequestHeight(editor, contentHeight))
        return false;

    const int contentBottom = TopOfChar(editor, 0) + contentHeight;
    const int top = TopOfChar(editor, first);
    const int limit = top + MulDiv(twips.bottom - twips.top, dpiY, kTwipsPerInch);
    LONG next = end;
    int bottom = LineBottom(editor, end - 1, contentBottom);
    if (bottom > limit) {
        next = std::min(end, LineStartAt(editor, limit));
        bottom = TopOfChar(editor, next);
    }
    if (next <= first)
        return false;
    result.next = next;
    result.height = MulDiv(bottom - top, kTwipsPerInch, dpiY);
    return true;
}

bool RealFormatRange(HWND editor, HDC target, HDC render, const RECT& twips, LONG first, LONG last,
                     SFormatRangeResult& result)
{
    result = {first, 0};
    const LONG end = RangeEnd(editor, last);
    if (first >= end)
        return true;
    FORMATRANGE range = {};
    range.hdc = render ? render : target;
    range.hdcTarget = target;
    range.rc = twips;
    range.rcPage = twips;
    range.chrg = {first, last};
    const LONG next = static_cast<LONG>(SendMessageW(editor, EM_FORMATRANGE, FALSE, reinterpret_cast<LPARAM>(&range)));
    if (next > first) {
        if (render)
            SendMessageW(editor, EM_DISPLAYBAND, 0, reinterpret_cast<LPARAM>(&range.rc));
        result.next = std::min(next, end);
        result.height = range.rc.bottom - twips.top;
        return true;
    }
    // The control's own layout can measure, but it cannot draw elsewhere.
    return !render && MeasureByLayout(editor, target, twips, first, end, result);
}

void RealReleaseCache(HWND editor)
{
    SendMessageW(editor, EM_FORMATRANGE, FALSE, 0);
}

} // namespace

SRichTextFormatterSeam g_richTextFormatterSeam = {&RealFormatRange, &RealReleaseCache};

HWND GetFormatterParent()
{
    CFormatterParent* parent = Parent();
    return parent ? parent->GetHwnd() : nullptr;
}
