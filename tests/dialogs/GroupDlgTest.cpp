// The group editor and the group list on real groups and notes: OK needs a
// name, rows act on their own group even when two share a name, a delete
// moves the notes out first and keeps a group whose notes could not leave,
// reordering, renaming in place, a group gone while its editor is open, and
// what the list paints: the framed swatch and the highlighted row.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "BoxScript.h"
#include "NoteDialogTestSupport.h"
#include "notestore/GroupDlg.h"
#include "notestore/groups.h"
#include "resources/resource.h"
#include "tests/shell/PrintClient.h"

namespace {

const wchar_t kListCaption[] = L"Group list";
const wchar_t kEditCaption[] = L"Add/Edit Group";

HWND ListOf(HWND box)
{
    return GetDlgItem(box, IDC_GROUP_LIST);
}

BoxStep SelectRow(int item)
{
    return [item](HWND box) {
        ListView_SetItemState(ListOf(box), -1, 0, LVIS_SELECTED);
        ListView_SetItemState(ListOf(box), item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    };
}

// Types a name into the editor, as typing would tell it.
BoxStep TypeName(const wchar_t* name)
{
    return [name](HWND box) {
        SetDlgItemTextW(box, IDC_GROUP_NAME, name);
        SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDC_GROUP_NAME, EN_CHANGE), 0);
    };
}

class GroupDlgTest : public CNoteDialogTest {
protected:
    void SetUp() override
    {
        CNoteDialogTest::SetUp();
        const INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_LISTVIEW_CLASSES };
        InitCommonControlsEx(&controls);
    }

    std::int64_t Add(const wchar_t* name, COLORREF color)
    {
        const CGroup* group = CGroups::AddGroup(-1, name, color);
        EXPECT_NE(group, nullptr);
        return group ? group->GetId() : 0;
    }
    std::wstring NameOf(std::int64_t id)
    {
        const CGroup* group = CGroups::FindById(id);
        return group ? group->GetName().c_str() : L"<gone>";
    }
    std::int64_t StoredIndex(std::int64_t id)
    {
        return Scalar((L"select [index] from groups where id = " + std::to_wstring(id)).c_str());
    }
};

TEST_F(GroupDlgTest, ANewGroupNeedsANameAndTakesItsIdAsIndex)
{
    ScopedUiScript script;
    bool okAtStart = true;
    PlayOnBox(script, IDD_GROUP_LIST, kListCaption, { Press(IDC_GROUP_NEW), Press(IDCANCEL) });
    PlayOnBox(script, IDD_EDIT_GROUP, kEditCaption, {
        [&](HWND box) { okAtStart = IsWindowEnabled(GetDlgItem(box, IDOK)) != FALSE; },
        TypeName(L"Work"), Press(IDOK),
    });
    EXPECT_EQ(ShowGroupList(nullptr), 1);
    EXPECT_FALSE(okAtStart);
    ASSERT_EQ(CGroups::GetCount(), 1);
    const CGroup* group = CGroups::GetAt(0);
    EXPECT_EQ(group->GetName(), L"Work");
    EXPECT_EQ(group->GetIndex(), group->GetId());
    EXPECT_EQ(Scalar(L"select count(*) from groups where name = 'Work'"), 1);
}

TEST_F(GroupDlgTest, RowsActOnTheirOwnGroupWhenTwoShareAName)
{
    const std::int64_t first = Add(L"Work", RGB(200, 0, 0));
    const std::int64_t second = Add(L"Work", RGB(0, 0, 200));
    ScopedUiScript script;
    PlayOnBox(script, IDD_GROUP_LIST, kListCaption, {
        SelectRow(1), Press(IDC_GROUP_EDIT),
        SelectRow(1), Press(IDC_GROUP_DELETE),
        Press(IDCANCEL),
    });
    PlayOnBox(script, IDD_EDIT_GROUP, kEditCaption, { TypeName(L"Home"), Press(IDOK) });
    EXPECT_EQ(ShowGroupList(nullptr), 1);
    EXPECT_EQ(NameOf(first), L"Work");
    EXPECT_EQ(NameOf(second), L"<gone>") << "renamed to Home, then deleted";
    EXPECT_EQ(Scalar((L"select count(*) from groups where id = " + std::to_wstring(second)).c_str()), 0);
}

TEST_F(GroupDlgTest, DeleteMovesTheNotesOutFirstAndKeepsAGroupTheyCouldNotLeave)
{
    const std::int64_t work = Add(L"Work", RGB(200, 0, 0));
    ASSERT_TRUE(m_note->SetGroup(work, RGB(200, 0, 0)) || m_note->GetGroup() == work);
    ASSERT_TRUE(m_manager.StoreNote(m_note));

    const auto deleteFirstRow = [] {
        ScopedUiScript script;
        PlayOnBox(script, IDD_GROUP_LIST, kListCaption, { SelectRow(0), Press(IDC_GROUP_DELETE), Press(IDCANCEL) });
        ShowGroupList(nullptr);
    };
    // The move of the notes fails: group and notes stay together.
    DB().execDML(L"create trigger refuse before update of [group] on notes begin select raise(abort, 'no'); end");
    deleteFirstRow();
    EXPECT_EQ(NameOf(work), L"Work");
    EXPECT_EQ(Scalar((L"select count(*) from notes where [group] = " + std::to_wstring(work)).c_str()), 1);

    DB().execDML(L"drop trigger refuse");
    deleteFirstRow();
    EXPECT_EQ(NameOf(work), L"<gone>");
    EXPECT_EQ(Scalar((L"select [group] from notes where id = " + std::to_wstring(m_id)).c_str()), 0);
}

TEST_F(GroupDlgTest, MovingUpSwapsTheStoredIndexesOnlyBelowTheTop)
{
    const std::int64_t first = Add(L"One", RGB(1, 1, 1));
    const std::int64_t second = Add(L"Two", RGB(2, 2, 2));
    const std::int64_t firstIndex = StoredIndex(first);
    const std::int64_t secondIndex = StoredIndex(second);
    ScopedUiScript script;
    PlayOnBox(script, IDD_GROUP_LIST, kListCaption, {
        SelectRow(0), Press(IDC_GROUP_MOVE_UP),     // the top stays
        SelectRow(1), Press(IDC_GROUP_MOVE_DOWN),   // so does the bottom
        Press(IDCANCEL),
    });
    ShowGroupList(nullptr);
    EXPECT_EQ(StoredIndex(first), firstIndex);
    EXPECT_EQ(StoredIndex(second), secondIndex);

    std::wstring topRow;
    PlayOnBox(script, IDD_GROUP_LIST, kListCaption, {
        SelectRow(1), Press(IDC_GROUP_MOVE_UP),
        [&](HWND box) {
            wchar_t text[64] = {};
            ListView_GetItemText(ListOf(box), 0, 0, text, 64);
            topRow = text;
        },
        Press(IDCANCEL),
    });
    ShowGroupList(nullptr);
    EXPECT_EQ(StoredIndex(first), secondIndex);
    EXPECT_EQ(StoredIndex(second), firstIndex);
    EXPECT_EQ(topRow, L"Two");
}

TEST_F(GroupDlgTest, ARenameInPlaceIsStoredOnCloseAndAnEmptyOneRefused)
{
    const std::int64_t id = Add(L"Work", RGB(1, 1, 1));
    const auto renameTo = [](const wchar_t* name) {
        return [name](HWND box) {
            SetFocus(ListOf(box));
            const HWND edit = ListView_EditLabel(ListOf(box), 0);
            SetWindowTextW(edit, name);
            SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
            SetFocus(GetDlgItem(box, IDC_GROUP_NEW));   // a focus change ends the edit too
        };
    };
    ScopedUiScript script;
    PlayOnBox(script, IDD_GROUP_LIST, kListCaption, { renameTo(L""), renameTo(L"Projects"), Press(IDCANCEL) });
    ShowGroupList(nullptr);
    EXPECT_EQ(NameOf(id), L"Projects");
    EXPECT_EQ(Scalar(L"select count(*) from groups where name = 'Projects'"), 1);
}

TEST_F(GroupDlgTest, EditGroupRecoloursItsNotesAndFailsForAGroupGoneMeanwhile)
{
    const std::int64_t id = Add(L"Work", RGB(200, 0, 0));
    ASSERT_TRUE(m_note->SetGroup(id, RGB(200, 0, 0)) || m_note->GetGroup() == id);
    ASSERT_TRUE(m_manager.StoreNote(m_note));
    ScopedUiScript script;
    PlayOnBox(script, IDD_EDIT_GROUP, kEditCaption, { TypeName(L"Office"), Press(IDOK) });
    EXPECT_TRUE(EditGroup(CGroups::FindById(id)));
    EXPECT_EQ(NameOf(id), L"Office");

    PlayOnBox(script, IDD_EDIT_GROUP, kEditCaption, {
        [&](HWND) { CGroups::FindById(id)->Remove(); },
        TypeName(L"Late"), Press(IDOK),
    });
    EXPECT_FALSE(EditGroup(CGroups::FindById(id)));
    EXPECT_EQ(NameOf(id), L"<gone>");
}

// What the list paints, read back from a 32-bpp bitmap.
struct SListPicture {
    std::vector<COLORREF> pixels;
    int width = 0;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    int Count(const RECT& area, COLORREF colour) const
    {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                count += At(x, y) == colour;
        return count;
    }
};

SListPicture PrintList(HWND list)
{
    RECT client = {};
    GetClientRect(list, &client);
    SListPicture picture;
    picture.width = client.right;
    picture.pixels = PrintClientPixels(list, client.right, client.bottom);
    return picture;
}

TEST_F(GroupDlgTest, TheSwatchIsFramedAndTheSelectedRowHighlighted)
{
    const COLORREF red = RGB(200, 0, 0);
    Add(L"Red", red);
    Add(L"Blue", RGB(0, 0, 200));
    SListPicture picture;
    RECT swatchCell = {};
    RECT selectedName = {};
    RECT otherName = {};
    ScopedUiScript script;
    PlayOnBox(script, IDD_GROUP_LIST, kListCaption, {
        SelectRow(1),
        [&](HWND box) {
            const HWND list = ListOf(box);
            SetFocus(list);
            ListView_GetSubItemRect(list, 0, 1, LVIR_BOUNDS, &swatchCell);
            ListView_GetSubItemRect(list, 1, 0, LVIR_LABEL, &selectedName);
            ListView_GetSubItemRect(list, 0, 0, LVIR_LABEL, &otherName);
            picture = PrintList(list);
        },
        Press(IDCANCEL),
    });
    ShowGroupList(nullptr);
    ASSERT_FALSE(picture.pixels.empty());

    // The swatch: 10 wide, 3 in from top and bottom, centred; the frame
    // image lies one pixel round it.
    const int left = (swatchCell.left + swatchCell.right) / 2 - 5;
    const int top = swatchCell.top + 3;
    const int bottom = swatchCell.bottom - 3;
    ASSERT_GE(bottom - top, 2) << "rows too low for a swatch";
    const COLORREF black = RGB(0, 0, 0);
    EXPECT_EQ(picture.At(left + 5, (top + bottom) / 2), red);
    EXPECT_EQ(picture.At(left, top), red) << "the frame leaves the swatch whole";
    EXPECT_EQ(picture.At(left + 9, top + 9), red);
    EXPECT_EQ(picture.At(left - 1, top + 2), black);
    EXPECT_EQ(picture.At(left + 10, top + 2), black);
    EXPECT_EQ(picture.At(left + 4, top - 1), black);
    EXPECT_EQ(picture.At(swatchCell.left + 1, swatchCell.top + 1), GetSysColor(COLOR_WINDOW));

    // The selected row: its name on the highlight, in the highlight's text colour.
    EXPECT_GT(picture.Count(selectedName, GetSysColor(COLOR_HIGHLIGHT)), 0);
    EXPECT_GT(picture.Count(selectedName, GetSysColor(COLOR_HIGHLIGHTTEXT)), 0) << "no text in the highlight's colour";
    EXPECT_EQ(picture.Count(selectedName, GetSysColor(COLOR_WINDOWTEXT)), 0);
    EXPECT_EQ(picture.Count(otherName, GetSysColor(COLOR_HIGHLIGHT)), 0);
    EXPECT_GT(picture.Count(otherName, GetSysColor(COLOR_WINDOWTEXT)), 0);
}

}  // namespace
