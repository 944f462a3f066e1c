// QUILL32.exe on a real X server: the quick search opened as the tray opens
// it, texts typed into its field one character at a time. A lone quote, an
// id's digits, an apostrophe and a locked note's word log no SQLite error,
// list no note by its id and no locked text; the filled list is saved as a
// screenshot in the build folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "shell/MainCommands.h"
#include "tests/shell/ProgramDriver.h"
#include "tests/shell/ProgramWindows.h"
#include "tests/shell/StoredNotes.h"
#include "tests/support/Screenshot.h"

namespace {

const wchar_t kCaption[] = L"Quillet - Quick Search";
const wchar_t kRecentKey[] = L"Software\\Tarnwell Software\\Quillet\\Quick Search\\Recent";

HWND FindQuickSearch(const CRun& run)
{
    for (int tries = 0; tries < 100; ++tries) {
        for (const HWND window : WindowsOfClass(run.ProcessId(), L"#32770"))
            if (IsWindowVisible(window) && WindowText(window) == kCaption)
                return window;
        Sleep(100);
    }
    return nullptr;
}

int SqliteErrors()
{
    int count = 0;
    for (const std::wstring& message : LogMessages())
        count += message.find(L"Sqlite3 error") != std::wstring::npos;
    return count;
}

// Types the text as keys would reach the field, then waits for the list to
// settle; the number of rows listed.
LRESULT Search(HWND box, const std::wstring& text)
{
    const HWND edit = GetDlgItem(box, IDC_QUICK_SEARCH_TEXT);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (const wchar_t c : text)
        PostMessageW(edit, WM_CHAR, c, 1);
    for (int tries = 0; tries < 50 && WindowText(edit) != text; ++tries)
        Sleep(100);
    EXPECT_EQ(WindowText(edit), text);
    Sleep(300);
    return SendDlgItemMessageW(box, IDC_QUICK_SEARCH_LIST, LB_GETCOUNT, 0, 0);
}

using QuickSearchOnScreen = ProgramTest;

TEST_F(QuickSearchOnScreen, TypedTextsListOnlyWhatTheyMatch)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kRecentKey);
    ASSERT_TRUE(StoreNotesIn(Folder(), {
        {L"Dinner party", L"dinner with o'brien on friday", true, L"", 0},
        {L"Room booking", L"dinner in room 12 on monday", true, L"", 0},
        {L"Shopping list", L"milk, eggs, dinner rolls", true, L"", 12},
        {L"Vault", L"zanzibar dinner treasure", false, L"", 0, true},
        {L"Plants", L"water the tulips", true, L"Home", 0},
    }));
    // The tray's welcome balloon would cover the list in the screenshot.
    ASSERT_TRUE(WritePrivateProfileStringW(L"Preferences", L"ShowTrayBubble", L"0", Ini().c_str()));
    CRun run(ProgramPath(), FolderArgument());
    const HWND main = Start(run);
    ASSERT_NE(main, nullptr);
    Sleep(1000);   // the notes paint
    const int errorsBefore = SqliteErrors();

    PostMessageW(main, WM_COMMAND, ID_QUICK_SEARCH, 0);
    const HWND box = FindQuickSearch(run);
    ASSERT_NE(box, nullptr);

    struct Case { const wchar_t* typed; LRESULT rows; const char* why; };
    const Case cases[] = {
        { L"\"", 0, "a lone quote is no syntax" },
        { L"12", 1, "the room's text, never note 12 by its id" },
        { L"o'brien", 1, "the apostrophe breaks nothing" },
        { L"zanzibar", 0, "a locked note's text is not searched" },
        { L"dinner", 3, "the locked note's text word lists it not" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Search(box, c.typed), c.rows) << c.why;
    SendDlgItemMessageW(box, IDC_QUICK_SEARCH_LIST, LB_SETSEL, TRUE, 1);
    Sleep(500);
    RECT list = {};
    GetWindowRect(GetDlgItem(box, IDC_QUICK_SEARCH_LIST), &list);
    SaveScreenshot(L"quicksearch-program-xvfb-screenshot.bmp", { list.left + 30, list.top + 8 });
    EXPECT_EQ(SqliteErrors(), errorsBefore) << "no search logged an error";

    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    for (int tries = 0; tries < 50 && IsWindow(box); ++tries)
        Sleep(100);
    EXPECT_FALSE(IsWindow(box));
    Exit(run, main);
    RegDeleteTreeW(HKEY_CURRENT_USER, kRecentKey);
}

}  // namespace
