// The toolbar's tips on a real X server, with the real cursor: a first tip
// after a second's rest, the next button's at once, a key that ends them,
// a new colour scheme, and a screenshot in the build folder of the five
// glyphs and the tip.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "foundation/WinPlacement.h"
#include "shell/toolbar.h"
#include "tests/shell/PrintClient.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/Screenshot.h"

namespace {

constexpr wchar_t kScreenshot[] = L"toolbar-tip-xvfb-screenshot.bmp";
constexpr int kBarX = 300;
constexpr int kBarY = 300;

BOOL CALLBACK FindTip(HWND window, LPARAM found)
{
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (wcscmp(name, L"QUILLT Tooltips") == 0)
        *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}

HWND TipWindow()
{
    HWND tip = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindTip, reinterpret_cast<LPARAM>(&tip));
    return tip;
}

std::wstring ShownTip(HWND tip)
{
    if (!IsWindowVisible(tip))
        return L"";
    wchar_t text[64] = {};
    GetWindowTextW(tip, text, 64);
    return text;
}

// Pumps until the tip shows the text or the time is up; the time it took.
DWORD WaitForTip(HWND tip, const std::wstring& text, DWORD limit)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < limit) {
        PumpMessagesFor(20);
        if (ShownTip(tip) == text)
            break;
    }
    return GetTickCount() - start;
}

TEST(ToolbarTipsXvfb, FirstTipAfterARestNextAtOnceAKeyEndsThem)
{
    CModalWatchdog watchdog(30000);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QuilletTestTipOwner";
    RegisterClassW(&windowClass);
    const HWND owner = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"", WS_POPUP,
                                       kBarX, kBarY, kToolbarWidth, kToolbarHeight, nullptr, nullptr,
                                       windowClass.hInstance, nullptr);
    ASSERT_TRUE(owner);
    const HWND bar = CreateToolbar(owner, GetModuleHandleW(nullptr));
    ASSERT_TRUE(bar);
    ShowWindow(owner, SW_SHOW);
    SetForegroundWindow(owner);
    SetWindowPos(bar, nullptr, 0, 0, kToolbarWidth, kToolbarHeight, SWP_NOZORDER);
    ShowWindow(bar, SW_SHOW);
    UpdateWindow(bar);
    const HWND tip = TipWindow();
    ASSERT_TRUE(tip);

    SetCursorPos(kBarX + 40, kBarY + 8);   // New Note
    const DWORD first = WaitForTip(tip, L"New Note", 5000);
    EXPECT_EQ(ShownTip(tip), L"New Note");
    EXPECT_GE(first, 900u);
    RECT tipRect = {};
    GetWindowRect(tip, &tipRect);
    EXPECT_GT(tipRect.top, kBarY + 8);     // below the cursor

    SetCursorPos(kBarX + 63, kBarY + 8);   // Preferences
    const DWORD next = WaitForTip(tip, L"Preferences", 3000);
    EXPECT_EQ(ShownTip(tip), L"Preferences");
    EXPECT_LT(next, 800u);

    SetCursorPos(kBarX + 40, kBarY + 8);
    WaitForTip(tip, L"New Note", 3000);
    PumpMessagesFor(300);
    GetWindowRect(tip, &tipRect);
    const COLORREF tipPixel = SaveScreenshot(kScreenshot, POINT{tipRect.left + 2, tipRect.bottom - 3});
    EXPECT_EQ(tipPixel, COLORREF{0x70FFFF});

    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = VK_SHIFT;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, inputs, sizeof(INPUT)), 2u);
    PumpMessagesFor(120);
    EXPECT_FALSE(IsWindowVisible(tip)) << "a key ends tip mode";

    // A new colour scheme recolours the glyphs at the next paint. Only the
    // tests on the X server share this prefix, and they run one at a time.
    const int element = COLOR_WINDOW;
    const COLORREF before = GetSysColor(element);
    const COLORREF scheme = RGB(0x12, 0x9A, 0x34);
    ASSERT_TRUE(SetSysColors(1, &element, &scheme));
    const COLORREF paper = PrintClientPixels(bar, kToolbarWidth, kToolbarHeight)[(2 + 4) * kToolbarWidth + 33 + 2];
    SetSysColors(1, &element, &before);
    EXPECT_EQ(paper, scheme);

    DestroyWindow(owner);
    EXPECT_FALSE(IsWindow(tip));
}

}  // namespace
