// Groups: the list and its order, the move of the old groups file, the repair
// of shared positions, and group moves of notes; failures are forced by
// triggers that refuse a change.
#include "notestore/groups.h"

#include "RecordTestSupport.h"

#include "foundation/DataPaths.h"
#include "foundation/Preferences.h"

#include <fstream>
#include <string>
#include <vector>

namespace {

class CGroupsTest : public CGroupStoreTest {
protected:
    void SetUp() override
    {
        CGroupStoreTest::SetUp();
        g_prefs.GroupsMigrated = 0;
    }

    void WriteGroupsFile(const std::string& lines)
    {
        std::ofstream(m_dir.File(L"groups.ini").c_str(), std::ios::binary) << "[Groups]\r\n" << lines;
    }

    void Refuse(const wchar_t* what, const wchar_t* table, const wchar_t* when = L"1")
    {
        DB().execDML((std::wstring(L"CREATE TRIGGER refuse_") + what + L"_" + table + L" BEFORE " + what + L" ON `" +
                      table + L"` WHEN " + when + L" BEGIN SELECT RAISE(ABORT, 'refused'); END;")
                         .c_str());
    }

    void Allow(const wchar_t* what, const wchar_t* table)
    {
        DB().execDML((std::wstring(L"DROP TRIGGER refuse_") + what + L"_" + table + L";").c_str());
    }

    int SavedGroupsMigrated()
    {
        return GetPrivateProfileIntW(L"Preferences", L"GroupsMigrated", -1, m_dir.File(L"RERUZADU.INI").c_str());
    }

    std::vector<std::wstring> Names()
    {
        std::vector<std::wstring> names;
        for (int i = 0; i < CGroups::GetCount(); ++i)
            names.push_back(CGroups::GetAt(i)->GetName());
        return names;
    }

    using Names_t = std::vector<std::wstring>;
};

TEST_F(CGroupsTest, OldGroupsFileMovesIntoTheDatabaseOnce)
{
    WriteGroupsFile("Work=ff\r\nHome=ff00\r\nno equals sign\r\nMisc=0\r\nOdd=zz\r\n");
    CLogCapture log;
    ASSERT_EQ(CGroups::GetCount(), 4);
    struct Expected {
        const wchar_t* name;
        int index;
        COLORREF color;
    };
    const Expected expected[] = {{L"Work", 1, 0xFF}, {L"Home", 2, 0xFF00}, {L"Misc", 3, 0}, {L"Odd", 4, 0}};
    for (int i = 0; i < 4; ++i) {
        const CGroup* group = CGroups::GetAt(i);
        EXPECT_EQ(group->GetName(), expected[i].name);
        EXPECT_EQ(group->GetIndex(), expected[i].index);
        EXPECT_EQ(group->GetColor(), expected[i].color);
    }
    EXPECT_EQ(Scalar(L"select count(*) from groups"), 4);
    EXPECT_EQ(g_prefs.GroupsMigrated, 1);
    EXPECT_EQ(SavedGroupsMigrated(), 1);
    EXPECT_TRUE(log.Contains(L"CGroups::LoadGroups() - Migrating notes from " + m_dir.File(L"groups.ini")));
    EXPECT_TRUE(log.Contains(L"CGroups::LoadGroups() - Adding group Home"));

    // The next load reads the database; the file is not moved again.
    ASSERT_TRUE(CGroups::LoadGroups());
    EXPECT_EQ(Names(), (Names_t{L"Work", L"Home", L"Misc", L"Odd"}));
    EXPECT_EQ(Scalar(L"select count(*) from groups"), 4);
    EXPECT_EQ(SavedGroupsMigrated(), 2);
}

TEST_F(CGroupsTest, ALongGroupsSectionIsReadWhole)
{
    std::string lines;
    for (int i = 0; i < 600; ++i)
        lines += "Group number " + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    WriteGroupsFile(lines);
    ASSERT_EQ(CGroups::GetCount(), 600);
    EXPECT_EQ(CGroups::GetAt(599)->GetName(), L"Group number 599");
    EXPECT_EQ(CGroups::GetAt(599)->GetColor(), 0x599u);
}

TEST_F(CGroupsTest, FailedMoveOfTheOldFileIsRetried)
{
    WriteGroupsFile("Work=ff\r\nHome=ff00\r\nMisc=0\r\n");
    DB();
    Refuse(L"INSERT", L"groups", L"new.name = 'Home'");   // the first group alone would go in
    EXPECT_EQ(CGroups::GetCount(), 0);
    EXPECT_EQ(Scalar(L"select count(*) from groups"), 0);
    EXPECT_EQ(g_prefs.GroupsMigrated, 0);
    EXPECT_EQ(SavedGroupsMigrated(), -1);

    Allow(L"INSERT", L"groups");
    EXPECT_EQ(Names(), (Names_t{L"Work", L"Home", L"Misc"}));
    EXPECT_EQ(g_prefs.GroupsMigrated, 1);
}

// Settings that cannot be written keep saying the old file has not moved: the
// next start must find the groups in the table rather than move it again.
TEST_F(CGroupsTest, UnwritableSettingsDoNotMoveTheOldFileTwice)
{
    WriteGroupsFile("Work=ff\r\nHome=ff00\r\n");
    const std::wstring settings = m_dir.File(L"Settings");   // a folder: nothing can write it
    ASSERT_TRUE(CreateDirectoryW(settings.c_str(), nullptr));
    g_prefs.LoadFrom(settings.c_str());
    CLogCapture log;
    ASSERT_EQ(CGroups::GetCount(), 2);
    EXPECT_TRUE(log.Contains(L"CGroups::LoadGroups() - GroupsMigrated=1 could not be saved"));

    CGroups::Clear();   // the next start
    g_prefs.LoadFrom(settings.c_str());
    ASSERT_EQ(g_prefs.GroupsMigrated, 0);
    EXPECT_EQ(Names(), (Names_t{L"Work", L"Home"}));
    EXPECT_EQ(Scalar(L"select count(*) from groups"), 2);
}

class CGroupRepairTest : public CGroupsTest {
protected:
    void SetUp() override
    {
        CGroupsTest::SetUp();
        g_prefs.GroupsMigrated = 1;
        DB().execDML(L"insert into groups(id, `index`, name, color) values (5, 3, 'Five', 5), (9, 3, 'Nine', 9), "
                     L"(7, 1, 'Seven', 7);"
                     L"insert into notes(id, `group`) values (1, 9), (2, 9), (3, 5), (4, 7);");
    }
};

TEST_F(CGroupRepairTest, DuplicateHandsItsNotesToTheFirstGroupOfItsIndex)
{
    EXPECT_EQ(Names(), (Names_t{L"Seven", L"Five"}));
    EXPECT_EQ(Scalar(L"select count(*) from groups where id = 9"), 0);
    EXPECT_EQ(Scalar(L"select count(*) from notes where `group` = 5"), 3);
    EXPECT_EQ(Scalar(L"select count(*) from notes where `group` = 7"), 1);
    EXPECT_EQ(g_prefs.GroupsMigrated, 2);
    EXPECT_EQ(SavedGroupsMigrated(), 2);
}

TEST_F(CGroupRepairTest, FailedMoveKeepsBothGroupsAndTheRepairPending)
{
    Refuse(L"UPDATE", L"notes");
    EXPECT_EQ(Names(), (Names_t{L"Seven", L"Five", L"Nine"}));
    EXPECT_EQ(Scalar(L"select count(*) from groups"), 3);
    EXPECT_EQ(Scalar(L"select count(*) from notes where `group` = 9"), 2);
    EXPECT_EQ(g_prefs.GroupsMigrated, 1);

    Allow(L"UPDATE", L"notes");
    ASSERT_TRUE(CGroups::LoadGroups());
    EXPECT_EQ(Names(), (Names_t{L"Seven", L"Five"}));
    EXPECT_EQ(g_prefs.GroupsMigrated, 2);
}

TEST_F(CGroupsTest, AddGroupStoresAllOrNothing)
{
    ASSERT_EQ(CGroups::GetCount(), 0);
    CGroup* added = CGroups::AddGroup(-1, L"New", 0x123456);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->GetIndex(), added->GetId());
    EXPECT_EQ(Scalar(L"select `index` from groups"), added->GetId());
    EXPECT_EQ(CGroups::AddGroup(7, L"Seventh", 0)->GetIndex(), 7);

    Refuse(L"UPDATE", L"groups");
    EXPECT_EQ(CGroups::AddGroup(-1, L"Refused", 0), nullptr);
    EXPECT_EQ(CGroups::GetCount(), 2);
    EXPECT_EQ(Scalar(L"select count(*) from groups"), 2);
}

TEST_F(CGroupsTest, NeighboursWrapAndUnknownIdsStartAtTheEnds)
{
    ASSERT_EQ(CGroups::GetCount(), 0);
    EXPECT_EQ(CGroups::GetNext(1), nullptr);
    EXPECT_EQ(CGroups::GetPrevious(1), nullptr);

    const std::int64_t a = CGroups::AddGroup(-1, L"Work", 1)->GetId();
    const std::int64_t b = CGroups::AddGroup(-1, L"Home", 2)->GetId();
    const std::int64_t c = CGroups::AddGroup(-1, L"Misc", 3)->GetId();
    struct Case {
        std::int64_t from, next, previous;
    };
    const Case cases[] = {{a, b, c}, {b, c, a}, {c, a, b}, {999, a, c}};
    for (const Case& k : cases) {
        EXPECT_EQ(CGroups::GetNext(k.from)->GetId(), k.next) << k.from;
        EXPECT_EQ(CGroups::GetPrevious(k.from)->GetId(), k.previous) << k.from;
    }
    EXPECT_EQ(CGroups::FindByName(L"work")->GetId(), a);
    EXPECT_EQ(CGroups::FindByName(L"Works"), nullptr);
    EXPECT_EQ(CGroups::FindById(c)->GetName(), L"Misc");
    EXPECT_EQ(CGroups::IndexOf(CGroups::FindById(b)), 1);
}

TEST_F(CGroupsTest, SwappedOrderIsSavedAndLoadedBack)
{
    ASSERT_EQ(CGroups::GetCount(), 0);
    CGroups::AddGroup(-1, L"First", 1);
    CGroups::AddGroup(-1, L"Second", 2);
    CGroups::AddGroup(-1, L"Third", 3);
    CGroups::Swap(0, 2);
    CGroups::Swap(1, 5);   // out of range: nothing
    ASSERT_TRUE(CGroups::SaveAll());
    CGroups::Clear();
    EXPECT_EQ(Names(), (Names_t{L"Third", L"Second", L"First"}));
}

TEST_F(CGroupsTest, RemoveKeepsAGroupWhoseRowStays)
{
    ASSERT_EQ(CGroups::GetCount(), 0);
    const std::int64_t kept = CGroups::AddGroup(-1, L"Kept", 1)->GetId();
    CGroups::AddGroup(-1, L"Gone", 2)->Remove();
    EXPECT_EQ(Names(), (Names_t{L"Kept"}));
    EXPECT_EQ(Scalar(L"select count(*) from groups"), 1);

    Refuse(L"DELETE", L"groups");
    CGroups::FindById(kept)->Remove();
    EXPECT_EQ(Names(), (Names_t{L"Kept"}));
}

TEST_F(CGroupsTest, WithoutADatabase)
{
    ASSERT_EQ(CGroups::GetCount(), 0);
    const std::int64_t id = CGroups::AddGroup(-1, L"Listed", 1)->GetId();
    m_manager.CloseDB();
    const CStdStr path = m_manager.GetDatabasePath();
    m_manager.SetDatabasePath(L"");

    EXPECT_EQ(CGroups::AddGroup(-1, L"Nowhere", 1), nullptr);
    EXPECT_FALSE(CGroups::SaveAll());
    CGroups::FindById(id)->Remove();
    EXPECT_FALSE(CGroups::LoadGroups());
    EXPECT_EQ(Names(), (Names_t{L"Listed"}));

    // Not loaded yet: the next count loads once the database is back.
    CGroups::Clear();
    EXPECT_EQ(CGroups::GetCount(), 0);
    m_manager.SetDatabasePath(path.c_str());
    EXPECT_EQ(Names(), (Names_t{L"Listed"}));
}

// ---------------------------------------------------------------- group moves of notes

TEST_F(CGroupsTest, GroupMovesRewriteRowsInOneChange)
{
    DB().execDML(L"insert into notes(id, `group`) values (1, 4), (2, 4), (3, 6);");
    EXPECT_EQ(m_manager.AssignGroupToNotes(6, 4), 2);
    EXPECT_EQ(Scalar(L"select count(*) from notes where `group` = 6"), 3);
    EXPECT_EQ(m_manager.RemoveGroupFromNote(6), 3);
    // No group is the number 0, which queries for group 0 find.
    EXPECT_EQ(Scalar(L"select count(*) from notes where `group` = 0 and typeof(`group`) = 'integer'"), 3);

    DB().execDML(L"update notes set `group` = 4 where id = 1;");
    Refuse(L"UPDATE", L"notes");
    CLogCapture log;
    EXPECT_EQ(m_manager.AssignGroupToNotes(8, 4), 0);
    EXPECT_EQ(Scalar(L"select count(*) from notes where `group` = 4"), 1);
    EXPECT_TRUE(LogHasLineStarting(log, L"CNoteManager::AssignGroupToNotes Sqlite3 error 19 : "));
    EXPECT_EQ(m_manager.GetDBUseCount(), 0);
}

} // namespace
