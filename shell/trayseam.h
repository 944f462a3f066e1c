// The seam in front of the notification area: only the shell calls the tray,
// and tests record the calls instead of reaching a taskbar.
#pragma once

#include <windows.h>
#include <shellapi.h>

struct STraySeam {
    BOOL (*notifyIcon)(DWORD operation, NOTIFYICONDATAW* record);
};
extern STraySeam g_traySeam;
