// The preference pages for alarms, sounds, language, network and hot keys.
#include "PreferencePages.h"

#include <mmsystem.h>

#include <climits>
#include <cwchar>
#include <iterator>
#include <string>

#include "DlgUtils.h"
#include "PreferenceShellCalls.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/SoundPlayer.h"
#include "framework/Dialog.h"
#include "resources/resource.h"

namespace {

constexpr int kMaxPopupCount = 255;
constexpr int kMaxPort = 65535;
constexpr int kPathChars = CPreferences::kPathChars;

const UINT kPopupUnits[] = { IDS_UNIT_MINUTES, IDS_UNIT_HOURS, IDS_UNIT_DAYS, IDS_UNIT_WEEKS };
const UINT kSoundEvents[] = { IDS_EVENT_CREATE_NOTE, IDS_EVENT_DELETE_NOTE, IDS_EVENT_SHOW_HIDE_NOTE,
                              IDS_EVENT_NOTE_RECEIVED };

struct SInterval {
    UINT name;
    int days;
    int upTo;  // the stored days this entry shows, from the entry before
};
const SInterval kIntervals[] = {
    { IDS_INTERVAL_ONE_WEEK, 7, 7 },
    { IDS_INTERVAL_TWO_WEEKS, 14, 14 },
    { IDS_INTERVAL_FOUR_WEEKS, 31, 31 },
    { IDS_INTERVAL_SIX_WEEKS, 42, INT_MAX },
};
constexpr int kIntervalCount = static_cast<int>(sizeof(kIntervals) / sizeof(kIntervals[0]));

struct SHotKeyRow {
    int textId;
    int buttonId;
};
const SHotKeyRow kHotKeyRows[] = {
    { IDC_HOTKEYPAGE_NEW_NOTE, IDC_HOTKEYPAGE_CHANGE_NEW_NOTE },
    { IDC_HOTKEYPAGE_ORGANIZER, IDC_HOTKEYPAGE_CHANGE_ORGANIZER },
    { IDC_HOTKEYPAGE_SHOW_HIDE, IDC_HOTKEYPAGE_CHANGE_SHOW_HIDE },
    { IDC_HOTKEYPAGE_QUICK_SEARCH, IDC_HOTKEYPAGE_CHANGE_QUICK_SEARCH },
};

bool IsChecked(int state)
{
    return state != BST_UNCHECKED;
}

int CheckState(bool on)
{
    return on ? BST_CHECKED : BST_UNCHECKED;
}

// The edits hold no more than the setting keeps with its terminator.
void LimitText(HWND page, int id, int bufferChars)
{
    SendDlgItemMessageW(page, id, EM_LIMITTEXT, static_cast<WPARAM>(bufferChars - 1), 0);
}

void FillComboBox(HWND page, int id, const UINT* names, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        SendDlgItemMessageW(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResString(names[i])));
}

int ComboSelection(HWND page, int id)
{
    return static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
}

void CopyCut(wchar_t* buffer, const std::wstring& text)
{
    const size_t chars = text.size() < static_cast<size_t>(kPathChars) ? text.size() : kPathChars - 1;
    wmemcpy(buffer, text.c_str(), chars);
    buffer[chars] = L'\0';
}

// The test button's label follows the sound of the program, whoever started it.
void ShowSoundLabel(HWND page, UINT label)
{
    SetDlgItemTextW(page, IDC_PREFPAGE_TEST_SOUND, LoadResString(label));
}

void ShowSoundState(HWND page)
{
    ShowSoundLabel(page, IsSoundPlaying() ? IDS_STOP_SOUND : IDS_TEST_SOUND);
}

void ToggleTestSound(HWND page, const wchar_t* file)
{
    if (IsSoundPlaying()) {
        StopSound();
        ShowSoundLabel(page, IDS_TEST_SOUND);
    } else if (PlaySoundFile(file, page)) {
        ShowSoundLabel(page, IDS_STOP_SOUND);
    }
}

// A notice of an older device leaves the playing sound alone; only a notice
// of the playing one ends it.
void OnTestSoundNotify(HWND page, WPARAM flags, LPARAM deviceId)
{
    OnSoundNotify(flags, deviceId);
    ShowSoundLabel(page, IDS_TEST_SOUND);
}

// The sound chooser on file (in and out) from the system's media folder;
// false, file untouched, when cancelled or failed.
bool ChooseSound(HWND owner, wchar_t* file)
{
    wchar_t chosen[kPathChars] = {};
    wcsncpy(chosen, file, kPathChars - 1);
    const std::wstring folder = GetSystemMediaFolder();
    if (!ChooseSoundFile(owner, chosen, folder.empty() ? nullptr : folder.c_str()))
        return false;
    wmemcpy(file, chosen, kPathChars);
    return true;
}

bool IsClick(int code)
{
    return code == BN_CLICKED;
}

}  // namespace

std::vector<SLanguageEntry> ParseInstalledLanguages(const wchar_t* installedLanguages)
{
    std::vector<SLanguageEntry> entries;
    const std::wstring list = installedLanguages ? installedLanguages : L"";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(L',', start);
        if (end == std::wstring::npos)
            end = list.size();
        const std::wstring entry = list.substr(start, end - start);
        start = end + 1;
        if (entry.empty())
            continue;
        const size_t bar = entry.find(L'|');
        SLanguageEntry parsed;
        parsed.name = entry.substr(0, bar);
        if (bar != std::wstring::npos) {
            parsed.file = entry.substr(bar + 1);
            parsed.hasFile = true;
        }
        entries.push_back(parsed);
    }
    return entries;
}

bool IsLanguagePageShown(const wchar_t* installedLanguages)
{
    return CompareNoCaseClassic(installedLanguages ? installedLanguages : L"", L"US English") != 0;
}

int LanguageIndexFor(const std::vector<SLanguageEntry>& entries, const wchar_t* altResFile)
{
    if (entries.empty())
        return -1;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].hasFile && CompareNoCaseClassic(entries[i].file.c_str(), altResFile) == 0)
            return static_cast<int>(i);
    return 0;
}

std::wstring AltResFileFor(const std::vector<SLanguageEntry>& entries, int index, const wchar_t* current)
{
    int withFile = 0;
    for (const SLanguageEntry& entry : entries)
        withFile += entry.hasFile;
    if (withFile < 2)
        return std::wstring();
    if (index < 0 || static_cast<size_t>(index) >= entries.size())
        return current;
    return entries[static_cast<size_t>(index)].file;
}

int IntervalIndexForDays(int days)
{
    int index = 0;
    while (index < kIntervalCount - 1 && days > kIntervals[index].upTo)
        ++index;
    return index;
}

int DaysForIntervalIndex(int index, int currentDays)
{
    if (index < 0 || index >= kIntervalCount)
        return currentDays;
    return kIntervals[index].days;
}

// Alarm page.

CPreferenceAlarmDlg::CPreferenceAlarmDlg(CPreferences& working)
    : CPropertyPageBase(IDD_PREFERENCE_ALARM), m_working(working)
{
}

bool CPreferenceAlarmDlg::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case WM_INITDIALOG:  result = OnInitDialog(); return true;
    case WM_COMMAND:     return IsClick(HIWORD(wParam)) && OnCommand(LOWORD(wParam));
    case MM_MCINOTIFY:   OnTestSoundNotify(GetHwnd(), wParam, lParam); return true;
    }
    return CPropertyPageBase::ProcessWindowMessage(msg, wParam, lParam, result);
}

void CPreferenceAlarmDlg::DoDataExchange(CDataExchange& exchange)
{
    exchange.Text(IDC_PREFPAGE_SOUND_FILE, m_working.AlarmSound, kPathChars);
    exchange.Int(IDC_ALARMPAGE_SNOOZE, m_snooze, 1, INT_MAX);
    exchange.Check(IDC_ALARMPAGE_HIDE, m_hide);
    exchange.Check(IDC_ALARMPAGE_EXPIRED, m_expired);
    exchange.Check(IDC_ALARMPAGE_POPUP, m_popup);
    ExchangePopupCount(exchange);
    exchange.Check(IDC_ALARMPAGE_NOTIFICATION, m_notification);
}

// A count out of range in the file, in an edit disabled with its box, would
// hold the sheet on a field the user cannot reach: until the box is checked,
// only a good count is taken.
void CPreferenceAlarmDlg::ExchangePopupCount(CDataExchange& exchange)
{
    if (exchange.IsSaving() && IsDlgButtonChecked(GetHwnd(), IDC_ALARMPAGE_POPUP) == BST_UNCHECKED) {
        int count = 0;
        const std::wstring text = CWindowRef(GetDlgItem(GetHwnd(), IDC_ALARMPAGE_POPUP_COUNT)).Text();
        if (!ParseDecimal(text.c_str(), count) || count < 1 || count > kMaxPopupCount)
            return;
    }
    exchange.Int(IDC_ALARMPAGE_POPUP_COUNT, m_popupCount, 1, kMaxPopupCount);
}

bool CPreferenceAlarmDlg::OnInitDialog()
{
    m_snooze = m_working.DefaultSnoozeTime;
    m_hide = CheckState(m_working.DefaultAlarmHide);
    m_expired = CheckState(m_working.ExpiredAlarms);
    m_popup = CheckState(m_working.DefaultAlarmPopup);
    m_popupCount = m_working.DefaultAlarmPopupCnt;
    m_notification = CheckState(m_working.DisplayAlarmNotification);
    ExchangeData(false);
    LimitText(GetHwnd(), IDC_PREFPAGE_SOUND_FILE, kPathChars);
    FillComboBox(GetHwnd(), IDC_ALARMPAGE_POPUP_UNIT, kPopupUnits, std::size(kPopupUnits));
    SendDlgItemMessageW(GetHwnd(), IDC_ALARMPAGE_POPUP_UNIT, CB_SETCURSEL,
                        static_cast<WPARAM>(m_working.DefaultAlarmPopupType), 0);
    EnablePopupControls();
    ShowSoundState(GetHwnd());
    return true;
}

bool CPreferenceAlarmDlg::OnCommand(int id)
{
    void (CPreferenceAlarmDlg::*handler)() = nullptr;
    switch (id) {
    case IDC_ALARMPAGE_POPUP:   handler = &CPreferenceAlarmDlg::OnPopupClicked; break;
    case IDC_PREFPAGE_BROWSE_SOUND:  handler = &CPreferenceAlarmDlg::OnBrowseSound; break;
    case IDC_PREFPAGE_TEST_SOUND:    handler = &CPreferenceAlarmDlg::OnTestSound; break;
    default:                    return false;
    }
    // A value that does not convert has had its box; the command waits.
    if (ExchangeData(true))
        (this->*handler)();
    return true;
}

void CPreferenceAlarmDlg::OnPopupClicked()
{
    EnablePopupControls();
    m_working.DefaultAlarmPopup = IsChecked(m_popup);
}

void CPreferenceAlarmDlg::EnablePopupControls()
{
    const bool on = IsChecked(m_popup);
    EnableWindow(GetDlgItem(GetHwnd(), IDC_ALARMPAGE_POPUP_COUNT), on);
    EnableWindow(GetDlgItem(GetHwnd(), IDC_ALARMPAGE_POPUP_UNIT), on);
}

void CPreferenceAlarmDlg::OnBrowseSound()
{
    if (!ChooseSound(GetHwnd(), m_working.AlarmSound))
        return;
    SetDlgItemTextW(GetHwnd(), IDC_PREFPAGE_SOUND_FILE, m_working.AlarmSound);
}

void CPreferenceAlarmDlg::OnTestSound()
{
    ToggleTestSound(GetHwnd(), m_working.AlarmSound);
}

bool CPreferenceAlarmDlg::OnApply()
{
    if (!ExchangeData(true))
        return false;
    m_working.ExpiredAlarms = IsChecked(m_expired);
    m_working.DefaultSnoozeTime = m_snooze;
    m_working.DefaultAlarmHide = IsChecked(m_hide);
    m_working.DefaultAlarmPopup = IsChecked(m_popup);
    m_working.DefaultAlarmPopupCnt = m_popupCount;
    // A stored unit outside the list shows no selection and stays.
    const int unit = ComboSelection(GetHwnd(), IDC_ALARMPAGE_POPUP_UNIT);
    if (unit >= 0)
        m_working.DefaultAlarmPopupType = unit;
    m_working.DisplayAlarmNotification = IsChecked(m_notification);
    return true;
}

// Sound page.

CPreferenceSoundDlg::CPreferenceSoundDlg(CPreferences& working)
    : CPropertyPageBase(IDD_PREFERENCE_SOUND), m_working(working)
{
}

bool CPreferenceSoundDlg::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case WM_INITDIALOG:  result = OnInitDialog(); return true;
    case WM_COMMAND:     return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case MM_MCINOTIFY:   OnTestSoundNotify(GetHwnd(), wParam, lParam); return true;
    }
    return CPropertyPageBase::ProcessWindowMessage(msg, wParam, lParam, result);
}

bool CPreferenceSoundDlg::OnInitDialog()
{
    for (const UINT name : kSoundEvents)
        SendDlgItemMessageW(GetHwnd(), IDC_SOUNDPAGE_EVENTS, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(LoadResString(name)));
    LimitText(GetHwnd(), IDC_PREFPAGE_SOUND_FILE, kPathChars);
    ShowSoundState(GetHwnd());
    return true;
}

bool CPreferenceSoundDlg::OnCommand(int id, int code)
{
    if (id == IDC_SOUNDPAGE_EVENTS && code == LBN_SELCHANGE)
        OnEventChanged();
    else if (id == IDC_PREFPAGE_BROWSE_SOUND && IsClick(code))
        OnBrowseSound();
    else if (id == IDC_PREFPAGE_TEST_SOUND && IsClick(code))
        OnTestSound();
    else
        return false;
    return true;
}

wchar_t* CPreferenceSoundDlg::EventSound(int index) const
{
    switch (index) {
    case 0:  return m_working.CreateNote;
    case 1:  return m_working.DeleteNote;
    case 2:  return m_working.ShowHideNote;
    case 3:  return m_working.NoteReceived;
    }
    return nullptr;
}

// A path typed for one event is kept when the user turns to another.
void CPreferenceSoundDlg::OnEventChanged()
{
    StoreTypedPath();
    m_event = static_cast<int>(SendDlgItemMessageW(GetHwnd(), IDC_SOUNDPAGE_EVENTS, LB_GETCURSEL, 0, 0));
    const wchar_t* const sound = EventSound(m_event);
    SetDlgItemTextW(GetHwnd(), IDC_PREFPAGE_SOUND_FILE, sound ? sound : L"");
}

void CPreferenceSoundDlg::StoreTypedPath()
{
    if (wchar_t* const sound = EventSound(m_event))
        GetDlgItemTextW(GetHwnd(), IDC_PREFPAGE_SOUND_FILE, sound, kPathChars);
}

void CPreferenceSoundDlg::OnBrowseSound()
{
    wchar_t file[kPathChars] = {};
    GetDlgItemTextW(GetHwnd(), IDC_PREFPAGE_SOUND_FILE, file, kPathChars);
    if (!ChooseSound(GetHwnd(), file))
        return;
    SetDlgItemTextW(GetHwnd(), IDC_PREFPAGE_SOUND_FILE, file);
    StoreTypedPath();
}

void CPreferenceSoundDlg::OnTestSound()
{
    wchar_t file[kPathChars] = {};
    GetDlgItemTextW(GetHwnd(), IDC_PREFPAGE_SOUND_FILE, file, kPathChars);
    ToggleTestSound(GetHwnd(), file);
}

bool CPreferenceSoundDlg::OnApply()
{
    StoreTypedPath();
    return true;
}

// Language page.

CPreferenceLanguageDlg::CPreferenceLanguageDlg(CPreferences& working)
    : CPropertyPageBase(IDD_PREFERENCE_LANGUAGE), m_working(working)
{
}

bool CPreferenceLanguageDlg::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (msg == WM_INITDIALOG) {
        result = OnInitDialog();
        return true;
    }
    return CPropertyPageBase::ProcessWindowMessage(msg, wParam, lParam, result);
}

bool CPreferenceLanguageDlg::OnInitDialog()
{
    m_entries = ParseInstalledLanguages(m_working.InstalledLanguages);
    for (const SLanguageEntry& entry : m_entries)
        SendDlgItemMessageW(GetHwnd(), IDC_LANGPAGE_LANGUAGES, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(entry.name.c_str()));
    const int selected = LanguageIndexFor(m_entries, m_working.AltResFile);
    SendDlgItemMessageW(GetHwnd(), IDC_LANGPAGE_LANGUAGES, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    return true;
}

bool CPreferenceLanguageDlg::OnApply()
{
    const int selected = ComboSelection(GetHwnd(), IDC_LANGPAGE_LANGUAGES);
    CopyCut(m_working.AltResFile, AltResFileFor(m_entries, selected, m_working.AltResFile));
    return true;
}

// Network page.

CPreferenceNetworkDlg::CPreferenceNetworkDlg(CPreferences& working)
    : CPropertyPageBase(IDD_PREFERENCE_NETWORK), m_working(working)
{
}

bool CPreferenceNetworkDlg::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (msg == WM_INITDIALOG) {
        result = OnInitDialog();
        return true;
    }
    return CPropertyPageBase::ProcessWindowMessage(msg, wParam, lParam, result);
}

void CPreferenceNetworkDlg::DoDataExchange(CDataExchange& exchange)
{
    exchange.Check(IDC_NETPAGE_RECEIVE_NOTIFY, m_receiveNotify);
    exchange.Int(IDC_NETPAGE_PORT, m_port, 1, kMaxPort);
    exchange.Check(IDC_NETPAGE_DISABLE_NETWORK, m_disableNetwork);
    exchange.Check(IDC_NETPAGE_CHECK_VERSION, m_checkVersion);
}

bool CPreferenceNetworkDlg::OnInitDialog()
{
    m_receiveNotify = CheckState(m_working.ReceiveNotify);
    m_port = m_working.NetworkPort;
    m_disableNetwork = CheckState(m_working.DisableNetwork);
    m_checkVersion = CheckState(m_working.CheckVersion);
    ExchangeData(false);
    for (const SInterval& interval : kIntervals)
        SendDlgItemMessageW(GetHwnd(), IDC_NETPAGE_INTERVAL, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(LoadResString(interval.name)));
    SendDlgItemMessageW(GetHwnd(), IDC_NETPAGE_INTERVAL, CB_SETCURSEL,
                        static_cast<WPARAM>(IntervalIndexForDays(m_working.CheckVersionNumDays)), 0);
    return true;
}

bool CPreferenceNetworkDlg::OnApply()
{
    if (!ExchangeData(true))
        return false;
    m_working.CheckVersionNumDays =
        DaysForIntervalIndex(ComboSelection(GetHwnd(), IDC_NETPAGE_INTERVAL), m_working.CheckVersionNumDays);
    m_working.ReceiveNotify = IsChecked(m_receiveNotify);
    m_working.DisableNetwork = IsChecked(m_disableNetwork);
    m_working.CheckVersion = IsChecked(m_checkVersion);
    m_working.NetworkPort = m_port;
    return true;
}

// Hot keys page.

CPreferenceHotKeyDlg::CPreferenceHotKeyDlg(CPreferences& working, const PreferenceShellCalls& calls)
    : CPropertyPageBase(IDD_PREFERENCE_HOTKEYS), m_working(working), m_calls(calls)
{
}

bool CPreferenceHotKeyDlg::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (msg == WM_INITDIALOG) {
        result = OnInitDialog();
        return true;
    }
    if (msg == WM_COMMAND && IsClick(HIWORD(wParam))) {
        for (int hotKey = 1; hotKey <= static_cast<int>(std::size(kHotKeyRows)); ++hotKey)
            if (kHotKeyRows[hotKey - 1].buttonId == LOWORD(wParam)) {
                OnChange(hotKey);
                return true;
            }
    }
    return CPropertyPageBase::ProcessWindowMessage(msg, wParam, lParam, result);
}

bool CPreferenceHotKeyDlg::OnInitDialog()
{
    for (int hotKey = 1; hotKey <= static_cast<int>(std::size(kHotKeyRows)); ++hotKey)
        ShowHotKeyText(hotKey);
    return true;
}

// The shell's dialog registers the new key at once; the static shows what
// now holds, set or not.
void CPreferenceHotKeyDlg::OnChange(int hotKey)
{
    if (m_calls.changeHotKey)
        m_calls.changeHotKey(GetHwnd(), hotKey);
    ShowHotKeyText(hotKey);
}

void CPreferenceHotKeyDlg::ShowHotKeyText(int hotKey)
{
    const CStdStr text = m_calls.hotKeyText ? m_calls.hotKeyText(hotKey) : CStdStr();
    SetDlgItemTextW(GetHwnd(), kHotKeyRows[hotKey - 1].textId, text.c_str());
}
