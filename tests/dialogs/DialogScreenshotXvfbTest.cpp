// Pictures of the alarm, find-and-replace and group-list dialogs as a user
// sees them, saved beside the test under a real X server.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

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

BoxStep Shoot(const wchar_t* path)
{
    return [path](HWND box) {
        UpdateWindow(box);
        PumpMessagesFor(300);
        SaveScreenshot(path, POINT{ 0, 0 });
    };
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
    PlayOnBox(script, IDD_ALARM, L"Quillet - Select time and date for alarm",
              { WhenShown(), Shoot(L"alarm-dialog-xvfb-screenshot.bmp"), Press(IDCANCEL) });
    ShowAlarmDlg(m_note, m_window);
    EXPECT_TRUE(Saved(L"alarm-dialog-xvfb-screenshot.bmp"));

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
    PlayOnBox(script, IDD_GROUP_LIST, L"Group list",
              { WhenShown(), [](HWND box) { ListView_SetItemState(GetDlgItem(box, IDC_GROUP_LIST), 1, LVIS_SELECTED, LVIS_SELECTED); },
                Shoot(L"group-list-xvfb-screenshot.bmp"), Press(IDCANCEL) });
    ShowGroupList(nullptr);
    EXPECT_TRUE(Saved(L"group-list-xvfb-screenshot.bmp"));
}

}  // namespace
