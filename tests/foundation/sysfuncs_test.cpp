// The run-time bound system functions and the Windows-version flags.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "foundation/Seams.h"
#include "foundation/SysFuncs.h"
#include "foundation/WinVersion.h"

namespace {

const int kTestIconId = 61000;  // tests/foundation/SettingsTest.rc

TEST(FindSystemFunction, GivesNoneForAbsentLibrariesAndFunctions)
{
    EXPECT_NE(FindSystemFunction(L"User32.dll", "GetCursorPos"), nullptr);
    EXPECT_EQ(FindSystemFunction(L"User32.dll", "NoSuchFunctionAnywhere"), nullptr);
    EXPECT_EQ(FindSystemFunction(L"no-such-library.dll", "GetCursorPos"), nullptr);
}

// A lookup that finds nothing and records what it was asked for.
std::vector<std::string> g_lookups;

FARPROC FindNothing(const wchar_t* library, const char* function)
{
    std::string name;
    for (const wchar_t* at = library; *at; ++at)
        name += static_cast<char>(*at);
    g_lookups.push_back(name + "!" + function);
    return nullptr;
}

TEST(SysFuncs, AgreeWithTheirPlainCounterparts)
{
    // A static control is transparent to hit tests; a button is not. Tests
    // running side by side share the desktop: topmost, in a spot of its own.
    const HWND window = CreateWindowExW(WS_EX_TOPMOST, L"BUTTON", L"", WS_POPUP | WS_VISIBLE, 913, 677, 37, 29,
                                        nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    const POINT inside = { 930, 690 };
    // Once as the system has them, once through the fallbacks.
    for (const bool fallback : { false, true }) {
        g_lookups.clear();
        std::optional<CSeamOverride<SSystemLookupSeam>> lookup;
        if (fallback)
            lookup.emplace(g_systemLookupSeam, SSystemLookupSeam{ &FindNothing });
        POINT physical{}, logical{};
        ASSERT_TRUE(MyGetPhysicalCursorPos(&physical)) << fallback;
        ASSERT_TRUE(GetCursorPos(&logical));
        EXPECT_EQ(physical.x, logical.x) << fallback;
        EXPECT_EQ(physical.y, logical.y) << fallback;
        EXPECT_EQ(MyWindowFromPhysicalPoint(inside), WindowFromPoint(inside)) << fallback;
        EXPECT_EQ(MyWindowFromPhysicalPoint(inside), window) << fallback;
        if (fallback) {
            EXPECT_EQ(g_lookups, (std::vector<std::string>{ "User32.dll!GetPhysicalCursorPos",
                                                            "User32.dll!WindowFromPhysicalPoint",
                                                            "User32.dll!WindowFromPhysicalPoint" }));
        }
    }
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
    for (const bool fallback : { false, true }) {
        std::optional<CSeamOverride<SSystemLookupSeam>> lookup;
        if (fallback)
            lookup.emplace(g_systemLookupSeam, SSystemLookupSeam{ &FindNothing });
        for (int size : { 16, 32 }) {
            const HICON icon = MyLoadIconWithScaleDown(MAKEINTRESOURCEW(kTestIconId), size, size);
            ASSERT_TRUE(icon) << size << " " << fallback;
            const SIZE got = IconSize(icon);
            EXPECT_EQ(got.cx, size) << fallback;
            EXPECT_EQ(got.cy, size) << fallback;
            DestroyIcon(icon);
        }
        EXPECT_EQ(MyLoadIconWithScaleDown(MAKEINTRESOURCEW(kTestIconId + 1), 16, 16), nullptr) << fallback;
    }
}

// The system a row stands for: the version VerifyVersionInfoW compares with.
struct SSystemVersion {
    DWORD major, minor;
    WORD servicePack;
};
SSystemVersion g_system;

// VerifyVersionInfoW as the program asks it: major, minor and service pack
// all "greater or equal", compared in that order.
BOOL VerifyAgainstTheRow(OSVERSIONINFOEXW* wanted, DWORD typeMask, DWORDLONG conditionMask)
{
    const DWORD expectedMask = VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR;
    DWORDLONG expectedCondition = 0;
    for (const DWORD type : { VER_MAJORVERSION, VER_MINORVERSION, VER_SERVICEPACKMAJOR })
        expectedCondition = VerSetConditionMask(expectedCondition, type, VER_GREATER_EQUAL);
    EXPECT_EQ(typeMask, expectedMask);
    EXPECT_EQ(conditionMask, expectedCondition);
    EXPECT_EQ(wanted->dwOSVersionInfoSize, sizeof(OSVERSIONINFOEXW));
    if (g_system.major != wanted->dwMajorVersion)
        return g_system.major > wanted->dwMajorVersion;
    if (g_system.minor != wanted->dwMinorVersion)
        return g_system.minor > wanted->dwMinorVersion;
    return g_system.servicePack >= wanted->wServicePackMajor;
}

TEST(WindowsVersion, DetectsAndLogsTheFlags)
{
    const WindowsVersionFlags saved = WindowsVersion();
    const CSeamOverride<SWindowsVersionSeam> verify(g_windowsVersionSeam, { &VerifyAgainstTheRow });
    struct Case {
        SSystemVersion system;
        const wchar_t* logged;
        WindowsVersionFlags flags;
    };
    const Case cases[] = {
        { { 5, 0, 4 }, L"WinXP = 0, Vista = 0, Win7 = 0, Win8 = 0, Win8.1 = 0", { false, false, false, false, false } },
        { { 5, 1, 0 }, L"WinXP = 1, Vista = 0, Win7 = 0, Win8 = 0, Win8.1 = 0", { true, false, false, false, false } },
        { { 5, 2, 2 }, L"WinXP = 1, Vista = 0, Win7 = 0, Win8 = 0, Win8.1 = 0", { true, false, false, false, false } },
        { { 6, 0, 2 }, L"WinXP = 1, Vista = 1, Win7 = 0, Win8 = 0, Win8.1 = 0", { true, true, false, false, false } },
        { { 6, 1, 1 }, L"WinXP = 1, Vista = 1, Win7 = 1, Win8 = 0, Win8.1 = 0", { true, true, true, false, false } },
        { { 6, 2, 0 }, L"WinXP = 1, Vista = 1, Win7 = 1, Win8 = 1, Win8.1 = 0", { true, true, true, true, false } },
        { { 6, 3, 0 }, L"WinXP = 1, Vista = 1, Win7 = 1, Win8 = 1, Win8.1 = 1", { true, true, true, true, true } },
        { { 10, 0, 0 }, L"WinXP = 1, Vista = 1, Win7 = 1, Win8 = 1, Win8.1 = 1", { true, true, true, true, true } },
    };
    for (const Case& c : cases) {
        g_system = c.system;
        CLogCapture log;
        const WindowsVersionFlags& flags = DetectWindowsVersion();
        const std::wstring version = std::to_wstring(c.system.major) + L"." + std::to_wstring(c.system.minor);
        EXPECT_EQ(flags.winXP, c.flags.winXP) << version;
        EXPECT_EQ(flags.vista, c.flags.vista) << version;
        EXPECT_EQ(flags.win7, c.flags.win7) << version;
        EXPECT_EQ(flags.win8, c.flags.win8) << version;
        EXPECT_EQ(flags.win81, c.flags.win81) << version;
        EXPECT_EQ(&flags, &WindowsVersion()) << "the process-wide flags";
        EXPECT_EQ(log.Lines(), std::vector<std::wstring>{ c.logged }) << version;
    }
    WindowsVersion() = saved;
}

}  // namespace
