#include "ProgramDriver.h"

#include <gtest/gtest.h>

#include <richedit.h>
#include <shlobj.h>

#include <algorithm>

namespace {

std::wstring Widen(const char* text)
{
    std::wstring wide;
    for (const char* at = text; *at; ++at)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*at));
    return wide;
}

struct SSearch {
    DWORD processId;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK Match(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<SSearch*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (processId == search->processId && wcscmp(name, search->className) == 0)
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK MatchEditor(HWND window, LPARAM lParam)
{
    // Only a rich-edit control answers with a rich-text mode.
    DWORD_PTR mode = 0;
    if (!SendMessageTimeoutW(window, EM_GETTEXTMODE, 0, 0, SMTO_ABORTIFHUNG, 5000, &mode) || !(mode & TM_RICHTEXT))
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
}

}  // namespace

std::wstring ProgramPath()
{
    std::wstring path = L"Z:" + Widen(QUILL32_EXE);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::wstring LogPath()
{
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::wstring(folder) + L"\\Quillet\\QUILLT40.LOG";
}

std::vector<std::wstring> LogMessages()
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

bool Logged(const std::wstring& message)
{
    const std::vector<std::wstring> messages = LogMessages();
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

bool WaitUntilLogged(const std::wstring& message, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        if (Logged(message))
            return true;
        Sleep(100);
    }
    return false;
}

void ExpectInOrder(const std::vector<std::wstring>& expected)
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

int CountLogged(const std::wstring& prefix)
{
    int count = 0;
    for (const std::wstring& message : LogMessages())
        count += message.compare(0, prefix.size(), prefix) == 0;
    return count;
}

std::wstring IniValue(const std::wstring& ini, const wchar_t* key)
{
    wchar_t value[256] = {};
    GetPrivateProfileStringW(L"Preferences", key, L"<absent>", value, 256, ini.c_str());
    return value;
}

CRun::CRun(const std::wstring& program, const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    m_started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &m_process) != FALSE;
}

CRun::~CRun()
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

DWORD CRun::WaitForExit(DWORD timeoutMs) const
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(m_process.hProcess, &code);
    return code;
}

HWND CRun::FindWindowOfClass(const wchar_t* className, DWORD timeoutMs) const
{
    for (DWORD waited = 0; waited <= timeoutMs; waited += 100) {
        const std::vector<HWND> found = WindowsOfClass(className);
        if (!found.empty())
            return found.front();
        Sleep(100);
    }
    return nullptr;
}

std::vector<HWND> CRun::WindowsOfClass(const wchar_t* className) const
{
    SSearch search = {m_process.dwProcessId, className, {}};
    EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindEditor(HWND window)
{
    HWND editor = nullptr;
    EnumChildWindows(window, &MatchEditor, reinterpret_cast<LPARAM>(&editor));
    return editor;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

std::wstring FolderArgument(const std::wstring& folder)
{
    return L"/f \"" + folder.substr(0, folder.size() - 1) + L"\"";
}
