// What the tests of the sheet's own pages share: a real sheet with the Main,
// Notes and Notes (Other) pages on a working copy of the test's own, run
// through the modal seam with steps played from a timer inside its loop, and
// the toolbar placements the Main page asks for.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "dialogs/PreferenceMainPages.h"
#include "dialogs/PreferenceShellCalls.h"
#include "foundation/Preferences.h"
#include "resources/resource.h"
#include "tests/foundation/FileBytes.h"
#include "tests/notestore/RecordTestSupport.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/TimerSteps.h"

using SheetStep = TimerStep;

class CPrefsSheetRun {
public:
    // The pages by template, in sheet order; all three when none is named.
    explicit CPrefsSheetRun(const CPreferences& start, std::vector<UINT> pages = {})
        : working(start)
    {
        calls.placeToolbar = [this](CPreferences& prefs) {
            placed.push_back(prefs);
            // As placing does with a point off every screen.
            prefs.Save();
        };
        if (pages.empty())
            pages = { IDD_PREFS_MAIN, IDD_PREFS_NOTES, IDD_PREFS_NOTES_OTHER };
        for (const UINT id : pages)
            sheet.AddPage(PageById(id));
    }

    // OK (true) or Cancel; a sheet still open after the last step is
    // cancelled, so "nothing ended it" shows as a cancel.
    bool Run(std::vector<SheetStep> steps)
    {
        CModalWatchdog watchdog;
        steps.push_back(Press(PSBTN_CANCEL));
        SetTimerSteps(std::move(steps));
        script.HandleModal(IDS_PREFS_CAPTION, [](const SModalRun& run) {
            StartTimerSteps();
            const INT_PTR result = run.realRun(run.context);
            StopTimerSteps();
            return result;
        });
        return sheet.DoModal(nullptr);
    }

    SheetStep Press(int button)
    {
        return [this, button] { PostMessageW(sheet.GetHwnd(), PSM_PRESSBUTTON, button, 0); };
    }
    // Turns to the page, then acts on it.
    SheetStep OnPage(UINT id, std::function<void(HWND page)> action = {})
    {
        return [this, id, action] {
            sheet.SelectPageById(id);
            const HWND page = CurrentPage();
            ASSERT_EQ(page, PageById(id).GetHwnd()) << "page " << id;
            if (action)
                action(page);
        };
    }
    HWND CurrentPage() const
    {
        return reinterpret_cast<HWND>(SendMessageW(sheet.GetHwnd(), PSM_GETCURRENTPAGEHWND, 0, 0));
    }
    CPropertyPageBase& PageById(UINT id)
    {
        if (id == IDD_PREFS_MAIN)
            return main;
        if (id == IDD_PREFS_NOTES)
            return notes;
        return notesOther;
    }

    CPreferences working;
    PreferenceShellCalls calls;
    std::vector<CPreferences> placed;
    CPreferenceMainDlg main{ working, calls };
    CPreferenceNotesDlg notes{ working };
    CPreferenceNotesOtherDlg notesOther{ working };
    CPropertySheetBase sheet{ IDS_PREFS_CAPTION, PSH_NOAPPLYNOW };
    ScopedUiScript script;
};

// Page actions.
inline std::function<void(HWND)> Type(int id, std::wstring text)
{
    return [id, text](HWND page) { SetDlgItemTextW(page, id, text.c_str()); };
}
inline std::function<void(HWND)> Select(int id, int index)
{
    return [id, index](HWND page) { SendDlgItemMessageW(page, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0); };
}
inline std::function<void(HWND)> Click(int id)
{
    return [id](HWND page) {
        SendMessageW(GetDlgItem(page, id), BM_CLICK, 0, 0);
    };
}

// A fresh run with groups, a database and the settings in the test's folder;
// the live record is the test's.
class CPrefsPagesTest : public CGroupStoreTest {
protected:
    void SetUp() override
    {
        CGroupStoreTest::SetUp();
        const INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES };
        InitCommonControlsEx(&controls);
        m_iniPath = m_dir.File(L"RERUZADU.INI");
        ASSERT_TRUE(g_prefs.Save());
    }

    std::wstring m_iniPath;
};
