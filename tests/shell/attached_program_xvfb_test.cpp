// QUILL32.exe on a real X server with a note stored attached to another
// program's window: the note sits at its corner after start-up, goes when
// that window is minimised, and comes back beside it when it is restored. A
// screenshot of the restored pair is saved in the build folder.
#include <gtest/gtest.h>

#include <windows.h>

#include "notestore/CppSQLite3.h"
#include "tests/shell/ProgramDriver.h"
#include "tests/shell/ProgramWindows.h"
#include "tests/shell/StoredNotes.h"
#include "tests/support/Screenshot.h"
#include "tests/support/WindowEventHelper.h"

namespace {

const wchar_t kHelperTitle[] = L"Attached program";
constexpr std::int64_t kNoteId = 777;
constexpr int kMoveWithTopRight = 2;

// The one note window of the run, once it is visible (null when hidden).
HWND VisibleNote(const CRun& run)
{
    for (const HWND window : WindowsOfClass(run.ProcessId(), L"NoteWClass"))
        if (IsWindowVisible(window))
            return window;
    return nullptr;
}

bool WaitForNote(const CRun& run, bool visible, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        if ((VisibleNote(run) != nullptr) == visible)
            return true;
        Sleep(100);
    }
    return false;
}

// Beside the frame's right edge, tops aligned; true once it is there.
bool WaitBeside(const CRun& run, HWND frame, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        RECT note = {}, target = {};
        const HWND window = VisibleNote(run);
        if (window && GetWindowRect(window, &note) && GetWindowRect(frame, &target) &&
            note.left == target.right + 1 && note.top == target.top)
            return true;
        Sleep(100);
    }
    return false;
}

using AttachedProgramOnScreen = ProgramTest;

TEST_F(AttachedProgramOnScreen, TheNoteFollowsItsProgramThroughAMinimiseAndRestore)
{
    ASSERT_TRUE(StoreNotesIn(Folder(), {{L"Beside the program", L"follows its window", true, L"", kNoteId}}));
    {
        CppSQLite3DB db;
        db.open((Folder() + L"QUILLT40.DAT").c_str());
        db.execDML((L"INSERT INTO attachnotes (noteid, windowtitle, application, movewith) VALUES (" +
                    std::to_wstring(kNoteId) + L", '" + kHelperTitle + L"', '', " +
                    std::to_wstring(kMoveWithTopRight) + L")").c_str());
    }
    CWindowEventHelper helper(kHelperTitle, L"120 140 420 300");
    ASSERT_TRUE(helper.Started());
    CRun run(ProgramPath(), FolderArgument());
    const HWND main = Start(run);
    ASSERT_NE(main, nullptr);

    EXPECT_TRUE(WaitBeside(run, helper.Frame(), 10000)) << "at its corner after start-up";
    helper.ShowFrame(SW_MINIMIZE);
    EXPECT_TRUE(WaitForNote(run, false, 10000)) << "hidden with its program";
    helper.ShowFrame(SW_RESTORE);
    EXPECT_TRUE(WaitBeside(run, helper.Frame(), 10000)) << "back beside it";
    Sleep(1000);   // the note paints
    RECT screen = {};
    GetWindowRect(GetDesktopWindow(), &screen);
    SaveScreenshot(L"attached-program-xvfb-screenshot.bmp", {screen.right / 2, screen.bottom / 2});
    EXPECT_TRUE(Logged(L"Creating window thread listener 1"));
    Exit(run, main);
}

} // namespace
