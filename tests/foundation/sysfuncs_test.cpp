// The run-time bound system functions and the Windows-version flags.
#include <gtest/gtest.h>

#include <windows.h>

#include "foundation/Seams.h"
#include "foundation/SysFuncs.h"
#include "foundation/TextFormat.h"
#include "foundation/WinVersion.h"

namespace {

const int kTestIconId = 61000;  // tests/foundation/SettingsTest.rc

TEST(FindSystemFunction, GivesNoneForAbsentLibrariesAndFunctions)
{
    EXPECT_NE(FindSystemFunction(L"User32.dll", "GetCursorPos"), nullptr);
    EXPECT_EQ(FindSystemFunction(L"User32.dll", "NoSuchFunctionAnywhere"), nullptr);
    EXPECT_EQ(FindSystemFunction(L"no-such-library.dll", "GetCursorPos"), nullptr);
}

TEST(SysFuncs, AgreeWithTheirPlainCounterparts)
{
    POINT physical{}, logical{};
    ASSERT_TRUE(MyGetPhysicalCursorPos(&physical));
    ASSERT_TRUE(GetCursorPos(&logical));
    EXPECT_EQ(physical.x, logical.x);
    EXPECT_EQ(physical.y, logical.y);

    // A static control is transparent to hit tests; a button is not. Tests
    // running side by side share the desktop: topmost, in a spot of its own.
    const HWND window = CreateWindowExW(WS_EX_TOPMOST, L"BUTTON", L"", WS_POPUP | WS_VISIBLE, 913, 677, 37, 29,
                                        nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    const POINT inside = { 930, 690 };
    EXPECT_EQ(MyWindowFromPhysicalPoint(inside), WindowFromPoint(inside));
    EXPECT_EQ(MyWindowFromPhysicalPoint(inside), window);
    DestroyWindow(window);
}

TEST(SysFuncs, PointsToPixelsAt96Dpi)
{
    const HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    ReleaseDC(nullptr, screen);
    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(PointsToPixels(1, window), 1);
    EXPECT_EQ(PointsToPixels(2, window), 3);
    EXPECT_EQ(PointsToPixels(5, window), 7);
    DestroyWindow(window);
}

SIZE IconSize(HICON icon)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return {};
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return { bitmap.bmWidth, bitmap.bmHeight };
}

TEST(SysFuncs, LoadIconWithScaleDownAtTheAskedSize)
{
    for (int size : { 16, 32 }) {
        const HICON icon = MyLoadIconWithScaleDown(MAKEINTRESOURCEW(kTestIconId), size, size);
        ASSERT_TRUE(icon) << size;
        const SIZE got = IconSize(icon);
        EXPECT_EQ(got.cx, size);
        EXPECT_EQ(got.cy, size);
        DestroyIcon(icon);
    }
    EXPECT_EQ(MyLoadIconWithScaleDown(MAKEINTRESOURCEW(kTestIconId + 1), 16, 16), nullptr);
}

TEST(WindowsVersion, DetectsAndLogsTheFlags)
{
    const WindowsVersionFlags saved = WindowsVersion();
    CLogCapture log;
    const WindowsVersionFlags& flags = DetectWindowsVersion();
    EXPECT_TRUE(flags.winXP);
    EXPECT_TRUE(flags.vista);
    EXPECT_TRUE(flags.win7);
    // Each flag implies the ones before it.
    EXPECT_TRUE(!flags.win81 || flags.win8);
    EXPECT_TRUE(!flags.win8 || flags.win7);
    wchar_t expected[128];
    FormatText(expected, 128, L"WinXP = %d, Vista = %d, Win7 = %d, Win8 = %d, Win8.1 = %d", 1, 1, 1, int(flags.win8),
               int(flags.win81));
    EXPECT_TRUE(log.Contains(expected));
    WindowsVersion() = saved;
}

}  // namespace
