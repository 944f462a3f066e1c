// The note manager: the one owner of the notes database and of every loaded
// note. It opens the database lazily (GetDB), checks that the file is still
// the one this run opened, brings its schema up to date, closes it when asked
// (CloseDB) and keeps rolling backups of it; it keeps the cached next alarm
// time, moves notes between groups and tells the display listeners about
// shown, hidden, changed and deleted notes.
#pragma once

#include "CppSQLite3.h"
#include "foundation/DBUseGuard.h"
#include "foundation/FastDelegate.h"
#include "foundation/LockedStl.h"
#include "foundation/StdStr.h"
#include "framework/OleDateTime.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <set>

class CNote;
class CNotifyWindow;
struct SSchemaResult;

// Owns the notification pop-up, which comes with the windowing toolkit.
struct CNotifyWindowDeleter {
    void operator()(CNotifyWindow* window) const;
};

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
    // QUILLT40.DAT in the folder of the database path; empty without one.
    CStdStr GetDatabaseFilePath() const;

    // The open database, opened on first use: the file checked to be this
    // run's, its schema upgraded, its tables made. Null when it cannot be
    // used; a failed open is retried by the next call, a file replaced while
    // running never again.
    CppSQLite3DB* GetDB();
    // Frees every compiled statement and closes the connection; harmless when
    // closed, and never throws.
    void CloseDB();

    // Refreshes the rolling backups in folder (ending in a backslash; empty
    // makes none). False only when "now" is not a valid date.
    bool BackupDatabase(const wchar_t* folder);

    // The cached note with that id, read on first use; null when there is none.
    CNote* GetNote(std::int64_t id);

    // Passed to the notes' show calls; the start-up loading changes it.
    int GetShowFlag() const { return m_showFlag; }
    void SetShowFlag(int flag) { m_showFlag = flag; }
    // This run's identity, stamped into the database by the first open.
    const CStdStr& GetInstanceGuid() const { return m_instanceGuid; }

    // The cached time of the next due alarm; -1.0 (valid) means unknown.
    const COleDateTime& GetCachedNextAlarm() const { return m_nextAlarm; }
    void ResetNextAlarm();

    // Tells every display listener; the answer of the one that stopped the
    // fan-out, else true.
    bool NotifyDisplay(CNote* note, eNoteDisplay event);

    // Stores every modified cached note; false without a database.
    bool SaveModifiedNotes();
    // Stops the listener, frees every cached note and closes the database.
    void CloseAll();

    // Shows every note, and whether the notes are dimmed while the user works
    // elsewhere (TempFadeOut).
    void ShowAllNotes();
    bool IsFadedOut() const;

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
    bool OpenVerifiedFile(SSchemaResult& schema);
    bool IsOwnFile();
    void ClaimFile();
    void CloseReplacedFile();
    bool PrepareOpenDatabase(const SSchemaResult& schema);
    bool OpenTables(CppSQLite3DB& db, bool& createdFullText);
    void VacuumWhenSparse();
    void CreateIndexesWhenMissing();
    void RepairFirstOpen();
    void RepairAlarms();

    CppSQLite3DB m_db;
    CStdStr m_databasePath;
    CLockedStl<hash_map<HWND, CNote*>> m_windowNotes;
    CLockedStl<hash_map<std::int64_t, std::unique_ptr<CNote>>> m_notes;
    CLockedStl<hash_map<HWND, CStdStr>> m_windowTitles;
    CLockedStl<std::set<CDisplayListener>> m_displayListeners;
    COleDateTime m_nextAlarm;
    int m_showFlag = 1;
    CStdStr m_instanceGuid;
    std::unique_ptr<CNotifyWindow, CNotifyWindowDeleter> m_notifyWindow;
    // Alarms with a date but no due time are repaired once per run; so are
    // the rows the first open of a run checks.
    bool m_alarmRepairPending = true;
    bool m_firstOpenRepairPending = true;
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

// Dims every shown note (fadeOut) or brings them back; with a note given and
// fadeOut false, only that note comes back.
void TempFadeOut(bool fadeOut, CNote* note);
