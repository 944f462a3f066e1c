// Dates and spans: statuses in comparisons and arithmetic, calendar checks,
// the span bounds and the continuous order of dates before 1900.
#include "framework/OleDateTime.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

COleDateTime Invalid()
{
    COleDateTime date(46000.0);
    date.SetStatus(COleDateTime::invalid);
    return date;
}

COleDateTime Null()
{
    COleDateTime date(46000.0);
    date.SetStatus(COleDateTime::null);
    return date;
}

TEST(COleDateTime, ComparisonsHoldOnlyBetweenEqualStatuses)
{
    const COleDateTime early(100.0);
    const COleDateTime late(46000.0);
    // An invalid date is never past, never future, never equal to a valid one.
    const COleDateTime others[] = {Invalid(), Null()};
    for (const COleDateTime& other : others) {
        EXPECT_FALSE(early < other);
        EXPECT_FALSE(early > other);
        EXPECT_FALSE(early <= other);
        EXPECT_FALSE(early >= other);
        EXPECT_FALSE(late == other);
        EXPECT_FALSE(late != other);
        EXPECT_FALSE(other < late);
        EXPECT_FALSE(other > early);
    }
    EXPECT_TRUE(early < late);
    EXPECT_TRUE(late >= early);
    EXPECT_TRUE(late != early);
    EXPECT_TRUE(Invalid() == Invalid());
}

TEST(COleDateTime, CalendarFieldsMustExist)
{
    struct Case {
        int year, month, day, hour, minute, second;
        bool valid;
    };
    const Case cases[] = {
        {2027, 2, 29, 0, 0, 0, false},    // no leap day: must not roll over to 1 March
        {2028, 2, 29, 0, 0, 0, true},
        {1900, 2, 29, 0, 0, 0, false},    // century year without a leap day
        {2000, 2, 29, 0, 0, 0, true},
        {2026, 4, 31, 9, 0, 0, false},
        {2026, 13, 1, 0, 0, 0, false},
        {2026, 1, 1, 24, 0, 0, false},
        {2026, 1, 1, 23, 60, 0, false},
        {2026, 1, 1, 23, 59, 60, false},
        {99, 12, 31, 0, 0, 0, false},     // before the first OLE year
        {10000, 1, 1, 0, 0, 0, false},
        {100, 1, 1, 0, 0, 0, true},
        {9999, 12, 31, 23, 59, 59, true},
    };
    for (const Case& c : cases) {
        const COleDateTime date(c.year, c.month, c.day, c.hour, c.minute, c.second);
        EXPECT_EQ(date.IsValid(), c.valid) << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":"
                                           << c.minute << ":" << c.second;
        SYSTEMTIME time = {};
        EXPECT_EQ(date.GetAsSystemTime(time), c.valid);
        if (c.valid) {
            EXPECT_EQ(time.wYear, c.year);
            EXPECT_EQ(time.wMonth, c.month);
            EXPECT_EQ(time.wDay, c.day);
            EXPECT_EQ(time.wHour, c.hour);
            EXPECT_EQ(time.wMinute, c.minute);
            EXPECT_EQ(time.wSecond, c.second);
        }
    }
}

TEST(COleDateTime, KnownDaysAndWeekdays)
{
    EXPECT_DOUBLE_EQ(COleDateTime(1899, 12, 30, 0, 0, 0).m_dt, 0.0);
    EXPECT_DOUBLE_EQ(COleDateTime(1970, 1, 1, 0, 0, 0).m_dt, 25569.0);
    EXPECT_DOUBLE_EQ(COleDateTime(2026, 3, 20, 18, 0, 0).m_dt, 46101.75);
    EXPECT_EQ(COleDateTime(1899, 12, 30, 0, 0, 0).GetDayOfWeek(), 7);   // a Saturday
    EXPECT_EQ(COleDateTime(2026, 12, 25, 0, 0, 0).GetDayOfWeek(), 6);   // a Friday
    EXPECT_EQ(Invalid().GetDayOfWeek(), -1);
    // Before day 0 the fraction still counts forward from midnight.
    const COleDateTime before(1899, 12, 29, 6, 0, 0);
    EXPECT_DOUBLE_EQ(before.m_dt, -1.25);
    EXPECT_EQ(before.GetHour(), 6);
}

TEST(COleDateTime, ArithmeticAcrossDayZeroIsContinuous)
{
    const COleDateTime evening(1899, 12, 29, 18, 0, 0);   // -1.75
    const COleDateTime morning(1899, 12, 30, 6, 0, 0);    // 0.25
    EXPECT_TRUE(evening < morning);
    EXPECT_DOUBLE_EQ((morning - evening).GetTotalHours(), 12.0);
    EXPECT_EQ(evening + COleDateTimeSpan(0, 12, 0, 0), morning);
    EXPECT_EQ(morning - COleDateTimeSpan(0, 12, 0, 0), evening);
}

TEST(COleDateTime, DateMinusDateAndRepeatedSteps)
{
    const COleDateTime start(2026, 3, 20, 10, 0, 0);
    const COleDateTime end(2026, 3, 22, 16, 30, 15);
    const COleDateTimeSpan span = end - start;
    EXPECT_TRUE(span.IsValid());
    EXPECT_DOUBLE_EQ(span.GetTotalSeconds(), 2 * 86400 + 6 * 3600 + 30 * 60 + 15);
    EXPECT_EQ(start + span, end);

    // Five single hours land exactly where five hours do.
    COleDateTime stepped = start;
    for (int i = 0; i < 5; ++i)
        stepped += COleDateTimeSpan(0, 1, 0, 0);
    EXPECT_EQ(stepped, start + COleDateTimeSpan(0, 5, 0, 0));
    EXPECT_EQ(stepped, COleDateTime(2026, 3, 20, 15, 0, 0));
}

TEST(COleDateTime, ArithmeticCarriesStatuses)
{
    const COleDateTimeSpan hour(0, 1, 0, 0);
    EXPECT_EQ((Invalid() + hour).GetStatus(), COleDateTime::invalid);
    EXPECT_EQ((Null() + hour).GetStatus(), COleDateTime::null);
    EXPECT_EQ((Invalid() - COleDateTime(1.0)).GetStatus(), COleDateTimeSpan::invalid);
    // Leaving the calendar makes an invalid date.
    EXPECT_FALSE((COleDateTime(9999, 12, 31, 23, 0, 0) + COleDateTimeSpan(1, 0, 0, 0)).IsValid());
    EXPECT_FALSE((COleDateTime(100, 1, 1, 0, 0, 0) - hour).IsValid());
    EXPECT_FALSE((COleDateTime(std::nan("")) + hour).IsValid());
    COleDateTime date(46000.0);
    date += COleDateTimeSpan(1e9);
    EXPECT_FALSE(date.IsValid());
}

TEST(COleDateTimeSpan, BoundsAndStatuses)
{
    struct Case {
        double days;
        bool valid;
    };
    const Case cases[] = {
        {3615897.0, true},
        {-3615897.0, true},
        {3615897.5, false},
        {-3615898.0, false},
        {std::nan(""), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(COleDateTimeSpan(c.days).IsValid(), c.valid) << c.days;
    EXPECT_FALSE(COleDateTimeSpan(3615897, 1, 0, 0).IsValid());
    EXPECT_DOUBLE_EQ(COleDateTimeSpan(1, 12, 30, 36).GetTotalDays(), 1.5 + 30.0 / 1440 + 36.0 / 86400);
    EXPECT_DOUBLE_EQ(COleDateTimeSpan(0, 0, 90, 0).GetTotalMinutes(), 90.0);

    COleDateTimeSpan invalid(1e9);
    EXPECT_FALSE(invalid < COleDateTimeSpan(1.0));
    EXPECT_FALSE(invalid > COleDateTimeSpan(1.0));
    EXPECT_FALSE((invalid + COleDateTimeSpan(1.0)).IsValid());
    EXPECT_TRUE(COleDateTimeSpan(-1.0) < COleDateTimeSpan(1.0));
    EXPECT_EQ(-COleDateTimeSpan(2.0), COleDateTimeSpan(-2.0));
}

} // namespace

namespace {

TEST(COleDateTime, FromTime64IsLocalTimeOrInvalid)
{
    // The tests run with TZ=UTC.
    EXPECT_EQ(COleDateTime::FromTime64(1774958400), COleDateTime(2026, 3, 31, 12, 0, 0));
    EXPECT_EQ(COleDateTime::FromTime64(0), COleDateTime(1970, 1, 1, 0, 0, 0));
    // The C runtime refuses times before 1970.
    EXPECT_EQ(COleDateTime::FromTime64(-1).GetStatus(), COleDateTime::invalid);
}

}  // namespace
