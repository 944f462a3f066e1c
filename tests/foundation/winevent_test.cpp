// The window-event hook's dispatcher, its filter of events and windows, its
// naming rule, and the one wait that pumps sent messages.
#include <gtest/gtest.h>

#include "foundation/PumpingWait.h"
#include "foundation/WinEventHook.h"
#include "framework/ComBstr.h"
#include "framework/KernelHandle.h"
#include "tests/support/WindowEventHelper.h"

#include <vector>

namespace {

struct SEventSeen {
    DWORD event;
    std::wstring name;
    HWND window;
};

class CRecordingListener {
public:
    explicit CRecordingListener(bool goOn = true) : m_goOn(goOn) {}
    bool OnEvent(DWORD event, const wchar_t* name, HWND window)
    {
        seen.push_back({event, name, window});
        return m_goOn;
    }
    WinEventDelegate Delegate() { return fastdelegate::MakeDelegate<&CRecordingListener::OnEvent>(this); }

    std::vector<SEventSeen> seen;

private:
    bool m_goOn;
};

// Subscribed for a test's span.
class CSubscription {
public:
    explicit CSubscription(const WinEventDelegate& listener) : m_listener(listener) { AddWinEventListener(listener); }
    ~CSubscription() { RemoveWinEventListener(m_listener); }
    CSubscription(const CSubscription&) = delete;
    CSubscription& operator=(const CSubscription&) = delete;

private:
    WinEventDelegate m_listener;
};

TEST(WinEventDispatcher, OneEntryPerDelegateAndAFalseAnswerStopsTheFanOut)
{
    CRecordingListener first;
    EXPECT_TRUE(AddWinEventListener(first.Delegate()).second);
    EXPECT_FALSE(AddWinEventListener(first.Delegate()).second);
    EXPECT_EQ(WinEventListeners().listeners.size(), 1u);
    EXPECT_EQ(RemoveWinEventListener(first.Delegate()), 1u);
    EXPECT_EQ(RemoveWinEventListener(first.Delegate()), 0u);
    EXPECT_TRUE(WinEventListeners().listeners.empty());

    // The set orders by object address: the stopper comes first or last.
    CRecordingListener listeners[3] = {CRecordingListener(true), CRecordingListener(false), CRecordingListener(true)};
    WinEventListenerSet set;
    for (CRecordingListener& listener : listeners)
        set.listeners.insert(listener.Delegate());
    EXPECT_FALSE(DispatchWinEvent(set, EVENT_SYSTEM_FOREGROUND, L"Mail", nullptr));
    EXPECT_EQ(listeners[0].seen.size(), 1u);
    EXPECT_EQ(listeners[1].seen.size(), 1u);
    EXPECT_EQ(listeners[2].seen.size(), 0u);   // after the one that answered false
    EXPECT_EQ(listeners[0].seen[0].name, L"Mail");
    EXPECT_TRUE(DispatchWinEvent(WinEventListenerSet(), EVENT_SYSTEM_FOREGROUND, L"", nullptr));
}

TEST(WinEventDispatcher, NamingRule)
{
    const HWND titled = CreateWindowExW(0, L"STATIC", L"Ledger - Calc", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        nullptr, nullptr);
    const HWND untitled = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                          nullptr);
    ASSERT_TRUE(titled && untitled);
    const CComBstr edit(L"Edit"), editLower(L"edit"), named(L"Inbox"), empty(L"");
    struct Case { EAccessibleName answer; BSTR name; HWND window; bool dispatched; const wchar_t* expected; };
    const Case cases[] = {
        {EAccessibleName::Text, edit.Get(), titled, false, L""},          // an edit field's events are dropped
        {EAccessibleName::Text, editLower.Get(), titled, true, L"edit"},  // the compare minds case
        {EAccessibleName::Text, named.Get(), titled, true, L"Inbox"},     // the accessible name wins
        {EAccessibleName::Text, nullptr, titled, true, L""},              // a null name is empty, no fallback
        {EAccessibleName::Text, empty.Get(), titled, true, L""},
        {EAccessibleName::None, nullptr, titled, true, L"Ledger - Calc"}, // no accessible object: window text
        {EAccessibleName::Failed, named.Get(), titled, true, L"Ledger - Calc"},
        {EAccessibleName::None, nullptr, untitled, true, L""},
    };
    for (const Case& c : cases) {
        std::wstring name = L"unset";
        EXPECT_EQ(NameWinEventWindow(c.answer, c.name, c.window, name), c.dispatched) << static_cast<int>(c.answer);
        if (c.dispatched) {
            EXPECT_EQ(name, c.expected) << static_cast<int>(c.answer);
        }
    }
    DestroyWindow(titled);
    DestroyWindow(untitled);
}

// The filter, called as the system calls the hook: only the nine events, only
// on another process's resizable frame with both boxes.
TEST(WinEventHookProc, PassesTheNineEventsOfAnotherProgramsFrameOnly)
{
    CWindowEventHelper helper(L"Hook table frame");
    ASSERT_TRUE(helper.Started());
    const HWND own = CreateWindowExW(0, L"STATIC", L"Own frame", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                     nullptr, nullptr, nullptr);
    ASSERT_NE(own, nullptr);
    CRecordingListener listener;
    CSubscription subscription(listener.Delegate());

    const DWORD forwarded[] = {EVENT_SYSTEM_FOREGROUND,     EVENT_SYSTEM_MOVESIZESTART, EVENT_SYSTEM_MOVESIZEEND,
                               EVENT_SYSTEM_MINIMIZESTART,  EVENT_SYSTEM_MINIMIZEEND,   EVENT_OBJECT_SHOW,
                               EVENT_OBJECT_HIDE,           EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_NAMECHANGE};
    const DWORD dropped[] = {EVENT_OBJECT_CREATE, EVENT_OBJECT_DESTROY, EVENT_OBJECT_FOCUS};
    struct Window { HWND window; bool followed; const char* what; };
    const Window windows[] = {
        {helper.Frame(), true, "another program's frame"},
        {helper.Window(eHelperDialog), false, "dialog-style"},
        {helper.Window(eHelperTool), false, "tool window"},
        {own, false, "own process"},   // Wine ignores WINEVENT_SKIPOWNPROCESS
    };
    for (const Window& w : windows) {
        for (DWORD event : forwarded) {
            listener.seen.clear();
            WinEventHookProc(nullptr, event, w.window, OBJID_WINDOW, CHILDID_SELF, 0, 0);
            ASSERT_EQ(listener.seen.size(), w.followed ? 1u : 0u) << w.what << " " << std::hex << event;
            if (w.followed) {
                EXPECT_EQ(listener.seen[0].event, event);
                EXPECT_EQ(listener.seen[0].window, w.window);
                EXPECT_EQ(listener.seen[0].name, L"Hook table frame");
            }
        }
        for (DWORD event : dropped) {
            listener.seen.clear();
            WinEventHookProc(nullptr, event, w.window, OBJID_WINDOW, CHILDID_SELF, 0, 0);
            EXPECT_TRUE(listener.seen.empty()) << w.what << " " << std::hex << event;
        }
    }
    DestroyWindow(own);
}

// ---------------------------------------------------------------- the pumping wait

const UINT kPostedMeanwhile = WM_APP + 7;

LRESULT CALLBACK AnswerWithSeven(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return msg == WM_APP ? 7 : DefWindowProcW(window, msg, wParam, lParam);
}

struct SSendingWorker {
    HWND target;
    LRESULT answer;
};

DWORD WINAPI SendHereThenEnd(void* parameter)
{
    SSendingWorker& worker = *static_cast<SSendingWorker*>(parameter);
    PostMessageW(worker.target, kPostedMeanwhile, 0, 0);
    worker.answer = SendMessageW(worker.target, WM_APP, 0, 0);   // blocks until the waiter serves it
    return 0;
}

TEST(WaitPumpingSentMessages, ServesAWorkerThatSendsHereAndLeavesPostedMessagesQueued)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = AnswerWithSeven;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PumpingWaitTarget";
    RegisterClassW(&wc);
    const HWND target = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        wc.hInstance, nullptr);
    ASSERT_NE(target, nullptr);
    SSendingWorker worker = {target, 0};
    CKernelHandle thread(CreateThread(nullptr, 0, SendHereThenEnd, &worker, 0, nullptr));
    const HANDLE handles[] = {thread.Get()};
    EXPECT_TRUE(WaitPumpingSentMessages(handles, 1, 10000));
    EXPECT_EQ(worker.answer, 7);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, target, kPostedMeanwhile, kPostedMeanwhile, PM_REMOVE));
    DestroyWindow(target);
}

TEST(WaitPumpingSentMessages, WaitsForEveryHandleAndTimesOut)
{
    CKernelHandle set(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    CKernelHandle never(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE both[] = {set.Get(), never.Get()};
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(WaitPumpingSentMessages(both, 2, 300));
    const ULONGLONG waited = GetTickCount64() - start;
    EXPECT_GE(waited, 280u);
    EXPECT_LT(waited, 5000u);
    CKernelHandle alsoSet(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    const HANDLE signalled[] = {set.Get(), alsoSet.Get()};
    EXPECT_TRUE(WaitPumpingSentMessages(signalled, 2, 0));
    EXPECT_TRUE(WaitPumpingSentMessages(nullptr, 0, 0));
}

} // namespace
