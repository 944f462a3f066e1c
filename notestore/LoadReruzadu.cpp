// Start-up loading. The legacy notes file is imported only into a database
// without notes: the setting that asks for the import defaults to on, so a
// lost settings file would otherwise import it again as duplicates.
#include "LoadReruzadu.h"

#include <richedit.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Note.h"
#include "SQLiteHelp.h"
#include "foundation/DataPaths.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/WinPlacement.h"
#include "framework/GlobalMemory.h"
#include "notemgr.h"

namespace {

void ClearMigrateSetting()
{
    g_prefs.MigrateFromOldFile = false;
    g_prefs.Save();
}

// Every way out once the legacy file was opened: the import is tried once.
void FinishMigration(CWinFile& file, CppSQLite3DB& db)
{
    file.Close();
    ClearMigrateSetting();
    CNote::UpdateDisplayNames(db);
}

bool HasStoredNotes(CppSQLite3DB& db)
{
    return db.execScalar(L"select exists (select 1 from `notes`)") != 0;
}

// The whole file into a movable block, then through the legacy reader: its
// result, or 0 when the block or the read fails.
int ImportLegacyFile(CWinFile& file, DWORD size)
{
    CGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!block)
        return 0;
    void* const bytes = GlobalLock(block.Get());
    if (!bytes)
        return 0;
    DWORD read = 0;
    try {
        file.SeekToBegin();
        QLOG(L"LoadReruzadu - wi_ReadFile(%d)", static_cast<int>(size));
        read = file.Read(bytes, size);
    } catch (const CWinFileException&) {
        GlobalUnlock(block.Get());
        throw;
    }
    GlobalUnlock(block.Get());
    if (read != size)
        return 0;
    return loadReruzaduFromMemory(nullptr, block.Get(), size, false) ? 1 : 0;
}

// The import of the legacy file: a result when it ends the loading, nothing
// when the visible notes load next.
std::optional<int> MigrateLegacyFile(CppSQLite3DB& db)
{
    const wchar_t* const path = GetDataPath(EDataPath::LegacyNotes);
    if (!FileExists(path)) {
        ClearMigrateSetting();
        return std::nullopt;
    }
    if (HasStoredNotes(db)) {
        QLOG(L"LoadReruzadu - notes exist, not migrating %s", path);
        ClearMigrateSetting();
        return std::nullopt;
    }
    QLOG(L"LoadReruzadu - Migrating file %s", path);
    CWinFile file;
    if (!file.Open(path, CWinFile::accessRead | CWinFile::shareRead | CWinFile::noInherit))
        return 0;
    int result = 0;
    bool empty = false;
    try {
        const DWORD size = file.SeekToEnd();
        QLOG(L"LoadReruzadu - wi_Seek(%d)", static_cast<int>(size));
        empty = size == 0;
        if (!empty)
            result = ImportLegacyFile(file, size);
    } catch (const CWinFileException& e) {
        QLOG(L"LoadReruzadu - failed - error %08lx, loading file %s", e.Error(), path);
        result = 0;
    }
    FinishMigration(file, db);
    // An empty file holds no notes: nothing to import, and nothing wrong.
    if (empty)
        return std::nullopt;
    return result;
}

// Nothing a note's window does while it is made and filled may store it:
// loading writes no row.
class CLoadingScope {
public:
    explicit CLoadingScope(CNote& note) : m_note(note), m_modified(note.IsModified()) { m_note.SetNoStore(true); }
    ~CLoadingScope()
    {
        m_note.SetNoStore(false);
        m_note.SetModified(m_modified);
    }
    CLoadingScope(const CLoadingScope&) = delete;
    CLoadingScope& operator=(const CLoadingScope&) = delete;

private:
    CNote& m_note;
    const bool m_modified;
};

// The note's window, made and filled from the row already read, not shown
// yet. False when no window can be made: the note then leaves the cache, so
// no windowless note stays loaded, and keeps its row.
bool MakeHiddenWindow(CNoteManager& manager, CNote& note)
{
    {
        const CLoadingScope loading(note);
        if (note.CreateNoteWindow(note.GetDisplayName().c_str(), true)) {
            // Made from the row just read: its editor holds the text already.
            note.ApplyStoredValues(false);
            // Loading is no edit: the formats it set are not the user's to undo.
            SendMessageW(note.GetEditHwnd(), EM_EMPTYUNDOBUFFER, 0, 0);
            if (g_prefs.SmartFit)
                KeepWindowOnScreen(note.GetHwnd());
            if (note.IsLocked())
                note.HideText();
        }
    }
    if (note.GetHwnd()) {
        manager.AddWindow(&note);
        return true;
    }
    const std::unique_ptr<CNote> dropped = manager.RemoveNote(&note);
    return false;
}

// The visible notes with their windows made, in the order of ids; each that
// cannot be read or given a window is logged and left out.
std::vector<CNote*> MakeVisibleWindows(CNoteManager& manager, const std::vector<std::int64_t>& ids)
{
    std::vector<CNote*> made;
    // One read for all: under Wine each statement outside a transaction
    // takes and drops the file lock.
    const std::vector<CNote*> read = manager.GetNotes(ids);
    size_t next = 0;
    for (const std::int64_t id : ids) {
        CNote* const note = next < read.size() && read[next]->GetId() == id ? read[next++] : nullptr;
        if (note && MakeHiddenWindow(manager, *note)) {
            made.push_back(note);
            QLOG(L"LoadReruzadu - loaded note %s", note->Row().displayName.c_str());
        } else {
            QLOG(L"LoadReruzadu - failed to load note %I64d", id);
        }
    }
    return made;
}

// Every window is made before any shows, and all show together: one note
// after another, each with its own fade, took the fade's length per note.
void LoadVisibleNotes(CNoteManager& manager)
{
    const std::vector<std::int64_t> ids = manager.GetVisibleNoteIDs();
    manager.SetShowFlag(g_prefs.HideAllOnStartup ? 0 : 1);
    QLOG(L"LoadReruzadu - loading %d visible notes", static_cast<int>(ids.size()));
    const std::vector<CNote*> made = MakeVisibleWindows(manager, ids);
    // Nothing to show runs no fade either.
    if (manager.GetShowFlag() != 0 && !made.empty())
        manager.ShowNotesTogether(made);
    // Links are marked once the windows show, as a shown note marks them.
    for (CNote* note : made)
        note->UrlDetect().Rescan();
    manager.SetShowFlag(1);
    manager.RefreshAttachedNotes();
}

}  // namespace

int LoadReruzadu()
{
    CNoteManager& manager = NoteManager();
    CDBUseGuard inUse(manager);
    CppSQLite3DB* const db = manager.GetDB();
    if (!db) {
        QLOG(L"LoadReruzadu - no database");
        return 0;
    }
    if (g_prefs.MigrateFromOldFile) {
        try {
            if (const std::optional<int> result = MigrateLegacyFile(*db))
                return *result;
        } catch (const CppSQLite3Exception& e) {
            LogSqliteError(L"LoadReruzadu", e);
            return 0;
        }
    }
    LoadVisibleNotes(manager);
    return 1;
}
