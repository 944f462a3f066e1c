// Files of every earlier version open as the current one: one open brings
// the layout to what a new file has, keeps every note as it was, and moves
// the values whose meaning changed on the way. A step that fails leaves the
// file at the version before it.
#include <gtest/gtest.h>

#include "DatabaseLifeSupport.h"
#include "notestore/NoteSchema.h"
#include "tests/foundation/FileBytes.h"

namespace {

const char kPlacement[] =
    "2C00000000000000010000000083FFFF0083FFFFFFFFFFFFFFFFFFFF9CFFFFFF88FFFFFF2C010000F4010000";

struct SUpgradeCase {
    const wchar_t* fixture;
    int version;   // what the fixture was written as; 2 for the file without a schema table
};

class SchemaUpgrade : public ::testing::TestWithParam<SUpgradeCase> {};

// The four notes as every fixture holds them, with the values that older
// versions gave another meaning moved on.
void ExpectNotesKept(CPeek& peek, int version)
{
    const bool groupsShifted = version <= 4;    // 4 to 5: group numbers up by one
    const bool repeatsShifted = version <= 3;   // 3 to 4: repeat kinds up by one
    EXPECT_EQ(peek.Text(L"select group_concat(id) from (select id from notes order by id);"), L"3,8,21,1000");
    EXPECT_EQ(peek.Text(L"select cast(text as text) from notes where id = 3;"), L"Ask Tom about the temp folder");
    EXPECT_EQ(peek.Text(L"select cast(text as text) from notes where id = 8;"), L"Shopping\r\nMilk");
    EXPECT_EQ(peek.Text(L"select hex(wndplacement) from notes where id = 1000;"), std::wstring(
        kPlacement, kPlacement + sizeof(kPlacement) - 1));
    EXPECT_EQ(peek.Text(L"select group_concat(d, '|') from (select displayname d from notes order by id);"),
              L"Tom's C:\\temp|Shopping|Café|Window spot");
    EXPECT_EQ(peek.Scalar(L"select `group` from notes where id = 3;"), groupsShifted ? 1 : 0);
    EXPECT_EQ(peek.Text(L"select typeof(`group`) || `group` from notes where id = 8;"), L"integer0");
    EXPECT_EQ(peek.Scalar(L"select `group` from notes where id = 1000;"), groupsShifted ? 3 : 2);
    EXPECT_EQ(peek.Scalar(L"select alarm_frequency from notes where id = 3;"), repeatsShifted ? 3 : 2);
    EXPECT_EQ(peek.Scalar(L"select alarm_frequency from notes where id = 8;"), 0);
    EXPECT_EQ(peek.Scalar(L"select count(*) from notes where autoresize is not 1;"), 0);
}

void ExpectFullTextFollowsNotes(CPeek& peek)
{
    // unicode61 folds the accent away.
    EXPECT_EQ(peek.Text(L"select group_concat(id) from search2 where search2 match 'cafe*';"), L"21");
    EXPECT_EQ(peek.Scalar(L"select count(*) from search2 where docid is not id;"), 0);
    EXPECT_EQ(peek.Scalar(L"select count(*) from search where docid is not id;"), 0);
    EXPECT_EQ(peek.Scalar(L"select count(*) from search2;"), 4);

    peek.DB().execDML(L"delete from notes where id = 3;");
    EXPECT_EQ(peek.Scalar(L"select count(*) from attachnotes where noteid = 3;"), 0);
    EXPECT_EQ(peek.Scalar(L"select count(*) from search where id = 3;"), 0);
    EXPECT_EQ(peek.Scalar(L"select count(*) from search2 where id = 3;"), 0);
    EXPECT_EQ(peek.Scalar(L"select count(*) from search2;"), 3);
}

} // namespace

TEST_P(SchemaUpgrade, OneOpenMakesTheCurrentLayoutAndKeepsTheNotes)
{
    const SUpgradeCase& c = GetParam();
    SLayout expected = FreshLayout();
    ASSERT_FALSE(expected.tables.empty());
    // Version 2's attachment index predates the column 2 to 3 adds.
    if (c.version == 2)
        expected.indexes[L"attachnotes_idx"] = L"windowtitle";

    CRun run;
    run.UseFixture(c.fixture);
    ASSERT_NE(run.Manager().GetDB(), nullptr);
    EXPECT_EQ(run.Manager().GetDBUseCount(), 0);
    EXPECT_EQ(run.Logged(L"Updating schema from " + std::to_wstring(c.version) + L" to 12"), c.version < 12);
    EXPECT_EQ(run.Logged(L"Updating schema"), c.version < 12);
    run.Manager().CloseDB();

    CPeek peek(run.File());
    EXPECT_EQ(peek.Scalar(L"select count(*) from schema where version is not 12;"), 0);
    // 7 to 8 owes the text column a rewrite, which the same open runs.
    EXPECT_FALSE(IsTextRewriteOwed(peek.DB()));
    const SLayout layout = ReadLayout(peek.DB());
    EXPECT_EQ(layout.tables, expected.tables);
    EXPECT_EQ(layout.virtualTables, expected.virtualTables);
    EXPECT_EQ(layout.triggers, expected.triggers);
    EXPECT_EQ(layout.indexes, expected.indexes);
    ExpectNotesKept(peek, c.version);
    ExpectFullTextFollowsNotes(peek);
}

INSTANTIATE_TEST_SUITE_P(EveryVersion, SchemaUpgrade,
    ::testing::Values(SUpgradeCase{L"v02.dat", 2}, SUpgradeCase{L"v03.dat", 3}, SUpgradeCase{L"v04.dat", 4},
                      SUpgradeCase{L"v05.dat", 5}, SUpgradeCase{L"v06.dat", 6}, SUpgradeCase{L"v07.dat", 7},
                      SUpgradeCase{L"v08.dat", 8}, SUpgradeCase{L"v09.dat", 9}, SUpgradeCase{L"v10.dat", 10},
                      SUpgradeCase{L"v11.dat", 11},
                      // A stray `search2` once failed 11 to 12 at every open.
                      SUpgradeCase{L"v11-stray-search2.dat", 11},
                      // Stamped 2 and upgraded in the same open.
                      SUpgradeCase{L"noschema.dat", 2},
                      // Renames must not trip over a trigger that names a missing table.
                      SUpgradeCase{L"v04-orphan-trigger.dat", 4},
                      // No step runs; its full-text rows are rebuilt by docid.
                      SUpgradeCase{L"v12-older.dat", 12}),
    [](const ::testing::TestParamInfo<SUpgradeCase>& info) {
        std::string name;
        for (const wchar_t* c = info.param.fixture; *c && *c != L'.'; ++c)
            name += iswalnum(*c) ? static_cast<char>(*c) : '_';
        return name;
    });

TEST(SchemaOpen, FilesWithoutNotesStartAtTheCurrentVersion)
{
    for (const wchar_t* fixture : {L"", L"empty.dat"}) {
        CRun run;
        if (*fixture)
            run.UseFixture(fixture);
        ASSERT_NE(run.Manager().GetDB(), nullptr) << fixture;
        EXPECT_FALSE(run.Logged(L"Updating schema")) << fixture;
        run.Manager().CloseDB();
        // A 0-byte file stamped 2 over new tables never opened again.
        ASSERT_NE(run.Manager().GetDB(), nullptr) << fixture;
        EXPECT_EQ(run.Manager().GetDB()->execScalar(L"select version from schema;"), 12) << fixture;
        // New full-text tables over no notes owe no rewrite.
        EXPECT_FALSE(IsTextRewriteOwed(*run.Manager().GetDB())) << fixture;
    }
}

TEST(SchemaOpen, ALaterVersionIsLeftAsItIs)
{
    CRun run;
    run.UseFixture(L"v13.dat");
    ASSERT_NE(run.Manager().GetDB(), nullptr);
    EXPECT_FALSE(run.Logged(L"Updating schema"));
    EXPECT_EQ(run.Manager().GetDB()->execScalar(L"select version from schema;"), 13);
}

TEST(SchemaOpen, AFileThatIsNoDatabaseIsLeftUntouched)
{
    CRun run;
    run.UseFixture(L"notadb.dat");
    EXPECT_EQ(run.Manager().GetDB(), nullptr);
    EXPECT_EQ(run.Manager().GetDB(), nullptr);   // tried again, not handed a half-open file
    EXPECT_EQ(run.Manager().GetDBUseCount(), 0);
    EXPECT_TRUE(run.Log().Contains(L"Failed to open database (26)"));
    // SQLite's message on the line after; 26 is beyond the named codes.
    EXPECT_TRUE(run.Log().Contains(L"UNKNOWN_ERROR[26]: file is not a database"));
    EXPECT_TRUE(ReadBytes(run.File()) == ReadBytes(FixturePath(L"notadb.dat")));
}

// 2 to 3 and 3 to 4 commit; 4 to 5 fails on the short table. The file must be
// a sound version 4 with its notes in place, and the next open must fail at
// the same step, not on a step that already ran.
TEST(SchemaOpen, AFailedStepLeavesTheFileAtTheVersionBeforeIt)
{
    CRun run;
    run.UseFixture(L"v02-short-notes.dat");
    EXPECT_EQ(run.Manager().GetDB(), nullptr);
    EXPECT_TRUE(run.Log().Contains(L"Updating schema from 2 to 4"));
    EXPECT_TRUE(run.Log().Contains(L"Failed to update schema from 4 to 5"));
    {
        CPeek peek(run.File());
        EXPECT_EQ(peek.Scalar(L"select version from schema;"), 4);
        EXPECT_EQ(peek.Scalar(L"select count(*) from notes;"), 4);
        EXPECT_EQ(peek.Scalar(L"select count(*) from sqlite_master where name = 'notes_old';"), 0);
        EXPECT_EQ(peek.Scalar(L"select alarm_frequency from notes where id = 3;"), 3);
        EXPECT_EQ(peek.Text(L"PRAGMA integrity_check;"), L"ok");
    }
    run.Log().Clear();
    EXPECT_EQ(run.Manager().GetDB(), nullptr);
    EXPECT_TRUE(run.Log().Contains(L"Failed to update schema from 4 to 5"));
    EXPECT_FALSE(run.Logged(L"Updating schema"));
    for (const std::wstring& line : run.Log().Lines())
        EXPECT_EQ(line.find(L"duplicate column"), std::wstring::npos) << std::string(line.begin(), line.end());
}

// The text column keeps RTF until its rewrite has run: what owes it is marked
// in the file with the change that owes it, and every open tries again until
// one succeeds. Here a trigger refuses the notes' stores until it goes.
TEST(SchemaOpen, AnOwedTextRewriteIsTriedAtEveryOpenUntilItSucceeds)
{
    struct Case { const wchar_t* fixture; const wchar_t* damage; };
    const Case cases[] = {
        {L"v07.dat", L""},   // 7 to 8
        {L"v12-older.dat", L"drop trigger del_notes; drop table search;"},   // full-text tables made new
    };
    for (const Case& c : cases) {
        CRun run;
        run.UseFixture(c.fixture);
        CPeek(run.File()).DB().execDML((std::wstring(L"PRAGMA user_version = 256;") + c.damage +
                                        L"CREATE TRIGGER refuse BEFORE UPDATE OF displaytext ON notes "
                                        L"BEGIN SELECT RAISE(ABORT, 'refused'); END;").c_str());
        for (int open = 1; open <= 2; ++open) {
            ASSERT_NE(run.Manager().GetDB(), nullptr) << c.fixture;
            EXPECT_TRUE(run.Log().Contains(L"Rewriting the text column failed; the next open tries again"))
                << c.fixture << " open " << open;
            run.Manager().CloseAll();
            run.Log().Clear();
        }
        EXPECT_TRUE(IsTextRewriteOwed(CPeek(run.File()).DB())) << c.fixture;

        CPeek(run.File()).DB().execDML(L"DROP TRIGGER refuse;");
        ASSERT_NE(run.Manager().GetDB(), nullptr) << c.fixture;
        EXPECT_FALSE(run.Log().Contains(L"Rewriting the text column failed; the next open tries again"));
        run.Manager().CloseAll();
        run.Log().Clear();
        ASSERT_NE(run.Manager().GetDB(), nullptr) << c.fixture;
        EXPECT_FALSE(run.Log().Contains(L"UpdateTextField")) << c.fixture << ": nothing owed any more";
        run.Manager().CloseAll();
        CPeek peek(run.File());
        EXPECT_FALSE(IsTextRewriteOwed(peek.DB())) << c.fixture;
        // The rest of the user version is not the mark's.
        EXPECT_EQ(peek.Scalar(L"PRAGMA user_version;"), 256) << c.fixture;
    }
}
