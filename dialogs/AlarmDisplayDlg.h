// The notification of a firing alarm and its snooze dialog.
#pragma once

#include <windows.h>

#include "framework/OleDateTime.h"

class CNote;

// Shows the notification of the note's alarm; false when it could not be
// shown (one is open already, or the window was not made).
bool ShowAlarmDisplayDlg(CNote* note);
// Asks how long to snooze the alarm that fired at alarmDate; true when the
// note was snoozed.
bool ShowSnoozeDisplayDlg(HWND parent, CNote* note, COleDateTime alarmDate);
