// Pictures of the sheet's own pages as a user sees them, saved beside the
// test under a real X server.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "PrefsSheetRun.h"
#include "notestore/groups.h"
#include "tests/support/Screenshot.h"

namespace {

std::function<void(HWND)> Shoot(const wchar_t* path)
{
    return [path](HWND page) {
        UpdateWindow(GetParent(page));
        PumpMessagesFor(300);
        SaveScreenshot(path, POINT{ 0, 0 });
    };
}

bool Saved(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

using PrefsPagesXvfbTest = CPrefsPagesTest;

TEST_F(PrefsPagesXvfbTest, TheThreePagesAsTheyOpen)
{
    CGroups::AddGroup(-1, L"Work", RGB(200, 0, 0));
    CPreferences start = g_prefs;
    start.DefaultGroup = L"Work";
    wcscpy(start.StartupArguments, L"/c showhide");
    CPrefsSheetRun run(start);
    const wchar_t* const shots[] = {
        L"prefs-page-main-xvfb-screenshot.bmp",
        L"prefs-page-notes-xvfb-screenshot.bmp",
        L"prefs-page-notes-other-xvfb-screenshot.bmp",
    };
    for (const wchar_t* shot : shots)
        DeleteFileW(shot);
    run.Run({
        run.OnPage(IDD_PREFS_MAIN, Shoot(shots[0])),
        run.OnPage(IDD_PREFS_NOTES, Shoot(shots[1])),
        run.OnPage(IDD_PREFS_NOTES_OTHER, Shoot(shots[2])),
        run.Press(PSBTN_CANCEL),
    });
    for (const wchar_t* shot : shots)
        EXPECT_TRUE(Saved(shot)) << testing::PrintToString(std::wstring(shot));
}

}  // namespace
