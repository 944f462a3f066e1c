#include "OpenChecks.h"

#include "CppSQLite3.h"
#include "NoteAlarm.h"
#include "NoteSchema.h"
#include "SQLiteHelp.h"
#include "Transaction.h"
#include "foundation/LogFile.h"
#include "foundation/Seams.h"
#include "foundation/fileio.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// A name already taken in the same second gets a counter, up to this one.
constexpr int kMaxDamagedCopyAttempts = 100;

// Active alarms with a date but no calculated due time.
const wchar_t kMissingDueSql[] =
    L"select `id`, `displayname`, `alarm_popup`, `alarm_alarm`, `alarm_alarmflags` from `notes` where "
    L"alarm_calculated = 0.0 AND (alarm_alarmflags & %d) AND ((alarm_alarm > 1.0) OR (alarm_popup > 1.0));";

const wchar_t kSetDueSql[] = L"UPDATE `notes` SET `alarm_calculated`=? WHERE `id`=?;";

CStdStr DamagedCopyPath(const wchar_t* file, const SYSTEMTIME& now, int attempt)
{
    wchar_t drive[_MAX_DRIVE] = {};
    wchar_t folder[_MAX_DIR] = {};
    wchar_t name[_MAX_FNAME] = {};
    wchar_t extension[_MAX_EXT] = {};
    if (_wsplitpath_s(file, drive, _MAX_DRIVE, folder, _MAX_DIR, name, _MAX_FNAME, extension, _MAX_EXT) != 0)
        return CStdStr();
    CStdStr counter;
    if (attempt > 1)
        counter.Format(L"_%d", attempt);
    CStdStr path;
    path.Format(L"%s%sDamaged_%04u%02u%02u_%02u%02u%02u%s_%s%s", drive, folder, now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond, counter.c_str(), name, extension);
    return path;
}

struct SMissingDue {
    std::int64_t id;
    CStdStr storedName;
    CNoteAlarm alarm;
};

// Only the columns the repair needs, each candidate row read once.
std::vector<SMissingDue> ReadMissingDueTimes(CppSQLite3DB& db)
{
    CStdStr sql;
    sql.Format(kMissingDueSql, static_cast<int>(kAlarmActive));
    std::vector<SMissingDue> missing;
    for (CppSQLite3Query rows = db.execQuery(sql.c_str()); !rows.eof(); rows.nextRow()) {
        SMissingDue due{rows.getInt64Field(0), QueryText(rows, 1), CNoteAlarm()};
        due.alarm.popupDate = COleDateTime(rows.getFloatField(2));
        due.alarm.alarmDate = COleDateTime(rows.getFloatField(3));
        due.alarm.flags = static_cast<std::uint32_t>(rows.getInt64Field(4));
        due.alarm.calculatedDate = COleDateTime(0.0);
        due.alarm.RecalcDue(false);
        missing.push_back(due);
    }
    return missing;
}

// Each due time with its own statement; a note that fails is logged and the
// others go on. In a batch, a failure after which SQLite has ended the
// transaction itself throws: nothing of the batch is left to commit.
std::vector<std::int64_t> WriteDueTimes(CppSQLite3DB& db, const std::vector<SMissingDue>& missing, bool batch)
{
    CppSQLite3Statement update(&db, kSetDueSql);
    std::vector<std::int64_t> written;
    for (const SMissingDue& due : missing) {
        try {
            update.bind(1, due.alarm.calculatedDate.m_dt);
            update.bind(2, static_cast<sqlite3_int64>(due.id));
            update.execDML();
            written.push_back(due.id);
        } catch (const CppSQLite3Exception& e) {
            if (batch && db.isAutoCommit())
                throw;
            LogSqliteError(L"UpdateCalculatedAlarmTime", e);
        }
    }
    update.finalize();
    return written;
}

struct SFullTextKeys {
    sqlite3_int64 rows;
    sqlite3_int64 misplaced;   // rows whose docid is not their id
};

SFullTextKeys QueryFullTextKeys(CppSQLite3DB& db, const CStdStr& sql)
{
    const CppSQLite3Query keys = db.execQuery(sql.c_str());
    return {keys.getInt64Field(0), keys.getInt64Field(1)};
}

// One pass over the table that holds a full-text table's rows, where docid
// and id sit at the front of each row: a scan through the full-text module
// hands over every column of every row, which takes twice as long. A table
// the full-text scripts did not make is read through the module, failing as
// it always did.
SFullTextKeys ReadFullTextKeys(CppSQLite3DB& db, const wchar_t* table)
{
    try {
        return QueryFullTextKeys(db, CStdStr(L"select count(*), sum(docid IS NOT c0id) from `") + table +
                                         L"_content`;");
    } catch (const CppSQLite3Exception&) {
        return QueryFullTextKeys(db, CStdStr(L"select count(*), sum(docid IS NOT id) from `") + table + L"`;");
    }
}

} // namespace

COpenReading::COpenReading(CppSQLite3DB& db)
{
    try {
        m_transaction = std::make_unique<CTransaction>(db);
    } catch (const CppSQLite3Exception&) {
        // The reads then fail or succeed one by one, each logged where it is made.
    }
}

COpenReading::~COpenReading()
{
    EndBeforeWriting();
}

void COpenReading::EndBeforeWriting()
{
    if (!m_transaction)
        return;
    try {
        m_transaction->Commit();
    } catch (const CppSQLite3Exception&) {
        // Nothing was written: the guard's rollback ends it just as well.
    }
    m_transaction.reset();
}

CStdStr FirstIntegrityProblem(CppSQLite3DB& db)
{
    try {
        const CppSQLite3Query rows = db.execQuery(L"PRAGMA quick_check;");
        if (rows.eof())
            return L"no answer from the check";
        const CStdStr first = QueryText(rows, 0);
        return first == L"ok" ? CStdStr() : first;
    } catch (const CppSQLite3Exception& e) {
        if ((e.errorCode() & 0xFF) != SQLITE_CORRUPT)
            throw;
        return Utf8OrAnsiToWide(e.errorMessage(), std::strlen(e.errorMessage()));
    }
}

CStdStr CopyDamagedFileAside(const wchar_t* file)
{
    const SYSTEMTIME now = GetLocalNow();
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 1; attempt <= kMaxDamagedCopyAttempts && error == ERROR_FILE_EXISTS; ++attempt) {
        const CStdStr copy = DamagedCopyPath(file, now, attempt);
        if (copy.empty())
            break;
        if (CopyFileReplacing(file, copy.c_str(), false)) {
            QLOG(L"Damaged database copied to %s", copy.c_str());
            return copy;
        }
        error = GetLastError();
    }
    QLOG(L"Failed to copy the damaged database %s aside (%08lx)", file, error);
    return CStdStr();
}

bool FullTextRowsFollowTheirNotes(CppSQLite3DB& db)
{
    const CppSQLite3Query trigger =
        db.execQuery(L"select `sql` from sqlite_master where type='trigger' and name='del_notes'");
    if (trigger.eof() || QueryText(trigger, 0) != DeleteTriggerSql())
        return false;
    if (ReadFullTextKeys(db, L"search").misplaced != 0)
        return false;
    const SFullTextKeys search2 = ReadFullTextKeys(db, L"search2");
    return search2.misplaced == 0 && search2.rows == db.execScalar(L"select count(*) from `notes`;");
}

std::vector<std::int64_t> RepairMissingDueTimes(CppSQLite3DB& db, COpenReading& reading)
{
    const std::vector<SMissingDue> missing = ReadMissingDueTimes(db);
    if (missing.empty())
        return {};
    reading.EndBeforeWriting();
    for (const SMissingDue& due : missing)
        QLOG(L"Reparing alarm for %s", due.storedName.c_str());
    try {
        CTransaction transaction(db);
        std::vector<std::int64_t> repaired = WriteDueTimes(db, missing, true);
        transaction.Commit();
        return repaired;
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"UpdateCalculatedAlarmTime", e);
    }
    // Nothing of the batch stayed: note by note, each on its own.
    return WriteDueTimes(db, missing, false);
}
