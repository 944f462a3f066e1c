// The caption's buttons under real mouse input: a press tracks the button
// until the release, and only a release over it acts. The releases come from
// another thread once the frame holds the mouse, since the tracking loop
// holds this one.
#include <gtest/gtest.h>
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "../support/ScopedUiScript.h"
#include "CaptionTestFrame.h"
#include "notewindows/VeduVure.h"

namespace {

const RECT kFrameRect = {300, 200, 560, 360};
constexpr DWORD kWatchdogMilliseconds = 20000;

void SendMouse(POINT point, DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(point.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(point.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    SendInput(1, &input, sizeof input);
}

HWND CaptureOf(DWORD thread)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread, &info) ? info.hwndCapture : nullptr;
}

// Waits (on another thread) until the window holds the mouse, runs the step
// there, then lets the button go at the point.
class CReleaseWhenCaptured {
public:
    template <class Step>
    CReleaseWhenCaptured(HWND window, POINT release, Step step)
        : m_thread([this, window, release, step, owner = GetCurrentThreadId()] {
              while (CaptureOf(owner) != window)
                  Sleep(5);
              step();
              SendMouse(release, MOUSEEVENTF_LEFTUP);
              m_done = true;
          })
    {
    }
    ~CReleaseWhenCaptured() { m_thread.join(); }

    void PumpUntilDone()
    {
        while (!m_done)
            PumpMessagesFor(10);
        PumpMessagesFor(50);
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

POINT ButtonCentre(HWND window, EItsyButton kind)
{
    const int places[] = {1, 0, 2, 0};  // maximize, (minimize), menu, close on a note frame
    RECT button;
    ItsyGetButtonRect(window, places[kind], button);
    return {(button.left + button.right) / 2, (button.top + button.bottom) / 2};
}

void Press(HWND window, POINT press, POINT release)
{
    CReleaseWhenCaptured releaser(window, release, [] {});
    SendMouse(press, MOUSEEVENTF_LEFTDOWN);
    releaser.PumpUntilDone();
}

// The thief's procedure runs on the test's thread when the releasing thread
// sends it WM_APP, so its SetCapture acts for that thread.
LRESULT CALLBACK TakeCapture(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (msg == WM_APP) {
        SetCapture(window);
        return 0;
    }
    return DefSubclassProc(window, msg, wParam, lParam);
}

class CaptionInputTest : public testing::Test {
protected:
    void SetUp() override { PrepareCaptionGlobals(); }
};

} // namespace

TEST_F(CaptionInputTest, ButtonsActOnlyWhenReleasedOverThem)
{
    const CModalWatchdog watchdog(kWatchdogMilliseconds);
    CTestNoteFrame frame(kFrameRect);
    const HWND window = frame.Get();
    PumpMessagesFor(50);
    const POINT away = {kFrameRect.left + 60, kFrameRect.top + 60};
    struct Case {
        const char* name;
        EItsyButton button;
        bool releaseInside;
        UINT expected;  // 0: nothing reaches the frame
        WPARAM wParam;
    };
    const Case cases[] = {
        {"close", kItsyClose, true, WM_SYSCOMMAND, SC_CLOSE},
        {"menu", kItsyMenu, true, WM_ITSY_MENU, 0},
        {"maximize rolls", kItsyMaximize, true, WM_ITSY_MAXIMIZE, HTMAXBUTTON},
        {"close released outside", kItsyClose, false, 0, 0},
        {"menu released outside", kItsyMenu, false, 0, 0},
    };
    for (const Case& c : cases) {
        frame.ClearMessages();
        const POINT press = ButtonCentre(window, c.button);
        Press(window, press, c.releaseInside ? press : away);
        EXPECT_EQ(GetCapture(), nullptr) << c.name;
        if (!c.expected) {
            EXPECT_TRUE(frame.Messages().empty()) << c.name;
            continue;
        }
        ASSERT_EQ(frame.Messages().size(), 1u) << c.name;
        const SFrameMessage& got = frame.Messages().front();
        EXPECT_EQ(got.msg, c.expected) << c.name;
        EXPECT_EQ(got.wParam, c.wParam) << c.name;
        // The press's own screen point, also for the menu's position.
        EXPECT_EQ(GET_X_LPARAM(got.lParam), press.x) << c.name;
        EXPECT_EQ(GET_Y_LPARAM(got.lParam), press.y) << c.name;
    }
}

TEST_F(CaptionInputTest, DoubleClickOnTheStripRollsTheNote)
{
    const CModalWatchdog watchdog(kWatchdogMilliseconds);
    CTestNoteFrame frame(kFrameRect);
    PumpMessagesFor(50);
    const POINT strip = {(kFrameRect.left + kFrameRect.right) / 2, kFrameRect.bottom - 8};
    for (int click = 0; click < 2; ++click) {
        SendMouse(strip, MOUSEEVENTF_LEFTDOWN);
        SendMouse(strip, MOUSEEVENTF_LEFTUP);
    }
    PumpMessagesFor(100);
    ASSERT_EQ(frame.Messages().size(), 1u);
    EXPECT_EQ(frame.Messages().front().msg, WM_ITSY_MINIMIZE);
}

// Another window taking the mouse mid-press ends the tracking as a release
// outside: nothing happens and the loop returns instead of waiting forever.
TEST_F(CaptionInputTest, CaptureTakenMidPressEndsTheTracking)
{
    const CModalWatchdog watchdog(kWatchdogMilliseconds);
    CTestNoteFrame frame(kFrameRect);
    const HWND thief = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(thief);
    ASSERT_TRUE(SetWindowSubclass(thief, TakeCapture, 1, 0));
    PumpMessagesFor(50);

    const POINT press = ButtonCentre(frame.Get(), kItsyClose);
    {
        CReleaseWhenCaptured releaser(frame.Get(), press, [thief] { SendMessageW(thief, WM_APP, 0, 0); });
        SendMouse(press, MOUSEEVENTF_LEFTDOWN);
        releaser.PumpUntilDone();
    }
    EXPECT_TRUE(frame.Messages().empty());
    ReleaseCapture();
    RemoveWindowSubclass(thief, TakeCapture, 1);
    DestroyWindow(thief);
}

// A button lights up while the pointer is over it, and only then.
TEST_F(CaptionInputTest, ButtonUnderThePointerIsLit)
{
    const CModalWatchdog watchdog(kWatchdogMilliseconds);
    CTestNoteFrame frame(kFrameRect);
    RECT close;
    ItsyGetButtonRect(frame.Get(), 0, close);
    const POINT over = ButtonCentre(frame.Get(), kItsyClose);
    const POINT away = {kFrameRect.left + 60, kFrameRect.top + 60};
    OffsetRect(&close, -kFrameRect.left, -kFrameRect.top);
    for (const bool hovering : {true, false}) {
        SendMouse(hovering ? over : away, 0);
        PumpMessagesFor(50);
        const CPrintedWindow printed(frame.Get(), PRF_NONCLIENT | PRF_ERASEBKGND);
        EXPECT_EQ(printed.Count(close, GetSysColor(COLOR_BTNHIGHLIGHT)) > 0, hovering) << hovering;
    }
}
