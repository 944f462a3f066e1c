// The dialog that sets a note's alarm: date and time, repeat, a reminder
// before it, what happens when it fires, and the quick-set presets.
#pragma once

#include <windows.h>

#include "framework/OleDateTime.h"

class CNote;
class CNoteAlarm;

// The date a quick-set command (21041-21048) gives from now: at the time of
// day of now unless the preset names one. Invalid for another command or a
// date too far from now.
COleDateTime QuickAlarmDate(UINT command, const COleDateTime& now);

// The reminder the settings give an alarm that has none stored.
struct SAlarmDefaults {
    bool popup = false;
    int popupCount = 0;
    int popupUnit = 0;
};

// The alarm as the dialog opens on it: a stored reminder is kept, else the
// defaults become it; an alarm that is off or has no date opens on, ten
// minutes from now when its date has passed.
void PrepareAlarmForEditing(CNoteAlarm& alarm, const SAlarmDefaults& defaults, const COleDateTime& now);

// Runs the alarm dialog for the note; a null note does nothing. Alarm checks
// are off while it runs; the note is stored and its listeners told however
// the dialog ends.
void ShowAlarmDlg(CNote* note, HWND parent);
