// The listener thread of attached notes: another program's window events
// arrive at the main window as records, and the thread starts and stops
// cleanly, also when it is slow to end.
#include "AttachedNotesTest.h"

#include "foundation/WinEventHook.h"
#include "notestore/AttachedNotes.h"
#include "tests/support/WindowEventHelper.h"

#include <algorithm>

namespace {

// Wine raises no window events of its own but those of NotifyWinEvent, which
// reach the listener's pump from another process (here the helper).
TEST_F(CAttachedNotesTest, AnotherProgramsEventsArriveUntilTheListenerStops)
{
    CStandInMainWindow main;
    CWindowEventHelper helper(L"Listened helper");
    ASSERT_TRUE(helper.Started());
    ASSERT_TRUE(m_manager.StartListener());
    EXPECT_TRUE(m_manager.IsListenerRunning());
    main.Pump(300);   // the hook is installed on the thread's first run

    helper.Raise(EVENT_OBJECT_NAMECHANGE, eHelperDialog);   // not an application frame
    helper.Raise(EVENT_SYSTEM_FOREGROUND, eHelperTool);
    helper.Raise(EVENT_SYSTEM_FOREGROUND);
    helper.Raise(EVENT_OBJECT_NAMECHANGE);
    helper.ShowFrame(SW_MINIMIZE);
    ASSERT_TRUE(main.PumpUntil(EVENT_SYSTEM_MINIMIZESTART, 5000));
    main.Pump(200);
    // Wine hands a burst of events to the hook in no fixed order.
    const DWORD expected[] = {EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_MINIMIZESTART, EVENT_OBJECT_NAMECHANGE};
    std::vector<DWORD> seen;
    for (const SPostedEvent& posted : main.posted) {
        EXPECT_EQ(posted.window, helper.Frame());
        EXPECT_EQ(posted.title, L"Listened helper");
        if (posted.window == helper.Frame())
            seen.push_back(posted.event);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, std::vector<DWORD>(std::begin(expected), std::end(expected)));

    m_manager.StopListener();
    EXPECT_FALSE(m_manager.IsListenerRunning());
    main.posted.clear();
    helper.Raise(EVENT_SYSTEM_FOREGROUND);
    main.Pump(500);
    EXPECT_TRUE(main.posted.empty());
}

TEST_F(CAttachedNotesTest, RepeatedStartsAndStopsLeaveNoHandles)
{
    ASSERT_TRUE(m_manager.StartListener());
    EXPECT_TRUE(m_manager.StartListener());   // running: still the one thread
    m_manager.StopListener();
    DWORD before = 0, after = 0;
    GetProcessHandleCount(GetCurrentProcess(), &before);
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(m_manager.StartListener());
        m_manager.StopListener();
    }
    GetProcessHandleCount(GetCurrentProcess(), &after);
    EXPECT_EQ(after, before);
    EXPECT_FALSE(m_manager.IsListenerRunning());
    m_manager.StopListener();   // harmless when stopped
}

TEST_F(CAttachedNotesTest, TheAttachmentRowsStartAndStopTheListener)
{
    CNote* note = AttachedNote(L"Rows target", 1);
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(m_manager.IsListenerRunning());   // attaching starts it
    m_manager.StopListener();
    CNoteAttachment::MarkStale();
    CNoteAttachment::LoadCache();                 // rows: started again
    EXPECT_TRUE(m_manager.IsListenerRunning());

    CLogCapture log;
    note->Attachment().SetAttachment(*note, L"", 0);
    EXPECT_TRUE(CNoteAttachment::GetNotesForTitle(L"Rows target").empty());
    EXPECT_FALSE(m_manager.IsListenerRunning());  // the last one detached
    EXPECT_TRUE(log.Contains(L"Closing window thread listener"));
}

// A listener that does not end in time: the thread is not doubled while it
// still runs, and a start after it has ended works.
class CBlockingListener {
public:
    CBlockingListener() : m_release(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    bool OnEvent(DWORD, const wchar_t*, HWND)
    {
        SetEvent(m_entered.Get());
        WaitForSingleObject(m_release.Get(), 30000);
        return true;
    }
    WinEventDelegate Delegate() { return fastdelegate::MakeDelegate<&CBlockingListener::OnEvent>(this); }
    bool WaitEntered(DWORD ms) const { return WaitForSingleObject(m_entered.Get(), ms) == WAIT_OBJECT_0; }
    void Release() const { SetEvent(m_release.Get()); }

private:
    CKernelHandle m_release;
    CKernelHandle m_entered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

TEST_F(CAttachedNotesTest, AListenerHeldPastTheLimitIsForgottenOnlyOnceItEnds)
{
    CStandInMainWindow main;
    CWindowEventHelper helper(L"Blocked helper");
    ASSERT_TRUE(helper.Started());
    CBlockingListener blocking;
    AddWinEventListener(blocking.Delegate());   // before the thread owns the set
    ASSERT_TRUE(m_manager.StartListener());
    main.Pump(300);
    helper.Raise(EVENT_SYSTEM_FOREGROUND);
    ASSERT_TRUE(blocking.WaitEntered(5000));

    CLogCapture log;
    m_manager.StopListener();   // waits its 10 s
    bool logged = false;
    for (const std::wstring& line : log.Lines())
        logged |= line.find(L"Forcibly closed listening thread, ") != std::wstring::npos &&
                  line.size() >= 8 && line.compare(line.size() - 8, 8, L"00000102") == 0;
    EXPECT_TRUE(logged);
    EXPECT_FALSE(m_manager.IsListenerRunning());
    EXPECT_FALSE(m_manager.StartListener());    // the old thread still runs: no second one

    blocking.Release();
    bool restarted = false;
    for (int tries = 0; tries < 100 && !restarted; ++tries) {
        Sleep(50);
        restarted = m_manager.StartListener();
    }
    EXPECT_TRUE(restarted);
    EXPECT_TRUE(m_manager.IsListenerRunning());
    m_manager.StopListener();
    EXPECT_FALSE(m_manager.IsListenerRunning());
    RemoveWinEventListener(blocking.Delegate());
}

TEST_F(CAttachedNotesTest, RecordsQueuedAtTheMainWindowsCloseAreFreed)
{
    CStandInMainWindow main;
    for (int event = 0; event < 3; ++event)
        EXPECT_TRUE(m_manager.PostWindowEvent(EVENT_SYSTEM_FOREGROUND, L"Queued", main.Window()));
    FreeQueuedWindowEvents(main.Window());
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, main.Window(), WM_ATTACHED_WINDOW_EVENT, WM_ATTACHED_WINDOW_EVENT, PM_NOREMOVE));

    // With the main window gone, nothing is posted.
    const HWND saved = g_hwndApp;
    g_hwndApp = nullptr;
    EXPECT_TRUE(m_manager.PostWindowEvent(EVENT_SYSTEM_FOREGROUND, L"Dropped", main.Window()));
    g_hwndApp = saved;
    main.Pump(50);
    EXPECT_TRUE(main.posted.empty());
}

} // namespace
