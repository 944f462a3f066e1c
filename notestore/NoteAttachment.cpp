#include "NoteAttachment.h"

#include "Note.h"
#include "notemgr.h"
#include "foundation/DBUseGuard.h"
#include "foundation/LogFile.h"
#include "framework/CriticalSection.h"

#include <cstddef>
#include <cstring>
#include <map>
#include <string>
#include <type_traits>

static_assert(std::is_standard_layout_v<AttachmentRow>, "the columns are addressed with offsetof");

namespace {

const SQLiteColumnDesc kAttachmentColumns[] = {
    {offsetof(AttachmentRow, id), L"id", eColRowId, 0},
    {offsetof(AttachmentRow, noteId), L"noteid", eColInt64, 0},
    {offsetof(AttachmentRow, windowTitle), L"windowtitle", eColText | eColIndexed, 0},
    {offsetof(AttachmentRow, application), L"application", eColText | eColIndexed, 0},
    {offsetof(AttachmentRow, moveWith), L"movewith", eColInt32, 0},
    {},
};

const wchar_t kFindRowSql[] = L"select `id` from `attachnotes` where `noteid`=? order by `id` limit 1;";
const wchar_t kAllRowsSql[] = L"select * from `attachnotes` order by `windowtitle`,`id`;";

using CNotesByTitle = std::map<std::wstring, std::vector<std::int64_t>>;
using CTitleByNote = std::map<std::int64_t, std::wstring>;

struct SAttachmentCache {
    CNotesByTitle notesByTitle;
    CTitleByNote titleByNote;
    bool stale = true;
    CCriticalSection section;
};

SAttachmentCache& Cache()
{
    static SAttachmentCache cache;
    return cache;
}

// Reads every row into fresh maps; false (logged) when the rows cannot be read.
bool ReadAttachmentRows(CppSQLite3DB& db, CNotesByTitle& notesByTitle, CTitleByNote& titleByNote, int& rows)
{
    try {
        CppSQLite3Query query = db.execQuery(kAllRowsSql);
        const int noteField = query.fieldIndex(L"noteid");
        const int titleField = query.fieldIndex(L"windowtitle");
        for (rows = 0; !query.eof(); query.nextRow(), ++rows) {
            const std::int64_t noteId = query.getInt64Field(noteField);
            const char* title = query.getStringField(titleField);
            const std::wstring wideTitle = Utf8OrAnsiToWide(title, std::strlen(title));
            notesByTitle[wideTitle].push_back(noteId);
            titleByNote[noteId] = wideTitle;
        }
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CNoteAttachment::LoadCache", e);
        return false;
    }
}

// Rebuilds the caches when stale; the number of rows, or -1 when nothing was
// rebuilt. Without a database the caches stay as they are, and stale.
int RebuildCache()
{
    SAttachmentCache& cache = Cache();
    CCriticalSectionLock lock(cache.section);
    if (!cache.stale)
        return -1;
    CDBUseGuard inUse(NoteManager());
    CppSQLite3DB* db = NoteManager().GetDB();
    CNotesByTitle notesByTitle;
    CTitleByNote titleByNote;
    int rows = 0;
    if (!db || !ReadAttachmentRows(*db, notesByTitle, titleByNote, rows))
        return -1;
    cache.notesByTitle.swap(notesByTitle);
    cache.titleByNote.swap(titleByNote);
    cache.stale = false;
    return rows;
}

void StartListenerIfStopped()
{
    if (NoteManager().IsListenerRunning())
        return;
    const bool started = NoteManager().StartListener();
    QLOG(L"Creating window thread listener %d", started ? 1 : 0);
}

} // namespace

CNoteAttachment::CNoteAttachment() : CSQLiteBase(m_row, kAttachmentColumns, L"attachnotes", L"attachnote")
{
}

bool CNoteAttachment::Read(const CNote& note)
{
    CDBUseGuard inUse(NoteManager());
    if (!NoteManager().GetDB())
        return false;
    // A record read again must not keep the previous note's attachment.
    m_row = AttachmentRow{};
    m_matchedWindow = nullptr;
    m_row.noteId = note.GetId();
    std::int64_t rowId = -1;
    if (!FindRow(m_row.noteId, rowId))
        return false;
    return rowId == -1 || GetData(rowId);
}

// Compiled once per open: loading many notes reads one attachment row each.
bool CNoteAttachment::FindRow(std::int64_t noteId, std::int64_t& rowId)
{
    try {
        CppSQLite3Statement& find = CachedStatement(kFindRowSql);
        CStatementUse use(find);
        find.bind(1, static_cast<sqlite3_int64>(noteId));
        const CppSQLite3Query row = find.execQuery();
        rowId = row.eof() ? -1 : row.getInt64Field(0);
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CNoteAttachment::Read", e);
        return false;
    }
}

bool CNoteAttachment::SetAttachment(CNote& note, const CStdStr& title, int moveWith)
{
    bool written = false;
    {
        CDBUseGuard inUse(NoteManager());
        if (!NoteManager().GetDB()) {
            // Nothing to write; the caches and listeners still hear of it.
        } else if (note.GetId() == -1) {
            // A row for id -1 would never be found again.
            QLOG(L"Not attaching a note that is not stored to %s", title.c_str());
        } else {
            m_row.noteId = note.GetId();
            m_row.windowTitle = title;
            m_row.moveWith = moveWith;
            if (!title.empty()) {
                written = PutData(m_row.id);
                if (written)
                    StartListenerIfStopped();
            } else {
                written = m_row.id == -1 || DeleteData(m_row.id);
                if (written)
                    m_row.id = -1;
                m_matchedWindow = nullptr;
            }
        }
    }
    MarkStale();
    NoteManager().NotifyDisplay(&note, CNoteManager::eNoteChanged);
    return written;
}

void CNoteAttachment::LoadCache()
{
    const int rows = RebuildCache();
    if (rows > 0) {
        StartListenerIfStopped();
    } else if (rows == 0 && NoteManager().IsListenerRunning()) {
        NoteManager().StopListener();
        QLOG(L"Closing window thread listener");
    }
}

void CNoteAttachment::MarkStale()
{
    SAttachmentCache& cache = Cache();
    CCriticalSectionLock lock(cache.section);
    cache.stale = true;
}

CStdStr CNoteAttachment::GetTitleForNote(std::int64_t noteId)
{
    LoadCache();
    const CTitleByNote& titles = Cache().titleByNote;
    const auto found = titles.find(noteId);
    return found == titles.end() ? CStdStr() : CStdStr(found->second);
}

std::vector<std::int64_t> CNoteAttachment::GetNotesForTitle(const CStdStr& title)
{
    LoadCache();
    const CNotesByTitle& notes = Cache().notesByTitle;
    const auto found = notes.find(title);
    return found == notes.end() ? std::vector<std::int64_t>() : found->second;
}
