// The alarm notification and the snooze dialog.
#include "AlarmDisplayDlg.h"

#include <richedit.h>

#include <deque>
#include <utility>

#include "DlgUtils.h"
#include "foundation/AppWindow.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/ShellServices.h"
#include "foundation/SoundPlayer.h"
#include "framework/AppModule.h"
#include "notestore/Note.h"
#include "notestore/NoteAlarm.h"
#include "dialogs/NoteDialogs.h"
#include "resources/resource.h"

namespace {

constexpr UINT kSoundTimerPeriod = 500;

// The missed alarms still to show, the next once the window before is gone.
std::deque<SMissedAlarm>& PendingAlarms()
{
    static std::deque<SMissedAlarm> pending;
    return pending;
}

void ShowNextPendingAlarm();

// Runs from any message loop once the window that was open is gone.
void CALLBACK ShowNextPendingAlarmLater(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    ShowNextPendingAlarm();
}

void ShowNextPendingAlarm()
{
    std::deque<SMissedAlarm>& pending = PendingAlarms();
    while (!pending.empty() && !CAlarmDisplayDlg::Instance().IsWindow()) {
        const SMissedAlarm alarm = pending.front();
        pending.pop_front();
        CNote* const note = NoteManager().GetNote(alarm.noteId);
        if (note && CAlarmDisplayDlg::Instance().Show(note, alarm.dueTime, alarm.skippedRepeats))
            return;
    }
}

CStdStr DateTimeText(const COleDateTime& date)
{
    wchar_t day[64] = {};
    wchar_t time[64] = {};
    FormatDateShort(date.m_dt, day, 64);
    FormatTimeShort(date.m_dt, time, 64);
    CStdStr text;
    text.Format(L"%s %s", day, time);
    return text;
}

bool IsRtf(const CStdStr& text)
{
    return text.compare(0, 5, L"{\\rtf") == 0;
}

}  // namespace

CAlarmDisplayDlg& CAlarmDisplayDlg::Instance()
{
    static CAlarmDisplayDlg dialog;
    return dialog;
}

bool CAlarmDisplayDlg::Show(CNote* note, const COleDateTime& dueTime, int skippedRepeats)
{
    if (!note)
        return false;
    if (IsWindow()) {
        QLOG(L"The alarm of note %I64d is not shown: a notification is open", note->GetId());
        return false;
    }
    m_noteId = note->GetId();
    m_dueTime = dueTime;
    m_skippedRepeats = skippedRepeats;
    m_snoozed = false;
    m_released = false;
    m_pause.emplace();
    // What the window changes stays in memory until Release: the idle prune
    // leaves modified notes alone.
    note->SetModified(true);
    SetTemplateId(IsRichEdit20() ? IDD_ALARM_DISPLAY_20 : IDD_ALARM_DISPLAY);
    if (!Create(g_hwndApp)) {
        QLOG(L"The notification of the alarm of note %I64d could not be made", m_noteId);
        m_released = true;
        m_pause.reset();
        return false;
    }
    g_appModule.SetAlarmDisplayDlg(GetHwnd());
    ShowWindow(GetHwnd(), SW_SHOWNOACTIVATE);
    return true;
}

CNoteManager::CDisplayListener CAlarmDisplayDlg::Listener()
{
    return CNoteManager::CDisplayListener::Bind<&CAlarmDisplayDlg::OnNoteDisplayChange>(this);
}

CNote* CAlarmDisplayDlg::FindNote() const
{
    return m_noteId == -1 ? nullptr : NoteManager().GetNote(m_noteId);
}

bool CAlarmDisplayDlg::OnNoteDisplayChange(CNote* note, CNoteManager::eNoteDisplay event)
{
    if (event == CNoteManager::eNoteDeleted && note && m_noteId != -1 && note->GetId() == m_noteId) {
        m_noteId = -1;
        if (IsWindow())
            PostMessageW(GetHwnd(), WM_COMMAND, IDCANCEL, 0);
    }
    return true;
}

INT_PTR CAlarmDisplayDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER && wParam == kSoundTimerId)
        KeepStopButtonInStep();
    return CQLDialog::HandleMessage(msg, wParam, lParam);
}

void CAlarmDisplayDlg::KeepStopButtonInStep()
{
    const bool playing = IsSoundPlaying();
    EnableWindow(GetItem(IDC_ALARM_STOP_SOUND), playing);
    if (!playing)
        KillTimer(GetHwnd(), kSoundTimerId);
}

int CAlarmDisplayDlg::OnInitDialog()
{
    FillDisplay();
    EnableWindow(GetItem(IDC_ALARM_STOP_SOUND), IsSoundPlaying());
    SetTimer(GetHwnd(), kSoundTimerId, kSoundTimerPeriod, nullptr);
    SetDialogIcons(GetHwnd());
    NoteManager().AddDisplayListener(Listener());
    return 1;
}

int CAlarmDisplayDlg::OnCommand(int id, HWND control, int code)
{
    if (code != 0)
        return 0;
    switch (id) {
    case IDC_ALARM_DELETE: DeleteNote(); return 1;
    case IDC_ALARM_SNOOZE: Snooze(); return 1;
    case IDC_ALARM_STOP_SOUND: StopSound(); return 1;
    case IDC_ALARM_CANCEL_REPEAT: CancelRepeat(); return 1;
    default: return CQLDialog::OnCommand(id, control, code);
    }
}

void CAlarmDisplayDlg::DeleteNote()
{
    if (AppMessageBox(GetHwnd(), IDS_CONFIRM_NOTE_DELETE, MB_ICONQUESTION | MB_YESNO) == IDYES) {
        CNote* note = FindNote();
        if (note && note->IsLocked() && !ShowUnlockNoteDlg(note->GetHwnd(), LoadResString(IDS_UNLOCK_TO_DELETE)))
            note = nullptr;
        // The prompt is a modal loop: the note is looked up again.
        if (note && (note = FindNote()) && note->Delete())
            m_noteId = -1;
    }
    StopSound();
    OnCancel();
}

void CAlarmDisplayDlg::Snooze()
{
    if (ShowSnoozeDisplayDlg(GetHwnd(), FindNote(), m_dueTime)) {
        m_snoozed = true;
        OnCancel();
    }
}

void CAlarmDisplayDlg::CancelRepeat()
{
    if (CNote* const note = FindNote()) {
        note->Alarm().frequency = eFrequencyOnce;
        note->SetModified(true);
        FillDisplay();
    }
}

void CAlarmDisplayDlg::OnOK()
{
    Release();
    if (CNote* const note = FindNote()) {
        note->ShowAndStore(false, true);
        if (IsIconic(g_hwndApp))
            ShowWindow(g_hwndApp, SW_RESTORE);
    }
    CQLDialog::OnOK();
}

void CAlarmDisplayDlg::OnCancel()
{
    Release();
    CQLDialog::OnCancel();
}

void CAlarmDisplayDlg::OnDestroy()
{
    // A window that goes without a button (shut-down) still stores its alarm.
    Release();
    KillTimer(GetHwnd(), kSoundTimerId);
    NoteManager().RemoveDisplayListener(Listener());
    if (g_appModule.GetAlarmDisplayDlg() == GetHwnd())
        g_appModule.SetAlarmDisplayDlg(nullptr);
    if (!PendingAlarms().empty())
        SetTimer(nullptr, 0, 0, &ShowNextPendingAlarmLater);
}

void CAlarmDisplayDlg::Release()
{
    if (m_released)
        return;
    m_released = true;
    StopSound();
    if (CNote* const note = FindNote()) {
        CNoteAlarm& alarm = note->Alarm();
        if (!m_snoozed && (alarm.flags & kAlarmQuickSnoozed))
            alarm.flags &= ~(kAlarmActive | kAlarmSet | kAlarmQuickSnoozed);
        alarm.RecalcDue(false);
        if (!NoteManager().StoreNote(note))
            QLOG(L"The alarm of note %I64d could not be stored; it stays modified", m_noteId);
    }
    m_pause.reset();
}

void CAlarmDisplayDlg::FillDisplay()
{
    CNote* const note = FindNote();
    if (!note)
        return;
    CNoteAlarm& alarm = note->Alarm();
    CStdStr text = LoadRtfResource(L"SHOWALARM");
    text.Replace(L"<alarmtitle>", EscapeRtfText(note->GetDisplayName().c_str()).c_str());
    CStdStr timeText;
    if (alarm.flags & kAlarmQuickSnoozed) {
        timeText = LoadResString(IDS_QUICK_SNOOZED);
        text.Replace(L"<alarmnext>", L"none");
    } else {
        timeText = DateTimeText(m_dueTime);
        CStdStr kind;
        kind.Format(L"(%s)", LoadResString(IDS_FREQUENCY_FIRST + (alarm.frequency > 0 ? alarm.frequency : 0)));
        // A live alarm steps here; one the start-up pass advanced already
        // brings its count along and is not stepped again.
        int skipped = m_skippedRepeats;
        m_skippedRepeats = 0;
        if (alarm.frequency > 0 && !(alarm.alarmDate > COleDateTime::Now()))
            skipped += alarm.SkipPastRepeats();
        if (skipped > 0) {
            CStdStr expired;
            expired.Format(LoadResString(IDS_ALARM_EXPIRED), skipped);
            AppMessageBox(GetHwnd(), expired.c_str(), MB_OK);
        }
        if (alarm.frequency < 1) {
            text.Replace(L"<alarmnext>", L"none");
            alarm.flags &= ~(kAlarmActive | kAlarmSet);
        } else {
            CStdStr next;
            next.Format(L"%s %s", DateTimeText(alarm.alarmDate).c_str(), kind.c_str());
            text.Replace(L"<alarmnext>", EscapeRtfText(next.c_str()).c_str());
        }
    }
    text.Replace(L"<alarmtime>", EscapeRtfText(timeText.c_str()).c_str());
    StreamTextToRichEdit(GetItem(IDC_ALARM_TEXT), text, true, false);
    // The message box above is a modal loop: the note is looked up again.
    if (CNote* const shown = FindNote())
        FillPreview(*shown);
    EnableWindow(GetItem(IDC_ALARM_CANCEL_REPEAT), alarm.frequency > 0);
}

void CAlarmDisplayDlg::FillPreview(CNote& note)
{
    const HWND preview = GetItem(IDC_ALARM_PREVIEW);
    SetWindowTextW(preview, L"");
    const CStdStr text = note.IsLocked() ? CStdStr(LoadResString(IDS_LOCKED)) : note.GetDisplayText();
    const bool rtf = IsRtf(text);
    StreamTextToRichEdit(preview, text, rtf, true);
    SendMessageW(preview, EM_SETSEL, 0, 0);
    if (!IsRichEdit20())
        return;
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR | CFM_BACKCOLOR;
    format.crTextColor = note.GetColorText();
    format.crBackColor = note.GetColor() & 0x00FFFFFF;
    if (!rtf) {
        const LOGFONTW font = note.GetLogFont();
        format.dwMask |= CFM_FACE | CFM_CHARSET | CFM_WEIGHT | CFM_SIZE;
        lstrcpynW(format.szFaceName, font.lfFaceName, LF_FACESIZE);
        format.bCharSet = font.lfCharSet;
        format.wWeight = static_cast<WORD>(font.lfWeight);
        const HDC screen = GetDC(nullptr);
        format.yHeight = MulDiv(-font.lfHeight, 1440, GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    SendMessageW(preview, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageW(preview, EM_SETEDITSTYLE, SES_EXTENDBACKCOLOR, SES_EXTENDBACKCOLOR);
}

// ---- the snooze dialog

namespace {

class CSnoozeDisplayDlg : public CQLDialog {
public:
    CSnoozeDisplayDlg(HWND parent, std::int64_t noteId, const COleDateTime& alarmDate)
        : CQLDialog(IDD_SNOOZE, parent), m_noteId(noteId), m_alarmDate(alarmDate)
    {
    }

protected:
    int OnInitDialog() override
    {
        CenterOnScreen(true);
        CStdStr minutes;
        minutes.Format(L"%d", g_prefs.DefaultSnoozeTime);
        SetItemText(IDC_SNOOZE_MINUTES, minutes.c_str());
        SelectMinutes();
        SetDialogIcons(GetHwnd());
        return 0;
    }

    // 1 to 2147483647 minutes; anything else is refused and the dialog stays.
    void OnOK() override
    {
        int minutes = 0;
        if (!ParseDecimal(GetItemText(IDC_SNOOZE_MINUTES).c_str(), minutes) || minutes < 1) {
            AppMessageBox(GetHwnd(), IDS_INCORRECT_NUMBER, MB_OK);
            SelectMinutes();
            return;
        }
        CNote* const note = NoteManager().GetNote(m_noteId);
        if (!note) {
            CQLDialog::OnCancel();
            return;
        }
        note->Alarm().SetAlarm(m_alarmDate, minutes);
        note->SetModified(true);
        CQLDialog::OnOK();
    }

private:
    void SelectMinutes()
    {
        const HWND edit = GetItem(IDC_SNOOZE_MINUTES);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SetFocus(edit);
    }

    std::int64_t m_noteId;
    COleDateTime m_alarmDate;
};

}  // namespace

bool ShowAlarmDisplayDlg(CNote* note)
{
    return note && CAlarmDisplayDlg::Instance().Show(note, note->Alarm().alarmDate, 0);
}

void ShowAlarmDisplaysInTurn(std::vector<SMissedAlarm> alarms)
{
    for (SMissedAlarm& alarm : alarms)
        PendingAlarms().push_back(alarm);
    ShowNextPendingAlarm();
}

bool ShowSnoozeDisplayDlg(HWND parent, CNote* note, COleDateTime alarmDate)
{
    if (!note)
        return false;
    CSnoozeDisplayDlg dialog(parent, note->GetId(), alarmDate);
    const CAlarmCheckPause pause;
    return dialog.DoModal() == 1;
}
