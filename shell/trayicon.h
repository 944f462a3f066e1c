// The tray icon: one icon of the main window in the notification area, whose
// clicks create notes or open the main menu and whose tip and balloons
// report alarms and received notes.
#pragma once

#include <windows.h>

// The operations of NotifyTrayIcon.
enum ETrayOperation : int { kTrayAdd = 0, kTrayModify = 1, kTrayDelete = 2 };

// The Shell_NotifyIconW result, or 0 outside tray mode.
int NotifyTrayIcon(HWND window, int operation, HICON icon, const wchar_t* tip, const wchar_t* balloon);
// Adds the icon with the caption as tip; 0 when it could not be added yet.
int AddTrayIcon(HWND window);
// Asks the shell for the balloon behaviour of version 3.
void SetTrayIconVersion();
