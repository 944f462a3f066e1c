#include "notemgr.h"

#include "Note.h"
#include "SQLiteHelp.h"
#include "Transaction.h"
#include "groups.h"
#include "foundation/LogFile.h"

#include <cstdlib>

namespace {

const wchar_t kDatabaseName[] = L"QUILLT40";
const wchar_t kDatabaseExtension[] = L"DAT";
constexpr int kSchemaVersion = 12;
constexpr int kBusyTimeoutMs = 60000;

const wchar_t kCreateSchemaSql[] = L"create table schema (`version` INTEGER);";
const wchar_t kInsertSchemaSql[] = L"insert into `schema` (`version`) VALUES ('%d');";

const wchar_t kFullTextScript[] =
    L"DROP TRIGGER IF EXISTS del_notes;\n"
    L"DROP TRIGGER IF EXISTS ins_notes;\n"
    L"DROP TRIGGER IF EXISTS upd_notes;\n"
    L"DROP TABLE IF EXISTS `search`;\n"
    L"DROP TABLE IF EXISTS `search2`;\n"
    L"CREATE VIRTUAL TABLE search USING fts4 ( id, name, text, tokenize=porter );\n"
    L"INSERT INTO search ( id, name, text  )  SELECT id, displayname, text FROM notes;\n"
    L"CREATE VIRTUAL TABLE search2 USING fts4 ( id, name, text, tokenize=unicode61 );\n"
    L"INSERT INTO search2 ( id, name, text  )  SELECT id, displayname, text FROM notes;\n"
    L"CREATE TRIGGER del_notes AFTER DELETE ON notes\n"
    L"BEGIN\n"
    L"DELETE FROM `attachnotes` WHERE noteid = old.id;\n"
    L"DELETE FROM `search` WHERE id = old.id;\n"
    L"DELETE FROM `search2` WHERE id = old.id;\n"
    L"END;\n";

const wchar_t kMoveGroupSql[] = L"UPDATE `notes` SET `group`=? WHERE `group`=?";

CNoteManager g_noteManager;

} // namespace

SNoteManagerSeam g_noteManagerSeam = {&g_noteManager};

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

CppSQLite3DB* CNoteManager::GetDB()
{
    if (m_databasePath.empty())
        return nullptr;
    CDBUseGuard inUse(*this);
    if (m_db.isOpen())
        return &m_db;
    try {
        if (!OpenDatabaseFile(m_db) || !OpenTables(m_db))
            return nullptr;
        return &m_db;
    } catch (const CppSQLite3Exception& e) {
        QLOG(L"Failed to open database (%d)", e.errorCode());
        return nullptr;
    }
}

// Opens QUILLT40.DAT in the folder of the database path; a new file gets the
// current schema version.
bool CNoteManager::OpenDatabaseFile(CppSQLite3DB& db)
{
    wchar_t drive[_MAX_DRIVE] = {};
    wchar_t folder[_MAX_DIR] = {};
    wchar_t file[MAX_PATH] = {};
    errno_t error = _wsplitpath_s(m_databasePath.c_str(), drive, _MAX_DRIVE, folder, _MAX_DIR, nullptr, 0, nullptr, 0);
    if (error == 0)
        error = _wmakepath_s(file, MAX_PATH, drive, folder, kDatabaseName, kDatabaseExtension);
    if (error != 0) {
        QLOG(L"Failed to open database (%d)", static_cast<int>(error));
        return false;
    }
    const bool existed = GetFileAttributesW(file) != INVALID_FILE_ATTRIBUTES;
    db.open(file);
    if (!existed && !db.tableExists(L"schema")) {
        CStdStr stamp;
        stamp.Format(kInsertSchemaSql, kSchemaVersion);
        CTransaction transaction(db);
        db.execDML(kCreateSchemaSql);
        db.execDML(stamp.c_str());
        transaction.Commit();
    }
    return true;
}

// Creates what is missing of the tables and compiles their statements. A
// table that fails leaves the connection open: operations on it then fail.
bool CNoteManager::OpenTables(CppSQLite3DB& db)
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
        db.execDML(kFullTextScript);
    }
    if (!note.Search().OpenTable(db)) {
        QLOG(L"Failed to create table search");
        return false;
    }
    return true;
}

void CNoteManager::CloseDB()
{
    ReleaseStatementCache();
    if (m_db.isOpen())
        m_db.close();
}

void CNoteManager::ResetNextAlarm()
{
    m_nextAlarm = COleDateTime(-1.0);
}

bool CNoteManager::NotifyDisplay(CNote* /*note*/, eNoteDisplay /*event*/)
{
    return true;
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
