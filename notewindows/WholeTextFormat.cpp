#include "WholeTextFormat.h"

CQuietSelectionScope::CQuietSelectionScope(HWND editor) : m_editor(editor)
{
    SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&m_selection));
    SendMessageW(editor, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&m_scroll));
    m_eventMask = static_cast<DWORD>(SendMessageW(editor, EM_GETEVENTMASK, 0, 0));
    SendMessageW(editor, EM_SETEVENTMASK, 0, 0);
}

CQuietSelectionScope::~CQuietSelectionScope()
{
    // Setting them repaints a shown editor: what has not moved is left alone.
    CHARRANGE selection = {};
    SendMessageW(m_editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    if (selection.cpMin != m_selection.cpMin || selection.cpMax != m_selection.cpMax)
        SendMessageW(m_editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&m_selection));
    POINT scroll = {};
    SendMessageW(m_editor, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    if (scroll.x != m_scroll.x || scroll.y != m_scroll.y)
        SendMessageW(m_editor, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&m_scroll));
    SendMessageW(m_editor, EM_SETEVENTMASK, 0, m_eventMask);
}

CHARFORMAT2W WholeTextFormat(HWND editor)
{
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    // A shown editor would draw the selection it never shows: under Wine
    // that costs about 30 ms a note.
    const bool visible = IsWindowVisible(editor) != FALSE;
    if (visible)
        SendMessageW(editor, WM_SETREDRAW, FALSE, 0);
    {
        const CQuietSelectionScope quiet(editor);
        CHARRANGE all = {0, -1};
        SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
        SendMessageW(editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    if (visible)
        SendMessageW(editor, WM_SETREDRAW, TRUE, 0);
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
