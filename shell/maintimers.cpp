// The main timers and the firing of alarms.
#include "maintimers.h"

#include <vector>

#include "MainCommands.h"
#include "dialogs/AlarmDisplayDlg.h"
#include "foundation/DataPaths.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/ShellServices.h"
#include "foundation/SoundPlayer.h"
#include "framework/OleDateTime.h"
#include "framework/UiSeams.h"
#include "mainwnd.h"
#include "notestore/Note.h"
#include "notestore/NoteAlarm.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"
#include "shellsvc.h"
#include "startcalls.h"
#include "trayicon.h"

namespace {

constexpr UINT kBlinkPeriod = 100;
// The alarm part of a note with a pending reminder fires this close to its time.
const COleDateTimeSpan kAlarmReach(0, 0, 0, 45);

// While it lives an alarm is being fired: the blink runs and no second alarm
// is looked for. Whatever ends the firing, the icon is the normal one again,
// with the balloon when one was prepared.
class CFiringScope {
public:
    CFiringScope(HWND window, bool& firing, const CStdStr& balloon)
        : m_window(window), m_firing(firing), m_balloon(balloon)
    {
        m_firing = true;
        SetTimer(m_window, kBlinkTimerId, kBlinkPeriod, nullptr);
    }
    ~CFiringScope()
    {
        m_firing = false;
        KillTimer(m_window, kBlinkTimerId);
        NotifyTrayIcon(m_window, kTrayModify, GetTrayIcon(kTrayIconNormal), GetAppCaption(), m_balloon.c_str());
    }
    CFiringScope(const CFiringScope&) = delete;
    CFiringScope& operator=(const CFiringScope&) = delete;

private:
    HWND m_window;
    bool& m_firing;
    const CStdStr& m_balloon;
};

CStdStr DateText(const COleDateTime& date)
{
    wchar_t text[64] = {};
    FormatDateShort(date.m_dt, text, 64);
    return text;
}

CStdStr TimeText(const COleDateTime& date, int size = 64)
{
    wchar_t text[64] = {};
    FormatTimeShort(date.m_dt, text, size);
    return text;
}

bool IsBlank(const CStdStr& text)
{
    return text.find_first_not_of(L" \t\r\n") == CStdStr::npos;
}

void RestoreWhenIconic(HWND window)
{
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
}

// Activated for "show the note activated", else faded in without the focus.
void ShowAlarmNote(CNote& note)
{
    if (note.Alarm().flags & kAlarmActivateNote)
        note.ShowSticky();
    else
        note.ShowAndStore(false, true);
}

// The note's own sound needs its flag and a plain file name (a quote would
// add words to the MCI command); else the setting's; else a beep.
void PlayAlarmSound(const CNoteAlarm& alarm)
{
    const bool own = (alarm.flags & kAlarmOwnSound) && !alarm.soundFile.empty() &&
                     alarm.soundFile.find(L'"') == CStdStr::npos;
    const wchar_t* const sound = own ? alarm.soundFile.c_str() : g_prefs.AlarmSound;
    if (!*sound || !PlaySoundFile(sound))
        SeamedMessageBeep(0);
}

// A failed store leaves the note modified, so the next save writes it.
bool StoreOrLog(CNote* note)
{
    note->SetModified(true);
    if (NoteManager().StoreNote(note))
        return true;
    QLOG(L"The alarm of note %I64d could not be stored; it stays modified", note->GetId());
    return false;
}

// The balloon path: the alarm stepped and stored with checks off, the note
// shown; the text the balloon says.
CStdStr StepAlarmForBalloon(HWND window, CNote* note)
{
    CStdStr text;
    {
        CAlarmCheckPause pause;
        CNoteAlarm& alarm = note->Alarm();
        const CStdStr date = DateText(alarm.alarmDate);
        const CStdStr time = TimeText(alarm.alarmDate);
        if (alarm.frequency <= 0) {
            text.Format(L"Alarm: %s %s", date.c_str(), time.c_str());
        } else {
            CStdStr repeat;
            repeat.Format(L"(%s)", LoadResString(IDS_FREQUENCY_FIRST + alarm.frequency));
            alarm.SkipPastRepeats();
            text.Format(L"Alarm: %s %s\r\nRepeat: %s %s %s", date.c_str(), time.c_str(),
                        DateText(alarm.alarmDate).c_str(), TimeText(alarm.alarmDate).c_str(), repeat.c_str());
        }
        alarm.RecalcDue(false);
        StoreOrLog(note);
    }
    const std::int64_t id = note->GetId();
    note->ShowAndStore(false, true);
    RestoreWhenIconic(window);
    if (!NoteManager().GetNote(id))
        QLOG(L"The note of alarm %I64d went while it was shown", id);
    return text;
}

// One note of the start-up pass, stepped but not stored; true when the alarm
// itself was missed, not only its reminder.
bool StepMissedAlarm(std::int64_t id, int& skippedRepeats)
{
    CNote* note = NoteManager().GetNote(id);
    if (!note)
        return false;
    CNoteAlarm& alarm = note->Alarm();
    if (!alarm.IsActive()) {
        QLOG(L"The missed alarm of note %I64d is not active: nothing shown", id);
        alarm.RecalcDue(false);
        note->SetModified(true);
        return false;
    }
    // No margin here: the reminder alone is due unless the alarm has passed.
    const bool reminder = (alarm.flags & kAlarmPopupPending) != 0;
    const bool reminderOnly = reminder && !(alarm.alarmDate.IsValid() && alarm.alarmDate < COleDateTime::Now());
    // The show comes first: a note that gets its window reads its row again.
    if (reminder) {
        ShowAlarmNote(*note);
        RestoreWhenIconic(g_hwndApp);
        ShowWindow(g_hwndApp, SW_SHOW);
        if (!(note = NoteManager().GetNote(id)))
            return false;
    }
    CNoteAlarm& stepped = note->Alarm();
    if (!reminderOnly && stepped.frequency > 0) {
        skippedRepeats = stepped.SkipPastRepeats();
        stepped.RecalcDue(false);
    }
    if (reminder) {
        stepped.flags &= ~kAlarmPopupPending;
        stepped.RecalcDue(true);
    }
    note->SetModified(true);
    if (reminderOnly)
        return false;
    if (stepped.frequency < eFrequencyHourly || stepped.frequency > eFrequencyYearly)
        stepped.flags &= ~(kAlarmActive | kAlarmSet);
    stepped.RecalcDue(false);
    return true;
}

}  // namespace

CMainTimers& MainTimers()
{
    static CMainTimers timers;
    return timers;
}

void OnMainTimer(HWND window, UINT_PTR timerId)
{
    MainTimers().OnTimer(window, timerId);
}

void ClearPreviousAlarms()
{
    MainTimers().ClearPreviousAlarms();
}

void CMainTimers::OnTimer(HWND window, UINT_PTR timerId)
{
    switch (timerId) {
    case kMainTimerId: OnMainTick(window); break;
    case kBlinkTimerId: OnBlinkTick(window); break;
    case kUpkeepTimerId: OnUpkeepTick(); break;
    default: break;
    }
}

void CMainTimers::OnMainTick(HWND window)
{
    // A failed add is tried again on the next tick.
    if (IsTrayReAddPending())
        AddTrayIcon(window);
    if (!g_prefs.DisableNetwork)
        ReadDetectedInstances();
    if (!m_firing) {
        if (CNote* const due = NoteManager().GetDueAlarmNote(false))
            FireAlarm(window, due);
    }
    if (--m_slowJobTicks <= 0) {
        m_slowJobTicks = kSlowJobTicks;
        RunSlowJobs();
    }
}

void CMainTimers::RunSlowJobs()
{
    if (g_prefs.CheckVersion && !m_versionCheckRunning) {
        m_versionCheckRunning = true;
        CheckVersionOnline(true);
        m_versionCheckRunning = false;
    }
    // A failed backup is tried again at the next run, ten minutes on.
    if (!NoteManager().BackupDatabase(GetDataPath(EDataPath::BackupFolder)))
        QLOG(L"Backup of the database failed; tried again in 10 minutes");
}

void CMainTimers::OnBlinkTick(HWND window)
{
    if (!m_firing)
        return;
    NotifyTrayIcon(window, kTrayModify, GetTrayIcon(m_blinkPhase == 0 ? kTrayIconAlarm1 : kTrayIconAlarm2), L"Alarm",
                   nullptr);
    m_blinkPhase ^= 1;
}

void CMainTimers::OnUpkeepTick()
{
    CNoteManager& manager = NoteManager();
    manager.HideOrphanedAttachedNotes();
    if (manager.GetDBUseCount() != 0) {
        m_idleTicks = kIdleTicks;
    } else if (--m_idleTicks <= 0) {
        m_idleTicks = kIdleTicks;
        manager.CloseDB();
        // The one place the cache is pruned: nobody holds a note here.
        manager.PruneCache();
    }
    CheckInputActivity();
}

void CMainTimers::FireAlarm(HWND window, CNote* due)
{
    const COleDateTime alarmDate = due->Alarm().alarmDate;
    QLOG(L"-- Found alarm - %s (%s)", TimeText(alarmDate, 32).c_str(), DateText(alarmDate).c_str());
    CStdStr balloon;
    const CFiringScope firing(window, m_firing, balloon);
    FireNote(window, due->GetId(), balloon);
}

// Every step that can run a modal loop (a password prompt, the notification)
// is followed by a fresh look-up of the note.
void CMainTimers::FireNote(HWND window, std::int64_t id, CStdStr& balloon)
{
    CNoteManager& manager = NoteManager();
    CNote* note = manager.GetNote(id);
    if (!note)
        return;
    if (!note->Alarm().IsActive()) {
        QLOG(L"The due alarm of note %I64d is not active: nothing fired", id);
        note->Alarm().RecalcDue(false);
        StoreOrLog(note);
        return;
    }
    const COleDateTime now = COleDateTime::Now();
    const COleDateTime alarmDate = note->Alarm().alarmDate;
    const bool reminder = (note->Alarm().flags & kAlarmPopupPending) != 0;
    const bool reminderOnly = reminder && !(alarmDate.IsValid() && alarmDate - kAlarmReach < now);
    if (reminder) {
        ShowAlarmNote(*note);
        RestoreWhenIconic(window);
        if (!(note = manager.GetNote(id)))
            return;
        note->Alarm().RecalcDue(true);
        StoreOrLog(note);
    }
    if (reminderOnly)
        return;

    CNoteAlarm& alarm = note->Alarm();
    alarm.flags &= ~kAlarmActive;
    PlayAlarmSound(alarm);
    if ((alarm.flags & kAlarmRunCommand) && !IsBlank(alarm.executeCmd))
        ExecuteCommandLine(alarm.executeCmd.c_str());
    if (!(note = manager.GetNote(id)))
        return;
    if (g_prefs.DisplayAlarmNotification && ShowAlarmDisplayDlg(note))
        return;
    if ((note = manager.GetNote(id)))
        balloon = StepAlarmForBalloon(window, note);
}

void CMainTimers::ClearPreviousAlarms()
{
    CNoteManager& manager = NoteManager();
    CDBUseGuard inUse(manager);
    if (!manager.GetDB())
        return;
    QLOG(L"Start - Clearing previous alarms");
    std::vector<std::int64_t> handled;
    std::vector<SMissedAlarm> missed;
    while (CNote* const note = manager.GetDueAlarmNote(true)) {
        const std::int64_t id = note->GetId();
        handled.push_back(id);
        SMissedAlarm display = {id, note->Alarm().alarmDate, 0};
        if (StepMissedAlarm(id, display.skippedRepeats) && g_prefs.ExpiredAlarms)
            missed.push_back(display);
    }
    // One batch for the whole pass; the windows open only after it, so that
    // no modal loop runs with the pass half stored.
    std::vector<CNote*> notes;
    for (const std::int64_t id : handled)
        if (CNote* const note = manager.GetNote(id))
            notes.push_back(note);
    if (!manager.StoreNotes(notes))
        QLOG(L"Clearing previous alarms: some alarms could not be stored; they stay modified");
    QLOG(L"Finished - Clearing previous alarms");
    ShowAlarmDisplaysInTurn(std::move(missed));
}
