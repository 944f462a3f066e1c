// The database's life in one run: a file replaced behind the program's back,
// the idle close, failed opens, and the upkeep an open does.
#include <gtest/gtest.h>

#include "DatabaseLifeSupport.h"
#include "RecordTestSupport.h"
#include "foundation/AppWindow.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/ResModule.h"
#include "notestore/Note.h"
#include "resources/resource.h"
#include "tests/foundation/FileBytes.h"

namespace {

// A stand-in for the program's main window, for the run of a test.
class CStandInMainWindow {
public:
    CStandInMainWindow()
        : m_hwnd(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)),
          m_saved(g_hwndApp)
    {
        g_hwndApp = m_hwnd;
    }
    ~CStandInMainWindow()
    {
        g_hwndApp = m_saved;
        DestroyWindow(m_hwnd);
    }
    CStandInMainWindow(const CStandInMainWindow&) = delete;
    CStandInMainWindow& operator=(const CStandInMainWindow&) = delete;

    bool ReceivedClose()
    {
        MSG msg;
        return PeekMessageW(&msg, m_hwnd, WM_CLOSE, WM_CLOSE, PM_REMOVE) != FALSE;
    }

private:
    HWND m_hwnd;
    HWND m_saved;
};

// Message boxes answered at once; each one also asks for the database, as a
// timer inside a real box would.
struct SScriptedBoxes {
    int shown = 0;
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
    bool databaseInsideBox = false;

    static int Show(HWND, const wchar_t* text, const wchar_t* caption, UINT type)
    {
        s_current->shown++;
        s_current->text = text;
        s_current->caption = caption;
        s_current->type = type;
        s_current->databaseInsideBox = NoteManager().GetDB() != nullptr;
        return IDOK;
    }
    static inline SScriptedBoxes* s_current = nullptr;
};

class CScriptedBoxes : public SScriptedBoxes {
public:
    CScriptedBoxes() { s_current = this; }
    ~CScriptedBoxes() { s_current = nullptr; }
    CScriptedBoxes(const CScriptedBoxes&) = delete;
    CScriptedBoxes& operator=(const CScriptedBoxes&) = delete;

private:
    CSeamOverride<SMessageBoxSeam> m_seam{g_messageBoxSeam, {&SScriptedBoxes::Show}};
};

// A file made by an earlier run of the program in the run's folder.
void MakeEarlierFile(CRun& run)
{
    CNoteManager earlier;
    earlier.SetDatabasePath(run.File().c_str());
    ASSERT_NE(earlier.GetDB(), nullptr);
    earlier.CloseDB();
}

// An earlier run's file with two notes and their full-text rows, as that run
// left them.
void MakeEarlierFileWithNotes(CRun& run)
{
    MakeEarlierFile(run);
    CPeek(run.File()).DB().execDML(
        L"insert into notes (id, name, displayname, text) values (1, '', 'Milk', CAST('Milk and bread' AS BLOB)), "
        L"(2, '', 'Tea', CAST('Green tea' AS BLOB));"
        L"insert into search (docid, id, name, text) select id, id, displayname, text from notes;"
        L"insert into search2 (docid, id, name, text) select id, id, displayname, text from notes;");
}

int CountDamagedCopies(const CRun& run)
{
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((run.Folder() + L"Damaged_*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 1;
    while (FindNextFileW(search, &found))
        ++count;
    FindClose(search);
    return count;
}

} // namespace

TEST(DatabaseLife, AFileReplacedWhileRunningIsNeverWrittenAndTheProgramCloses)
{
    CRun run;
    CStandInMainWindow mainWindow;
    CScriptedBoxes boxes;
    ASSERT_NE(run.Manager().GetDB(), nullptr);
    run.Manager().CloseDB();   // idle

    ASSERT_TRUE(CopyFileW(FixturePath(L"v12-older.dat").c_str(), run.File().c_str(), FALSE));
    const std::string replaced = ReadBytes(run.File());
    EXPECT_EQ(run.Manager().GetDB(), nullptr);
    EXPECT_EQ(boxes.shown, 1);
    EXPECT_EQ(boxes.text, LoadResString(IDS_DATABASE_CHANGED));
    EXPECT_EQ(boxes.caption, L"Quillet");
    EXPECT_EQ(boxes.type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_FALSE(boxes.databaseInsideBox);
    EXPECT_TRUE(mainWindow.ReceivedClose());
    EXPECT_TRUE(run.Log().Contains(L"Database has changed while running, closing!"));

    EXPECT_EQ(run.Manager().GetDB(), nullptr);
    EXPECT_EQ(boxes.shown, 1);
    EXPECT_FALSE(mainWindow.ReceivedClose());
    EXPECT_EQ(run.Manager().GetDBUseCount(), 0);
    EXPECT_TRUE(ReadBytes(run.File()) == replaced) << "the other file was written";
}

// An empty instance table once made every reopen look like a replaced file.
TEST(DatabaseLife, AnEmptyInstanceTableIsClaimedByTheFirstOpen)
{
    CRun run;
    CScriptedBoxes boxes;
    MakeEarlierFile(run);
    CPeek(run.File()).DB().execDML(L"delete from guidinstance;");

    ASSERT_NE(run.Manager().GetDB(), nullptr);
    run.Manager().CloseDB();
    EXPECT_NE(run.Manager().GetDB(), nullptr);
    EXPECT_EQ(boxes.shown, 0);
    EXPECT_EQ(CPeek(run.File()).Text(L"select group_concat(guid) from guidinstance;"),
              std::wstring(run.Manager().GetInstanceGuid().c_str()));
}

TEST(DatabaseLife, AnIdleCloseLetsGoOfTheFile)
{
    CRun run;
    ASSERT_NE(run.Manager().GetDB(), nullptr);
    run.Manager().CloseDB();
    ASSERT_NE(run.Manager().GetDB(), nullptr);
    // A connection setting: every reopen needs it again.
    EXPECT_EQ(run.Manager().GetDB()->execScalar(L"PRAGMA temp_store;"), 2) << "temporaries in memory";
    run.Manager().CloseDB();
    run.Manager().CloseDB();   // twice is harmless
    EXPECT_EQ(run.Manager().GetDBUseCount(), 0);
    EXPECT_TRUE(DeleteFileW(run.File().c_str()));
}

TEST(DatabaseLife, AMissingFolderFailsTheOpenAndCreatesNothing)
{
    CRun run;
    const std::wstring missing = run.Folder() + L"Missing\\QUILLT40.DAT";
    run.Manager().SetDatabasePath(missing.c_str());
    EXPECT_EQ(run.Manager().GetDB(), nullptr);
    EXPECT_EQ(run.Manager().GetDBUseCount(), 0);
    EXPECT_TRUE(run.Log().Contains(L"Failed to open database (14)"));
    EXPECT_FALSE(IsDirectory((run.Folder() + L"Missing").c_str()));
}

TEST(DatabaseLife, ASparseFileIsVacuumedOnOpen)
{
    struct Case { int rows, deleted; double lowShare, highShare; bool vacuumed; };
    const Case cases[] = {
        {100, 45, 0.32, 0.40, true},    // about a third of the pages free
        {100, 11, 0.05, 0.15, false},   // about a tenth
    };
    for (const Case& c : cases) {
        CRun run;
        MakeEarlierFile(run);
        double share = 0.0;
        sqlite3_int64 freeBefore = 0;
        {
            CPeek peek(run.File());
            peek.DB().execDML(L"create table padding(v BLOB);");
            for (int i = 0; i < c.rows; ++i)
                peek.DB().execDML(L"insert into padding values(randomblob(3500));");
            peek.DB().execDML((L"delete from padding where rowid <= " + std::to_wstring(c.deleted) + L";").c_str());
            freeBefore = peek.Scalar(L"PRAGMA freelist_count;");
            share = (freeBefore + 1.0) / (peek.Scalar(L"PRAGMA page_count;") + 1.0);
        }
        ASSERT_GT(share, c.lowShare);
        ASSERT_LT(share, c.highShare);
        ASSERT_NE(run.Manager().GetDB(), nullptr);
        run.Manager().CloseDB();
        EXPECT_EQ(CPeek(run.File()).Scalar(L"PRAGMA freelist_count;"), c.vacuumed ? 0 : freeBefore) << share;
    }
}

// The index script fails on a table that holds the first index's name; the
// program still opens its notes, and no index of the script is lost.
TEST(DatabaseLife, AFailingIndexScriptIsLoggedAndTheOpenGoesOn)
{
    CRun run;
    MakeEarlierFile(run);
    CPeek(run.File()).DB().execDML(L"drop index idx_notes; create table idx_notes(x);");
    ASSERT_NE(run.Manager().GetDB(), nullptr);
    EXPECT_TRUE(run.Log().Contains(L"Creating notes indexes"));
    EXPECT_TRUE(run.Logged(L"CNoteManager::CreateIndexes Sqlite3 error 1 : "));
    run.Manager().CloseDB();
    EXPECT_EQ(CPeek(run.File()).Scalar(
                  L"select count(*) from sqlite_master where type = 'index' and name in ('idx_notes2', 'idx_notes3');"),
              2);
}

TEST(DatabaseLife, BackupsCopyTheManagersFileAndNothingWithoutOne)
{
    CRun run;
    ASSERT_NE(run.Manager().GetDB(), nullptr);
    const std::wstring folder = run.Folder() + L"Backup\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_TRUE(run.Manager().BackupDatabase(folder.c_str()));
    EXPECT_EQ(CPeek(folder + L"Yesterday_QUILLT40.DAT").Scalar(L"select version from schema;"), 12);

    // Without a database path an empty scratch database would be copied over
    // every backup.
    {
        CWinFile backup;
        ASSERT_TRUE(backup.Open((folder + L"Yesterday_QUILLT40.DAT").c_str(), CWinFile::accessWrite));
        FILETIME twoDaysAgo = {};
        GetSystemTimeAsFileTime(&twoDaysAgo);
        ULARGE_INTEGER ticks = {{twoDaysAgo.dwLowDateTime, twoDaysAgo.dwHighDateTime}};
        ticks.QuadPart -= 2ULL * 86400ULL * 10000000ULL;
        twoDaysAgo = {ticks.LowPart, ticks.HighPart};
        ASSERT_TRUE(SetFileTime(backup.GetHandle(), nullptr, nullptr, &twoDaysAgo));
    }
    const std::string kept = ReadBytes(folder + L"Yesterday_QUILLT40.DAT");
    CNoteManager unset;
    EXPECT_TRUE(unset.BackupDatabase(folder.c_str()));
    EXPECT_TRUE(ReadBytes(folder + L"Yesterday_QUILLT40.DAT") == kept);
}

// The open's own writes into a file it never checked once spoilt notes that
// still read: the file as it was is kept beside it first, under a name that
// nothing else has, and the open goes on.
TEST(DatabaseLife, ADamagedFileIsCopiedAsideBeforeTheOpenWritesToIt)
{
    const CFixedClock clock(COleDateTime(2026, 12, 10, 4, 28, 5));
    {
        CRun sound;
        MakeEarlierFileWithNotes(sound);
        ASSERT_NE(sound.Manager().GetDB(), nullptr);
        EXPECT_EQ(CountDamagedCopies(sound), 0) << "a sound file is not copied";
    }

    CRun run;
    MakeEarlierFileWithNotes(run);
    CPeek(run.File()).DB().execDML(
        L"create table damaged(x); insert into damaged values (NULL); PRAGMA writable_schema = ON;"
        L"update sqlite_master set sql = 'CREATE TABLE damaged(x NOT NULL)' where name = 'damaged';");
    const std::string before = ReadBytes(run.File());
    const std::wstring taken = run.Folder() + L"Damaged_20261210_042805_QUILLT40.DAT";
    WriteBytes(taken, "an earlier copy");

    ASSERT_NE(run.Manager().GetDB(), nullptr);
    EXPECT_TRUE(run.Log().Contains(L"Database " + run.File() + L" failed its check: NULL value in damaged.x"));
    const std::wstring copy = run.Folder() + L"Damaged_20261210_042805_2_QUILLT40.DAT";
    EXPECT_TRUE(run.Log().Contains(L"Damaged database copied to " + copy));
    EXPECT_TRUE(ReadBytes(copy) == before) << "the copy is the file as it was";
    EXPECT_EQ(ReadBytes(taken), "an earlier copy");
    EXPECT_EQ(run.Manager().GetDB()->execScalar(L"select count(*) from notes;"), 2);

    // Once a run: every idle reopen would copy it again.
    run.Manager().CloseDB();
    ASSERT_NE(run.Manager().GetDB(), nullptr);
    EXPECT_EQ(CountDamagedCopies(run), 2);
}

// A file cut short fails before the check can run: it is kept as it was all
// the same, and the open fails as it did without writing to it.
TEST(DatabaseLife, AFileCutShortIsCopiedAsideAndLeftAsItIs)
{
    CRun run;
    MakeEarlierFileWithNotes(run);
    {
        CWinFile file;
        ASSERT_TRUE(file.Open(run.File().c_str(), CWinFile::accessReadWrite));
        file.SetLength(2 * 4096);   // the schema's page and one more
    }
    const std::string before = ReadBytes(run.File());
    EXPECT_EQ(run.Manager().GetDB(), nullptr);
    EXPECT_TRUE(run.Logged(L"Database " + run.File() + L" failed its check: SQLITE_CORRUPT[11]: "));
    EXPECT_TRUE(run.Logged(L"Failed to open database (11)"));
    EXPECT_EQ(CountDamagedCopies(run), 1);
    EXPECT_TRUE(ReadBytes(run.File()) == before);
}

// Text that is not UTF-8 reads in the ANSI code page; the alarm repair once
// wrote such a note back whole, spoiling every character outside ASCII for
// good. It writes the due time alone and logs the stored name; a note that
// fails, also by taking the whole transaction with it, stops no other.
TEST(DatabaseLife, TheAlarmRepairWritesTheDueTimeAlone)
{
    // "Café <0xFF> coffee, €3"
    const std::wstring notUtf8 = L"X'436166C3A920FF20636F666665652C20E282AC33'";
    for (const wchar_t* raise : {L"abort", L"rollback"}) {
        CRun run;
        MakeEarlierFileWithNotes(run);
        CPeek(run.File()).DB().execDML(
            (L"insert into notes (id, name, displayname, text, lastupdatedate, alarm_alarm, alarm_alarmflags, "
             L"alarm_calculated) values (5, '', 'Stored name', " + notUtf8 + L", 45000.5, 47000.25, 1, 0.0), "
             L"(6, '', 'Refused', CAST('x' AS BLOB), 45000.5, 47000.5, 1, 0.0), "
             L"(7, '', 'After', CAST('y' AS BLOB), 45000.5, 47000.75, 1, 0.0);"
             L"insert into search (docid, id, name, text) select id, id, displayname, text from notes where id > 2;"
             L"insert into search2 (docid, id, name, text) select id, id, displayname, text from notes where id > 2;"
             L"create trigger refuse before update of alarm_calculated on notes when old.id = 6 "
             L"begin select raise(" + raise + L", 'refused'); end;")
                .c_str());

        ASSERT_NE(run.Manager().GetDB(), nullptr) << raise;
        EXPECT_TRUE(run.Log().Contains(L"Reparing alarm for Stored name")) << raise;
        EXPECT_TRUE(run.Logged(L"UpdateCalculatedAlarmTime Sqlite3 error 19 : SQLITE_CONSTRAINT[19]: refused"))
            << raise;
        EXPECT_FALSE(run.Logged(L"Rebuilding search tables")) << raise;
        run.Manager().CloseDB();
        {
            CPeek peek(run.File());
            EXPECT_EQ(peek.Text(L"select 'X''' || hex(text) || '''' from notes where id = 5;"), notUtf8) << raise;
            EXPECT_EQ(peek.Text(L"select group_concat(alarm_calculated || ' ' || lastupdatedate || ' ' || "
                                L"displayname, '|') from (select * from notes where id >= 5 order by id);"),
                      L"47000.25 45000.5 Stored name|0.0 45000.5 Refused|47000.75 45000.5 After")
                << raise;
        }

        run.Log().Clear();
        ASSERT_NE(run.Manager().GetDB(), nullptr) << raise;
        EXPECT_FALSE(run.Logged(L"Reparing alarm")) << "once a run";
    }
}

// The full-text rows are checked by their number as well as by their keys: a
// note without its row is never found.
TEST(DatabaseLife, FullTextRowsThatMissOrOutnumberTheNotesAreRebuilt)
{
    struct Case { const wchar_t* what; const wchar_t* change; bool rebuilt; };
    const Case cases[] = {
        {L"rows that follow their notes", L"", false},
        {L"a note without its row", L"delete from search2 where docid = 2;", true},
        {L"a row without its note", L"insert into search2 (docid, id, name, text) values (9, 9, 'tea', 'tea');", true},
        {L"a row keyed apart from its note", L"update search2 set docid = 9 where docid = 2;", true},
        {L"a porter row keyed apart from its note", L"update search set docid = 9 where docid = 2;", true},
    };
    for (const Case& c : cases) {
        CRun run;
        MakeEarlierFileWithNotes(run);
        if (*c.change)
            CPeek(run.File()).DB().execDML(c.change);
        CppSQLite3DB* db = run.Manager().GetDB();
        ASSERT_NE(db, nullptr) << c.what;
        EXPECT_EQ(run.Log().Contains(L"Rebuilding search tables"), c.rebuilt) << c.what;
        EXPECT_EQ(db->execScalar(L"select group_concat(docid) from search2 where search2 match 'tea';"), 2) << c.what;
        EXPECT_EQ(db->execScalar(L"select count(*) from search2;"), 2) << c.what;
    }
}

// A failed read or delete is logged with the connection's error, not taken
// for a missing row.
TEST(DatabaseLife, FailedReadsAndDeletesLogTheCause)
{
    CRun run;
    MakeEarlierFileWithNotes(run);
    CNote* note = run.Manager().GetNote(1);
    ASSERT_NE(note, nullptr);

    CNote missing;
    missing.SetId(77);
    EXPECT_FALSE(run.Manager().ReadNote(&missing));
    EXPECT_FALSE(run.Logged(L"CNoteManager::ReadNote Sqlite3 error")) << "a missing row is no error";

    {
        CPeek locker(run.File());
        locker.DB().execDML(L"BEGIN EXCLUSIVE;");
        run.Manager().GetDB()->setBusyTimeout(0);
        EXPECT_FALSE(run.Manager().ReadNote(note));
        run.Manager().GetDB()->setBusyTimeout(60000);
        locker.DB().execDML(L"COMMIT;");
    }
    EXPECT_TRUE(run.Logged(L"CNoteManager::ReadNote Sqlite3 error 5 : SQLITE_BUSY[5]: database is locked"));

    CPeek(run.File()).DB().execDML(
        L"create trigger refuse before delete on notes begin select raise(abort, 'refused'); end;");
    EXPECT_FALSE(run.Manager().DeleteNote(note));
    EXPECT_TRUE(run.Logged(L"CNoteManager::DeleteNote Sqlite3 error 19 : SQLITE_CONSTRAINT[19]: refused"));
    EXPECT_EQ(run.Manager().GetNote(1), note);
}
