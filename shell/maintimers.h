// The main window's timers: alarms falling due, the periodic backup and
// version check, the idle close of the database and the auto-fade watch; and
// the alarms that fell due while the program was closed.
#pragma once

#include <windows.h>

void OnMainTimer(HWND window, UINT_PTR timerId);
// Once at start-up, after the notes are loaded.
void ClearPreviousAlarms();
