// The arrow and colour buttons on a dialog of their own: what the colour
// button tells its owner for each way a pick ends, the picker's keys, layout
// and place, what the buttons draw, and the custom colours of "More Colors...".
// Picks are driven from a thread timer, which the picker's loop dispatches.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <uxtheme.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/CustomColors.h"
#include "foundation/Preferences.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/TestDir.h"
#include "tests/toolkit/ColorButtonTestSupport.h"
#include "tests/toolkit/ToolkitTestWindows.h"
#include "toolkit/AlphaNotifierWnd.h"
#include "toolkit/ColorButton.h"
#include "toolkit/ColorPicker.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);     // cell 0
constexpr COLORREF kChosen = RGB(1, 2, 3);    // from the colour dialog

enum class EColorDialog { kNone, kOk, kCancel };

TEST(ColorButton, EachWayAPickEndsSendsItsNotificationsInOrder)
{
    const COLORREF A = kAutomaticColor;
    struct Case {
        const char* name;
        COLORREF start;
        bool track;
        EColorDialog colorDialog;
        std::vector<Action> actions;
        std::vector<Notice> expected;
        COLORREF final;
    };
    const Case cases[] = {
        { "same cell: no CHANGED", kRed, false, EColorDialog::kNone, { Up(16) },
          { { CLRBN_DROPDOWN, kRed, 1 }, { CLRBN_CLOSEUP, kRed, 1 }, { CLRBN_CHOSEN, kRed, 1 } }, kRed },
        { "another cell", kRed, false, EColorDialog::kNone, { Move(13), Up(13) },
          { { CLRBN_DROPDOWN, kRed, 1 }, { CLRBN_CHANGED, kBlue, 1 }, { CLRBN_CLOSEUP, kBlue, 1 },
            { CLRBN_CHOSEN, kBlue, 1 } }, kBlue },
        { "automatic", kRed, false, EColorDialog::kNone, { Up(kAutomaticCell) },
          { { CLRBN_DROPDOWN, kRed, 1 }, { CLRBN_CHANGED, A, 1 }, { CLRBN_CLOSEUP, A, 1 }, { CLRBN_CHOSEN, A, 1 } },
          A },
        // Previews while tracking, then the colour comes back before the close.
        { "hover then Esc, tracking", kRed, true, EColorDialog::kNone, { Move(13), Move(0), Key(VK_ESCAPE) },
          { { CLRBN_DROPDOWN, kRed, 1 }, { CLRBN_CHANGED, kBlue, 1 }, { CLRBN_CHANGED, kBlack, 1 },
            { CLRBN_CHANGED, kRed, 1 }, { CLRBN_CLOSEUP, kRed, 1 }, { CLRBN_CANCELLED, kRed, 1 } }, kRed },
        { "hover leaves every cell, tracking", kRed, true, EColorDialog::kNone,
          { Move(13), [](HWND picker) { PostMessageW(picker, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0)); }, Key(VK_ESCAPE) },
          { { CLRBN_DROPDOWN, kRed, 1 }, { CLRBN_CHANGED, kBlue, 1 }, { CLRBN_CHANGED, kBlue, 0 },
            { CLRBN_CHANGED, kRed, 1 }, { CLRBN_CLOSEUP, kRed, 1 }, { CLRBN_CANCELLED, kRed, 1 } }, kRed },
        { "right-click", kRed, false, EColorDialog::kNone, { Move(13), RightClick() },
          { { CLRBN_DROPDOWN, kRed, 1 }, { CLRBN_CLOSEUP, kRed, 1 }, { CLRBN_CANCELLED, kRed, 1 } }, kRed },
        { "button up outside every cell", kRed, false, EColorDialog::kNone, { UpAt(-10, -10) },
          { { CLRBN_DROPDOWN, kRed, 1 }, { CLRBN_CLOSEUP, kRed, 1 }, { CLRBN_CANCELLED, kRed, 1 } }, kRed },
        { "keys: right, right, enter", kRed, false, EColorDialog::kNone,
          { Key(VK_RIGHT), Key(VK_RIGHT), Key(VK_RETURN) },
          { { CLRBN_DROPDOWN, kRed, 1 }, { CLRBN_CHANGED, kBlack, 1 }, { CLRBN_CLOSEUP, kBlack, 1 },
            { CLRBN_CHOSEN, kBlack, 1 } }, kBlack },
        { "More Colors... OK", A, false, EColorDialog::kOk, { Up(kCustomCell) },
          { { CLRBN_DROPDOWN, A, 1 }, { CLRBN_CHANGED, kChosen, 1 }, { CLRBN_CLOSEUP, kChosen, 1 },
            { CLRBN_CHOSEN, kChosen, 1 } }, kChosen },
        { "More Colors... cancelled", kRed, false, EColorDialog::kCancel, { Up(kCustomCell) },
          { { CLRBN_DROPDOWN, kRed, 1 }, { CLRBN_CLOSEUP, kRed, 1 }, { CLRBN_CANCELLED, kRed, 1 } }, kRed },
        // Another window takes the capture: a cancel with the restore.
        { "capture taken, tracking", kRed, true, EColorDialog::kNone, { Move(13), TakeCapture() },
          { { CLRBN_DROPDOWN, kRed, 1 }, { CLRBN_CHANGED, kBlue, 1 }, { CLRBN_CHANGED, kRed, 1 },
            { CLRBN_CLOSEUP, kRed, 1 }, { CLRBN_CANCELLED, kRed, 1 } }, kRed },
    };
    for (const Case& c : cases) {
        const CModalWatchdog watchdog;
        CButtonDialog dialog;
        dialog.color.SetColor(c.start);
        dialog.color.SetTrackSelection(c.track);
        ScopedUiScript ui;
        if (c.colorDialog != EColorDialog::kNone)
            ui.AnswerColor(c.colorDialog == EColorDialog::kOk ? std::optional<COLORREF>(kChosen) : std::nullopt);
        {
            CPickerScript script(c.actions);
            ClickColorButton(dialog);
            EXPECT_TRUE(script.Finished()) << c.name;
        }
        ReleaseCapture();
        EXPECT_EQ(dialog.notices, c.expected) << c.name;
        EXPECT_EQ(dialog.color.GetColor(), c.final) << c.name;
        EXPECT_EQ(FindPicker(), nullptr) << c.name;
    }
}

TEST(ColorButton, AutomaticResolvesToTheDefaultColour)
{
    CColorButton fresh;
    EXPECT_EQ(fresh.GetColor(), kAutomaticColor);
    EXPECT_EQ(fresh.GetResolvedColor(), GetSysColor(COLOR_APPWORKSPACE));
    fresh.SetDefaultColor(RGB(9, 8, 7));
    EXPECT_EQ(fresh.GetResolvedColor(), RGB(9, 8, 7));
    fresh.SetColor(kBlue);
    EXPECT_EQ(fresh.GetResolvedColor(), kBlue);
}

// The quit of the program is not the picker's to take: it ends the pick and
// is posted again for the outer loop.
TEST(ColorButton, QuitInsideThePickerEndsItAndIsPostedAgain)
{
    const CModalWatchdog watchdog;
    CButtonDialog dialog;
    dialog.color.SetColor(kRed);
    {
        CPickerScript script({ [](HWND) { PostQuitMessage(7); } });
        ClickColorButton(dialog);
    }
    ASSERT_EQ(dialog.notices.size(), 3u);
    EXPECT_EQ(dialog.notices.back().code, CLRBN_CANCELLED);
    MSG msg = {};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

HHOOK g_refuseHook = nullptr;

LRESULT CALLBACK RefusePickerWindow(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        wchar_t name[64] = {};
        GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64);
        if (wcscmp(name, kColorPickerClass) == 0)
            return 1;
    }
    return CallNextHookEx(g_refuseHook, code, wParam, lParam);
}

TEST(ColorButton, APickerThatCannotBeMadeIsACancelAndTheNextClickWorks)
{
    const CModalWatchdog watchdog;
    CButtonDialog dialog;
    dialog.color.SetColor(kRed);
    g_refuseHook = SetWindowsHookExW(WH_CBT, &RefusePickerWindow, nullptr, GetCurrentThreadId());
    ASSERT_NE(g_refuseHook, nullptr);
    ClickColorButton(dialog);
    UnhookWindowsHookEx(g_refuseHook);
    const std::vector<Notice> cancelled = { { CLRBN_DROPDOWN, kRed, 1 }, { CLRBN_CLOSEUP, kRed, 1 },
                                            { CLRBN_CANCELLED, kRed, 1 } };
    EXPECT_EQ(dialog.notices, cancelled);
    WNDCLASSEXW info = {};
    info.cbSize = sizeof(info);
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), kColorPickerClass, &info)) << "class left registered";

    dialog.notices.clear();
    CPickerScript script({ Up(13) });
    ClickColorButton(dialog);
    EXPECT_EQ(dialog.color.GetColor(), kBlue);
}

// "More Colors..." opens the dialog at the colour the button shows, with the
// custom colours that the settings keep.
TEST(ColorButton, TheColourDialogSharesTheCustomColoursThatTheSettingsSave)
{
    const CModalWatchdog watchdog;
    const CustomColorArray saved = CustomColors();
    CustomColors().fill(RGB(255, 255, 255));
    CButtonDialog dialog;
    ScopedUiScript ui;
    ui.HandleColor([](CHOOSECOLORW& request) {
        EXPECT_EQ(request.lpCustColors, CustomColors().data());
        EXPECT_EQ(request.rgbResult, CButtonDialog::kDefault) << "starts at the shown colour, not black";
        EXPECT_EQ(request.Flags & (CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR), DWORD(CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR));
        request.lpCustColors[3] = RGB(7, 8, 9);
        request.rgbResult = RGB(7, 8, 9);
        return TRUE;
    });
    {
        CPickerScript script({ Up(kCustomCell) });
        ClickColorButton(dialog);
    }
    EXPECT_EQ(dialog.color.GetColor(), RGB(7, 8, 9));
    EXPECT_EQ(CustomColors()[3], RGB(7, 8, 9));

    const CTestDir dir;
    const std::wstring ini = dir.File(L"RERUZADU.INI");
    CPreferences prefs;
    ASSERT_TRUE(prefs.SetIniPath(ini.c_str()));
    prefs.Save();
    EXPECT_EQ(GetPrivateProfileIntW(L"Preferences", L"CustomColor3", -1, ini.c_str()), int(RGB(7, 8, 9)));
    CustomColors() = saved;
}

TEST(ColorPicker, ArrowKeysStepThroughCellsAndSkipRowsWithoutLabel)
{
    const int none = kNoCell, autoCell = kAutomaticCell, more = kCustomCell;
    struct Case {
        int from;
        UINT key;
        bool hasAutomatic, hasCustom;
        int to;
    };
    const Case cases[] = {
        { none, VK_LEFT, true, true, more },   { none, VK_UP, true, true, more },
        { none, VK_RIGHT, true, true, autoCell }, { none, VK_DOWN, true, true, autoCell },
        { autoCell, VK_LEFT, true, true, more }, { autoCell, VK_UP, true, true, more },
        { autoCell, VK_RIGHT, true, true, 0 },   { autoCell, VK_DOWN, true, true, 0 },
        { more, VK_LEFT, true, true, 39 },     { more, VK_UP, true, true, 39 },
        { more, VK_RIGHT, true, true, autoCell }, { more, VK_DOWN, true, true, autoCell },
        { 0, VK_LEFT, true, true, autoCell },   { 0, VK_UP, true, true, autoCell },
        { 0, VK_RIGHT, true, true, 1 },        { 0, VK_DOWN, true, true, 8 },     // a whole row down
        { 7, VK_RIGHT, true, true, 8 },        { 7, VK_DOWN, true, true, 15 },
        { 7, VK_UP, true, true, autoCell },     { 7, VK_LEFT, true, true, 6 },
        { 39, VK_RIGHT, true, true, more },    { 39, VK_DOWN, true, true, more },
        { 39, VK_UP, true, true, 31 },         { 39, VK_LEFT, true, true, 38 },
        { 35, VK_DOWN, true, true, more },     // 43 is past the grid
        { 7, VK_HOME, true, true, 7 },         // other keys keep the hover
        // Rows without a label are stepped over in the same direction.
        { none, VK_RIGHT, false, true, 0 },    { none, VK_LEFT, true, false, 39 },
        { 0, VK_LEFT, false, true, more },     { 39, VK_RIGHT, true, false, autoCell },
        { 0, VK_UP, false, false, 39 },        { 39, VK_DOWN, false, false, 0 },
        { none, VK_LEFT, false, false, 39 },   { none, VK_DOWN, false, false, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextPickerCell(c.from, c.key, c.hasAutomatic, c.hasCustom), c.to)
            << c.from << " key " << c.key << " labels " << c.hasAutomatic << c.hasCustom;
}

TEST(ColorPicker, LayoutPutsTheGridBetweenTheLabelRows)
{
    const int edge = 2;
    // Narrow labels: the grid's width, rows of the taller label plus 10.
    PickerLayout layout = LayoutColorPicker({ 60, 13 }, { 80, 15 }, edge, edge);
    EXPECT_TRUE(SameRect(layout.automatic, { 2, 2, 146, 27 }));
    EXPECT_TRUE(SameRect(layout.cells[0], { 2, 27, 20, 45 }));
    EXPECT_TRUE(SameRect(layout.cells[39], { 128, 99, 146, 117 }));
    EXPECT_TRUE(SameRect(layout.custom, { 2, 117, 146, 142 }));
    EXPECT_EQ(layout.window.cx, 148);
    EXPECT_EQ(layout.window.cy, 144);

    // A wide label widens the picker and the grid is centred.
    layout = LayoutColorPicker({ 200, 13 }, { 80, 13 }, edge, edge);
    EXPECT_EQ(layout.window.cx, 210 + 4);
    EXPECT_EQ(layout.cells[0].left, 2 + 33);

    // Empty labels give no rows.
    layout = LayoutColorPicker({}, {}, edge, edge);
    EXPECT_TRUE(IsRectEmpty(&layout.automatic));
    EXPECT_TRUE(IsRectEmpty(&layout.custom));
    EXPECT_EQ(layout.cells[0].top, 2);
    EXPECT_EQ(layout.window.cx, 148);
    EXPECT_EQ(layout.window.cy, 94);
    EXPECT_EQ(PickerCellAt(layout, { 5, 1 }), kNoCell);
    EXPECT_EQ(PickerCellAt(layout, { 30, 20 }), 9);
}

TEST(ColorPicker, PlacementKeepsThePickerInsideTheWorkArea)
{
    const RECT work = { 0, 0, 800, 600 };
    const SIZE size = { 150, 140 };
    struct Case {
        const char* name;
        RECT button;
        RECT expected;
    };
    const Case cases[] = {
        { "room below", { 100, 100, 190, 123 }, { 100, 123, 250, 263 } },
        { "right edge", { 720, 100, 790, 123 }, { 650, 123, 800, 263 } },
        { "left edge", { -40, 100, 50, 123 }, { 0, 123, 150, 263 } },
        { "bottom: above the button", { 100, 550, 190, 573 }, { 100, 410, 250, 550 } },
        { "bottom right", { 720, 550, 790, 573 }, { 650, 410, 800, 550 } },
    };
    for (const Case& c : cases)
        EXPECT_TRUE(SameRect(PlaceColorPicker(size, c.button, work), c.expected)) << c.name;
}

// The real picker at the edges of the work area.
TEST(ColorPicker, OpensInsideTheWorkAreaAndAboveAButtonAtTheBottom)
{
    const CModalWatchdog watchdog;
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    enum EEdge { kRight, kLeft, kBottom };
    for (const EEdge edge : { kRight, kLeft, kBottom }) {
        CButtonDialog dialog;
        const RECT box = WindowRect(dialog.Get());
        const RECT button = WindowRect(dialog.ColorHwnd());
        POINT to = { work.left + 100, work.top + 100 };
        if (edge == kRight)
            to.x = work.right - (button.right - box.left) - 2;
        if (edge == kLeft)
            to.x = work.left - (button.left - box.left) - 20;
        if (edge == kBottom)
            to.y = work.bottom - (button.bottom - box.top) - 2;
        SetWindowPos(dialog.Get(), nullptr, to.x, to.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        const RECT placed = WindowRect(dialog.ColorHwnd());
        CPickerScript script({ Key(VK_ESCAPE) });
        ClickColorButton(dialog);
        const RECT picker = script.PickerRect();
        EXPECT_GE(picker.left, work.left) << edge;
        EXPECT_LE(picker.right, work.right) << edge;
        EXPECT_LE(picker.bottom, work.bottom) << edge;
        EXPECT_GT(picker.right - picker.left, kPickerColumns * kPickerCellSize) << edge;
        EXPECT_EQ(edge == kBottom ? picker.bottom : picker.top, edge == kBottom ? placed.top : placed.bottom)
            << edge;
    }
}

// A picture of a button as its owner-draw makes it.
class CButtonPicture {
public:
    explicit CButtonPicture(HWND button) : m_dc(nullptr)
    {
        const RECT client = CWindowRef(button).ClientRect();
        m_width = client.right;
        m_height = client.bottom;
        m_bitmap.Reset(CreateDib32(m_width, m_height, reinterpret_cast<void**>(&m_bits)));
        m_dc.Select(m_bitmap.Get());
        const CBrushHandle magenta(CreateSolidBrush(RGB(255, 0, 255)));
        FillRect(m_dc.Get(), &client, magenta.Get());
        SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(m_dc.Get()), PRF_CLIENT);
    }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    COLORREF At(int x, int y) const
    {
        const DWORD pixel = m_bits[(m_height - 1 - y) * m_width + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    // Whether the colour is somewhere in the columns from x0 to x1.
    bool Has(COLORREF color, int x0, int x1) const
    {
        for (int y = 0; y < m_height; ++y)
            for (int x = x0; x < x1; ++x)
                if (At(x, y) == color)
                    return true;
        return false;
    }

private:
    CBitmapHandle m_bitmap;
    CMemoryDC m_dc;
    DWORD* m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
};

TEST(ColorButton, DrawsItsSwatchAndArrowThemedAndUnthemed)
{
    for (const bool themed : { true, false }) {
        CButtonDialog dialog;
        const HWND button = dialog.ColorHwnd();
        EXPECT_EQ(GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
        // A class list that names no class: no theme on any system (Wine
        // keeps the default theme for an empty list).
        if (!themed)
            SetWindowTheme(button, L" ", L" ");
        EXPECT_EQ(dialog.color.Theme() == nullptr, !themed);

        const CButtonPicture automatic(button);
        const int x = automatic.Width() / 3;
        const int y = automatic.Height() / 2;
        EXPECT_EQ(automatic.At(x, y), CButtonDialog::kDefault) << themed << ": not the sentinel drawn as black";
        const int arrowFrom = automatic.Width() * 2 / 3;
        EXPECT_TRUE(automatic.Has(RGB(0, 0, 0), arrowFrom, automatic.Width())) << themed;

        dialog.color.SetColor(RGB(1, 200, 3));
        EXPECT_EQ(CButtonPicture(button).At(x, y), RGB(1, 200, 3)) << themed;

        EnableWindow(button, FALSE);
        const CButtonPicture disabled(button);
        EXPECT_FALSE(disabled.Has(RGB(1, 200, 3), 0, disabled.Width())) << themed << ": no swatch";
        EXPECT_TRUE(disabled.Has(GetSysColor(COLOR_GRAYTEXT), arrowFrom, disabled.Width())) << themed;
    }
}

TEST(ArrowButton, ShowsItsTextAndReachesItsOwnerAsAClick)
{
    CButtonDialog dialog;
    const HWND button = dialog.ArrowHwnd();
    EXPECT_EQ(GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    const CButtonPicture withText(button);
    SetWindowTextW(button, L"");
    const CButtonPicture withoutText(button);
    bool differs = false;
    for (int x = 0; x < withText.Width() / 2; ++x)
        for (int y = 0; y < withText.Height(); ++y)
            differs |= withText.At(x, y) != withoutText.At(x, y);
    EXPECT_TRUE(differs) << "the caption is drawn";
    EXPECT_TRUE(withText.Has(RGB(0, 0, 0), withText.Width() * 2 / 3, withText.Width())) << "the arrow";

    SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.arrowClicks, 1);
}

TEST(ColorButton, TheMouseOverTheButtonMakesItHotUntilItLeaves)
{
    CButtonDialog dialog;
    const HWND button = dialog.ColorHwnd();
    SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(dialog.color.IsHot());
    SendMessageW(button, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(dialog.color.IsHot());
}


}  // namespace
