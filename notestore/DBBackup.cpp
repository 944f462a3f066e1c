#include "DBBackup.h"

#include "CppSQLite3.h"
#include "SQLiteHelp.h"
#include "foundation/LogFile.h"
#include "foundation/Seams.h"
#include "foundation/fileio.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
int OnlineBackup(const wchar_t* source, const wchar_t* target);
bool PassesQuickCheck(sqlite3* db);
}  // namespace

SBackupCopySeam g_backupCopySeam = {&OnlineBackup, &PassesQuickCheck};

namespace {

const wchar_t* const kWeekdayBackups[] = {
    L"Sun_QUILLT40.DAT", L"Mon_QUILLT40.DAT", L"Tue_QUILLT40.DAT", L"Wed_QUILLT40.DAT",
    L"Thu_QUILLT40.DAT", L"Fri_QUILLT40.DAT", L"Sat_QUILLT40.DAT",
};
const wchar_t kBiWeekBackup[] = L"BiWeek_QUILLT40.DAT";
const wchar_t kMonthBackup[] = L"Month_QUILLT40.DAT";
const wchar_t kYesterdayBackup[] = L"Yesterday_QUILLT40.DAT";

// Days of each month; February always counts 28.
const WORD kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Seconds from 1601 (FILETIME) to 1970 (time_t).
constexpr long long kUnixEpochSeconds = 11644473600LL;
constexpr long long kFileTimeTicksPerSecond = 10000000LL;

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using CSqliteConnection = std::unique_ptr<sqlite3, SqliteCloser>;

struct SqliteFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using CSqliteStatement = std::unique_ptr<sqlite3_stmt, SqliteFinalizer>;

// Prepares sql and steps to its first row: SQLite's code of the step, or of
// the preparation when that failed.
int StepFirst(sqlite3* db, const char* sql, CSqliteStatement& statement)
{
    sqlite3_stmt* prepared = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql, -1, &prepared, nullptr);
    statement.reset(prepared);
    return rc == SQLITE_OK ? sqlite3_step(prepared) : rc;
}

// A failed open still hands back a connection, which must be closed.
int OpenConnection(const wchar_t* path, int flags, CSqliteConnection& connection)
{
    std::string utf8;
    if (!WideToUtf8(path, utf8))
        return SQLITE_NOMEM;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(utf8.c_str(), &db, flags, nullptr);
    connection.reset(db);
    return rc;
}

// SQLite's page-by-page copy: for a file a plain copy cannot take whole.
int PageCopy(sqlite3* from, const wchar_t* target)
{
    // Read through the map and written without a journal (the copy is a
    // scratch file, checked before it is used): about half the time under Wine.
    sqlite3_exec(from, "PRAGMA mmap_size=67108864;", nullptr, nullptr, nullptr);
    CSqliteConnection to;
    int rc = OpenConnection(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, to);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_exec(to.get(), "PRAGMA journal_mode=OFF;", nullptr, nullptr, nullptr);
    sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from, "main");
    if (!backup)
        return sqlite3_errcode(to.get());
    sqlite3_backup_step(backup, -1);
    return sqlite3_backup_finish(backup);
}

// The file's bytes into target, flushed: SQLite's code.
int CopyBytes(const wchar_t* source, const wchar_t* target)
{
    constexpr DWORD kChunk = 1 << 20;
    CWinFile from;
    CWinFile to;
    // SQLite holds the file open for writing, so reading it must share that.
    if (!from.Open(source, CWinFile::accessRead | CWinFile::shareReadWrite | CWinFile::noInherit) ||
        !to.Open(target, CWinFile::accessWrite | CWinFile::create | CWinFile::noInherit))
        return SQLITE_CANTOPEN;
    try {
        std::vector<char> chunk(kChunk);
        for (DWORD read = from.Read(chunk.data(), kChunk); read != 0; read = from.Read(chunk.data(), kChunk))
            if (!to.Write(chunk.data(), read))
                return SQLITE_IOERR;
        to.Flush();
    } catch (const CWinFileException&) {
        return SQLITE_IOERR;
    }
    return SQLITE_OK;
}

// A plain copy cannot see a write-ahead log, and past the first gigabyte
// SQLite's lock bytes lie inside the file, where a writer's lock would stop
// the read.
bool TakesPlainCopy(sqlite3* db, const wchar_t* source)
{
    constexpr long long kLockBytesOffset = 0x40000000LL;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(source, GetFileExInfoStandard, &data) ||
        ((static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) >= kLockBytesOffset)
        return false;
    CSqliteStatement statement;
    if (StepFirst(db, "PRAGMA journal_mode;", statement) != SQLITE_ROW)
        return false;
    const unsigned char* const mode = sqlite3_column_text(statement.get(), 0);
    return mode && std::strcmp(reinterpret_cast<const char*>(mode), "wal") != 0;
}

// Writes a consistent copy of source into target: a hot journal left by a
// crash is rolled back first, and a write in progress is waited for. The
// source is never created. Returns SQLite's code.
int OnlineBackup(const wchar_t* source, const wchar_t* target)
{
    CSqliteConnection from;
    int rc = OpenConnection(source, SQLITE_OPEN_READWRITE, from);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_busy_timeout(from.get(), kDefaultBusyTimeoutMs);
    if (!TakesPlainCopy(from.get(), source))
        return PageCopy(from.get(), target);
    // The first read rolls a hot journal back; the read transaction then
    // keeps every writer out of the file until its bytes are copied. A plain
    // copy of them takes a tenth of the page-by-page copy's time.
    rc = sqlite3_exec(from.get(), "BEGIN; PRAGMA user_version;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    rc = CopyBytes(source, target);
    sqlite3_exec(from.get(), "COMMIT;", nullptr, nullptr, nullptr);
    return rc;
}

FILETIME FileTimeFromTime64(__time64_t time)
{
    const unsigned long long ticks =
        static_cast<unsigned long long>(time + kUnixEpochSeconds) * kFileTimeTicksPerSecond;
    FILETIME result;
    result.dwLowDateTime = static_cast<DWORD>(ticks);
    result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return result;
}

__time64_t Time64FromFileTime(const FILETIME& time)
{
    const unsigned long long ticks =
        (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<__time64_t>(ticks / kFileTimeTicksPerSecond) - kUnixEpochSeconds;
}

bool StampLastWrite(const wchar_t* path, __time64_t time)
{
    CWinFile file;
    if (!file.Open(path, CWinFile::accessWrite | CWinFile::shareReadWrite))
        return false;
    const FILETIME stamp = FileTimeFromTime64(time);
    return SetFileTime(file.GetHandle(), nullptr, nullptr, &stamp) != FALSE;
}

// The notes a database holds as far as a read-only look can tell.
enum class ENotes { unreadable, none, some };

ENotes NotesIn(sqlite3* db)
{
    CSqliteStatement statement;
    const int rc = StepFirst(db, "select 1 from notes limit 1;", statement);
    return rc == SQLITE_ROW ? ENotes::some : rc == SQLITE_DONE ? ENotes::none : ENotes::unreadable;
}

bool PassesQuickCheck(sqlite3* db)
{
    // Mapped, the whole-file check runs about ten times faster under Wine.
    sqlite3_exec(db, "PRAGMA mmap_size=67108864;", nullptr, nullptr, nullptr);
    CSqliteStatement statement;
    if (StepFirst(db, "PRAGMA quick_check;", statement) != SQLITE_ROW)
        return false;
    const unsigned char* const first = sqlite3_column_text(statement.get(), 0);
    return first && std::strcmp(reinterpret_cast<const char*>(first), "ok") == 0;
}

bool BackupHoldsNotes(const wchar_t* backup)
{
    CSqliteConnection db;
    if (!FileExists(backup) || OpenConnection(backup, SQLITE_OPEN_READONLY, db) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(db.get(), kDefaultBusyTimeoutMs);
    return NotesIn(db.get()) == ENotes::some;
}

// A copy that a crash left behind, read-only or not, would block every
// later refresh.
void RemoveCopy(const std::wstring& temporary)
{
    SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(temporary.c_str());
}

std::wstring TemporaryFor(const std::wstring& backup)
{
    return backup + L".tmp";
}

void LogKept(const wchar_t* source, const std::wstring& backup, const wchar_t* unusable)
{
    QLOG(L"CopyFileIfOlder kept %s: the copy of %s %s", backup.c_str(), source, unusable);
}

void LogCopyFailed(const wchar_t* source, const std::wstring& backup, DWORD error)
{
    QLOG(L"CopyFileIfOlder failed to copy file %s to %s (%08lx)", source, backup.c_str(), error);
}

// One consistent, checked copy of the database, made beside the first due
// backup, from which every due backup of a refresh is put in place: copying
// and checking the whole file is the cost of a backup, and the file is the
// same for all of them.
class CCheckedCopy {
public:
    CCheckedCopy(const wchar_t* source, const std::wstring& firstBackup)
        : m_source(source), m_path(TemporaryFor(firstBackup))
    {
        RemoveCopy(m_path);
        const int rc = g_backupCopySeam.copy(source, m_path.c_str());
        if (rc != SQLITE_OK) {
            m_error = static_cast<DWORD>(rc);
            return;
        }
        CSqliteConnection db;
        if (OpenConnection(m_path.c_str(), SQLITE_OPEN_READONLY, db) != SQLITE_OK ||
            !g_backupCopySeam.quickCheck(db.get())) {
            m_unusable = L"fails its integrity check";
            return;
        }
        m_notes = NotesIn(db.get());
        if (m_notes == ENotes::unreadable)
            m_unusable = L"has no notes table";
        else if (!StampLastWrite(m_path.c_str(), g_clockSeam.now()))
            m_error = GetLastError();
    }
    ~CCheckedCopy() { RemoveCopy(m_path); }
    CCheckedCopy(const CCheckedCopy&) = delete;
    CCheckedCopy& operator=(const CCheckedCopy&) = delete;

    // Puts the copy in the backup's place: the last use takes the copy itself
    // by a rename, the others a plain copy of it, each renamed into place so
    // a failure leaves that old backup whole. False, logged, when the backup
    // stays as it was.
    bool PlaceAs(const std::wstring& backup, bool last)
    {
        if (m_error != 0) {
            LogCopyFailed(m_source, backup, m_error);
            return false;
        }
        // Start-up backs up before the database is opened, so an emptied or
        // damaged file would otherwise take the place of every due backup.
        const wchar_t* const unusable =
            m_unusable ? m_unusable
                       : m_notes == ENotes::none && BackupHoldsNotes(backup.c_str())
                             ? L"holds no notes while the backup holds some"
                             : nullptr;
        if (unusable) {
            LogKept(m_source, backup, unusable);
            return false;
        }
        const DWORD error = last ? Rename(backup) : CopyAndRename(backup);
        if (error != 0) {
            LogCopyFailed(m_source, backup, error);
            return false;
        }
        return true;
    }

private:
    DWORD Rename(const std::wstring& backup) const
    {
        return MoveFileReplacing(m_path.c_str(), backup.c_str()) ? 0 : GetLastError();
    }
    DWORD CopyAndRename(const std::wstring& backup) const
    {
        const std::wstring temporary = TemporaryFor(backup);
        RemoveCopy(temporary);
        DWORD error = 0;
        // The stamp is set again: a plain copy need not keep the copy's time.
        if (!CopyFileW(m_path.c_str(), temporary.c_str(), FALSE) ||
            !StampLastWrite(temporary.c_str(), g_clockSeam.now()) ||
            !MoveFileReplacing(temporary.c_str(), backup.c_str()))
            error = GetLastError();
        RemoveCopy(temporary);
        return error;
    }

    const wchar_t* m_source;
    const std::wstring m_path;
    DWORD m_error = 0;
    const wchar_t* m_unusable = nullptr;
    ENotes m_notes = ENotes::none;
};

// Refreshes every backup from one checked copy; true when each was put in place.
bool RefreshBackups(const wchar_t* source, const std::vector<std::wstring>& backups)
{
    if (backups.empty())
        return true;
    // The copy lies beside the first backup, which takes it last, by a rename.
    CCheckedCopy copy(source, backups.front());
    bool all = true;
    for (size_t i = 1; i < backups.size(); ++i)
        all = copy.PlaceAs(backups[i], false) && all;
    return copy.PlaceAs(backups.front(), true) && all;
}

// Whether the backup is missing, dated in the future or older than threshold.
bool IsDue(const wchar_t* backup, const COleDateTimeSpan& threshold)
{
    const COleDateTime now = COleDateTime::Now();
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (!GetFileAttributesExW(backup, GetFileExInfoStandard, &attributes)) {
        QLOG(L"CopyFileIfOlder failed to get attributes for file %s (%08lx) - does destination exist? ", backup,
             GetLastError());
        return true;
    }
    const COleDateTimeSpan age = now - COleDateTime::FromTime64(Time64FromFileTime(attributes.ftLastWriteTime));
    // A backup from the future (a clock set back) would otherwise never be refreshed.
    return age.IsValid() && (age > threshold || age < COleDateTimeSpan());
}

void AddWhenDue(std::vector<std::wstring>& due, const wchar_t* folder, const wchar_t* name,
                const COleDateTimeSpan& span)
{
    const std::wstring backup = std::wstring(folder) + name;
    if (IsDue(backup.c_str(), span))
        due.push_back(backup);
}

}  // namespace

SYSTEMTIME OneMonthEarlier(const SYSTEMTIME& time)
{
    SYSTEMTIME earlier = time;
    if (earlier.wMonth <= 1) {
        earlier.wMonth = 12;
        --earlier.wYear;
    } else {
        --earlier.wMonth;
    }
    earlier.wDay = std::min(earlier.wDay, kMonthDays[earlier.wMonth - 1]);
    earlier.wDayOfWeek = 0;
    return earlier;
}

bool CopyFileIfOlder(const wchar_t* source, const wchar_t* backup, const COleDateTimeSpan& threshold)
{
    return !IsDue(backup, threshold) || RefreshBackups(source, {backup});
}

bool BackupDatabaseFile(const wchar_t* database, const wchar_t* folder)
{
    const COleDateTime now = COleDateTime::Now();
    SYSTEMTIME today = {};
    if (!now.IsValid() || !now.GetAsSystemTime(today))
        return false;
    // Start-up empties the folder's path when it cannot be made; the copies
    // must then not land in the working folder. An empty database name would
    // open an empty scratch database, whose copy would replace the backups.
    if (!folder || !*folder || !database || !*database)
        return true;
    std::vector<std::wstring> due;
    AddWhenDue(due, folder, kWeekdayBackups[today.wDayOfWeek % 7], COleDateTimeSpan(7, 0, 0, 0));
    AddWhenDue(due, folder, kBiWeekBackup, COleDateTimeSpan(14, 0, 0, 0));
    AddWhenDue(due, folder, kMonthBackup, now - COleDateTime(OneMonthEarlier(today)));
    AddWhenDue(due, folder, kYesterdayBackup, COleDateTimeSpan(1, 0, 0, 0));
    RefreshBackups(database, due);
    return true;
}
