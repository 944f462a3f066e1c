// QUILL32.exe on a real X server over a stored note: Ctrl+P typed into it as
// a user would. Without a printer the system says so in a box of its own;
// once that is clicked away nothing is spooled and the program goes on, its
// main window enabled and no cancel dialog left.
// The screen is saved as "print-program-xvfb-screenshot.bmp" in the build
// folder.
#include <gtest/gtest.h>

#include <windows.h>

#include "shell/MainCommands.h"
#include "tests/shell/ProgramDriver.h"
#include "tests/shell/ProgramWindows.h"
#include "tests/shell/StoredNotes.h"
#include "tests/support/RealInput.h"
#include "tests/support/Screenshot.h"

namespace {

HWND VisibleNote(const CRun& run)
{
    for (int tries = 0; tries < 100; ++tries) {
        for (const HWND window : WindowsOfClass(run.ProcessId(), L"NoteWClass"))
            if (IsWindowVisible(window))
                return window;
        Sleep(100);
    }
    return nullptr;
}

// The system's own box about the missing printer.
HWND WaitForBox(const CRun& run)
{
    for (int tries = 0; tries < 100; ++tries) {
        for (const HWND window : WindowsOfClass(run.ProcessId(), L"#32770"))
            if (IsWindowVisible(window))
                return window;
        Sleep(100);
    }
    return nullptr;
}

void Click(POINT at)
{
    SendMouse(0, at);
    Sleep(100);
    SendMouse(MOUSEEVENTF_LEFTDOWN, at);
    SendMouse(MOUSEEVENTF_LEFTUP, at);
    Sleep(500);
}

POINT CentreOf(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

bool HasPrintingDialog(const CRun& run)
{
    for (const HWND window : WindowsOfClass(run.ProcessId(), L"#32770"))
        if (WindowText(window) == L"Quillet is printing")
            return true;
    return false;
}

using PrintOnScreen = ProgramTest;

TEST_F(PrintOnScreen, CtrlPWithoutAPrinterSpoolsNothingAndGivesTheProgramBack)
{
    ASSERT_TRUE(StoreNotesIn(Folder(), {{L"Printed", L"text to print", true, L"", 0}}));
    CRun run(ProgramPath(), FolderArgument());
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(WaitUntilLogged(L"Starting message loop", kStartMs));
    const HWND main = run.FindWindowOfClass(L"MainWClass", 5000);
    const HWND note = VisibleNote(run);
    ASSERT_TRUE(main && note);
    Sleep(1000);

    Click(CentreOf(note));
    SendKey(VK_CONTROL, true);
    SendKey('P', true);
    SendKey('P', false);
    SendKey(VK_CONTROL, false);

    const HWND box = WaitForBox(run);
    ASSERT_NE(box, nullptr) << "the system tells of the missing printer";
    EXPECT_FALSE(IsWindowEnabled(main)) << "its owner waits";
    const HWND ok = FindWindowExW(box, nullptr, L"Button", nullptr);
    ASSERT_NE(ok, nullptr);
    Click(CentreOf(ok));
    // Windows reports the missing printer as PDERR_NODEFAULTPRN, which is
    // logged; Wine 8 as a cancel (extended error 0). Nothing is spooled.
    for (int tries = 0; tries < 100 && !IsWindowEnabled(main); ++tries)
        Sleep(100);
    EXPECT_EQ(CountLogged(L"PrintNote - "), CountLogged(L"PrintNote - the print dialog failed, error 0x1008"));
    EXPECT_EQ(run.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE)) << "the print ended the program";
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(HasPrintingDialog(run));
    RECT screen = {};
    GetWindowRect(GetDesktopWindow(), &screen);
    SaveScreenshot(L"print-program-xvfb-screenshot.bmp", {screen.right / 2, screen.bottom / 2});

    PostMessageW(main, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(run.WaitForExit(kExitMs), 0u);
}

}  // namespace
