// The uninstall helper against the test prefix's real registry: only a
// well-formed "UninstallString" starts anything, and it starts it once, with
// the silent switches.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "resources/AppGuid.h"
#include "tests/support/TestDir.h"
#include "uninstall/Sweep.h"

namespace {

const std::wstring kKeyPath =
    std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kInstallerAppGuid + L"_is1";

void DeleteUninstallKey()
{
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKeyPath.c_str(), KEY_WOW64_32KEY, 0);
}

// Writes the key with "UninstallString" holding the first `count` of the
// given bytes; what follows them stays readable, since the registry looks one
// character past a string to add a forgotten terminator.
void WriteUninstallValue(DWORD type, const std::vector<BYTE>& bytes, size_t count)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKeyPath.c_str(), 0, nullptr, 0,
                              KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key, nullptr), ERROR_SUCCESS);
    if (type != REG_NONE)
        RegSetValueExW(key, L"UninstallString", 0, type, bytes.data(), static_cast<DWORD>(count));
    RegCloseKey(key);
}

std::vector<BYTE> TextBytes(const std::wstring& text)
{
    const BYTE* begin = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(begin, begin + (text.size() + 1) * sizeof(wchar_t));
}

std::wstring RecorderPath()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"sweep_recorder.exe";
}

std::vector<std::string> ReadLines(const std::wstring& path)
{
    std::ifstream in(path.c_str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct KeyCleanup {
    KeyCleanup() { DeleteUninstallKey(); }
    ~KeyCleanup() { DeleteUninstallKey(); }
};

} // namespace

TEST(Sweep, OnlyAWellFormedValueStartsTheUninstallerOnce)
{
    CTestDir dir;
    const std::wstring record = dir.File(L"started.txt");
    ASSERT_TRUE(SetEnvironmentVariableW(L"QUILLET_RECORD_FILE", record.c_str()));
    const std::wstring recorder = RecorderPath();
    ASSERT_NE(GetFileAttributesW(recorder.c_str()), INVALID_FILE_ATTRIBUTES);

    enum class Key { Missing, Present };
    struct Case {
        const char* what;
        Key key;
        DWORD type;
        std::vector<BYTE> bytes;
        size_t count;
        bool starts;
    };
    const std::vector<BYTE> terminated = TextBytes(recorder);
    const std::vector<BYTE> unterminated = TextBytes(recorder + L"x");
    const std::vector<BYTE> tooLong = TextBytes(std::wstring(1100, L'x'));
    const size_t whole = terminated.size();
    const Case cases[] = {
        { "no key", Key::Missing, REG_NONE, {}, 0, false },
        { "value missing", Key::Present, REG_NONE, {}, 0, false },
        { "wrong type", Key::Present, REG_BINARY, terminated, whole, false },
        { "odd byte length", Key::Present, REG_SZ, terminated, whole - 1, false },
        { "no terminating NUL", Key::Present, REG_SZ, unterminated, whole - sizeof(wchar_t), false },
        { "longer than 1024 characters", Key::Present, REG_SZ, tooLong, tooLong.size(), false },
        { "empty text", Key::Present, REG_SZ, TextBytes(L""), sizeof(wchar_t), false },
        { "valid", Key::Present, REG_SZ, terminated, whole, true },
    };

    KeyCleanup cleanup;
    for (const Case& c : cases) {
        DeleteUninstallKey();
        if (c.key == Key::Present)
            WriteUninstallValue(c.type, c.bytes, c.count);
        EXPECT_EQ(ReadUninstallString().empty(), !c.starts) << c.what;
        EXPECT_EQ(StartSilentUninstall(), c.starts) << c.what;
    }

    // The recorder runs as a separate process: wait for its line, then a
    // little longer so that a second, wrong start would show too.
    for (int waited = 0; waited < 10000 && ReadLines(record).empty(); waited += 50)
        Sleep(50);
    Sleep(500);
    const std::vector<std::string> lines = ReadLines(record);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "/VERYSILENT /NORESTART");
}

TEST(Sweep, ExpandableStringIsUsedAsItStands)
{
    KeyCleanup cleanup;
    const std::vector<BYTE> bytes = TextBytes(L"%SystemRoot%\\unins000.exe");
    WriteUninstallValue(REG_EXPAND_SZ, bytes, bytes.size());
    EXPECT_EQ(ReadUninstallString(), L"%SystemRoot%\\unins000.exe");
}

TEST(Sweep, AQuotedPathWithBlanksStartsTheUninstaller)
{
    // As the installer writes it: the uninstaller's path in quotes.
    CTestDir dir;
    const std::wstring record = dir.File(L"started.txt");
    ASSERT_TRUE(SetEnvironmentVariableW(L"QUILLET_RECORD_FILE", record.c_str()));
    const std::wstring folder = dir.File(L"Program Files (x86)\\Quillet 4\\");
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"Program Files (x86)").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring uninstaller = folder + L"unins 000.exe";
    ASSERT_TRUE(CopyFileW(RecorderPath().c_str(), uninstaller.c_str(), FALSE));

    KeyCleanup cleanup;
    const std::vector<BYTE> bytes = TextBytes(L"\"" + uninstaller + L"\"");
    WriteUninstallValue(REG_SZ, bytes, bytes.size());
    EXPECT_TRUE(StartSilentUninstall());
    for (int waited = 0; waited < 10000 && ReadLines(record).empty(); waited += 50)
        Sleep(50);
    EXPECT_EQ(ReadLines(record), std::vector<std::string>{"/VERYSILENT /NORESTART"});
}
