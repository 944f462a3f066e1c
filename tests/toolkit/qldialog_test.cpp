// The program's dialog base: how commands end a box, modeless life, results
// to the dialog manager, and the placement kept in the settings file.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/Preferences.h"
#include "tests/framework/FrameworkTestIds.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/TestDir.h"
#include "toolkit/QLDialog.h"

namespace {

// Records the messages its handlers see and answers WM_NOTIFY and colours.
class CRecordingDialog : public CQLDialog {
public:
    using CQLDialog::CQLDialog;

    std::vector<UINT> seen;
    bool answerNotify = false;
    HBRUSH staticBrush = nullptr;

    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        seen.push_back(msg);
        if (msg == WM_CTLCOLORSTATIC && staticBrush)
            return reinterpret_cast<INT_PTR>(staticBrush);
        return CQLDialog::HandleMessage(msg, wParam, lParam);
    }

protected:
    bool OnNotify(int, NMHDR*, LRESULT* result) override
    {
        *result = 42;
        return answerNotify;
    }
};

// The window of the one modal box under test, found by its caption.
HWND RunningBox()
{
    return FindThreadWindow(L"Controls");
}

// One step sent to the running box; when the box is still open afterwards it
// is ended with 77, so "nothing happened" shows as 77.
struct ScriptedStep {
    UINT msg;
    WPARAM wParam;
};
ScriptedStep g_step;
UINT_PTR g_endTimer = 0;

void CALLBACK EndIfStillOpen(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (const HWND box = RunningBox())
        EndDialog(box, 77);
}

void CALLBACK SendStep(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (g_step.msg == WM_KEYDOWN) {
        // Through the dialog manager, as a key press would go.
        PostMessageW(GetDlgItem(RunningBox(), IDC_T_NUMBER), WM_KEYDOWN, g_step.wParam, 0);
    } else
        SendMessageW(RunningBox(), g_step.msg, g_step.wParam, 0);
    g_endTimer = SetTimer(nullptr, 0, 50, EndIfStillOpen);
}

INT_PTR RunModalWithStep(ScriptedStep step, CQLDialog& dialog)
{
    ScopedUiScript script;
    CModalWatchdog watchdog;
    g_step = step;
    script.HandleModal(IDD_T_CONTROLS, [](const SModalRun& run) {
        SetTimer(nullptr, 0, 20, SendStep);
        return run.realRun(run.context);
    });
    const INT_PTR result = dialog.DoModal();
    KillTimer(nullptr, g_endTimer);  // a box that ended at once leaves it behind
    return result;
}

INT_PTR RunModalWithStep(ScriptedStep step)
{
    CQLDialog dialog(IDD_T_CONTROLS, nullptr);
    return RunModalWithStep(step, dialog);
}

TEST(QLDialog, CommandsEndAModalBoxWithOneOrZero)
{
    struct Case { const char* name; ScriptedStep step; INT_PTR result; };
    const Case cases[] = {
        { "OK", { WM_COMMAND, MAKEWPARAM(IDOK, 0) }, 1 },
        { "Cancel", { WM_COMMAND, MAKEWPARAM(IDCANCEL, 0) }, 0 },  // not 2
        { "Esc", { WM_KEYDOWN, VK_ESCAPE }, 0 },
        { "OK with a code", { WM_COMMAND, MAKEWPARAM(IDOK, EN_CHANGE) }, 77 },
        { "Cancel with a code", { WM_COMMAND, MAKEWPARAM(IDCANCEL, EN_CHANGE) }, 77 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunModalWithStep(c.step), c.result) << c.name;
}

TEST(QLDialog, ModelessOkClearsTheWindowSoItCanOpenAgain)
{
    CQLDialog dialog(IDD_T_CONTROLS, nullptr);
    ASSERT_TRUE(dialog.Create(nullptr));
    EXPECT_FALSE(dialog.IsModal());
    const HWND first = dialog.GetHwnd();
    SendMessageW(first, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(dialog.GetHwnd(), nullptr);
    EXPECT_FALSE(dialog.IsWindow());
    ASSERT_TRUE(dialog.Create(nullptr));
    SendMessageW(dialog.GetHwnd(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(dialog.GetHwnd(), nullptr);

    CQLDialog missing(IDD_T_MISSING, nullptr);
    EXPECT_FALSE(missing.Create(nullptr));
    EXPECT_FALSE(missing.IsModal());
    EXPECT_EQ(missing.GetHwnd(), nullptr);
}

TEST(QLDialog, AModelessBoxRunModalLaterEndsAsAModalOne)
{
    CQLDialog dialog(IDD_T_CONTROLS, nullptr);
    ASSERT_TRUE(dialog.Create(nullptr));
    SendMessageW(dialog.GetHwnd(), WM_COMMAND, IDOK, 0);
    ASSERT_FALSE(dialog.IsWindow());

    EXPECT_EQ(RunModalWithStep({ WM_COMMAND, MAKEWPARAM(IDOK, 0) }, dialog), 1);
    EXPECT_TRUE(dialog.IsModal());
}

TEST(QLDialog, ASecondCreateKeepsTheOpenBox)
{
    HWND first = nullptr;
    {
        CQLDialog dialog(IDD_T_CONTROLS, nullptr);
        ASSERT_TRUE(dialog.Create(nullptr));
        first = dialog.GetHwnd();
        EXPECT_TRUE(dialog.Create(nullptr));
        EXPECT_EQ(dialog.GetHwnd(), first);
    }
    // A box the object lost track of would outlive it, still linked to it.
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(FindThreadWindow(L"Controls"), nullptr);
}

TEST(QLDialog, AModalRunClosesTheModelessBoxStillOpen)
{
    HWND modeless = nullptr;
    {
        CQLDialog dialog(IDD_T_CONTROLS, nullptr);
        ASSERT_TRUE(dialog.Create(nullptr));
        modeless = dialog.GetHwnd();
        EXPECT_EQ(RunModalWithStep({ WM_COMMAND, MAKEWPARAM(IDOK, 0) }, dialog), 1);
        // Left open, it would stay linked to the object and outlive it.
        EXPECT_FALSE(IsWindow(modeless));
        EXPECT_EQ(dialog.GetHwnd(), nullptr);
    }
    EXPECT_EQ(FindThreadWindow(L"Controls"), nullptr);
}

// Ends itself while it opens, as a box does whose initialisation fails.
class CSelfEndingDialog : public CQLDialog {
public:
    using CQLDialog::CQLDialog;

protected:
    int OnInitDialog() override
    {
        OnCancel();
        return 1;
    }
};

TEST(QLDialog, ABoxThatEndsWhileItOpensLeavesNoHandle)
{
    CLogCapture log;
    CSelfEndingDialog dialog(IDD_T_CONTROLS, nullptr);
    EXPECT_FALSE(dialog.Create(nullptr));
    EXPECT_EQ(dialog.GetHwnd(), nullptr);
    EXPECT_FALSE(dialog.IsWindow());
    EXPECT_EQ(FindThreadWindow(L"Controls"), nullptr);
}

TEST(QLDialog, MissingTemplateRunsNothingAndIsLogged)
{
    ScopedUiScript script;
    script.HandleModal(IDD_T_MISSING, [](const SModalRun& run) { return run.realRun(run.context); });
    CLogCapture log;
    CQLDialog dialog(IDD_T_MISSING, nullptr);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_FALSE(dialog.Create(nullptr));
    EXPECT_EQ(log.Lines().size(), 2u);
}

TEST(QLDialog, ResultsReachTheSender)
{
    CRecordingDialog dialog(IDD_T_CONTROLS, nullptr);
    ASSERT_TRUE(dialog.Create(nullptr));
    const HWND box = dialog.GetHwnd();
    ASSERT_FALSE(dialog.seen.empty());
    EXPECT_EQ(dialog.seen.front(), static_cast<UINT>(WM_INITDIALOG)) << "WM_SETFONT came first and reached nothing";

    NMHDR header = { GetDlgItem(box, IDC_T_LIST), IDC_T_LIST, 0 };
    EXPECT_EQ(SendMessageW(box, WM_NOTIFY, IDC_T_LIST, reinterpret_cast<LPARAM>(&header)), 0);
    dialog.answerNotify = true;
    EXPECT_EQ(SendMessageW(box, WM_NOTIFY, IDC_T_LIST, reinterpret_cast<LPARAM>(&header)), 42);

    dialog.staticBrush = GetSysColorBrush(COLOR_INFOBK);
    const HDC dc = GetDC(box);
    EXPECT_EQ(SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0),
              reinterpret_cast<LRESULT>(dialog.staticBrush));
    ReleaseDC(box, dc);

    EXPECT_EQ(dialog.GetItemText(9999), L"");
    EXPECT_EQ(dialog.SetItemText(9999, L"x"), 0);
    EXPECT_NE(dialog.SetItemText(IDC_T_TEXT, L"typed"), 0);
    EXPECT_EQ(dialog.GetItemText(IDC_T_TEXT), L"typed");
    DestroyWindow(box);
    EXPECT_EQ(dialog.GetHwnd(), nullptr);
}

// A settings file of the test's own for the placement keys.
class Placement : public testing::Test {
protected:
    void SetUp() override
    {
        m_saved = g_prefs.IniPath();
        ASSERT_TRUE(g_prefs.SetIniPath(m_dir.File(L"RERUZADU.INI").c_str()));
    }
    void TearDown() override { g_prefs.SetIniPath(m_saved.c_str()); }

    void Store(int x, int y, int width, int height) const
    {
        const wchar_t* ini = g_prefs.IniPath();
        MyWritePrivateProfileInt(L"Dialogs_Test", L"X", x, ini);
        MyWritePrivateProfileInt(L"Dialogs_Test", L"Y", y, ini);
        MyWritePrivateProfileInt(L"Dialogs_Test", L"Width", width, ini);
        MyWritePrivateProfileInt(L"Dialogs_Test", L"Height", height, ini);
    }
    int Stored(const wchar_t* key) const { return ReadPrivateProfileInt(L"Dialogs_Test", key, -99999, g_prefs.IniPath()); }

    static SIZE SizeOf(HWND window)
    {
        RECT rect = {};
        GetWindowRect(window, &rect);
        return { rect.right - rect.left, rect.bottom - rect.top };
    }

    CTestDir m_dir;
    std::wstring m_saved;
};

TEST_F(Placement, RestoreMovesAndGrowsOnlySizableBoxes)
{
    struct Case { const char* name; int templateId; int grow; bool sized; };
    const Case cases[] = {
        { "sizable, larger", IDD_T_SIZABLE, 80, true },
        { "sizable, smaller keeps the template", IDD_T_SIZABLE, -40, false },
        { "fixed is only moved", IDD_T_CONTROLS, 80, false },
    };
    for (const Case& c : cases) {
        CQLDialog dialog(c.templateId, nullptr);
        ASSERT_TRUE(dialog.Create(nullptr));
        const SIZE original = SizeOf(dialog.GetHwnd());
        Store(30, 40, original.cx + c.grow, original.cy + c.grow);
        dialog.RestorePlacement(L"Test");
        RECT rect = {};
        GetWindowRect(dialog.GetHwnd(), &rect);
        EXPECT_EQ(rect.left, 30) << c.name;
        EXPECT_EQ(rect.top, 40) << c.name;
        const SIZE expected = c.sized ? SIZE{ original.cx + c.grow, original.cy + c.grow } : original;
        EXPECT_EQ(rect.right - rect.left, expected.cx) << c.name;
        EXPECT_EQ(rect.bottom - rect.top, expected.cy) << c.name;
        DestroyWindow(dialog.GetHwnd());
    }
}

TEST_F(Placement, OffScreenPositionsComeBackOntoTheScreen)
{
    CQLDialog dialog(IDD_T_SIZABLE, nullptr);
    ASSERT_TRUE(dialog.Create(nullptr));
    const SIZE size = SizeOf(dialog.GetHwnd());
    for (const POINT stored : { POINT{ -1500, 20 }, POINT{ 20, 30000 } }) {
        Store(stored.x, stored.y, size.cx, size.cy);
        EXPECT_EQ(Stored(L"X"), stored.x);
        dialog.RestorePlacement(L"Test");
        RECT rect = {};
        GetWindowRect(dialog.GetHwnd(), &rect);
        RECT screen = { 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
        RECT inside = {};
        EXPECT_TRUE(IntersectRect(&inside, &rect, &screen)) << stored.x << "," << stored.y;
        EXPECT_GE(rect.left, 0);
    }
    DestroyWindow(dialog.GetHwnd());
}

TEST_F(Placement, MaximizedBoxStoresItsRestoredRectangle)
{
    CQLDialog dialog(IDD_T_SIZABLE, nullptr);
    ASSERT_TRUE(dialog.Create(nullptr));
    SetWindowPos(dialog.GetHwnd(), nullptr, 50, 60, 300, 200, SWP_NOZORDER);
    ShowWindow(dialog.GetHwnd(), SW_SHOWMAXIMIZED);
    dialog.SavePlacement(L"Test");
    EXPECT_EQ(Stored(L"X"), 50);
    EXPECT_EQ(Stored(L"Y"), 60);
    EXPECT_EQ(Stored(L"Width"), 300);
    EXPECT_EQ(Stored(L"Height"), 200);
    DestroyWindow(dialog.GetHwnd());
}

TEST(PlacementArithmetic, ATaskbarAtTheLeftOrTopCausesNoDrift)
{
    const RECT monitor = { 0, 0, 1024, 768 };
    struct Case { const char* name; RECT work; };
    const Case cases[] = {
        { "no taskbar", { 0, 0, 1024, 768 } },
        { "taskbar left", { 60, 0, 1024, 768 } },
        { "taskbar top", { 0, 60, 1024, 768 } },
    };
    for (const Case& c : cases) {
        // The workspace rectangle GetWindowPlacement reports for a box at (200, 150).
        const POINT screen = { 200, 150 };
        const RECT workspace = { screen.x - (c.work.left - monitor.left), screen.y - (c.work.top - monitor.top),
                                 screen.x - (c.work.left - monitor.left) + 300,
                                 screen.y - (c.work.top - monitor.top) + 200 };
        // Saved, then restored through SetWindowPos, which takes screen coordinates.
        const RECT saved = WorkspaceToScreen(workspace, c.work, monitor);
        EXPECT_EQ(saved.left, screen.x) << c.name;
        EXPECT_EQ(saved.top, screen.y) << c.name;
        EXPECT_EQ(saved.right - saved.left, 300) << c.name;
    }
}

}  // namespace
