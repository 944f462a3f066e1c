// The notification of a firing alarm and its snooze dialog.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "framework/OleDateTime.h"
#include "notestore/notemgr.h"
#include "toolkit/QLDialog.h"

class CNote;

// An alarm the start-up pass found missed: its note, its due time before the
// pass advanced it, and how many further repeats the advance skipped.
struct SMissedAlarm {
    std::int64_t noteId;
    COleDateTime dueTime;
    int skippedRepeats;
};

// The one notification window. It keeps the note's id, never the note, and
// holds the alarm checks off from its show until its Release, which runs
// once: from a button, or when the window goes any other way.
class CAlarmDisplayDlg : public CQLDialog {
public:
    static constexpr UINT_PTR kSoundTimerId = 5;

    static CAlarmDisplayDlg& Instance();

    // False (logged) while a notification is open or when none was made.
    bool Show(CNote* note, const COleDateTime& dueTime, int skippedRepeats);
    // The display listener: the note deleted elsewhere closes the window.
    bool OnNoteDisplayChange(CNote* note, CNoteManager::eNoteDisplay event);

    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    int OnInitDialog() override;
    int OnCommand(int id, HWND control, int code) override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;

private:
    CNoteManager::CDisplayListener Listener();
    CNote* FindNote() const;
    void Release();
    void FillDisplay();
    void FillPreview(CNote& note);
    void DeleteNote();
    void Snooze();
    void CancelRepeat();
    void KeepStopButtonInStep();

    std::int64_t m_noteId = -1;
    COleDateTime m_dueTime;
    int m_skippedRepeats = 0;
    bool m_snoozed = false;
    bool m_released = true;
    std::optional<CAlarmCheckPause> m_pause;
};

// Shows the notification of the note's alarm; false when it could not be
// shown (one is open already, or the window was not made).
bool ShowAlarmDisplayDlg(CNote* note);
// The notifications of missed alarms, one after another: the next once the
// previous window is gone.
void ShowAlarmDisplaysInTurn(std::vector<SMissedAlarm> alarms);
// Asks how long to snooze the alarm that fired at alarmDate; true when the
// note was snoozed.
bool ShowSnoozeDisplayDlg(HWND parent, CNote* note, COleDateTime alarmDate);
