// Runs the alarm, sound, language, network and hot-key preference pages in a
// real property sheet over a working copy, steps played one by one from a
// timer inside the sheet's own loop; the shell's calls are recorders.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/PreferencePages.h"
#include "dialogs/PreferenceShellCalls.h"
#include "foundation/Preferences.h"
#include "resources/resource.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/TimerSteps.h"

namespace prefs_driver {

// Any caption will do: the run is found through the modal seam by its id.
constexpr UINT kSheetCaption = IDS_APP_NAME;

class CTestSheet : public CPropertySheetBase {
public:
    CTestSheet() : CPropertySheetBase(kSheetCaption, PSH_NOAPPLYNOW) {}
};

using Step = TimerStep;

// The hot keys as the shell would show them; Change sets the scripted key.
struct SHotKeyRecorder {
    std::map<int, std::wstring> texts{ { 1, L"CTRL+ALT+N" }, { 2, L"CTRL+ALT+O" }, { 3, L"CTRL+ALT+H" },
                                       { 4, L"CTRL+ALT+Q" } };
    std::wstring nextKey;
    std::vector<std::pair<HWND, int>> changes;
};

struct SSheetRun {
    CPreferences working;
    SHotKeyRecorder hotKeys;
    PreferenceShellCalls calls;
    CPreferenceAlarmDlg alarm{ working };
    CPreferenceSoundDlg sound{ working };
    CPreferenceLanguageDlg language{ working };
    CPreferenceNetworkDlg network{ working };
    CPreferenceHotKeyDlg hotKey{ working, calls };
    CTestSheet sheet;
    ScopedUiScript script;

    explicit SSheetRun(const CPreferences& start) : working(start)
    {
        calls.hotKeyText = [this](int n) { return CStdStr(hotKeys.texts[n].c_str()); };
        calls.changeHotKey = [this](HWND owner, int n) {
            hotKeys.changes.emplace_back(owner, n);
            hotKeys.texts[n] = hotKeys.nextKey;
            return true;
        };
        sheet.AddPage(alarm);
        sheet.AddPage(sound);
        sheet.AddPage(language);
        sheet.AddPage(network);
        sheet.AddPage(hotKey);
    }

    // The sheet's result; a sheet the steps left open is cancelled.
    bool Run(std::vector<Step> steps)
    {
        CModalWatchdog watchdog;
        steps.push_back(Press(PSBTN_CANCEL));
        SetTimerSteps(std::move(steps));
        script.HandleModal(kSheetCaption, [](const SModalRun& run) {
            StartTimerSteps();
            const INT_PTR result = run.realRun(run.context);
            StopTimerSteps();
            return result;
        });
        return sheet.DoModal(nullptr);
    }

    Step Press(int button)
    {
        return [this, button] { PostMessageW(sheet.GetHwnd(), PSM_PRESSBUTTON, button, 0); };
    }
    Step Show(UINT templateId)
    {
        return [this, templateId] { sheet.SelectPageById(templateId); };
    }
    HWND CurrentPage() const
    {
        return reinterpret_cast<HWND>(SendMessageW(sheet.GetHwnd(), PSM_GETCURRENTPAGEHWND, 0, 0));
    }
};


inline Step TypeInto(const CPropertyPageBase& page, int id, std::wstring text)
{
    return [&page, id, text] { SetDlgItemTextW(page.GetHwnd(), id, text.c_str()); };
}

inline Step Click(const CPropertyPageBase& page, int id)
{
    return [&page, id] {
        const HWND control = GetDlgItem(page.GetHwnd(), id);
        SendMessageW(page.GetHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    };
}

inline Step Check(const CPropertyPageBase& page, int id, bool on)
{
    return [&page, id, on] {
        CheckDlgButton(page.GetHwnd(), id, on ? BST_CHECKED : BST_UNCHECKED);
        Click(page, id)();
    };
}

// Selects a list box entry as the user would: the list tells its page.
inline Step SelectEvent(const CPropertyPageBase& page, int index)
{
    return [&page, index] {
        const HWND list = GetDlgItem(page.GetHwnd(), IDC_SOUNDPAGE_EVENTS);
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(page.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_SOUNDPAGE_EVENTS, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    };
}

inline Step SelectCombo(const CPropertyPageBase& page, int id, int index)
{
    return [&page, id, index] { SendDlgItemMessageW(page.GetHwnd(), id, CB_SETCURSEL, static_cast<WPARAM>(index), 0); };
}

inline std::wstring ItemText(const CPropertyPageBase& page, int id)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(page.GetHwnd(), id, text, 1024);
    return text;
}

}  // namespace prefs_driver
