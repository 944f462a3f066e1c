// The organizer under X: two rows dragged with OLE onto a group of the group
// list join it, and a picture of the open organizer goes into the build folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>
#include <ole2.h>

#include <string>

#include "dialogs/ShowHideDlg.h"
#include "notestore/Note.h"
#include "notestore/groups.h"
#include "resources/resource.h"
#include "tests/notestore/WindowedStoreTest.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/Screenshot.h"

namespace {

class OrganizerXvfbTest : public CWindowedStoreTest {
protected:
    void SetUp() override
    {
        CWindowedStoreTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    }
    void TearDown() override
    {
        if (GetNoteOrganizer())
            ToggleNoteOrganizer();
        CWindowedStoreTest::TearDown();
        OleUninitialize();
    }

    std::int64_t HiddenNote(const wchar_t* text)
    {
        CNote* note = m_manager.CreateNewNote();
        if (!note)
            throw std::runtime_error("no note window");
        Type(*note, text);
        if (!note->HideSticky(false))
            throw std::runtime_error("the test note was not stored");
        return note->GetId();
    }

    CModalWatchdog m_watchdog{60000};
};

TEST_F(OrganizerXvfbTest, TwoRowsDraggedOntoAGroupJoinIt)
{
    CGroup* const work = CGroups::AddGroup(-1, L"Work", RGB(90, 160, 230));
    ASSERT_NE(work, nullptr);
    const std::int64_t workId = work->GetId();
    const std::int64_t first = HiddenNote(L"Buy milk");
    const std::int64_t second = HiddenNote(L"Call the plumber");
    HiddenNote(L"Stays where it is");

    ToggleNoteOrganizer();
    CShowHideDlg* const organizer = GetNoteOrganizer();
    ASSERT_NE(organizer, nullptr);
    const HWND list = organizer->ListWindow();
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    // Sorted by title: "Buy milk", "Call the plumber", "Stays where it is".
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    SetForegroundWindow(organizer->GetHwnd());
    PumpMessagesFor(300);

    // The pointer rests on "Work" with the button up: the drag drops there at once.
    const HWND groups = organizer->GroupListWindow();
    RECT item = {};
    ListBox_GetItemRect(groups, 1, &item);
    POINT drop = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(groups, &drop);
    SetCursorPos(drop.x, drop.y);
    PumpMessagesFor(100);
    NMLISTVIEW begin = {};
    begin.hdr = {list, IDC_ORGANIZER_LIST, LVN_BEGINDRAG};
    begin.iItem = 0;
    SendMessageW(organizer->GetHwnd(), WM_NOTIFY, IDC_ORGANIZER_LIST, reinterpret_cast<LPARAM>(&begin));

    for (const std::int64_t id : {first, second})
        EXPECT_EQ(Scalar((L"select `group` from notes where id=" + std::to_wstring(id)).c_str()), workId);
    EXPECT_EQ(Scalar(L"select count(*) from notes where `group`=0"), 1);

    ListBox_SetCurSel(groups, 2);   // every note
    SendMessageW(organizer->GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_ORGANIZER_GROUPS, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(groups));
    PumpMessagesFor(300);
    RECT window = {};
    GetWindowRect(organizer->GetHwnd(), &window);
    SaveScreenshot(L"organizer-xvfb-screenshot.bmp", POINT{window.left + 5, window.top + 5});
}

}  // namespace
