// The note manager's writes of whole notes: one note or a batch in one
// transaction (settled with it), the save of every modified note, and the
// single values a read repairs in their own columns.
#include "notemgr.h"

#include "Note.h"
#include "SQLiteHelp.h"
#include "Transaction.h"
#include "foundation/LogFile.h"

#include <algorithm>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// Resets a flag when the scope ends, however it ends.
class CFlagScope {
public:
    explicit CFlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~CFlagScope() { m_flag = false; }
    CFlagScope(const CFlagScope&) = delete;
    CFlagScope& operator=(const CFlagScope&) = delete;

private:
    bool& m_flag;
};

const wchar_t kRepairGuidSql[] = L"UPDATE `notes` SET `guid`=? WHERE `id`=?";
const wchar_t kWriteLockedSql[] = L"UPDATE `notes` SET `locked`=? WHERE `id`=?";

} // namespace

// One value of a stored row, and nothing else of it: a row read whole and
// written back would keep for good what the read could not take exactly
// (text read in the ANSI code page).
bool CNoteManager::WriteNoteValue(const wchar_t* operation, const wchar_t* sql, std::int64_t id,
                                  const std::function<void(CppSQLite3Statement&)>& bindValue)
{
    CDBUseGuard inUse(*this);
    CppSQLite3DB* db = GetDB();
    if (!db || id == -1)
        return false;
    try {
        CppSQLite3Statement update(db, sql);
        bindValue(update);
        update.bind(2, static_cast<sqlite3_int64>(id));
        update.execDML();
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(operation, e);
        return false;
    }
}

bool CNoteManager::RepairNoteGuid(std::int64_t id, const CStdStr& guid)
{
    std::string utf8;
    WideToUtf8(guid.c_str(), utf8);
    return WriteNoteValue(L"CNoteManager::RepairNoteGuid", kRepairGuidSql, id,
                          [&utf8](CppSQLite3Statement& update) { update.bind(1, utf8.c_str()); });
}

bool CNoteManager::WriteNoteLocked(std::int64_t id, bool locked)
{
    return WriteNoteValue(L"CNoteManager::WriteNoteLocked", kWriteLockedSql, id,
                          [locked](CppSQLite3Statement& update) { update.bind(1, locked ? 1 : 0); });
}

// The note row, then its full-text row with the same id (made again when it
// is missing); the display name made on the way may change the row again.
void CNoteManager::WriteNoteRows(CNote& note, std::int64_t storedId)
{
    // Made first unless it waits for a new note's id (an untitled empty
    // note): the row is then written once.
    // The plain text is fetched once: each fetch is a copy of the whole text.
    CStdStr plain = note.GetPlainText();
    if (storedId != -1 || !note.GetName().empty() || !plain.empty())
        note.GetDisplayName();
    note.WriteRow(storedId);
    note.SetModified(false);
    CNoteSearch& search = note.Search();
    search.SetId(note.GetId());
    search.SetName(note.GetDisplayName());
    search.SetText(std::move(plain));
    search.WriteOrInsertRow(storedId);
    if (note.IsModified()) {
        note.WriteRow(note.GetId());
        note.SetModified(false);
    }
}

// A new note's id must be free in the id map before the commit: once the row
// is in the file, a refused adoption could only lose the note.
void CNoteManager::RequireFreeId(const CNote& note)
{
    const CNote* holder = FindCachedNote(note.GetId());
    if (holder && holder != &note)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Another note object holds the new id");
}

// Writes one note under the caller's transaction, which settles it: a new
// note is adopted once the outermost transaction commits, and any rollback
// puts the note back as it was before, modified.
void CNoteManager::WriteSettled(CNote& note, CTransaction& transaction)
{
    const std::int64_t storedId = note.GetId();
    const bool owned = Owns(&note, storedId);
    CNote* const settled = &note;
    transaction.WhenSettled([this, settled, storedId, owned](bool committed) {
        SettleStore(settled, storedId, owned, committed);
    });
    // A row written without the editor's text would clear the modified flag
    // of an edit that is in no row.
    if (note.IsVisible() && !note.UpdateFromWindow())
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "The note's editor could not be read");
    WriteNoteRows(note, storedId);
    if (storedId == -1)
        RequireFreeId(note);
}

void CNoteManager::SettleStore(CNote* note, std::int64_t storedId, bool owned, bool committed)
{
    // Freed while its transaction was open: nothing is left to settle.
    if (owned && !Owns(note, storedId))
        return;
    if (!committed) {
        note->SetId(storedId);
        note->Search().SetId(storedId);
        note->SetModified(true);
        return;
    }
    ResetNextAlarmWhenDueEarlier(*note);
    if (storedId == -1)
        AdoptStoredNote(note);
}

bool CNoteManager::StoreAlone(CNote& note, CppSQLite3DB& db, const wchar_t* operation)
{
    try {
        CTransaction transaction(db);
        WriteSettled(note, transaction);
        transaction.Commit();
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(operation, e);
        note.SetModified(true);
        return false;
    }
}

bool CNoteManager::StoreNote(CNote* note)
{
    if (!note)
        return false;
    if (note->IsNoStore()) {
        QLOG(L"Not storing locked note");
        return true;
    }
    // A store already runs further up: its own writes set this one off.
    if (m_storing)
        return true;
    CDBUseGuard inUse(*this);
    // Opening the database may store notes of its own (upgrades): not skipped.
    CppSQLite3DB* db = GetDB();
    if (!db)
        return false;
    CFlagScope storing(m_storing);
    return StoreAlone(*note, *db);
}

bool CNoteManager::StoreNotes(const std::vector<CNote*>& notes, const wchar_t* operation)
{
    std::vector<CNote*> stored;
    return StoreBatch(notes, stored, operation);
}

// The batch behind StoreNotes; stored receives the notes that were stored
// (or, marked not to be stored, needed no write).
bool CNoteManager::StoreBatch(const std::vector<CNote*>& notes, std::vector<CNote*>& stored,
                              const wchar_t* operation)
{
    if (m_storing)
        return true;
    CDBUseGuard inUse(*this);
    CppSQLite3DB* db = GetDB();
    if (!db)
        return false;
    CFlagScope storing(m_storing);
    std::vector<CNote*> writes;
    std::unordered_set<const CNote*> seen;
    for (CNote* note : notes) {
        if (!note || !seen.insert(note).second)
            continue;
        if (note->IsNoStore()) {
            QLOG(L"Not storing locked note");
            stored.push_back(note);
            continue;
        }
        writes.push_back(note);
    }
    // In id order, as the rows lie in the file; new notes last.
    std::stable_sort(writes.begin(), writes.end(), [](const CNote* a, const CNote* b) {
        return static_cast<std::uint64_t>(a->GetId()) < static_cast<std::uint64_t>(b->GetId());
    });
    if (WriteTogether(writes, *db)) {
        stored.insert(stored.end(), writes.begin(), writes.end());
        return true;
    }
    bool allStored = true;
    for (CNote* note : writes) {
        if (StoreAlone(*note, *db, operation))
            stored.push_back(note);
        else
            allStored = false;
    }
    return allStored;
}

// One transaction for the whole batch and no savepoint per note: FTS4 flushes
// its pending terms at every savepoint, and a savepoint's journal spills to a
// file, so per-note savepoints make each note cost more the larger the batch.
bool CNoteManager::WriteTogether(const std::vector<CNote*>& notes, CppSQLite3DB& db)
{
    if (notes.empty())
        return true;
    try {
        CTransaction transaction(db);
        for (CNote* note : notes)
            WriteSettled(*note, transaction);
        transaction.Commit();
        return true;
    } catch (const CppSQLite3Exception& e) {
        // A note that fails again alone is logged there.
        QLOG(L"Storing %d notes together failed (%d), storing them one by one", static_cast<int>(notes.size()),
             e.errorCode());
        return false;
    }
}

// A note whose first store committed moves from the notes without an id into
// the id map. Another object holding its id keeps it out (logged), and alive.
void CNoteManager::AdoptStoredNote(CNote* note)
{
    const auto held = m_unstoredNotes.find(note);
    if (held == m_unstoredNotes.end())
        return;
    if (!InsertIntoIdMap(held->second)) {
        QLOG(L"CNoteManager::AddNote refused a second note with id %I64d", note->GetId());
        return;
    }
    m_unstoredNotes.erase(held);
}

// Every modified note held here, shown or not: a note whose store failed
// after its window went (a hide, a group toggle, a title or group change of
// a hidden note) is saved by the next save like any other.
std::vector<CNote*> CNoteManager::GetModifiedNotes()
{
    std::vector<CNote*> modified;
    std::unordered_set<const CNote*> seen;
    const auto take = [&modified, &seen](CNote* note) {
        if (note->IsModified() && seen.insert(note).second)
            modified.push_back(note);
    };
    {
        CLockedStlGuard inUse(m_windowNotes);
        for (const auto& entry : m_windowNotes)
            take(entry.second);
    }
    {
        CLockedStlGuard inUse(m_notes);
        for (const auto& entry : m_notes)
            take(entry.second.get());
    }
    for (const auto& entry : m_unstoredNotes)
        take(entry.second.get());
    return modified;
}

bool CNoteManager::SaveModifiedNotes()
{
    CDBUseGuard inUse(*this);
    if (!GetDB())
        return false;
    std::vector<CNote*> stored;
    const bool allStored = StoreBatch(GetModifiedNotes(), stored);
    std::vector<std::int64_t> changed;
    for (const CNote* note : stored)
        changed.push_back(note->GetId());
    // A listener may free notes: each is looked up again.
    for (const std::int64_t id : changed)
        if (CNote* note = FindCachedNote(id))
            NotifyDisplay(note, eNoteChanged);
    return allStored;
}
