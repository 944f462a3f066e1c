// CStdStr and CStdStrA: formatting lengths, parts of the text, editing,
// comparison, string-table loading and narrow conversion.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "foundation/StdStr.h"

namespace {

constexpr UINT kPresentId = 60000;
constexpr UINT kMissingIdInPresentBlock = 60001;
constexpr UINT kNonAsciiId = 60002;
constexpr UINT kLongId = 60016;
constexpr UINT kMissingBlockId = 60032;

const wchar_t* AsId(UINT id)
{
    return MAKEINTRESOURCEW(id);
}

}  // namespace

// Each try formats into one more than its size; a cut goes on to the next
// size, an invalid format stops at once.
TEST(CStdStr, FormatKeepsWholeResultsUpToTheCap)
{
    for (const int length : { 2047, 2048, 2049, 3000, 43008, 50000 }) {
        const std::wstring text(static_cast<size_t>(length), L'q');
        CStdStr s;
        s.Format(L"%s", text.c_str());
        const size_t expected = length < CStdStr::kFormatMaxLength ? length : CStdStr::kFormatMaxLength;
        EXPECT_EQ(s.size(), expected) << length;
        EXPECT_EQ(s, text.substr(0, expected)) << length;

        CStdStrA narrow;
        narrow.Format("%*d", length, 1);
        EXPECT_EQ(narrow.size(), expected) << length;
    }
    CStdStr s(L"kept?");
    s.Format(L"%y %s", L"x");
    EXPECT_TRUE(s.empty());
}

TEST(CStdStr, FormatUsesTheFormatsOwnWidthForText)
{
    CStdStr wide;
    wide.Format(L"%s|%S|%I64d", L"w", "n", 1099511627776LL);
    EXPECT_EQ(wide, L"w|n|1099511627776");
    CStdStrA narrow;
    narrow.Format("%s|%S|%I64d", "n", L"w", -2LL);
    EXPECT_EQ(narrow, "n|w|-2");
}

TEST(CStdStr, FormatLogFontWritesEveryField)
{
    LOGFONTW font = {};
    font.lfHeight = -13;
    font.lfWeight = 700;
    font.lfItalic = 1;
    font.lfCharSet = 204;
    font.lfPitchAndFamily = 0x22;
    wcscpy(font.lfFaceName, L"Segoe UI");
    CStdStr text;
    text.FormatLogFont(font);
    EXPECT_EQ(text, L"-13,0,0,0,700,1,0,0,204,0,0,0,34,\"Segoe UI\"");
    std::fill(std::begin(font.lfFaceName), std::end(font.lfFaceName), L'F');  // no terminator
    text.FormatLogFont(font);
    EXPECT_EQ(text.MidFrom(text.Find(L'"')), L"\"" + std::wstring(LF_FACESIZE, L'F') + L"\"");
}

TEST(CStdStr, PartsClampEveryArgument)
{
    struct Case { int start, count; const wchar_t* expected; };
    const Case cases[] = {
        { -3, 2, L"ab" },         // negative start counts as 0
        { 2, -1, L"" },           // negative count is empty
        { 5, 10, L"fgh" },        // count cut at the end
        { 8, 1, L"" },            // start at the end
        { 9, 1, L"" },            // start past the end
        { 5, INT_MAX, L"fgh" },   // start + count overflows int
    };
    const CStdStr text(L"abcdefgh");
    for (const Case& c : cases)
        EXPECT_EQ(text.Mid(c.start, c.count), c.expected) << c.start << "," << c.count;
    EXPECT_EQ(text.Left(-3), L"");
    EXPECT_EQ(text.Left(99), L"abcdefgh");
    EXPECT_EQ(text.MidFrom(-5), L"abcdefgh");
    EXPECT_EQ(text.MidFrom(6), L"gh");
    EXPECT_EQ(text.MidFrom(INT_MAX), L"");
    EXPECT_EQ(CStdStrA("ab\r\ncd\r\n").FindCrLf(3), 6);
    EXPECT_EQ(CStdStrA("abcd").Mid(1, INT_MAX), "bcd");
}

TEST(CStdStr, ReplaceNeverSearchesInsertedText)
{
    struct Case { const wchar_t* text; const wchar_t* oldText; const wchar_t* newText; const wchar_t* expected; int count; };
    const Case cases[] = {
        { L"aaa", L"a", L"aa", L"aaaaaa", 3 },    // a search from the insert point would never end
        { L"aaaaa", L"aa", L"b", L"bba", 2 },
        { L"abcabc", L"bc", nullptr, L"aa", 2 },  // null new text is empty
        { L"abc", L"", L"x", L"abc", 0 },
        { L"abc", nullptr, L"x", L"abc", 0 },
        { L"abc", L"abcd", L"x", L"abc", 0 },
    };
    for (const Case& c : cases) {
        CStdStr s(c.text);
        EXPECT_EQ(s.Replace(c.oldText, c.newText), c.count) << c.text;
        EXPECT_EQ(s, c.expected) << c.text;
    }
    CStdStr own(L"xyx");
    EXPECT_EQ(own.Replace(L"y", own.c_str()), 1);  // new text inside the string itself
    EXPECT_EQ(own, L"xxyxx");
}

TEST(CStdStr, TrimUsesTheLocalesSpaceClass)
{
    struct Case { const wchar_t* text; const wchar_t* left; const wchar_t* right; const wchar_t* both; };
    const Case cases[] = {
        { L" \t\r\nab c\n ", L"ab c\n ", L" \t\r\nab c", L"ab c" },
        { L"\u00A0x\u3000", L"x\u3000", L"\u00A0x", L"x" },
        { L"\uFEFFx\uFEFF", L"\uFEFFx\uFEFF", L"\uFEFFx\uFEFF", L"\uFEFFx\uFEFF" },  // not a space
        { L"   ", L"", L"", L"" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CStdStr(c.text).TrimLeft(), c.left);
        EXPECT_EQ(CStdStr(c.text).TrimRight(), c.right);
        EXPECT_EQ(CStdStr(c.text).Trim(), c.both);
    }
}

TEST(CStdStr, AppendTextOfItsOwnMiddleWhileGrowing)
{
    CStdStr s(L"abcdef");
    s.shrink_to_fit();
    s.AppendText(s.c_str() + 2);
    EXPECT_EQ(s, L"abcdefcdef");
    std::wstring big(5000, L'z');
    CStdStr large(big.c_str());
    large.shrink_to_fit();
    large.AppendText(large.c_str() + 10);
    EXPECT_EQ(large.size(), 9990u);
    EXPECT_EQ(large.find_first_not_of(L'z'), std::wstring::npos);
}

TEST(CStdStr, ConcatenationAndNarrowHelpers)
{
    const CStdStr name(L"name");
    EXPECT_EQ(L"<" + name + L">", L"<name>");
    EXPECT_EQ(name + name, L"namename");
    EXPECT_EQ(CStdStr::ConcatBangAndString(name), L"!name");
    CStdStr wide(L"x");
    wide.AppendNarrow("yz").AppendNarrowString(std::string("1"));
    EXPECT_EQ(wide, L"xyz1");
    EXPECT_EQ(wide.AssignNarrowString(std::string("q")), L"q");
    CStdStrA xml("<NOTES>");
    EXPECT_EQ(xml.AppendNotesEndTag(), "<NOTES></NOTES>");
    EXPECT_EQ(CStdStrA("QLSEND").ConcatStringAndCrLf(), "QLSEND\r\n");
}

// A compare that stops at the end of the first text without comparing the
// terminators makes "PC1" equal "PC10": a new host overwrites another's entry.
TEST(CStdStr, CompareNoCaseClassicIncludesTheTerminators)
{
    struct Case { const wchar_t* a; const wchar_t* b; bool equal; };
    const Case cases[] = {
        { L"Note", L"NOTE", true },
        { L"PC1", L"PC10", false },
        { L"PC10", L"PC1", false },
        { L"", L"x", false },
        { L"x", L"", false },
        { L"\u00C9", L"\u00E9", false },  // the classic locale folds ASCII only
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareNoCaseClassic(c.a, c.b) == 0, c.equal) << c.a << "|" << c.b;
        EXPECT_EQ(CompareNoCaseClassic(CStdStr(c.a), c.b) == 0, c.equal) << c.a << "|" << c.b;
    }
    EXPECT_EQ(CompareNoCaseClassic(L"a", L"b"), 0xFFFF);  // unsigned 16-bit difference
    EXPECT_EQ(CompareNoCaseClassic("PC1", "pc10") == 0, false);
    EXPECT_EQ(CompareNoCaseClassic(CStdStrA("Host"), "hOST"), 0);
}

TEST(CStdStr, LoadFromTheProgramsStringTable)
{
    struct Case { UINT id; bool loaded; const wchar_t* expected; };
    const Case cases[] = {
        { kPresentId, true, L"Present entry" },
        { kMissingBlockId, false, L"before" },
        { kMissingIdInPresentBlock, false, L"before" },  // unchanged, not emptied
        { kNonAsciiId, true, L"Caf\u00E9" },
    };
    for (const Case& c : cases) {
        CStdStr s(L"before");
        EXPECT_EQ(s.Load(c.id), c.loaded) << c.id;
        EXPECT_EQ(s, c.expected) << c.id;
    }
    CStdStr longEntry;
    ASSERT_TRUE(longEntry.Load(kLongId));
    EXPECT_EQ(longEntry.size(), 300u);
    EXPECT_EQ(longEntry.Mid(296, 4), L"klmn");

    CStdStrA narrow("before");
    EXPECT_TRUE(narrow.Load(kNonAsciiId));
    EXPECT_EQ(narrow, "Caf\xE9");  // the ANSI code page
    EXPECT_FALSE(narrow.Load(kMissingIdInPresentBlock));
    EXPECT_EQ(narrow, "Caf\xE9");
}

TEST(CStdStr, ConstructFromTextOrId)
{
    EXPECT_EQ(CStdStr::ConstructFromTextOrId(nullptr), L"");
    EXPECT_EQ(CStdStr::ConstructFromTextOrId(AsId(kPresentId)), L"Present entry");
    EXPECT_EQ(CStdStr::ConstructFromTextOrId(AsId(kMissingIdInPresentBlock)), L"");
    EXPECT_EQ(CStdStr::ConstructFromTextOrId(L"plain text"), L"plain text");
}

// Under the "C" locale a narrow byte is the character of the same value, both
// ways; the ANSI code page plays no part.
TEST(CStdStr, NarrowConversionIsByteForCharacter)
{
    std::string bytes;
    std::wstring characters;
    for (int value = 0x80; value <= 0xFF; ++value) {
        bytes += static_cast<char>(value);
        characters += static_cast<wchar_t>(value);
    }
    EXPECT_EQ(CStdStr(bytes.c_str()), characters);
    EXPECT_EQ(CStdStr(bytes), characters);
    EXPECT_EQ(CStdStr().AssignNarrow(bytes.c_str()), characters);
    EXPECT_EQ(CStdStrA(characters.c_str()), bytes);

    char dest[8];
    std::memset(dest, '#', sizeof dest);
    EXPECT_EQ(WideToNarrowCodecvt(dest, 8, L"a\u20ACb", -1, std::locale::classic()), 1);
    EXPECT_STREQ(dest, "a");  // stops at the first character it cannot convert
    EXPECT_EQ(WideToNarrowCodecvt(dest, 3, L"abcdef", 6, std::locale::classic()), 2);
    EXPECT_STREQ(dest, "ab");  // cut and terminated within the destination
    dest[0] = '#';
    EXPECT_EQ(WideToNarrowCodecvt(dest, 0, L"abc", 3, std::locale::classic()), 0);
    EXPECT_EQ(dest[0], '#');  // length 0 writes nothing
}
