#include "NoteAlarm.h"

#include "foundation/Seams.h"
#include "notemgr.h"

#include <cmath>

namespace {

COleDateTimeSpan PeriodSpan(int unit, int count)
{
    switch (unit) {
    case ePeriodMinutes: return COleDateTimeSpan(0, 0, count, 0);
    case ePeriodHours:   return COleDateTimeSpan(0, count, 0, 0);
    case ePeriodDays:    return COleDateTimeSpan(count, 0, 0, 0);
    case ePeriodWeeks:   return COleDateTimeSpan(7L * count, 0, 0, 0);
    }
    return COleDateTimeSpan();
}

// The days of one repeat whose length never varies; 0 for the calendar kinds.
double FixedStepDays(int kind)
{
    switch (kind) {
    case eFrequencyHourly:   return 1.0 / 24.0;
    case eFrequencyDaily:    return 1.0;
    case eFrequencyWeekly:   return 7.0;
    case eFrequencyBiweekly: return 14.0;
    }
    return 0.0;
}

// Sunday to Thursday go to the next day, Friday and Saturday to Monday.
void AdvanceToNextWeekday(COleDateTime& date)
{
    switch (date.GetDayOfWeek()) {
    case -1: return;
    case 6:  date += COleDateTimeSpan(3, 0, 0, 0); return;
    case 7:  date += COleDateTimeSpan(2, 0, 0, 0); return;
    }
    date += COleDateTimeSpan(1, 0, 0, 0);
}

// Same day and time in the next month (or year) that has that day; the date
// stays as it is when no such month is left in the calendar.
void AdvanceByCalendar(COleDateTime& date, bool yearly)
{
    SYSTEMTIME time = {};
    if (!date.GetAsSystemTime(time))
        return;
    int year = time.wYear;
    int month = time.wMonth;
    for (;;) {
        if (yearly) {
            ++year;
        } else if (++month > 12) {
            month = 1;
            ++year;
        }
        if (year > 9999)
            return;
        const COleDateTime next(year, month, time.wDay, time.wHour, time.wMinute, time.wSecond);
        if (next.IsValid()) {
            date = next;
            return;
        }
    }
}

// One repeat forward; false, and the date unchanged, when the step does not
// move it forward (no step for the kind, the end of the calendar, a bad date).
bool StepForward(COleDateTime& date, int kind)
{
    COleDateTime next = date;
    AdvanceByFrequency(next, kind);
    if (!next.IsValid() || !(next > date))
        return false;
    date = next;
    return true;
}

// Jumps a fixed-length repeat to one step before now in a single move, so that
// an hourly alarm from long ago costs no more than one from yesterday.
int JumpFixedSteps(COleDateTime& date, int kind, const COleDateTime& now)
{
    const double step = FixedStepDays(kind);
    if (step == 0.0 || !(now > date))
        return 0;
    const double steps = std::floor((now - date).GetTotalDays() / step) - 1.0;
    if (!(steps > 0.0))
        return 0;
    const COleDateTime jumped = date + COleDateTimeSpan(steps * step);
    if (!jumped.IsValid())
        return 0;
    date = jumped;
    return static_cast<int>(steps);
}

} // namespace

void AdvanceByFrequency(COleDateTime& date, int kind)
{
    switch (kind) {
    case eFrequencyHourly:
    case eFrequencyDaily:
    case eFrequencyWeekly:
    case eFrequencyBiweekly:
        date += COleDateTimeSpan(FixedStepDays(kind));
        return;
    case eFrequencyWeekdays:
        AdvanceToNextWeekday(date);
        return;
    case eFrequencyMonthly:
    case eFrequencyYearly:
        AdvanceByCalendar(date, kind == eFrequencyYearly);
        return;
    }
}

// ---------------------------------------------------------------- CNoteAlarm

void CNoteAlarm::SetPopupBefore(int unit, int count)
{
    count &= 0xFF;
    popupDate = alarmDate - PeriodSpan(unit, count);
    flags |= kAlarmPopupPending | kAlarmPopupFromPeriod;
    period = unit;
    periodCount = count;
    if (IsActive() && popupDate.IsValid() && popupDate > alarmDate)
        flags &= ~kAlarmPopupPending;
    // The due date of an earlier, shorter reminder would only move forward
    // and make the new one late.
    if (!(flags & kAlarmQuickSnoozed))
        calculatedDate = COleDateTime(0.0);
    RecalcDue(false);
}

bool CNoteAlarm::SetAlarm(const COleDateTime& date, int snoozeMinutes)
{
    alarmDate = date;
    flags |= kAlarmActive | kAlarmSet;
    if (flags & kAlarmPopupPending) {
        if (flags & kAlarmPopupFromPeriod)
            SetPopupBefore(period, periodCount);
        else
            flags &= ~kAlarmPopupPending;
        if (popupDate.IsValid() && popupDate > alarmDate)
            flags &= ~kAlarmPopupPending;
    }
    snoozeTime = snoozeMinutes;
    calculatedDate = COleDateTime(0.0);
    RecalcDue(false);

    const COleDateTime now = COleDateTime::Now() + COleDateTimeSpan(0, 0, snoozeMinutes, 0);
    if (now > alarmDate) {
        calculatedDate = snoozeMinutes >= 1 ? now : COleDateTime(0.0);
        return false;
    }
    // A pending reminder keeps the popup date that RecalcDue chose, so that
    // the reminder comes before the alarm.
    if (!(flags & kAlarmPopupPending) || !(calculatedDate > COleDateTime(0.0)))
        calculatedDate = alarmDate;
    return true;
}

void CNoteAlarm::RecalcDue(bool force)
{
    if (!IsActive()) {
        calculatedDate = COleDateTime(0.0);
    } else if (!(flags & kAlarmQuickSnoozed)) {
        const bool popupFirst = !force && (flags & kAlarmPopupPending);
        const COleDateTime& due = popupFirst ? popupDate : alarmDate;
        if (calculatedDate.IsValid() && calculatedDate < due)
            calculatedDate = due;
    }
    NoteManager().ResetNextAlarm();
}

int CNoteAlarm::SkipPastRepeats()
{
    // Kinds from other programs beyond the known ones repeat nothing.
    if (frequency < eFrequencyHourly || frequency > eFrequencyYearly)
        return 0;
    int count = 0;
    if (StepForward(alarmDate, frequency)) {
        const COleDateTime now = COleDateTime::Now();
        count = JumpFixedSteps(alarmDate, frequency, now);
        while (now > alarmDate && StepForward(alarmDate, frequency))
            ++count;
    }
    SetAlarm(alarmDate, 0);
    return count;
}

bool CNoteAlarm::ToggleActive()
{
    const bool wasSet = (flags & kAlarmSet) != 0;
    if (IsActive()) {
        flags &= ~kAlarmActive;
    } else if (wasSet) {
        flags |= kAlarmActive;
        if (frequency < eFrequencyOnce || frequency > eFrequencyYearly)
            frequency = eFrequencyOnce;
    }
    RecalcDue(false);
    return wasSet;
}

// ---------------------------------------------------------------- CLocalTime

void CLocalTime::SetNow()
{
    const __time64_t now = g_clockSeam.now();
    tm local = {};
    if (_localtime64_s(&local, &now) == 0)
        Assign(now, local);
}

void CLocalTime::SetTime(__time64_t t)
{
    tm local = {};
    if (_localtime64_s(&local, &t) != 0) {
        SetNow();
        return;
    }
    if (t > 0) {
        if (daylightSaving < local.tm_isdst)
            t -= 3600;
        else if (daylightSaving > local.tm_isdst)
            t += 3600;
        if (_localtime64_s(&local, &t) != 0) {
            SetNow();
            return;
        }
    }
    Assign(t, local);
}

void CLocalTime::Assign(__time64_t t, const tm& local)
{
    time = t;
    minute = static_cast<std::int16_t>(local.tm_min);
    hour = static_cast<std::int16_t>(local.tm_hour);
    dayOfMonth = static_cast<std::int16_t>(local.tm_mday);
    month = static_cast<std::int16_t>(local.tm_mon);
    year = static_cast<std::int16_t>(local.tm_year);
    dayOfWeek = static_cast<std::int16_t>(local.tm_wday);
    dayOfYear = static_cast<std::int16_t>(local.tm_yday);
    daylightSaving = static_cast<std::int16_t>(local.tm_isdst);
}
