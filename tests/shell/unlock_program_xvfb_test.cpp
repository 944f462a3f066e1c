// QUILL32.exe on a real X server over a hidden, locked note: the tray's
// "&Display Note" item shows it and asks for its password with the view
// prompt; a wrong password is refused with its message box and the box stays
// open, the right one shows the text. The box and the unlocked note are saved
// as screenshots in the build folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "notestore/CppSQLite3.h"
#include "resources/resource.h"
#include "shell/MainCommands.h"
#include "tests/shell/ProgramDriver.h"
#include "tests/shell/ProgramWindows.h"
#include "tests/shell/StoredNotes.h"
#include "tests/support/Screenshot.h"

namespace {

constexpr std::int64_t kNoteId = 7;
const wchar_t kPassword[] = L"Zażółć-Gęślą";
const wchar_t kUnlockCaption[] = L"Quillet - Unlock note";

std::wstring ProgramString(UINT id)
{
    // The test is built with the program's own string table.
    wchar_t text[512] = {};
    LoadStringW(GetModuleHandleW(nullptr), id, text, 512);
    return text;
}

// A dialog-class window of the run, other than the one given, with a child
// whose text starts with the text; waits for it.
HWND WaitForBox(const CRun& run, const std::wstring& childText, HWND other = nullptr)
{
    struct SFind {
        const std::wstring& text;
        HWND found;
    };
    for (int tries = 0; tries < 150; ++tries) {
        for (const HWND box : WindowsOfClass(run.ProcessId(), L"#32770")) {
            if (box == other || !IsWindowVisible(box))
                continue;
            SFind find = {childText, nullptr};
            EnumChildWindows(
                box,
                [](HWND child, LPARAM lParam) -> BOOL {
                    auto* find = reinterpret_cast<SFind*>(lParam);
                    if (WindowText(child).compare(0, find->text.size(), find->text) != 0)
                        return TRUE;
                    find->found = child;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&find));
            if (find.found)
                return box;
        }
        Sleep(100);
    }
    return nullptr;
}

bool WaitGone(HWND window)
{
    for (int tries = 0; tries < 100 && IsWindow(window) && IsWindowVisible(window); ++tries)
        Sleep(100);
    return !IsWindow(window) || !IsWindowVisible(window);
}

bool WaitForVisibleEditor(const CRun& run, HWND& note)
{
    for (int tries = 0; tries < 100; ++tries) {
        for (const HWND window : WindowsOfClass(run.ProcessId(), L"NoteWClass")) {
            const HWND editor = FindEditor(window);
            if (IsWindowVisible(window) && editor && IsWindowVisible(editor)) {
                note = window;
                return true;
            }
        }
        Sleep(100);
    }
    return false;
}

// That many menus of the run open.
bool WaitForMenus(const CRun& run, size_t count)
{
    for (int tries = 0; tries < 100; ++tries) {
        size_t open = 0;
        for (const HWND menu : WindowsOfClass(run.ProcessId(), L"#32768"))
            open += IsWindowVisible(menu) != FALSE;
        if (open == count)
            return true;
        Sleep(100);
    }
    return false;
}

void TypePasswordAndPressOk(HWND box, const wchar_t* password)
{
    const HWND edit = GetDlgItem(box, IDC_NOTE_PASSWORD);
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(password), SMTO_ABORTIFHUNG, 5000, nullptr);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

COLORREF Screenshot(const wchar_t* path)
{
    Sleep(700);   // the box paints
    return SaveScreenshot(path, {0, 0});
}

std::int64_t StoredLocked(const std::wstring& folder)
{
    CppSQLite3DB db;
    db.open((folder + L"QUILLT40.DAT").c_str());
    return db.execScalar((L"select locked from notes where id = " + std::to_wstring(kNoteId)).c_str());
}

using UnlockProgramOnScreen = ProgramTest;

TEST_F(UnlockProgramOnScreen, TheTraysDisplayNoteAsksForThePasswordAndShowsTheText)
{
    ASSERT_TRUE(StoreNotesIn(Folder(), {{L"Secret plans", L"behind the password", false, L"", kNoteId}}));
    {
        CppSQLite3DB db;
        db.open((Folder() + L"QUILLT40.DAT").c_str());
        db.execDML((L"update notes set locked = 1, password = '" + std::wstring(kPassword) + L"' where id = " +
                    std::to_wstring(kNoteId)).c_str());
    }
    CRun run(ProgramPath(), FolderArgument());
    const HWND main = Start(run);
    ASSERT_NE(main, nullptr);

    // The tray's right click, "D" for "&Display Note", Enter on its one note.
    PostMessageW(main, WM_TRAY_NOTIFY, 0, WM_RBUTTONDOWN);
    ASSERT_TRUE(WaitForMenus(run, 1));
    PostMessageW(main, WM_CHAR, L'd', 1);
    ASSERT_TRUE(WaitForMenus(run, 2)) << "\"&Display Note\" did not open";
    PostMessageW(main, WM_KEYDOWN, VK_RETURN, 1);

    const std::wstring prompt = ProgramString(IDS_UNLOCK_TO_VIEW);
    ASSERT_FALSE(prompt.empty());
    const HWND unlock = WaitForBox(run, prompt);
    ASSERT_NE(unlock, nullptr) << "no unlock box with the view prompt";
    EXPECT_EQ(WindowText(unlock), kUnlockCaption);
    Screenshot(L"unlock-program-xvfb-screenshot.bmp");

    TypePasswordAndPressOk(unlock, L"zażółć-gęślą");   // the case differs
    const HWND refused = WaitForBox(run, ProgramString(IDS_WRONG_PASSWORD), unlock);
    ASSERT_NE(refused, nullptr) << "a wrong password was not refused";
    Screenshot(L"unlock-refused-program-xvfb-screenshot.bmp");
    PostMessageW(refused, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(refused));
    EXPECT_TRUE(IsWindowVisible(unlock)) << "the unlock box closed on a wrong password";

    TypePasswordAndPressOk(unlock, kPassword);
    EXPECT_TRUE(WaitGone(unlock));
    HWND note = nullptr;
    EXPECT_TRUE(WaitForVisibleEditor(run, note)) << "the note's text did not show";
    Screenshot(L"unlocked-note-program-xvfb-screenshot.bmp");
    if (note) {
        wchar_t text[256] = {};
        SendMessageTimeoutW(FindEditor(note), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                            nullptr);
        EXPECT_EQ(std::wstring(text), L"behind the password");
    }

    Exit(run, main);
    EXPECT_EQ(StoredLocked(Folder()), 0) << "unlocking is stored";
}

}  // namespace
