#include "notemgr.h"

#include "DBBackup.h"
#include "Note.h"
#include "NoteSchema.h"
#include "OpenChecks.h"
#include "RtfObjects.h"
#include "SQLiteHelp.h"
#include "Transaction.h"
#include "groups.h"
#include "foundation/AppWindow.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/WinPlacement.h"
#include "foundation/xmlread.h"
#include "notewindows/RtfSafety.h"
#include "notewindows/itsycmd.h"
#include "resources/resource.h"

#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <unordered_set>
#include <vector>

namespace {

const wchar_t kDatabaseName[] = L"QUILLT40";
const wchar_t kDatabaseExtension[] = L"DAT";
constexpr int kBusyTimeoutMs = 60000;

// The own GUID once the file was found replaced: no later open is tried.
const wchar_t kBadGuid[] = L"Bad GUID";

// A file whose free pages reach this share of all pages is vacuumed on open.
constexpr double kVacuumFreeShare = 0.3;

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

bool IsSparse(CppSQLite3DB& db)
{
    const double pages = static_cast<double>(db.execScalar(L"PRAGMA page_count;"));
    const double freePages = static_cast<double>(db.execScalar(L"PRAGMA freelist_count;"));
    return (freePages + 1.0) / (pages + 1.0) > kVacuumFreeShare;
}

CStdStr NewInstanceGuid()
{
    GUID guid = {};
    if (FAILED(CoCreateGuid(&guid)))
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "No instance GUID");
    return GuidToText(guid);
}

// The `guid` of the last row; empty without the table or a row.
CStdStr StoredInstanceGuid(CppSQLite3DB& db)
{
    if (!db.tableExists(L"guidinstance"))
        return CStdStr();
    CppSQLite3Query rows = db.execQuery(L"select `guid` from `guidinstance`");
    CStdStr stored;
    for (; !rows.eof(); rows.nextRow())
        stored = QueryText(rows, 0);
    return stored;
}

} // namespace

SNoteManagerSeam g_noteManagerSeam = {&g_noteManager};

CNoteManager::CNoteManager() : m_nextAlarm(-1.0)
{
    m_db.setBusyTimeout(kBusyTimeoutMs);
}

CNoteManager::~CNoteManager()
{
    // The notes go first: their destructors call back into the maps.
    CloseAll();
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
    if (!OpenVerifiedFile() || !PrepareOpenDatabase())
        return nullptr;
    return &m_db;
}

// Opens the file, checks it is this run's and upgrades its schema. Any
// failure closes the connection again, so that the next call starts over
// and nobody is handed a file that failed its checks.
bool CNoteManager::OpenVerifiedFile()
{
    try {
        const CStdStr file = GetDatabaseFilePath();
        if (file.empty())
            throw CppSQLite3Exception(SQLITE_CANTOPEN, "No database path");
        OpenConnection(file);
        const bool firstOpen = m_instanceGuid.empty();
        if (!firstOpen && !IsOwnFile()) {
            CloseReplacedFile();
            return false;
        }
        // Checked once a run: the check reads the whole file, and a reopen
        // after an idle close finds the file this run checked and stamped.
        if (firstOpen)
            SetAsideWhenDamaged(file);
        // Before the open's own writes, so they need no more syncs than
        // later ones; it reads the schema, so it comes after the check.
        m_db.execDML(L"PRAGMA synchronous = NORMAL;");
        if (firstOpen)
            ClaimFile();
        PrepareSchema(m_db);
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogOpenFailure(e);
        CloseDB();
        return false;
    }
}

void CNoteManager::OpenConnection(const CStdStr& file)
{
    m_db.open(file.c_str());
    // Neither reads the file. Statement journals stay in memory: for the
    // sizes a note store makes they never need a temporary file. The map
    // serves the whole-file check, which reads every page (far fewer calls
    // under Wine).
    m_db.execDML(L"PRAGMA temp_store=MEMORY;");
    m_db.execDML(L"PRAGMA mmap_size=67108864;");
}

// Checked before the open's first write: the open's own writes into a
// damaged file can spoil notes that still read. Such a file is copied aside
// as it is, then the open goes on.
void CNoteManager::SetAsideWhenDamaged(const CStdStr& file)
{
    const CStdStr problem = FirstIntegrityProblem(m_db);
    if (problem.empty())
        return;
    QLOG(L"Database %s failed its check: %s", file.c_str(), problem.c_str());
    if (m_damagedFileCopied)
        return;
    // Copied while nobody has it open, so that the copy is the file as it is.
    CloseDB();
    m_damagedFileCopied = !CopyDamagedFileAside(file.c_str()).empty();
    OpenConnection(file);
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
bool CNoteManager::PrepareOpenDatabase()
{
    COpenReading reading(m_db);
    // The upkeep's writes happen inside the table layer; they are known
    // beforehand, and when one is due the reads go one by one.
    if (!UpkeepWritesNothing())
        reading.EndBeforeWriting();
    VacuumWhenSparse();
    try {
        if (!OpenTables(m_db))
            return false;
    } catch (const CppSQLite3Exception& e) {
        LogOpenFailure(e);
        return false;
    }
    CreateIndexesWhenMissing();
    RepairFirstOpen(reading);
    UpdateCalculatedAlarmTime(reading);
    RunHousekeeping(L"CNoteManager::RewriteText", [this, &reading] {
        if (!IsTextRewriteOwed(m_db))
            return;
        reading.EndBeforeWriting();
        RunOwedTextRewrite(m_db, [this] { return CNote::UpdateTextField(*this); });
    });
    return true;
}

// Whether the vacuum, the tables and the indexes have nothing to make; false
// when that cannot be read (the steps then read and log on their own).
bool CNoteManager::UpkeepWritesNothing()
{
    try {
        for (const wchar_t* table : {L"notes", L"attachnotes", L"groups", L"search", L"search2"})
            if (!m_db.tableExists(table))
                return false;
        return !IsSparse(m_db) && m_db.notesIndexExists();
    } catch (const CppSQLite3Exception&) {
        return false;
    }
}

void CNoteManager::VacuumWhenSparse()
{
    RunHousekeeping(L"CNoteManager::Vacuum", [this] {
        if (IsSparse(m_db))
            m_db.execDML(L"VACUUM;");
    });
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
        RebuildFullText(db, true);
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
void CNoteManager::RepairFirstOpen(COpenReading& reading)
{
    if (!m_firstOpenRepairPending)
        return;
    m_firstOpenRepairPending = false;
    // The 4 to 5 rebuild keeps empty groups as '', which "no group" (0) misses.
    // Looked up in the group index first: an update, even of no row, takes
    // the file's write lock.
    RunHousekeeping(L"CNoteManager::RepairGroups", [this, &reading] {
        if (m_db.execScalar(L"select exists (select 1 from `notes` where `group`='');") == 0)
            return;
        reading.EndBeforeWriting();
        m_db.execDML(L"UPDATE `notes` SET `group`=0 WHERE `group`='';");
    });
    RunHousekeeping(L"CNoteManager::RepairFullText", [this, &reading] {
        if (FullTextRowsFollowTheirNotes(m_db))
            return;
        reading.EndBeforeWriting();
        QLOG(L"Rebuilding search tables");
        RebuildFullText(m_db, false);
    });
}

// Once a run. Only the due time is written: a row read whole and written back
// would store text read in the ANSI code page as such for good.
void CNoteManager::UpdateCalculatedAlarmTime(COpenReading& reading)
{
    if (!m_alarmRepairPending)
        return;
    m_alarmRepairPending = false;
    try {
        for (const std::int64_t id : RepairMissingDueTimes(m_db, reading))
            if (CNote* cached = FindCachedNote(id))
                cached->Alarm().RecalcDue(false);
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"UpdateCalculatedAlarmTime", e);
    }
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

void CNoteManager::ResetNextAlarm()
{
    m_nextAlarm = COleDateTime(-1.0);
}

namespace {

// Process-wide, as the guarded functions run on the UI thread one at a time.
volatile LONG g_singleFunctionRunning = 0;

} // namespace

CSingleFunctionEntry::CSingleFunctionEntry(const wchar_t* function)
    : m_owner(InterlockedExchange(&g_singleFunctionRunning, 1) == 0)
{
    if (!m_owner)
        QLOG(L"CSingleFunctionEntry - Function %s already running\n", function);
}

CSingleFunctionEntry::~CSingleFunctionEntry()
{
    if (m_owner)
        InterlockedExchange(&g_singleFunctionRunning, 0);
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

bool CNoteManager::ApplyGroupToNotes(std::int64_t group)
{
    const CGroup* const found = CGroups::FindById(group);
    if (!found)
        return true;
    const COLORREF color = found->GetColor();
    CDBUseGuard inUse(*this);
    std::vector<CNote*> recoloured;
    for (CNote* note : GetNotes(GetGroupNoteIDs(group))) {
        // SetGroup stores only a changed group, and members keep theirs: a
        // hidden member's new colour would live in memory only.
        if (!note->SetGroup(group, color) && note->IsModified())
            recoloured.push_back(note);
    }
    StoreNotes(recoloured);
    return true;
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

int CNoteManager::MoveCachedNotesToGroup(std::int64_t newGroup, std::int64_t oldGroup)
{
    int changed = 0;
    CLockedStlGuard inUse(m_notes);
    for (const auto& entry : m_notes) {
        CNote& note = *entry.second;
        if (note.GetGroup() != oldGroup)
            continue;
        note.SetGroupId(newGroup);
        ++changed;
    }
    return changed;
}

// ---------------------------------------------------------------- display listeners

void CNoteManager::AddDisplayListener(const CDisplayListener& listener)
{
    CLockedStlGuard inUse(m_displayListeners);
    m_displayListeners.insert(listener);
}

void CNoteManager::RemoveDisplayListener(const CDisplayListener& listener)
{
    CLockedStlGuard inUse(m_displayListeners);
    m_displayListeners.erase(listener);
}

bool CNoteManager::NotifyDisplay(CNote* note, eNoteDisplay event)
{
    // A copy, so that a listener that breaks the rule cannot break the walk.
    std::vector<CDisplayListener> listeners;
    {
        CLockedStlGuard inUse(m_displayListeners);
        listeners.assign(m_displayListeners.begin(), m_displayListeners.end());
    }
    for (const CDisplayListener& listener : listeners)
        if (listener.Function() && !listener(note, event))
            return false;
    return true;
}

// ---------------------------------------------------------------- notes by id and by window

namespace {

const wchar_t kNoteWindowClass[] = L"NoteWClass";
constexpr size_t kPruneThreshold = 100;
constexpr size_t kWindowMapBuckets = 8;

// A read of the mapping layer reports a missing row and a failure alike by
// false; a failure leaves its error on the connection.
void ThrowFailedRead(CppSQLite3DB& db)
{
    const int code = sqlite3_errcode(db.handle());
    if (code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE)
        throw CppSQLite3Exception(code, sqlite3_errmsg(db.handle()));
}

// A note window of this process: only there does window data 0 hold a note.
bool IsOwnNoteWindow(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return false;
    wchar_t className[64] = {};
    return GetClassNameW(window, className, static_cast<int>(std::size(className))) > 0 &&
           wcscmp(className, kNoteWindowClass) == 0;
}

// Sets a note's no-store flag and clears it on every way out.
class CNoStoreScope {
public:
    explicit CNoStoreScope(CNote& note) : m_note(note) { m_note.SetNoStore(true); }
    ~CNoStoreScope() { Clear(); }
    CNoStoreScope(const CNoStoreScope&) = delete;
    CNoStoreScope& operator=(const CNoStoreScope&) = delete;

    void Clear() { m_note.SetNoStore(false); }

private:
    CNote& m_note;
};

template <class Map>
void ResetBuckets(Map& map)
{
    map.max_load_factor(1.0f);
    map.rehash(kWindowMapBuckets);
}

} // namespace

CNote* CNoteManager::FindCachedNote(std::int64_t id)
{
    CLockedStlGuard inUse(m_notes);
    const auto found = m_notes.find(id);
    return found == m_notes.end() ? nullptr : found->second.get();
}

int CNoteManager::GetCachedNoteCount()
{
    CLockedStlGuard inUse(m_notes);
    return static_cast<int>(m_notes.size() + m_unstoredNotes.size());
}

bool CNoteManager::IsUnstored(const CNote* note) const
{
    return m_unstoredNotes.count(note) != 0;
}

// Whether the manager still owns the note under that id (-1: among the notes
// without an id). Compares pointers only: the note may be gone.
bool CNoteManager::Owns(const CNote* note, std::int64_t id)
{
    return id == -1 ? IsUnstored(note) : FindCachedNote(id) == note;
}

CNote* CNoteManager::GetNote(std::int64_t id)
{
    if (CNote* cached = FindCachedNote(id))
        return cached;
    if (id == -1)
        return nullptr;
    CDBUseGuard inUse(*this);
    if (!GetDB())
        return nullptr;
    // Opening the database can load notes itself (the alarm repair).
    if (CNote* cached = FindCachedNote(id))
        return cached;
    auto note = std::make_unique<CNote>();
    note->SetId(id);
    if (!ReadNote(note.get()))
        return nullptr;
    // The binary GUID follows the text that was read.
    note->SetGuidText(note->GetGuidText());
    return AddNote(std::move(note));
}

std::vector<CNote*> CNoteManager::GetNotes(const std::vector<std::int64_t>& ids)
{
    std::vector<CNote*> notes;
    CDBUseGuard inUse(*this);
    CppSQLite3DB* db = GetDB();
    if (!db)
        return notes;
    try {
        // One read lock for all: under Wine each statement outside a
        // transaction takes and drops the file lock.
        CTransaction reading(*db);
        for (const std::int64_t id : ids)
            if (CNote* note = GetNote(id))
                notes.push_back(note);
        reading.Commit();
    } catch (const CppSQLite3Exception& e) {
        // The notes read so far are cached and sound.
        LogSqliteError(L"CNoteManager::GetNotes", e);
    }
    return notes;
}

CNote* CNoteManager::GetNoteFromWindow(HWND window)
{
    if (!window || !IsWindow(window))
        return nullptr;
    {
        CLockedStlGuard inUse(m_windowNotes);
        const auto found = m_windowNotes.find(window);
        if (found != m_windowNotes.end())
            return found->second;
    }
    // Other windows keep other things there (a dialog its message result).
    if (!IsOwnNoteWindow(window))
        return nullptr;
    return reinterpret_cast<CNote*>(GetWindowLongPtrW(window, 0));
}

std::vector<std::int64_t> CNoteManager::SelectNoteIDs(const wchar_t* condition)
{
    std::vector<std::int64_t> ids;
    CDBUseGuard inUse(*this);
    if (!GetDB())
        return ids;
    CNote scratch;
    if (condition)
        scratch.GetSelectiveIDs(ids, condition);
    else
        scratch.GetAllIDs(ids);
    return ids;
}

CNote* CNoteManager::GetNoteByGuid(const GUID& guid)
{
    CStdStr condition;
    condition.Format(L"guid = '%s'", GuidToText(guid).c_str());
    const std::vector<std::int64_t> ids = SelectNoteIDs(condition.c_str());
    return ids.empty() ? nullptr : GetNote(ids.front());
}

bool CNoteManager::ReadNote(CNote* note)
{
    if (!note)
        return false;
    CDBUseGuard inUse(*this);
    CppSQLite3DB* db = GetDB();
    if (!db)
        return false;
    if (note->GetId() == -1)
        return true;
    const CNote::PlacingScope placing(*note);
    try {
        if (!note->GetData(note->GetId())) {
            ThrowFailedRead(*db);
            return false;
        }
        note->ApplyStoredValues();
        note->Attachment().Read(*note);
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CNoteManager::ReadNote", e);
        return false;
    }
}

// The note out of the notes without an id; empty when it is not there.
std::unique_ptr<CNote> CNoteManager::TakeUnstored(const CNote* note)
{
    const auto held = m_unstoredNotes.find(note);
    if (held == m_unstoredNotes.end())
        return nullptr;
    std::unique_ptr<CNote> owned = std::move(held->second);
    m_unstoredNotes.erase(held);
    return owned;
}

// Moves the note into the id map unless another object holds its id; the
// note is left with the caller when it is refused.
bool CNoteManager::InsertIntoIdMap(std::unique_ptr<CNote>& note)
{
    CLockedStlGuard inUse(m_notes);
    const auto [slot, added] = m_notes.try_emplace(note->GetId(), nullptr);
    if (added) {
        slot->second = std::move(note);
        return true;
    }
    return false;
}

CNote* CNoteManager::AddNote(std::unique_ptr<CNote> note)
{
    if (!note)
        return nullptr;
    CNote* const raw = note.get();
    if (IsUnstored(raw) || (raw->GetId() != -1 && FindCachedNote(raw->GetId()) == raw)) {
        note.release();   // ours already
        return raw;
    }
    if (raw->GetId() == -1) {
        m_unstoredNotes.emplace(raw, std::move(note));
        return raw;
    }
    if (InsertIntoIdMap(note))
        return raw;
    QLOG(L"CNoteManager::AddNote refused a second note with id %I64d", raw->GetId());
    RemoveWindow(raw);
    return nullptr;
}

std::unique_ptr<CNote> CNoteManager::RemoveNote(CNote* note)
{
    if (!note)
        return nullptr;
    {
        CLockedStlGuard inUse(m_notes);
        const auto found = m_notes.find(note->GetId());
        if (found != m_notes.end() && found->second.get() == note) {
            std::unique_ptr<CNote> owned = std::move(found->second);
            m_notes.erase(found);
            return owned;
        }
    }
    return TakeUnstored(note);
}

void CNoteManager::AddWindow(CNote* note)
{
    if (!note || !note->GetHwnd())
        return;
    RemoveWindow(note);
    const HWND window = note->GetHwnd();
    CLockedStlGuard windowsInUse(m_windowNotes);
    CLockedStlGuard notesInUse(m_noteWindows);
    const auto previous = m_windowNotes.find(window);
    if (previous != m_windowNotes.end())
        m_noteWindows.erase(previous->second);
    m_windowNotes[window] = note;
    m_noteWindows[note] = window;
}

void CNoteManager::RemoveWindow(CNote* note)
{
    // By note, not by handle: the handle may be gone or reused by now.
    CLockedStlGuard windowsInUse(m_windowNotes);
    CLockedStlGuard notesInUse(m_noteWindows);
    const auto found = m_noteWindows.find(note);
    if (found == m_noteWindows.end())
        return;
    m_windowNotes.erase(found->second);
    m_noteWindows.erase(found);
}

bool CNoteManager::DeleteNote(CNote* note)
{
    if (!note)
        return false;
    CDBUseGuard inUse(*this);
    CppSQLite3DB* db = GetDB();
    if (!db)
        return false;
    try {
        // The trigger takes the attachment and full-text rows with the note's.
        if (note->GetId() != -1)
            RequireWritten(note->DeleteData(note->GetId()), *db);
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CNoteManager::DeleteNote", e);
        return false;
    }
    NotifyDisplay(note, eNoteDeleted);
    RemoveWindow(note);
    RemoveNote(note);   // freed here when it was ours
    return true;
}

void CNoteManager::DiscardNote(std::unique_ptr<CNote> note)
{
    if (note)
        RemoveWindow(note.get());
}

CNote* CNoteManager::CreateNewNote()
{
    auto note = std::make_unique<CNote>();
    // Nothing the window does while it is made may store the note.
    note->SetNoStore(true);
    const bool windowMade = note->CreateNoteWindow(L"", false);
    note->SetNoStore(false);
    if (!windowMade)
        return nullptr;
    AddWindow(note.get());
    // A note whose first store fails stays modified; saving retries it.
    StoreNote(note.get());
    CNote* const added = AddNote(std::move(note));
    if (!added)
        return nullptr;
    // Showing tells the listeners.
    added->ShowAndStore(true, m_showFlag != 0);
    return added;
}

CNote* CNoteManager::LoadAndShowNote(std::int64_t id)
{
    CDBUseGuard inUse(*this);
    if (!GetDB())
        return nullptr;
    CNote* const note = GetNote(id);
    if (!note)
        return nullptr;
    // The note stays cached whatever happens: the flag goes on every way out.
    CNoStoreScope noStore(*note);
    if (!note->CreateNoteWindow(note->GetDisplayName().c_str(), true))
        return note;
    ReadNote(note);
    AddWindow(note);
    if (g_prefs.SmartFit && note->GetHwnd())
        KeepWindowOnScreen(note->GetHwnd());
    if (note->IsLocked())
        note->HideText();
    noStore.Clear();
    if (note->IsVisible())
        note->ShowAndStore(false, m_showFlag != 0);
    note->UrlDetect().Rescan();
    return note;
}

// A received note: its window, read by read, made safe, stored, owned and
// shown. Until it is made safe nothing may store it, so the no-store flag
// holds through the read. Null, with nothing left behind, when any step fails.
CNote* CNoteManager::CreateReceivedNote(const std::function<bool(CNote&)>& read)
{
    CDBUseGuard inUse(*this);
    if (!GetDB())
        return nullptr;
    auto note = std::make_unique<CNote>();
    note->SetNoStore(true);
    const bool windowMade = note->CreateNoteWindow(L"", true);
    if (windowMade)
        AddWindow(note.get());
    const bool made = windowMade && read(*note);
    note->SetNoStore(false);
    if (!made || !StoreNote(note.get())) {
        DiscardNote(std::move(note));
        return nullptr;
    }
    CNote* const added = AddNote(std::move(note));
    if (!added)
        return nullptr;
    const HWND window = added->GetHwnd();
    if (g_prefs.SmartFit && window)
        KeepWindowOnScreen(window);
    if (added->IsVisible() && window) {
        ItsySetCaptionSize(window, ItsyCaptionHeightFromFont(g_prefs.TitleFont));
        InvalidateRect(window, nullptr, TRUE);
        // A note window is owned by the main window.
        SetWindowPos(window, GetWindow(window, GW_OWNER), 0, 0, 0, 0,
                     SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
        added->ShowAndStore(false, m_showFlag != 0);
    }
    added->UrlDetect().Rescan();
    return added;
}

namespace {

// A peer sends one note a connection; its text may carry pictures.
constexpr SXmlLimits kReceivedNoteLimits = {CNoteManager::kReceivedNoteMaxBytes, 1};

}  // namespace

CNote* CNoteManager::CreateNoteFromBuffer(const BYTE* bytes, int length)
{
    return CreateReceivedNote([this, bytes, length](CNote& note) {
        if (!note.ReadFromBuffer(bytes, length)) {
            QLOG(L"Received note refused: it does not read");
            return false;
        }
        if (!SanitizeReceivedNote(note))
            return false;
        // The one time the text goes into the editor: made safe, and read
        // back as the plain text the row keeps.
        note.SetText(note.GetDisplayText());
        if (note.IsLocked())
            note.HideText();
        return true;
    });
}

CNote* CNoteManager::CreateNoteFromXml(const wchar_t* document)
{
    CNote* const note = CreateReceivedNote([this, document](CNote& received) {
        // The reader and the filter have logged why.
        if (!received.ReadXml(document, kReceivedNoteLimits) || !SanitizeReceivedNote(received))
            return false;
        received.ApplyStoredValues();
        if (received.IsLocked())
            received.HideText();
        return true;
    });
    if (note)
        NotifyDisplay(note, eNoteShown);
    return note;
}

bool CNoteManager::SanitizeReceivedNote(CNote& note)
{
    NoteRow& row = note.Row();
    // Either text loads as rich text: the display text, or the plain text when that is empty.
    for (const CStdStr* received : {&row.text, &row.displayText}) {
        const ERtfCheck check = CheckRtf(*received);
        if (check != ERtfCheck::safe) {
            QLOG(L"Received note refused: its rich text %s", DescribeRtfCheck(check).c_str());
            return false;
        }
    }
    row.text = RemoveRtfObjects(row.text);
    row.displayText = RemoveRtfObjects(row.displayText);
    // Nothing a sender chose may run, or reach out to a server, when the alarm fires.
    row.alarm.executeCmd.clear();
    row.alarm.soundFile.clear();
    row.alarm.flags &= ~static_cast<std::uint32_t>(kAlarmRunCommand | kAlarmOwnSound);
    // The sender's groups are not ours.
    row.group = kNoGroup;
    row.colorGroup = 0;

    const GUID guid = TextToGuid(row.guid.c_str());
    bool keep = guid != GUID{};
    if (keep) {
        CStdStr condition;
        condition.Format(L"guid = '%s' COLLATE NOCASE", GuidToText(guid).c_str());
        CDBUseGuard inUse(*this);
        CNote scratch;
        std::vector<std::int64_t> local;
        // A GUID that cannot be checked is not kept either.
        keep = GetDB() && scratch.GetSelectiveIDs(local, condition.c_str()) && local.empty();
    }
    GUID fresh = guid;
    if (!keep && FAILED(CoCreateGuid(&fresh)))
        fresh = GUID{};
    note.SetGuidText(GuidToText(fresh));
    return true;
}

void CNoteManager::PruneCache()
{
    std::vector<std::unique_ptr<CNote>> pruned;
    {
        CLockedStlGuard inUse(m_notes);
        if (m_notes.size() < kPruneThreshold)
            return;
        for (auto entry = m_notes.begin(); entry != m_notes.end();) {
            CNote* const note = entry->second.get();
            if (note->IsVisible() || note->IsModified()) {
                ++entry;
                continue;
            }
            pruned.push_back(std::move(entry->second));
            entry = m_notes.erase(entry);
        }
    }
    for (const std::unique_ptr<CNote>& note : pruned)
        RemoveWindow(note.get());
}

void CNoteManager::CloseAll()
{
    m_notifyWindow.Stop();
    StopListener();
    // Out of the maps first: a note's destructor calls back into them.
    hash_map<std::int64_t, std::unique_ptr<CNote>> notes;
    hash_map<const CNote*, std::unique_ptr<CNote>> unstored;
    {
        CLockedStlGuard notesInUse(m_notes);
        CLockedStlGuard windowsInUse(m_windowNotes);
        CLockedStlGuard noteWindowsInUse(m_noteWindows);
        notes.swap(m_notes);
        unstored.swap(m_unstoredNotes);
        m_windowNotes.clear();
        m_noteWindows.clear();
        ResetBuckets(m_notes);
        ResetBuckets(m_windowNotes);
        ResetBuckets(m_noteWindows);
    }
    notes.clear();
    unstored.clear();
    CNote::DestroyMeasuringControl();
    CloseDB();
}

// ---------------------------------------------------------------- note lists

int CNoteManager::GetNoteCount()
{
    return static_cast<int>(GetAllNoteIDs().size());
}

std::int64_t CNoteManager::GetHighestID()
{
    CDBUseGuard inUse(*this);
    CppSQLite3DB* db = GetDB();
    if (!db)
        return 0;
    try {
        return db->execScalar(L"select max(`id`) from `notes`");
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CNoteManager::GetHighestID", e);
        return 0;
    }
}

std::vector<std::int64_t> CNoteManager::GetAllNoteIDs()
{
    return SelectNoteIDs(nullptr);
}

std::vector<std::int64_t> CNoteManager::GetVisibleNoteIDs()
{
    return SelectNoteIDs(L"(visible = 1) ORDER BY id");
}
