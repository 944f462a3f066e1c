// Proves a test tier: a real top-level window with a rich edit child that
// takes text and gives it back. Built once per tier; in the Xvfb tier it
// also takes a screenshot into the build folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Library.h"
#include "tests/support/Screenshot.h"

namespace {

struct WindowDeleter {
    void operator()(HWND hwnd) const { DestroyWindow(hwnd); }
};
using WindowOwner = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

void PumpMessages(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

std::wstring WindowText(HWND hwnd)
{
    std::wstring text(GetWindowTextLengthW(hwnd) + 1, L'\0');
    text.resize(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size())));
    return text;
}

} // namespace

TEST(TestTier, RichEditWindowTakesAndGivesText)
{
    const CLibrary msftedit(LoadLibraryW(L"Msftedit.dll"));
    ASSERT_TRUE(msftedit) << GetLastError();

    WindowOwner frame(CreateWindowExW(0, L"STATIC", L"Quillet tier", WS_OVERLAPPEDWINDOW,
                                      100, 100, 400, 300, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(frame) << GetLastError();
    HWND editor = CreateWindowExW(0, MSFTEDIT_CLASS, L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE,
                                  0, 0, 380, 260, frame.get(), nullptr, nullptr, nullptr);
    ASSERT_TRUE(editor) << GetLastError();

    const std::wstring text = L"Milk, eggs \u00e9\u20ac \u65e5\u672c";
    ASSERT_TRUE(SetWindowTextW(editor, text.c_str()));
    EXPECT_EQ(WindowText(editor), text);

    ShowWindow(frame.get(), SW_SHOW);
    UpdateWindow(frame.get());
    PumpMessages(300);
    EXPECT_TRUE(IsWindowVisible(editor));

#ifdef QUILLET_TEST_SCREENSHOT
    // The rich edit's white page must show in the picture: the X server
    // really drew the window.
    RECT client;
    GetWindowRect(editor, &client);
    const POINT probe = { client.right - 20, client.bottom - 20 };
    const COLORREF colour = SaveScreenshot(L"tier-xvfb-screenshot.bmp", probe);
    EXPECT_EQ(colour, RGB(255, 255, 255));
    EXPECT_NE(GetFileAttributesW(L"tier-xvfb-screenshot.bmp"), INVALID_FILE_ATTRIBUTES);
#endif
}
