// Rolling backups: which backup is refreshed when, the month arithmetic, and
// that a backup always holds a consistent database of the notes it was made
// from, however the source looked when it was copied.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "foundation/Seams.h"
#include "notestore/CppSQLite3.h"
#include "notestore/DBBackup.h"
#include "tests/foundation/FileBytes.h"
#include "tests/foundation/RenameFakes.h"
#include "tests/support/TestDir.h"

namespace {

// 2026-03-31 12:00:00 UTC, a Tuesday; the tests run with TZ=UTC.
constexpr __time64_t kNow = 1774958400;
constexpr __time64_t kMinute = 60;
constexpr __time64_t kDay = 86400;

__time64_t g_now = kNow;
__time64_t FixedNow() { return g_now; }
DWORD FixedTick() { return 0; }

const std::string kOldBackup = "an older backup";
const wchar_t* const kBackupNames[] = {L"Tue_QUILLT40.DAT", L"BiWeek_QUILLT40.DAT", L"Month_QUILLT40.DAT",
                                       L"Yesterday_QUILLT40.DAT"};

FILETIME FileTimeOf(__time64_t time)
{
    const unsigned long long ticks = static_cast<unsigned long long>(time + 11644473600LL) * 10000000ULL;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void SetLastWrite(const std::wstring& path, __time64_t time)
{
    CWinFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CWinFile::accessWrite | CWinFile::shareReadWrite));
    const FILETIME stamp = FileTimeOf(time);
    ASSERT_TRUE(SetFileTime(file.GetHandle(), nullptr, nullptr, &stamp));
}

__time64_t LastWrite(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    const unsigned long long ticks =
        (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime;
    return static_cast<__time64_t>(ticks / 10000000ULL) - 11644473600LL;
}

void MakeNotes(const std::wstring& path, int count)
{
    CppSQLite3DB db;
    db.open(path.c_str());
    db.execDML(L"create table notes(id INTEGER PRIMARY KEY, text TEXT);");
    for (int i = 0; i < count; ++i)
        db.execDML(L"insert into notes(text) values(hex(randomblob(300)));");
}

void MakeOtherTable(const std::wstring& path)
{
    CppSQLite3DB db;
    db.open(path.c_str());
    db.execDML(L"create table other(v TEXT);");
    db.execDML(L"insert into other values('x');");
}

// Notes whose table page is garbage; the file header and schema are intact.
void MakeDamagedNotes(const std::wstring& path)
{
    MakeNotes(path, 4);
    std::string bytes = ReadBytes(path);
    ASSERT_GE(bytes.size(), 8192u);
    std::fill(bytes.begin() + 4096, bytes.begin() + 8192, '\xA5');
    WriteBytes(path, bytes);
}

// "<missing>", "<not a database>", or the note count of a sound database.
std::string NotesIn(const std::wstring& path)
{
    if (!FileExists(path.c_str()))
        return "<missing>";
    try {
        CppSQLite3DB db;
        db.open(path.c_str());
        CppSQLite3Query check = db.execQuery(L"PRAGMA integrity_check;");
        if (std::string(check.getStringField(0)) != "ok")
            return "<corrupt>";
        return std::to_string(db.execScalar(L"select count(*) from notes;"));
    } catch (const CppSQLite3Exception&) {
        return "<not a database>";
    }
}

// The costly steps of a refresh, counted on their way to the real ones.
SBackupCopySeam g_realBackupSteps = g_backupCopySeam;
int g_onlineCopies = 0;
int g_quickChecks = 0;
bool g_checkPasses = true;
int CountedCopy(const wchar_t* source, const wchar_t* target)
{
    ++g_onlineCopies;
    return g_realBackupSteps.copy(source, target);
}
bool CountedCheck(sqlite3* db)
{
    ++g_quickChecks;
    return g_realBackupSteps.quickCheck(db) && g_checkPasses;
}

class BackupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_now = kNow;
        ASSERT_TRUE(CreateDirectoryW(m_folder.c_str(), nullptr));
        MakeNotes(m_database, 4);
    }

    std::wstring Backup(const wchar_t* name) const { return m_folder + name; }

    // Every backup present as an older copy, written `age` seconds before now.
    void PlaceOldBackups(__time64_t age)
    {
        for (const wchar_t* name : kBackupNames) {
            WriteBytes(Backup(name), kOldBackup);
            SetLastWrite(Backup(name), g_now - age);
        }
    }

    std::set<std::wstring> Refreshed() const
    {
        std::set<std::wstring> refreshed;
        for (const wchar_t* name : kBackupNames)
            if (ReadBytes(Backup(name)) != kOldBackup)
                refreshed.insert(name);
        return refreshed;
    }

    CSeamOverride<SClockSeam> m_clock{g_clockSeam, SClockSeam{&FixedNow, &FixedTick}};
    CTestDir m_dir;
    const std::wstring m_database = m_dir.File(L"QUILLT40.DAT");
    const std::wstring m_folder = m_dir.File(L"Backup\\");
};

} // namespace

TEST(OneMonthEarlier, KeepsTheTimeAndCutsTheDay)
{
    struct Case { WORD year, month, day; WORD expectYear, expectMonth, expectDay; };
    const Case cases[] = {
        {2026, 3, 31, 2026, 2, 28},   // cut to February's length
        {2026, 1, 15, 2025, 12, 15},  // January goes back into the year before
        {2026, 5, 31, 2026, 4, 30},   // cut to a 30-day month
        {2024, 3, 29, 2024, 2, 28},   // February counts 28 days in a leap year too
        {2026, 12, 31, 2026, 11, 30},
    };
    for (const Case& c : cases) {
        SYSTEMTIME time = {};
        time.wYear = c.year;
        time.wMonth = c.month;
        time.wDay = c.day;
        time.wHour = 17;
        time.wMinute = 45;
        time.wSecond = 9;
        const SYSTEMTIME earlier = OneMonthEarlier(time);
        EXPECT_EQ(earlier.wYear, c.expectYear) << c.year << "-" << c.month << "-" << c.day;
        EXPECT_EQ(earlier.wMonth, c.expectMonth) << c.year << "-" << c.month << "-" << c.day;
        EXPECT_EQ(earlier.wDay, c.expectDay) << c.year << "-" << c.month << "-" << c.day;
        EXPECT_EQ(earlier.wHour * 3600 + earlier.wMinute * 60 + earlier.wSecond, 17 * 3600 + 45 * 60 + 9);
    }
}

TEST_F(BackupTest, AnEmptyFolderGetsEveryBackupStampedWithItsCopyTime)
{
    CLogCapture log;
    ASSERT_TRUE(BackupDatabaseFile(m_database.c_str(), m_folder.c_str()));
    for (const wchar_t* name : kBackupNames) {
        EXPECT_EQ(NotesIn(Backup(name)), "4") << name;
        EXPECT_EQ(LastWrite(Backup(name)), kNow) << name;
        EXPECT_TRUE(log.Contains(L"CopyFileIfOlder failed to get attributes for file " + Backup(name) +
                                 L" (00000002) - does destination exist? "))
            << name;
    }
    EXPECT_FALSE(FileExists(Backup(L"Tue_QUILLT40.DAT.tmp").c_str()));
}

// Four backups due at once cost one copy and one check of the database; a
// copy that fails its check refreshes none of them.
TEST_F(BackupTest, EveryDueBackupComesFromOneCheckedCopy)
{
    const CSeamOverride<SBackupCopySeam> counted(g_backupCopySeam, {&CountedCopy, &CountedCheck});
    for (const bool passes : {true, false}) {
        PlaceOldBackups(60 * kDay);
        g_onlineCopies = g_quickChecks = 0;
        g_checkPasses = passes;
        CLogCapture log;
        ASSERT_TRUE(BackupDatabaseFile(m_database.c_str(), m_folder.c_str()));
        EXPECT_EQ(g_onlineCopies, 1) << passes;
        EXPECT_EQ(g_quickChecks, 1) << passes;
        for (const wchar_t* name : kBackupNames) {
            EXPECT_FALSE(FileExists((Backup(name) + L".tmp").c_str())) << name;
            if (passes) {
                EXPECT_EQ(NotesIn(Backup(name)), "4") << name;
                EXPECT_EQ(LastWrite(Backup(name)), kNow) << name;
            } else {
                EXPECT_EQ(ReadBytes(Backup(name)), kOldBackup) << name;
                EXPECT_TRUE(log.Contains(L"CopyFileIfOlder kept " + Backup(name) + L": the copy of " + m_database +
                                         L" fails its integrity check"))
                    << name;
            }
        }
    }
    g_checkPasses = true;
}

TEST_F(BackupTest, EachBackupIsRefreshedOnlyOnceOlderThanItsSpan)
{
    struct Case { const wchar_t* name; __time64_t age; bool refreshed; };
    const Case cases[] = {
        {L"Tue_QUILLT40.DAT", 7 * kDay - kMinute, false},
        {L"Tue_QUILLT40.DAT", 7 * kDay, false},  // exactly the span is not older
        {L"Tue_QUILLT40.DAT", 7 * kDay + kMinute, true},
        {L"BiWeek_QUILLT40.DAT", 14 * kDay, false},
        {L"BiWeek_QUILLT40.DAT", 14 * kDay + kMinute, true},
        // 31 March goes back to 28 February at the same time: 31 days.
        {L"Month_QUILLT40.DAT", 31 * kDay, false},
        {L"Month_QUILLT40.DAT", 31 * kDay + kMinute, true},
        {L"Yesterday_QUILLT40.DAT", kDay, false},
        {L"Yesterday_QUILLT40.DAT", kDay + kMinute, true},
        // A clock set back must not keep a backup from ever being refreshed.
        {L"Yesterday_QUILLT40.DAT", -kMinute, true},
        {L"Month_QUILLT40.DAT", -30 * kDay, true},
    };
    for (const Case& c : cases) {
        PlaceOldBackups(kMinute);
        SetLastWrite(Backup(c.name), kNow - c.age);
        ASSERT_TRUE(BackupDatabaseFile(m_database.c_str(), m_folder.c_str()));
        const std::set<std::wstring> expected =
            c.refreshed ? std::set<std::wstring>{c.name} : std::set<std::wstring>{};
        EXPECT_EQ(Refreshed(), expected) << c.age;
        if (c.refreshed) {
            EXPECT_EQ(NotesIn(Backup(c.name)), "4");
            EXPECT_EQ(LastWrite(Backup(c.name)), kNow);
        }
    }
}

TEST_F(BackupTest, TheWeekdayOfNowNamesTheWeeklyBackup)
{
    g_now = kNow + 4 * kDay;   // Saturday
    ASSERT_TRUE(BackupDatabaseFile(m_database.c_str(), m_folder.c_str()));
    EXPECT_EQ(NotesIn(Backup(L"Sat_QUILLT40.DAT")), "4");
    EXPECT_EQ(NotesIn(Backup(L"Tue_QUILLT40.DAT")), "<missing>");
}

TEST_F(BackupTest, AReadOnlyBackupIsReplaced)
{
    const CSeamOverride<SFileRenameSeam> windows(g_fileRenameSeam, {&RenameAsWindows});
    PlaceOldBackups(8 * kDay);
    ASSERT_TRUE(SetFileAttributesW(Backup(L"Tue_QUILLT40.DAT").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CopyFileIfOlder(m_database.c_str(), Backup(L"Tue_QUILLT40.DAT").c_str(),
                                COleDateTimeSpan(7, 0, 0, 0)));
    EXPECT_EQ(NotesIn(Backup(L"Tue_QUILLT40.DAT")), "4");
}

TEST_F(BackupTest, AFailedReplaceLeavesTheOldBackupByteForByte)
{
    struct Case { const char* what; bool diskFull; const wchar_t* error; };
    const Case cases[] = {
        {"the disk fills as the copy is put in place", true, L"00000070"},
        {"another program holds the backup open", false, L"00000005"},   // fails for real, also under Wine
    };
    const std::wstring backup = Backup(L"Tue_QUILLT40.DAT");
    for (const Case& c : cases) {
        PlaceOldBackups(8 * kDay);
        const CSeamOverride<SFileRenameSeam> rename(g_fileRenameSeam,
                                                    {c.diskFull ? &RenameOnFullDisk : g_fileRenameSeam.moveFileEx});
        CWinFile holder;
        if (!c.diskFull) {
            ASSERT_TRUE(holder.Open(backup.c_str(), CWinFile::accessRead));   // shares nothing
        }
        CLogCapture log;
        EXPECT_FALSE(CopyFileIfOlder(m_database.c_str(), backup.c_str(), COleDateTimeSpan(7, 0, 0, 0))) << c.what;
        holder.Close();
        EXPECT_EQ(ReadBytes(backup), kOldBackup) << c.what;
        EXPECT_EQ(LastWrite(backup), kNow - 8 * kDay) << c.what;
        EXPECT_FALSE(FileExists((backup + L".tmp").c_str())) << c.what;
        EXPECT_TRUE(log.Contains(L"CopyFileIfOlder failed to copy file " + m_database + L" to " + backup + L" (" +
                                 c.error + L")"))
            << c.what;
    }
}

TEST_F(BackupTest, ACopyLeftByAnEarlierRunIsNoHindrance)
{
    const std::wstring backup = Backup(L"Tue_QUILLT40.DAT");
    PlaceOldBackups(8 * kDay);
    WriteBytes(backup + L".tmp", "a copy cut short");
    ASSERT_TRUE(SetFileAttributesW((backup + L".tmp").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(CopyFileIfOlder(m_database.c_str(), backup.c_str(), COleDateTimeSpan(7, 0, 0, 0)));
    EXPECT_EQ(NotesIn(backup), "4");
    EXPECT_FALSE(FileExists((backup + L".tmp").c_str()));
}

// Start-up backs up before the database is opened: a notes file that was
// emptied or damaged must not take the place of the backups that are due.
TEST_F(BackupTest, AnUnusableDatabaseNeverReplacesADueBackup)
{
    struct Case {
        const char* what;
        void (*make)(const std::wstring& path);
        int backupNotes;          // notes in every older backup; -1: not a database
        const wchar_t* reason;    // null: the backups are refreshed
    };
    const Case cases[] = {
        {"an empty file", [](const std::wstring& path) { WriteBytes(path, ""); }, 2, L"has no notes table"},
        {"a damaged page", [](const std::wstring& path) { MakeDamagedNotes(path); }, 2,
         L"fails its integrity check"},
        {"no notes table", [](const std::wstring& path) { MakeOtherTable(path); }, 2, L"has no notes table"},
        {"every note gone", [](const std::wstring& path) { MakeNotes(path, 0); }, 2,
         L"holds no notes while the backup holds some"},
        {"every note gone, the backups held none either", [](const std::wstring& path) { MakeNotes(path, 0); },
         0, nullptr},
        {"every note gone, the backups unreadable", [](const std::wstring& path) { MakeNotes(path, 0); }, -1,
         nullptr},
    };
    for (const Case& c : cases) {
        CTestDir dir;
        const std::wstring source = dir.File(L"QUILLT40.DAT");
        c.make(source);
        for (const wchar_t* name : kBackupNames) {
            DeleteFileW(Backup(name).c_str());
            if (c.backupNotes < 0)
                WriteBytes(Backup(name), kOldBackup);
            else
                MakeNotes(Backup(name), c.backupNotes);
            SetLastWrite(Backup(name), kNow - 60 * kDay);
        }
        const std::string before = ReadBytes(Backup(L"Month_QUILLT40.DAT"));
        CLogCapture log;
        ASSERT_TRUE(BackupDatabaseFile(source.c_str(), m_folder.c_str())) << c.what;
        for (const wchar_t* name : kBackupNames) {
            EXPECT_FALSE(FileExists((Backup(name) + L".tmp").c_str())) << c.what;
            if (!c.reason) {
                EXPECT_EQ(NotesIn(Backup(name)), "0") << c.what << " " << name;
                continue;
            }
            EXPECT_EQ(LastWrite(Backup(name)), kNow - 60 * kDay) << c.what << " " << name;
            EXPECT_TRUE(log.Contains(L"CopyFileIfOlder kept " + Backup(name) + L": the copy of " + source + L" " +
                                     c.reason))
                << c.what << " " << name;
        }
        if (c.reason) {
            EXPECT_EQ(ReadBytes(Backup(L"Month_QUILLT40.DAT")), before) << c.what;
        }
    }
}

// A mistaken edit after a long pause must not reach the older backups: they
// are dated by their copy, not by the database's own last write.
TEST_F(BackupTest, AMistakenEditAfterAPauseLeavesEveryBackupIntact)
{
    SetLastWrite(m_database, kNow - 40 * kDay);
    ASSERT_TRUE(BackupDatabaseFile(m_database.c_str(), m_folder.c_str()));
    {
        CppSQLite3DB db;
        db.open(m_database.c_str());
        db.execDML(L"delete from notes where id > 1;");
    }
    g_now += 10 * kMinute;
    ASSERT_TRUE(BackupDatabaseFile(m_database.c_str(), m_folder.c_str()));
    for (const wchar_t* name : kBackupNames)
        EXPECT_EQ(NotesIn(Backup(name)), "4") << name;
}

// The database and its journal as a crash leaves them: a transaction had
// spilled changed pages into the database file. A plain copy of that file
// is not the committed database; the backup must be.
TEST_F(BackupTest, ACrashedDatabaseIsBackedUpAsItsCommittedState)
{
    CTestDir crashed;
    const std::wstring copy = crashed.File(L"QUILLT40.DAT");
    {
        CppSQLite3DB db;
        db.open(m_database.c_str());
        db.execDML(L"create table padding(v TEXT);");
        for (int i = 0; i < 300; ++i)
            db.execDML(L"insert into padding values(hex(randomblob(1000)));");
    }
    const std::string committed = ReadBytes(m_database);
    {
        CppSQLite3DB writer;
        writer.open(m_database.c_str());
        // Far more changed pages than the cache holds: committed pages are
        // written over before the transaction ends.
        writer.execDML(L"PRAGMA cache_size=10;");
        writer.execDML(L"BEGIN;");
        writer.execDML(L"update padding set v = 'changed';");
        writer.execDML(L"delete from notes where id > 1;");
        ASSERT_TRUE(CopyFileW(m_database.c_str(), copy.c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((m_database + L"-journal").c_str(), (copy + L"-journal").c_str(), FALSE));
        const bool spilled = ReadBytes(copy).compare(0, committed.size(), committed) != 0;
        ASSERT_TRUE(spilled) << "no committed page was overwritten";
    }   // the writer closes without committing
    ASSERT_TRUE(BackupDatabaseFile(copy.c_str(), m_folder.c_str()));
    EXPECT_EQ(NotesIn(Backup(L"Tue_QUILLT40.DAT")), "4");
    CppSQLite3DB backup;
    backup.open(Backup(L"Tue_QUILLT40.DAT").c_str());
    EXPECT_EQ(backup.execScalar(L"select count(*) from padding where v = 'changed';"), 0);
}

// A file in write-ahead-log mode keeps its latest notes in the log until a
// checkpoint: a copy of the file alone would lose them.
TEST_F(BackupTest, ADatabaseWithAWriteAheadLogIsBackedUpWithWhatTheLogHolds)
{
    CppSQLite3DB writer;
    writer.open(m_database.c_str());
    writer.execQuery(L"PRAGMA journal_mode=WAL;");
    writer.execDML(L"PRAGMA wal_autocheckpoint=0;");
    writer.execDML(L"delete from notes where id > 1;");
    ASSERT_TRUE(BackupDatabaseFile(m_database.c_str(), m_folder.c_str()));
    for (const wchar_t* name : kBackupNames)
        EXPECT_EQ(NotesIn(Backup(name)), "1") << name;
}

TEST_F(BackupTest, AMissingSourceLeavesTheBackupsAndCreatesNothing)
{
    PlaceOldBackups(60 * kDay);
    const std::wstring missing = m_dir.File(L"Gone\\QUILLT40.DAT");
    ASSERT_TRUE(CreateDirectoryW(m_dir.File(L"Gone").c_str(), nullptr));
    CLogCapture log;
    EXPECT_FALSE(CopyFileIfOlder(missing.c_str(), Backup(L"Tue_QUILLT40.DAT").c_str(), COleDateTimeSpan(7, 0, 0, 0)));
    EXPECT_TRUE(BackupDatabaseFile(missing.c_str(), m_folder.c_str()));
    EXPECT_TRUE(Refreshed().empty());
    EXPECT_FALSE(FileExists(missing.c_str()));
    EXPECT_FALSE(FileExists(Backup(L"Tue_QUILLT40.DAT.tmp").c_str()));
    // SQLite's "cannot open" code in the error slot.
    EXPECT_TRUE(log.Contains(L"CopyFileIfOlder failed to copy file " + missing + L" to " +
                             Backup(L"Tue_QUILLT40.DAT") + L" (0000000e)"));
}

TEST_F(BackupTest, NoFolderOrNoValidTimeMakesNoCopy)
{
    wchar_t saved[MAX_PATH] = {};
    ASSERT_TRUE(GetCurrentDirectoryW(MAX_PATH, saved));
    ASSERT_TRUE(SetCurrentDirectoryW(m_dir.Path().c_str()));
    EXPECT_TRUE(BackupDatabaseFile(m_database.c_str(), L""));
    SetCurrentDirectoryW(saved);
    EXPECT_FALSE(FileExists(m_dir.File(L"Tue_QUILLT40.DAT").c_str()));
    EXPECT_FALSE(FileExists(m_dir.File(L"Yesterday_QUILLT40.DAT").c_str()));

    g_now = -1;
    EXPECT_FALSE(BackupDatabaseFile(m_database.c_str(), m_folder.c_str()));
    EXPECT_FALSE(FileExists(Backup(L"Yesterday_QUILLT40.DAT").c_str()));
}
