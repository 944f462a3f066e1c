// The framework dialog: results by the dialog manager's rules, modal and
// modeless runs, reflection from a dialog, and the data exchange.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "framework/Dialog.h"
#include "resources/resource.h"
#include "tests/framework/FrameworkTestIds.h"
#include "tests/support/ScopedUiScript.h"

namespace {

// A dialog that records its messages and answers a few.
class CTestDialog : public CFrameworkDialog {
public:
    explicit CTestDialog(UINT templateId = IDD_T_CONTROLS) : CFrameworkDialog(templateId) {}

    std::vector<UINT> seen;
    bool numberFocused = false;  // seen from the edit, so no other program's window can steal it
    bool answerNotify = false;
    HBRUSH staticBrush = nullptr;

    // Exchanged values.
    int number = 0;
    int check = 0;
    int radio = -1;
    int combo = -1;
    std::wstring text;

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) override
    {
        seen.push_back(msg);
        switch (msg) {
        case WM_NOTIFY:
            result = 42;
            return answerNotify;
        case WM_CTLCOLORSTATIC:
            result = reinterpret_cast<LRESULT>(staticBrush);
            return staticBrush != nullptr;
        case WM_COMMAND:
            if (wParam == MAKEWPARAM(IDC_T_NUMBER, EN_SETFOCUS))
                numberFocused = true;
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(LOWORD(wParam));
                return true;
            }
            return false;
        }
        return false;
    }

    void DoDataExchange(CDataExchange& exchange) override
    {
        exchange.Check(IDC_T_CHECK, check);
        exchange.Radio(IDC_T_RADIO_A, radio);
        exchange.Int(IDC_T_NUMBER, number, -1000, 1000);
        exchange.Text(IDC_T_TEXT, text, 5);
        exchange.ComboIndex(IDC_T_COMBO, combo);
    }
};

// A modeless box on the controls template, shown so it can take the focus;
// its message boxes are scripted.
struct OpenDialog {
    ScopedUiScript script;
    CTestDialog dialog;
    OpenDialog()
    {
        EXPECT_TRUE(dialog.Create(nullptr));
        ShowWindow(dialog.GetHwnd(), SW_SHOW);
        for (const wchar_t* item : { L"zero", L"one", L"two" })
            SendDlgItemMessageW(dialog.GetHwnd(), IDC_T_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    HWND Window() const { return dialog.GetHwnd(); }
    void SetText(int id, const wchar_t* value) const { SetDlgItemTextW(Window(), id, value); }
};

TEST(FrameworkDialog, ResultsFollowTheDialogManagerRules)
{
    OpenDialog open;
    const HWND box = open.Window();
    NMHDR header = { GetDlgItem(box, IDC_T_LIST), IDC_T_LIST, NM_CLICK };
    EXPECT_EQ(SendMessageW(box, WM_NOTIFY, IDC_T_LIST, reinterpret_cast<LPARAM>(&header)), 0);
    open.dialog.answerNotify = true;
    EXPECT_EQ(SendMessageW(box, WM_NOTIFY, IDC_T_LIST, reinterpret_cast<LPARAM>(&header)), 42);

    const HBRUSH brush = GetSysColorBrush(COLOR_INFOBK);
    open.dialog.staticBrush = brush;
    const HDC dc = GetDC(box);
    EXPECT_EQ(SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(GetDlgItem(box, IDC_T_STATIC))),
              reinterpret_cast<LRESULT>(brush));
    ReleaseDC(box, dc);
}

TEST(FrameworkDialog, MessagesBeforeInitDialogReachNoHandler)
{
    OpenDialog open;
    ASSERT_FALSE(open.dialog.seen.empty());
    EXPECT_EQ(open.dialog.seen.front(), static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(std::count(open.dialog.seen.begin(), open.dialog.seen.end(), WM_SETFONT), 0);
}

TEST(FrameworkDialog, ModalRunGoesThroughTheSeamWithItsTemplate)
{
    ScopedUiScript script;
    CModalWatchdog watchdog;
    script.HandleModal(IDD_T_CONTROLS, [](const SModalRun& run) {
        // Ends the real box from inside its own loop.
        SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            PostMessageW(FindThreadWindow(L"Controls"), WM_COMMAND, IDCANCEL, 0);
        });
        return run.realRun(run.context);
    });
    CTestDialog dialog;
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(dialog.GetHwnd(), nullptr);
}

TEST(FrameworkDialog, MissingTemplateFailsAndIsLogged)
{
    ScopedUiScript script;
    script.HandleModal(IDD_T_MISSING, [](const SModalRun& run) { return run.realRun(run.context); });
    CLogCapture log;
    CTestDialog modal(IDD_T_MISSING);
    EXPECT_EQ(modal.DoModal(nullptr), -1);
    CTestDialog modeless(IDD_T_MISSING);
    EXPECT_FALSE(modeless.Create(nullptr));
    EXPECT_EQ(log.Lines().size(), 2u);
}

TEST(FrameworkDialog, DialogReflectsOwnerDrawnNotifications)
{
    OpenDialog open;
    const HWND button = GetDlgItem(open.Window(), IDC_T_DRAWN);
    class CDrawn : public CWindowBase {
    public:
        int draws = 0;
    protected:
        bool ProcessWindowMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override
        {
            if (msg != OCM_DRAWITEM)
                return false;
            ++draws;
            result = TRUE;
            return true;
        }
    } drawn;
    ASSERT_TRUE(drawn.SubclassWindow(button));
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = IDC_T_DRAWN;
    draw.hwndItem = button;
    EXPECT_EQ(SendMessageW(open.Window(), WM_DRAWITEM, IDC_T_DRAWN, reinterpret_cast<LPARAM>(&draw)), TRUE);
    EXPECT_EQ(drawn.draws, 1);
}

TEST(DataExchange, NumbersConvertOnlyAsWholeDecimalText)
{
    struct Case { const wchar_t* text; bool converts; int value; };
    const Case cases[] = {
        { L" 12 ", true, 12 },
        { L"-5", true, -5 },
        { L"12abc", false, 0 },      // trailing letters
        { L"0x10", false, 0 },       // no hexadecimal
        { L"", false, 0 },           // empty is no number
        { L"2147483648", false, 0 }, // past 32 bits
        { L"1001", false, 0 },       // past the range
        { L"-1000", true, -1000 },   // the range includes its ends
    };
    for (const Case& c : cases) {
        OpenDialog open;
        open.dialog.number = 7;
        open.SetText(IDC_T_NUMBER, c.text);
        if (!c.converts)
            open.script.AnswerMessageBox(IDOK);
        EXPECT_EQ(open.dialog.ExchangeData(true), c.converts) << c.text;
        EXPECT_EQ(open.dialog.number, c.converts ? c.value : 7) << c.text;
    }
}

TEST(DataExchange, FailedSaveAppliesNothingAndShowsTheControl)
{
    OpenDialog open;
    open.script.AnswerMessageBox(IDOK);
    open.dialog.check = 0;
    open.dialog.text = L"old";
    CheckDlgButton(open.Window(), IDC_T_CHECK, BST_CHECKED);
    open.SetText(IDC_T_TEXT, L"new");
    open.SetText(IDC_T_NUMBER, L"12abc");
    SetFocus(GetDlgItem(open.Window(), IDC_T_TEXT));
    open.dialog.numberFocused = false;
    EXPECT_FALSE(open.dialog.ExchangeData(true));
    EXPECT_EQ(open.dialog.check, 0) << "controls before the bad one apply nothing";
    EXPECT_EQ(open.dialog.text, L"old");
    ASSERT_EQ(open.script.MessageBoxTexts().size(), 1u);
    EXPECT_EQ(open.script.MessageBoxTexts()[0], LoadResString(IDS_INCORRECT_NUMBER));
    EXPECT_TRUE(open.dialog.numberFocused);
    DWORD start = 1, end = 0;
    SendDlgItemMessageW(open.Window(), IDC_T_NUMBER, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 5u);
}

TEST(DataExchange, ChecksRadiosAndListsRoundTrip)
{
    for (const int check : { 0, 1, 2 }) {
        for (const int radio : { -1, 0, 2 }) {
            OpenDialog open;
            open.dialog.check = check;
            open.dialog.radio = radio;
            open.dialog.combo = 1;
            open.dialog.number = -5;
            open.dialog.text = L"abc";
            ASSERT_TRUE(open.dialog.ExchangeData(false));
            EXPECT_EQ(IsDlgButtonChecked(open.Window(), IDC_T_AFTER_GROUP), 0u) << "the group ends at WS_GROUP";
            open.dialog.check = open.dialog.radio = open.dialog.combo = open.dialog.number = 99;
            open.dialog.text.clear();
            ASSERT_TRUE(open.dialog.ExchangeData(true));
            EXPECT_EQ(open.dialog.check, check);
            EXPECT_EQ(open.dialog.radio, radio);
            EXPECT_EQ(open.dialog.combo, 1);
            EXPECT_EQ(open.dialog.number, -5);
            EXPECT_EQ(open.dialog.text, L"abc");
        }
    }
}

TEST(DataExchange, TextIsCutToItsMaximumAndBuffer)
{
    OpenDialog open;
    // The loaded limit stops typing; a text set by the program is cut on save.
    open.SetText(IDC_T_TEXT, L"abcdefgh");
    open.SetText(IDC_T_NUMBER, L"1");
    ASSERT_TRUE(open.dialog.ExchangeData(true));
    EXPECT_EQ(open.dialog.text, L"abcde");

    struct Guarded {
        wchar_t before[4];
        wchar_t buffer[6];
        wchar_t after[4];
    } guarded;
    std::memset(&guarded, 0x5A, sizeof(guarded));
    CDataExchange save(open.Window(), true);
    save.Text(IDC_T_TEXT, guarded.buffer, 6);
    ASSERT_TRUE(save.Commit());
    EXPECT_STREQ(guarded.buffer, L"abcde");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(guarded.before[i], 0x5A5A);
        EXPECT_EQ(guarded.after[i], 0x5A5A);
    }
}

}  // namespace
