// The one formatter: Microsoft format rules in both widths, and cut and
// invalid formats told apart.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "foundation/TextFormat.h"

namespace {

template <class C, class... Args>
std::basic_string<C> Formatted(const C* format, const Args&... args)
{
    C buffer[256];
    const int length = FormatText(buffer, 256, format, args...);
    EXPECT_GE(length, 0) << "format failed";
    return length < 0 ? std::basic_string<C>() : std::basic_string<C>(buffer, static_cast<size_t>(length));
}

enum class Colour : char { Red = 3 };

}  // namespace

// These formats compile just as well under the C99 rules, where each row gives
// something else: only the results show which rules are in force.
TEST(TextFormat, WideFormatFollowsMicrosoftRules)
{
    const std::pair<std::wstring, std::wstring> cases[] = {
        { Formatted(L"[%s]", L"wide"), L"[wide]" },            // C99: "%s" narrow
        { Formatted(L"[%S]", "narrow"), L"[narrow]" },
        { Formatted(L"[%hs|%ls]", "narrow", L"wide"), L"[narrow|wide]" },
        { Formatted(L"%c%C", L'W', 'n'), L"Wn" },
        { Formatted(L"%I64d|%lld", 1099511627776LL, -5LL), L"1099511627776|-5" },
        { Formatted(L"%Iu|%d", static_cast<size_t>(4294967296ULL), 7), L"4294967296|7" },
        { Formatted(L"%.2f|%e", 3.14159, 1.5), L"3.14|1.500000e+000" },
        { Formatted(L"%p", reinterpret_cast<void*>(0xABCD)), L"000000000000ABCD" },
        { Formatted(L"%d|%s", Colour::Red, L"next"), L"3|next" },  // enum in its own slot
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.first, c.second);
}

TEST(TextFormat, NarrowFormatFollowsMicrosoftRules)
{
    const std::pair<std::string, std::string> cases[] = {
        { Formatted("[%s|%S]", "narrow", L"wide"), "[narrow|wide]" },
        { Formatted("[%hs|%ls]", "narrow", L"wide"), "[narrow|wide]" },
        { Formatted("%c%C", 'n', L'W'), "nW" },
        { Formatted("%I64d|%Iu", -1099511627776LL, static_cast<size_t>(5)), "-1099511627776|5" },
        { Formatted("%.2f|%e", 3.14159, 1.5), "3.14|1.500000e+000" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.first, c.second);
}

template <class C>
void CheckCutAndInvalid(const C* fits, const C* cut, const C* unknown, const C* trailing, const C* count)
{
    C buffer[5];
    EXPECT_EQ(FormatText(buffer, 5, fits), 4);  // exactly size - 1 fits
    EXPECT_EQ(FormatText(buffer, 5, cut), kFormatCut);
    EXPECT_EQ(std::basic_string<C>(buffer), std::basic_string<C>(fits));  // cut text kept, terminated
    int written = 0;
    for (const C* bad : { unknown, trailing, count }) {
        buffer[0] = 'x';
        EXPECT_EQ(FormatText(buffer, 5, bad, &written), kFormatInvalid);
        EXPECT_EQ(buffer[0], 0);
    }
    EXPECT_EQ(written, 0);  // "%n" never writes through its argument
}

TEST(TextFormat, CutAndInvalidFormatsAreToldApart)
{
    CheckCutAndInvalid(L"abcd", L"abcde", L"%y", L"ab%", L"ab%n");
    CheckCutAndInvalid("abcd", "abcde", "%y", "ab%", "ab%-3n");
}
