// The main and parent windows.
#include "mainwnd.h"

HWND g_hwndApp = nullptr;

namespace {

HWND g_parentWindow = nullptr;

}  // namespace

HWND GetAppWindow()
{
    return __atomic_load_n(&g_hwndApp, __ATOMIC_ACQUIRE);
}

HWND GetParentWindow()
{
    return g_parentWindow;
}

void SetParentWindow(HWND window)
{
    g_parentWindow = window;
}

bool IsApplicationActive()
{
    return false;
}

DWORD GetLastInputTick()
{
    return 0;
}
