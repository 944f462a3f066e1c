#include "WholeTextFormat.h"

#include "framework/GdiObject.h"

CQuietSelectionScope::CQuietSelectionScope(HWND editor) : m_editor(editor)
{
    SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&m_selection));
    SendMessageW(editor, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&m_scroll));
    m_eventMask = static_cast<DWORD>(SendMessageW(editor, EM_GETEVENTMASK, 0, 0));
    SendMessageW(editor, EM_SETEVENTMASK, 0, 0);
}

CQuietSelectionScope::~CQuietSelectionScope()
{
    // Set again even when unmoved: an editor that still owes the layout of
    // its text does it here, while it is quiet; left to a later change, that
    // layout would ask for the note to be fitted to its text.
    SendMessageW(m_editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&m_selection));
    SendMessageW(m_editor, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&m_scroll));
    SendMessageW(m_editor, EM_SETEVENTMASK, 0, m_eventMask);
}

namespace {

// While the program reads formats by selecting text, a shown editor draws
// nothing: drawing the selection it never shows costs about 30 ms a note
// under Wine. What was waiting to be drawn before is drawn afterwards still
// (turning drawing off drops it).
class CNoDrawingScope {
public:
    explicit CNoDrawingScope(HWND editor) : m_editor(editor), m_shown(IsWindowVisible(editor) != FALSE)
    {
        if (!m_shown)
            return;
        if (m_pending.Get() && GetUpdateRgn(editor, m_pending.Get(), FALSE) == ERROR)
            m_pending.Reset();
        SendMessageW(editor, WM_SETREDRAW, FALSE, 0);
    }
    ~CNoDrawingScope()
    {
        if (!m_shown)
            return;
        SendMessageW(m_editor, WM_SETREDRAW, TRUE, 0);
        if (m_pending.Get())
            InvalidateRgn(m_editor, m_pending.Get(), TRUE);
        else
            InvalidateRect(m_editor, nullptr, TRUE);
    }
    CNoDrawingScope(const CNoDrawingScope&) = delete;
    CNoDrawingScope& operator=(const CNoDrawingScope&) = delete;

private:
    const HWND m_editor;
    const bool m_shown;
    CGdiObject<HRGN> m_pending{CreateRectRgn(0, 0, 0, 0)};
};

} // namespace

CHARFORMAT2W WholeTextFormat(HWND editor)
{
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    const CNoDrawingScope noDrawing(editor);
    const CQuietSelectionScope quiet(editor);
    CHARRANGE all = {0, -1};
    SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    SendMessageW(editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}

namespace {

// Whether a colour of the format is wanted's: both automatic, or both the same.
bool SameColor(const CHARFORMAT2W& held, const CHARFORMAT2W& wanted, DWORD autoEffect, COLORREF heldColor,
               COLORREF wantedColor)
{
    const bool automatic = (wanted.dwEffects & autoEffect) != 0;
    return ((held.dwEffects & autoEffect) != 0) == automatic && (automatic || heldColor == wantedColor);
}

} // namespace

bool WholeTextHolds(HWND editor, const CHARFORMAT2W& wanted)
{
    const CHARFORMAT2W held = WholeTextFormat(editor);
    const DWORD effects = wanted.dwMask & CFM_EFFECTS2 & ~(CFM_COLOR | CFM_BACKCOLOR);
    return (held.dwMask & wanted.dwMask) == wanted.dwMask && ((held.dwEffects ^ wanted.dwEffects) & effects) == 0 &&
           ((wanted.dwMask & CFM_COLOR) == 0 ||
            SameColor(held, wanted, CFE_AUTOCOLOR, held.crTextColor, wanted.crTextColor)) &&
           ((wanted.dwMask & CFM_BACKCOLOR) == 0 ||
            SameColor(held, wanted, CFE_AUTOBACKCOLOR, held.crBackColor, wanted.crBackColor));
}
