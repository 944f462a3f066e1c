#include "OleDateTime.h"

#include "foundation/Seams.h"

#include <cmath>
#include <functional>
#include <type_traits>

static_assert(std::is_standard_layout_v<COleDateTime> && offsetof(COleDateTime, m_dt) == 0,
              "records map the double of a date as a column");
static_assert(std::is_standard_layout_v<COleDateTimeSpan> && offsetof(COleDateTimeSpan, m_span) == 0,
              "a span is a double first");

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kMillisecondsPerDay = 86400000.0;
// 1 January 1970 as a day number.
constexpr long long kUnixEpochDay = 25569;
// 1 January 100 and the day after 31 December 9999.
constexpr double kFirstDay = -657434.0;
constexpr double kEndDay = 2958466.0;

// Days between 1 January 1970 and a date of the proleptic Gregorian calendar.
long long DaysFromCivil(long long year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(long long days, int& year, int& month, int& day)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Before day 0 the fraction of an OLE date counts forward from the day's
// start while the whole part counts backward (-1.25 is 29 December, 06:00);
// arithmetic and ordering work on the continuous value instead.
double LinearFromOle(double date)
{
    if (!(date < 0.0))
        return date;
    const double whole = std::trunc(date);
    return whole - (date - whole);
}

double OleFromLinear(double linear)
{
    if (!(linear < 0.0))
        return linear;
    const double day = std::floor(linear);
    const double fraction = linear - day;
    return fraction == 0.0 ? day : day - fraction;
}

double SnapToMilliseconds(double linear)
{
    return std::round(linear * kMillisecondsPerDay) / kMillisecondsPerDay;
}

bool InDateRange(double linear)
{
    return linear >= kFirstDay && linear < kEndDay;
}

struct SFields {
    int year, month, day, hour, minute, second, dayOfWeek;
};

// Rounded to the second; false for a value outside the date range.
bool FieldsFromLinear(double linear, SFields& fields)
{
    if (!InDateRange(linear))
        return false;
    const long long seconds = std::llround(linear * kSecondsPerDay);
    long long days = seconds / 86400;
    long long secondOfDay = seconds % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    CivilFromDays(days - kUnixEpochDay, fields.year, fields.month, fields.day);
    fields.hour = static_cast<int>(secondOfDay / 3600);
    fields.minute = static_cast<int>(secondOfDay / 60 % 60);
    fields.second = static_cast<int>(secondOfDay % 60);
    // Day 0 was a Saturday.
    fields.dayOfWeek = static_cast<int>(((days % 7) + 7 + 6) % 7);
    return fields.year <= 9999;
}

COleDateTime MakeDate(double linear, COleDateTime::DateTimeStatus status)
{
    COleDateTime result;
    if (status == COleDateTime::valid && !InDateRange(linear))
        status = COleDateTime::invalid;
    result.m_dt = status == COleDateTime::valid ? OleFromLinear(SnapToMilliseconds(linear)) : 0.0;
    result.m_status = status;
    return result;
}

// Invalid wins over null, null over valid.
template <class A, class B>
COleDateTime::DateTimeStatus CombinedStatus(A first, B second)
{
    if (first == A::invalid || second == B::invalid)
        return COleDateTime::invalid;
    if (first == A::null || second == B::null)
        return COleDateTime::null;
    return COleDateTime::valid;
}

// A comparison holds only between two values of the same status.
template <class Compare>
bool SameStatusAnd(const COleDateTime& a, const COleDateTime& b, Compare compare)
{
    return a.m_status == b.m_status && compare(LinearFromOle(a.m_dt), LinearFromOle(b.m_dt));
}

template <class Compare>
bool SameStatusAnd(const COleDateTimeSpan& a, const COleDateTimeSpan& b, Compare compare)
{
    return a.GetStatus() == b.GetStatus() && compare(a.m_span, b.m_span);
}

COleDateTimeSpan MakeSpan(double days, COleDateTimeSpan::DateTimeSpanStatus status)
{
    COleDateTimeSpan result(days);
    if (status != COleDateTimeSpan::valid) {
        result.m_span = 0.0;
        result.SetStatus(status);
    }
    return result;
}

} // namespace

// ---------------------------------------------------------------- COleDateTime

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second)
{
    SetDateTime(year, month, day, hour, minute, second);
}

COleDateTime::COleDateTime(const SYSTEMTIME& time)
{
    SetDateTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
}

COleDateTime COleDateTime::Now()
{
    return FromTime64(g_clockSeam.now());
}

COleDateTime COleDateTime::FromTime64(__time64_t time)
{
    // A time that does not convert gives all-zero fields: an invalid date.
    return COleDateTime(LocalTimeFromTime64(time));
}

COleDateTime& COleDateTime::operator=(double date)
{
    m_dt = date;
    m_status = valid;
    return *this;
}

bool COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second)
{
    const bool fieldsExist = year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
                             day <= DaysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 &&
                             minute <= 59 && second >= 0 && second <= 59;
    if (!fieldsExist) {
        m_dt = 0.0;
        m_status = invalid;
        return false;
    }
    const double days = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
    const double linear = days + (hour * 3600 + minute * 60 + second) / kSecondsPerDay;
    *this = MakeDate(linear, valid);
    return true;
}

bool COleDateTime::GetAsSystemTime(SYSTEMTIME& time) const
{
    SFields fields = {};
    if (m_status != valid || !FieldsFromLinear(LinearFromOle(m_dt), fields))
        return false;
    time = SYSTEMTIME{};
    time.wYear = static_cast<WORD>(fields.year);
    time.wMonth = static_cast<WORD>(fields.month);
    time.wDayOfWeek = static_cast<WORD>(fields.dayOfWeek);
    time.wDay = static_cast<WORD>(fields.day);
    time.wHour = static_cast<WORD>(fields.hour);
    time.wMinute = static_cast<WORD>(fields.minute);
    time.wSecond = static_cast<WORD>(fields.second);
    return true;
}

namespace {

template <class Field>
int FieldOf(const COleDateTime& date, Field field)
{
    SYSTEMTIME time = {};
    return date.GetAsSystemTime(time) ? static_cast<int>(time.*field) : -1;
}

} // namespace

int COleDateTime::GetYear() const { return FieldOf(*this, &SYSTEMTIME::wYear); }
int COleDateTime::GetMonth() const { return FieldOf(*this, &SYSTEMTIME::wMonth); }
int COleDateTime::GetDay() const { return FieldOf(*this, &SYSTEMTIME::wDay); }
int COleDateTime::GetHour() const { return FieldOf(*this, &SYSTEMTIME::wHour); }
int COleDateTime::GetMinute() const { return FieldOf(*this, &SYSTEMTIME::wMinute); }
int COleDateTime::GetSecond() const { return FieldOf(*this, &SYSTEMTIME::wSecond); }

int COleDateTime::GetDayOfWeek() const
{
    const int weekday = FieldOf(*this, &SYSTEMTIME::wDayOfWeek);
    return weekday < 0 ? -1 : weekday + 1;
}

bool COleDateTime::operator==(const COleDateTime& other) const
{
    return SameStatusAnd(*this, other, std::equal_to<>());
}

bool COleDateTime::operator!=(const COleDateTime& other) const
{
    return SameStatusAnd(*this, other, std::not_equal_to<>());
}

bool COleDateTime::operator<(const COleDateTime& other) const
{
    return SameStatusAnd(*this, other, std::less<>());
}

bool COleDateTime::operator>(const COleDateTime& other) const
{
    return SameStatusAnd(*this, other, std::greater<>());
}

bool COleDateTime::operator<=(const COleDateTime& other) const
{
    return SameStatusAnd(*this, other, std::less_equal<>());
}

bool COleDateTime::operator>=(const COleDateTime& other) const
{
    return SameStatusAnd(*this, other, std::greater_equal<>());
}

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& span) const
{
    return MakeDate(LinearFromOle(m_dt) + span.m_span, CombinedStatus(m_status, span.GetStatus()));
}

COleDateTime COleDateTime::operator-(const COleDateTimeSpan& span) const
{
    return MakeDate(LinearFromOle(m_dt) - span.m_span, CombinedStatus(m_status, span.GetStatus()));
}

COleDateTime& COleDateTime::operator+=(const COleDateTimeSpan& span)
{
    return *this = *this + span;
}

COleDateTime& COleDateTime::operator-=(const COleDateTimeSpan& span)
{
    return *this = *this - span;
}

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& other) const
{
    const double days = SnapToMilliseconds(LinearFromOle(m_dt) - LinearFromOle(other.m_dt));
    return MakeSpan(days, static_cast<COleDateTimeSpan::DateTimeSpanStatus>(CombinedStatus(m_status, other.m_status)));
}

// ---------------------------------------------------------------- COleDateTimeSpan

COleDateTimeSpan::COleDateTimeSpan(double days) : m_span(days)
{
    if (!(std::fabs(days) <= kMaxDays)) {
        m_span = 0.0;
        m_status = invalid;
    }
}

COleDateTimeSpan::COleDateTimeSpan(long days, int hours, int minutes, int seconds)
{
    SetDateTimeSpan(days, hours, minutes, seconds);
}

void COleDateTimeSpan::SetDateTimeSpan(long days, int hours, int minutes, int seconds)
{
    *this = COleDateTimeSpan(days + hours / 24.0 + minutes / 1440.0 + seconds / kSecondsPerDay);
}

bool COleDateTimeSpan::operator==(const COleDateTimeSpan& other) const
{
    return SameStatusAnd(*this, other, std::equal_to<>());
}

bool COleDateTimeSpan::operator!=(const COleDateTimeSpan& other) const
{
    return SameStatusAnd(*this, other, std::not_equal_to<>());
}

bool COleDateTimeSpan::operator<(const COleDateTimeSpan& other) const
{
    return SameStatusAnd(*this, other, std::less<>());
}

bool COleDateTimeSpan::operator>(const COleDateTimeSpan& other) const
{
    return SameStatusAnd(*this, other, std::greater<>());
}

bool COleDateTimeSpan::operator<=(const COleDateTimeSpan& other) const
{
    return SameStatusAnd(*this, other, std::less_equal<>());
}

bool COleDateTimeSpan::operator>=(const COleDateTimeSpan& other) const
{
    return SameStatusAnd(*this, other, std::greater_equal<>());
}

COleDateTimeSpan COleDateTimeSpan::operator+(const COleDateTimeSpan& other) const
{
    const auto status = static_cast<DateTimeSpanStatus>(CombinedStatus(m_status, other.m_status));
    return MakeSpan(m_span + other.m_span, status);
}

COleDateTimeSpan COleDateTimeSpan::operator-(const COleDateTimeSpan& other) const
{
    const auto status = static_cast<DateTimeSpanStatus>(CombinedStatus(m_status, other.m_status));
    return MakeSpan(m_span - other.m_span, status);
}

COleDateTimeSpan COleDateTimeSpan::operator-() const
{
    return MakeSpan(-m_span, m_status);
}
