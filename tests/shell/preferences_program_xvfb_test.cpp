// QUILL32.exe on a real X server: the main window's command 211 opens the
// preferences sheet once, all eight pages are photographed into the build
// folder, Cancel closes it and the sheet's place is kept in the settings file.
// A new-note hot key and the "Automatic" colour set on OK outlive a restart,
// in the file and live; changed again and cancelled, neither is kept.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/shell/ProgramDriver.h"
#include "tests/shell/ProgramWindows.h"
#include "tests/support/Screenshot.h"
#include "tests/toolkit/ColorButtonTestSupport.h"

namespace {

struct SSheetSearch {
    HWND found;
    int count;
};

SSheetSearch FindSheets(const CRun& run)
{
    SSheetSearch search = { nullptr, 0 };
    for (const HWND window : WindowsOfClass(run.ProcessId(), L"#32770"))
        if (IsWindowVisible(window) && WindowText(window) == L"Quillet Preferences") {
            search.found = window;
            ++search.count;
        }
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

int PageCount(HWND sheet)
{
    const HWND tabs = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    return static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
}

HWND TurnTo(HWND sheet, int page)
{
    SendMessageW(sheet, PSM_SETCURSEL, page, 0);
    Sleep(300);
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// Asks until the answer is a window (or, with gone, until it is none).
template <class Find>
HWND WaitFor(Find find, bool gone = false)
{
    for (DWORD waited = 0; waited < 10000; waited += 100) {
        const HWND window = find();
        if ((window == nullptr) == gone)
            return window;
        Sleep(100);
    }
    return find();
}

// Dialog 136: a top-level dialog whose key list is a list box (the hot keys
// page shares its numbers with statics).
HWND FindHotKeyDialog(const CRun& run)
{
    for (const HWND window : WindowsOfClass(run.ProcessId(), L"#32770")) {
        wchar_t name[32] = {};
        const HWND list = GetDlgItem(window, IDC_HOTKEY_KEYS);
        if (IsWindowVisible(window) && list && GetClassNameW(list, name, 32) && _wcsicmp(name, L"ListBox") == 0)
            return window;
    }
    return nullptr;
}

HWND FindOpenPicker(const CRun& run)
{
    for (const HWND window : WindowsOfClass(run.ProcessId(), kColorPickerClass))
        if (IsWindowVisible(window))
            return window;
    return nullptr;
}

struct SHotKeyChoice {
    UINT key;
    UINT modifiers;
};

// Change on the hot keys page (the last one), dialog 136 driven by posted
// messages: X focus, not the test, decides where real keys would go.
void SetNewNoteKey(const CRun& run, HWND sheet, SHotKeyChoice choice)
{
    const HWND page = TurnTo(sheet, PageCount(sheet) - 1);
    const std::wstring before = WindowText(GetDlgItem(page, IDC_HOTKEYPAGE_NEW_NOTE));
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_HOTKEYPAGE_CHANGE_NEW_NOTE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_HOTKEYPAGE_CHANGE_NEW_NOTE)));
    const HWND dialog = WaitFor([&] { return FindHotKeyDialog(run); });
    ASSERT_NE(dialog, nullptr) << "dialog 136";
    const HWND list = GetDlgItem(dialog, IDC_HOTKEY_KEYS);
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    int item = 0;
    while (item < count && static_cast<UINT>(SendMessageW(list, LB_GETITEMDATA, item, 0)) != choice.key)
        ++item;
    ASSERT_LT(item, count) << "the key is offered";
    SendMessageW(list, LB_SETCURSEL, item, 0);
    const struct {
        int id;
        UINT bit;
    } boxes[] = { { IDC_HOTKEY_ALT, MOD_ALT }, { IDC_HOTKEY_CTRL, MOD_CONTROL }, { IDC_HOTKEY_SHIFT, MOD_SHIFT },
                  { IDC_HOTKEY_WIN, MOD_WIN } };
    for (const auto& box : boxes)
        SendDlgItemMessageW(dialog, box.id, BM_SETCHECK, (choice.modifiers & box.bit) ? BST_CHECKED : BST_UNCHECKED, 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(WaitFor([&] { return FindHotKeyDialog(run); }, true), nullptr) << "dialog 136 closes";
    const std::wstring after = WindowText(GetDlgItem(page, IDC_HOTKEYPAGE_NEW_NOTE));
    EXPECT_NE(after, before);
    EXPECT_NE(after.find(static_cast<wchar_t>(choice.key)), std::wstring::npos) << testing::PrintToString(after);
}

// A cell of the Notes page's colour picker, clicked by a posted button-up.
void PickDefaultColour(const CRun& run, HWND sheet, int cell)
{
    const HWND page = TurnTo(sheet, 1);
    PostMessageW(GetDlgItem(page, IDC_PREF_DEFAULT_COLOR), BM_CLICK, 0, 0);
    const HWND picker = WaitFor([&] { return FindOpenPicker(run); });
    ASSERT_NE(picker, nullptr) << "the colour picker";
    Sleep(300);
    const POINT at = CellCentre(picker, cell);
    PostMessageW(picker, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    EXPECT_EQ(WaitFor([&] { return FindOpenPicker(run); }, true), nullptr) << "the picker closes";
}

// Whether the combination is held by someone: this process is refused it.
bool Taken(SHotKeyChoice choice)
{
    const HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const bool registered = RegisterHotKey(probe, 0x7000, choice.modifiers, choice.key) != FALSE;
    if (registered)
        UnregisterHotKey(probe, 0x7000);
    DestroyWindow(probe);
    return !registered;
}

// The colour in the middle of a note the new-note command makes now.
COLORREF NewNoteColour(const CRun& run, HWND main, const wchar_t* screenshot)
{
    const std::vector<HWND> before = WindowsOfClass(run.ProcessId(), L"NoteWClass");
    PostMessageW(main, WM_COMMAND, ID_NEW_NOTE_TOOLBAR, 0);
    const HWND note = WaitFor([&]() -> HWND {
        for (const HWND window : WindowsOfClass(run.ProcessId(), L"NoteWClass"))
            if (IsWindowVisible(window) && std::find(before.begin(), before.end(), window) == before.end())
                return window;
        return nullptr;
    });
    if (!note)
        return CLR_INVALID;
    Sleep(1000);  // shown and painted
    RECT rect = {};
    GetWindowRect(note, &rect);
    return SaveScreenshot(screenshot, { (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2 });
}

class PreferencesProgramOnScreen : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        // A second language, so that the language page is shown.
        ASSERT_TRUE(WritePrivateProfileStringW(L"Languages", L"InstalledLanguages", L"US English|,Deutsch|de.dll",
                                               Ini().c_str()));
    }

    HWND OpenSheet(const CRun& run, HWND main) const
    {
        PostMessageW(main, WM_COMMAND, ID_PREFERENCES, 0);
        return WaitForSheet(run, true, 10000);
    }
};

TEST_F(PreferencesProgramOnScreen, TheCommandOpensOneSheetWhosePagesArePhotographedAndCancelClosesIt)
{
    CRun run(ProgramPath(), FolderArgument());
    const HWND main = Start(run);
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_COMMAND, ID_PREFERENCES, 0);
    const HWND sheet = WaitForSheet(run, true, 10000);
    ASSERT_NE(sheet, nullptr);
    PostMessageW(main, WM_COMMAND, ID_PREFERENCES, 0);
    Sleep(1000);
    EXPECT_EQ(FindSheets(run).count, 1) << "a second command while the sheet is open opens nothing";
    EXPECT_NE(GetWindowLongPtrW(sheet, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    const int pages = PageCount(sheet);
    EXPECT_EQ(pages, 8);
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

TEST_F(PreferencesProgramOnScreen, ANewNoteKeyAndTheAutomaticColourSetOnOkOutliveARestartCancelKeepsNeither)
{
    const SHotKeyChoice kept = { 'Q', MOD_ALT | MOD_SHIFT };
    const SHotKeyChoice cancelled = { 'W', MOD_ALT | MOD_SHIFT };
    constexpr COLORREF kAutomatic = RGB(255, 255, 198);
    constexpr int kRedCell = 16;
    // A default colour other than the automatic one beforehand.
    MyWritePrivateProfileInt(L"Preferences", L"DefaultRed", 10, Ini().c_str());
    MyWritePrivateProfileInt(L"Preferences", L"DefaultGreen", 20, Ini().c_str());
    MyWritePrivateProfileInt(L"Preferences", L"DefaultBlue", 30, Ini().c_str());
    {
        CRun run(ProgramPath(), FolderArgument());
        const HWND main = Start(run);
        ASSERT_NE(main, nullptr);
        const HWND sheet = OpenSheet(run, main);
        ASSERT_NE(sheet, nullptr);
        SetNewNoteKey(run, sheet, kept);
        PickDefaultColour(run, sheet, kAutomaticCell);
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        EXPECT_EQ(WaitForSheet(run, false, 10000), nullptr);
        Exit(run, main);
    }
    const auto fileHolds = [this](SHotKeyChoice key, COLORREF colour) {
        const std::wstring ini = Ini();
        const auto value = [&ini](const wchar_t* section, const wchar_t* name) {
            return GetPrivateProfileIntW(section, name, 0, ini.c_str());
        };
        EXPECT_EQ(value(L"HotKeys", L"V_NewNote"), key.key);
        EXPECT_EQ(value(L"HotKeys", L"M_NewNote"), key.modifiers);
        EXPECT_EQ(value(L"Preferences", L"DefaultRed"), UINT{ GetRValue(colour) });
        EXPECT_EQ(value(L"Preferences", L"DefaultGreen"), UINT{ GetGValue(colour) });
        EXPECT_EQ(value(L"Preferences", L"DefaultBlue"), UINT{ GetBValue(colour) });
    };
    fileHolds(kept, kAutomatic);

    DeleteFileW(LogPath().c_str());  // the restart's own "Starting message loop"
    CRun run(ProgramPath(), FolderArgument());
    const HWND main = Start(run);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(Taken(kept)) << "registered at the start";
    EXPECT_EQ(NewNoteColour(run, main, L"preferences-kept-note-xvfb-screenshot.bmp"), kAutomatic);

    const HWND sheet = OpenSheet(run, main);
    ASSERT_NE(sheet, nullptr);
    SetNewNoteKey(run, sheet, cancelled);
    EXPECT_TRUE(Taken(cancelled)) << "dialog 136 registers at once";
    PickDefaultColour(run, sheet, kRedCell);
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_EQ(WaitForSheet(run, false, 10000), nullptr);
    // Answered once the command that ran the sheet has finished its Cancel.
    SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
    EXPECT_TRUE(Taken(kept));
    EXPECT_FALSE(Taken(cancelled));
    EXPECT_EQ(NewNoteColour(run, main, L"preferences-cancelled-note-xvfb-screenshot.bmp"), kAutomatic);
    Exit(run, main);
    fileHolds(kept, kAutomatic);
}

}  // namespace
