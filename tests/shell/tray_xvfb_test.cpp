// The tray icon and its menu on a real X server: the shell takes the icon,
// and the right-click menu opens with its "&Display Note" list of two groups
// and an ungrouped note, shown in a screenshot in the build folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "foundation/DataPaths.h"
#include "foundation/Preferences.h"
#include "foundation/WinVersion.h"
#include "notestore/Note.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"
#include "shell/MainCommands.h"
#include "shell/mainwnd.h"
#include "shell/trayicon.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/ComApartment.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestDir.h"

namespace {

constexpr wchar_t kScreenshot[] = L"tray-menu-xvfb-screenshot.bmp";

int g_openMenus = 0;
bool g_screenshotSaved = false;

BOOL CALLBACK CountOpenMenu(HWND window, LPARAM)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (wcscmp(name, L"#32768") == 0 && IsWindowVisible(window))
        ++g_openMenus;
    return TRUE;
}

void PressKey(WORD key)
{
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// Runs inside the menu's own loop: open the list, picture it, close it.
void CALLBACK MenuStep(HWND, UINT, UINT_PTR id, DWORD)
{
    static int step = 0;
    if (step == 0) {
        PressKey('D');
    } else {
        KillTimer(nullptr, id);
        g_openMenus = 0;
        EnumWindows(&CountOpenMenu, 0);
        RECT screen = {};
        GetWindowRect(GetDesktopWindow(), &screen);
        SaveScreenshot(kScreenshot, {screen.right / 2, screen.bottom / 2});
        g_screenshotSaved = true;
        EndMenu();
    }
    ++step;
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return MainWndProc(window, message, wParam, lParam);
}

TEST(TrayOnScreen, TheShellTakesTheIconAndTheMenuListsTheNotes)
{
    CModalWatchdog watchdog(30000);
    CComApartment com;
    ASSERT_TRUE(com.Initialised());
    CTestDir dir;
    const CPreferences savedPrefs = g_prefs;
    WindowsVersion().winXP = true;
    CGroups::Clear();
    SetDataFilePaths(dir.Path().c_str());
    g_prefs.LoadFrom(dir.File(L"RERUZADU.INI").c_str());
    g_prefs.SubMenuSorting = 1;
    CNoteManager manager;
    CSeamOverride<SNoteManagerSeam> managerSeam(g_noteManagerSeam, {&manager});
    manager.SetDatabasePath(dir.File(L"QUILLT40.DAT").c_str());

    const CGroup* work = CGroups::AddGroup(-1, L"Work", 0x3C8CE6);
    const CGroup* home = CGroups::AddGroup(-1, L"Home", 0x5AB45A);
    ASSERT_TRUE(work && home);
    const struct {
        const wchar_t* name;
        std::int64_t group;
    } notes[] = {{L"Shopping list", 0}, {L"Quarterly report", work->GetId()}, {L"Plant the tulips", home->GetId()}};
    std::int64_t ungrouped = -1;
    for (const auto& row : notes) {
        CNote* note = manager.AddNote(std::make_unique<CNote>());
        note->Row().name = row.name;
        note->Row().group = row.group;
        note->GetDisplayName();
        ASSERT_TRUE(manager.StoreNote(note));
        if (row.group == 0)
            ungrouped = note->GetId();
    }
    // The ungrouped note gets an id above 10000; its full-text row goes.
    manager.GetDB()->execDML((L"UPDATE notes SET id=12345 WHERE id=" + std::to_wstring(ungrouped)).c_str());
    manager.GetDB()->execDML((L"DELETE FROM search2 WHERE docid=" + std::to_wstring(ungrouped)).c_str());
    manager.CloseAll();

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &MainProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    const std::wstring className = L"TrayXvfbMain" + UniqueName();
    windowClass.lpszClassName = className.c_str();
    ASSERT_TRUE(RegisterClassW(&windowClass));
    const HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, className.c_str(), L"Quillet", WS_POPUP, 0, 0, 0, 0,
                                       nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(window);
    SetAppWindow(window);

    EXPECT_NE(AddTrayIcon(window), 0);
    EXPECT_FALSE(IsTrayReAddPending());
    EXPECT_NE(NotifyTrayIcon(window, kTrayModify, GetTrayIcon(kTrayIconNormal), L"Quillet", L"A balloon"), 0);

    SetTimer(nullptr, 0, 700, &MenuStep);
    SendMessageW(window, WM_TRAY_NOTIFY, 0, WM_RBUTTONDOWN);
    EXPECT_TRUE(g_screenshotSaved);
    EXPECT_EQ(g_openMenus, 2);   // the tray menu and its open "&Display Note"
    EXPECT_NE(GetFileAttributesW(kScreenshot), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(NotifyTrayIcon(window, kTrayDelete, nullptr, nullptr, nullptr), 0);

    DestroyWindow(window);
    SetAppWindow(nullptr);
    manager.CloseAll();
    CGroups::Clear();
    g_prefs = savedPrefs;
}

}  // namespace
