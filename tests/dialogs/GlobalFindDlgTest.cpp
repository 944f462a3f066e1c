// The global search's substring search, checked against the system's own
// locale-aware find, and its box: the stored search, the disabled Find Next
// and the keys it writes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "dialogs/GlobalFindDlg.h"
#include "foundation/Preferences.h"
#include "resources/resource.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/TestDir.h"

namespace {

int SystemFind(DWORD flags, const wchar_t* text, const wchar_t* pattern)
{
    return FindNLSStringEx(LOCALE_NAME_USER_DEFAULT, FIND_FROMSTART | flags, text, -1, pattern, -1, nullptr, nullptr,
                           nullptr, 0);
}

TEST(FindSubstringLocale, AgreesWithTheSystemsLocaleAwareFind)
{
    const struct {
        const wchar_t* text;
        const wchar_t* pattern;
        DWORD flags;
        int expected;
    } cases[] = {
        {L"meeting at noon", L"meeting", 0, 0},                 // at the start
        {L"meeting at noon", L"noon", 0, 11},                   // at the end: the last start still compared
        {L"meeting at noon", L"lunch", 0, -1},
        {L"noon", L"noon and later", 0, -1},                    // longer than the text
        {L"", L"noon", 0, -1},                                  // empty text
        {L"Meeting", L"meeting", 0, -1},                        // case counts without the flag
        {L"Meeting", L"meeting", NORM_IGNORECASE, 0},
        {L"ZAŻÓŁĆ gęślą", L"żółć", NORM_IGNORECASE, 2},        // beyond ASCII, ignoring case
        {L"İstanbul ışık", L"ışık", NORM_IGNORECASE, 9},
        {L"café crème", L"cafe", NORM_IGNORECASE, -1},          // an accent is a difference
        {L"the caf\u00E9", L"CAFÉ", NORM_IGNORECASE, 4},
        {L"co\u00ADoperate", L"cooperate", 0, 0},               // a soft hyphen inside is ignored
        {L"x\U0001F600y", L"\U0001F600y", 0, 1},                // a surrogate pair matched whole
        {L"x\U0001F600y", L"y", 0, 3},
    };
    for (const auto& c : cases) {
        const std::wstring label = std::wstring(c.text) + L" / " + c.pattern;
        EXPECT_EQ(FindSubstringLocale(c.flags, c.text, c.pattern), c.expected) << testing::PrintToString(label);
        EXPECT_EQ(SystemFind(c.flags, c.text, c.pattern), c.expected) << "system: " << testing::PrintToString(label);
    }
}

class GlobalFindDlgTest : public testing::Test {
protected:
    void SetUp() override { g_prefs.LoadFrom(m_dir.File(L"RERUZADU.INI").c_str()); }

    std::wstring Key(const wchar_t* section, const wchar_t* key)
    {
        wchar_t text[300] = {};
        GetPrivateProfileStringW(section, key, L"<none>", text, 300, g_prefs.IniPath());
        return text;
    }

    CTestDir m_dir;
    CModalWatchdog m_watchdog{30000};
};

TEST_F(GlobalFindDlgTest, FindNextWaitsForTextAndOkStoresTheSearch)
{
    bool enabledAtFirst = true;
    bool stillOpenAfterEnter = false;   // nothing stored: the box did not end
    WhenThreadWindowShows(L"Quillet - Find", [&](HWND box) {
        enabledAtFirst = IsWindowEnabled(GetDlgItem(box, IDOK)) != FALSE;
        // Enter with the button disabled still sends IDOK.
        SendMessageW(box, WM_COMMAND, IDOK, 0);
        stillOpenAfterEnter = Key(L"Global Search", L"SearchText") == L"<none>";
        SetDlgItemTextW(box, IDC_FIND_WHAT, L"Żółw %s");
        CheckDlgButton(box, IDC_FIND_MATCH_CASE, BST_CHECKED);
        CheckRadioButton(box, IDC_FIND_UP, IDC_FIND_DOWN, IDC_FIND_UP);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    CGlobalFindDlg dialog(nullptr);
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_FALSE(enabledAtFirst) << "an empty search leaves Find Next disabled";
    EXPECT_TRUE(stillOpenAfterEnter);
    EXPECT_EQ(dialog.SearchText(), L"Żółw %s");
    EXPECT_TRUE(dialog.MatchCase());
    EXPECT_FALSE(dialog.Forward());
    EXPECT_EQ(Key(L"Global Search", L"SearchText"), L"Żółw %s");
    EXPECT_EQ(Key(L"Global Search", L"MatchCase"), L"1");
    EXPECT_EQ(Key(L"Global Search", L"Forward"), L"0");
    EXPECT_NE(Key(L"Dialogs_Global Search", L"X"), L"<none>") << "the placement is kept";
}

TEST_F(GlobalFindDlgTest, TheStoredSearchIsShownAndCancelWritesNoSearch)
{
    MyWritePrivateProfileString(L"Global Search", L"SearchText", L"Ελληνικά 日本", g_prefs.IniPath());
    MyWritePrivateProfileString(L"Global Search", L"MatchCase", L"1", g_prefs.IniPath());
    MyWritePrivateProfileString(L"Global Search", L"Forward", L"0", g_prefs.IniPath());
    std::wstring shown;
    bool matchCase = false;
    bool up = false;
    bool enabled = false;
    WhenThreadWindowShows(L"Quillet - Find", [&](HWND box) {
        wchar_t text[300] = {};
        GetDlgItemTextW(box, IDC_FIND_WHAT, text, 300);
        shown = text;
        matchCase = IsDlgButtonChecked(box, IDC_FIND_MATCH_CASE) == BST_CHECKED;
        up = IsDlgButtonChecked(box, IDC_FIND_UP) == BST_CHECKED;
        enabled = IsWindowEnabled(GetDlgItem(box, IDOK)) != FALSE;
        SetDlgItemTextW(box, IDC_FIND_WHAT, L"changed");
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    CGlobalFindDlg dialog(nullptr);
    EXPECT_EQ(dialog.DoModal(), 0);
    EXPECT_EQ(shown, L"Ελληνικά 日本");
    EXPECT_TRUE(matchCase);
    EXPECT_TRUE(up);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(Key(L"Global Search", L"SearchText"), L"Ελληνικά 日本");
    EXPECT_NE(Key(L"Dialogs_Global Search", L"X"), L"<none>");
}

}  // namespace
