// The alarm of a note: alarm date, an optional reminder ("popup") before it,
// repeat kind, snooze and the calculated date at which the note is next due,
// with the date arithmetic that moves them. Stored in the ten alarm columns
// of the note's row; the fields stay public so that the row maps them.
//
// Also CLocalTime, the broken-down local time of the legacy note format.
#pragma once

#include "foundation/StdStr.h"
#include "framework/OleDateTime.h"

#include <cstdint>
#include <ctime>

// Bits of the flag word. The low byte is the alarm's; the bits above it belong
// to the note and only share the stored word.
enum : std::uint32_t {
    kAlarmActive = 0x01,
    kAlarmPopupPending = 0x02,    // the popup date comes first
    kAlarmSet = 0x04,             // a date was given
    kAlarmPopupFromPeriod = 0x08, // popup derived from period unit and count
    kAlarmActivateNote = 0x10,
    kAlarmRunCommand = 0x20,
    kAlarmOwnSound = 0x40,
    kAlarmQuickSnoozed = 0x80,    // the calculated date holds a snooze time
    kNoteReadOnly = 0x100,
    kNoteRollRectStored = 0x200,
    kNoteMadeByProgram = 0x400,
    kNoteRollStateKnown = 0x800,
    kNoteRolledUp = 0x1000,
};

// Repeat kinds; the string table holds their names at IDS_FREQUENCY_FIRST + kind.
enum EAlarmFrequency : std::int32_t {
    eFrequencyOnce = 0,
    eFrequencyHourly = 1,
    eFrequencyDaily = 2,
    eFrequencyWeekdays = 3,
    eFrequencyWeekly = 4,
    eFrequencyBiweekly = 5,
    eFrequencyMonthly = 6,
    eFrequencyYearly = 7,
};

// Reminder units.
enum EAlarmPeriod : std::int32_t {
    ePeriodMinutes = 0,
    ePeriodHours = 1,
    ePeriodDays = 2,
    ePeriodWeeks = 3,
};

// Steps a date by one repeat of the kind; kinds without a step leave it as it
// is. A monthly or yearly step onto a day the month lacks goes on to the next
// month (year) that has it, so 31 January gives 31 March.
void AdvanceByFrequency(COleDateTime& date, int kind);

class CNoteAlarm {
public:
    // Places the reminder count units before the alarm.
    void SetPopupBefore(int unit, int count);
    // True when the date lies ahead once the snooze is added to now.
    bool SetAlarm(const COleDateTime& date, int snoozeMinutes);
    // force: the alarm date even while a reminder is pending.
    void RecalcDue(bool force);
    // Steps the alarm date past now; returns the extra steps taken.
    int SkipPastRepeats();
    // Switches a set alarm on or off; returns whether it had been set.
    bool ToggleActive();

    bool IsActive() const { return (flags & kAlarmActive) != 0; }

    // The columns, in stored order.
    COleDateTime popupDate;        // alarm_popup
    COleDateTime alarmDate;        // alarm_alarm
    CStdStr soundFile;             // alarm_soundfile
    CStdStr executeCmd;            // alarm_executecmd
    std::uint32_t flags = 0;       // alarm_alarmflags
    std::int32_t frequency = 0;    // alarm_frequency
    std::int32_t snoozeTime = 0;   // alarm_snoozetime, minutes
    std::int32_t period = 0;       // alarm_period
    std::int32_t periodCount = 0;  // alarm_periodcnt, 0..255
    COleDateTime calculatedDate;   // alarm_calculated; 0.0 = never
};

// The broken-down local time of a calendar time (seconds are not kept), as the
// legacy note format stores it.
class CLocalTime {
public:
    CLocalTime() { SetNow(); }

    void SetNow();
    // Converts t; a t whose daylight-saving state differs from the one held is
    // first moved by an hour towards it, as the legacy format expects.
    void SetTime(__time64_t t);

    __time64_t time = 0;
    std::int16_t minute = 0;
    std::int16_t hour = 0;
    std::int16_t dayOfMonth = 0;
    std::int16_t month = 0;       // 0-11
    std::int16_t year = 0;        // year - 1900
    std::int16_t dayOfWeek = 0;
    std::int16_t dayOfYear = 0;
    std::int16_t daylightSaving = 0;

private:
    void Assign(__time64_t t, const tm& local);
};
