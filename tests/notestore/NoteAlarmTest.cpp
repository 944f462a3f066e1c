// The alarm record: repeat steps, the state a call sequence leaves behind,
// skipping missed repeats, and the legacy local-time record.
#include "notestore/NoteAlarm.h"

#include "RecordTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace {

COleDateTime Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return COleDateTime(year, month, day, hour, minute, second);
}

const COleDateTime kNow = Date(2026, 3, 20, 10, 0, 0);   // a Friday
const COleDateTimeSpan kMinute(0, 0, 1, 0);
const COleDateTimeSpan kHour(0, 1, 0, 0);
const COleDateTimeSpan kDay(1, 0, 0, 0);

TEST(AdvanceByFrequency, StepsEachKind)
{
    struct Case {
        COleDateTime from;
        int kind;
        COleDateTime to;
    };
    const Case cases[] = {
        {Date(2026, 3, 20, 9), eFrequencyWeekdays, Date(2026, 3, 23, 9)},     // Friday to Monday
        {Date(2026, 3, 21, 9), eFrequencyWeekdays, Date(2026, 3, 23, 9)},     // Saturday
        {Date(2026, 3, 22, 9), eFrequencyWeekdays, Date(2026, 3, 23, 9)},     // Sunday
        {Date(2026, 3, 18, 9), eFrequencyWeekdays, Date(2026, 3, 19, 9)},     // Wednesday
        {Date(2026, 12, 15, 10, 30), eFrequencyMonthly, Date(2027, 1, 15, 10, 30)},
        {Date(2026, 11, 15, 10, 30), eFrequencyMonthly, Date(2026, 12, 15, 10, 30)},
        {Date(2027, 1, 31, 8), eFrequencyMonthly, Date(2027, 3, 31, 8)},      // no 31 February
        {Date(2026, 3, 31, 8), eFrequencyMonthly, Date(2026, 5, 31, 8)},      // no 31 April
        {Date(2028, 2, 29, 7), eFrequencyYearly, Date(2032, 2, 29, 7)},       // the next leap day
        {Date(2096, 2, 29, 7), eFrequencyYearly, Date(2104, 2, 29, 7)},       // 2100 has none
        {Date(2026, 5, 5, 7), eFrequencyYearly, Date(2027, 5, 5, 7)},
        {Date(2026, 3, 20, 23, 30), eFrequencyHourly, Date(2026, 3, 21, 0, 30)},
        {Date(2026, 3, 20, 23, 30), eFrequencyDaily, Date(2026, 3, 21, 23, 30)},
        {Date(2026, 3, 20, 23, 30), eFrequencyWeekly, Date(2026, 3, 27, 23, 30)},
        {Date(2026, 3, 20, 23, 30), eFrequencyBiweekly, Date(2026, 4, 3, 23, 30)},
        {Date(2026, 3, 20, 23, 30), eFrequencyOnce, Date(2026, 3, 20, 23, 30)},
        {Date(2026, 3, 20, 23, 30), 9, Date(2026, 3, 20, 23, 30)},            // unknown kinds stay
        {Date(2026, 3, 20, 23, 30), -1, Date(2026, 3, 20, 23, 30)},
        {Date(9999, 12, 15, 0), eFrequencyMonthly, Date(9999, 12, 15, 0)},    // the calendar ends
    };
    for (const Case& c : cases) {
        COleDateTime date = c.from;
        AdvanceByFrequency(date, c.kind);
        EXPECT_TRUE(date.IsValid()) << c.from.m_dt << " kind " << c.kind;
        EXPECT_EQ(date, c.to) << c.from.m_dt << " kind " << c.kind << ": " << date.m_dt << " != " << c.to.m_dt;
    }
}

TEST(AdvanceByFrequency, InvalidDatesStayInvalid)
{
    for (const int kind : {eFrequencyHourly, eFrequencyWeekdays, eFrequencyMonthly, eFrequencyYearly}) {
        COleDateTime date(46000.0);
        date.SetStatus(COleDateTime::invalid);
        AdvanceByFrequency(date, kind);
        EXPECT_FALSE(date.IsValid()) << kind;
    }
}

// An alarm record as a row of the state table starts it.
struct AlarmStart {
    std::uint32_t flags;
    COleDateTime alarm;
    COleDateTime calculated;
    int frequency = 0;
    int period = 0;
    int periodCount = 0;
};

CNoteAlarm MakeAlarm(const AlarmStart& start)
{
    CNoteAlarm alarm;
    alarm.flags = start.flags;
    alarm.alarmDate = start.alarm;
    alarm.calculatedDate = start.calculated;
    alarm.frequency = start.frequency;
    alarm.period = start.period;
    alarm.periodCount = start.periodCount;
    return alarm;
}

TEST(CNoteAlarm, StateAfterEachCallSequence)
{
    CFixedClock clock(kNow);
    const COleDateTime tomorrow = kNow + kDay;
    const COleDateTime never(0.0);
    struct Case {
        const char* what;
        AlarmStart start;
        bool (*calls)(CNoteAlarm&);
        bool result;
        std::uint32_t flags;
        COleDateTime calculated;
        COleDateTime popup;
    };
    const Case cases[] = {
        {"reminder two weeks before 10:00 on 3 April",
         {0x05, Date(2026, 4, 3, 10), never},
         [](CNoteAlarm& a) { a.SetPopupBefore(ePeriodWeeks, 2); return true; },
         true, 0x0F, Date(2026, 3, 20, 10), Date(2026, 3, 20, 10)},
        {"a minute ago without snooze",
         {0x00, never, never},
         [](CNoteAlarm& a) { return a.SetAlarm(kNow - kMinute, 0); },
         false, 0x05, never, never},
        {"a minute ago, snoozed 5 minutes",
         {0x00, never, never},
         [](CNoteAlarm& a) { return a.SetAlarm(kNow - kMinute, 5); },
         false, 0x05, kNow + COleDateTimeSpan(0, 0, 5, 0), never},
        {"pending reminder two hours before tomorrow: due at the reminder",
         {0x0A, never, never, 0, ePeriodHours, 2},
         [](CNoteAlarm& a) { return a.SetAlarm(kNow + kDay, 0); },
         true, 0x0F, tomorrow - COleDateTimeSpan(0, 2, 0, 0), tomorrow - COleDateTimeSpan(0, 2, 0, 0)},
        {"reminder flag without unit and count is dropped",
         {0x02, never, never},
         [](CNoteAlarm& a) { return a.SetAlarm(kNow + kDay, 0); },
         true, 0x05, tomorrow, never},
        {"alarm dialog OK on a quick-snoozed alarm: reminder 15 minutes before",
         {0x8F, kNow - kHour, kNow + COleDateTimeSpan(0, 0, 10, 0), 0, ePeriodMinutes, 10},
         [](CNoteAlarm& a) {
             a.flags &= ~kAlarmQuickSnoozed;
             const bool ahead = a.SetAlarm(kNow + kDay, 0);
             a.frequency = eFrequencyDaily;
             a.SetPopupBefore(ePeriodMinutes, 15);
             return ahead;
         },
         true, 0x0F, tomorrow - COleDateTimeSpan(0, 0, 15, 0), tomorrow - COleDateTimeSpan(0, 0, 15, 0)},
        {"quick snooze keeps its time",
         {0x85, kNow - kHour, kNow + COleDateTimeSpan(0, 0, 10, 0)},
         [](CNoteAlarm& a) { a.RecalcDue(false); return true; },
         true, 0x85, kNow + COleDateTimeSpan(0, 0, 10, 0), never},
        {"the due date only moves forward",
         {0x05, kNow + kHour, kNow + kDay},
         [](CNoteAlarm& a) { a.RecalcDue(true); return true; },
         true, 0x05, kNow + kDay, never},
        {"switched off",
         {0x05, tomorrow, tomorrow, eFrequencyYearly},
         [](CNoteAlarm& a) { return a.ToggleActive(); },
         true, 0x04, never, never},
        {"switched on again",
         {0x04, tomorrow, never, eFrequencyYearly},
         [](CNoteAlarm& a) { return a.ToggleActive(); },
         true, 0x05, tomorrow, never},
        {"never set: nothing to switch on",
         {0x00, never, never},
         [](CNoteAlarm& a) { return a.ToggleActive(); },
         false, 0x00, never, never},
        {"note bits are left alone",
         {0x1C00, never, never},
         [](CNoteAlarm& a) { return a.SetAlarm(kNow + kDay, 0); },
         true, 0x1C05, tomorrow, never},
    };
    for (const Case& c : cases) {
        CNoteAlarm alarm = MakeAlarm(c.start);
        EXPECT_EQ(c.calls(alarm), c.result) << c.what;
        EXPECT_EQ(alarm.flags, c.flags) << c.what;
        EXPECT_EQ(alarm.calculatedDate, c.calculated) << c.what << ": " << alarm.calculatedDate.m_dt;
        if (c.popup.m_dt != 0.0) {
            EXPECT_EQ(alarm.popupDate, c.popup) << c.what << ": " << alarm.popupDate.m_dt;
        }
    }
}

TEST(CNoteAlarm, SwitchingOffAndOnKeepsTheRepeat)
{
    CFixedClock clock(kNow);
    CNoteAlarm alarm;
    alarm.frequency = eFrequencyYearly;
    alarm.SetAlarm(kNow + kDay, 0);
    alarm.ToggleActive();
    alarm.ToggleActive();
    EXPECT_EQ(alarm.frequency, eFrequencyYearly);
    EXPECT_EQ(alarm.flags, 0x05u);

    // A kind from another program becomes "once" when switched on.
    alarm.frequency = 12;
    alarm.ToggleActive();
    alarm.ToggleActive();
    EXPECT_EQ(alarm.frequency, eFrequencyOnce);
}

TEST(CNoteAlarm, SkipPastRepeats)
{
    CFixedClock clock(kNow);
    struct Case {
        const char* what;
        COleDateTime alarm;
        int frequency;
        int skipped;
        COleDateTime next;
    };
    const Case cases[] = {
        {"unknown kind returns at once", kNow - kDay, 9, 0, kNow - kDay},
        {"once", kNow - kDay, eFrequencyOnce, 0, kNow - kDay},
        {"hourly, 5 hours past", kNow - COleDateTimeSpan(0, 5, 0, 0), eFrequencyHourly, 4, kNow},
        {"daily, three days and a minute past", kNow - COleDateTimeSpan(3, 0, 1, 0), eFrequencyDaily, 3,
         kNow + kDay - kMinute},
        {"monthly on the 31st from a year back", Date(2025, 3, 31, 9), eFrequencyMonthly, 6, Date(2026, 3, 31, 9)},
        {"weekdays from last Saturday", Date(2026, 3, 14, 9), eFrequencyWeekdays, 5, Date(2026, 3, 23, 9)},
        {"yearly leap day", Date(2024, 2, 29, 9), eFrequencyYearly, 0, Date(2028, 2, 29, 9)},
        {"hourly from 1900", Date(1900, 1, 1, 0, 30), eFrequencyHourly, 1106385, Date(2026, 3, 20, 10, 30)},
    };
    for (const Case& c : cases) {
        CNoteAlarm alarm;
        alarm.flags = kAlarmActive | kAlarmSet;
        alarm.snoozeTime = 7;
        alarm.alarmDate = c.alarm;
        alarm.frequency = c.frequency;
        EXPECT_EQ(alarm.SkipPastRepeats(), c.skipped) << c.what;
        EXPECT_EQ(alarm.alarmDate, c.next) << c.what << ": " << alarm.alarmDate.m_dt;
        if (c.skipped > 0) {
            EXPECT_EQ(alarm.snoozeTime, 0) << c.what;
        }
    }
}

// Central European time for the span of a test (avoiding transition days);
// the runner's own zone comes back afterwards.
class CCentralEuropeanZone {
public:
    CCentralEuropeanZone() { SetZone("CET-1CEST"); }
    ~CCentralEuropeanZone() { SetZone("UTC"); }

private:
    static void SetZone(const char* zone)
    {
        _putenv_s("TZ", zone);
        _tzset();
    }
};

TEST(CLocalTime, SetTimeMovesAnHourTowardsTheHeldDaylightSaving)
{
    CCentralEuropeanZone zone;
    const __time64_t winterNoon = CFixedClock::ToTime64(Date(2026, 1, 15, 12));   // UTC
    const __time64_t summerNoon = CFixedClock::ToTime64(Date(2026, 7, 15, 12));
    CFixedClock clock(Date(2026, 1, 10, 8));
    CLocalTime local;   // holds a winter time
    ASSERT_EQ(local.daylightSaving, 0);

    struct Step {
        __time64_t t;
        __time64_t held;
        int hour, daylightSaving;
    };
    const Step steps[] = {
        {winterNoon, winterNoon, 13, 0},                // same state: as is
        {summerNoon, summerNoon - 3600, 13, 1},         // into summer: an hour earlier
        {summerNoon, summerNoon, 14, 1},
        {winterNoon, winterNoon + 3600, 14, 0},         // into winter: an hour later
    };
    for (const Step& step : steps) {
        local.SetTime(step.t);
        EXPECT_EQ(local.time, step.held) << step.t;
        EXPECT_EQ(local.hour, step.hour) << step.t;
        EXPECT_EQ(local.daylightSaving, step.daylightSaving) << step.t;
    }
    EXPECT_EQ(local.dayOfMonth, 15);
    EXPECT_EQ(local.month, 0);
    EXPECT_EQ(local.year, 126);
    EXPECT_EQ(local.dayOfWeek, 4);   // a Thursday
    EXPECT_EQ(local.dayOfYear, 14);
}

TEST(CLocalTime, TheEpochIsNotMoved)
{
    CCentralEuropeanZone zone;
    CFixedClock clock(Date(2026, 7, 10, 8));
    CLocalTime local;   // holds a summer time
    local.SetTime(0);
    EXPECT_EQ(local.time, 0);
    EXPECT_EQ(local.hour, 1);
    EXPECT_EQ(local.year, 70);
}

} // namespace
