// The note menu's "Group" submenu: one item per group in list order, the
// note's own group marked, no group marked for a group that is gone, and the
// one mapping from commands to group positions.
#include "notestore/GroupMenu.h"

#include "RecordTestSupport.h"

#include "framework/MenuHandle.h"
#include "notestore/Note.h"
#include "notestore/Transaction.h"
#include "resources/resource.h"
#include "toolkit/CustomMenu.h"

#include <string>
#include <vector>

namespace {

TEST(GroupMenuMapping, CommandsAndPositionsMapBothWaysWithinTheRange)
{
    const struct {
        UINT command;
        int position;
    } commands[] = {{20051, -1}, {20052, 0}, {20053, 1}, {21007, 955}, {21008, -1}, {0, -1}, {0xFFFF, -1}};
    for (const auto& row : commands)
        EXPECT_EQ(GroupPositionFromCommand(row.command), row.position) << row.command;
    const struct {
        int position;
        UINT command;
    } positions[] = {{0, 20052}, {955, 21007}, {956, 0}, {-1, 0}};
    for (const auto& row : positions)
        EXPECT_EQ(GroupCommandFromPosition(row.position), row.command) << row.position;
}

struct SItem {
    UINT command;
    std::wstring text;
    int image;
};

class CGroupMenuTest : public CGroupStoreTest {
protected:
    void SetUp() override
    {
        CGroupStoreTest::SetUp();
        m_menu.Reset(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_NOTE_MENU)));
        ASSERT_TRUE(m_menu);
        g_noteMenu.SetMenu(GetSubMenu(m_menu.Get(), 0));
    }
    void TearDown() override
    {
        g_noteMenu.SetMenu(nullptr);
        CGroupStoreTest::TearDown();
    }

    HMENU GroupSubmenu()
    {
        const HMENU note = GetSubMenu(m_menu.Get(), 0);
        for (int position = 0; position < GetMenuItemCount(note); ++position)
            if (GetMenuItemID(note, position) == ID_NOTE_LOCK)
                return GetSubMenu(note, position + 3);
        return nullptr;
    }

    // The items above the submenu's separator.
    std::vector<SItem> GroupItems()
    {
        std::vector<SItem> items;
        const HMENU group = GroupSubmenu();
        for (int position = 0; position < GetMenuItemCount(group); ++position) {
            if (GetMenuState(group, position, MF_BYPOSITION) & MF_SEPARATOR)
                break;
            wchar_t text[256] = {};
            GetMenuStringW(group, position, text, 256, MF_BYPOSITION);
            const UINT command = GetMenuItemID(group, position);
            const CustomMenuItem* entry = g_noteMenu.FindCommand(command);
            items.push_back({command, text, entry ? entry->imageIndex : -2});
        }
        return items;
    }

    void ExpectItems(const std::vector<SItem>& expected)
    {
        const std::vector<SItem> actual = GroupItems();
        ASSERT_EQ(actual.size(), expected.size());
        for (size_t index = 0; index < expected.size(); ++index) {
            EXPECT_EQ(actual[index].command, expected[index].command) << index;
            EXPECT_EQ(actual[index].text, expected[index].text) << index;
            EXPECT_EQ(actual[index].image, expected[index].image) << index;
        }
    }

    CMenuHandle m_menu;
};

TEST_F(CGroupMenuTest, GroupsInListOrderWithTheNotesGroupMarkedAndNoDuplicatesOnRefill)
{
    CGroups::AddGroup(-1, L"Work", 0xFF);
    const CGroup* qa = CGroups::AddGroup(-1, L"Q&A", 0xFF00);
    ASSERT_NE(qa, nullptr);
    CNote note;
    note.SetGroupId(qa->GetId());
    note.FillGroupMenu();
    note.FillGroupMenu();
    ExpectItems({{20051, L"<No group assigned>", -1}, {20052, L"Work", -1}, {20053, L"Q&&A", kCheckImage}});
    // The items below the separator stay as the resource has them.
    const HMENU group = GroupSubmenu();
    EXPECT_EQ(GetMenuItemCount(group), 3 + 5);
    EXPECT_EQ(GetMenuItemID(group, 4), 20050u);
}

TEST_F(CGroupMenuTest, ANoteOfNoGroupOrOfADeletedGroupHasNoGroupMarked)
{
    const CGroup* work = CGroups::AddGroup(-1, L"Work", 0xFF);
    ASSERT_NE(work, nullptr);
    for (const std::int64_t group : {std::int64_t{0}, work->GetId() + 100}) {
        CNote note;
        note.SetGroupId(group);
        note.FillGroupMenu();
        ExpectItems({{20051, L"<No group assigned>", kCheckImage}, {20052, L"Work", -1}});
    }
}

TEST_F(CGroupMenuTest, GroupsPastTheCommandRangeAreLeftOut)
{
    {
        CTransaction batch(DB());
        for (int index = 0; index < kGroupMenuPositions + 1; ++index)
            CGroups::AddGroup(-1, L"G" + std::to_wstring(index), 0);
        batch.Commit();
    }
    CGroups::Clear();
    ASSERT_EQ(CGroups::GetCount(), kGroupMenuPositions + 1);
    CLogCapture log;
    CNote note;
    note.FillGroupMenu();
    const std::vector<SItem> items = GroupItems();
    ASSERT_EQ(items.size(), 1u + kGroupMenuPositions);
    EXPECT_EQ(items.back().command, 21007u);
    EXPECT_TRUE(log.Contains(L"FillGroupMenu - 957 groups, only the first 956 listed"));
}

TEST(GroupMenuShape, AMenuWithoutTheGroupSubmenuIsLeftAlone)
{
    const auto build = [](bool withLock, bool withSeparator) {
        const HMENU menu = CreatePopupMenu();
        if (withLock)
            AppendMenuW(menu, MF_STRING, ID_NOTE_LOCK, L"&Lock");
        AppendMenuW(menu, MF_STRING, 21060, L"Read-only");
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        const HMENU group = CreatePopupMenu();
        if (withSeparator)
            AppendMenuW(group, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(group, MF_STRING, 20050, L"&Edit Groups");
        AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(group), L"Group");
        return menu;
    };
    for (const bool withLock : {false, true}) {
        CMenuHandle menu(build(withLock, !withLock));
        g_noteMenu.SetMenu(menu.Get());
        CLogCapture log;
        CNote note;
        note.FillGroupMenu();
        EXPECT_TRUE(log.Contains(L"FillGroupMenu - the note menu has no Group submenu"));
        EXPECT_EQ(GetMenuItemCount(GetSubMenu(menu.Get(), withLock ? 3 : 2)), withLock ? 1 : 2);
        g_noteMenu.SetMenu(nullptr);
    }
}

}  // namespace
