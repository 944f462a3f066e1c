#include "WinPlacement.h"

#include "Preferences.h"
#include "SysFuncs.h"

#include <algorithm>

namespace {

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

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
        result.left = area.left + (Width(area) - Width(rect)) / 2;
        result.top = area.top + (Height(area) - Height(rect)) / 2;
        result.right = result.left + Width(rect);
        result.bottom = result.top + Height(rect);
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
    const LONG centreX = area.left + (Width(area) - kToolbarWidth) / 2;
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
        SetWindowPos(window, nullptr, result.left, result.top, Width(result), Height(result),
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
        if (ToolbarPointInArea(area, saved, { Width(current), Height(current) })) {
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
