// The driver of QUILL32.exe end to end: the build's program started with a
// command line, its log read back, its windows found. Runs share the user's
// log and single-instance names, so their tests hold one ctest resource lock.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Preferences.h"
#include "shell/MainCommands.h"
#include "tests/support/TestDir.h"

inline std::wstring Widen(const char* text)
{
    std::wstring wide;
    for (const char* at = text; *at; ++at)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*at));
    return wide;
}

// The build's program, as a path of this system.
inline std::wstring ProgramPath()
{
    std::wstring path = L"Z:" + Widen(QUILL32_EXE);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

inline std::wstring LogPath()
{
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::wstring(folder) + L"\\Quillet\\QUILLT40.LOG";
}

// The log's messages, without their time stamps.
inline std::vector<std::wstring> LogMessages()
{
    std::vector<std::wstring> messages;
    const HANDLE file = CreateFileW(LogPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return messages;
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring line = text.substr(start, end - start);
        messages.push_back(line.size() > 28 ? line.substr(28) : std::wstring());
        start = end + 2;
    }
    return messages;
}

inline bool Logged(const std::wstring& message)
{
    const std::vector<std::wstring> messages = LogMessages();
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

inline bool WaitUntilLogged(const std::wstring& message, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        if (Logged(message))
            return true;
        Sleep(100);
    }
    return false;
}

// Each expected text must start a message, in this order, others between.
inline void ExpectInOrder(const std::vector<std::wstring>& expected)
{
    const std::vector<std::wstring> messages = LogMessages();
    size_t at = 0;
    for (const std::wstring& text : expected) {
        while (at < messages.size() && messages[at].compare(0, text.size(), text) != 0)
            ++at;
        ASSERT_LT(at, messages.size()) << "missing, or out of order: " << testing::PrintToString(text);
        ++at;
    }
}

inline int CountLogged(const std::wstring& prefix)
{
    int count = 0;
    for (const std::wstring& message : LogMessages())
        count += message.compare(0, prefix.size(), prefix) == 0;
    return count;
}

// One run of the program; killed when the test ends while it still runs.
class CRun {
public:
    CRun(const std::wstring& program, const std::wstring& arguments)
    {
        std::wstring commandLine = L"\"" + program + L"\" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        m_started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &m_process) != FALSE;
    }
    ~CRun()
    {
        if (!m_started)
            return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_process.hProcess, 1);
            WaitForSingleObject(m_process.hProcess, 10000);
        }
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    CRun(const CRun&) = delete;
    CRun& operator=(const CRun&) = delete;

    bool Started() const { return m_started; }
    DWORD ProcessId() const { return m_process.dwProcessId; }

    // The exit code, or STILL_ACTIVE after the time-out.
    DWORD WaitForExit(DWORD timeoutMs) const
    {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(m_process.hProcess, &code);
        return code;
    }

    // A top-level window of this process with the class, waiting for it.
    HWND FindWindowOfClass(const wchar_t* className, DWORD timeoutMs) const
    {
        for (DWORD waited = 0; waited <= timeoutMs; waited += 100) {
            SSearch search = {m_process.dwProcessId, className, nullptr};
            EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
            if (search.found)
                return search.found;
            Sleep(100);
        }
        return nullptr;
    }

private:
    struct SSearch {
        DWORD processId;
        const wchar_t* className;
        HWND found;
    };
    static BOOL CALLBACK Match(HWND window, LPARAM lParam)
    {
        auto* search = reinterpret_cast<SSearch*>(lParam);
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (processId == search->processId && wcscmp(name, search->className) == 0) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }

    PROCESS_INFORMATION m_process = {};
    bool m_started = false;
};

inline std::wstring IniValue(const std::wstring& ini, const wchar_t* key)
{
    wchar_t value[256] = {};
    GetPrivateProfileStringW(L"Preferences", key, L"<absent>", value, 256, ini.c_str());
    return value;
}

inline bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline constexpr DWORD kStartMs = 60000;
inline constexpr DWORD kExitMs = 30000;

// A folder of the test's own with a settings file that holds only the
// network port, and no log yet.
class ProgramTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteFileW(LogPath().c_str());
        const HANDLE ini = CreateFileW(Ini().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(ini, INVALID_HANDLE_VALUE);
        CloseHandle(ini);
        // The program listens on its port: never the one of a real copy.
        PrepareUnicodeIniFile(Ini().c_str());
        const std::wstring port = std::to_wstring(20000 + GetCurrentProcessId() % 20000);
        ASSERT_TRUE(WritePrivateProfileStringW(L"Preferences", L"NetworkPort", port.c_str(), Ini().c_str()));
    }

    std::wstring Folder() const { return m_dir.Path(); }
    std::wstring Ini() const { return m_dir.File(L"RERUZADU.INI"); }
    std::wstring FolderArgument() const
    {
        std::wstring folder = Folder();
        folder.pop_back();
        return L"/f \"" + folder + L"\"";
    }

    // Started, with its loop running and its main window found.
    HWND Start(CRun& run) const
    {
        EXPECT_TRUE(run.Started());
        EXPECT_TRUE(WaitUntilLogged(L"Starting message loop", kStartMs));
        return run.FindWindowOfClass(L"MainWClass", 5000);
    }
    static void Exit(const CRun& run, HWND main)
    {
        PostMessageW(main, WM_COMMAND, ID_EXIT, 0);
        EXPECT_EQ(run.WaitForExit(kExitMs), 0u);
    }

    CTestDir m_dir;
};
