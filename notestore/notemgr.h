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
#include "framework/KernelHandle.h"
#include "framework/OleDateTime.h"
#include "toolkit/NotifyWindow.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

class CNote;
class COpenReading;
class CTransaction;
struct SSnapQuery;

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

    // Passed to the notes' show calls; the start-up loading changes it.
    int GetShowFlag() const { return m_showFlag; }
    void SetShowFlag(int flag) { m_showFlag = flag; }
    // The "Group changed" pop-up beside a note.
    CNotifyWindowThread& NotifyWindow() { return m_notifyWindow; }
    // This run's identity, stamped into the database by the first open.
    const CStdStr& GetInstanceGuid() const { return m_instanceGuid; }

    // The cached time of the next due alarm; -1.0 (valid) means unknown.
    const COleDateTime& GetCachedNextAlarm() const { return m_nextAlarm; }
    void ResetNextAlarm();

    // Tells every display listener, in set order, until one answers false;
    // returns that answer, else true. A listener may not add or remove
    // listeners while it is told.
    bool NotifyDisplay(CNote* note, eNoteDisplay event);
    void AddDisplayListener(const CDisplayListener& listener);
    void RemoveDisplayListener(const CDisplayListener& listener);

    // ---- many note windows at once (ShowHide.cpp)
    // Shows every shown note's window again, and whether the notes are dimmed
    // while the user works elsewhere (TempFadeOut).
    void ShowAllNotes();
    bool IsFadedOut() const;
    // Hides every shown note's window; the notes' visible flags stay.
    void HideAllNotes();
    // Shows the notes' windows at once, stacked in their order (the last on
    // top): with one fade for a few of them, without for many.
    void ShowNotesTogether(const std::vector<CNote*>& notes);
    // Some note other than the one given has a visible window.
    bool IsAnyNoteVisible(const CNote* except = nullptr) const;
    void RestoreZOrder();
    void SetAllTopmost(bool topmost);
    // Hides the other notes when one is visible, else shows them; then shows
    // this one. False for no note.
    bool ToggleOtherNotes(CNote* note);
    // Shows the other members of the note's group when the first of them is
    // hidden, else hides them; then shows the note. False for no note or a
    // note in no group.
    bool ShowGroupOf(CNote* note);
    // Hides the group's shown members and shows its hidden ones; locked ones
    // ask for their password once the changes are stored.
    void ToggleGroupVisibility(std::int64_t group);
    // The caption font changed: shown notes' windows and hidden notes' stored
    // rectangles grow by the change of the caption height.
    void UpdateTitleFont(const LOGFONTW& titleFont, int oldCaptionHeight);
    // Every note window's link detection follows the setting again; true when
    // the database can be used.
    bool RedetectUrls();

    // ---- notes attached to other programs' windows (AttachedNotes.cpp)
    // The window-event listener: a thread that hooks the system's window
    // events and posts each to the main window. One at most: while a thread
    // that was told to stop still runs, StartListener starts nothing (false).
    bool StartListener();
    // Waits up to 10 s for the thread, serving what it sends meanwhile.
    void StopListener();
    bool IsListenerRunning() const;
    // Puts attached notes on the windows they belong to and starts or stops
    // the listener to match.
    void RefreshAttachedNotes();
    // A window event for the attached notes, handed to the main window (the
    // listener's callback, also called to place a note at once); true.
    bool PostWindowEvent(DWORD event, const wchar_t* title, HWND window);
    // Hides attached notes whose window is gone, covered or minimised (the
    // idle upkeep), and forgets the titles of windows that are gone.
    void HideOrphanedAttachedNotes();
    // A posted window event on the UI thread: places, hides or re-matches the
    // notes attached to the title (nested: the notes of a title just left).
    bool HandleWindowEvent(DWORD event, const wchar_t* title, HWND window, bool nested);
    // Shows the note beside its target window at its corner mode; nothing
    // while that window is gone, covered or minimised.
    void PlaceAttachedNote(HWND window, CNote* note);
    // Some part of the window can be seen: it is shown, not minimised, and
    // one of three sample points of it is not under another window.
    static bool IsWindowUncovered(HWND window);
    // The last title known for a window; false when it has no entry.
    bool FindWindowTitle(HWND window, CStdStr& title) const;

    // Moves every note of a group to another one (rows and cached notes);
    // returns how many changed, 0 on failure (logged).
    int AssignGroupToNotes(std::int64_t newGroup, std::int64_t oldGroup);
    // The notes of a group go to no group.
    int RemoveGroupFromNote(std::int64_t group);
    // Gives every member of an existing group the group's colour and stores
    // each member that changed (logged when a store fails). True.
    bool ApplyGroupToNotes(std::int64_t group);
    // The rows half of a group move, for callers that hold a transaction;
    // throws CppSQLite3Exception. Returns the rows changed.
    int MoveGroupRows(std::int64_t newGroup, std::int64_t oldGroup);
    // The cached-notes half: gives every loaded note of the old group the new
    // one. Returns the notes changed.
    int MoveCachedNotesToGroup(std::int64_t newGroup, std::int64_t oldGroup);

    // ---- notes by id and by window
    // Every loaded note is owned here: stored notes by id, notes without an
    // id (never stored) in a set of their own. A pointer handed out stays
    // valid until the note is deleted, pruned or unloaded; whoever runs code
    // that can do that looks the note up again afterwards.

    // The cached note with that id, read on first use; null when there is
    // none (nothing is cached then).
    CNote* GetNote(std::int64_t id);
    // GetNote of each id, all read inside one read transaction; ids without
    // a note are left out.
    std::vector<CNote*> GetNotes(const std::vector<std::int64_t>& ids);
    // The note of a note window; null for a null, destroyed or foreign window.
    CNote* GetNoteFromWindow(HWND window);
    CNote* GetNoteByGuid(const GUID& guid);
    // How many notes are loaded, stored or not.
    int GetCachedNoteCount();

    // Reads the note's row (by its id) into it; false when the row is gone or
    // there is no database. A note without an id reads nothing: true.
    bool ReadNote(CNote* note);
    // Writes the note row and its full-text row in one transaction (a
    // savepoint inside a caller's). On failure nothing is written, a new
    // note keeps id -1, the modified flag stays set, and false is returned. A
    // note marked not to be stored reports success without a write. Inside a
    // caller's transaction a new note joins the id map when the outermost
    // transaction commits; a rollback puts it back as it was, modified.
    bool StoreNote(CNote* note);
    // What a read or a show repairs goes into its column alone, never with
    // the rest of the row; false (logged) without a database or on an error.
    bool RepairNoteGuid(std::int64_t id, const CStdStr& guid);
    bool WriteNoteLocked(std::int64_t id, bool locked);
    // Stores the notes in one transaction without a savepoint per note. When
    // any of them fails, the whole batch is rolled back and each note stored
    // alone, so one failing note loses nothing of the others. False when
    // there is no database or some note failed (it stays as StoreNote leaves it).
    // A note that fails alone is logged under the operation's name.
    bool StoreNotes(const std::vector<CNote*>& notes, const wchar_t* operation = kStoreNoteOperation);
    // Deletes the note's rows, tells the listeners and frees the note when it
    // is the manager's. On failure the note stays as it is: false.
    bool DeleteNote(CNote* note);

    // A new blank note with its window, stored and shown; null when no window
    // can be made.
    CNote* CreateNewNote();
    // A stored note with its window, shown when it was visible; without a
    // window the note as read.
    CNote* LoadAndShowNote(std::int64_t id);
    // A note received from another user, made safe, stored and shown; null
    // (nothing made, nothing stored) when it does not read, is refused (a
    // document past the bounds of one note, rich text nested too deep) or no
    // window can be made, so the caller can say so.
    CNote* CreateNoteFromBuffer(const BYTE* bytes, int length);
    CNote* CreateNoteFromXml(const wchar_t* document);
    // The largest received note document, as UTF-8 bytes.
    static constexpr size_t kReceivedNoteMaxBytes = 16u * 1024 * 1024;
    // What a note received from elsewhere may not keep: an alarm command or
    // sound file with their flags, a group, an embedded object in any text
    // that can load as rich text, a GUID that is malformed, zero or already
    // one of ours. False, logged, when the note must be refused: its rich
    // text nests too deep to be filtered.
    bool SanitizeReceivedNote(CNote& note);

    // Stores every modified note held here, with a window or not, as one
    // batch (StoreNotes); false when there is no database or some store
    // failed (that note stays modified).
    bool SaveModifiedNotes();
    // Every note held here whose change is in no row, with a window or not.
    std::vector<CNote*> GetModifiedNotes();
    // With 100 or more notes cached, frees the hidden ones that hold no
    // unsaved change.
    void PruneCache();
    // Frees every note and closes the database.
    void CloseAll();

    void AddWindow(CNote* note);
    void RemoveWindow(CNote* note);
    // Takes ownership; returns the note, or null when another note object
    // already holds its id (refused, logged, and the offered one freed: the
    // caller gave it up). A note the manager owns already stays as it is.
    CNote* AddNote(std::unique_ptr<CNote> note);
    // Gives up ownership: the caller frees the note (or lets it go). Empty
    // when the manager did not own it.
    std::unique_ptr<CNote> RemoveNote(CNote* note);

    // Rows of `notes`; 0 without a database.
    int GetNoteCount();
    // The largest id in `notes`; 0 when there is none or on error.
    std::int64_t GetHighestID();
    std::vector<std::int64_t> GetAllNoteIDs();
    // In ascending order.
    std::vector<std::int64_t> GetVisibleNoteIDs();
    // In ascending order; a NULL group counts as no group.
    std::vector<std::int64_t> GetGroupNoteIDs(std::int64_t group);

    // ---- alarms
    // The calculated time of the next alarm (an overdue one first); 0 when no
    // note has one, or when it cannot be known (no database, an SQL error, a
    // note that does not load). Only a known answer goes into the cache.
    COleDateTime GetNextAlarmTime();
    // The note whose alarm is due, with its due time 0 already stored; null
    // while checks are paused, before the cached next time (unless forced),
    // and when the due time cannot be stored (logged), so a locked file does
    // not fire the same alarm on every tick.
    CNote* GetDueAlarmNote(bool force);
    // The alarm switch: a count of pauses; checks run only at 0. The alarm
    // dialogs and the notification each hold one for as long as they show,
    // through CAlarmCheckPause; a resume without a pause is logged and ignored.
    void PauseAlarmChecks();
    void ResumeAlarmChecks();
    bool AlarmChecksPaused() const { return m_alarmCheckPauses > 0; }

    // ---- docking (docking.cpp)
    // The nearest shown, visible note window to snap the proposed rectangle
    // of the moving note to; snap brings the guide's size and receives the
    // rest (no target: distance INT_MAX).
    void FindSnapTarget(const RECT& proposed, const CNote* moving, SSnapQuery& snap);
    // Adds to docked the ids of the shown notes whose windows touch the
    // note's, and those touching them in turn (never the note itself, nor
    // exclude where the walk starts); returns the size of the set. The caller
    // looks each note up again before it moves it.
    int CollectDockedNotes(CNote* note, CNote* exclude, std::set<std::int64_t>& docked);

private:
    CNote* FindCachedNote(std::int64_t id);
    bool InsertIntoIdMap(std::unique_ptr<CNote>& note);
    void AdoptStoredNote(CNote* note);
    bool StoreBatch(const std::vector<CNote*>& notes, std::vector<CNote*>& stored,
                    const wchar_t* operation = kStoreNoteOperation);
    bool WriteTogether(const std::vector<CNote*>& notes, CppSQLite3DB& db);
    bool StoreAlone(CNote& note, CppSQLite3DB& db, const wchar_t* operation = kStoreNoteOperation);
    static constexpr const wchar_t* kStoreNoteOperation = L"CNoteManager::StoreNote";
    void WriteSettled(CNote& note, CTransaction& transaction);
    void WriteNoteRows(CNote& note, std::int64_t storedId);
    void RequireFreeId(const CNote& note);
    void SettleStore(CNote* note, std::int64_t storedId, bool owned, bool committed);
    bool Owns(const CNote* note, std::int64_t id);
    bool IsUnstored(const CNote* note) const;
    std::unique_ptr<CNote> TakeUnstored(const CNote* note);
    bool WriteNoteValue(const wchar_t* operation, const wchar_t* sql, std::int64_t id,
                        const std::function<void(CppSQLite3Statement&)>& bindValue);
    CNote* CreateReceivedNote(const std::function<bool(CNote&)>& read);
    void DiscardNote(std::unique_ptr<CNote> note);
    std::vector<std::int64_t> SelectNoteIDs(const wchar_t* condition);

    bool OpenVerifiedFile();
    void OpenConnection(const CStdStr& file);
    void SetAsideWhenDamaged(const CStdStr& file);
    bool IsOwnFile();
    void ClaimFile();
    void CloseReplacedFile();
    bool PrepareOpenDatabase();
    bool UpkeepWritesNothing();
    bool OpenTables(CppSQLite3DB& db);
    void VacuumWhenSparse();
    void CreateIndexesWhenMissing();
    void RepairFirstOpen(COpenReading& reading);
    void UpdateCalculatedAlarmTime(COpenReading& reading);

    CppSQLite3DB m_db;
    CStdStr m_databasePath;
    // The window map, kept both ways: one window per note, one note per window.
    // Mutable: a walk raises the use count, also in a const query.
    mutable CLockedStl<hash_map<HWND, CNote*>> m_windowNotes;
    CLockedStl<hash_map<const CNote*, HWND>> m_noteWindows;
    CLockedStl<hash_map<std::int64_t, std::unique_ptr<CNote>>> m_notes;
    CLockedStl<hash_map<HWND, CStdStr>> m_windowTitles;
    CLockedStl<std::set<CDisplayListener>> m_displayListeners;
    COleDateTime m_nextAlarm;
    int m_showFlag = 1;
    CStdStr m_instanceGuid;
    // The "Group changed" pop-up; stopped by CloseAll.
    CNotifyWindowThread m_notifyWindow;
    // Alarms with a date but no due time are repaired once per run; so are
    // the rows the first open of a run checks.
    bool m_alarmRepairPending = true;
    bool m_firstOpenRepairPending = true;
    // A file that fails its check is copied aside once a run.
    bool m_damagedFileCopied = false;
    // Notes that have no id yet (or whose first store is not committed yet):
    // they cannot share the id map's key -1.
    hash_map<const CNote*, std::unique_ptr<CNote>> m_unstoredNotes;
    // Set while a store runs: stores that its own writes set off are skipped.
    bool m_storing = false;

    // ---- many note windows at once
    friend void TempFadeOut(bool fadeOut, CNote* note);
    // The notes of the window map (but except), copied so that what is done
    // to them cannot upset the walk; the shown ones of them with a window.
    std::vector<CNote*> WindowNotes(const CNote* except) const;
    std::vector<CNote*> ShownWindowNotes(const CNote* except) const;
    void ShowOrHideGroupMembers(CNote& note);
    void GrowHiddenNotes(int growth);
    bool m_fadedOut = false;

    // ---- docking
    void CollectDockedFrom(CNote* note, CNote* exclude, const CNote* origin, std::set<std::int64_t>& docked);

    // ---- attached notes
    static unsigned __stdcall ListenerThread(void* manager);
    void ReapEndedListener();
    void SetWindowTitle(HWND window, const CStdStr& title);
    void ForgetWindowTitle(HWND window);
    void ForgetGoneWindows();
    void HandleNoteWindowEvent(CNote& note, DWORD event, const CStdStr& title, HWND window, bool nested,
                               CStdStr& pendingTitle);
    CKernelHandle m_listenerThread;
    CKernelHandle m_listenerStop;
    unsigned m_listenerThreadId = 0;

    // ---- alarms
    bool FindNextAlarmTime(COleDateTime& next);
    void ResetNextAlarmWhenDueEarlier(const CNote& note);
    int m_alarmCheckPauses = 0;
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

// Pauses the alarm checks for its life.
class CAlarmCheckPause {
public:
    explicit CAlarmCheckPause(CNoteManager& manager = NoteManager()) : m_manager(manager)
    {
        m_manager.PauseAlarmChecks();
    }
    ~CAlarmCheckPause() { m_manager.ResumeAlarmChecks(); }
    CAlarmCheckPause(const CAlarmCheckPause&) = delete;
    CAlarmCheckPause& operator=(const CAlarmCheckPause&) = delete;

private:
    CNoteManager& m_manager;
};

// The one re-entry guard of the long note operations, shared by all of them:
// while one runs, another entry logs that it is refused and its function
// returns at once. Only the entry that set the flag clears it.
class CSingleFunctionEntry {
public:
    explicit CSingleFunctionEntry(const wchar_t* function);
    ~CSingleFunctionEntry();
    CSingleFunctionEntry(const CSingleFunctionEntry&) = delete;
    CSingleFunctionEntry& operator=(const CSingleFunctionEntry&) = delete;

    bool AlreadyRunning() const { return !m_owner; }

private:
    bool m_owner;
};

// Dims every shown note (fadeOut) or brings them back; with a note given and
// fadeOut false, only that note comes back.
void TempFadeOut(bool fadeOut, CNote* note);
