// The sheet's own pages on a real sheet: an untouched OK changes nothing, bad
// limits keep the sheet on their page, the default colour, the transparency
// slider, the toolbar corner, lists without a selection, the default group
// and the font choosers.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <climits>
#include <string>
#include <vector>

#include "PrefsSheetRun.h"
#include "foundation/ResModule.h"
#include "foundation/WinPlacement.h"
#include "notestore/groups.h"
#include "tests/support/FocusWatch.h"
#include "tests/toolkit/ColorButtonTestSupport.h"

namespace {

// Settings that differ from the defaults in every field the pages show.
CPreferences NonDefaults()
{
    CPreferences prefs = g_prefs;
    prefs.AutoSave = false;
    prefs.HideAllOnStartup = true;
    prefs.ConfirmNoteDelete = false;
    prefs.AlwaysOnTop = false;
    prefs.VisibleInTaskbar = true;
    prefs.TaskbarAction = 2;
    prefs.Position = 3;
    prefs.PositionX = 200;
    prefs.PositionY = 150;
    prefs.HideToolbar = false;
    wcscpy(prefs.StartupArguments, L"/c showhide Zażółć ĞŞİ Tiếng Ελληνικά Кириллица 中文 😀");
    prefs.DefaultColor = RGB(10, 20, 30);
    prefs.RandomColor = true;
    prefs.AlphaTransparency = 128;
    prefs.DefPos = 4;
    prefs.DefSize = 2;
    prefs.SmartFit = false;
    prefs.SmartSize = false;
    prefs.PasteAsText = false;
    prefs.EnableURLDetection = false;
    prefs.NotesInSubMenuLimit = 31;
    prefs.MenuSplitLimit = 7;
    prefs.SubMenuSorting = 1;
    prefs.AnimationSpeed = 1;
    prefs.StoreMinimizedPostion = false;
    prefs.DontShrinkNoteSize = true;
    prefs.DisableMagneticDocking = true;
    prefs.AutoFade = 2;
    return prefs;
}

class PrefsPagesTest : public CPrefsPagesTest {
protected:
    // Both records as the settings file holds them.
    std::string Saved(CPreferences prefs, const wchar_t* name)
    {
        prefs.SetIniPath(m_dir.File(name).c_str());
        prefs.Save();
        return ReadBytes(m_dir.File(name));
    }
};

TEST(TransparencyMapping, EndsAndMiddle)
{
    struct Case { int alpha, position; BYTE back; };
    const Case cases[] = {
        { 255, 0, 255 },
        { 25, 90, 25 },
        { 128, 50, 127 },   // the drift an untouched slider must not store
        { 0, 100, 0 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TransparencyToSlider(c.alpha), c.position) << c.alpha;
        EXPECT_EQ(SliderToTransparency(c.position), c.back) << c.alpha;
    }
}

TEST_F(PrefsPagesTest, AnUntouchedOkChangesNoSettingAndKeepsTheBar)
{
    CGroups::AddGroup(-1, L"Home", RGB(1, 1, 1));
    CGroups::AddGroup(-1, L"Work", RGB(2, 2, 2));
    CPreferences start = NonDefaults();
    start.DefaultGroup = L"Work";
    g_prefs = start;
    const std::string fileBefore = ReadBytes(m_iniPath);

    CPrefsSheetRun run(start);
    EXPECT_TRUE(run.Run({ run.OnPage(IDD_PREFS_NOTES), run.OnPage(IDD_PREFS_NOTES_OTHER), run.Press(PSBTN_OK) }));

    EXPECT_EQ(Saved(run.working, L"after.ini"), Saved(start, L"before.ini"));
    ASSERT_EQ(run.placed.size(), 1u);
    EXPECT_EQ(run.placed[0].PositionX, 200);
    EXPECT_EQ(run.placed[0].PositionY, 150);
    EXPECT_EQ(ReadBytes(m_iniPath), fileBefore) << "placing saved the sheet's values";
}

TEST_F(PrefsPagesTest, BadLimitsKeepTheSheetOnTheirPage)
{
    struct Case { int id; const wchar_t* text; bool accepted; int stored; };
    const Case cases[] = {
        { IDC_PREF_SUBMENU_LIMIT, L"0", false, 0 },     // divided by zero in the tray menu
        { IDC_PREF_SUBMENU_LIMIT, L"-1", false, 0 },
        { IDC_PREF_SUBMENU_LIMIT, L"abc", false, 0 },
        { IDC_PREF_SUBMENU_LIMIT, L"12abc", false, 0 },
        { IDC_PREF_SUBMENU_LIMIT, L"0x10", false, 0 },
        { IDC_PREF_SUBMENU_LIMIT, L"", false, 0 },
        { IDC_PREF_SUBMENU_LIMIT, L"2147483648", false, 0 },
        { IDC_PREF_SUBMENU_LIMIT, L"1", true, 1 },
        { IDC_PREF_SUBMENU_LIMIT, L" 2147483647 ", true, INT_MAX },
        { IDC_PREF_MENU_SPLIT, L"0", false, 0 },
        { IDC_PREF_MENU_SPLIT, L"-1", false, 0 },
        { IDC_PREF_MENU_SPLIT, L"abc", false, 0 },
        { IDC_PREF_MENU_SPLIT, L"99999999999", false, 0 },
        { IDC_PREF_MENU_SPLIT, L"1", true, 1 },
    };
    for (const Case& c : cases) {
        CPreferences start = g_prefs;
        start.NotesInSubMenuLimit = 10;
        start.MenuSplitLimit = 16;
        CPrefsSheetRun run(start);
        if (!c.accepted)
            run.script.AnswerMessageBox(IDOK);
        bool onItsPage = false;
        bool focused = false;
        CFocusWatch focus;
        const bool ok = run.Run({
            run.OnPage(IDD_PREFS_NOTES_OTHER, Type(c.id, c.text)),
            run.OnPage(IDD_PREFS_MAIN),
            [&] { focus.Clear(); },
            run.Press(PSBTN_OK),
            [&] {
                onItsPage = run.CurrentPage() == run.notesOther.GetHwnd();
                focused = focus.WasFocused(GetDlgItem(run.notesOther.GetHwnd(), c.id));
            },
        });
        EXPECT_EQ(ok, c.accepted) << c.id << " \"" << testing::PrintToString(std::wstring(c.text)) << "\"";
        const int& field = c.id == IDC_PREF_SUBMENU_LIMIT ? run.working.NotesInSubMenuLimit : run.working.MenuSplitLimit;
        if (c.accepted) {
            EXPECT_EQ(field, c.stored);
            EXPECT_TRUE(run.script.MessageBoxTexts().empty());
            continue;
        }
        EXPECT_EQ(run.working.NotesInSubMenuLimit, 10) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(run.working.MenuSplitLimit, 16);
        EXPECT_TRUE(onItsPage) << testing::PrintToString(std::wstring(c.text));
        EXPECT_TRUE(focused) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(run.script.MessageBoxTexts(), std::vector<std::wstring>{ LoadResString(IDS_INCORRECT_NUMBER) });
    }
}

TEST_F(PrefsPagesTest, DefaultColourStoresWhatTheButtonShows)
{
    constexpr COLORREF kOld = RGB(10, 20, 30);
    struct Case { const char* what; std::vector<Action> pick; int sheetButton; COLORREF expected; };
    const Case cases[] = {
        // "Automatic" was stored as black.
        { "automatic", { Up(kAutomaticCell) }, PSBTN_OK, RGB(255, 255, 198) },
        { "a grid colour", { Up(16) }, PSBTN_OK, kRed },
        { "pick cancelled", { Key(VK_ESCAPE) }, PSBTN_OK, kOld },
        { "sheet cancelled", { Up(16) }, PSBTN_CANCEL, kOld },
    };
    for (const Case& c : cases) {
        CPreferences start = g_prefs;
        start.DefaultColor = kOld;
        start.RandomColor = false;
        CPrefsSheetRun run(start, { IDD_PREFS_NOTES });
        run.Run({
            run.OnPage(IDD_PREFS_NOTES, [&c](HWND page) {
                CPickerScript picker(c.pick);
                SendMessageW(GetDlgItem(page, IDC_PREF_DEFAULT_COLOR), BM_CLICK, 0, 0);
                EXPECT_TRUE(picker.Finished()) << c.what;
            }),
            run.Press(c.sheetButton),
        });
        EXPECT_EQ(run.working.DefaultColor, c.expected) << c.what;
    }
}

TEST_F(PrefsPagesTest, RandomColourDisablesTheColourButton)
{
    CPreferences start = g_prefs;
    start.RandomColor = true;
    CPrefsSheetRun run(start, { IDD_PREFS_NOTES });
    bool enabledAtStart = true, enabledAfterClick = false;
    EXPECT_TRUE(run.Run({
        run.OnPage(IDD_PREFS_NOTES, [&](HWND page) {
            enabledAtStart = IsWindowEnabled(GetDlgItem(page, IDC_PREF_DEFAULT_COLOR)) != FALSE;
            Click(IDC_PREF_RANDOM_COLOR)(page);
            enabledAfterClick = IsWindowEnabled(GetDlgItem(page, IDC_PREF_DEFAULT_COLOR)) != FALSE;
        }),
        run.Press(PSBTN_OK),
    }));
    EXPECT_FALSE(enabledAtStart);
    EXPECT_TRUE(enabledAfterClick);
    EXPECT_FALSE(run.working.RandomColor);
}

TEST_F(PrefsPagesTest, TransparencyIsStoredOnlyWhenTheSliderMoved)
{
    struct Case { BYTE stored; int moveTo; BYTE expected; };
    const Case cases[] = {
        { 128, -1, 128 },   // untouched: not 127
        { 10, -1, 10 },     // untouched: not lifted to 25
        { 128, 0, 255 },
        { 255, 90, 25 },
        { 255, 50, 127 },
    };
    for (const Case& c : cases) {
        CPreferences start = g_prefs;
        start.AlphaTransparency = c.stored;
        CPrefsSheetRun run(start, { IDD_PREFS_NOTES });
        LRESULT tipSide = -1;
        EXPECT_TRUE(run.Run({
            run.OnPage(IDD_PREFS_NOTES, [&](HWND page) {
                const HWND slider = GetDlgItem(page, IDC_PREF_TRANSPARENCY);
                EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), kTransparencySliderMax);
                EXPECT_NE(SendMessageW(slider, TBM_GETTOOLTIPS, 0, 0), 0);
                tipSide = SendMessageW(slider, TBM_SETTIPSIDE, TBTS_BOTTOM, 0);
                if (c.moveTo >= 0)
                    SendMessageW(slider, TBM_SETPOS, TRUE, c.moveTo);
            }),
            run.Press(PSBTN_OK),
        }));
        EXPECT_EQ(tipSide, TBTS_BOTTOM) << "the tips sit below the thumb";
        EXPECT_EQ(run.working.AlphaTransparency, c.expected) << int(c.stored) << " " << c.moveTo;
    }
}

TEST_F(PrefsPagesTest, OnlyANewCornerDropsTheToolbarPoint)
{
    g_prefs.Position = 1;
    g_prefs.PositionX = 200;
    g_prefs.PositionY = 150;
    ASSERT_TRUE(g_prefs.Save());
    const std::string fileBefore = ReadBytes(m_iniPath);

    {
        CPrefsSheetRun changed(g_prefs, { IDD_PREFS_MAIN });
        EXPECT_TRUE(changed.Run({ changed.OnPage(IDD_PREFS_MAIN, Select(IDC_PREF_TOOLBAR_POSITION, 3)),
                                  changed.Press(PSBTN_OK) }));
        EXPECT_EQ(changed.working.Position, 3);
        EXPECT_EQ(changed.working.PositionX, kToolbarPositionUnset);
        EXPECT_EQ(changed.working.PositionY, kToolbarPositionUnset);
        ASSERT_EQ(changed.placed.size(), 1u);
        EXPECT_EQ(changed.placed[0].Position, 3);
        EXPECT_EQ(changed.placed[0].PositionX, kToolbarPositionUnset);
    }

    // The bar dragged while the sheet is open: placing keeps it there.
    CPrefsSheetRun kept(g_prefs, { IDD_PREFS_MAIN });
    EXPECT_TRUE(kept.Run({ kept.OnPage(IDD_PREFS_MAIN, [](HWND) { g_prefs.PositionX = 300; }),
                           kept.Press(PSBTN_OK) }));
    EXPECT_EQ(kept.working.PositionX, 200);
    EXPECT_EQ(kept.working.PositionY, 150);
    ASSERT_EQ(kept.placed.size(), 1u);
    EXPECT_EQ(kept.placed[0].PositionX, 300);
    EXPECT_EQ(kept.placed[0].PositionY, 150);
    EXPECT_EQ(ReadBytes(m_iniPath), fileBefore) << "placing saved the sheet's values";
}

TEST_F(PrefsPagesTest, ListsWithoutASelectionKeepTheirValueUnlessZeroIsTheRule)
{
    CGroups::AddGroup(-1, L"Work", RGB(2, 2, 2));
    g_prefs.Position = 9;
    CPreferences start = g_prefs;
    start.TaskbarAction = 7;
    start.DefSize = 9;
    start.DefPos = 9;
    start.SubMenuSorting = 5;
    start.AutoFade = 7;
    start.AnimationSpeed = 9;
    start.DefaultGroup = L"work";  // no group of that exact name
    CPrefsSheetRun run(start);
    EXPECT_TRUE(run.Run({ run.OnPage(IDD_PREFS_NOTES), run.OnPage(IDD_PREFS_NOTES_OTHER), run.Press(PSBTN_OK) }));
    EXPECT_EQ(run.working.Position, 9);
    EXPECT_EQ(run.working.PositionX, start.PositionX);
    EXPECT_EQ(run.working.TaskbarAction, 7);
    EXPECT_EQ(run.working.DefSize, 9);
    EXPECT_EQ(run.working.AnimationSpeed, 9);
    EXPECT_EQ(run.working.DefaultGroup, L"work");
    EXPECT_EQ(run.working.DefPos, 0);
    EXPECT_EQ(run.working.SubMenuSorting, 0);
    EXPECT_EQ(run.working.AutoFade, 0);
}

TEST_F(PrefsPagesTest, EveryListAndGroupTakesItsChoice)
{
    CPrefsSheetRun run(g_prefs);
    EXPECT_TRUE(run.Run({
        run.OnPage(IDD_PREFS_MAIN, [](HWND page) {
            Select(IDC_PREF_TASKBAR_ACTION, 1)(page);
            CheckDlgButton(page, IDC_PREF_HIDE_TOOLBAR, BST_CHECKED);
        }),
        run.OnPage(IDD_PREFS_NOTES, [](HWND page) {
            Select(IDC_PREF_NOTE_POSITION, 5)(page);
            Click(IDC_PREF_SIZE_EXTRA_LARGE)(page);
        }),
        run.OnPage(IDD_PREFS_NOTES_OTHER, [](HWND page) {
            Select(IDC_PREF_SUBMENU_SORTING, 1)(page);
            Select(IDC_PREF_AUTOFADE, 2)(page);
            Click(IDC_PREF_ANIMATION_FAST)(page);   // third in tab order
        }),
        run.Press(PSBTN_OK),
    }));
    EXPECT_EQ(run.working.TaskbarAction, 1);
    EXPECT_TRUE(run.working.HideToolbar);
    EXPECT_EQ(run.working.DefPos, 5);
    EXPECT_EQ(run.working.DefSize, 3);
    EXPECT_EQ(run.working.SubMenuSorting, 1);
    EXPECT_EQ(run.working.AutoFade, 2);
    EXPECT_EQ(run.working.AnimationSpeed, 2);
}

TEST_F(PrefsPagesTest, DefaultGroupListAndEditGroups)
{
    CGroups::AddGroup(-1, L"Work", RGB(1, 1, 1));
    CGroups::AddGroup(-1, L"Home", RGB(2, 2, 2));
    CGroups::AddGroup(-1, L"Work", RGB(3, 3, 3));
    CPreferences start = g_prefs;
    start.DefaultGroup = L"Work";
    struct Seen { LRESULT count = 0, selected = -2; };
    Seen opened, refilled;
    const auto look = [](Seen& seen) {
        return [&seen](HWND page) {
            seen.count = SendDlgItemMessageW(page, IDC_PREF_DEFAULT_GROUP, CB_GETCOUNT, 0, 0);
            seen.selected = SendDlgItemMessageW(page, IDC_PREF_DEFAULT_GROUP, CB_GETCURSEL, 0, 0);
        };
    };
    CPreferences after;
    {
        CPrefsSheetRun run(start, { IDD_PREFS_NOTES_OTHER });
        EXPECT_TRUE(run.Run({
            run.OnPage(IDD_PREFS_NOTES_OTHER, look(opened)),
            run.OnPage(IDD_PREFS_NOTES_OTHER, [&run](HWND page) {
                run.script.HandleModal(IDD_GROUP_LIST, [](const SModalRun&) {
                    CGroups::AddGroup(-1, L"Later", RGB(4, 4, 4));
                    return INT_PTR(1);
                });
                Click(IDC_PREF_EDIT_GROUPS)(page);
            }),
            run.OnPage(IDD_PREFS_NOTES_OTHER, look(refilled)),
            run.OnPage(IDD_PREFS_NOTES_OTHER, Select(IDC_PREF_DEFAULT_GROUP, 4)),
            run.Press(PSBTN_OK),
        }));
        after = run.working;
    }
    EXPECT_EQ(opened.count, 4) << "an empty first item, then every group";
    EXPECT_EQ(opened.selected, 3) << "the last group of that exact name";
    EXPECT_EQ(refilled.count, 5);
    EXPECT_EQ(refilled.selected, 3);
    EXPECT_EQ(after.DefaultGroup, L"Later");

    CPrefsSheetRun none(after, { IDD_PREFS_NOTES_OTHER });
    EXPECT_TRUE(none.Run({ none.OnPage(IDD_PREFS_NOTES_OTHER, Select(IDC_PREF_DEFAULT_GROUP, 0)),
                           none.Press(PSBTN_OK) }));
    EXPECT_EQ(none.working.DefaultGroup, L"");
}

TEST_F(PrefsPagesTest, FontChoosersTakeTheirFontAndColourOnlyOnOk)
{
    CPreferences start = g_prefs;
    wcscpy(start.FontName, L"Verdana");
    start.FontHeight = -12;
    start.DefaultTextColor = RGB(1, 1, 1);
    CPrefsSheetRun run(start, { IDD_PREFS_NOTES });
    const auto choose = [](BOOL result, const wchar_t* face, COLORREF color) {
        return [=](CHOOSEFONTW& request) {
            wcscpy(request.lpLogFont->lfFaceName, face);
            request.lpLogFont->lfHeight = -20;
            request.lpLogFont->lfWeight = FW_BOLD;
            request.lpLogFont->lfCharSet = EASTEUROPE_CHARSET;
            request.lpLogFont->lfItalic = TRUE;
            request.rgbColors = color;
            return result;
        };
    };
    run.script.HandleFont(choose(FALSE, L"Cancelled", RGB(9, 9, 9)));
    run.script.HandleFont(choose(TRUE, L"Georgia", RGB(0, 0, 128)));
    run.script.HandleFont(choose(TRUE, L"Courier New", RGB(0, 128, 0)));
    EXPECT_TRUE(run.Run({
        run.OnPage(IDD_PREFS_NOTES, Click(IDC_PREF_DEFAULT_FONT)),
        [&] { EXPECT_STREQ(run.working.FontName, L"Verdana"); EXPECT_EQ(run.working.DefaultTextColor, RGB(1, 1, 1)); },
        run.OnPage(IDD_PREFS_NOTES, Click(IDC_PREF_DEFAULT_FONT)),
        run.OnPage(IDD_PREFS_NOTES, Click(IDC_PREF_TITLE_FONT)),
        run.Press(PSBTN_OK),
    }));
    EXPECT_STREQ(run.working.FontName, L"Georgia");
    EXPECT_EQ(run.working.FontHeight, -20);
    EXPECT_EQ(run.working.FontWeight, FW_BOLD);
    EXPECT_EQ(run.working.FontCharset, EASTEUROPE_CHARSET);
    EXPECT_STREQ(run.working.TitleFont.lfFaceName, L"Courier New");
    EXPECT_EQ(run.working.TitleFont.lfItalic, TRUE) << "the title font is taken whole";
    EXPECT_EQ(run.working.DefaultTextColor, RGB(0, 128, 0));
}

}  // namespace
