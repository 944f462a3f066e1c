// The rich-text check: what it refuses and lets through, and that a real
// control is never handed what it refuses, while every script a user writes
// passes and comes back as it went.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <string>

#include "foundation/Seams.h"
#include "notewindows/RichEditCtrl.h"
#include "notewindows/RtfSafety.h"
#include "tests/support/ScopedUiScript.h"

namespace {

const RECT kArea = { 0, 0, 300, 300 };

CStdStr Chars(size_t count, wchar_t c)
{
    return CStdStr(std::wstring(count, c));
}

CStdStr Nested(size_t depth, const wchar_t* group = L"{")
{
    CStdStr rtf = L"{\\rtf1\\ansi ";
    for (size_t i = 1; i < depth; ++i)
        rtf += group;
    rtf += L"x";
    for (size_t i = 1; i < depth; ++i)
        rtf += L"}";
    return rtf + L"}";
}

CStdStr Repeated(const wchar_t* piece, size_t count, const wchar_t* every60 = nullptr)
{
    CStdStr rtf = L"{\\rtf1\\ansi ";
    for (size_t i = 0; i < count; ++i) {
        rtf += piece;
        if (every60 && i % 60 == 59)
            rtf += every60;
    }
    return rtf + L"}";
}

CStdStr Wrapped(const CStdStr& body)
{
    return L"{\\rtf1\\ansi " + body + L" x}";
}

struct SCheckCase {
    const char* what;
    CStdStr rtf;
    ERtfCheck expected;
};

// The hostile texts, and their harmless neighbours just inside each bound.
std::vector<SCheckCase> CheckCases()
{
    const CStdStr hexFlood = Repeated(L"\\'ff", 64 * 1024 / 4);
    return {
        { "depth bound - 1", Nested(kMaxRtfDepth - 1), ERtfCheck::safe },
        { "depth bound", Nested(kMaxRtfDepth), ERtfCheck::safe },
        { "depth bound + 1", Nested(kMaxRtfDepth + 1), ERtfCheck::tooDeep },
        { "depth 10,000", Nested(10000, L"{\\b "), ERtfCheck::tooDeep },
        { "depth 100,000 never closed", Repeated(L"{", 100000), ERtfCheck::tooDeep },
        // closed groups give their depth back
        { "many shallow groups", Repeated(L"{\\b x}", 5000, L"\\par "), ERtfCheck::safe },
        // escaped braces are no groups
        { "escaped braces", Repeated(L"\\{", 100), ERtfCheck::safe },
        { "unbalanced closes", L"{\\rtf1 }}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}} x", ERtfCheck::safe },
        { "32-letter word", Wrapped(L"\\" + Chars(32, L'a')), ERtfCheck::safe },
        { "33-letter word", Wrapped(L"\\" + Chars(33, L'a')), ERtfCheck::longWord },
        { "1 MB control word", Wrapped(L"\\" + Chars(1024 * 1024, L'a')), ERtfCheck::longWord },
        { "10-digit parameter and sign", Wrapped(L"\\fs-1234567890"), ERtfCheck::safe },
        { "11-digit parameter", Wrapped(L"\\fs12345678901"), ERtfCheck::longParameter },
        { "32,764-digit parameter", Wrapped(L"\\fs" + Chars(32764, L'1')), ERtfCheck::longParameter },
        { "64 KB of \\'ff", hexFlood, ERtfCheck::longParagraph },
        { "64 KB of \\u-1?", Repeated(L"\\u-1?", 64 * 1024 / 5), ERtfCheck::longParagraph },
        { "64 KB of letters", Repeated(L"a", 64 * 1024), ERtfCheck::longParagraph },
        { "a paragraph at the bound", Repeated(L"\\u20013?", kMaxRtfParagraphLength), ERtfCheck::safe },
        { "a paragraph over the bound", Repeated(L"\\'e9", kMaxRtfParagraphLength + 1), ERtfCheck::longParagraph },
        // the same floods in short paragraphs are ordinary text
        { "64 KB of \\'ff in paragraphs", Repeated(L"\\'ff", 64 * 1024 / 4, L"\\par "), ERtfCheck::safe },
        { "64 KB of \\u-1? in lines", Repeated(L"\\u-1?", 64 * 1024 / 5, L"\\\r\n"), ERtfCheck::safe },
        // a picture's data and the tables are no paragraph text
        { "a 1 MB picture", Wrapped(L"{\\pict\\dibitmap0 " + Chars(1024 * 1024, L'f') + L"}"), ERtfCheck::safe },
        { "a long skipped group", Wrapped(L"{\\*\\generator " + Chars(10000, L'g') + L"}"), ERtfCheck::safe },
        // but the document itself is never a skipped group
        { "\\* in the document", Wrapped(L"\\*" + Chars(10000, L'g')), ERtfCheck::longParagraph },
        { "\\* after text", Wrapped(L"{x\\*" + Chars(10000, L'g') + L"}"), ERtfCheck::longParagraph },
        { "malformed hex", Wrapped(L"\\'zz\\'\\'4"), ERtfCheck::safe },
        { "\\bin with a huge count", Wrapped(L"\\bin999999999 {}"), ERtfCheck::safe },
        { "\\bin with a long count", Wrapped(L"\\bin" + Chars(20, L'9')), ERtfCheck::longParameter },
        { "a backslash at the end", L"{\\rtf1 x\\", ERtfCheck::safe },
        { "no rich text", Chars(100000, L'{'), ERtfCheck::safe },
    };
}

TEST(RtfCheck, RefusesWhatTheControlCannotSurviveAndNothingElse)
{
    for (const SCheckCase& c : CheckCases())
        EXPECT_EQ(CheckRtf(c.rtf), c.expected) << c.what;
    EXPECT_EQ(DescribeRtfCheck(ERtfCheck::tooDeep), L"nests deeper than 24 groups");
}

// A hidden control as the note path makes them.
struct PlainControl : CRichEditCtrl50WT {
    PlainControl()
    {
        EXPECT_TRUE(CreatePlain(nullptr, kArea));
        SetTextMode(TM_RICHTEXT | TM_MULTICODEPAGE);
    }

    CStdStr Plain() const
    {
        CStdStr text;
        EXPECT_TRUE(StreamOutText(text, false, false));
        return text;
    }
};

// Every case goes into a real control and into the converter: the process
// lives through it, and what was refused never reached either.
TEST(RtfCheck, ARealControlIsNeverHandedWhatIsRefused)
{
    const CModalWatchdog watchdog(120000);
    for (const SCheckCase& c : CheckCases()) {
        if (c.rtf.compare(0, 5, L"{\\rtf") != 0)
            continue;
        PlainControl control;
        const CLogCapture log;
        const LRESULT read = control.StreamInText(c.rtf, true, false);
        const CStdStr converted = RtfToPlainText(c.rtf);
        if (c.expected == ERtfCheck::safe)
            continue;
        EXPECT_EQ(read, 0) << c.what;
        EXPECT_EQ(control.GetTextLengthEx(), 0) << c.what;
        EXPECT_EQ(converted, L"") << c.what;
        const CStdStr line = L"Rich text of " + std::to_wstring(c.rtf.size()) + L" characters not loaded: it " +
                             DescribeRtfCheck(c.expected);
        EXPECT_TRUE(log.Contains(line)) << c.what;
    }
    PlainControl control;
    EXPECT_GT(control.StreamInText(Nested(kMaxRtfDepth), true, false), 0);
    EXPECT_EQ(control.Plain(), L"x");
}

// What a user writes in any script passes the check on its way into the
// editor and comes back as it went.
TEST(RtfCheck, EveryScriptPassesAndComesBackAsItWent)
{
    const CStdStr scripts[] = {
        L"Zażółć gęślą jaźń",              // Polish
        L"Işık ılık süt iç, ĞÜŞİÖÇ",        // Turkish
        L"Tiếng Việt có dấu: ắằẳẵặ",        // Vietnamese
        L"Ξεσκεπάζω την ψυχοφθόρα βδελυγμία",  // Greek
        L"Съешь же ещё этих мягких булок",  // Cyrillic
        L"中文字符，日本語のかな、한국어",  // CJK
        L"emoji \U0001F600\U0001F9D1\u200D\U0001F4BB end",
        // a long paragraph of escapes within the bound
        L"long " + Chars(3000, L'\u00E9'),
    };
    CStdStr rtf = L"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\pard ";
    CStdStr plain;
    for (const CStdStr& script : scripts) {
        rtf += L"{\\b " + script + L"}\\par ";
        plain += script + L"\r\n";
    }
    rtf += L"}";
    ASSERT_EQ(CheckRtf(rtf), ERtfCheck::safe);

    PlainControl editor;
    ASSERT_GT(editor.StreamInText(rtf, true, false), 0);
    EXPECT_EQ(editor.Plain() + L"\r\n", plain);
    EXPECT_EQ(RtfToPlainText(rtf) + L"\r\n", plain);
}

// Every control the note path makes holds a note's whole length: the
// default stops a stream at 32,767 characters on Windows.
TEST(RichEditLimit, EveryControlHoldsAWholeNote)
{
    PlainControl plain;
    EXPECT_EQ(SendMessageW(plain.Handle(), EM_GETLIMITTEXT, 0, 0), kNoteTextLimit);

    CStdStr text;
    for (int line = 0; text.size() < 100000; ++line)
        text += L"line " + std::to_wstring(line) + L" of a long note\r";
    CStdStr body = text;
    body.Replace(L"\r", L"\\par ");
    const CStdStr rtf = L"{\\rtf1\\ansi " + body + L"}";
    ASSERT_EQ(CheckRtf(rtf), ERtfCheck::safe);
    text.Replace(L"\r", L"\r\n");
    const CStdStr converted = RtfToPlainText(rtf);
    EXPECT_EQ(converted + L"\r\n", text);

    // The converter is the one hidden top-level rich edit of this thread now.
    int converters = 0;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM count) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (lstrcmpiW(name, CRichEditLibraryUse::ClassName()) == 0 && !IsWindowVisible(window)) {
            EXPECT_EQ(SendMessageW(window, EM_GETLIMITTEXT, 0, 0), kNoteTextLimit);
            ++*reinterpret_cast<int*>(count);
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&converters));
    EXPECT_GE(converters, 1);
}

}  // namespace
