// The picker pointed at a real window of another thread: it needs real
// cursor positions and window hit testing, so it runs under Xvfb.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "foundation/StdStr.h"
#include "tests/support/ForeignWindowThread.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/toolkit/ToolkitTestWindows.h"
#include "toolkit/WindowPicker.h"

namespace {

const wchar_t kTargetClass[] = L"QuilletPickTarget";
const wchar_t kTargetTitle[] = L"Pick me";

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
    // A sizable frame with a button, standing in for another program.
    CForeignWindowThread target{kTargetClass, kTargetTitle, RECT{560, 420, 960, 720}, L"Push"};
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
