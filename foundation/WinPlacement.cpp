#include "WinPlacement.h"

#include "Preferences.h"
#include "SysFuncs.h"

#include <algorithm>
#include <iterator>

namespace {

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// One axis of ClampRectToVirtualScreen: shift the span into [low, high) and cut
// it to the screen's extent.
void ClampSpan(LONG& start, LONG& end, LONG low, LONG high)
{
    const LONG size = end - start;
    if (end > high)
        start -= end - high;
    else if (size > high - low || start < low)
        start = low;
    end = start + std::min(size, high - low);
}

// One axis of FitRectToArea without centring.
void PushSpan(LONG& start, LONG& end, LONG low, LONG high)
{
    const LONG size = end - start;
    start = std::max(low, std::min(start, high - size));
    end = std::min(high, start + size);
}

// One axis of KeepRectOnDesktop.
void MoveSpanOnDesktop(LONG& start, LONG& end, LONG offset, LONG low, LONG high)
{
    const LONG size = end - start;
    if (size > high - low)
        return;
    if (start + offset < low) {
        start = std::max(start, low);
        offset = offset < 0 ? -offset : offset;
    } else if (end + offset > high) {
        start = std::min(start, high - size);
        offset = offset > 0 ? -offset : offset;
    }
    start += offset;
    end = start + size;
}

bool MonitorAreaOf(const RECT& rect, MonitorArea& area)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &info))
        return false;
    area = { info.rcMonitor, info.rcWork, (info.dwFlags & MONITORINFOF_PRIMARY) != 0 };
    return true;
}

void NormalizeSavedPoint(int& coordinate)
{
    if (coordinate == -1)
        coordinate = kToolbarPositionUnset;
}

}  // namespace

RECT MonitorFitArea(const MonitorArea& monitor, UINT flags)
{
    return (flags & kFitWorkAreaOnPrimary) && monitor.primary ? monitor.work : monitor.monitor;
}

RECT FitRectToArea(const RECT& rect, const RECT& area, UINT flags)
{
    RECT result = rect;
    if (flags & kFitCenter) {
        result.left = area.left + (RectWidth(area) - RectWidth(rect)) / 2;
        result.top = area.top + (RectHeight(area) - RectHeight(rect)) / 2;
        result.right = result.left + RectWidth(rect);
        result.bottom = result.top + RectHeight(rect);
        return result;
    }
    PushSpan(result.left, result.right, area.left, area.right);
    PushSpan(result.top, result.bottom, area.top, area.bottom);
    return result;
}

RECT ClampRectToVirtualScreen(const RECT& rect, const RECT& virtualScreen)
{
    RECT result = rect;
    ClampSpan(result.left, result.right, virtualScreen.left, virtualScreen.right);
    ClampSpan(result.top, result.bottom, virtualScreen.top, virtualScreen.bottom);
    return result;
}

POINT ToolbarCorner(int position, const RECT& area, int captionButtonWidth)
{
    const LONG leftX = area.left + captionButtonWidth;
    const LONG rightX = area.right - 2 * captionButtonWidth - kToolbarWidth;
    const LONG centreX = area.left + (RectWidth(area) - kToolbarWidth) / 2;
    const LONG topY = area.top - 1;
    const LONG bottomY = area.bottom - kToolbarHeight;
    switch (position) {
    case 0: return { leftX, topY };
    case 1: return { rightX, topY };
    case 2: return { leftX, bottomY };
    case 3: return { rightX, bottomY };
    case 4: return { centreX, topY };
    case 5: return { centreX, bottomY };
    }
    return { area.left, area.top };
}

bool ToolbarPointInArea(const RECT& area, POINT saved, SIZE toolbar)
{
    const POINT farCorner = { saved.x + toolbar.cx, saved.y + toolbar.cy };
    return PtInRect(&area, saved) || PtInRect(&area, farCorner);
}

int NewNoteSide(int defSize, int pixelsPerInch)
{
    static const int kSidePoints[] = {102, 170, 256, 341};
    if (defSize < 0 || defSize >= static_cast<int>(std::size(kSidePoints)))
        return 100;
    return MulDiv(kSidePoints[defSize], pixelsPerInch, 72);
}

RECT NewNoteRect(const RECT& monitor, int defSize, int defPos, int pixelsPerInch)
{
    const LONG side = NewNoteSide(defSize, pixelsPerInch);
    const LONG margin = RectWidth(monitor) / 20;
    const LONG left = monitor.left + margin;
    const LONG right = monitor.right - margin - side;
    const LONG centre = monitor.left + (RectWidth(monitor) - side) / 2;
    const LONG top = monitor.top + margin;
    const LONG bottom = monitor.bottom - margin - side;
    POINT corner = {};
    switch (defPos) {
    case 0: corner = {left, top}; break;
    case 1: corner = {right, top}; break;
    case 2: corner = {left, bottom}; break;
    case 3: corner = {right, bottom}; break;
    case 4: corner = {centre, top}; break;
    default: corner = {centre, bottom}; break;
    }
    return {corner.x, corner.y, corner.x + side, corner.y + side};
}

RECT KeepRectOnDesktop(const RECT& rect, POINT offset, const RECT& desktop)
{
    RECT result = rect;
    MoveSpanOnDesktop(result.left, result.right, offset.x, desktop.left, desktop.right);
    MoveSpanOnDesktop(result.top, result.bottom, offset.y, desktop.top, desktop.bottom);
    return result;
}

RECT VirtualScreenRect()
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return { left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN) };
}

void FitRectToMonitor(RECT& rect, UINT flags)
{
    MonitorArea monitor{};
    if (MonitorAreaOf(rect, monitor))
        rect = FitRectToArea(rect, MonitorFitArea(monitor, flags), flags);
}

bool KeepRectOnScreen(HWND window, RECT& rect, bool doNotMove)
{
    if (!doNotMove && !IsWindow(window))
        return false;
    RECT result = ClampRectToVirtualScreen(rect, VirtualScreenRect());
    FitRectToMonitor(result, kFitWorkAreaOnPrimary);
    if (SameRect(result, rect))
        return false;
    if (!doNotMove)
        SetWindowPos(window, nullptr, result.left, result.top, RectWidth(result), RectHeight(result),
                     SWP_NOCOPYBITS | SWP_NOACTIVATE | SWP_NOZORDER);
    rect = result;
    return true;
}

bool KeepWindowOnScreen(HWND window)
{
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    return KeepRectOnScreen(window, rect, false);
}

void SetToolbarPosition(CPreferences& prefs, HWND mainWindow, HWND toolbar, HWND parentWindow)
{
    NormalizeSavedPoint(prefs.PositionX);
    NormalizeSavedPoint(prefs.PositionY);
    RECT area = VirtualScreenRect();
    FitRectToMonitor(area, kFitWorkAreaOnPrimary);
    const HWND zOrder = prefs.AlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST;

    bool atSavedPoint = false;
    if (prefs.PositionX != kToolbarPositionUnset && prefs.PositionY != kToolbarPositionUnset) {
        RECT current{};
        GetWindowRect(mainWindow, &current);
        const POINT saved = { prefs.PositionX, prefs.PositionY };
        if (ToolbarPointInArea(area, saved, { RectWidth(current), RectHeight(current) })) {
            SetWindowPos(mainWindow, zOrder, saved.x, saved.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
            atSavedPoint = true;
        } else {
            prefs.PositionX = prefs.PositionY = kToolbarPositionUnset;
            prefs.Save();
        }
    }

    if (prefs.HideToolbar) {
        SetWindowPos(mainWindow, zOrder, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ShowWindow(toolbar, SW_HIDE);
    } else {
        // A dragged toolbar stays where the user put it; only a corner choice
        // (which drops the saved point) moves it to the corner.
        const POINT corner = ToolbarCorner(prefs.Position, area, GetSystemMetrics(SM_CXSIZE));
        SetWindowPos(mainWindow, zOrder, corner.x, corner.y, kToolbarWidth, kToolbarHeight,
                     SWP_NOACTIVATE | (atSavedPoint ? SWP_NOMOVE : 0));
        ShowWindow(toolbar, SW_SHOW);
        SetWindowPos(toolbar, nullptr, 0, 0, kToolbarWidth, kToolbarHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        KeepWindowOnScreen(mainWindow);
    }
    SetWindowPos(parentWindow, nullptr, prefs.PositionX, prefs.PositionY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool GetVisibleWindowRect(HWND window, RECT& rect)
{
    if (!IsWindow(window))
        return false;
    using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
    using GetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);
    const auto isCompositionEnabled =
        FindSystemFunctionAs<IsCompositionEnabledFn>(L"dwmapi.dll", "DwmIsCompositionEnabled");
    const auto getWindowAttribute =
        FindSystemFunctionAs<GetWindowAttributeFn>(L"dwmapi.dll", "DwmGetWindowAttribute");
    constexpr DWORD kExtendedFrameBounds = 9;  // DWMWA_EXTENDED_FRAME_BOUNDS
    BOOL composition = FALSE;
    RECT bounds{};
    if (isCompositionEnabled && getWindowAttribute && SUCCEEDED(isCompositionEnabled(&composition)) && composition
        && SUCCEEDED(getWindowAttribute(window, kExtendedFrameBounds, &bounds, sizeof bounds))) {
        rect = bounds;
        return true;
    }
    return GetWindowRect(window, &rect) != FALSE;
}
