// Streamed-out RTF keeps every character of the control's text: the writer's
// look-alikes are written again as \uN?, and what it wrote right stays as is.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include "notewindows/RichEditCtrl.h"
#include "notewindows/RtfCharacters.h"

namespace {

const wchar_t kHead[] = L"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Tahoma;}"
                        L"{\\f1\\fnil\\fcharset238 Arial;}{\\f2\\fnil\\fcharset128 MS Gothic;}}"
                        L"{\\colortbl ;\\red0\\green0\\blue0;}\\viewkind4\\uc1\\pard\\f0\\fs20 ";

TEST(RestoreRtfCharacters, LookAlikesAreWrittenAgainAndTrueCharactersStay)
{
    struct Case {
        const wchar_t* body;   // after the head
        const wchar_t* plain;
        const wchar_t* mendedBody;
        int mended;
        const char* fault;
    };
    const Case cases[] = {
        { L"Zaz\\'f3lc\\par}", L"Za\u017C\u00F3\u0142\u0107\r\n", L"Za\\u380?\\'f3\\u322?\\u263?\\par}", 3,
          "best-fit look-alikes kept (the Polish letters lost), or a true \\' byte written again" },
        { L"\\f1 \\'bf\\'b3\\par}", L"\u017C\u0142", L"\\f1 \\'bf\\'b3\\par}", 0,
          "a byte read in the code page of the font's charset (1250) taken for a loss" },
        { L"\\f2 \\'93\\'fa\\'96\\'7b}", L"\u65E5\u672C", L"\\f2 \\'93\\'fa\\'96\\'7b}", 0,
          "a double-byte character (932) split in two" },
        { L"2 l \\u-10179?\\u-8704?}", L"2 \u2113 \U0001F600", L"2 \\u8467? \\u-10179?\\u-8704?}", 1,
          "\\uN with its fallback read as two characters, or a surrogate pair mended" },
        { L"{\\uc0 x}y}", L"\u0078\u00FD", L"{\\uc0 x}\\u253?}", 1, "the escape ignores the \\uc in force" },
        { L"{\\uc0 x}}", L"\u00FD", L"{\\uc0 {\\uc1\\u253?}}}", 1, "under \\uc0 the \"?\" of the escape becomes text" },
        { L"a\\{b\\\\c\\tab d\\line e}", L"a{b\\c\td\ve", L"a\\{b\\\\c\\tab d\\line e}", 0,
          "escaped braces, a tab word or a line break miscounted" },
        { L"a{\\pict\\wmetafile8 0102ff}b}", L"a\uFFFCb", L"a{\\pict\\wmetafile8 0102ff}b}", 0,
          "a picture's data read as text" },
        { L"{\\*\\generator Riched20;}a\\par}", L"a", L"{\\*\\generator Riched20;}a\\par}", 0,
          "an ignorable destination read as text" },
    };
    for (const Case& c : cases) {
        CStdStr rtf = CStdStr(kHead) + c.body;
        int mended = -1;
        EXPECT_TRUE(RestoreRtfCharacters(rtf, c.plain, mended)) << c.fault;
        EXPECT_EQ(rtf, CStdStr(kHead) + c.mendedBody) << c.fault;
        EXPECT_EQ(mended, c.mended) << c.fault;
    }
}

TEST(RestoreRtfCharacters, TextThatDoesNotLineUpIsLeftAsWritten)
{
    const CStdStr written = CStdStr(kHead) + L"abc\\par}";
    CStdStr rtf = written;
    int mended = 0;
    EXPECT_FALSE(RestoreRtfCharacters(rtf, L"abcd", mended));
    EXPECT_EQ(rtf, written);
}

struct PlainControl : CRichEditCtrl50WT {
    PlainControl()
    {
        EXPECT_TRUE(CreatePlain(nullptr, RECT{0, 0, 400, 300}));
        SetTextMode(TM_RICHTEXT | TM_MULTICODEPAGE);
    }
    CStdStr Plain() const
    {
        CStdStr text;
        EXPECT_TRUE(StreamOutText(text, false, false));
        return text;
    }
};

// Typed text, as the editor holds it: the RTF of it reads back identical.
TEST(RichEditStreaming, RtfOfTypedTextHoldsEveryCharacter)
{
    const wchar_t* const texts[] = {
        L"Za\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144",
        L"\u00C1rv\u00EDzt\u0171r\u0151 t\u00FCk\u00F6rf\u00FAr\u00F3g\u00E9p",
        L"\u00C7al\u0131\u015Fkan \u011F\u00FC\u015F\u00F6 \u0130",
        L"P\u0159\u00EDli\u0161 \u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148",
        L"Ti\u1EBFng Vi\u1EC7t c\u00F3 d\u1EA5u",
        L"\u2113 \uFB01 \u00BD \u2122 \u20AC {braces} \\back\\",
        L"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \u0420\u0443\u0441\u0441\u043A\u0438\u0439 "
        L"\u65E5\u672C\u8A9E \U0001F600\U0001F44D\r\nsecond line",
    };
    PlainControl source;
    PlainControl target;
    for (const wchar_t* text : texts) {
        SetWindowTextW(source.Handle(), L"");
        source.StreamInText(text, false, false);
        const CStdStr typed = source.Plain();
        CStdStr rtf;
        ASSERT_TRUE(source.StreamOutText(rtf, true, false));
        for (const wchar_t ch : rtf)
            ASSERT_LT(ch, 0x80) << "RTF stays 7-bit";
        SetWindowTextW(target.Handle(), L"");
        ASSERT_GT(target.StreamInText(rtf, true, false), 0);
        EXPECT_EQ(target.Plain(), typed);
    }
}

}  // namespace
