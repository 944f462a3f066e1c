#include "ArrowButton.h"

#include <vssym32.h>

#include "framework/GdiObject.h"
#include "toolkit/AlphaNotifierWnd.h"

namespace {

constexpr int kButtonTextChars = 256;

// The arrow's triangle in one colour.
void DrawArrow(HDC dc, int x1, int y, COLORREF color)
{
    const POINT corners[] = { { x1 - 4, y - 1 }, { x1, y - 1 }, { x1 - 2, y + 1 } };
    const CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, color));
    const CBrushHandle brush(CreateSolidBrush(color));
    const CSavedDC saved(dc);
    SelectObject(dc, pen.Get());
    SelectObject(dc, brush.Get());
    SetPolyFillMode(dc, WINDING);
    Polygon(dc, corners, 3);
}

RECT DrawFrame(HDC dc, const RECT& item, UINT itemState, HTHEME theme, int themeState)
{
    RECT content = item;
    if (theme) {
        DrawThemeBackground(theme, dc, BP_PUSHBUTTON, themeState, &item, nullptr);
        GetThemeBackgroundContentRect(theme, dc, BP_PUSHBUTTON, themeState, &item, &content);
        return content;
    }
    UINT state = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT;
    if (itemState & ODS_SELECTED)
        state |= DFCS_PUSHED;
    if (itemState & ODS_DISABLED)
        state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &content, DFC_BUTTON, state);
    if (itemState & ODS_SELECTED)
        OffsetRect(&content, 1, 1);
    return content;
}

}  // namespace

int ArrowButtonThemeState(UINT itemState, bool hot)
{
    int state = (itemState & ODS_SELECTED) ? 3 : 0;
    if (itemState & ODS_DISABLED)
        state |= 4;
    if ((itemState & ODS_HOTLIGHT) || hot)
        state |= 2;
    else if (itemState & ODS_DEFAULT)
        state |= 5;
    return state;
}

int ColorButtonThemeState(UINT itemState, bool hot)
{
    int state = ((itemState & ODS_DISABLED) ? 4 : 0) | ((itemState & ODS_SELECTED) ? 3 : 0);
    if ((itemState & ODS_HOTLIGHT) || hot)
        state |= 2;
    else if (itemState & ODS_DEFAULT)
        state = (itemState & ODS_SELECTED) ? 7 : 5;
    return state;
}

RECT DrawDropButtonChrome(HDC dc, const RECT& item, UINT itemState, HTHEME theme, int themeState)
{
    RECT content = DrawFrame(dc, item, itemState, theme, themeState);
    if (itemState & ODS_FOCUS) {
        RECT focus = content;
        --focus.right;
        DrawFocusRect(dc, &focus);
    }
    const int cxEdge = GetSystemMetrics(SM_CXEDGE);
    InflateRect(&content, -cxEdge, -GetSystemMetrics(SM_CYEDGE));
    const int x1 = content.right - cxEdge / 2;
    const COLORREF arrow = (itemState & ODS_DISABLED) ? GetSysColor(COLOR_GRAYTEXT) : RGB(0, 0, 0);
    DrawArrow(dc, x1, (content.top + content.bottom) / 2, arrow);
    content.right = x1 - 4 - cxEdge / 2;
    DrawEdge(dc, &content, EDGE_ETCHED, BF_RIGHT);
    content.right -= 2 * cxEdge + 1;
    return content;
}

bool CDropButtonBase::SubclassWindow(HWND button)
{
    if (!CWindowBase::SubclassWindow(button))
        return false;
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    if ((style & BS_TYPEMASK) != BS_OWNERDRAW)
        SetWindowLongPtrW(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    m_theme.Open(button, L"Button");
    return true;
}

bool CDropButtonBase::ProcessWindowMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result)
{
    m_theme.OnWindowMessage(msg);
    switch (msg) {
    case WM_MOUSEMOVE:
        OnMouseMove();
        return false;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return false;
    case OCM_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    return false;
}

void CDropButtonBase::OnMouseMove()
{
    if (m_hot)
        return;
    m_hot = true;
    TRACKMOUSEEVENT track = { sizeof(track), TME_LEAVE, GetHwnd(), 0 };
    TrackMouseEvent(&track);
    InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void CDropButtonBase::OnMouseLeave()
{
    m_hot = false;
    InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void CArrowButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    RECT text = DrawDropButtonChrome(item.hDC, item.rcItem, item.itemState, Theme(),
                                     ArrowButtonThemeState(item.itemState, IsHot()));
    wchar_t caption[kButtonTextChars] = {};
    GetWindowTextW(GetHwnd(), caption, kButtonTextChars);
    const CSavedDC saved(item.hDC);
    SetTextColor(item.hDC, GetSysColor(COLOR_MENUTEXT));
    SetBkMode(item.hDC, TRANSPARENT);
    DrawTextW(item.hDC, caption, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}
