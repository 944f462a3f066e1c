#include "notemgr.h"

#include "DBBackup.h"
#include "Note.h"
#include "NoteSchema.h"
#include "SQLiteHelp.h"
#include "Transaction.h"
#include "groups.h"
#include "foundation/AppWindow.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/ResModule.h"
#include "resources/resource.h"

#include <objbase.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const wchar_t kDatabaseName[] = L"QUILLT40";
const wchar_t kDatabaseExtension[] = L"DAT";
constexpr int kBusyTimeoutMs = 60000;

// The own GUID once the file was found replaced: no later open is tried.
const wchar_t kBadGuid[] = L"Bad GUID";

// A file whose free pages reach this share of all pages is vacuumed on open.
constexpr double kVacuumFreeShare = 0.3;

// Active alarms with a date but no calculated due time.
const wchar_t kAlarmRepairCondition[] =
    L"alarm_calculated = 0.0 AND (alarm_alarmflags & %d) AND ((alarm_alarm > 1.0) OR (alarm_popup > 1.0))";

const wchar_t kMoveGroupSql[] = L"UPDATE `notes` SET `group`=? WHERE `group`=?";

CNoteManager g_noteManager;

void LogDatabaseChanged()
{
    QLOG(L"Database has changed while running, closing!");
}

void LogOpenFailure(const CppSQLite3Exception& error)
{
    QLOG(L"Failed to open database (%d)", error.errorCode());
    const char* message = error.errorMessage();
    QLOG(L"%s", Utf8OrAnsiToWide(message, std::strlen(message)).c_str());
}

// Upkeep whose failure must not stop the open (a full temporary folder fails
// VACUUM): the failure is logged and the open goes on.
template <class Action>
void RunHousekeeping(const wchar_t* operation, Action action)
{
    try {
        action();
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(operation, e);
    }
}

CStdStr NewInstanceGuid()
{
    GUID guid = {};
    if (FAILED(CoCreateGuid(&guid)))
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "No instance GUID");
    return GuidToText(guid);
}

CStdStr FirstColumnText(const CppSQLite3Query& row)
{
    const char* text = row.getStringField(0);
    return Utf8OrAnsiToWide(text, std::strlen(text));
}

// The `guid` of the last row; empty without the table or a row.
CStdStr StoredInstanceGuid(CppSQLite3DB& db)
{
    if (!db.tableExists(L"guidinstance"))
        return CStdStr();
    CppSQLite3Query rows = db.execQuery(L"select `guid` from `guidinstance`");
    CStdStr stored;
    for (; !rows.eof(); rows.nextRow())
        stored = FirstColumnText(rows);
    return stored;
}

// Older files keep SQLite's own docids and a delete trigger that matches by id.
bool FullTextRowsFollowTheirNotes(CppSQLite3DB& db)
{
    const CppSQLite3Query trigger =
        db.execQuery(L"select `sql` from sqlite_master where type='trigger' and name='del_notes'");
    if (trigger.eof() || FirstColumnText(trigger) != DeleteTriggerSql())
        return false;
    return db.execScalar(L"select count(*) from `search` where docid IS NOT id;") == 0 &&
           db.execScalar(L"select count(*) from `search2` where docid IS NOT id;") == 0;
}

} // namespace

SNoteManagerSeam g_noteManagerSeam = {&g_noteManager};

void CNotifyWindowDeleter::operator()(CNotifyWindow* /*window*/) const
{
    // Nothing makes the pop-up before the windowing toolkit exists.
}

CNoteManager::CNoteManager() : m_nextAlarm(-1.0)
{
    m_db.setBusyTimeout(kBusyTimeoutMs);
}

CNoteManager::~CNoteManager()
{
    if (m_db.isOpen())
        CloseDB();
}

void CNoteManager::SetDatabasePath(const wchar_t* path)
{
    m_databasePath = path ? path : L"";
}

CStdStr CNoteManager::GetDatabaseFilePath() const
{
    wchar_t drive[_MAX_DRIVE] = {};
    wchar_t folder[_MAX_DIR] = {};
    wchar_t file[MAX_PATH] = {};
    if (m_databasePath.empty() ||
        _wsplitpath_s(m_databasePath.c_str(), drive, _MAX_DRIVE, folder, _MAX_DIR, nullptr, 0, nullptr, 0) != 0 ||
        _wmakepath_s(file, MAX_PATH, drive, folder, kDatabaseName, kDatabaseExtension) != 0)
        return CStdStr();
    return file;
}

CppSQLite3DB* CNoteManager::GetDB()
{
    if (m_databasePath.empty())
        return nullptr;
    CDBUseGuard inUse(*this);
    if (m_db.isOpen())
        return &m_db;
    if (m_instanceGuid == kBadGuid) {
        LogDatabaseChanged();
        return nullptr;
    }
    SSchemaResult schema;
    if (!OpenVerifiedFile(schema) || !PrepareOpenDatabase(schema))
        return nullptr;
    return &m_db;
}

// Opens the file, checks it is this run's and upgrades its schema. Any
// failure closes the connection again, so that the next call starts over
// and nobody is handed a file that failed its checks.
bool CNoteManager::OpenVerifiedFile(SSchemaResult& schema)
{
    try {
        const CStdStr file = GetDatabaseFilePath();
        if (file.empty())
            throw CppSQLite3Exception(SQLITE_CANTOPEN, "No database path");
        m_db.open(file.c_str());
        if (m_instanceGuid.empty()) {
            ClaimFile();
        } else if (!IsOwnFile()) {
            CloseReplacedFile();
            return false;
        }
        schema = PrepareSchema(m_db);
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogOpenFailure(e);
        CloseDB();
        return false;
    }
}

bool CNoteManager::IsOwnFile()
{
    return StoredInstanceGuid(m_db) == m_instanceGuid;
}

// The first open of a run stamps the file with this run's GUID; the GUID is
// kept only once it is in the file, so a failed first open is not taken for
// a replaced file later.
void CNoteManager::ClaimFile()
{
    const CStdStr guid = NewInstanceGuid();
    std::string utf8;
    WideToUtf8(guid.c_str(), utf8);
    CTransaction tx(m_db);
    if (!m_db.tableExists(L"guidinstance"))
        m_db.execDML(L"create table guidinstance (`guid` TEXT);");
    // Emptied first: an empty table would otherwise stay empty, and every
    // later open would take the file for a replaced one.
    m_db.execDML(L"delete from `guidinstance`;");
    CppSQLite3Statement insert(&m_db, L"insert into `guidinstance` (`guid`) VALUES (?);");
    insert.bind(1, utf8.c_str());
    insert.execDML();
    insert.finalize();
    tx.Commit();
    m_instanceGuid = guid;
}

// Closed before the message: timers keep running inside the message box and
// must not write notes into another program's file.
void CNoteManager::CloseReplacedFile()
{
    LogDatabaseChanged();
    m_instanceGuid = kBadGuid;
    CloseDB();
    const CStdStr text = LoadResString(IDS_DATABASE_CHANGED);
    const CStdStr caption = LoadResString(IDS_APP_NAME);
    g_messageBoxSeam.messageBox(g_hwndApp, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
    if (g_hwndApp)
        PostMessageW(g_hwndApp, WM_CLOSE, 0, 0);
}

// Everything after the upgrade. A table that cannot be opened leaves the
// connection open (operations on it then fail); upkeep that fails is logged
// and the open goes on.
bool CNoteManager::PrepareOpenDatabase(const SSchemaResult& schema)
{
    VacuumWhenSparse();
    bool createdFullText = false;
    try {
        if (!OpenTables(m_db, createdFullText))
            return false;
    } catch (const CppSQLite3Exception& e) {
        LogOpenFailure(e);
        return false;
    }
    RunHousekeeping(L"CNoteManager::SetPragmas", [this] {
        m_db.execDML(L"PRAGMA synchronous = NORMAL;");
        m_db.execDML(L"PRAGMA mmap_size=67108864;");
    });
    CreateIndexesWhenMissing();
    RepairFirstOpen();
    RepairAlarms();
    if (schema.rewriteText || createdFullText)
        CNote::UpdateTextField(*this);
    return true;
}

void CNoteManager::VacuumWhenSparse()
{
    RunHousekeeping(L"CNoteManager::Vacuum", [this] {
        const double pages = static_cast<double>(m_db.execScalar(L"PRAGMA page_count;"));
        const double freePages = static_cast<double>(m_db.execScalar(L"PRAGMA freelist_count;"));
        if ((freePages + 1.0) / (pages + 1.0) > kVacuumFreeShare)
            m_db.execDML(L"VACUUM;");
    });
}

// Creates what is missing of the tables and compiles their statements. A
// table that fails leaves the connection open: operations on it then fail.
bool CNoteManager::OpenTables(CppSQLite3DB& db, bool& createdFullText)
{
    CNote note;
    if (!note.OpenTable(db)) {
        QLOG(L"Failed to create table notes");
        return false;
    }
    if (!note.Attachment().OpenTable(db)) {
        QLOG(L"Failed to create table attachment");
        return false;
    }
    CGroup group;
    if (!group.OpenTable(db)) {
        QLOG(L"Failed to create table groups");
        return false;
    }
    if (!db.tableExists(L"search")) {
        QLOG(L"Creating search table");
        CTransaction tx(db);
        db.execDML(FullTextScript().c_str());
        tx.Commit();
        createdFullText = true;
    }
    if (!note.Search().OpenTable(db)) {
        QLOG(L"Failed to create table search");
        return false;
    }
    return true;
}

void CNoteManager::CreateIndexesWhenMissing()
{
    RunHousekeeping(L"CNoteManager::CreateIndexes", [this] {
        if (m_db.notesIndexExists())
            return;
        QLOG(L"Creating notes indexes");
        CTransaction tx(m_db);
        m_db.execDML(IndexScript());
        tx.Commit();
    });
}

// Rows that older files carry into this version and the queries would miss.
void CNoteManager::RepairFirstOpen()
{
    if (!m_firstOpenRepairPending)
        return;
    m_firstOpenRepairPending = false;
    // The 4 to 5 rebuild keeps empty groups as '', which "no group" (0) misses.
    RunHousekeeping(L"CNoteManager::RepairGroups",
                    [this] { m_db.execDML(L"UPDATE `notes` SET `group`=0 WHERE `group`='';"); });
    RunHousekeeping(L"CNoteManager::RepairFullText", [this] {
        if (FullTextRowsFollowTheirNotes(m_db))
            return;
        QLOG(L"Rebuilding search tables");
        CTransaction tx(m_db);
        m_db.execDML(FullTextScript().c_str());
        tx.Commit();
    });
}

void CNoteManager::RepairAlarms()
{
    if (!m_alarmRepairPending)
        return;
    CStdStr condition;
    condition.Format(kAlarmRepairCondition, static_cast<int>(kAlarmActive));
    std::vector<std::int64_t> ids;
    CNote query;
    query.GetSelectiveIDs(ids, condition.c_str());
    for (const std::int64_t id : ids) {
        CNote* note = GetNote(id);
        if (!note)
            continue;
        QLOG(L"Reparing alarm for %s", note->GetDisplayName().c_str());
        note->Alarm().RecalcDue(false);
        // A failed write keeps the flag, so that the next save retries it.
        if (note->PutData(id))
            note->SetModified(false);
    }
    m_alarmRepairPending = false;
}

void CNoteManager::CloseDB()
{
    ReleaseStatementCache();
    if (m_db.isOpen())
        m_db.close();
}

bool CNoteManager::BackupDatabase(const wchar_t* folder)
{
    return BackupDatabaseFile(GetDatabaseFilePath().c_str(), folder);
}

CNote* CNoteManager::GetNote(std::int64_t /*id*/)
{
    // Notes by id come with the note cache.
    return nullptr;
}

void CNoteManager::ResetNextAlarm()
{
    m_nextAlarm = COleDateTime(-1.0);
}

bool CNoteManager::NotifyDisplay(CNote* /*note*/, eNoteDisplay /*event*/)
{
    return true;
}

// Notes are stored one by one with the note manager's store, and shown and
// dimmed with the note windows; neither is part of this build yet, so no
// cached note is ever modified, shown or dimmed.
bool CNoteManager::SaveModifiedNotes()
{
    return GetDB() != nullptr;
}

void CNoteManager::CloseAll()
{
    StopListener();
    CloseDB();
}

void CNoteManager::ShowAllNotes()
{
}

bool CNoteManager::IsFadedOut() const
{
    return false;
}

void TempFadeOut(bool, CNote*)
{
}

bool CNoteManager::StartListener()
{
    return false;
}

void CNoteManager::StopListener()
{
}

bool CNoteManager::IsListenerRunning() const
{
    return false;
}

namespace {

int MoveGroup(CNoteManager& manager, const wchar_t* operation, std::int64_t newGroup, std::int64_t oldGroup)
{
    CDBUseGuard inUse(manager);
    CppSQLite3DB* db = manager.GetDB();
    if (!db)
        return 0;
    try {
        CTransaction transaction(*db);
        const int rows = manager.MoveGroupRows(newGroup, oldGroup);
        transaction.Commit();
        return rows + manager.MoveCachedNotesToGroup(newGroup, oldGroup);
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(operation, e);
        return 0;
    }
}

} // namespace

int CNoteManager::AssignGroupToNotes(std::int64_t newGroup, std::int64_t oldGroup)
{
    return MoveGroup(*this, L"CNoteManager::AssignGroupToNotes", newGroup, oldGroup);
}

int CNoteManager::RemoveGroupFromNote(std::int64_t group)
{
    return MoveGroup(*this, L"CNoteManager::RemoveGroupFromNote", kNoGroup, group);
}

int CNoteManager::MoveGroupRows(std::int64_t newGroup, std::int64_t oldGroup)
{
    if (!m_db.isOpen())
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Database not open");
    CppSQLite3Statement move(&m_db, kMoveGroupSql);
    move.bind(1, static_cast<sqlite3_int64>(newGroup));
    move.bind(2, static_cast<sqlite3_int64>(oldGroup));
    return move.execDML();
}

int CNoteManager::MoveCachedNotesToGroup(std::int64_t /*newGroup*/, std::int64_t /*oldGroup*/)
{
    return 0;
}
