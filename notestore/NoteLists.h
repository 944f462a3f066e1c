// Note lists read straight from the rows, without loading notes: what the
// organizer and the alarm list show of each note.
#pragma once

#include "NoteAlarm.h"
#include "foundation/StdStr.h"
#include "framework/OleDateTime.h"

#include <windows.h>

#include <cstdint>

struct CNoteDisplayInfo {
    std::int64_t id = -1;
    bool visible = false;
    bool locked = false;           // the text is behind a password
    CStdStr name;                  // the title, else the display name
    CStdStr text;
    COleDateTime creationDate;
    COleDateTime lastUpdateDate;
    GUID guid = {};
    std::int64_t group = -1;
    CStdStr alarmText;
    std::uint32_t alarmFlags = 0;
    COleDateTime calculatedDate;
    CStdStr attachedTitle;         // the window the note is attached to
};

// What a list says of an alarm at now: quick-snoozed, its date, time and
// repeat with the snooze left, off, or none.
CStdStr MakeAlarmText(const CNoteAlarm& alarm, const COleDateTime& now);
