// Pictures of the alarm, find-and-replace and group-list dialogs as a user
// sees them, saved beside the test under a real X server.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "BoxScript.h"
#include "NoteDialogTestSupport.h"
#include "dialogs/AlarmDlg.h"
#include "dialogs/FindDlg.h"
#include "framework/AppModule.h"
#include "notestore/GroupDlg.h"
#include "notestore/groups.h"
#include "resources/resource.h"
#include "tests/support/Screenshot.h"

namespace {

bool Saved(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// Lets the box's own loop paint it for a while, then shoots. Pumping here
// instead would run the script's next step, the Cancel, inside this one.
BoxStep Shoot(const wchar_t* path)
{
    // Shared: the script runs a copy of the step at each tick.
    const auto since = std::make_shared<DWORD>(0);
    return [path, since](HWND box) {
        if (*since == 0) {
            *since = GetTickCount();
            RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
        if (GetTickCount() - *since < 500) {
            --box_script::g_play.next;
            return;
        }
        SaveScreenshot(path, POINT{ 0, 0 });
    };
}

// Where on the screen the box lies when shot, for the picture's reader.
BoxStep OnScreen(RECT& where)
{
    return [&where](HWND box) { GetWindowRect(box, &where); };
}

bool Inside(const RECT& box)
{
    return box.left >= 0 && box.top >= 0 && box.right <= GetSystemMetrics(SM_CXSCREEN) &&
           box.bottom <= GetSystemMetrics(SM_CYSCREEN) && box.right > box.left;
}

class DialogScreenshotTest : public CNoteDialogTest {
protected:
    void SetUp() override
    {
        CNoteDialogTest::SetUp();
        const INITCOMMONCONTROLSEX controls = { sizeof(controls),
                                                ICC_DATE_CLASSES | ICC_UPDOWN_CLASS | ICC_LISTVIEW_CLASSES };
        InitCommonControlsEx(&controls);
    }
};

TEST_F(DialogScreenshotTest, TheDialogsAsTheyOpen)
{
    ScopedUiScript script;
    RECT alarm = {};
    PlayOnBox(script, IDD_ALARM, L"Quillet - Select time and date for alarm",
              { WhenShown(), OnScreen(alarm), Shoot(L"alarm-dialog-xvfb-screenshot.bmp"), Press(IDCANCEL) });
    ShowAlarmDlg(m_note, m_window);
    EXPECT_TRUE(Saved(L"alarm-dialog-xvfb-screenshot.bmp"));
    EXPECT_TRUE(Inside(alarm)) << "centred over a note at the screen's corner, the box must stay on it";

    m_note->SetText(L"Find the word here, then the word again.");
    ASSERT_TRUE(ShowReplaceDlg(m_window));
    SetDlgItemTextW(g_appModule.GetFindDlg(), IDC_FIND_WHAT, L"word");
    SetDlgItemTextW(g_appModule.GetFindDlg(), IDC_REPLACE_WITH, L"term");
    PumpMessagesFor(300);
    SaveScreenshot(L"replace-dialog-xvfb-screenshot.bmp", POINT{ 0, 0 });
    CloseFindDlg();
    EXPECT_TRUE(Saved(L"replace-dialog-xvfb-screenshot.bmp"));

    CGroups::AddGroup(-1, L"Work", RGB(220, 60, 60));
    CGroups::AddGroup(-1, L"R&D", RGB(60, 120, 220));
    CGroups::AddGroup(-1, L"Home", RGB(80, 180, 80));
    RECT groups = {};
    PlayOnBox(script, IDD_GROUP_LIST, L"Group list",
              { WhenShown(),
                [](HWND box) {
                    const HWND list = GetDlgItem(box, IDC_GROUP_LIST);
                    SetFocus(list);
                    ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
                },
                OnScreen(groups), Shoot(L"group-list-xvfb-screenshot.bmp"), Press(IDCANCEL) });
    ShowGroupList(nullptr);
    EXPECT_TRUE(Saved(L"group-list-xvfb-screenshot.bmp"));
    EXPECT_TRUE(Inside(groups));
}

}  // namespace
