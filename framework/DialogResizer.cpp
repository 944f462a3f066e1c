#include "DialogResizer.h"

namespace {

// The grip is the system's own size box, kept at the bottom-right corner.
constexpr int kGripId = 0x7FFF;

RECT ClientRectOf(HWND dialog, HWND control)
{
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT Moved(RECT rect, UINT flags, int dx, int dy)
{
    if (flags & kResizeMoveX)
        OffsetRect(&rect, dx, 0);
    if (flags & kResizeMoveY)
        OffsetRect(&rect, 0, dy);
    if (flags & kResizeSizeX)
        rect.right += dx;
    if (flags & kResizeSizeY)
        rect.bottom += dy;
    return rect;
}

}  // namespace

void CDialogResizer::Init(HWND dialog, const std::vector<ResizeRule>& rules, bool gripper)
{
    m_dialog = dialog;
    RECT window = {};
    GetWindowRect(dialog, &window);
    m_minimum = { window.right - window.left, window.bottom - window.top };
    RECT client = {};
    GetClientRect(dialog, &client);
    m_client = { client.right, client.bottom };
    m_controls.clear();
    if (gripper) {
        const int cx = GetSystemMetrics(SM_CXVSCROLL);
        const int cy = GetSystemMetrics(SM_CYHSCROLL);
        const HWND grip = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP,
                                          client.right - cx, client.bottom - cy, cx, cy, dialog,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kGripId)), nullptr, nullptr);
        if (grip)
            m_controls.push_back({ grip, kResizeMoveX | kResizeMoveY, ClientRectOf(dialog, grip) });
    }
    for (const ResizeRule& rule : rules)
        if (const HWND control = GetDlgItem(dialog, rule.controlId))
            m_controls.push_back({ control, rule.flags, ClientRectOf(dialog, control) });
}

void CDialogResizer::OnSize(UINT type, int cx, int cy)
{
    if (!m_dialog || type == SIZE_MINIMIZED)
        return;
    if (const HWND grip = GetDlgItem(m_dialog, kGripId))
        ShowWindow(grip, type == SIZE_MAXIMIZED ? SW_HIDE : SW_SHOW);
    const int dx = cx - m_client.cx;
    const int dy = cy - m_client.cy;
    for (const Placed& placed : m_controls) {
        const RECT rect = Moved(placed.rect, placed.flags, dx, dy);
        SetWindowPos(placed.control, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(m_dialog, nullptr, TRUE);
}

void CDialogResizer::OnGetMinMaxInfo(MINMAXINFO* info) const
{
    if (m_dialog)
        info->ptMinTrackSize = { m_minimum.cx, m_minimum.cy };
}
