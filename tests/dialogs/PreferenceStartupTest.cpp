// The Main page's start-with-Windows button and command line against the
// prefix's own Run value, whose name is fixed: ctest runs this test under the
// value's lock, and it puts back what it found.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "PrefsSheetRun.h"
#include "tests/foundation/RunValue.h"

namespace {

std::optional<std::wstring> RunText()
{
    const std::optional<RegValue> value = ReadRun(HKEY_CURRENT_USER);
    if (!value || value->data.size() < sizeof(wchar_t))
        return std::nullopt;
    return std::wstring(reinterpret_cast<const wchar_t*>(value->data.data()), value->data.size() / sizeof(wchar_t) - 1);
}

std::wstring QuotedProgram()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return L"\"" + std::wstring(path) + L"\"";
}

class PrefsStartupTest : public CPrefsPagesTest {
protected:
    void SetUp() override
    {
        m_user = ReadRun(HKEY_CURRENT_USER);
        m_machine = ReadRun(HKEY_LOCAL_MACHINE);
        CPrefsPagesTest::SetUp();
        g_prefs.StoreDataInAppData = true;  // the current user's hive
        g_prefs.StartupArguments[0] = L'\0';
    }
    void TearDown() override
    {
        CPrefsPagesTest::TearDown();
        WriteRun(HKEY_CURRENT_USER, m_user);
        WriteRun(HKEY_LOCAL_MACHINE, m_machine);
    }

    int StartupKeyInFile() const
    {
        return ReadPrivateProfileInt(L"Preferences", L"StartupWithWindows", -1, m_iniPath.c_str());
    }

    std::optional<RegValue> m_user;
    std::optional<RegValue> m_machine;
};

TEST_F(PrefsStartupTest, ToggleThenCancelLeavesRegistryFileAndRecordAgreeing)
{
    for (const bool from : { false, true }) {
        g_prefs.StartupWithWindows = from;
        ASSERT_TRUE(g_prefs.SaveStartupSettings());
        UpdateStartupReg(g_prefs);
        ASSERT_EQ(RunText().has_value(), from);

        CPrefsSheetRun run(g_prefs, { IDD_PREFS_MAIN });
        std::wstring labelBefore, labelAfter;
        EXPECT_FALSE(run.Run({
            run.OnPage(IDD_PREFS_MAIN, [&](HWND page) {
                labelBefore = CWindowRef(GetDlgItem(page, IDC_PREF_STARTUP_TOGGLE)).Text();
                Click(IDC_PREF_STARTUP_TOGGLE)(page);
                labelAfter = CWindowRef(GetDlgItem(page, IDC_PREF_STARTUP_TOGGLE)).Text();
            }),
            run.Press(PSBTN_CANCEL),
        }));
        const bool to = !from;
        EXPECT_EQ(labelBefore, from ? L"Disable" : L"Enable");
        EXPECT_EQ(labelAfter, to ? L"Disable" : L"Enable");
        EXPECT_EQ(g_prefs.StartupWithWindows, to) << "from " << from;
        EXPECT_EQ(StartupKeyInFile(), to ? 1 : 0) << "from " << from;
        if (to)
            EXPECT_EQ(RunText(), QuotedProgram());
        else
            EXPECT_FALSE(RunText().has_value());
    }
}

TEST_F(PrefsStartupTest, CommandLineIsCutToItsFieldAndWrittenToTheRunValue)
{
    g_prefs.StartupWithWindows = true;
    UpdateStartupReg(g_prefs);
    const std::wstring typed = L"/c Zażółć " + std::wstring(1100, L'x');
    const std::wstring kept = typed.substr(0, CPreferences::kLongTextChars - 1);
    CPreferences after;
    {
        CPrefsSheetRun run(g_prefs, { IDD_PREFS_MAIN });
        LRESULT limit = 0;
        EXPECT_TRUE(run.Run({
            run.OnPage(IDD_PREFS_MAIN, [&](HWND page) {
                limit = SendDlgItemMessageW(page, IDC_PREF_STARTUP_ARGUMENTS, EM_GETLIMITTEXT, 0, 0);
                Type(IDC_PREF_STARTUP_ARGUMENTS, typed)(page);
            }),
            run.Press(PSBTN_OK),
        }));
        EXPECT_EQ(limit, CPreferences::kLongTextChars - 1);
        after = run.working;
    }
    EXPECT_EQ(std::wstring(after.StartupArguments), kept);
    EXPECT_EQ(RunText(), QuotedProgram() + L" " + kept);

    // The same text in other letter case is no change.
    CPrefsSheetRun again(after, { IDD_PREFS_MAIN });
    std::wstring upper = kept;
    CharUpperW(upper.data());
    EXPECT_TRUE(again.Run({ again.OnPage(IDD_PREFS_MAIN, Type(IDC_PREF_STARTUP_ARGUMENTS, upper)),
                            again.Press(PSBTN_OK) }));
    EXPECT_EQ(std::wstring(again.working.StartupArguments), kept);
}

}  // namespace
