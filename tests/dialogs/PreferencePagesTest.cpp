// The alarm, sound, language, network and hot-key preference pages: the
// language and interval rules as tables, then the pages in a real sheet over
// a working copy: numbers refused with the page turned to and the edit
// focused, typed and chosen sound paths kept, the test sound's label, the
// hot keys' Change, and an untouched OK that changes nothing.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "PreferencePagesDriver.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "foundation/SoundPlayer.h"
#include "tests/support/FocusWatch.h"
#include "tests/support/TestDir.h"

namespace {

using namespace prefs_driver;

std::wstring Describe(const std::vector<SLanguageEntry>& entries)
{
    std::wstring text;
    for (const SLanguageEntry& entry : entries)
        text += L"[" + entry.name + (entry.hasFile ? L"|" + entry.file : L"") + L"]";
    return text;
}

TEST(InstalledLanguages, EntriesSplitAtTheBarAndEmptyOnesAreSkipped)
{
    struct Case { const wchar_t* list; const wchar_t* entries; };
    const Case cases[] = {
        { L"US English", L"[US English]" },                                   // no bar: no file
        { L"US English|,German|de.dll", L"[US English|][German|de.dll]" },    // empty file is a file
        { L",German|de.dll,,Polski|pl.dll,", L"[German|de.dll][Polski|pl.dll]" },
        { L"Türkçe|tr.dll|x", L"[Türkçe|tr.dll|x]" },                         // only the first bar splits
        { L"", L"" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(ParseInstalledLanguages(c.list)), c.entries) << c.list;
}

TEST(InstalledLanguages, SelectionAndStoredModuleFile)
{
    struct Case {
        const wchar_t* list;
        const wchar_t* altResFile;
        int selected;       // at start
        int chosen;         // then chosen by the user
        const wchar_t* stored;
    };
    const Case cases[] = {
        { L"US English|,German|de.dll", L"", 0, 1, L"de.dll" },
        { L"US English|,German|de.dll", L"DE.DLL", 1, 0, L"" },               // file compared ignoring case
        { L"US English|,German|de.dll", L"fr.dll", 0, 0, L"" },               // not listed: the first
        { L"US English,German|de.dll", L"de.dll", 1, 1, L"" },                // one entry with a file
        { L"English|en.dll,German|de.dll", L"de.dll", 1, -1, L"de.dll" },     // no selection keeps it
        { L"", L"old.dll", -1, -1, L"" },
    };
    for (const Case& c : cases) {
        const std::vector<SLanguageEntry> entries = ParseInstalledLanguages(c.list);
        EXPECT_EQ(LanguageIndexFor(entries, c.altResFile), c.selected) << c.list << " / " << c.altResFile;
        EXPECT_EQ(AltResFileFor(entries, c.chosen, c.altResFile), c.stored) << c.list << " / " << c.chosen;
    }
}

TEST(InstalledLanguages, OnlyUsEnglishInAnyCaseHidesThePage)
{
    EXPECT_FALSE(IsLanguagePageShown(L"US English"));
    EXPECT_FALSE(IsLanguagePageShown(L"us ENGLISH"));
    EXPECT_TRUE(IsLanguagePageShown(L"US English|,German|de.dll"));
    EXPECT_TRUE(IsLanguagePageShown(L"US English "));
    EXPECT_TRUE(IsLanguagePageShown(L"US English|"));  // a list entry, not the built-in default
    EXPECT_TRUE(IsLanguagePageShown(L""));
}

TEST(VersionCheckInterval, DaysGiveTheSelectionAndTheSelectionTheDays)
{
    struct Case { int days; int selected; int stored; };
    const Case cases[] = {
        { 0, 0, 7 }, { 7, 0, 7 }, { 8, 1, 14 }, { 14, 1, 14 }, { 15, 2, 31 }, { 20, 2, 31 },
        { 31, 2, 31 }, { 32, 3, 42 }, { 42, 3, 42 }, { 100, 3, 42 }, { -5, 0, 7 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IntervalIndexForDays(c.days), c.selected) << c.days;
        EXPECT_EQ(DaysForIntervalIndex(IntervalIndexForDays(c.days), c.days), c.stored) << c.days;
    }
    EXPECT_EQ(DaysForIntervalIndex(-1, 20), 20) << "no selection leaves the value";
    EXPECT_EQ(DaysForIntervalIndex(4, 20), 20);
}

// The alarm sound and the four event sounds, in that order.
std::vector<std::wstring> SoundsOf(const CPreferences& prefs)
{
    return { prefs.AlarmSound, prefs.CreateNote, prefs.DeleteNote, prefs.ShowHideNote, prefs.NoteReceived };
}

void SetSounds(CPreferences& prefs, const std::vector<std::wstring>& sounds)
{
    wchar_t* const fields[] = { prefs.AlarmSound, prefs.CreateNote, prefs.DeleteNote, prefs.ShowHideNote,
                                prefs.NoteReceived };
    for (size_t i = 0; i < sounds.size() && i < std::size(fields); ++i)
        wcsncpy(fields[i], sounds[i].c_str(), MAX_PATH - 1);
}

// MCI answered without a device: each open gets a newer device id.
struct SFakeMci {
    static inline std::vector<std::wstring> commands;
    static inline UINT device = 0;
    static MCIERROR Send(const wchar_t* command, HWND)
    {
        commands.push_back(command);
        if (std::wstring(command).rfind(L"open", 0) == 0)
            ++device;
        return 0;
    }
    static UINT Device(const wchar_t*) { return device; }
    static int Opens()
    {
        int opens = 0;
        for (const std::wstring& command : commands)
            opens += command.rfind(L"open", 0) == 0;
        return opens;
    }
};

class PreferencePagesTest : public testing::Test {
protected:
    void SetUp() override
    {
        const INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES };
        InitCommonControlsEx(&controls);
        m_start.LoadFrom(m_dir.File(L"defaults.ini").c_str());
        SFakeMci::commands.clear();
    }
    void TearDown() override
    {
        StopSound();
    }

    // The record as the settings file would hold it.
    std::string Saved(const CPreferences& prefs, const wchar_t* name)
    {
        CPreferences copy(prefs);
        const std::wstring path = m_dir.File(name);
        EXPECT_TRUE(copy.SetIniPath(path.c_str()));
        EXPECT_TRUE(copy.Save());
        std::ifstream file(std::filesystem::path(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    bool WasFocused(HWND control) const { return m_focus.WasFocused(control); }

    CTestDir m_dir;
    CPreferences m_start;
    CFocusWatch m_focus;
    CSeamOverride<SSoundSeam> m_mci{ g_soundSeam, SSoundSeam{ &SFakeMci::Send, &SFakeMci::Device } };
};

TEST_F(PreferencePagesTest, NumbersOutsideTheirRangeRefuseOkOnTheirPage)
{
    struct Case {
        const char* what;
        UINT page;
        int control;
        const wchar_t* text;
        int stored;  // -1: refused
    };
    const Case cases[] = {
        { "snooze", IDD_PREFERENCE_ALARM, IDC_ALARMPAGE_SNOOZE, L"0", -1 },
        { "snooze", IDD_PREFERENCE_ALARM, IDC_ALARMPAGE_SNOOZE, L"2147483648", -1 },   // beyond 32 bits
        { "snooze", IDD_PREFERENCE_ALARM, IDC_ALARMPAGE_SNOOZE, L"12abc", -1 },
        { "snooze", IDD_PREFERENCE_ALARM, IDC_ALARMPAGE_SNOOZE, L"2147483647", 2147483647 },
        { "count", IDD_PREFERENCE_ALARM, IDC_ALARMPAGE_POPUP_COUNT, L"0", -1 },
        { "count", IDD_PREFERENCE_ALARM, IDC_ALARMPAGE_POPUP_COUNT, L"256", -1 },
        { "count", IDD_PREFERENCE_ALARM, IDC_ALARMPAGE_POPUP_COUNT, L"", -1 },
        { "count", IDD_PREFERENCE_ALARM, IDC_ALARMPAGE_POPUP_COUNT, L"255", 255 },
        { "port", IDD_PREFERENCE_NETWORK, IDC_NETPAGE_PORT, L"0", -1 },
        { "port", IDD_PREFERENCE_NETWORK, IDC_NETPAGE_PORT, L"65536", -1 },            // was 464 mod 65536
        { "port", IDD_PREFERENCE_NETWORK, IDC_NETPAGE_PORT, L"x", -1 },
        { "port", IDD_PREFERENCE_NETWORK, IDC_NETPAGE_PORT, L"0x10", -1 },
        { "port", IDD_PREFERENCE_NETWORK, IDC_NETPAGE_PORT, L"65535", 65535 },
    };
    for (const Case& c : cases) {
        m_focus.Clear();
        SSheetRun run(m_start);
        CPropertyPageBase& page = c.page == IDD_PREFERENCE_ALARM ? static_cast<CPropertyPageBase&>(run.alarm)
                                                                   : run.network;
        const bool refused = c.stored < 0;
        if (refused)
            run.script.AnswerMessageBox(IDOK);
        HWND shownAfterOk = nullptr, pageWindow = nullptr, edit = nullptr;
        const bool ok = run.Run({
            run.Show(c.page),
            Check(run.alarm, IDC_ALARMPAGE_POPUP, true),
            TypeInto(page, c.control, c.text),
            run.Show(IDD_PREFERENCE_HOTKEYS),
            run.Press(PSBTN_OK),
            [&] {
                shownAfterOk = run.CurrentPage();
                pageWindow = page.GetHwnd();
                edit = GetDlgItem(pageWindow, c.control);
            },
        });
        EXPECT_EQ(ok, !refused) << c.what << " " << testing::PrintToString(std::wstring(c.text));
        if (!refused) {
            const int stored = c.page == IDD_PREFERENCE_NETWORK ? run.working.NetworkPort
                               : c.control == IDC_ALARMPAGE_SNOOZE ? run.working.DefaultSnoozeTime
                                                                    : run.working.DefaultAlarmPopupCnt;
            EXPECT_EQ(stored, c.stored) << c.what;
            EXPECT_TRUE(run.script.MessageBoxTexts().empty()) << c.what;
            continue;
        }
        EXPECT_EQ(run.script.MessageBoxTexts(), std::vector<std::wstring>{ LoadResString(IDS_INCORRECT_NUMBER) })
            << c.what;
        EXPECT_TRUE(run.script.Beeps().empty()) << c.what << ": the box, not a bare beep";
        EXPECT_EQ(shownAfterOk, pageWindow) << c.what << ": the sheet turns to the page";
        EXPECT_TRUE(WasFocused(edit)) << c.what << ": the edit has the focus";
        EXPECT_EQ(run.working.DefaultSnoozeTime, m_start.DefaultSnoozeTime) << c.what;
        EXPECT_EQ(run.working.DefaultAlarmPopupCnt, m_start.DefaultAlarmPopupCnt) << c.what;
        EXPECT_EQ(run.working.NetworkPort, m_start.NetworkPort) << c.what;
    }
}

TEST_F(PreferencePagesTest, AnAlarmPageCommandWithABadNumberOnlyShowsTheBox)
{
    wcscpy(m_start.AlarmSound, L"C:\\Media\\alarm.wav");
    m_start.DefaultAlarmPopup = false;
    SSheetRun run(m_start);
    run.script.AnswerMessageBox(IDOK);
    run.script.AnswerMessageBox(IDOK);
    bool countEnabled = true;
    std::wstring label;
    run.Run({
        run.Show(IDD_PREFERENCE_ALARM),
        TypeInto(run.alarm, IDC_ALARMPAGE_SNOOZE, L"0"),
        Click(run.alarm, IDC_PREFPAGE_TEST_SOUND),
        Check(run.alarm, IDC_ALARMPAGE_POPUP, true),
        [&] {
            countEnabled = IsWindowEnabled(GetDlgItem(run.alarm.GetHwnd(), IDC_ALARMPAGE_POPUP_COUNT)) != FALSE;
            label = ItemText(run.alarm, IDC_PREFPAGE_TEST_SOUND);
        },
    });
    EXPECT_EQ(run.script.MessageBoxTexts().size(), 2u) << "one box per command";
    EXPECT_EQ(SFakeMci::Opens(), 0) << "no sound played";
    EXPECT_EQ(label, LoadResString(IDS_TEST_SOUND));
    EXPECT_FALSE(countEnabled) << "the popup box's click did nothing else";
    EXPECT_FALSE(run.working.DefaultAlarmPopup);
}

TEST_F(PreferencePagesTest, ThePopupBoxEnablesItsCountAndStoresAtOnce)
{
    m_start.DefaultAlarmPopup = false;
    m_start.DefaultAlarmPopupCnt = 0;  // out of range in the file: checked only with the box
    SSheetRun run(m_start);
    run.script.AnswerMessageBox(IDOK);
    bool enabledBefore = true, enabledAfter = false;
    bool storedAtOnce = false;
    run.Run({
        run.Show(IDD_PREFERENCE_ALARM),
        [&] { enabledBefore = IsWindowEnabled(GetDlgItem(run.alarm.GetHwnd(), IDC_ALARMPAGE_POPUP_UNIT)); },
        Check(run.alarm, IDC_ALARMPAGE_POPUP, true),  // the count now counts: refused
        TypeInto(run.alarm, IDC_ALARMPAGE_POPUP_COUNT, L"3"),
        Check(run.alarm, IDC_ALARMPAGE_POPUP, true),
        [&] {
            enabledAfter = IsWindowEnabled(GetDlgItem(run.alarm.GetHwnd(), IDC_ALARMPAGE_POPUP_UNIT));
            storedAtOnce = run.working.DefaultAlarmPopup;
        },
        run.Press(PSBTN_OK),
    });
    EXPECT_FALSE(enabledBefore);
    EXPECT_TRUE(enabledAfter);
    EXPECT_TRUE(storedAtOnce);
    EXPECT_EQ(run.script.MessageBoxTexts().size(), 1u);
    EXPECT_EQ(run.working.DefaultAlarmPopupCnt, 3);
}

TEST_F(PreferencePagesTest, ACountOutOfRangeInTheFileHoldsOkOnlyWhileItsBoxIsChecked)
{
    struct Case { const wchar_t* typed; int stored; };
    const Case cases[] = {
        { nullptr, 0 },   // left as the file had it: OK goes through, the value stays
        { L"7", 7 },      // typed, then the box cleared: still taken
        { L"300", 0 },    // bad and unreachable: the stored value stays
    };
    for (const Case& c : cases) {
        m_start.DefaultAlarmPopup = false;
        m_start.DefaultAlarmPopupCnt = 0;
        SSheetRun run(m_start);
        std::vector<Step> steps = { run.Show(IDD_PREFERENCE_ALARM) };
        if (c.typed)
            steps.push_back(TypeInto(run.alarm, IDC_ALARMPAGE_POPUP_COUNT, c.typed));
        steps.push_back(run.Press(PSBTN_OK));
        EXPECT_TRUE(run.Run(steps)) << (c.typed ? c.typed : L"untouched");
        EXPECT_EQ(run.working.DefaultAlarmPopupCnt, c.stored);
        EXPECT_TRUE(run.script.MessageBoxTexts().empty());
    }
}

TEST_F(PreferencePagesTest, TypedSoundPathsSurviveChangingEventAndPage)
{
    SSheetRun run(m_start);
    std::wstring shownOnReturn;
    const bool ok = run.Run({
        run.Show(IDD_PREFERENCE_ALARM),
        TypeInto(run.alarm, IDC_PREFPAGE_SOUND_FILE, L"C:\\Média\\alarm ünï.wav"),
        run.Show(IDD_PREFERENCE_SOUND),
        SelectEvent(run.sound, 0),
        TypeInto(run.sound, IDC_PREFPAGE_SOUND_FILE, L"C:\\Sounds\\nowa notatka ąę.wav"),
        SelectEvent(run.sound, 1),
        TypeInto(run.sound, IDC_PREFPAGE_SOUND_FILE, L"C:\\Sounds\\удалить.wav"),
        SelectEvent(run.sound, 3),
        TypeInto(run.sound, IDC_PREFPAGE_SOUND_FILE, L"C:\\Sounds\\受信.mid"),
        SelectEvent(run.sound, 0),
        [&] { shownOnReturn = ItemText(run.sound, IDC_PREFPAGE_SOUND_FILE); },
        run.Show(IDD_PREFERENCE_NETWORK),
        run.Show(IDD_PREFERENCE_ALARM),
        run.Press(PSBTN_OK),
    });
    ASSERT_TRUE(ok);
    EXPECT_EQ(shownOnReturn, L"C:\\Sounds\\nowa notatka ąę.wav");
    EXPECT_EQ(SoundsOf(run.working),
              (std::vector<std::wstring>{ L"C:\\Média\\alarm ünï.wav", L"C:\\Sounds\\nowa notatka ąę.wav",
                                          L"C:\\Sounds\\удалить.wav", L"", L"C:\\Sounds\\受信.mid" }));
}

TEST_F(PreferencePagesTest, SoundTextsAreCutToTheirFieldAndTheEditsLimited)
{
    const std::wstring tooLong(400, L'a');
    SSheetRun run(m_start);
    LRESULT alarmLimit = 0, soundLimit = 0;
    run.Run({
        run.Show(IDD_PREFERENCE_ALARM),
        TypeInto(run.alarm, IDC_PREFPAGE_SOUND_FILE, tooLong),
        run.Show(IDD_PREFERENCE_SOUND),
        SelectEvent(run.sound, 2),
        TypeInto(run.sound, IDC_PREFPAGE_SOUND_FILE, tooLong),
        [&] {
            alarmLimit = SendDlgItemMessageW(run.alarm.GetHwnd(), IDC_PREFPAGE_SOUND_FILE, EM_GETLIMITTEXT, 0, 0);
            soundLimit = SendDlgItemMessageW(run.sound.GetHwnd(), IDC_PREFPAGE_SOUND_FILE, EM_GETLIMITTEXT, 0, 0);
        },
        run.Press(PSBTN_OK),
    });
    EXPECT_EQ(alarmLimit, MAX_PATH - 1);
    EXPECT_EQ(soundLimit, MAX_PATH - 1);
    EXPECT_EQ(std::wstring(run.working.AlarmSound), tooLong.substr(0, MAX_PATH - 1));
    EXPECT_EQ(std::wstring(run.working.ShowHideNote), tooLong.substr(0, MAX_PATH - 1));
}

TEST_F(PreferencePagesTest, BrowseFillsTheSelectedEventAndACancelChangesNothing)
{
    SetSounds(m_start, { L"", L"", L"C:\\old\\delete.wav" });
    SSheetRun run(m_start);
    run.script.AnswerOpenFile(L"C:\\Media\\chimes.wav");
    run.script.AnswerOpenFile(std::nullopt);
    run.script.AnswerOpenFile(L"C:\\Media\\ding.wav");
    std::wstring shown;
    const bool ok = run.Run({
        run.Show(IDD_PREFERENCE_SOUND),
        SelectEvent(run.sound, 2),
        Click(run.sound, IDC_PREFPAGE_BROWSE_SOUND),
        [&] { shown = ItemText(run.sound, IDC_PREFPAGE_SOUND_FILE); },
        SelectEvent(run.sound, 1),
        Click(run.sound, IDC_PREFPAGE_BROWSE_SOUND),  // cancelled
        run.Show(IDD_PREFERENCE_ALARM),
        Click(run.alarm, IDC_PREFPAGE_BROWSE_SOUND),
        run.Press(PSBTN_OK),
    });
    ASSERT_TRUE(ok);
    EXPECT_EQ(shown, L"C:\\Media\\chimes.wav");
    EXPECT_EQ(SoundsOf(run.working), (std::vector<std::wstring>{ L"C:\\Media\\ding.wav", L"",
                                                                  L"C:\\old\\delete.wav", L"C:\\Media\\chimes.wav", L"" }));
}

// What the sound chooser was opened with; answered as cancelled.
struct SChooserWatch {
    struct SOpened {
        std::wstring initialFile;
        std::optional<std::wstring> folder;
    };
    static inline std::vector<SOpened> opened;
    static BOOL Open(OPENFILENAMEW* request)
    {
        SOpened seen{ request->lpstrFile, std::nullopt };
        if (request->lpstrInitialDir)
            seen.folder = request->lpstrInitialDir;
        opened.push_back(seen);
        return FALSE;
    }
};

TEST_F(PreferencePagesTest, BrowseStartsInTheMediaFolderFromTheTypedPath)
{
    const wchar_t kVersionKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
    struct Case { const wchar_t* mediaPath; std::optional<std::wstring> folder; };
    const Case cases[] = {
        { nullptr, std::nullopt },                    // missing, as under Wine: no start folder
        { L"C:\\Windows\\Media", L"C:\\Windows\\Media\\" },
    };
    for (const Case& c : cases) {
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kVersionKey, L"MediaPath");
        if (c.mediaPath) {
            ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kVersionKey, L"MediaPath", REG_SZ, c.mediaPath,
                                      static_cast<DWORD>((wcslen(c.mediaPath) + 1) * sizeof(wchar_t))),
                      ERROR_SUCCESS);
        }
        SChooserWatch::opened.clear();
        SSheetRun run(m_start);
        SCommonDialogSeam chooser = g_commonDialogSeam;
        chooser.getOpenFileName = &SChooserWatch::Open;
        const CSeamOverride<SCommonDialogSeam> watch(g_commonDialogSeam, chooser);
        run.Run({
            run.Show(IDD_PREFERENCE_ALARM),
            TypeInto(run.alarm, IDC_PREFPAGE_SOUND_FILE, L"D:\\typed\\alarm.wav"),
            Click(run.alarm, IDC_PREFPAGE_BROWSE_SOUND),
            run.Show(IDD_PREFERENCE_SOUND),
            SelectEvent(run.sound, 1),
            TypeInto(run.sound, IDC_PREFPAGE_SOUND_FILE, L"D:\\typed\\delete.wav"),
            Click(run.sound, IDC_PREFPAGE_BROWSE_SOUND),
            [&] { EXPECT_EQ(ItemText(run.sound, IDC_PREFPAGE_SOUND_FILE), L"D:\\typed\\delete.wav"); },
        });
        ASSERT_EQ(SChooserWatch::opened.size(), 2u);
        EXPECT_EQ(SChooserWatch::opened[0].initialFile, L"D:\\typed\\alarm.wav");
        EXPECT_EQ(SChooserWatch::opened[1].initialFile, L"D:\\typed\\delete.wav");
        for (const SChooserWatch::SOpened& opened : SChooserWatch::opened)
            EXPECT_EQ(opened.folder, c.folder) << (c.mediaPath ? c.mediaPath : L"none");
    }
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kVersionKey, L"MediaPath");
}

TEST_F(PreferencePagesTest, TestSoundLabelFollowsTheSoundOnBothPages)
{
    for (const UINT pageId : { IDD_PREFERENCE_ALARM, IDD_PREFERENCE_SOUND }) {
        SFakeMci::commands.clear();
        SetSounds(m_start, { L"C:\\Media\\alarm.wav", L"C:\\Media\\new.wav" });
        SSheetRun run(m_start);
        CPropertyPageBase& page = pageId == IDD_PREFERENCE_ALARM ? static_cast<CPropertyPageBase&>(run.alarm)
                                                                 : run.sound;
        std::vector<std::wstring> labels;
        std::vector<bool> playing;
        const auto note = [&] {
            labels.push_back(ItemText(page, IDC_PREFPAGE_TEST_SOUND));
            playing.push_back(IsSoundPlaying());
        };
        const auto notify = [&](WPARAM flags, int age) {
            return [&page, flags, age] {
                SendMessageW(page.GetHwnd(), MM_MCINOTIFY, flags, static_cast<LPARAM>(SFakeMci::device - age));
            };
        };
        run.Run({
            run.Show(pageId),
            SelectEvent(run.sound, 0),
            Click(page, IDC_PREFPAGE_TEST_SOUND), note,
            notify(MCI_NOTIFY_FAILURE, 0), note,        // no sound card: the sound ends
            Click(page, IDC_PREFPAGE_TEST_SOUND), note,  // and plays again
            notify(MCI_NOTIFY_SUCCESSFUL, 1), note,     // an older device's notice
            Click(page, IDC_PREFPAGE_TEST_SOUND), note,  // stops the one playing
        });
        const std::wstring test = LoadResString(IDS_TEST_SOUND), stop = LoadResString(IDS_STOP_SOUND);
        EXPECT_EQ(labels, (std::vector<std::wstring>{ stop, test, stop, test, test })) << pageId;
        EXPECT_EQ(playing, (std::vector<bool>{ true, false, true, true, false })) << pageId;
        EXPECT_EQ(SFakeMci::Opens(), 2) << pageId;
        ASSERT_FALSE(SFakeMci::commands.empty());
        const wchar_t* const file = pageId == IDD_PREFERENCE_ALARM ? L"alarm.wav" : L"new.wav";
        EXPECT_NE(SFakeMci::commands.front().find(file), std::wstring::npos) << pageId;
    }
}

TEST_F(PreferencePagesTest, LanguagePageListsNamesAndStoresTheChosenFile)
{
    wcscpy(m_start.InstalledLanguages, L"US English|,Deutsch|de.dll,,Polski|PL.dll");
    wcscpy(m_start.AltResFile, L"pl.DLL");
    SSheetRun run(m_start);
    std::vector<std::wstring> names;
    int selected = -1;
    const bool ok = run.Run({
        run.Show(IDD_PREFERENCE_LANGUAGE),
        [&] {
            const HWND combo = GetDlgItem(run.language.GetHwnd(), IDC_LANGPAGE_LANGUAGES);
            for (int i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
                wchar_t name[64] = {};
                SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
                names.push_back(name);
            }
            selected = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
        },
        SelectCombo(run.language, IDC_LANGPAGE_LANGUAGES, 1),
        run.Press(PSBTN_OK),
    });
    ASSERT_TRUE(ok);
    EXPECT_EQ(names, (std::vector<std::wstring>{ L"US English", L"Deutsch", L"Polski" }));
    EXPECT_EQ(selected, 2);
    EXPECT_STREQ(run.working.AltResFile, L"de.dll");
}

TEST_F(PreferencePagesTest, AChosenModuleFileIsCutToItsField)
{
    const std::wstring longFile = std::wstring(300, L'x') + L".dll";
    wcscpy(m_start.InstalledLanguages, (L"US English|,Long|" + longFile).c_str());
    SSheetRun run(m_start);
    ASSERT_TRUE(run.Run({
        run.Show(IDD_PREFERENCE_LANGUAGE),
        SelectCombo(run.language, IDC_LANGPAGE_LANGUAGES, 1),
        run.Press(PSBTN_OK),
    }));
    EXPECT_EQ(std::wstring(run.working.AltResFile), longFile.substr(0, MAX_PATH - 1));
}

TEST_F(PreferencePagesTest, IntervalShowsItsEntryAndOkStoresItsDays)
{
    struct Case { int days; int select; int stored; };
    const Case cases[] = {
        { 20, -2, 31 },  // shown as "Four weeks", stored as such
        { 20, -1, 20 },  // the list left without a selection
        { 3, 3, 42 },
    };
    for (const Case& c : cases) {
        m_start.CheckVersionNumDays = c.days;
        SSheetRun run(m_start);
        std::wstring shown;
        std::vector<Step> steps = {
            run.Show(IDD_PREFERENCE_NETWORK),
            [&] { shown = ItemText(run.network, IDC_NETPAGE_INTERVAL); },
        };
        if (c.select >= -1)
            steps.push_back(SelectCombo(run.network, IDC_NETPAGE_INTERVAL, c.select));
        steps.push_back(run.Press(PSBTN_OK));
        ASSERT_TRUE(run.Run(steps));
        EXPECT_EQ(run.working.CheckVersionNumDays, c.stored) << c.days << " " << c.select;
        if (c.days == 20) {
            EXPECT_EQ(shown, LoadResString(IDS_INTERVAL_FOUR_WEEKS));
        }
    }
}

TEST_F(PreferencePagesTest, ChangeRunsTheShellsDialogAndShowsTheNewKey)
{
    SSheetRun run(m_start);
    run.hotKeys.nextKey = L"CTRL+SHIFT+F9";
    std::vector<std::wstring> before, after;
    HWND page = nullptr;
    const auto texts = [&run](std::vector<std::wstring>& into) {
        return [&run, &into] {
            for (int id : { IDC_HOTKEYPAGE_NEW_NOTE, IDC_HOTKEYPAGE_ORGANIZER, IDC_HOTKEYPAGE_SHOW_HIDE,
                            IDC_HOTKEYPAGE_QUICK_SEARCH })
                into.push_back(ItemText(run.hotKey, id));
        };
    };
    run.Run({
        run.Show(IDD_PREFERENCE_HOTKEYS),
        texts(before),
        Click(run.hotKey, IDC_HOTKEYPAGE_CHANGE_QUICK_SEARCH),
        texts(after),
        [&] { page = run.hotKey.GetHwnd(); },
    });
    EXPECT_EQ(before, (std::vector<std::wstring>{ L"CTRL+ALT+N", L"CTRL+ALT+O", L"CTRL+ALT+H", L"CTRL+ALT+Q" }));
    EXPECT_EQ(after, (std::vector<std::wstring>{ L"CTRL+ALT+N", L"CTRL+ALT+O", L"CTRL+ALT+H", L"CTRL+SHIFT+F9" }));
    ASSERT_EQ(run.hotKeys.changes.size(), 1u);
    EXPECT_EQ(run.hotKeys.changes[0].first, page) << "the dialog is owned by the page";
    EXPECT_EQ(run.hotKeys.changes[0].second, 4);
}

TEST_F(PreferencePagesTest, AnUntouchedOkChangesNoSetting)
{
    SetSounds(m_start, { L"C:\\Média\\budzik ąę.wav", L"C:\\Sounds\\Yeni not ğış.wav", L"C:\\Sounds\\Xóa ghi chú.wav",
                         L"C:\\Sounds\\Σημείωση.wav", L"C:\\Sounds\\受信 🎵.wav" });
    m_start.DefaultSnoozeTime = 2147483647;
    m_start.DefaultAlarmHide = false;
    m_start.ExpiredAlarms = false;
    m_start.DefaultAlarmPopup = true;
    m_start.DefaultAlarmPopupCnt = 255;
    m_start.DefaultAlarmPopupType = 9;  // outside the list: no selection
    m_start.DisplayAlarmNotification = false;
    wcscpy(m_start.InstalledLanguages, L"US English|,Deutsch|de.dll");
    wcscpy(m_start.AltResFile, L"de.dll");
    m_start.ReceiveNotify = false;
    m_start.NetworkPort = 48123;
    m_start.DisableNetwork = true;
    m_start.CheckVersion = true;
    m_start.CheckVersionNumDays = 31;
    const std::string before = Saved(m_start, L"before.ini");

    SSheetRun run(m_start);
    ASSERT_TRUE(run.Run({
        run.Show(IDD_PREFERENCE_SOUND),
        SelectEvent(run.sound, 3),
        run.Show(IDD_PREFERENCE_LANGUAGE),
        run.Show(IDD_PREFERENCE_NETWORK),
        run.Show(IDD_PREFERENCE_HOTKEYS),
        run.Press(PSBTN_OK),
    }));
    EXPECT_EQ(Saved(run.working, L"after.ini"), before);
    EXPECT_EQ(run.working.DefaultAlarmPopupType, 9);
    EXPECT_TRUE(run.hotKeys.changes.empty());
}

}  // namespace
