// The Z order of top-level windows as a test reads it.
#pragma once

#include <windows.h>

// A window raised over everything of this test, not activated; null when it
// cannot be made. The caller destroys it.
inline HWND RaisedCoverWindow(const wchar_t* windowClass)
{
    const HWND cover = CreateWindowExW(0, windowClass, L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    if (cover)
        SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return cover;
}

// The window lies above the other one.
inline bool IsAbove(HWND window, HWND other)
{
    for (HWND next = GetWindow(window, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT))
        if (next == other)
            return true;
    return false;
}
