// The database's life in one run: a file replaced behind the program's back,
// the idle close, failed opens, and the upkeep an open does.
#include <gtest/gtest.h>

#include "DatabaseLifeSupport.h"
#include "foundation/AppWindow.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/ResModule.h"
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
