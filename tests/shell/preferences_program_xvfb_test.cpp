// QUILL32.exe on a real X server: the main window's command 211 opens the
// preferences sheet once, every page it holds is photographed into the build
// folder, Cancel closes it and the sheet's place is kept in the settings file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "tests/shell/ProgramDriver.h"
#include "tests/support/Screenshot.h"

namespace {

struct SSheetSearch {
    DWORD processId;
    HWND found;
    int count;
};

BOOL CALLBACK MatchSheet(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<SSheetSearch*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t text[64] = {};
    GetWindowTextW(window, text, 64);
    if (processId == search->processId && wcscmp(text, L"Quillet Preferences") == 0 && IsWindowVisible(window)) {
        search->found = window;
        ++search->count;
    }
    return TRUE;
}

SSheetSearch FindSheets(const CRun& run)
{
    SSheetSearch search = { run.ProcessId(), nullptr, 0 };
    EnumWindows(&MatchSheet, reinterpret_cast<LPARAM>(&search));
    return search;
}

HWND WaitForSheet(const CRun& run, bool open, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        const HWND sheet = FindSheets(run).found;
        if ((sheet != nullptr) == open)
            return sheet;
        Sleep(100);
    }
    return FindSheets(run).found;
}

using PreferencesProgramOnScreen = ProgramTest;

TEST_F(PreferencesProgramOnScreen, TheCommandOpensOneSheetWhosePagesArePhotographedAndCancelClosesIt)
{
    CRun run(ProgramPath(), FolderArgument());
    const HWND main = Start(run);
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_COMMAND, ID_PREFERENCES, 0);
    const HWND sheet = WaitForSheet(run, true, 10000);
    if (!sheet && Logged(L"The preferences sheet has no page templates and is not shown")) {
        Exit(run, main);
        GTEST_SKIP() << "the program's script carries no preference pages yet";
    }
    ASSERT_NE(sheet, nullptr);
    PostMessageW(main, WM_COMMAND, ID_PREFERENCES, 0);
    Sleep(1000);
    EXPECT_EQ(FindSheets(run).count, 1) << "a second command while the sheet is open opens nothing";
    EXPECT_NE(GetWindowLongPtrW(sheet, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    const HWND tabs = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    const int pages = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    RECT screen = {};
    GetWindowRect(GetDesktopWindow(), &screen);
    for (int page = 0; page < pages; ++page) {
        SendMessageW(sheet, PSM_SETCURSEL, page, 0);
        Sleep(700);  // the page paints
        const std::wstring name = L"preferences-page-" + std::to_wstring(page + 1) + L"-xvfb-screenshot.bmp";
        SaveScreenshot(name.c_str(), { screen.right / 2, screen.bottom / 2 });
    }

    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_EQ(WaitForSheet(run, false, 10000), nullptr);
    Exit(run, main);
    EXPECT_NE(GetPrivateProfileIntW(L"Dialogs_PrefsDlg", L"Width", 0, Ini().c_str()), 0);
}

}  // namespace
