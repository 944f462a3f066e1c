// Drives QUILL32.exe from a test: starts it, reads its log, finds and ends
// its windows. The runs share the user's log and single-instance names, so
// their tests hold one ctest resource lock. The target defines QUILL32_EXE.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The build's program, as a path of this system.
std::wstring ProgramPath();
std::wstring LogPath();
// The log's messages, without their time stamps.
std::vector<std::wstring> LogMessages();
bool Logged(const std::wstring& message);
bool WaitUntilLogged(const std::wstring& message, DWORD timeoutMs);
// Each expected text must start a message, in this order, others between.
void ExpectInOrder(const std::vector<std::wstring>& expected);
int CountLogged(const std::wstring& prefix);
// A [Preferences] value of the settings file, "<absent>" when missing.
std::wstring IniValue(const std::wstring& ini, const wchar_t* key);

// One run of the program; killed when the test ends while it still runs.
class CRun {
public:
    CRun(const std::wstring& program, const std::wstring& arguments);
    ~CRun();
    CRun(const CRun&) = delete;
    CRun& operator=(const CRun&) = delete;

    bool Started() const { return m_started; }
    // The exit code, or STILL_ACTIVE after the time-out.
    DWORD WaitForExit(DWORD timeoutMs) const;
    // A top-level window of this process with the class, waiting for it.
    HWND FindWindowOfClass(const wchar_t* className, DWORD timeoutMs) const;
    // Every top-level window of this process with the class, now.
    std::vector<HWND> WindowsOfClass(const wchar_t* className) const;

private:
    PROCESS_INFORMATION m_process = {};
    bool m_started = false;
};

// The rich-text control somewhere inside the window, or null.
HWND FindEditor(HWND window);
// The text of a window of another process.
std::wstring WindowText(HWND window);

// The "/f" argument naming the folder (given with its trailing backslash).
std::wstring FolderArgument(const std::wstring& folder);
