// The window-event helper: another program whose windows notes attach to. It
// opens a resizable frame titled by its command line, a dialog-style window
// (" dialog") and a tool window (" tool"), and on a message from a test raises
// a window event on one of them with NotifyWinEvent, as the system would.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

constexpr wchar_t kHelperFrameClass[] = L"QuilletHelperFrame";
constexpr wchar_t kHelperDialogClass[] = L"QuilletHelperDialog";
constexpr wchar_t kHelperToolClass[] = L"QuilletHelperTool";

// Posted to the frame: wParam the event, lParam which window (below).
constexpr UINT WM_HELPER_RAISE_EVENT = WM_APP + 1;
// Posted to the frame: wParam a ShowWindow command for the frame, whose event
// (minimise start or end) the helper raises after it.
constexpr UINT WM_HELPER_SHOW = WM_APP + 2;
enum EHelperWindow : LPARAM { eHelperFrame = 0, eHelperDialog = 1, eHelperTool = 2 };

#ifdef WINDOW_EVENT_HELPER_EXE
// The helper, run by a test: started with a title (and the frame's rectangle),
// its windows found, and ended with the test.
class CWindowEventHelper {
public:
    explicit CWindowEventHelper(const std::wstring& title, const wchar_t* frameRect = L"")
    {
        std::wstring program = L"Z:" + std::wstring(WINDOW_EVENT_HELPER_EXE, WINDOW_EVENT_HELPER_EXE +
                                                      sizeof(WINDOW_EVENT_HELPER_EXE) - 1);
        std::replace(program.begin(), program.end(), L'/', L'\\');
        std::wstring commandLine = L"\"" + program + L"\" \"" + title + L"\" " + frameRect;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &m_process))
            return;
        WaitForInputIdle(m_process.hProcess, 10000);
        for (int tries = 0; tries < 200 && !(m_windows[2] = FindWindowW(kHelperToolClass, (title + L" tool").c_str()));
             ++tries)
            Sleep(50);
        m_windows[0] = FindWindowW(kHelperFrameClass, title.c_str());
        m_windows[1] = FindWindowW(kHelperDialogClass, (title + L" dialog").c_str());
    }
    ~CWindowEventHelper()
    {
        if (!m_process.hProcess)
            return;
        if (IsWindow(m_windows[0]))
            PostMessageW(m_windows[0], WM_CLOSE, 0, 0);
        if (WaitForSingleObject(m_process.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(m_process.hProcess, 1);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    CWindowEventHelper(const CWindowEventHelper&) = delete;
    CWindowEventHelper& operator=(const CWindowEventHelper&) = delete;

    bool Started() const { return m_windows[0] && m_windows[1] && m_windows[2]; }
    HWND Window(EHelperWindow which) const { return m_windows[which]; }
    HWND Frame() const { return m_windows[eHelperFrame]; }
    void Raise(DWORD event, EHelperWindow which = eHelperFrame) const
    {
        PostMessageW(m_windows[0], WM_HELPER_RAISE_EVENT, event, which);
    }
    void ShowFrame(int command) const { PostMessageW(m_windows[0], WM_HELPER_SHOW, command, 0); }

private:
    PROCESS_INFORMATION m_process = {};
    HWND m_windows[3] = {};
};
#endif
