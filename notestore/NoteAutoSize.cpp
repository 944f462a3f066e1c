// Fitting a note's window to its text. The text is measured in one hidden
// control kept for the run under the formatter's hidden parent: there the
// formatter can fall back on the control's own layout where EM_FORMATRANGE
// measures nothing (Wine's is a stub).
#include "Note.h"

#include "foundation/Preferences.h"
#include "foundation/WinPlacement.h"
#include "notewindows/RichEditCtrl.h"
#include "notewindows/RichTextFormatter.h"
#include "toolkit/AlphaNotifierWnd.h"

#include <richedit.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr std::uint32_t kNoteRolledUp = 0x1000;
// A width wider than this beyond the narrowest that keeps the text's height
// gives way to that width plus this.
constexpr int kSpareWidth = 16;
// Rich edit lays out no line after a final paragraph break, and none for an
// empty text: a stand-in last line makes it measure one.
const wchar_t kLastLineStandIn[] = L" O";

class CMeasuringControl : public CRichEditCtrl50WT {
public:
    CMeasuringControl() = default;
    ~CMeasuringControl() override
    {
        if (Handle() && IsWindow(Handle()))
            DestroyWindow(Handle());
    }
    CMeasuringControl(const CMeasuringControl&) = delete;
    CMeasuringControl& operator=(const CMeasuringControl&) = delete;

    // A child of parent: the formatter's fallback reads only its own children.
    bool Create(HWND parent, const RECT& rect)
    {
        const HWND window = CreateWindowExW(0, CRichEditLibraryUse::ClassName(), L"", WS_CHILD | ES_MULTILINE,
                                            rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                            parent, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!window)
            return false;
        AttachHandle(window);
        Initialize();
        SetTextMode(TM_RICHTEXT | TM_MULTICODEPAGE);
        SetEventMask(0);
        SetAutoUrlDetect(false);
        return true;
    }

    // The text as the note shows it, with a stand-in last line where the
    // text would otherwise measure a line short.
    void Load(const CStdStr& text)
    {
        SetWindowTextW(Handle(), L"");
        StreamInText(text, text.compare(0, 5, L"{\\rtf") == 0, false);
        const LONG length = GetTextLengthEx();
        if (length > 0 && LineFromChar(length) == LineFromChar(length - 1))
            return;
        SetSel(length, length);
        SETTEXTEX replace = {ST_SELECTION, 1200};
        SendMessageW(Handle(), EM_SETTEXTEX, reinterpret_cast<WPARAM>(&replace),
                     reinterpret_cast<LPARAM>(kLastLineStandIn));
    }
};

std::unique_ptr<CMeasuringControl>& MeasuringControlSlot()
{
    static std::unique_ptr<CMeasuringControl> control;
    return control;
}

CMeasuringControl* MeasuringControl()
{
    std::unique_ptr<CMeasuringControl>& control = MeasuringControlSlot();
    if (control && IsWindow(control->Handle()))
        return control.get();
    control.reset();
    const HWND parent = GetFormatterParent();
    if (!parent)
        return nullptr;
    auto made = std::make_unique<CMeasuringControl>();
    if (!made->Create(parent, VirtualScreenRect()))
        return nullptr;
    control = std::move(made);
    return control.get();
}

SIZE SizeOf(const RECT& rect)
{
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// The part of the note's monitor a note may cover; the primary monitor for a
// note without a window.
SIZE NoteMonitorArea(HWND frame)
{
    const HMONITOR monitor = frame ? MonitorFromWindow(frame, MONITOR_DEFAULTTONEAREST)
                                   : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info))
        return SizeOf(VirtualScreenRect());
    const MonitorArea area = {info.rcMonitor, info.rcWork, (info.dwFlags & MONITORINFOF_PRIMARY) != 0};
    return SizeOf(MonitorFitArea(area, kFitWorkAreaOnPrimary));
}

struct STextFit {
    LONG characters;
    int height;   // pixels
};

// Lays the control's text out in rectangles given in pixels of its device.
class CTextMeasure {
public:
    CTextMeasure(HWND control, HDC dc)
        : m_control(control), m_dc(dc), m_dpiX(GetDeviceCaps(dc, LOGPIXELSX)), m_dpiY(GetDeviceCaps(dc, LOGPIXELSY))
    {
    }
    ~CTextMeasure() { ReleaseCache(m_control); }
    CTextMeasure(const CTextMeasure&) = delete;
    CTextMeasure& operator=(const CTextMeasure&) = delete;

    // What fits from the start: nothing when no line fits.
    STextFit Fit(int width, int height) const
    {
        if (m_dpiX <= 0 || m_dpiY <= 0)
            return {0, 0};
        const RECT twips = {0, 0, MulDiv(width, kTwipsPerInch, m_dpiX), MulDiv(height, kTwipsPerInch, m_dpiY)};
        SFormatRangeResult result;
        if (!FormatRange(m_control, m_dc, nullptr, twips, 0, -1, result))
            return {0, 0};
        return {result.next, MulDiv(result.height, m_dpiY, kTwipsPerInch)};
    }

private:
    HWND m_control;
    HDC m_dc;
    int m_dpiX;
    int m_dpiY;
};

// The size that shows the whole text: the current width when the text fits
// in it, else the narrowest width that keeps the height the text has across
// the whole area; a width far wider than that narrowest one gives way to it.
// False when not even the whole area takes a line: a height of nothing would
// shrink the window to its minimum.
bool FitText(const CTextMeasure& measure, LONG length, SIZE area, int formatWidth, SIZE& fit)
{
    const STextFit whole = measure.Fit(area.cx, area.cy);
    if (whole.characters <= 0 || whole.height <= 0)
        return false;
    const STextFit current = measure.Fit(formatWidth, area.cy);
    if (whole.characters < length) {
        fit = {formatWidth, current.height};
        return current.height > 0;
    }
    const bool currentFits = current.characters == whole.characters;
    int bound = currentFits ? current.height : whole.height;
    // The area's width always holds the text: a search that finds nothing
    // narrower still has an answer.
    SIZE best = {area.cx, whole.height};
    int low = 1;
    int high = area.cx;
    while (low < high) {
        const int width = (low + high) / 2;
        const STextFit tried = measure.Fit(width, bound);
        if (tried.characters < whole.characters) {
            low = width + 2;
            continue;
        }
        best = {width, tried.height};
        high = width - 2;
        bound = std::max(bound, tried.height);
    }
    SIZE result = currentFits ? SIZE{formatWidth, current.height} : best;
    if (result.cy >= best.cy && best.cx + kSpareWidth < result.cx)
        result.cx = best.cx + kSpareWidth;
    fit = result;
    return true;
}

SIZE MinimumTrackSize(HWND frame)
{
    MINMAXINFO info = {};
    SendMessageW(frame, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return {info.ptMinTrackSize.x, info.ptMinTrackSize.y};
}

// The frame's window size that shows a text of that size in its editor, at
// least the frame's minimum and never more than the note's monitor.
SIZE FrameSizeFor(HWND frame, HWND editor, const RECT& format, SIZE text, bool neverShrink)
{
    RECT editorWindow = {}, frameWindow = {}, frameClient = {};
    GetWindowRect(editor, &editorWindow);
    GetWindowRect(frame, &frameWindow);
    GetClientRect(frame, &frameClient);
    const SIZE editorExtra = {SizeOf(editorWindow).cx - SizeOf(format).cx, SizeOf(editorWindow).cy - SizeOf(format).cy};
    const SIZE frameExtra = {SizeOf(frameWindow).cx - frameClient.right, SizeOf(frameWindow).cy - frameClient.bottom};
    const SIZE minimum = MinimumTrackSize(frame);
    SIZE client = {std::max(text.cx + editorExtra.cx, minimum.cx - frameExtra.cx),
                   std::max(text.cy + editorExtra.cy, minimum.cy + 1 - frameExtra.cy)};
    if (neverShrink)
        client = {std::max(client.cx, frameClient.right), std::max(client.cy, frameClient.bottom)};
    const SIZE monitor = NoteMonitorArea(frame);
    return {std::min(client.cx + frameExtra.cx, monitor.cx), std::min(client.cy + frameExtra.cy, monitor.cy)};
}

int VerticalScrollBarWidth(HWND editor)
{
    return (GetWindowLongW(editor, GWL_STYLE) & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
}

void FitFrameToText(CNote& note, const LONG* requestedBottom, bool neverShrink)
{
    const HWND frame = note.GetHwnd();
    const HWND editor = note.GetEditHwnd();
    if (!frame || !editor || (note.Alarm().flags & kNoteRolledUp))
        return;
    RECT format = {};
    SendMessageW(editor, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    // A scroll bar shows while the text is taller than the editor; once the
    // window shows the whole text it goes, and the text has its width.
    format.right += VerticalScrollBarWidth(editor);
    RECT measured = format;
    if (requestedBottom)
        measured.bottom = *requestedBottom;
    SIZE text = {};
    if (!note.MeasureText(measured, text))
        return;
    const SIZE size = FrameSizeFor(frame, editor, format, text, neverShrink);
    RECT window = {};
    GetWindowRect(frame, &window);
    if (size.cx == SizeOf(window).cx && size.cy == SizeOf(window).cy)
        return;
    SetWindowPos(frame, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

// Notes being fitted: resizing the frame resizes the editor, which asks for
// a resize again.
class CFittingNote {
public:
    explicit CFittingNote(const CNote* note) : m_note(note), m_entered(Fitting().insert(note).second) {}
    ~CFittingNote()
    {
        if (m_entered)
            Fitting().erase(m_note);
    }
    CFittingNote(const CFittingNote&) = delete;
    CFittingNote& operator=(const CFittingNote&) = delete;

    bool AlreadyFitting() const { return !m_entered; }

private:
    static std::set<const CNote*>& Fitting()
    {
        static std::set<const CNote*> notes;
        return notes;
    }

    const CNote* m_note;
    bool m_entered;
};

} // namespace

bool CNote::MeasureText(const RECT& format, SIZE& fit)
{
    CMeasuringControl* control = MeasuringControl();
    if (!control)
        return false;
    const CWindowDC dc(control->Handle(), false);
    if (!dc.Get())
        return false;
    CStdStr text;
    if (!GetText(true, false, true, text))
        return false;
    if (text.empty())
        text = m_row.text;
    control->Load(text);
    const CTextMeasure measure(control->Handle(), dc.Get());
    return FitText(measure, control->GetTextLengthEx(), NoteMonitorArea(m_hwnd), format.right - format.left, fit);
}

void CNote::AutoSize(bool force)
{
    if (!m_row.autoResize && !force)
        return;
    const CFittingNote fitting(this);
    if (!fitting.AlreadyFitting())
        FitFrameToText(*this, nullptr, !force && g_prefs.DontShrinkNoteSize);
}

void CNote::OnRequestResize(const RECT& requested)
{
    if (!m_row.autoResize)
        return;
    const CFittingNote fitting(this);
    if (!fitting.AlreadyFitting())
        FitFrameToText(*this, &requested.bottom, g_prefs.DontShrinkNoteSize);
}

void CNote::DestroyMeasuringControl()
{
    MeasuringControlSlot().reset();
}
