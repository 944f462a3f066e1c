// Shell services below the shell: date and time texts.
#include <gtest/gtest.h>

#include <cwchar>

#include "foundation/ShellServices.h"

TEST(DateText, OleDatesInTheUsersLocaleAndEmptyWhenTheyCanNotBeShown)
{
    const double midday = 45000.5;  // 15 March 2023, 12:00
    struct Case {
        void (*format)(double, wchar_t*, int);
        double date;
        int size;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {&FormatDateShort, midday, 64, L"3/15/2023"},
        {&FormatDateLong, midday, 64, L"Wednesday, March 15, 2023"},
        {&FormatTimeShort, midday, 64, L"12:00 PM"},
        {&FormatDateShort, midday, 4, L""},        // too small: nothing half-written
        {&FormatTimeShort, 1.0e10, 64, L""},       // beyond the calendar
        {&FormatDateLong, -1.0e10, 64, L""},
    };
    for (const Case& c : cases) {
        wchar_t text[64];
        wmemset(text, L'#', 64);
        c.format(c.date, text, c.size);
        EXPECT_STREQ(text, c.expected) << c.date << " " << c.size;
    }
    wchar_t untouched[2] = {L'#', L'\0'};
    FormatDateShort(midday, untouched, 0);
    EXPECT_STREQ(untouched, L"#") << "no room: nothing written";
}
