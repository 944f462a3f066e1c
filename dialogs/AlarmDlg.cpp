#include "AlarmDlg.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <string>

#include "DlgUtils.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/ShellServices.h"
#include "foundation/SoundPlayer.h"
#include "foundation/WinPlacement.h"
#include "framework/Dialog.h"
#include "framework/MenuHandle.h"
#include "framework/UiSeams.h"
#include "notestore/Note.h"
#include "notestore/NoteAlarm.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"
#include "toolkit/ArrowButton.h"
#include "toolkit/QLDialog.h"

namespace {

constexpr DWORD kAlarmHelpContext = 266;
constexpr int kMaxPopupCount = 255;
constexpr std::uint32_t kLowAlarmBits = kAlarmActive | kAlarmPopupPending | kAlarmSet | kAlarmPopupFromPeriod;

// The repeat list in its order, index = repeat kind.
const UINT kRepeatNames[] = {
    IDS_REPEAT_ONCE, IDS_REPEAT_HOURLY, IDS_REPEAT_DAILY, IDS_REPEAT_WEEKDAYS,
    IDS_REPEAT_WEEKLY, IDS_REPEAT_BIWEEKLY, IDS_REPEAT_MONTHLY, IDS_REPEAT_YEARLY,
};
const UINT kUnitNames[] = { IDS_UNIT_MINUTES, IDS_UNIT_HOURS, IDS_UNIT_DAYS, IDS_UNIT_WEEKS };

// The controls that follow the reminder box.
const int kPopupControls[] = { IDC_ALARM_POPUP_COUNT, IDC_ALARM_POPUP_SPIN, IDC_ALARM_POPUP_UNIT, IDC_ALARM_ACTIVATE };
const int kActiveControls[] = { IDC_ALARM_DATE, IDC_ALARM_TIME, IDC_ALARM_HIDE, IDC_ALARM_FREQUENCY };
const int kCommandControls[] = { IDC_ALARM_COMMAND, IDC_ALARM_BROWSE_COMMAND, IDC_ALARM_TEST_COMMAND };
const int kSoundControls[] = { IDC_ALARM_SOUND_FILE, IDC_ALARM_BROWSE_SOUND, IDC_ALARM_TEST_SOUND };

// The calendar date and time of day, or an invalid date when they make none.
COleDateTime DateAt(int year, int month, int day, const COleDateTime& timeOf)
{
    return COleDateTime(year, month, day, timeOf.GetHour(), timeOf.GetMinute(), timeOf.GetSecond());
}

COleDateTime DayAt(const COleDateTime& day, int hour)
{
    return COleDateTime(day.GetYear(), day.GetMonth(), day.GetDay(), hour, 0, 0);
}

COleDateTime Invalid()
{
    COleDateTime date;
    date.SetStatus(COleDateTime::invalid);
    return date;
}

// The same day a month on, lowered until the month has it (31 March gives
// 30 April); December goes on to the same day of January.
COleDateTime NextMonth(const COleDateTime& now)
{
    const int year = now.GetMonth() == 12 ? now.GetYear() + 1 : now.GetYear();
    const int month = now.GetMonth() % 12 + 1;
    for (int day = now.GetDay(); day >= 1; --day) {
        const COleDateTime date = DateAt(year, month, day, now);
        if (date.IsValid())
            return date;
    }
    return Invalid();
}

}  // namespace

COleDateTime QuickAlarmDate(UINT command, const COleDateTime& now)
{
    if (!now.IsValid())
        return Invalid();
    const COleDateTimeSpan day(1, 0, 0, 0);
    COleDateTime target;
    switch (command) {
    case ID_QUICK_IN_15_MINUTES:    target = now + COleDateTimeSpan(0, 0, 15, 0); break;
    case ID_QUICK_IN_30_MINUTES:    target = now + COleDateTimeSpan(0, 0, 30, 0); break;
    case ID_QUICK_IN_AN_HOUR:       target = now + COleDateTimeSpan(0, 1, 0, 0); break;
    case ID_QUICK_TOMORROW:         target = now + day; break;
    case ID_QUICK_NEXT_WEEK:        target = now + COleDateTimeSpan(7, 0, 0, 0); break;
    case ID_QUICK_AFTER_LUNCH:      target = DayAt(now.GetHour() < 13 ? now : now + day, 13); break;
    case ID_QUICK_TOMORROW_MORNING: target = DayAt(now + day, 8); break;
    case ID_QUICK_NEXT_MONTH:       target = NextMonth(now); break;
    default:                        return Invalid();
    }
    if (!target.IsValid() || !(target - now).IsValid())
        return Invalid();
    return target;
}

void PrepareAlarmForEditing(CNoteAlarm& alarm, const SAlarmDefaults& defaults, const COleDateTime& now)
{
    if (!(alarm.flags & kAlarmPopupFromPeriod)) {
        alarm.periodCount = defaults.popupCount;
        alarm.period = defaults.popupUnit;
        alarm.flags |= kAlarmPopupFromPeriod;
        if (defaults.popup)
            alarm.flags |= kAlarmPopupPending;
    }
    if (alarm.IsActive() && alarm.alarmDate.m_dt >= 1.0)
        return;
    COleDateTime date = alarm.alarmDate;
    if (date.IsValid() && date < now)
        date = now + COleDateTimeSpan(0, 0, 10, 0);
    alarm.SetAlarm(date, 0);
}

namespace {

class CAlarmDlg : public CFrameworkDialog {
public:
    explicit CAlarmDlg(const CNoteAlarm& alarm) : CFrameworkDialog(IDD_ALARM), m_alarm(alarm) {}

    const CNoteAlarm& Alarm() const { return m_alarm; }
    bool HideOnExit() const { return m_hideOnExit; }

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        switch (msg) {
        case WM_INITDIALOG: result = OnInitDialog(); return true;
        case WM_COMMAND:    return OnCommand(LOWORD(wParam));
        case MM_MCINOTIFY:  OnSoundEnded(wParam, lParam); return true;
        }
        return false;
    }

    void DoDataExchange(CDataExchange& exchange) override
    {
        exchange.Text(IDC_ALARM_COMMAND, m_command);
        exchange.Text(IDC_ALARM_SOUND_FILE, m_sound);
    }

private:
    HWND Item(int id) const { return GetDlgItem(GetHwnd(), id); }
    bool IsChecked(int id) const { return IsDlgButtonChecked(GetHwnd(), id) == BST_CHECKED; }
    void Check(int id, bool on) { CheckDlgButton(GetHwnd(), id, on ? BST_CHECKED : BST_UNCHECKED); }
    template <size_t N>
    void Enable(const int (&ids)[N], bool on)
    {
        for (const int id : ids)
            EnableWindow(Item(id), on);
    }
    int Selection(int id) const { return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0)); }
    void Select(int id, int index) { SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
    void SetFlag(std::uint32_t flag, bool on) { m_alarm.flags = on ? (m_alarm.flags | flag) : (m_alarm.flags & ~flag); }
    bool HasFlag(std::uint32_t flag) const { return (m_alarm.flags & flag) != 0; }

    template <size_t N>
    void FillList(int id, const UINT (&names)[N])
    {
        for (const UINT name : names)
            SendMessageW(Item(id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResString(name)));
    }

    LRESULT OnInitDialog()
    {
        CenterOverOwner();
        SendMessageW(Item(IDC_ALARM_POPUP_SPIN), UDM_SETRANGE32, 1, kMaxPopupCount);
        FillList(IDC_ALARM_POPUP_UNIT, kUnitNames);
        FillList(IDC_ALARM_FREQUENCY, kRepeatNames);
        Select(IDC_ALARM_FREQUENCY, m_alarm.frequency);
        Check(IDC_ALARM_HIDE, g_prefs.DefaultAlarmHide);
        Check(IDC_ALARM_ACTIVATE, HasFlag(kAlarmActivateNote));

        const SAlarmDefaults defaults{ g_prefs.DefaultAlarmPopup, g_prefs.DefaultAlarmPopupCnt,
                                       g_prefs.DefaultAlarmPopupType };
        PrepareAlarmForEditing(m_alarm, defaults, COleDateTime::Now());
        ShowStoredPopup();
        SetPickers();
        UpdateControls();

        m_command = m_alarm.executeCmd.c_str();
        m_sound = m_alarm.soundFile.c_str();
        ExchangeData(false);
        Check(IDC_ALARM_EXECUTE, HasFlag(kAlarmRunCommand));
        Enable(kCommandControls, HasFlag(kAlarmRunCommand));
        Check(IDC_ALARM_SOUND, HasFlag(kAlarmOwnSound));
        Enable(kSoundControls, HasFlag(kAlarmOwnSound));
        ShowSoundState();

        m_quickArrow.SubclassWindow(Item(IDC_ALARM_QUICK));
        m_quickMenu.Reset(CResModule::LoadMenu(MAKEINTRESOURCEW(IDR_QUICK_ALARM)));
        SetDialogIcons(GetHwnd());
        return TRUE;
    }

    void CenterOverOwner()
    {
        RECT box = {};
        RECT area = {};
        const HWND owner = GetWindow(GetHwnd(), GW_OWNER);
        GetWindowRect(GetHwnd(), &box);
        if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &area)) {
            CenterWindowOnScreen(GetHwnd(), false);
            return;
        }
        const int x = (area.left + area.right) / 2 - (box.right - box.left) / 2;
        const int y = (area.top + area.bottom) / 2 - (box.bottom - box.top) / 2;
        SetWindowPos(GetHwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        // A note near the screen's edge would push the buttons off it.
        KeepWindowOnScreen(GetHwnd());
    }

    bool OnCommand(UINT id)
    {
        switch (id) {
        case IDOK:                     OnOK(); return true;
        case IDCANCEL:                 StopSound(); EndDialog(IDCANCEL); return true;
        case IDC_ALARM_POPUP:          OnPopupBox(); return true;
        case IDC_ALARM_ACTIVATE:       SetFlag(kAlarmActivateNote, IsChecked(IDC_ALARM_ACTIVATE)); return true;
        case IDC_ALARM_ACTIVE:         OnActiveBox(); return true;
        case IDC_ALARM_EXECUTE:        OnExecuteBox(); return true;
        case IDC_ALARM_SOUND:          OnSoundBox(); return true;
        case IDC_ALARM_TEST_COMMAND:   OnTestCommand(); return true;
        case IDC_ALARM_TEST_SOUND:     OnTestSound(); return true;
        case IDC_ALARM_BROWSE_COMMAND: OnBrowseCommand(); return true;
        case IDC_ALARM_BROWSE_SOUND:   OnBrowseSound(); return true;
        case IDC_ALARM_QUICK:          OnQuickButton(); return true;
        case IDC_HELP_BUTTON:          ShowHelp(kAlarmHelpContext); return true;
        }
        if (id >= ID_QUICK_IN_AN_HOUR && id <= ID_QUICK_TOMORROW_MORNING) {
            OnQuickPreset(id);
            return true;
        }
        return false;
    }

    // The count as typed; false when it is no number.
    bool ReadCount(int& count) const
    {
        CDataExchange exchange(GetHwnd(), true);
        int typed = 0;
        exchange.Int(IDC_ALARM_POPUP_COUNT, typed);
        if (!exchange.Commit())
            return false;
        count = typed;
        return true;
    }
    int CountOrZero() const
    {
        int count = 0;
        return ReadCount(count) ? count : 0;
    }

    // The date of the date picker at the time of the time picker; invalid
    // when either holds none.
    COleDateTime ReadPickers() const
    {
        SYSTEMTIME date = {};
        SYSTEMTIME time = {};
        if (SendMessageW(Item(IDC_ALARM_DATE), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date)) != GDT_VALID ||
            SendMessageW(Item(IDC_ALARM_TIME), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) != GDT_VALID)
            return Invalid();
        return COleDateTime(date.wYear, date.wMonth, date.wDay, time.wHour, time.wMinute, time.wSecond);
    }

    void SetPickers()
    {
        SYSTEMTIME time = {};
        if (!m_alarm.alarmDate.GetAsSystemTime(time))
            return;
        for (const int id : { IDC_ALARM_DATE, IDC_ALARM_TIME })
            SendMessageW(Item(id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
    }

    void ShowStoredPopup()
    {
        SetDlgItemInt(GetHwnd(), IDC_ALARM_POPUP_COUNT, static_cast<UINT>(m_alarm.periodCount), TRUE);
        Select(IDC_ALARM_POPUP_UNIT, m_alarm.period);
    }

    void UpdateControls()
    {
        const bool active = m_alarm.IsActive();
        Enable(kActiveControls, active);
        Check(IDC_ALARM_ACTIVE, active);
        Check(IDC_ALARM_POPUP, HasFlag(kAlarmPopupPending));
        if (active) {
            const COleDateTime date = ReadPickers();
            if (date.IsValid() && date.m_dt != 0.0)
                m_alarm.SetAlarm(date, 0);
            if (HasFlag(kAlarmPopupPending)) {
                const int count = CountOrZero() & 0xFF;
                if (count >= 1 && count <= 99)
                    m_alarm.SetPopupBefore(Selection(IDC_ALARM_POPUP_UNIT), count);
                Enable(kPopupControls, true);
                EnableWindow(Item(IDC_ALARM_POPUP), TRUE);
                SetPickers();
                return;
            }
        }
        if (HasFlag(kAlarmPopupFromPeriod))
            ShowStoredPopup();
        Enable(kPopupControls, false);
        EnableWindow(Item(IDC_ALARM_POPUP), active);
        SetPickers();
    }

    void OnPopupBox()
    {
        ExchangeData(true);
        m_alarm.SetPopupBefore(Selection(IDC_ALARM_POPUP_UNIT), CountOrZero() & 0xFF);
        SetFlag(kAlarmPopupPending, IsChecked(IDC_ALARM_POPUP));
        UpdateControls();
    }

    void OnActiveBox()
    {
        ExchangeData(true);
        if (IsChecked(IDC_ALARM_ACTIVE))
            m_alarm.flags |= kAlarmActive | kAlarmSet;
        else
            m_alarm.flags &= ~kAlarmActive;
        UpdateControls();
    }

    void OnExecuteBox()
    {
        ExchangeData(true);
        const bool on = IsChecked(IDC_ALARM_EXECUTE);
        SetFlag(kAlarmRunCommand, on);
        Enable(kCommandControls, on);
        if (on)
            m_alarm.executeCmd = m_command.c_str();
    }

    void OnSoundBox()
    {
        const bool on = IsChecked(IDC_ALARM_SOUND);
        SetFlag(kAlarmOwnSound, on);
        Enable(kSoundControls, on);
        if (on)
            m_alarm.soundFile = m_sound.c_str();
    }

    void OnTestCommand()
    {
        ExchangeData(true);
        m_alarm.executeCmd = m_command.c_str();
        if (HasFlag(kAlarmRunCommand) && !m_command.empty())
            ExecuteCommandLine(m_command.c_str());
    }

    void OnBrowseCommand()
    {
        ExchangeData(true);
        wchar_t file[kProgramFileChars] = {};
        if (!ChooseProgramFile(GetHwnd(), file))
            return;
        m_command = file;
        m_alarm.executeCmd = file;
        ExchangeData(false);
    }

    void OnBrowseSound()
    {
        ExchangeData(true);
        wchar_t file[MAX_PATH] = {};
        const std::wstring folder = GetSystemMediaFolder();
        if (!ChooseSoundFile(GetHwnd(), file, folder.empty() ? nullptr : folder.c_str()))
            return;
        m_sound = file;
        m_alarm.soundFile = file;
        ExchangeData(false);
    }

    void OnTestSound()
    {
        ExchangeData(true);
        m_alarm.soundFile = m_sound.c_str();
        if (IsSoundPlaying()) {
            StopSound();
        } else if (HasFlag(kAlarmOwnSound) && !m_sound.empty()) {
            PlaySoundFile(m_sound.c_str(), GetHwnd());
        }
        ShowSoundState();
    }

    void ShowSoundState()
    {
        SetDlgItemTextW(GetHwnd(), IDC_ALARM_TEST_SOUND, LoadResString(IsSoundPlaying() ? IDS_STOP_SOUND : IDS_TEST_SOUND));
    }

    // Any notice ends the sound: without a sound card MCI reports a failure
    // where a played sound reports success.
    void OnSoundEnded(WPARAM flags, LPARAM deviceId)
    {
        OnSoundNotify(flags, deviceId);
        if (flags == MCI_NOTIFY_SUCCESSFUL)
            StopSound();
        SetDlgItemTextW(GetHwnd(), IDC_ALARM_TEST_SOUND, LoadResString(IDS_TEST_SOUND));
    }

    void OnQuickButton()
    {
        const HMENU presets = GetSubMenu(m_quickMenu.Get(), 0);
        RECT button = {};
        if (!presets || !GetWindowRect(Item(IDC_ALARM_QUICK), &button))
            return;
        SeamedTrackPopupMenu(presets, TPM_LEFTBUTTON, button.left, button.bottom, GetHwnd());
    }

    void OnQuickPreset(UINT command)
    {
        const COleDateTime date = QuickAlarmDate(command, COleDateTime::Now());
        if (!date.IsValid())
            return;
        m_alarm.alarmDate = date;
        m_alarm.SetAlarm(date, 0);
        SetPickers();
        UpdateControls();
    }

    void Refuse(int id)
    {
        SeamedMessageBeep(0xFFFFFFFF);
        SendMessageW(Item(id), EM_SETSEL, 0, -1);
        SendMessageW(GetHwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
    }

    void OnOK()
    {
        ExchangeData(true);
        int count = 0;
        // A count outside 1-255 would be stored as its low byte: 256 as 0.
        if (HasFlag(kAlarmPopupPending) && (!ReadCount(count) || count < 1 || count > kMaxPopupCount)) {
            Refuse(IDC_ALARM_POPUP_COUNT);
            return;
        }
        if (m_alarm.IsActive()) {
            const COleDateTime date = ReadPickers();
            if (!date.IsValid()) {
                Refuse(IDC_ALARM_DATE);
                return;
            }
            m_alarm.flags &= ~kAlarmQuickSnoozed;
            if (!m_alarm.SetAlarm(date, 0)) {
                if (AppMessageBox(GetHwnd(), IDS_ALARM_IN_PAST, MB_YESNO) == IDYES)
                    return;
                m_alarm.flags &= ~kAlarmActive;
                m_hideOnExit = false;
                StopSound();
                EndDialog(IDOK);
                return;
            }
            m_alarm.frequency = Selection(IDC_ALARM_FREQUENCY);
            if (HasFlag(kAlarmPopupPending))
                m_alarm.SetPopupBefore(Selection(IDC_ALARM_POPUP_UNIT), count);
        }
        m_alarm.snoozeTime = 0;
        m_alarm.executeCmd = m_command.c_str();
        m_alarm.soundFile = m_sound.c_str();
        StopSound();
        m_hideOnExit = IsChecked(IDC_ALARM_HIDE);
        EndDialog(IDOK);
    }

    CNoteAlarm m_alarm;
    std::wstring m_command;
    std::wstring m_sound;
    bool m_hideOnExit = false;
    CArrowButton m_quickArrow;
    CMenuHandle m_quickMenu;
};

// The note again after the modal run: by id when stored, else by its frame.
CNote* FindNoteAgain(std::int64_t id, HWND frame)
{
    CNoteManager& manager = NoteManager();
    if (id > 0)
        return manager.GetNote(id);
    return frame ? manager.GetNoteFromWindow(frame) : nullptr;
}

void ShowNameInFrame(CNote& note)
{
    const HWND frame = note.GetHwnd();
    if (!frame)
        return;
    SetWindowTextW(frame, note.GetDisplayName().c_str());
    InvalidateRect(frame, nullptr, TRUE);
}

void ApplyEditedAlarm(CNote& note, const CAlarmDlg& dialog)
{
    note.Alarm() = dialog.Alarm();
    note.SetModified(true);
    CNoteAlarm& alarm = note.Alarm();
    if (!alarm.IsActive()) {
        alarm.flags &= ~kLowAlarmBits;
        alarm.calculatedDate = COleDateTime(0.0);
        ShowNameInFrame(note);
    } else if (dialog.HideOnExit()) {
        PlaySoundFile(g_prefs.ShowHideNote);
        note.HideSticky(false);
    } else {
        ShowNameInFrame(note);
    }
}

}  // namespace

void ShowAlarmDlg(CNote* note, HWND parent)
{
    if (!note)
        return;
    CNoteManager& manager = NoteManager();
    const CAlarmCheckPause pause(manager);
    // The note may go while the dialog runs: only its keys are kept.
    const std::int64_t id = note->GetId();
    const HWND frame = note->GetHwnd();
    const INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_DATE_CLASSES | ICC_UPDOWN_CLASS };
    InitCommonControlsEx(&controls);
    CAlarmDlg dialog(note->Alarm());
    note = nullptr;
    const INT_PTR result = dialog.DoModal(parent);
    if (CNote* const again = FindNoteAgain(id, frame)) {
        if (result == IDOK)
            ApplyEditedAlarm(*again, dialog);
        if (CNote* const stored = FindNoteAgain(id, frame)) {
            manager.StoreNote(stored);
            manager.NotifyDisplay(stored, CNoteManager::eNoteChanged);
        }
    }
    manager.ResetNextAlarm();
}
