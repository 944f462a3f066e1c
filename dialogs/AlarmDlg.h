// The dialog that sets a note's alarm.
#pragma once

#include <windows.h>

class CNote;

// Runs the alarm dialog for the note; a null note does nothing.
void ShowAlarmDlg(CNote* note, HWND parent);
