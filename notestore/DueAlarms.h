// The due-alarm look-ups of the note manager: which stored note's alarm is
// overdue or comes next, and the cached next alarm time kept from them.
#pragma once

#include <cstdint>

#include "framework/OleDateTime.h"

// A cached next time this close to 0 means "no alarm" (half a second in days).
constexpr double kNoAlarmTolerance = 5.787037037037037e-6;

// The conditions on the notes table, formatted with the time now ("%f").
// A NULL group reads as 0, as the mapping reads it: such notes are in no
// group, and their alarms are due like any other.
extern const wchar_t kOverdueAlarmCondition[];
extern const wchar_t kComingAlarmCondition[];

// The id of the first note of the alarm condition at now; -1 when there is
// none. False when the query could not run (logged by the mapping).
bool FindAlarmNoteId(const wchar_t* conditionFormat, const COleDateTime& now, std::int64_t& id);
