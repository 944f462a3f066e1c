// The note manager: the one owner of the notes database and of every loaded
// note. It opens the database lazily (GetDB), closes it when asked (CloseDB),
// keeps the cached next alarm time, moves notes between groups and tells the
// display listeners about shown, hidden, changed and deleted notes.
#pragma once

#include "CppSQLite3.h"
#include "foundation/DBUseGuard.h"
#include "foundation/FastDelegate.h"
#include "foundation/StdStr.h"
#include "framework/OleDateTime.h"

#include <cstdint>

class CNote;

// Group ids with a meaning of their own.
constexpr std::int64_t kNoGroup = 0;       // a note in no group
constexpr std::int64_t kAllGroups = -1;    // lists: every note; alarms: never due

class CNoteManager : public CDBUseCounter {
public:
    enum eNoteDisplay { eNoteShown = 0, eNoteHidden = 1, eNoteChanged = 2, eNoteDeleted = 3 };
    using CDisplayListener = fastdelegate::FastDelegate2<CNote*, eNoteDisplay, bool>;

    CNoteManager();
    ~CNoteManager();
    CNoteManager(const CNoteManager&) = delete;
    CNoteManager& operator=(const CNoteManager&) = delete;

    // Only the drive and folder of the path are used.
    void SetDatabasePath(const wchar_t* path);
    const CStdStr& GetDatabasePath() const { return m_databasePath; }

    // The open database, opened (and its tables made) on first use; null when
    // it cannot be used.
    CppSQLite3DB* GetDB();
    // Frees every compiled statement and closes the connection; harmless when closed.
    void CloseDB();

    // The cached time of the next due alarm; -1.0 (valid) means unknown.
    const COleDateTime& GetCachedNextAlarm() const { return m_nextAlarm; }
    void ResetNextAlarm();

    // Tells every display listener; the answer of the one that stopped the
    // fan-out, else true.
    bool NotifyDisplay(CNote* note, eNoteDisplay event);

    // The window-event listener of attached notes.
    bool StartListener();
    void StopListener();
    bool IsListenerRunning() const;

    // Moves every note of a group to another one (rows and cached notes);
    // returns how many changed, 0 on failure (logged).
    int AssignGroupToNotes(std::int64_t newGroup, std::int64_t oldGroup);
    // The notes of a group go to no group.
    int RemoveGroupFromNote(std::int64_t group);
    // The rows half of a group move, for callers that hold a transaction;
    // throws CppSQLite3Exception. Returns the rows changed.
    int MoveGroupRows(std::int64_t newGroup, std::int64_t oldGroup);
    // The cached-notes half: gives every loaded note of the old group the new
    // one. Returns the notes changed.
    int MoveCachedNotesToGroup(std::int64_t newGroup, std::int64_t oldGroup);

private:
    bool OpenDatabaseFile(CppSQLite3DB& db);
    bool OpenTables(CppSQLite3DB& db);

    CppSQLite3DB m_db;
    CStdStr m_databasePath;
    COleDateTime m_nextAlarm;
};

// The process's note manager. Product code reaches it through NoteManager();
// a test points the seam at a manager of its own for a fresh run.
struct SNoteManagerSeam {
    CNoteManager* manager;
};
extern SNoteManagerSeam g_noteManagerSeam;

inline CNoteManager& NoteManager()
{
    return *g_noteManagerSeam.manager;
}
