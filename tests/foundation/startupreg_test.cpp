// The start-with-Windows value in the prefix's own registry. The value name is
// fixed, so ctest runs this test alone (a resource lock) and it puts back
// what it found.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/ShellExecSeam.h"
#include "foundation/WinVersion.h"
#include "tests/foundation/RunValue.h"

namespace {

RegValue Text(const std::wstring& text, DWORD type = REG_SZ, bool terminated = true)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    const size_t size = (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t);
    return { type, std::vector<BYTE>(bytes, bytes + size) };
}

std::wstring ProgramPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring Lower(std::wstring text)
{
    CharLowerW(text.data());
    return text;
}

int g_shellExecuteCalls = 0;

HINSTANCE CountingShellExecute(HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, int)
{
    ++g_shellExecuteCalls;
    return reinterpret_cast<HINSTANCE>(INT_PTR(42));
}

class StartupRegTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedVersion = WindowsVersion();
        WindowsVersion() = { true, true, true, false, false };
        m_savedUser = ReadRun(HKEY_CURRENT_USER);
        m_savedMachine = ReadRun(HKEY_LOCAL_MACHINE);
        g_shellExecuteCalls = 0;
    }
    void TearDown() override
    {
        WriteRun(HKEY_CURRENT_USER, m_savedUser);
        WriteRun(HKEY_LOCAL_MACHINE, m_savedMachine);
        WindowsVersion() = m_savedVersion;
    }

    const std::wstring m_wanted = L"\"" + ProgramPath() + L"\" /c showhide";
    CSeamOverride<SShellExecuteSeam> m_shell{ g_shellExecuteSeam, { CountingShellExecute } };

private:
    WindowsVersionFlags m_savedVersion;
    std::optional<RegValue> m_savedUser;
    std::optional<RegValue> m_savedMachine;
};

bool Same(const std::optional<RegValue>& a, const std::optional<RegValue>& b)
{
    return a.has_value() == b.has_value() && (!a || (a->type == b->type && a->data == b->data));
}

TEST_F(StartupRegTest, BothHivesEndAsTheSettingWants)
{
    using Value = std::optional<RegValue>;
    const Value none;
    const Value wanted = Text(m_wanted);
    struct Case {
        const char* what;
        bool on;
        Value user, machine;                  // before
        Value expectedUser, expectedMachine;  // after
    };
    const Case cases[] = {
        { "on, absent", true, none, none, wanted, none },
        { "on, equal", true, wanted, none, wanted, none },
        { "on, differs in case", true, Text(Lower(m_wanted)), none, wanted, none },
        { "on, other", true, Text(L"\"C:\\old\\QUILL32.exe\""), none, wanted, none },
        { "on, in the other hive", true, none, wanted, wanted, none },
        { "on, other type", true, Text(m_wanted, REG_EXPAND_SZ), none, wanted, none },
        { "on, unterminated", true, Text(m_wanted, REG_SZ, false), none, wanted, none },
        { "on, longer", true, Text(m_wanted + L"x"), none, wanted, none },
        { "off, absent", false, none, none, none, none },
        { "off, equal", false, wanted, wanted, none, none },
        { "off, differs in case", false, Text(Lower(m_wanted)), none, none, none },
        { "off, other", false, Text(L"other"), none, none, none },
        // The user's hive agrees, so the machine's is left alone.
        { "off, in the other hive", false, none, wanted, none, wanted },
    };
    for (const Case& c : cases) {
        WriteRun(HKEY_CURRENT_USER, c.user);
        WriteRun(HKEY_LOCAL_MACHINE, c.machine);
        CPreferences prefs;
        prefs.StoreDataInAppData = true;
        prefs.StartupWithWindows = c.on;
        wcscpy(prefs.StartupArguments, L"/c showhide \t");  // the value is trimmed
        UpdateStartupReg(prefs);
        EXPECT_TRUE(Same(ReadRun(HKEY_CURRENT_USER), c.expectedUser)) << c.what;
        EXPECT_TRUE(Same(ReadRun(HKEY_LOCAL_MACHINE), c.expectedMachine)) << c.what;
    }
    EXPECT_EQ(g_shellExecuteCalls, 0);
}

TEST_F(StartupRegTest, MachineHiveWhenDataIsNotPerUser)
{
    WriteRun(HKEY_CURRENT_USER, Text(m_wanted));
    WriteRun(HKEY_LOCAL_MACHINE, std::nullopt);
    CPreferences prefs;
    prefs.StoreDataInAppData = false;
    prefs.StartupWithWindows = true;
    wcscpy(prefs.StartupArguments, L"/c showhide");
    UpdateStartupReg(prefs);
    EXPECT_TRUE(Same(ReadRun(HKEY_LOCAL_MACHINE), Text(m_wanted)));
    EXPECT_TRUE(Same(ReadRun(HKEY_CURRENT_USER), std::nullopt));

    // Without arguments the value is the quoted path alone.
    prefs.StartupArguments[0] = L'\0';
    UpdateStartupReg(prefs);
    EXPECT_TRUE(Same(ReadRun(HKEY_LOCAL_MACHINE), Text(L"\"" + ProgramPath() + L"\"")));
    EXPECT_EQ(g_shellExecuteCalls, 0);
}

}  // namespace
