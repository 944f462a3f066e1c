// Alarms as the main timers fire them: the firing table over flags, offsets,
// sounds, commands and the notification; the guard on commands that came
// from elsewhere or were missed; the start-up pass over missed alarms; and the
// timers' blink, idle close, prune and backup.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "dialogs/AlarmDisplayDlg.h"
#include "dialogs/DlgUtils.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "foundation/ShellExecSeam.h"
#include "foundation/ShellServices.h"
#include "framework/AppModule.h"
#include "notestore/Note.h"
#include "notestore/NoteAlarm.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"
#include "shell/MainCommands.h"
#include "shell/maintimers.h"
#include "shell/mainwnd.h"
#include "shell/trayicon.h"
#include "tests/shell/ShellStoreTestSupport.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/ShellExecuteRecorder.h"

namespace {

struct STrayCall {
    HICON icon;
    std::wstring tip;
    std::wstring info;
};
std::vector<STrayCall> g_trayCalls;

BOOL RecordTray(DWORD, NOTIFYICONDATAW* data)
{
    g_trayCalls.push_back({data->hIcon, data->szTip, (data->uFlags & NIF_INFO) ? data->szInfo : L""});
    return TRUE;
}

// A fixed "now", on a whole minute, so due times and texts are exact.
__time64_t g_now = 1765375200;   // 2025-12-10 14:00 UTC
__time64_t FixedNow()
{
    return g_now;
}

bool ClassesRegistered()
{
    static const bool registered = RegisterWindowClasses(GetModuleHandleW(nullptr)) != 0;
    return registered;
}

COleDateTime InSeconds(double seconds)
{
    return COleDateTime(COleDateTime::Now().m_dt + seconds / 86400.0);
}

CStdStr DateText(const COleDateTime& date)
{
    wchar_t text[64] = {};
    FormatDateShort(date.m_dt, text, 64);
    return text;
}

CStdStr TimeText(const COleDateTime& date)
{
    wchar_t text[64] = {};
    FormatTimeShort(date.m_dt, text, 64);
    return text;
}

// One alarm as a row: flag word, alarm and due times in seconds from now.
struct SAlarm {
    std::uint32_t flags = kAlarmActive | kAlarmSet;
    double alarmIn = -60;
    double dueIn = -60;
    int frequency = eFrequencyOnce;
    const wchar_t* command = L"";
    const wchar_t* sound = L"";
    bool visible = false;
    bool locked = false;
};

class CAlarmTest : public CShellStoreTest {
protected:
    CAlarmTest() : CShellStoreTest(&RecordTray) {}

    void SetUp() override
    {
        CShellStoreTest::SetUp();
        ASSERT_TRUE(ClassesRegistered());
        CreateWindows(L"MainWClass", L"ParentWClass", WS_POPUP, RECT{});
        g_appModule.SetAlarmDisplayDlg(nullptr);
        static const HMODULE richEdit = LoadLibraryW(L"RICHED20.DLL");
        ASSERT_NE(richEdit, nullptr);
        m_savedRichEdit20 = IsRichEdit20();
        g_appModule.SetRichEdit20(true);
        g_trayCalls.clear();
        ExecutedCalls().clear();
        LoadTrayIcons();
    }

    void TearDown() override
    {
        if (CAlarmDisplayDlg::Instance().IsWindow())
            DestroyWindow(CAlarmDisplayDlg::Instance().GetHwnd());
        PumpPosted();
        g_appModule.SetRichEdit20(m_savedRichEdit20);
        CShellStoreTest::TearDown();
    }

    std::int64_t StoreAlarm(const SAlarm& row, const wchar_t* name = L"Alarm note")
    {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().name = name;
        note->Row().text = L"Wake up";
        note->Row().displayText = L"Wake up";
        note->Row().visible = row.visible;
        note->Row().locked = row.locked;
        CNoteAlarm& alarm = note->Alarm();
        alarm.flags = row.flags;
        alarm.alarmDate = InSeconds(row.alarmIn);
        alarm.popupDate = InSeconds(-60);
        alarm.calculatedDate = InSeconds(row.dueIn);
        alarm.frequency = row.frequency;
        alarm.executeCmd = row.command;
        alarm.soundFile = row.sound;
        note->GetDisplayName();
        EXPECT_TRUE(m_manager.StoreNote(note));
        m_manager.ResetNextAlarm();
        return note->GetId();
    }

    struct SStored {
        std::uint32_t flags;
        double calculated;
        double alarm;
        int frequency;
    };
    SStored Stored(std::int64_t id)
    {
        CppSQLite3Query row = m_manager.GetDB()->execQuery(
            (L"SELECT alarm_alarmflags, alarm_calculated, alarm_alarm, alarm_frequency FROM notes WHERE id = " +
             std::to_wstring(id)).c_str());
        if (row.eof())
            return {0xFFFFFFFF, -1, -1, -1};
        return {static_cast<std::uint32_t>(row.getInt64Field(0)), row.getFloatField(1), row.getFloatField(2),
                row.getIntField(3)};
    }

    bool SoundPlayed(const wchar_t* file)
    {
        for (const std::wstring& command : CRecordedSound::Commands())
            if (command.find(file) != std::wstring::npos)
                return true;
        return false;
    }

    std::wstring LastBalloon() { return g_trayCalls.empty() ? L"<none>" : g_trayCalls.back().info; }

    bool m_savedRichEdit20 = false;
    CSeamOverride<SClockSeam> m_clock{g_clockSeam, {&FixedNow, g_clockSeam.tickCount}};
    CSeamOverride<SShellExecuteSeam> m_shell{g_shellExecuteSeam, {&RecordingShellExecute}};
};

// ---- the firing table

TEST_F(CAlarmTest, TheFiringTableShowsSoundsRunsAndStepsEachAlarmOnce)
{
    constexpr std::uint32_t kArmed = kAlarmActive | kAlarmSet;
    constexpr std::uint32_t kReminder = kArmed | kAlarmPopupPending;
    const struct {
        const char* what;
        SAlarm alarm;
        bool notification;
        const wchar_t* alarmSound;
        int commands;         // ShellExecuteW calls
        const wchar_t* played;  // sound file played, or null for a beep, or L"" for neither
        bool balloon;
        bool window;
        std::uint32_t storedFlags;
        bool disarmed;        // alarm_calculated 0
    } rows[] = {
        {"once, nothing else", {kArmed}, false, L"", 0, nullptr, true, false, kAlarmSet, true},
        {"setting's sound", {kArmed}, false, L"bell.wav", 0, L"bell.wav", true, false, kAlarmSet, true},
        {"own sound", {kArmed | kAlarmOwnSound, -60, -60, 0, L"", L"own.wav"}, false, L"bell.wav", 0, L"own.wav", true,
         false, kAlarmSet | kAlarmOwnSound, true},
        {"own sound without its flag", {kArmed, -60, -60, 0, L"", L"own.wav"}, false, L"bell.wav", 0, L"bell.wav", true,
         false, kAlarmSet, true},
        {"own sound with a quote", {kArmed | kAlarmOwnSound, -60, -60, 0, L"", L"own.wav\" to x"}, false, L"", 0,
         nullptr, true, false, kAlarmSet | kAlarmOwnSound, true},
        {"command", {kArmed | kAlarmRunCommand, -60, -60, 0, L"helper.exe /mark"}, false, L"", 1, nullptr, true, false,
         kAlarmSet | kAlarmRunCommand, true},
        {"command without its flag", {kArmed, -60, -60, 0, L"helper.exe /mark"}, false, L"", 0, nullptr, true, false,
         kAlarmSet, true},
        {"blank command", {kArmed | kAlarmRunCommand, -60, -60, 0, L"  \t"}, false, L"", 0, nullptr, true, false,
         kAlarmSet | kAlarmRunCommand, true},
        {"reminder, alarm 46 s away", {kReminder | kAlarmRunCommand, 46, -60, 0, L"helper.exe"}, false, L"", 0, L"",
         false, false, kReminder | kAlarmRunCommand, false},
        {"reminder, alarm 10 min away", {kReminder | kAlarmRunCommand, 600, -60, 0, L"helper.exe"}, false, L"", 0, L"",
         false, false, kReminder | kAlarmRunCommand, false},
        {"reminder, alarm 44 s away", {kReminder | kAlarmRunCommand, 44, -60, 0, L"helper.exe"}, false, L"", 1,
         nullptr, true, false, kAlarmSet | kAlarmPopupPending | kAlarmRunCommand, true},
        {"activated reminder", {kReminder | kAlarmActivateNote, 600, -60}, false, L"", 0, L"", false, false,
         kReminder | kAlarmActivateNote, false},
        {"not active", {kAlarmSet | kAlarmRunCommand, -60, -60, 0, L"helper.exe"}, false, L"bell.wav", 0, L"", false,
         false, kAlarmSet | kAlarmRunCommand, true},
        {"notification", {kArmed | kAlarmRunCommand, -60, -60, 0, L"helper.exe"}, true, L"", 1, nullptr, false, true,
         kAlarmRunCommand, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ScopedUiScript script;
        CRecordedSound::Commands().clear();
        ExecutedCalls().clear();
        g_trayCalls.clear();
        g_prefs.DisplayAlarmNotification = row.notification;
        lstrcpynW(g_prefs.AlarmSound, row.alarmSound, MAX_PATH);
        const std::int64_t id = StoreAlarm(row.alarm);
        const COleDateTime alarmDate = m_manager.GetNote(id)->Alarm().alarmDate;

        CMainTimers timers;
        timers.OnTimer(m_window, kMainTimerId);

        EXPECT_EQ(ExecutedCalls().size(), static_cast<size_t>(row.commands));
        if (row.played == nullptr) {
            EXPECT_EQ(script.Beeps(), std::vector<UINT>{0u});
        } else {
            EXPECT_TRUE(script.Beeps().empty());
            EXPECT_EQ(*row.played ? SoundPlayed(row.played) : CRecordedSound::Commands().empty(), true);
        }
        ASSERT_FALSE(g_trayCalls.empty());
        EXPECT_EQ(g_trayCalls.back().icon, GetTrayIcon(kTrayIconNormal));
        EXPECT_EQ(LastBalloon(), row.balloon ? L"Alarm: " + DateText(alarmDate) + L" " + TimeText(alarmDate)
                                             : std::wstring());
        EXPECT_EQ(CAlarmDisplayDlg::Instance().IsWindow(), row.window);
        EXPECT_EQ(g_appModule.GetAlarmDisplayDlg() != nullptr, row.window);
        EXPECT_FALSE(timers.IsFiring());
        if (row.window) {
            // The notification keeps its change until it closes.
            EXPECT_TRUE(m_manager.AlarmChecksPaused());
            SendMessageW(CAlarmDisplayDlg::Instance().GetHwnd(), WM_COMMAND, IDCANCEL, 0);
            EXPECT_FALSE(m_manager.AlarmChecksPaused());
            EXPECT_EQ(g_appModule.GetAlarmDisplayDlg(), nullptr);
        }
        const SStored stored = Stored(id);
        EXPECT_EQ(stored.flags & 0xFF, row.storedFlags) << std::hex << stored.flags;
        EXPECT_EQ(stored.calculated == 0.0, row.disarmed) << stored.calculated;
        if ((row.alarm.flags & kAlarmPopupPending) && !row.disarmed) {
            EXPECT_DOUBLE_EQ(stored.calculated, alarmDate.m_dt);
        }
        if (row.alarm.flags & kAlarmPopupPending) {
            EXPECT_TRUE(m_manager.GetNote(id)->IsVisible());
        }

        // Nothing fires twice.
        ExecutedCalls().clear();
        timers.OnTimer(m_window, kMainTimerId);
        EXPECT_TRUE(ExecutedCalls().empty());
        m_manager.DeleteNote(m_manager.GetNote(id));
    }
}

// ---- the command guard

std::wstring OleText(const COleDateTime& date)
{
    CStdStr text;
    text.Format(L"%.10f", date.m_dt);
    return text;
}

TEST_F(CAlarmTest, OnlyTheUsersOwnLiveAlarmRunsItsCommand)
{
    ScopedUiScript script;
    g_prefs.DisplayAlarmNotification = false;
    const std::wstring past = OleText(InSeconds(-60));
    const std::wstring received =
        L"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<NOTES>\r\n<note>\r\n"
        L"<text>from a peer</text>\r\n<alarm_executecmd>calc.exe</alarm_executecmd>\r\n"
        L"<alarm_alarmflags>37</alarm_alarmflags>\r\n<alarm_alarm>" + past + L"</alarm_alarm>\r\n"
        L"<alarm_calculated>" + past + L"</alarm_calculated>\r\n</note>\r\n</NOTES>";
    CNote* const peer = m_manager.CreateNoteFromXml(received.c_str());
    ASSERT_NE(peer, nullptr);
    const std::int64_t peerId = peer->GetId();
    m_manager.ResetNextAlarm();
    CMainTimers timers;
    timers.OnTimer(m_window, kMainTimerId);
    EXPECT_TRUE(ExecutedCalls().empty());
    EXPECT_EQ(Stored(peerId).calculated, 0.0);

    // An old file's row: the command and its flag, the alarm not active.
    const std::int64_t inactive = StoreAlarm({kAlarmSet | kAlarmRunCommand, -60, -60, 0, L"calc.exe"});
    timers.OnTimer(m_window, kMainTimerId);
    EXPECT_TRUE(ExecutedCalls().empty());
    EXPECT_EQ(Stored(inactive).calculated, 0.0);

    // The note goes while its password is asked for.
    const std::int64_t locked =
        StoreAlarm({kAlarmActive | kAlarmSet | kAlarmPopupPending | kAlarmActivateNote | kAlarmRunCommand, 10, -60, 0,
                    L"calc.exe", L"", false, true});
    script.HandleModal(IDD_UNLOCK_NOTE, [&](const SModalRun&) -> INT_PTR {
        m_manager.DeleteNote(m_manager.GetNote(locked));
        return 0;
    });
    timers.OnTimer(m_window, kMainTimerId);
    EXPECT_TRUE(ExecutedCalls().empty());
    EXPECT_EQ(m_manager.GetNote(locked), nullptr);
    EXPECT_FALSE(timers.IsFiring());

    const std::int64_t own = StoreAlarm({kAlarmActive | kAlarmSet | kAlarmRunCommand, -60, -60, 0, L"helper.exe /mark"});
    timers.OnTimer(m_window, kMainTimerId);
    ASSERT_EQ(ExecutedCalls().size(), 1u);
    EXPECT_NE(ExecutedCalls()[0].file.find(L"helper.exe"), std::wstring::npos);
    EXPECT_NE(ExecutedCalls()[0].parameters.find(L"/mark"), std::wstring::npos);
    EXPECT_EQ(Stored(own).calculated, 0.0);
    timers.OnTimer(m_window, kMainTimerId);
    EXPECT_EQ(ExecutedCalls().size(), 1u);
}

// Once an alarm's due time is stored as fired, every later write of its row fails.
TEST_F(CAlarmTest, AFailedStoreLeavesTheNoteModifiedAndEndsTheFiringAndThePause)
{
    for (const bool notification : {false, true}) {
        SCOPED_TRACE(notification ? "notification" : "balloon");
        g_prefs.DisplayAlarmNotification = notification;
        const std::int64_t id = StoreAlarm({kAlarmActive | kAlarmSet, -60, -60});
        Sql(L"CREATE TRIGGER refuse_fired BEFORE UPDATE ON notes WHEN OLD.alarm_calculated = 0 "
            L"BEGIN SELECT RAISE(ABORT, 'refused'); END;");
        CMainTimers timers;
        timers.OnTimer(m_window, kMainTimerId);
        if (notification)
            SendMessageW(CAlarmDisplayDlg::Instance().GetHwnd(), WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(m_manager.GetNote(id)->IsModified());
        EXPECT_FALSE(timers.IsFiring());
        EXPECT_FALSE(m_manager.AlarmChecksPaused());
        EXPECT_FALSE(KillTimer(m_window, kBlinkTimerId));
        ASSERT_FALSE(g_trayCalls.empty());
        EXPECT_EQ(g_trayCalls.back().icon, GetTrayIcon(kTrayIconNormal));
        Sql(L"DROP TRIGGER refuse_fired;");
        EXPECT_TRUE(m_manager.SaveModifiedNotes());
        EXPECT_EQ(Stored(id).flags & 0xFF, (notification ? 0u : static_cast<std::uint32_t>(kAlarmSet)));
        m_manager.DeleteNote(m_manager.GetNote(id));
    }
}

// ---- the start-up pass

TEST_F(CAlarmTest, TheStartUpPassStoresEveryMissedAlarmOnceAndShowsThemInTurn)
{
    for (const bool expired : {true, false}) {
        SCOPED_TRACE(expired ? "ExpiredAlarms on" : "ExpiredAlarms off");
        ScopedUiScript script;
        g_prefs.ExpiredAlarms = expired;
        g_prefs.DisplayAlarmNotification = true;
        constexpr std::uint32_t kArmed = kAlarmActive | kAlarmSet;
        const std::int64_t once = StoreAlarm({kArmed, -3600, -3600}, L"once");
        const double threeDays = -3 * 86400.0 - 3600;
        const std::int64_t daily = StoreAlarm({kArmed, threeDays, threeDays, eFrequencyDaily}, L"daily");
        const std::int64_t reminder =
            StoreAlarm({kArmed | kAlarmPopupPending, 3600, -60, 0, L"", L"", true}, L"reminder");
        const std::int64_t command =
            StoreAlarm({kArmed | kAlarmRunCommand, -3600, -3600, 0, L"helper.exe"}, L"command");
        const double reminderAlarm = m_manager.GetNote(reminder)->Alarm().alarmDate.m_dt;
        if (expired)
            script.AnswerMessageBox(IDOK);

        CMainTimers timers;
        timers.ClearPreviousAlarms();

        // All stored by the pass itself, before any window closes.
        EXPECT_EQ(Stored(once).flags & 0xFF, 0u);
        EXPECT_EQ(Stored(once).calculated, 0.0);
        EXPECT_EQ(Stored(command).flags & 0xFF, static_cast<std::uint32_t>(kAlarmRunCommand));
        const SStored next = Stored(daily);
        EXPECT_EQ(next.flags & 0xFF, kArmed);
        EXPECT_NEAR(next.alarm, InSeconds(23 * 3600.0).m_dt, 1e-6);
        EXPECT_NEAR(next.calculated, next.alarm, 1e-9);
        EXPECT_EQ(Stored(reminder).flags & 0xFF, kArmed);
        EXPECT_DOUBLE_EQ(Stored(reminder).calculated, reminderAlarm);
        EXPECT_TRUE(ExecutedCalls().empty());

        std::vector<std::wstring> shown;
        while (CAlarmDisplayDlg::Instance().IsWindow()) {
            const HWND window = CAlarmDisplayDlg::Instance().GetHwnd();
            EXPECT_EQ(g_appModule.GetAlarmDisplayDlg(), window);
            EXPECT_TRUE(m_manager.AlarmChecksPaused());
            wchar_t text[512] = {};
            GetDlgItemTextW(window, IDC_ALARM_TEXT, text, 512);
            shown.push_back(text);
            SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
            PumpMessagesFor(100);
            ASSERT_LT(shown.size(), 5u);
        }
        EXPECT_EQ(shown.size(), expired ? 3u : 0u);
        if (expired) {
            ASSERT_EQ(script.MessageBoxTexts().size(), 1u);
            EXPECT_NE(script.MessageBoxTexts()[0].find(L"expired 3 time(s)"), std::wstring::npos);
            // "Alarm time" is the due time before the advance.
            const COleDateTime due = InSeconds(threeDays);
            const auto shownFor = [&](const wchar_t* name) {
                for (const std::wstring& text : shown)
                    if (text.find(std::wstring(L"Alarm for note ") + name + L"\r") != std::wstring::npos)
                        return text;
                return std::wstring(L"<not shown>");
            };
            const std::wstring dailyText = shownFor(L"daily");
            EXPECT_NE(dailyText.find(L"Alarm time: " + DateText(due) + L" " + TimeText(due)), std::wstring::npos)
                << dailyText;
            EXPECT_NE(dailyText.find(L"Next alarm: " + DateText(COleDateTime(next.alarm)) + L" " +
                                     TimeText(COleDateTime(next.alarm)) + L" (Repeated daily)"),
                      std::wstring::npos)
                << dailyText;
            EXPECT_NE(shownFor(L"once").find(L"Next alarm: none"), std::wstring::npos);
            EXPECT_NE(shownFor(L"command").find(L"Next alarm: none"), std::wstring::npos);
        }
        EXPECT_FALSE(m_manager.AlarmChecksPaused());
        EXPECT_EQ(g_appModule.GetAlarmDisplayDlg(), nullptr);
        EXPECT_NEAR(Stored(daily).alarm, next.alarm, 1e-9);   // not stepped again by its window

        timers.OnTimer(m_window, kMainTimerId);
        EXPECT_TRUE(ExecutedCalls().empty());
        EXPECT_FALSE(CAlarmDisplayDlg::Instance().IsWindow());
        EXPECT_EQ(m_manager.GetDueAlarmNote(true), nullptr);
        for (const std::int64_t id : {once, daily, reminder, command})
            m_manager.DeleteNote(m_manager.GetNote(id));
    }
}

TEST_F(CAlarmTest, WithoutADatabaseThereIsNoPassAndNoAlarm)
{
    m_manager.CloseAll();
    CNoteManager missing;
    missing.SetDatabasePath(m_dir.File(L"no such folder\\QUILLT40.DAT").c_str());
    CSeamOverride<SNoteManagerSeam> seam(g_noteManagerSeam, {&missing});
    CLogCapture log;
    CMainTimers timers;
    timers.ClearPreviousAlarms();
    timers.OnTimer(m_window, kMainTimerId);
    EXPECT_FALSE(log.Contains(L"Start - Clearing previous alarms"));
    EXPECT_FALSE(timers.IsFiring());
    EXPECT_FALSE(CAlarmDisplayDlg::Instance().IsWindow());
    missing.CloseAll();
}

TEST_F(CAlarmTest, AFreshRunFindsNothingLeftOfTheMissedAlarms)
{
    g_prefs.ExpiredAlarms = false;
    StoreAlarm({kAlarmActive | kAlarmSet | kAlarmRunCommand, -3600, -3600, 0, L"helper.exe"});
    StoreAlarm({kAlarmActive | kAlarmSet, -86400.0 * 2, -86400.0 * 2, eFrequencyHourly});
    CMainTimers().ClearPreviousAlarms();
    m_manager.CloseAll();

    CNoteManager fresh;
    fresh.SetDatabasePath(m_dir.File(L"QUILLT40.DAT").c_str());
    CSeamOverride<SNoteManagerSeam> seam(g_noteManagerSeam, {&fresh});
    EXPECT_EQ(fresh.GetDueAlarmNote(false), nullptr);
    EXPECT_EQ(fresh.GetDueAlarmNote(true), nullptr);
    fresh.CloseAll();
}

// ---- the notification's exits

// Runs the real snooze dialog, types the minutes and presses the button once
// the dialog is up.
std::wstring g_snoozeMinutes;
int g_snoozeButton = IDOK;

void AnswerSnooze(HWND dialog)
{
    SetDlgItemTextW(dialog, IDC_SNOOZE_MINUTES, g_snoozeMinutes.c_str());
    SendMessageW(dialog, WM_COMMAND, g_snoozeButton, 0);
    // A refused number keeps the dialog: it is cancelled then. A dialog that
    // ended leaves its loop before this arrives.
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

INT_PTR RunSnoozeTyping(const SModalRun& run)
{
    WhenThreadWindowShows(L"Quillet - Snooze alarm", &AnswerSnooze);
    return run.realRun(run.context);
}

TEST_F(CAlarmTest, EachWayOutOfTheNotificationStoresTheAlarmOnceAndEndsItsPause)
{
    constexpr std::uint32_t kArmed = kAlarmActive | kAlarmSet;
    enum EAction { kClose, kDisplay, kSnoozeOk, kSnoozeCancelThenClose, kDeleteYes, kDeleteNo, kLockedDelete,
                   kDeletedElsewhere, kDestroyed, kCancelRepeat };
    const struct {
        const char* what;
        EAction action;
        int frequency;
        bool quickSnoozed;
        bool rowKept;
        std::uint32_t flags;   // low byte stored
        bool due;              // alarm_calculated set
        int storedFrequency;
    } rows[] = {
        {"close once", kClose, 0, false, true, 0, false, 0},
        {"close daily", kClose, eFrequencyDaily, false, true, kArmed, true, eFrequencyDaily},
        {"close quick-snoozed", kClose, eFrequencyDaily, true, true, 0, false, eFrequencyDaily},
        {"display note", kDisplay, 0, false, true, 0, false, 0},
        {"snooze", kSnoozeOk, 0, false, true, kArmed, true, 0},
        {"snooze quick-snoozed", kSnoozeOk, 0, true, true, kArmed | kAlarmQuickSnoozed, true, 0},
        {"snooze cancelled, closed", kSnoozeCancelThenClose, 0, false, true, 0, false, 0},
        {"delete", kDeleteYes, 0, false, false, 0, false, 0},
        {"delete refused", kDeleteNo, eFrequencyDaily, false, true, kArmed, true, eFrequencyDaily},
        {"locked delete refused", kLockedDelete, eFrequencyDaily, false, true, kArmed, true, eFrequencyDaily},
        {"deleted elsewhere", kDeletedElsewhere, 0, false, false, 0, false, 0},
        {"destroyed", kDestroyed, eFrequencyDaily, true, true, 0, false, eFrequencyDaily},
        {"cancel repeat", kCancelRepeat, eFrequencyDaily, false, true, 0, false, 0},
    };
    g_prefs.DefaultSnoozeTime = 5;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ScopedUiScript script;
        const std::uint32_t flags = kArmed | (row.quickSnoozed ? kAlarmQuickSnoozed : 0u);
        const std::int64_t id =
            StoreAlarm({flags, -60, -60, row.frequency, L"", L"", false, row.action == kLockedDelete});
        CNote* const note = m_manager.GetNote(id);
        ASSERT_TRUE(ShowAlarmDisplayDlg(note));
        EXPECT_FALSE(ShowAlarmDisplayDlg(note));
        const HWND window = CAlarmDisplayDlg::Instance().GetHwnd();
        EXPECT_EQ(g_appModule.GetAlarmDisplayDlg(), window);
        EXPECT_TRUE(m_manager.AlarmChecksPaused());
        const auto press = [&](int id) { SendMessageW(window, WM_COMMAND, id, 0); };
        switch (row.action) {
        case kClose: press(IDCANCEL); break;
        case kDisplay: press(IDOK); break;
        case kSnoozeOk:
            g_snoozeMinutes = L"5";
            g_snoozeButton = IDOK;
            script.HandleModal(IDD_SNOOZE, &RunSnoozeTyping);
            press(IDC_ALARM_SNOOZE);
            break;
        case kSnoozeCancelThenClose:
            script.AnswerModal(IDD_SNOOZE, 0);
            press(IDC_ALARM_SNOOZE);
            EXPECT_TRUE(IsWindow(window));
            EXPECT_TRUE(m_manager.AlarmChecksPaused());
            EXPECT_EQ(m_manager.GetDueAlarmNote(true), nullptr);
            press(IDCANCEL);
            break;
        case kDeleteYes: script.AnswerMessageBox(IDYES); press(IDC_ALARM_DELETE); break;
        case kDeleteNo: script.AnswerMessageBox(IDNO); press(IDC_ALARM_DELETE); break;
        case kLockedDelete:
            script.AnswerMessageBox(IDYES);
            script.AnswerModal(IDD_UNLOCK_NOTE, IDCANCEL);
            press(IDC_ALARM_DELETE);
            break;
        case kDeletedElsewhere:
            m_manager.DeleteNote(m_manager.GetNote(id));
            PumpPosted();
            break;
        case kDestroyed: DestroyWindow(window); break;
        case kCancelRepeat:
            press(IDC_ALARM_CANCEL_REPEAT);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_ALARM_CANCEL_REPEAT)));
            press(IDCANCEL);
            break;
        }
        EXPECT_FALSE(IsWindow(window));
        EXPECT_FALSE(m_manager.AlarmChecksPaused());
        EXPECT_EQ(g_appModule.GetAlarmDisplayDlg(), nullptr);
        const SStored stored = Stored(id);
        if (!row.rowKept) {
            EXPECT_EQ(stored.flags, 0xFFFFFFFF);
            continue;
        }
        EXPECT_EQ(stored.flags & 0xFF, row.flags) << std::hex << stored.flags;
        EXPECT_EQ(stored.calculated > 1.0, row.due) << stored.calculated;
        EXPECT_EQ(stored.frequency, row.storedFrequency);
        if (row.action == kSnoozeOk) {
            EXPECT_NEAR(stored.calculated, InSeconds(300).m_dt, 1e-6);
        }
        if (row.action == kDisplay) {
            EXPECT_TRUE(m_manager.GetNote(id)->IsVisible());
        }
        EXPECT_FALSE(m_manager.GetNote(id)->IsModified());
        m_manager.DeleteNote(m_manager.GetNote(id));
    }
}

TEST_F(CAlarmTest, SnoozeTakesOnlyAWholeNumberOfMinutesFromOneUp)
{
    const struct {
        const wchar_t* typed;
        bool taken;
    } rows[] = {{L"0", false}, {L"-5", false}, {L"12abc", false}, {L"", false}, {L"2147483648", false},
                {L"1", true}, {L" 2147483647 ", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "\"" << std::string(row.typed, row.typed + wcslen(row.typed)) << "\"");
        ScopedUiScript script;
        const std::int64_t id = StoreAlarm({kAlarmActive | kAlarmSet, -60, -60});
        if (!row.taken)
            script.AnswerMessageBox(IDOK);
        g_snoozeMinutes = row.typed;
        g_snoozeButton = IDOK;
        script.HandleModal(IDD_SNOOZE, &RunSnoozeTyping);
        EXPECT_EQ(ShowSnoozeDisplayDlg(m_window, m_manager.GetNote(id), InSeconds(-60)), row.taken);
        if (!row.taken) {
            EXPECT_EQ(script.MessageBoxTexts(), std::vector<std::wstring>{LoadResString(IDS_INCORRECT_NUMBER)});
        } else {
            EXPECT_GT(m_manager.GetNote(id)->Alarm().calculatedDate.m_dt, COleDateTime::Now().m_dt);
        }
        EXPECT_FALSE(m_manager.AlarmChecksPaused());
        m_manager.DeleteNote(m_manager.GetNote(id));
    }
}

// ---- what the notification shows

std::wstring ControlText(HWND window, int id)
{
    wchar_t text[2048] = {};
    GetDlgItemTextW(window, id, text, 2048);
    return text;
}

TEST_F(CAlarmTest, TitlesShowLiterallyAndALockedNoteShowsNoText)
{
    const wchar_t* const titles[] = {L"a}b", L"{\\b x", L"C:\\new", L"caf\u00e9", L"\ua000", L"smile \U0001F600",
                                     L"Budget {Q3}"};
    for (const bool locked : {false, true}) {
        for (const wchar_t* title : titles) {
            SCOPED_TRACE(testing::Message() << "locked " << locked << " title " << static_cast<int>(title[0]));
            const std::int64_t id = StoreAlarm({kAlarmActive | kAlarmSet, -60, -60, 0, L"", L"", false, locked}, title);
            ASSERT_TRUE(ShowAlarmDisplayDlg(m_manager.GetNote(id)));
            const HWND window = CAlarmDisplayDlg::Instance().GetHwnd();
            const std::wstring text = ControlText(window, IDC_ALARM_TEXT);
            EXPECT_EQ(text.find(std::wstring(L"Alarm for note ") + title + L"\r"), 0u) << text.size();
            EXPECT_EQ(ControlText(window, IDC_ALARM_PREVIEW), locked ? LoadResString(IDS_LOCKED) : L"Wake up");
            SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
            m_manager.DeleteNote(m_manager.GetNote(id));
        }
    }
}

TEST_F(CAlarmTest, AnAlarmTextPastItsBufferIsCutAndALanguageWithoutOneUsesTheProgramsOwn)
{
    EXPECT_EQ(LoadRtfResource(L"SHOWALARM").compare(0, 6, L"{\\rtf1"), 0);
    ASSERT_EQ(CResModule::LoadLanguage(L"QLALARMLANG.DLL"), 1);
    const CStdStr big = LoadRtfResource(L"SHOWALARM");
    EXPECT_EQ(big.size(), 0x7FFFu);
    const std::int64_t id = StoreAlarm({kAlarmActive | kAlarmSet, -60, -60});
    const bool shown = ShowAlarmDisplayDlg(m_manager.GetNote(id));
    if (shown)
        SendMessageW(CAlarmDisplayDlg::Instance().GetHwnd(), WM_COMMAND, IDCANCEL, 0);
    CResModule::FreeLanguage();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(m_manager.AlarmChecksPaused());
    EXPECT_EQ(Stored(id).calculated, 0.0);
}

TEST_F(CAlarmTest, ANotificationOnAHiddenNoteOutlivesTheIdlePruneAndStoresItsOwnRow)
{
    for (int index = 0; index < 120; ++index)
        StoreNamedNote(L"n", L"t", false, false, 0);
    const std::int64_t id = StoreAlarm({kAlarmActive | kAlarmSet, -60, -60, eFrequencyDaily}, L"mine");
    for (const std::int64_t each : m_manager.GetAllNoteIDs())
        m_manager.GetNote(each);
    ASSERT_TRUE(ShowAlarmDisplayDlg(m_manager.GetNote(id)));
    CMainTimers timers;
    for (int tick = 0; tick < 6; ++tick)
        timers.OnTimer(m_window, kUpkeepTimerId);
    EXPECT_LT(m_manager.GetCachedNoteCount(), 10);
    EXPECT_EQ(m_manager.GetDueAlarmNote(true), nullptr);
    SendMessageW(CAlarmDisplayDlg::Instance().GetHwnd(), WM_COMMAND, IDCANCEL, 0);
    const SStored stored = Stored(id);
    EXPECT_EQ(stored.flags & 0xFF, static_cast<std::uint32_t>(kAlarmActive | kAlarmSet));
    EXPECT_NEAR(stored.alarm, InSeconds(86400 - 60).m_dt, 1e-6);
    EXPECT_NEAR(stored.calculated, stored.alarm, 1e-9);
    EXPECT_EQ(m_manager.GetNote(id)->GetName(), L"mine");
}

TEST_F(CAlarmTest, InAModalLoopTheTrayIconBlinksThenTheNormalOneComesBack)
{
    ScopedUiScript script;
    StoreAlarm({kAlarmActive | kAlarmSet | kAlarmPopupPending | kAlarmActivateNote, 10, -60, 0, L"", L"", false, true});
    script.HandleModal(IDD_UNLOCK_NOTE, [&](const SModalRun&) -> INT_PTR {
        PumpMessagesFor(600);
        return IDCANCEL;
    });
    g_trayCalls.clear();
    MainTimers().OnTimer(m_window, kMainTimerId);
    std::vector<HICON> blinks;
    for (const STrayCall& call : g_trayCalls)
        if (call.tip == L"Alarm")
            blinks.push_back(call.icon);
    ASSERT_GE(blinks.size(), 3u);
    for (size_t index = 0; index + 1 < blinks.size(); ++index)
        EXPECT_NE(blinks[index], blinks[index + 1]);
    for (const HICON icon : blinks)
        EXPECT_TRUE(icon == GetTrayIcon(kTrayIconAlarm1) || icon == GetTrayIcon(kTrayIconAlarm2));
    EXPECT_EQ(g_trayCalls.back().icon, GetTrayIcon(kTrayIconNormal));
    EXPECT_FALSE(MainTimers().IsFiring());
    EXPECT_FALSE(KillTimer(m_window, kBlinkTimerId));
    // A tick after the firing blinks no more.
    const size_t calls = g_trayCalls.size();
    MainTimers().OnTimer(m_window, kBlinkTimerId);
    EXPECT_EQ(g_trayCalls.size(), calls);
}

// ---- the timers

TEST_F(CAlarmTest, SixQuietTicksCloseAndPruneOnceAndABusyTickStartsAgain)
{
    for (int index = 0; index < 120; ++index)
        StoreNamedNote(L"n", L"t", false, false, 0);
    for (std::int64_t id : m_manager.GetAllNoteIDs())
        m_manager.GetNote(id);
    ASSERT_GE(m_manager.GetCachedNoteCount(), 120);
    CMainTimers timers;
    for (int tick = 0; tick < 5; ++tick)
        timers.OnTimer(m_window, kUpkeepTimerId);
    {
        CDBUseGuard busy(m_manager);
        timers.OnTimer(m_window, kUpkeepTimerId);
    }
    for (int tick = 0; tick < 5; ++tick)
        timers.OnTimer(m_window, kUpkeepTimerId);
    EXPECT_GE(m_manager.GetCachedNoteCount(), 120);
    timers.OnTimer(m_window, kUpkeepTimerId);
    EXPECT_EQ(m_manager.GetCachedNoteCount(), 0);
}

TEST_F(CAlarmTest, TheFortiethTickBacksUp)
{
    const std::wstring backups = m_dir.File(L"Backup");
    CreateDirectoryW(backups.c_str(), nullptr);
    SetDataFilePaths(m_dir.Path().c_str());
    StoreNamedNote(L"n", L"t", false, false, 0);
    g_prefs.CheckVersion = false;
    CMainTimers timers;
    for (int tick = 1; tick <= 39; ++tick)
        timers.OnTimer(m_window, kMainTimerId);
    WIN32_FIND_DATAW found;
    const auto backupCount = [&] {
        int count = 0;
        const HANDLE search = FindFirstFileW((backups + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return 0;
        do
            count += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
        while (FindNextFileW(search, &found));
        FindClose(search);
        return count;
    };
    EXPECT_EQ(backupCount(), 0);
    timers.OnTimer(m_window, kMainTimerId);
    EXPECT_GE(backupCount(), 1);
}

}  // namespace
