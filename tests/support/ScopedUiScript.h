// Scripts the program's modal user interface for the span of a test: message
// boxes, the modal runs of dialogs and sheets, the common dialogs, pop-up
// menus and beeps go to queues of answers instead of the screen, and every
// call is recorded. A call with no answer queued fails the test and is
// answered as cancelled, so nothing blocks; an answer left unused at the end
// fails it too. One script at a time, on the test's thread.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/MessageBoxSeam.h"
#include "foundation/Seams.h"
#include "framework/KernelHandle.h"
#include "framework/UiSeams.h"

class ScopedUiScript {
public:
    ScopedUiScript();
    ~ScopedUiScript();
    ScopedUiScript(const ScopedUiScript&) = delete;
    ScopedUiScript& operator=(const ScopedUiScript&) = delete;

    using ModalHandler = std::function<INT_PTR(const SModalRun& run)>;

    void AnswerMessageBox(int answer);
    // A dialog (template id) or sheet (caption id) answered without running.
    void AnswerModal(UINT resourceId, INT_PTR result);
    // The same handled by the test, which may run the real box.
    void HandleModal(UINT resourceId, ModalHandler handler);
    // The chosen command; 0 closes the menu with no choice.
    void AnswerMenu(UINT command);
    // A chosen path, or none for a cancelled chooser.
    void AnswerOpenFile(std::optional<std::wstring> path);
    void AnswerSaveFile(std::optional<std::wstring> path);
    void HandleFont(std::function<BOOL(CHOOSEFONTW&)> handler);
    // A chosen colour, or none for cancel.
    void AnswerColor(std::optional<COLORREF> color);
    void HandleColor(std::function<BOOL(CHOOSECOLORW&)> handler);
    void AnswerPrint(BOOL result);
    // The print dialog answered by the test: a DC, copies and flags.
    void HandlePrint(std::function<BOOL(PRINTDLGW&)> handler);

    // Every call in order: "box <text>", "modal <id>", "menu", "open", "save",
    // "font", "color", "print", "beep <type>".
    const std::vector<std::wstring>& Calls() const { return m_calls; }
    const std::vector<std::wstring>& MessageBoxTexts() const { return m_boxTexts; }
    const std::vector<UINT>& Beeps() const { return m_beeps; }
    // The flags each menu was tracked with.
    const std::vector<UINT>& MenuFlags() const { return m_menuFlags; }

private:
    static int OnBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
    static INT_PTR OnModal(const SModalRun& run);
    static BOOL OnMenu(HMENU menu, UINT flags, int x, int y, HWND owner, const RECT* rect);
    static BOOL OnOpenFile(OPENFILENAMEW* request);
    static BOOL OnSaveFile(OPENFILENAMEW* request);
    static BOOL OnFont(CHOOSEFONTW* request);
    static BOOL OnColor(CHOOSECOLORW* request);
    static BOOL OnPrint(PRINTDLGW* request);
    static BOOL OnBeep(UINT type);

    static ScopedUiScript& Active();
    void Record(const std::wstring& call) { m_calls.push_back(call); }
    BOOL AnswerFileName(std::deque<std::optional<std::wstring>>& queue, const wchar_t* call,
                        OPENFILENAMEW* request);

    std::deque<int> m_boxAnswers;
    std::deque<std::pair<UINT, ModalHandler>> m_modals;
    std::deque<UINT> m_menus;
    std::deque<std::optional<std::wstring>> m_openFiles;
    std::deque<std::optional<std::wstring>> m_saveFiles;
    std::deque<std::function<BOOL(CHOOSEFONTW&)>> m_fonts;
    std::deque<std::function<BOOL(CHOOSECOLORW&)>> m_colors;
    std::deque<std::function<BOOL(PRINTDLGW&)>> m_prints;

    std::vector<std::wstring> m_calls;
    std::vector<std::wstring> m_boxTexts;
    std::vector<UINT> m_beeps;
    std::vector<UINT> m_menuFlags;

    CSeamOverride<SMessageBoxSeam> m_boxSeam;
    CSeamOverride<SModalRunSeam> m_modalSeam;
    CSeamOverride<SCommonDialogSeam> m_dialogSeam;
    CSeamOverride<SPopupMenuSeam> m_menuSeam;
    CSeamOverride<SBeepSeam> m_beepSeam;
};

// Ends the test run with a message when a modal loop has not ended in time,
// so a hang fails the test instead of the run.
class CModalWatchdog {
public:
    explicit CModalWatchdog(DWORD milliseconds = 20000);
    ~CModalWatchdog();
    CModalWatchdog(const CModalWatchdog&) = delete;
    CModalWatchdog& operator=(const CModalWatchdog&) = delete;

private:
    static DWORD WINAPI Watch(void* context);

    DWORD m_milliseconds;
    CKernelHandle m_done;
    CKernelHandle m_thread;
};

// Dispatches this thread's messages for a while.
void PumpMessagesFor(DWORD milliseconds);

// Once a top-level window of this thread with the caption is up, whatever
// message loop runs calls the action with it (once); for driving a real
// modal dialog from inside its own loop.
void WhenThreadWindowShows(const wchar_t* caption, std::function<void(HWND)> action);

// A top-level window of this thread with the caption, or null. Tests of other
// programs share the desktop, so FindWindow could answer one of theirs.
HWND FindThreadWindow(const wchar_t* caption);
