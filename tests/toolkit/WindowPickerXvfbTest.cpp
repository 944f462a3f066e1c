// The picker pointed at a real window of another thread: it needs real
// cursor positions and window hit testing, so it runs under Xvfb.
#include <gtest/gtest.h>
#include <windows.h>

#include <future>
#include <string>
#include <thread>

#include "foundation/StdStr.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/toolkit/ToolkitTestWindows.h"
#include "toolkit/WindowPicker.h"

namespace {

const wchar_t kTargetClass[] = L"QuilletPickTarget";
const wchar_t kTargetTitle[] = L"Pick me";

// A sizable frame with a button, standing in for another program: a thread of
// its own that pumps messages, so the picker can ask it for its title.
class CTargetThread {
public:
    CTargetThread()
    {
        std::promise<void> ready;
        std::future<void> created = ready.get_future();
        m_thread = std::thread([this, &ready] { Run(ready); });
        created.wait();
    }
    ~CTargetThread()
    {
        PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    CTargetThread(const CTargetThread&) = delete;
    CTargetThread& operator=(const CTargetThread&) = delete;

    HWND Frame() const { return m_frame; }
    HWND Button() const { return m_button; }
    // Destroyed on its own thread, as another program would.
    void Close() const { SendMessageW(m_frame, WM_CLOSE, 0, 0); }

private:
    void Run(std::promise<void>& ready)
    {
        m_threadId = GetCurrentThreadId();
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = kTargetClass;
        RegisterClassW(&wc);
        m_frame = CreateWindowExW(WS_EX_TOPMOST, kTargetClass, kTargetTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 560,
                                  420, 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
        m_button = CreateWindowExW(0, L"BUTTON", L"Push", WS_CHILD | WS_VISIBLE, 20, 20, 120, 40, m_frame, nullptr,
                                   wc.hInstance, nullptr);
        UpdateWindow(m_frame);
        ready.set_value();
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
            DispatchMessageW(&msg);
        if (IsWindow(m_frame))
            DestroyWindow(m_frame);
    }

    std::thread m_thread;
    DWORD m_threadId = 0;
    HWND m_frame = nullptr;
    HWND m_button = nullptr;
};

CWindowPicker* g_picker = nullptr;

// The owner's capturing window feeds the picker every message, as the note
// frame and the attach dialog do.
LRESULT CALLBACK FeedsThePicker(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (g_picker)
        g_picker->OnMessage(msg, wParam, lParam);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

POINT Centre(HWND window)
{
    const RECT rect = WindowRect(window);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// A pixel inside the 8-pixel band the picker inverts along the frame's left
// edge (Wine's window DC clips the outermost 4 pixels of a sizable frame).
COLORREF BorderPixel(HWND frame)
{
    const RECT rect = WindowRect(frame);
    const CWindowDC dc(frame, true);
    return GetPixel(dc.Get(), 6, (rect.bottom - rect.top) / 2);
}

class LivePicker : public testing::Test {
protected:
    LivePicker()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = FeedsThePicker;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuilletPickOwner";
        RegisterClassW(&wc);
        m_capturer = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"owner", WS_POPUP | WS_VISIBLE, 1050, 100,
                                     150, 150, nullptr, nullptr, wc.hInstance, nullptr);
        g_picker = &picker;
        picker.Reset(m_capturer);
        SetCursor(m_arrow);
        m_original = BorderPixel(target.Frame());
    }
    void SetUp() override { ASSERT_NE(m_original, CLR_INVALID) << "the frame's pixels cannot be read"; }
    ~LivePicker() override
    {
        picker.EndPick();
        g_picker = nullptr;
        DestroyWindow(m_capturer);
    }

    HWND Capturer() const { return m_capturer; }
    COLORREF Original() const { return m_original; }
    COLORREF Inverted() const { return m_original ^ 0xFFFFFF; }
    HCURSOR Arrow() const { return m_arrow; }

    // Puts the cursor on a screen point and tells the capturing window.
    void PointAt(POINT screen) const
    {
        SetCursorPos(screen.x, screen.y);
        POINT client = screen;
        ScreenToClient(m_capturer, &client);
        SendMessageW(m_capturer, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    }

    void StartOnTheButton()
    {
        picker.BeginPick(m_capturer);
        PointAt(Centre(target.Button()));
        ASSERT_EQ(picker.GetTarget(), target.Frame());
        ASSERT_EQ(BorderPixel(target.Frame()), Inverted());
    }

    void ExpectPickEnded() const
    {
        EXPECT_FALSE(picker.IsPicking());
        EXPECT_EQ(GetCursor(), m_arrow);
        EXPECT_FALSE(IsWindowVisible(picker.GetIndicatorWindow()));
    }

    CModalWatchdog watchdog;
    CTargetThread target;
    CWindowPicker picker;

private:
    HWND m_capturer = nullptr;
    const HCURSOR m_arrow = LoadCursorW(nullptr, IDC_ARROW);
    COLORREF m_original = 0;
};

TEST_F(LivePicker, PointingAtAChildPicksItsFrame)
{
    picker.BeginPick(Capturer());
    EXPECT_TRUE(picker.IsPicking());
    EXPECT_EQ(GetCapture(), Capturer());
    EXPECT_NE(GetCursor(), Arrow()) << "the picker's own cursor";
    EXPECT_NE(GetCursor(), nullptr);

    const POINT button = Centre(target.Button());
    PointAt(button);
    const HWND frame = target.Frame();
    EXPECT_EQ(picker.GetTarget(), frame);
    CStdStr handle;
    handle.Format(L"0x%08X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(frame)));
    EXPECT_EQ(picker.GetHandleText(), handle);
    EXPECT_EQ(picker.GetClassText(), kTargetClass);
    EXPECT_EQ(picker.GetTitle(), kTargetTitle);
    POINT client = button;
    ScreenToClient(Capturer(), &client);
    CStdStr position;
    position.Format(L"X=%ld, Y=%ld", static_cast<long>(client.x), static_cast<long>(client.y));
    EXPECT_EQ(picker.GetPositionText(), position) << "signed client coordinates";
    EXPECT_EQ(picker.GetZone(), 1) << "the button lies in the top-left quarter";
    EXPECT_EQ(BorderPixel(frame), Inverted());
    const HWND indicator = picker.GetIndicatorWindow();
    ASSERT_TRUE(IsWindowVisible(indicator));
    const RECT frameRect = WindowRect(frame);
    EXPECT_EQ(WindowRect(indicator).left, frameRect.left + 8);
    EXPECT_EQ(WindowRect(indicator).top, frameRect.top + 8);

    // The program's own window: nothing is pointed at, the last target stays.
    PointAt(Centre(Capturer()));
    EXPECT_EQ(picker.GetTarget(), frame);
    EXPECT_EQ(picker.GetZone(), -1);
    EXPECT_EQ(picker.GetTitle(), L"");
    EXPECT_EQ(BorderPixel(frame), Original());
    EXPECT_FALSE(IsWindowVisible(indicator));

    PointAt(button);
    EXPECT_EQ(BorderPixel(frame), Inverted());
    SendMessageW(Capturer(), WM_LBUTTONUP, 0, 0);
    ExpectPickEnded();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(BorderPixel(frame), Original());
    EXPECT_FALSE(picker.EndedByEscape());
    EXPECT_EQ(picker.GetTarget(), frame) << "kept for the owner";
    EXPECT_EQ(picker.GetZone(), 1);
}

TEST_F(LivePicker, EscEndsOnlyARunningPick)
{
    StartOnTheButton();
    SendMessageW(Capturer(), WM_KEYDOWN, VK_ESCAPE, 0);
    ExpectPickEnded();
    EXPECT_TRUE(picker.EndedByEscape());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(BorderPixel(target.Frame()), Original());

    // Idle, the owner still feeds its keys: another window's capture and
    // cursor must survive a stray Esc.
    const CTestWindow other(RECT{1050, 300, 1150, 400}, WS_EX_TOPMOST);
    SetCapture(other.Get());
    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    SetCursor(wait);
    SendMessageW(Capturer(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(GetCapture(), other.Get());
    EXPECT_EQ(GetCursor(), wait);
    ReleaseCapture();
}

TEST_F(LivePicker, CaptureTakenByAnotherWindowEndsThePick)
{
    StartOnTheButton();
    const CTestWindow other(RECT{1050, 300, 1150, 400}, WS_EX_TOPMOST);
    SetCapture(other.Get());
    ExpectPickEnded();
    EXPECT_FALSE(picker.EndedByEscape());
    EXPECT_EQ(GetCapture(), other.Get()) << "the new owner keeps the mouse";
    EXPECT_EQ(BorderPixel(target.Frame()), Original());
    ReleaseCapture();
}

TEST_F(LivePicker, ATargetDestroyedMidPickIsNotDrawnOn)
{
    StartOnTheButton();
    target.Close();
    ASSERT_FALSE(IsWindow(target.Frame()));
    SendMessageW(Capturer(), WM_LBUTTONUP, 0, 0);
    ExpectPickEnded();
    EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
