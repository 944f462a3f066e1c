// QUILL32.exe on a real X server over notes in two groups and one without:
// the start-up screen with the notes back, and the tray menu with its
// "&Display Note" list open, both saved as screenshots in the build folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "shell/MainCommands.h"
#include "tests/shell/HotKeyInput.h"
#include "tests/shell/ProgramDriver.h"
#include "tests/shell/ProgramWindows.h"
#include "tests/shell/StoredNotes.h"
#include "tests/support/Screenshot.h"

namespace {

size_t VisibleCount(const CRun& run, const wchar_t* className)
{
    size_t count = 0;
    for (const HWND window : WindowsOfClass(run.ProcessId(), className))
        count += IsWindowVisible(window) != FALSE;
    return count;
}

bool WaitForVisible(const CRun& run, const wchar_t* className, size_t count)
{
    for (int tries = 0; tries < 100; ++tries) {
        if (VisibleCount(run, className) == count)
            return true;
        Sleep(100);
    }
    return false;
}

COLORREF Screenshot(const wchar_t* path)
{
    RECT screen = {};
    GetWindowRect(GetDesktopWindow(), &screen);
    return SaveScreenshot(path, {screen.right / 2, screen.bottom / 2});
}

using ProgramOnScreen = ProgramTest;

TEST_F(ProgramOnScreen, TheNotesComeBackAndTheTrayMenuListsThem)
{
    ASSERT_TRUE(StoreNotesIn(Folder(), {{L"Shopping list", L"milk, eggs", true, L"", 12345},
                                          {L"Quarterly report", L"figures due", true, L"Work", 0},
                                          {L"Plant the tulips", L"before the frost", true, L"Home", 0}}));
    CRun run(ProgramPath(), FolderArgument());
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(WaitUntilLogged(L"Starting message loop", kStartMs));
    const HWND main = run.FindWindowOfClass(L"MainWClass", 5000);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitForVisible(run, L"NoteWClass", 3));
    Sleep(1000);   // the notes paint
    Screenshot(L"startload-program-xvfb-screenshot.bmp");

    // The tray's right click, then "D" inside the menu's own loop.
    PostMessageW(main, WM_TRAY_NOTIFY, 0, WM_RBUTTONDOWN);
    ASSERT_TRUE(WaitForVisible(run, L"#32768", 1));
    PostMessageW(main, WM_CHAR, L'd', 1);
    EXPECT_TRUE(WaitForVisible(run, L"#32768", 2)) << "\"&Display Note\" did not open";
    Sleep(500);
    Screenshot(L"tray-menu-program-xvfb-screenshot.bmp");

    for (int level = 0; level < 2; ++level)
        PostMessageW(main, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(WaitForVisible(run, L"#32768", 0));
    PostMessageW(main, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(run.WaitForExit(kExitMs), 0u);
}

// Ctrl+Alt+N with no [HotKeys], then in a second run Ctrl+Shift+Page Up kept
// there before the start: each makes a note from whatever has the focus.
TEST_F(ProgramOnScreen, HotKeysMakeNotesTheDefaultAndAStoredExtendedOne)
{
    struct Case { const wchar_t* modifiers; const wchar_t* key; UINT press; UINT pressKey; };
    const Case cases[] = {
        { nullptr, nullptr, MOD_CONTROL | MOD_ALT, 'N' },
        { L"6", L"289", MOD_CONTROL | MOD_SHIFT, kExtendedHotKey | VK_PRIOR },
    };
    for (const Case& c : cases) {
        if (c.key) {
            ASSERT_TRUE(WritePrivateProfileStringW(L"HotKeys", L"M_NewNote", c.modifiers, Ini().c_str()));
            ASSERT_TRUE(WritePrivateProfileStringW(L"HotKeys", L"V_NewNote", c.key, Ini().c_str()));
        }
        CRun run(ProgramPath(), FolderArgument());
        ASSERT_TRUE(run.Started());
        ASSERT_TRUE(WaitUntilLogged(L"Starting message loop", kStartMs));
        const HWND main = run.FindWindowOfClass(L"MainWClass", 5000);
        ASSERT_NE(main, nullptr);
        Sleep(500);
        const size_t before = VisibleCount(run, L"NoteWClass");
        ASSERT_EQ(PressHotKey(c.press, c.pressKey), 6u);
        EXPECT_TRUE(WaitForVisible(run, L"NoteWClass", before + 1)) << (c.key ? "stored key" : "default key");
        PostMessageW(main, WM_COMMAND, ID_EXIT, 0);
        EXPECT_EQ(run.WaitForExit(kExitMs), 0u);
    }
}

}  // namespace
