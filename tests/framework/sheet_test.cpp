// The property sheet: only shown pages apply, OK and Cancel as the run's
// result, a bad number keeping the sheet on its page, and a page without a
// template left out with a log line.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "framework/PropertySheet.h"
#include "resources/resource.h"
#include "tests/framework/FrameworkTestIds.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/TimerSteps.h"

namespace {

// A page that exchanges one number.
class CNumberPage : public CPropertyPageBase {
public:
    using CPropertyPageBase::CPropertyPageBase;
    int number = 3;
    int applied = 0;
    bool numberFocused = false;  // seen from the edit, so no other program's window can steal it

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (msg == WM_INITDIALOG) {
            ExchangeData(false);
            result = TRUE;
            return true;
        }
        if (msg == WM_COMMAND && wParam == MAKEWPARAM(IDC_T_NUMBER, EN_SETFOCUS))
            numberFocused = true;
        return CPropertyPageBase::ProcessWindowMessage(msg, wParam, lParam, result);
    }
    void DoDataExchange(CDataExchange& exchange) override { exchange.Int(IDC_T_NUMBER, number); }
    bool OnApply() override
    {
        const bool ok = CPropertyPageBase::OnApply();
        applied += ok;
        return ok;
    }
};

class CTestSheet : public CPropertySheetBase {
public:
    CTestSheet() : CPropertySheetBase(IDS_T_SHEET_CAPTION, PSH_NOAPPLYNOW) {}
    std::vector<UINT> seen;

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override
    {
        if (msg == WM_SHOWWINDOW || msg == WM_DESTROY)
            seen.push_back(msg);
        return false;
    }
};

struct SheetRun {
    CNumberPage one{ IDD_T_PAGE_ONE };
    CNumberPage two{ IDD_T_PAGE_TWO };
    CNumberPage three{ IDD_T_PAGE_THREE };
    CNumberPage missing{ IDD_T_MISSING };
    CTestSheet sheet;
    ScopedUiScript script;

    SheetRun()
    {
        for (CNumberPage* page : { &one, &two, &missing, &three })
            sheet.AddPage(*page);
    }

    bool Run(std::vector<std::function<void()>> steps)
    {
        CModalWatchdog watchdog;
        SetTimerSteps(std::move(steps), 40);
        script.HandleModal(IDS_T_SHEET_CAPTION, [](const SModalRun& run) {
            StartTimerSteps();
            const INT_PTR result = run.realRun(run.context);
            StopTimerSteps();
            return result;
        });
        return sheet.DoModal(nullptr);
    }
    std::function<void()> Press(int button)
    {
        return [this, button] { PostMessageW(sheet.GetHwnd(), PSM_PRESSBUTTON, button, 0); };
    }
    std::function<void()> ShowTwoWith(const wchar_t* text)
    {
        return [this, text] {
            sheet.SelectPageById(IDD_T_PAGE_TWO);
            SetDlgItemTextW(two.GetHwnd(), IDC_T_NUMBER, text);
        };
    }
};

TEST(Sheet, OkAppliesOnlyTheShownPages)
{
    SheetRun run;
    EXPECT_TRUE(run.Run({ run.ShowTwoWith(L"5"), run.Press(PSBTN_OK) }));
    EXPECT_EQ(run.one.applied, 1);
    EXPECT_EQ(run.two.applied, 1);
    EXPECT_EQ(run.two.number, 5);
    EXPECT_EQ(run.three.applied, 0) << "a page never shown does not apply";
    EXPECT_NE(std::find(run.sheet.seen.begin(), run.sheet.seen.end(), WM_SHOWWINDOW), run.sheet.seen.end());
    EXPECT_NE(std::find(run.sheet.seen.begin(), run.sheet.seen.end(), WM_DESTROY), run.sheet.seen.end());
}

TEST(Sheet, APageWithoutItsTemplateIsLoggedAndLeftOut)
{
    const CLogCapture log;
    SheetRun run;
    EXPECT_TRUE(log.Contains(L"Property page " + std::to_wstring(IDD_T_MISSING) + L" has no template and is left out"));
    EXPECT_EQ(run.sheet.PageCount(), 3u);
    int tabs = 0;
    EXPECT_TRUE(run.Run({
        [&] {
            const HWND tab = reinterpret_cast<HWND>(SendMessageW(run.sheet.GetHwnd(), PSM_GETTABCONTROL, 0, 0));
            tabs = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
        },
        run.Press(PSBTN_OK),
    }));
    EXPECT_EQ(tabs, 3);
}

TEST(Sheet, CancelAppliesNothing)
{
    SheetRun run;
    EXPECT_FALSE(run.Run({ run.ShowTwoWith(L"5"), run.Press(PSBTN_CANCEL) }));
    EXPECT_EQ(run.one.applied + run.two.applied, 0);
    EXPECT_EQ(run.two.number, 3);
}

TEST(Sheet, BadNumberKeepsTheSheetOnItsPage)
{
    SheetRun run;
    run.script.AnswerMessageBox(IDOK);
    // Read while the sheet is open: its windows are gone afterwards.
    bool onPageTwo = false;
    const bool result = run.Run({
        run.ShowTwoWith(L"12abc"),
        [&run] {
            run.sheet.SelectPageById(IDD_T_PAGE_ONE);
            run.two.numberFocused = false;
        },
        run.Press(PSBTN_OK),
        [&] {
            const HWND page = reinterpret_cast<HWND>(SendMessageW(run.sheet.GetHwnd(), PSM_GETCURRENTPAGEHWND, 0, 0));
            onPageTwo = page && page == run.two.GetHwnd();
        },
        run.Press(PSBTN_CANCEL),
    });
    EXPECT_FALSE(result);
    EXPECT_TRUE(onPageTwo);
    EXPECT_TRUE(run.two.numberFocused);
    EXPECT_EQ(run.script.MessageBoxTexts(), std::vector<std::wstring>{ LoadResString(IDS_INCORRECT_NUMBER) });
    EXPECT_EQ(run.two.number, 3);
}

}  // namespace
