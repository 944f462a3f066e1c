#include "ScopedUiScript.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "foundation/TextFormat.h"

namespace {

ScopedUiScript* g_active = nullptr;

std::wstring Numbered(const wchar_t* call, unsigned long long number)
{
    wchar_t text[64] = {};
    FormatText(text, 64, L"%s %I64u", call, number);
    return text;
}

template <class Queue>
bool TakeNext(Queue& queue, const std::wstring& call, typename Queue::value_type& next)
{
    if (queue.empty()) {
        ADD_FAILURE() << "unscripted call: " << std::string(call.begin(), call.end());
        return false;
    }
    next = std::move(queue.front());
    queue.pop_front();
    return true;
}

}  // namespace

ScopedUiScript::ScopedUiScript()
    : m_boxSeam(g_messageBoxSeam, SMessageBoxSeam{ OnBox }),
      m_modalSeam(g_modalRunSeam, SModalRunSeam{ OnModal }),
      m_dialogSeam(g_commonDialogSeam, SCommonDialogSeam{ OnOpenFile, OnSaveFile, OnFont, OnColor, OnPrint }),
      m_menuSeam(g_popupMenuSeam, SPopupMenuSeam{ OnMenu }),
      m_beepSeam(g_beepSeam, SBeepSeam{ OnBeep })
{
    EXPECT_EQ(g_active, nullptr) << "one script at a time";
    g_active = this;
}

ScopedUiScript::~ScopedUiScript()
{
    g_active = nullptr;
    const size_t unused = m_boxAnswers.size() + m_modals.size() + m_menus.size() + m_openFiles.size() +
                          m_saveFiles.size() + m_fonts.size() + m_colors.size() + m_prints.size();
    EXPECT_EQ(unused, 0u) << "scripted answers never asked for";
}

ScopedUiScript& ScopedUiScript::Active()
{
    return *g_active;
}

void ScopedUiScript::AnswerMessageBox(int answer)
{
    m_boxAnswers.push_back(answer);
}

void ScopedUiScript::AnswerModal(UINT resourceId, INT_PTR result)
{
    HandleModal(resourceId, [result](const SModalRun&) { return result; });
}

void ScopedUiScript::HandleModal(UINT resourceId, ModalHandler handler)
{
    m_modals.emplace_back(resourceId, std::move(handler));
}

void ScopedUiScript::AnswerMenu(UINT command)
{
    m_menus.push_back(command);
}

void ScopedUiScript::AnswerOpenFile(std::optional<std::wstring> path)
{
    m_openFiles.push_back(std::move(path));
}

void ScopedUiScript::AnswerSaveFile(std::optional<std::wstring> path)
{
    m_saveFiles.push_back(std::move(path));
}

void ScopedUiScript::HandleFont(std::function<BOOL(CHOOSEFONTW&)> handler)
{
    m_fonts.push_back(std::move(handler));
}

void ScopedUiScript::AnswerColor(std::optional<COLORREF> color)
{
    HandleColor([color](CHOOSECOLORW& request) {
        if (color)
            request.rgbResult = *color;
        return color ? TRUE : FALSE;
    });
}

void ScopedUiScript::HandleColor(std::function<BOOL(CHOOSECOLORW&)> handler)
{
    m_colors.push_back(std::move(handler));
}

void ScopedUiScript::AnswerPrint(BOOL result)
{
    HandlePrint([result](PRINTDLGW&) { return result; });
}

void ScopedUiScript::HandlePrint(std::function<BOOL(PRINTDLGW&)> handler)
{
    m_prints.push_back(std::move(handler));
}

int ScopedUiScript::OnBox(HWND, const wchar_t* text, const wchar_t*, UINT)
{
    ScopedUiScript& script = Active();
    const std::wstring shown = text ? text : L"";
    script.Record(L"box " + shown);
    script.m_boxTexts.push_back(shown);
    int answer = IDCANCEL;
    return TakeNext(script.m_boxAnswers, L"box " + shown, answer) ? answer : IDCANCEL;
}

INT_PTR ScopedUiScript::OnModal(const SModalRun& run)
{
    ScopedUiScript& script = Active();
    const std::wstring call = Numbered(L"modal", run.resourceId);
    script.Record(call);
    std::pair<UINT, ModalHandler> next;
    if (!TakeNext(script.m_modals, call, next))
        return IDCANCEL;
    EXPECT_EQ(next.first, run.resourceId) << "a modal run out of order";
    return next.second(run);
}

BOOL ScopedUiScript::OnMenu(HMENU, UINT flags, int, int, HWND owner, const RECT*)
{
    ScopedUiScript& script = Active();
    script.Record(L"menu");
    script.m_menuFlags.push_back(flags);
    UINT command = 0;
    TakeNext(script.m_menus, L"menu", command);
    if (flags & TPM_RETURNCMD)
        return static_cast<BOOL>(command);
    // As the real menu does, the choice arrives after the call returns.
    if (command)
        PostMessageW(owner, WM_COMMAND, command, 0);
    return TRUE;
}

BOOL ScopedUiScript::AnswerFileName(std::deque<std::optional<std::wstring>>& queue, const wchar_t* call,
                                    OPENFILENAMEW* request)
{
    Record(call);
    std::optional<std::wstring> path;
    if (!TakeNext(queue, call, path) || !path || !request->lpstrFile || request->nMaxFile == 0)
        return FALSE;
    const size_t length = std::min<size_t>(path->size(), request->nMaxFile - 1);
    wmemcpy(request->lpstrFile, path->c_str(), length);
    request->lpstrFile[length] = L'\0';
    return TRUE;
}

BOOL ScopedUiScript::OnOpenFile(OPENFILENAMEW* request)
{
    ScopedUiScript& script = Active();
    return script.AnswerFileName(script.m_openFiles, L"open", request);
}

BOOL ScopedUiScript::OnSaveFile(OPENFILENAMEW* request)
{
    ScopedUiScript& script = Active();
    return script.AnswerFileName(script.m_saveFiles, L"save", request);
}

BOOL ScopedUiScript::OnFont(CHOOSEFONTW* request)
{
    ScopedUiScript& script = Active();
    script.Record(L"font");
    std::function<BOOL(CHOOSEFONTW&)> handler;
    return TakeNext(script.m_fonts, L"font", handler) ? handler(*request) : FALSE;
}

BOOL ScopedUiScript::OnColor(CHOOSECOLORW* request)
{
    ScopedUiScript& script = Active();
    script.Record(L"color");
    std::function<BOOL(CHOOSECOLORW&)> handler;
    return TakeNext(script.m_colors, L"color", handler) ? handler(*request) : FALSE;
}

BOOL ScopedUiScript::OnPrint(PRINTDLGW* request)
{
    ScopedUiScript& script = Active();
    script.Record(L"print");
    std::function<BOOL(PRINTDLGW&)> handler;
    return TakeNext(script.m_prints, L"print", handler) ? handler(*request) : FALSE;
}

BOOL ScopedUiScript::OnBeep(UINT type)
{
    ScopedUiScript& script = Active();
    script.Record(Numbered(L"beep", type));
    script.m_beeps.push_back(type);
    return TRUE;
}

CModalWatchdog::CModalWatchdog(DWORD milliseconds)
    : m_milliseconds(milliseconds), m_done(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_thread(CreateThread(nullptr, 0, Watch, this, 0, nullptr))
{
}

CModalWatchdog::~CModalWatchdog()
{
    SetEvent(m_done.Get());
    WaitForSingleObject(m_thread.Get(), INFINITE);
}

DWORD WINAPI CModalWatchdog::Watch(void* context)
{
    auto* const watchdog = static_cast<CModalWatchdog*>(context);
    if (WaitForSingleObject(watchdog->m_done.Get(), watchdog->m_milliseconds) == WAIT_TIMEOUT) {
        std::fputs("watchdog: a modal loop did not end\n", stderr);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    return 0;
}

void PumpMessagesFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

HWND FindThreadWindow(const wchar_t* caption)
{
    struct Search {
        const wchar_t* caption;
        HWND found;
    } search = { caption, nullptr };
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            auto* const s = reinterpret_cast<Search*>(context);
            wchar_t text[256] = {};
            GetWindowTextW(window, text, 256);
            if (wcscmp(text, s->caption) != 0)
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

namespace {

std::wstring g_awaitedCaption;
std::function<void(HWND)> g_awaitedAction;

void CALLBACK PollForAwaitedWindow(HWND, UINT, UINT_PTR timer, DWORD)
{
    const HWND window = FindThreadWindow(g_awaitedCaption.c_str());
    if (!window)
        return;
    KillTimer(nullptr, timer);
    const std::function<void(HWND)> action = std::move(g_awaitedAction);
    action(window);
}

}  // namespace

void WhenThreadWindowShows(const wchar_t* caption, std::function<void(HWND)> action)
{
    g_awaitedCaption = caption;
    g_awaitedAction = std::move(action);
    SetTimer(nullptr, 0, 10, &PollForAwaitedWindow);
}
