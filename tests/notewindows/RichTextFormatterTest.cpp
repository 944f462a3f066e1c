// Measuring rich text through the formatter: more lines measure taller, a
// narrower rectangle wraps into more lines, pagination always progresses to
// the end, and a range that cannot fit fails instead of looping.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <string>
#include <vector>

#include "framework/Library.h"
#include "notewindows/RichTextFormatter.h"
#include "toolkit/AlphaNotifierWnd.h"

namespace {

constexpr int kTwipsPerInch = 1440;

class RichTextFormatterTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library);
        ASSERT_TRUE(GetFormatterParent());
        // A measuring control, made where measuring controls are made.
        m_editor = CreateWindowExW(0, MSFTEDIT_CLASS, L"", WS_CHILD | ES_MULTILINE, 0, 0, 300, 100,
                                   GetFormatterParent(), nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_editor);
    }
    void TearDown() override { DestroyWindow(m_editor); }

    void SetText(const std::wstring& text) const { SetWindowTextW(m_editor, text.c_str()); }

    LONG Length() const
    {
        GETTEXTLENGTHEX length = {GTL_DEFAULT | GTL_NUMCHARS, 1200};
        return static_cast<LONG>(SendMessageW(m_editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
    }

    // A rectangle of that many pixels, in twips of the control's device.
    RECT Twips(HDC dc, int width, int height) const
    {
        return {0, 0, MulDiv(width, kTwipsPerInch, GetDeviceCaps(dc, LOGPIXELSX)),
                MulDiv(height, kTwipsPerInch, GetDeviceCaps(dc, LOGPIXELSY))};
    }

    SFormatRangeResult Measure(int width, int height, LONG first = 0) const
    {
        const CWindowDC dc(m_editor, false);
        SFormatRangeResult result;
        EXPECT_TRUE(FormatRange(m_editor, dc.Get(), nullptr, Twips(dc.Get(), width, height), first, -1, result));
        ReleaseCache(m_editor);
        return result;
    }

    const CLibrary m_library{LoadLibraryW(L"Msftedit.dll")};
    HWND m_editor = nullptr;
};

std::wstring Lines(int count)
{
    std::wstring text;
    for (int line = 0; line < count; ++line)
        text += line ? L"\rline" : L"line";
    return text;
}

} // namespace

TEST_F(RichTextFormatterTest, MoreLinesMeasureTaller)
{
    SetText(Lines(1));
    const SFormatRangeResult one = Measure(300, 2000);
    EXPECT_EQ(one.next, Length());
    SetText(Lines(5));
    const SFormatRangeResult five = Measure(300, 2000);
    EXPECT_EQ(five.next, Length());
    EXPECT_GT(one.height, 0);
    EXPECT_GE(five.height, 4 * one.height);
}

TEST_F(RichTextFormatterTest, NarrowerRectangleWrapsTaller)
{
    SetText(L"words that wrap when the rectangle is narrow words that wrap when the rectangle is narrow");
    const SFormatRangeResult wide = Measure(1000, 2000);
    const SFormatRangeResult narrow = Measure(80, 2000);
    EXPECT_EQ(narrow.next, Length());
    EXPECT_GT(narrow.height, wide.height);
}

TEST_F(RichTextFormatterTest, PagesProgressToTheEnd)
{
    SetText(Lines(9));
    const LONG length = Length();
    const int lineHeight = Measure(300, 2000).height / 9;
    const CWindowDC dc(m_editor, false);
    // About two and a half lines a page.
    const RECT page = {0, 0, Twips(dc.Get(), 300, 0).right, lineHeight * 5 / 2};
    std::vector<LONG> starts = {0};
    SFormatRangeResult result;
    while (starts.back() < length && starts.size() < 20) {
        ASSERT_TRUE(FormatRange(m_editor, dc.Get(), nullptr, page, starts.back(), -1, result));
        ASSERT_GT(result.next, starts.back());
        EXPECT_LE(result.height, page.bottom);
        starts.push_back(result.next);
    }
    ReleaseCache(m_editor);
    EXPECT_EQ(starts.back(), length);
    EXPECT_GE(starts.size(), 5u);  // 9 lines, at most 2 to a page
}

TEST_F(RichTextFormatterTest, RangeThatCannotFitFailsAndAnEmptyOneIsDone)
{
    SetText(Lines(3));
    const CWindowDC dc(m_editor, false);
    SFormatRangeResult result;
    // No line is one twip high: nothing fits, and the caller's loop must end.
    EXPECT_FALSE(FormatRange(m_editor, dc.Get(), nullptr, {0, 0, 4000, 1}, 0, -1, result));
    EXPECT_TRUE(FormatRange(m_editor, dc.Get(), nullptr, {0, 0, 4000, 4000}, Length(), -1, result));
    EXPECT_EQ(result.next, Length());
    EXPECT_EQ(result.height, 0);
    ReleaseCache(m_editor);
}
