// Dates and spans as OLE automation dates: days since 30 December 1899 as a
// double (the fraction is the time of day), each with a status. Notes and
// alarms keep their dates in this form, in local time.
//
// Comparisons are true only between two values of the same status, so an
// invalid date is never earlier or later than a valid one. Arithmetic on an
// invalid or null operand gives an invalid or null result; a result outside
// 1 January 100 .. 31 December 9999 is invalid. Results are kept on the
// millisecond grid, so that adding one hour five times equals adding five hours.
#pragma once

#include <windows.h>

#include <cstdint>

class COleDateTimeSpan;

class COleDateTime {
public:
    enum DateTimeStatus : std::int32_t { valid = 0, invalid = 1, null = 2 };

    COleDateTime() = default;
    explicit COleDateTime(double date) : m_dt(date) {}
    COleDateTime(int year, int month, int day, int hour, int minute, int second);
    explicit COleDateTime(const SYSTEMTIME& time);

    // The clock seam's "now" in the C runtime's local time.
    static COleDateTime Now();
    // A calendar time in local time; invalid when it cannot be converted.
    static COleDateTime FromTime64(__time64_t time);

    COleDateTime& operator=(double date);

    // Invalid, and the value 0.0, when a field is out of range or the day does
    // not exist in that month.
    bool SetDateTime(int year, int month, int day, int hour, int minute, int second);
    void SetStatus(DateTimeStatus status) { m_status = status; }
    DateTimeStatus GetStatus() const { return m_status; }
    bool IsValid() const { return m_status == valid; }

    // Rounded to the second; false for a date that is not valid or out of range.
    bool GetAsSystemTime(SYSTEMTIME& time) const;
    // Calendar fields; -1 when the date cannot be converted.
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    // 1 = Sunday .. 7 = Saturday.
    int GetDayOfWeek() const;

    bool operator==(const COleDateTime& other) const;
    bool operator!=(const COleDateTime& other) const;
    bool operator<(const COleDateTime& other) const;
    bool operator>(const COleDateTime& other) const;
    bool operator<=(const COleDateTime& other) const;
    bool operator>=(const COleDateTime& other) const;

    COleDateTime operator+(const COleDateTimeSpan& span) const;
    COleDateTime operator-(const COleDateTimeSpan& span) const;
    COleDateTime& operator+=(const COleDateTimeSpan& span);
    COleDateTime& operator-=(const COleDateTimeSpan& span);
    COleDateTimeSpan operator-(const COleDateTime& other) const;

    // Stored as is: a record column maps this double.
    double m_dt = 0.0;
    DateTimeStatus m_status = valid;
};

class COleDateTimeSpan {
public:
    enum DateTimeSpanStatus : std::int32_t { valid = 0, invalid = 1, null = 2 };

    // Beyond this many days either way a span is invalid.
    static constexpr double kMaxDays = 3615897.0;

    COleDateTimeSpan() = default;
    explicit COleDateTimeSpan(double days);
    COleDateTimeSpan(long days, int hours, int minutes, int seconds);

    void SetDateTimeSpan(long days, int hours, int minutes, int seconds);
    void SetStatus(DateTimeSpanStatus status) { m_status = status; }
    DateTimeSpanStatus GetStatus() const { return m_status; }
    bool IsValid() const { return m_status == valid; }

    double GetTotalDays() const { return m_span; }
    double GetTotalHours() const { return m_span * 24.0; }
    double GetTotalMinutes() const { return m_span * 24.0 * 60.0; }
    double GetTotalSeconds() const { return m_span * 24.0 * 60.0 * 60.0; }

    bool operator==(const COleDateTimeSpan& other) const;
    bool operator!=(const COleDateTimeSpan& other) const;
    bool operator<(const COleDateTimeSpan& other) const;
    bool operator>(const COleDateTimeSpan& other) const;
    bool operator<=(const COleDateTimeSpan& other) const;
    bool operator>=(const COleDateTimeSpan& other) const;

    COleDateTimeSpan operator+(const COleDateTimeSpan& other) const;
    COleDateTimeSpan operator-(const COleDateTimeSpan& other) const;
    COleDateTimeSpan operator-() const;

    double m_span = 0.0;
    DateTimeSpanStatus m_status = valid;
};
