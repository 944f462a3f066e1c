// The tray icon. The icon and its menus are not part of this build yet: the
// calls change nothing.
#include "trayicon.h"

int NotifyTrayIcon(HWND, int, HICON, const wchar_t*, const wchar_t*)
{
    return 0;
}

int AddTrayIcon(HWND)
{
    return 0;
}

void SetTrayIconVersion()
{
}
