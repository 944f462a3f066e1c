// The attachment of a note to another program's window, found by the window's
// title: one row of `attachnotes`, held by every note. Beside it, two
// process-wide caches (title to note ids, note id to title), rebuilt from the
// table on the first lookup after a change; a rebuild also decides whether the
// window-event listener has to run.
#pragma once

#include "SQLiteHelp.h"
#include "foundation/StdStr.h"

#include <windows.h>

#include <cstdint>
#include <vector>

class CNote;

struct AttachmentRow {
    std::int64_t id = -1;
    std::int64_t noteId = -1;
    CStdStr windowTitle;        // empty = not attached
    CStdStr application;
    std::int32_t moveWith = 0;  // corner mode 1..4
};

class CNoteAttachment : public CSQLiteBase {
public:
    CNoteAttachment();

    // Reads the note's attachment row; without one the record is unattached.
    // False without a database or on a failed read.
    bool Read(const CNote& note);
    // Attaches the note to a title, or detaches it (empty title), and tells the
    // display listeners. False when nothing could be written.
    bool SetAttachment(CNote& note, const CStdStr& title, int moveWith);

    // Rebuilds both caches when they are stale.
    static void LoadCache();
    static void MarkStale();
    // Empty when the note is not attached.
    static CStdStr GetTitleForNote(std::int64_t noteId);
    // In table order.
    static std::vector<std::int64_t> GetNotesForTitle(const CStdStr& title);

    std::int64_t GetId() const { return m_row.id; }
    void SetId(std::int64_t id) { m_row.id = id; }
    std::int64_t GetNoteId() const { return m_row.noteId; }
    void SetNoteId(std::int64_t noteId) { m_row.noteId = noteId; }
    CStdStr GetWindowTitle() const { return m_row.windowTitle; }
    CStdStr GetApplication() const { return m_row.application; }
    void SetApplication(const CStdStr& application) { m_row.application = application; }
    int GetMoveWith() const { return m_row.moveWith; }
    void SetMoveWith(int moveWith) { m_row.moveWith = moveWith; }
    // The window the title currently matches; null when none.
    HWND GetMatchedWindow() const { return m_matchedWindow; }
    void SetMatchedWindow(HWND window) { m_matchedWindow = window; }

private:
    bool FindRow(std::int64_t noteId, std::int64_t& rowId);

    AttachmentRow m_row;
    HWND m_matchedWindow = nullptr;
};
