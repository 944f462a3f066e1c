// The alarm dialog: the quick-set presets and the alarm it opens on as pure
// functions, then the real box on a stored note: what OK and Cancel store,
// the reminder count refused outside 1-255, a date in the past, and a note
// gone while the box is open.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <iomanip>
#include <sstream>
#include <string>

#include "BoxScript.h"
#include "NoteDialogTestSupport.h"
#include "dialogs/AlarmDlg.h"
#include "foundation/ShellExecSeam.h"
#include "foundation/SoundPlayer.h"
#include "foundation/ResModule.h"
#include "notestore/NoteAlarm.h"
#include "resources/resource.h"
#include "tests/support/ShellExecuteRecorder.h"

namespace {

const wchar_t kAlarmCaption[] = L"Quillet - Select time and date for alarm";

COleDateTime At(int year, int month, int day, int hour, int minute, int second)
{
    return COleDateTime(year, month, day, hour, minute, second);
}

std::string Text(const COleDateTime& date)
{
    SYSTEMTIME time = {};
    if (!date.GetAsSystemTime(time))
        return "invalid";
    std::ostringstream text;
    text << std::setfill('0') << std::setw(4) << time.wYear << '-' << std::setw(2) << time.wMonth << '-'
         << std::setw(2) << time.wDay << ' ' << std::setw(2) << time.wHour << ':' << std::setw(2) << time.wMinute
         << ':' << std::setw(2) << time.wSecond;
    return text.str();
}

TEST(QuickAlarmDate, PresetsLandOnTheCalendarDateTheyName)
{
    struct Case { UINT command; COleDateTime now; const char* expected; };
    const Case cases[] = {
        { ID_QUICK_IN_15_MINUTES, At(2027, 12, 31, 23, 50, 0), "2028-01-01 00:05:00" },   // over a year's end
        { ID_QUICK_IN_30_MINUTES, At(2027, 5, 1, 10, 45, 30), "2027-05-01 11:15:30" },
        { ID_QUICK_IN_AN_HOUR, At(2027, 2, 28, 23, 30, 0), "2027-03-01 00:30:00" },
        { ID_QUICK_AFTER_LUNCH, At(2027, 6, 1, 12, 59, 59), "2027-06-01 13:00:00" },       // still before lunch
        { ID_QUICK_AFTER_LUNCH, At(2027, 6, 1, 13, 0, 0), "2027-06-02 13:00:00" },         // lunch has begun
        { ID_QUICK_TOMORROW, At(2027, 6, 30, 9, 0, 0), "2027-07-01 09:00:00" },
        { ID_QUICK_TOMORROW_MORNING, At(2027, 6, 1, 23, 30, 0), "2027-06-02 08:00:00" },
        { ID_QUICK_NEXT_WEEK, At(2027, 12, 28, 7, 0, 0), "2028-01-04 07:00:00" },
        { ID_QUICK_NEXT_MONTH, At(2027, 1, 31, 9, 15, 0), "2027-02-28 09:15:00" },         // common year
        { ID_QUICK_NEXT_MONTH, At(2028, 1, 31, 9, 15, 0), "2028-02-29 09:15:00" },         // leap year
        { ID_QUICK_NEXT_MONTH, At(2027, 3, 31, 18, 0, 0), "2027-04-30 18:00:00" },
        { ID_QUICK_NEXT_MONTH, At(2027, 12, 15, 8, 0, 0), "2028-01-15 08:00:00" },         // not 1 January
        { ID_QUICK_NEXT_MONTH, At(2027, 12, 31, 8, 0, 0), "2028-01-31 08:00:00" },
        { ID_QUICK_NEXT_MONTH, At(9999, 12, 15, 8, 0, 0), "invalid" },                     // past the calendar
        { 21049, At(2027, 6, 1, 12, 0, 0), "invalid" },                                     // no preset
    };
    for (const Case& c : cases)
        EXPECT_EQ(Text(QuickAlarmDate(c.command, c.now)), c.expected) << c.command << " at " << Text(c.now);
}

TEST(PrepareAlarmForEditing, AnAlarmOpensActiveWithAReminderFromStoreOrSettings)
{
    const COleDateTime now = At(2027, 3, 10, 12, 0, 0);
    const CFixedClock clock(now);
    const SAlarmDefaults defaults{ true, 15, ePeriodMinutes };
    struct Case {
        const char* what;
        std::uint32_t flags;
        COleDateTime date;
        const char* opensOn;
        bool popup;
        int count, unit;
    };
    const Case cases[] = {
        { "never set", 0, COleDateTime(0.0), "2027-03-10 12:10:00", true, 15, ePeriodMinutes },
        { "off, in the future", kAlarmSet, At(2027, 4, 1, 9, 0, 0), "2027-04-01 09:00:00", true, 15, ePeriodMinutes },
        { "off, in the past", kAlarmSet, At(2027, 3, 1, 9, 0, 0), "2027-03-10 12:10:00", true, 15, ePeriodMinutes },
        { "reminder stored", kAlarmActive | kAlarmSet | kAlarmPopupFromPeriod, At(2027, 5, 1, 9, 0, 0),
          "2027-05-01 09:00:00", false, 2, ePeriodHours },
    };
    for (const Case& c : cases) {
        CNoteAlarm alarm;
        alarm.flags = c.flags;
        alarm.alarmDate = c.date;
        alarm.periodCount = 2;
        alarm.period = ePeriodHours;
        PrepareAlarmForEditing(alarm, defaults, now);
        EXPECT_TRUE(alarm.IsActive()) << c.what;
        EXPECT_EQ(Text(alarm.alarmDate), c.opensOn) << c.what;
        EXPECT_TRUE(alarm.flags & kAlarmPopupFromPeriod) << c.what;
        EXPECT_EQ((alarm.flags & kAlarmPopupPending) != 0, c.popup) << c.what;
        EXPECT_EQ(alarm.periodCount, c.count) << c.what;
        EXPECT_EQ(alarm.period, c.unit) << c.what;
    }
}

class AlarmDlgTest : public CNoteDialogTest {
protected:
    void SetUp() override
    {
        CNoteDialogTest::SetUp();
        const INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_DATE_CLASSES | ICC_UPDOWN_CLASS };
        InitCommonControlsEx(&controls);
        g_prefs.DefaultAlarmPopup = false;
        g_prefs.DefaultAlarmHide = false;
        g_prefs.DefaultAlarmPopupType = ePeriodMinutes;
        CNoteAlarm& alarm = m_note->Alarm();
        alarm.flags = kAlarmActive | kAlarmSet;
        alarm.alarmDate = At(2027, 3, 11, 9, 0, 0);
        alarm.frequency = eFrequencyDaily;
        m_note->SetModified(true);
        ASSERT_TRUE(m_manager.StoreNote(m_note));
        m_manager.AddDisplayListener(CNoteManager::CDisplayListener::Bind<&AlarmDlgTest::OnDisplay>(this));
    }

    bool OnDisplay(CNote*, CNoteManager::eNoteDisplay event)
    {
        m_changes += event == CNoteManager::eNoteChanged;
        return true;
    }

    std::int64_t StoredInt(const wchar_t* column)
    {
        return Scalar((std::wstring(L"select ") + column + L" from notes where id = " + std::to_wstring(m_id)).c_str());
    }
    double StoredDate(const wchar_t* column)
    {
        CppSQLite3Query query = DB().execQuery(
            (std::wstring(L"select ") + column + L" from notes where id = " + std::to_wstring(m_id)).c_str());
        return query.eof() ? -1.0 : query.getFloatField(0);
    }

    // Runs the dialog on the note with the steps; whether the pause held
    // while it ran.
    bool Run(ScopedUiScript& script, std::vector<BoxStep> steps)
    {
        bool pausedInside = false;
        steps.insert(steps.begin(), [&](HWND) { pausedInside = m_manager.AlarmChecksPaused(); });
        PlayOnBox(script, IDD_ALARM, kAlarmCaption, std::move(steps));
        ShowAlarmDlg(m_note, m_window);
        EXPECT_FALSE(m_manager.AlarmChecksPaused()) << "the pause ends with the dialog";
        return pausedInside;
    }

    CFixedClock m_clock{ At(2027, 3, 10, 12, 0, 0) };
    int m_changes = 0;
};

TEST_F(AlarmDlgTest, CancelKeepsTheAlarmYetStoresAndTells)
{
    ScopedUiScript script;
    const double before = StoredDate(L"alarm_alarm");
    EXPECT_TRUE(Run(script, { Click(IDC_ALARM_ACTIVE, false), Press(IDCANCEL) }));
    EXPECT_EQ(StoredDate(L"alarm_alarm"), before);
    EXPECT_EQ(StoredInt(L"alarm_alarmflags") & 0xFF, kAlarmActive | kAlarmSet);
    EXPECT_EQ(m_changes, 1);
}

// A box that cannot be made (a language module without the template) is a Cancel.
TEST_F(AlarmDlgTest, ABoxThatCannotOpenCountsAsCancel)
{
    ScopedUiScript script;
    const double before = StoredDate(L"alarm_alarm");
    script.HandleModal(IDD_ALARM, [](const SModalRun&) { return INT_PTR(-1); });
    ShowAlarmDlg(m_note, m_window);
    EXPECT_FALSE(m_manager.AlarmChecksPaused());
    EXPECT_EQ(StoredDate(L"alarm_alarm"), before);
    EXPECT_EQ(StoredInt(L"alarm_alarmflags") & 0xFF, kAlarmActive | kAlarmSet);
    EXPECT_EQ(m_changes, 1);
}

TEST_F(AlarmDlgTest, OkWithTheAlarmOffDropsItsLowBitsAndDueDate)
{
    ScopedUiScript script;
    Run(script, { Click(IDC_ALARM_ACTIVE, false), Press(IDOK) });
    EXPECT_EQ(StoredInt(L"alarm_alarmflags") & 0x0F, 0);
    EXPECT_EQ(StoredDate(L"alarm_calculated"), 0.0);
    EXPECT_EQ(m_changes, 1);
}

TEST_F(AlarmDlgTest, OkStoresAReminderCountOnlyFrom1To255)
{
    struct Case { const wchar_t* typed; int stored; };
    const Case cases[] = {
        { L"1", 1 }, { L"99", 99 }, { L"100", 100 }, { L"255", 255 },
        { L"0", -1 }, { L"256", -1 },   // 256 would be stored as its low byte, 0
        { L"-1", -1 }, { L"", -1 }, { L"abc", -1 },
    };
    for (const Case& c : cases) {
        m_note = m_manager.GetNote(m_id);
        ASSERT_NE(m_note, nullptr);
        m_note->Alarm().periodCount = 7;
        m_note->Alarm().flags &= ~(kAlarmPopupPending | kAlarmPopupFromPeriod);
        m_note->SetModified(true);
        ASSERT_TRUE(m_manager.StoreNote(m_note));
        ScopedUiScript script;
        Run(script, {
            Click(IDC_ALARM_POPUP, true),
            TypeInto(IDC_ALARM_POPUP_COUNT, c.typed),
            Press(IDOK),
        });
        const bool refused = c.stored < 0;
        EXPECT_EQ(script.Beeps().size(), refused ? 1u : 0u) << c.typed;
        if (refused) {
            EXPECT_EQ(StoredInt(L"alarm_periodcnt"), 7) << c.typed << ": nothing written";
            continue;
        }
        EXPECT_EQ(StoredInt(L"alarm_periodcnt"), c.stored) << c.typed;
        const double minutes = (StoredDate(L"alarm_alarm") - StoredDate(L"alarm_popup")) * 1440.0;
        EXPECT_NEAR(minutes, c.stored, 1e-3) << c.typed;
    }
}

TEST_F(AlarmDlgTest, ADateInThePastAsksAndNoTurnsTheAlarmOff)
{
    const SYSTEMTIME yesterday = { 2027, 3, 0, 9, 8, 0, 0, 0 };
    const BoxStep setYesterday = [&](HWND box) {
        SendDlgItemMessageW(box, IDC_ALARM_DATE, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&yesterday));
    };
    ScopedUiScript script;
    script.AnswerMessageBox(IDYES);   // correct it: the box stays open
    script.AnswerMessageBox(IDNO);
    bool openAfterYes = false;
    Run(script, { setYesterday, Press(IDOK), [&](HWND box) { openAfterYes = IsWindow(box); }, Press(IDOK) });
    EXPECT_TRUE(openAfterYes);
    EXPECT_EQ(script.MessageBoxTexts().size(), 2u);
    EXPECT_EQ(StoredInt(L"alarm_alarmflags") & kAlarmActive, 0);
}

TEST_F(AlarmDlgTest, HideOnExitHidesTheNoteWithItsSound)
{
    g_prefs.DefaultAlarmHide = true;
    ScopedUiScript script;
    Run(script, { Press(IDOK) });
    EXPECT_FALSE(m_manager.GetNote(m_id)->IsVisible());
    EXPECT_EQ(StoredInt(L"visible"), 0);
}

TEST_F(AlarmDlgTest, AQuickPresetMovesThePickersAndOkStoresIt)
{
    ScopedUiScript script;
    Run(script, {
        [](HWND box) { SendMessageW(box, WM_COMMAND, ID_QUICK_TOMORROW_MORNING, 0); },
        Press(IDOK),
    });
    EXPECT_EQ(Text(COleDateTime(StoredDate(L"alarm_alarm"))), "2027-03-11 08:00:00");
}

TEST_F(AlarmDlgTest, ANoteDeletedWhileTheBoxIsOpenIsNotWritten)
{
    ScopedUiScript script;
    Run(script, {
        [&](HWND) { m_manager.DeleteNote(m_manager.GetNote(m_id)); },
    });
    EXPECT_EQ(Scalar((L"select count(*) from notes where id = " + std::to_wstring(m_id)).c_str()), 0);
    EXPECT_EQ(m_manager.GetNote(m_id), nullptr);
}

// MCI that plays whatever it is given until told to stop.
MCIERROR PlayingSendString(const wchar_t*, HWND)
{
    return 0;
}
UINT PlayingDeviceId(const wchar_t*)
{
    return 1;
}

TEST_F(AlarmDlgTest, TheTestButtonsRunOnlyWhatIsSwitchedOn)
{
    const CSeamOverride<SShellExecuteSeam> shell(g_shellExecuteSeam, { &RecordingShellExecute });
    const CSeamOverride<SSoundSeam> sound(g_soundSeam, { &PlayingSendString, &PlayingDeviceId });
    ExecutedCalls().clear();
    std::vector<std::wstring> labels;
    const BoxStep readLabel = [&](HWND box) { labels.push_back(ItemText(box, IDC_ALARM_TEST_SOUND)); };
    ScopedUiScript script;
    Run(script, {
        TypeInto(IDC_ALARM_COMMAND, L"tool.exe /quiet"), Press(IDC_ALARM_TEST_COMMAND),   // off: nothing
        Click(IDC_ALARM_EXECUTE, true), TypeInto(IDC_ALARM_COMMAND, L""), Press(IDC_ALARM_TEST_COMMAND),
        TypeInto(IDC_ALARM_COMMAND, L"tool.exe /quiet"), Press(IDC_ALARM_TEST_COMMAND),
        TypeInto(IDC_ALARM_SOUND_FILE, L"ring.wav"), Press(IDC_ALARM_TEST_SOUND), readLabel,   // off: silent
        Click(IDC_ALARM_SOUND, true), Press(IDC_ALARM_TEST_SOUND), readLabel,
        [](HWND box) { SendMessageW(box, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 1); }, readLabel,
        Press(IDC_ALARM_TEST_SOUND), readLabel,
        Press(IDOK),
    });
    ASSERT_EQ(ExecutedCalls().size(), 1u);
    EXPECT_EQ(ExecutedCalls()[0].file, L"\"tool.exe\"");
    const std::wstring test = LoadResString(IDS_TEST_SOUND);
    const std::wstring stop = LoadResString(IDS_STOP_SOUND);
    EXPECT_EQ(labels, (std::vector<std::wstring>{ test, stop, test, stop }));
    EXPECT_FALSE(IsSoundPlaying()) << "OK stops the sound";
    EXPECT_EQ(StoredInt(L"alarm_alarmflags") & (kAlarmRunCommand | kAlarmOwnSound), kAlarmRunCommand | kAlarmOwnSound);
}

TEST_F(AlarmDlgTest, BrowseFillsTheChosenProgramAndACancelledChooserChangesNothing)
{
    ScopedUiScript script;
    script.AnswerOpenFile(std::wstring(L"C:\\Tools\\remind me.exe"));
    Run(script, {
        Click(IDC_ALARM_EXECUTE, true), Press(IDC_ALARM_BROWSE_COMMAND),
        [](HWND box) { EXPECT_EQ(ItemText(box, IDC_ALARM_COMMAND), L"C:\\Tools\\remind me.exe"); },
        Click(IDC_ALARM_SOUND, true), TypeInto(IDC_ALARM_SOUND_FILE, L"ring.wav"),
        [&script](HWND) { script.AnswerOpenFile(std::nullopt); }, Press(IDC_ALARM_BROWSE_SOUND),
        [](HWND box) { EXPECT_EQ(ItemText(box, IDC_ALARM_SOUND_FILE), L"ring.wav"); },
        Press(IDOK),
    });
    CppSQLite3Query query = DB().execQuery(
        (L"select alarm_executecmd, alarm_soundfile from notes where id = " + std::to_wstring(m_id)).c_str());
    ASSERT_FALSE(query.eof());
    EXPECT_STREQ(query.getStringField(0), "C:\\Tools\\remind me.exe");
    EXPECT_STREQ(query.getStringField(1), "ring.wav");
}

}  // namespace
