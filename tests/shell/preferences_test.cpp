// The preferences sheet as the shell runs it: an untouched OK changes nothing,
// OK applies what changed at once (port, title font, taskbar button, toolbar
// point, always on top), Cancel puts the hot keys back, a second call or a
// vanishing owner is harmless, and the sheet keeps its place.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/PreferenceDlg.h"
#include "exchange/netsend.h"
#include "foundation/AppWindow.h"
#include "foundation/SoundPlayer.h"
#include "foundation/WinPlacement.h"
#include "notewindows/RichEditCtrl.h"
#include "notewindows/itsycmd.h"
#include "resources/resource.h"
#include "shell/dialogcalls.h"
#include "shell/hotkeys.h"
#include "shell/trayicon.h"
#include "tests/foundation/FileBytes.h"
#include "tests/shell/ShellStoreTestSupport.h"
#include "tests/support/TimerSteps.h"

namespace {

constexpr UINT kAltCtrl = MOD_ALT | MOD_CONTROL;
const HotKeyTable kDefaults = { { { 'N', kAltCtrl }, { 'D', kAltCtrl }, { 'H', kAltCtrl }, { 'Z', kAltCtrl } } };
const SHotKey kChangedNewNote = { 'Q', MOD_ALT | MOD_SHIFT };

BOOL AcceptTray(DWORD, NOTIFYICONDATAW*)
{
    return TRUE;
}

bool ClassesRegistered()
{
    static const bool registered = RegisterWindowClasses(GetModuleHandleW(nullptr)) != 0;
    return registered;
}

BOOL CALLBACK FindSheetWindow(HWND window, LPARAM found)
{
    wchar_t text[64] = {};
    GetWindowTextW(window, text, 64);
    if (wcscmp(text, L"Quillet Preferences") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND Sheet()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindSheetWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::function<void()> Press(int button)
{
    return [button] { PostMessageW(Sheet(), PSM_PRESSBUTTON, button, 0); };
}

// Turns to every page in turn, so that each one is created and applies.
std::function<void()> VisitEveryPage()
{
    return [] {
        const HWND tabs = reinterpret_cast<HWND>(SendMessageW(Sheet(), PSM_GETTABCONTROL, 0, 0));
        const int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
        for (int page = count - 1; page >= 0; --page)
            SendMessageW(Sheet(), PSM_SETCURSEL, page, 0);
    };
}

bool LogHas(const CLogCapture& log, const std::wstring& part)
{
    for (const std::wstring& line : log.Lines())
        if (line.find(part) != std::wstring::npos)
            return true;
    return false;
}

int LogCount(const CLogCapture& log, const std::wstring& part)
{
    int count = 0;
    for (const std::wstring& line : log.Lines())
        count += line.find(part) != std::wstring::npos;
    return count;
}

std::vector<std::wstring> SectionLines(const wchar_t* section)
{
    std::vector<std::wstring> lines;
    for (const SProfileLine& line : ReadProfileSection(section, g_prefs.IniPath()))
        lines.push_back(std::wstring(line.key.c_str()) + L"=" + line.value.c_str());
    return lines;
}

// A port nobody listens on now: the system chose it, then it was let go.
int FreePort()
{
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);
    return ntohs(address.sin_port);
}

// Whether something accepts connections on the port.
bool Answers(int port)
{
    const SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    const bool connected = connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    closesocket(client);
    return connected;
}

class CPreferencesTest : public CShellStoreTest {
protected:
    CPreferencesTest() : CShellStoreTest(&AcceptTray) {}

    void SetUp() override
    {
        CShellStoreTest::SetUp();
        ASSERT_TRUE(ClassesRegistered());
        CreateWindows(L"MainWClass", L"ParentWClass", WS_POPUP, RECT{});
        RestoreHotKeys(kDefaults);
        WSADATA data = {};
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }

    void TearDown() override
    {
        StopNetwork();
        SetNoteNetworkOn(false);
        WSACleanup();
        CShellStoreTest::TearDown();
    }

    // ShowPreferences with the working copy edited before the pages read it,
    // then the steps inside the sheet's loop.
    void Run(std::function<void(CPreferences&)> edit, std::vector<std::function<void()>> steps)
    {
        SetTimerSteps(std::move(steps), 40);
        m_script.HandleModal(IDS_PREFS_CAPTION, [edit](const SModalRun& run) {
            if (edit)
                edit(PreferenceWorkingCopy());
            StartTimerSteps();
            const INT_PTR result = run.realRun(run.context);
            StopTimerSteps();
            return result;
        });
        ShowPreferences();
        PumpPosted();
    }

    void Ok(std::function<void(CPreferences&)> edit) { Run(std::move(edit), { Press(PSBTN_OK) }); }

    // Whether the combination is held: another window is refused it.
    bool Taken(UINT modifiers, UINT key)
    {
        constexpr int kProbeId = 0x7000;
        if (!m_other)
            m_other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        if (RegisterHotKey(m_other, kProbeId, modifiers, key)) {
            UnregisterHotKey(m_other, kProbeId);
            return false;
        }
        return true;
    }

    void StartListening(int port)
    {
        g_prefs.NetworkPort = port;
        ASSERT_EQ(StartNetwork(), 1);
        SetNoteNetworkOn(true);
        ASSERT_TRUE(Answers(port));
    }

    ~CPreferencesTest() override
    {
        if (m_other)
            DestroyWindow(m_other);
    }

    ScopedUiScript m_script;
    HWND m_other = nullptr;
};

// Every field a page shows, away from its default, so that an exchange that
// drifts or drops a value changes the file.
void SetEveryPageOffDefault(CPreferences& prefs)
{
    // Main
    prefs.AutoSave = !prefs.AutoSave;
    prefs.HideAllOnStartup = !prefs.HideAllOnStartup;
    prefs.ConfirmNoteDelete = !prefs.ConfirmNoteDelete;
    prefs.AlwaysOnTop = !prefs.AlwaysOnTop;
    prefs.HideToolbar = !prefs.HideToolbar;
    prefs.VisibleInTaskbar = !prefs.VisibleInTaskbar;
    prefs.TaskbarAction = 2;
    prefs.Position = 2;
    prefs.PositionX = 60;  // dragged
    prefs.PositionY = 70;
    wcscpy(prefs.StartupArguments, L"/hidden");
    // Notes
    prefs.DefaultColor = RGB(12, 34, 56);
    prefs.RandomColor = true;
    prefs.DefSize = 3;
    prefs.DefPos = 2;
    prefs.SmartFit = !prefs.SmartFit;
    prefs.SmartSize = !prefs.SmartSize;
    prefs.PasteAsText = !prefs.PasteAsText;
    prefs.EnableURLDetection = !prefs.EnableURLDetection;
    prefs.AlphaTransparency = 128;
    wcscpy(prefs.FontName, L"Tahoma");
    prefs.FontHeight = -17;
    prefs.FontWeight = 700;
    prefs.FontCharset = 238;
    prefs.DefaultTextColor = RGB(90, 10, 10);
    wcscpy(prefs.TitleFont.lfFaceName, L"Tahoma");
    prefs.TitleFont.lfHeight = -15;
    // Notes, other
    prefs.NotesInSubMenuLimit = 12;
    prefs.MenuSplitLimit = 21;
    prefs.SubMenuSorting = 1;
    prefs.AnimationSpeed = 1;
    prefs.StoreMinimizedPostion = !prefs.StoreMinimizedPostion;
    prefs.DontShrinkNoteSize = !prefs.DontShrinkNoteSize;
    prefs.DisableMagneticDocking = !prefs.DisableMagneticDocking;
    prefs.AutoFade = 0;  // above 0 an OK registers raw input for the whole prefix
    prefs.DefaultGroup = L"Work";
    // Alarms
    prefs.DefaultSnoozeTime = 25;
    wcscpy(prefs.AlarmSound, L"C:\\sounds\\alarm.wav");
    prefs.DefaultAlarmPopup = !prefs.DefaultAlarmPopup;
    prefs.DefaultAlarmHide = !prefs.DefaultAlarmHide;
    prefs.DefaultAlarmPopupCnt = 7;
    prefs.DefaultAlarmPopupType = 3;
    prefs.ExpiredAlarms = !prefs.ExpiredAlarms;
    prefs.DisplayAlarmNotification = !prefs.DisplayAlarmNotification;
    // Sounds
    wcscpy(prefs.CreateNote, L"C:\\sounds\\create.wav");
    wcscpy(prefs.DeleteNote, L"C:\\sounds\\delete.wav");
    wcscpy(prefs.ShowHideNote, L"C:\\sounds\\show.wav");
    wcscpy(prefs.NoteReceived, L"C:\\sounds\\received.wav");
    // Language: shown, the second entry chosen
    wcscpy(prefs.InstalledLanguages, L"US English|,Deutsch|de.dll");
    wcscpy(prefs.AltResFile, L"de.dll");
    // Network
    prefs.ReceiveNotify = !prefs.ReceiveNotify;
    prefs.DisableNetwork = !prefs.DisableNetwork;
    prefs.CheckVersion = !prefs.CheckVersion;
    prefs.CheckVersionNumDays = 31;
}

std::vector<std::wstring> PageSections()
{
    std::vector<std::wstring> lines;
    for (const wchar_t* section : { L"Preferences", L"Event Sounds", L"Languages" }) {
        lines.push_back(std::wstring(L"[") + section + L"]");
        for (const std::wstring& line : SectionLines(section))
            lines.push_back(line);
    }
    return lines;
}

TEST_F(CPreferencesTest, AnUntouchedOkChangesNoSettingAndRestartsNothing)
{
    const int port = FreePort();
    StartListening(port);
    ASSERT_NE(CGroups::AddGroup(-1, L"Work", 0x5AB45A), nullptr);
    SetEveryPageOffDefault(g_prefs);
    ASSERT_TRUE(g_prefs.Save());
    PlaceToolbar(m_window, g_prefs);
    StoreNamedNote(L"Hidden", L"kept", false, false, 0);
    RECT barBefore = {};
    GetWindowRect(m_window, &barBefore);
    const std::vector<std::wstring> before = PageSections();
    ASSERT_TRUE(std::find(before.begin(), before.end(), L"AltResFile=de.dll") != before.end());

    CLogCapture log;
    int pages = 0;
    const auto countPages = [&pages] {
        const HWND tabs = reinterpret_cast<HWND>(SendMessageW(Sheet(), PSM_GETTABCONTROL, 0, 0));
        pages = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    };
    Run(nullptr, { countPages, VisitEveryPage(), Press(PSBTN_OK) });
    EXPECT_EQ(pages, 8) << "the language page is shown";
    EXPECT_EQ(PageSections(), before);
    EXPECT_FALSE(LogHas(log, L"restarting the network"));
    EXPECT_FALSE(LogHas(log, L"UpdateTitleFont"));
    EXPECT_TRUE(Answers(port));
    RECT barAfter = {};
    GetWindowRect(m_window, &barAfter);
    EXPECT_TRUE(EqualRect(&barBefore, &barAfter));
    EXPECT_EQ(g_prefs.PositionX, 60);
    EXPECT_EQ(g_prefs.PositionY, 70);

    // A saved point off every screen: Cancel drops nothing and writes nothing.
    g_prefs.PositionX = g_prefs.PositionY = -30000;
    ASSERT_TRUE(g_prefs.Save());
    Run(nullptr, { Press(PSBTN_CANCEL) });  // the sheet's place is written once
    const std::string file = ReadBytes(g_prefs.IniPath());
    Run(nullptr, { VisitEveryPage(), Press(PSBTN_CANCEL) });
    EXPECT_EQ(ReadBytes(g_prefs.IniPath()), file);
    EXPECT_EQ(g_prefs.PositionX, -30000);
}

TEST_F(CPreferencesTest, ThePortRestartsTheListenerOnlyWhenItChangedAndTheNetworkRuns)
{
    struct Case {
        const char* name;
        bool portChanged;
        bool receiveNotify;
        bool disableNetwork;
        bool networkOn;
        bool restarted;
    };
    const Case cases[] = {
        { "port", true, false, false, true, true },
        { "notify only: the same listener", false, true, false, true, false },
        { "disabled: acts at the next start", true, false, true, true, false },
        { "network not running", true, false, false, false, false },
    };
    for (const Case& c : cases) {
        const int oldPort = FreePort();
        StartListening(oldPort);
        SetNoteNetworkOn(c.networkOn);
        const int newPort = c.portChanged ? FreePort() : oldPort;
        ASSERT_NE(newPort == oldPort, c.portChanged);
        CLogCapture log;
        Ok([&](CPreferences& prefs) {
            prefs.NetworkPort = newPort;
            prefs.ReceiveNotify = c.receiveNotify ? !prefs.ReceiveNotify : prefs.ReceiveNotify;
            prefs.DisableNetwork = c.disableNetwork;
        });
        EXPECT_EQ(g_prefs.NetworkPort, newPort) << c.name;
        EXPECT_EQ(LogHas(log, L"restarting the network"), c.restarted) << c.name;
        EXPECT_EQ(Answers(oldPort), !c.restarted) << c.name;
        if (c.restarted) {
            EXPECT_TRUE(Answers(newPort)) << c.name;
        }
        StopNetwork();
        g_prefs.DisableNetwork = false;
    }
}

uintptr_t RefuseThreadStart(void*, unsigned, unsigned(__stdcall*)(void*), void*, unsigned, unsigned*)
{
    errno = EAGAIN;
    return 0;
}

TEST_F(CPreferencesTest, ARestartThatFailsIsLoggedAndTheNewValuesStayLive)
{
    const int oldPort = FreePort();
    StartListening(oldPort);
    const int newPort = oldPort == 65535 ? oldPort - 1 : oldPort + 1;
    CLogCapture log;
    {
        // The LAN threads stop but cannot start again.
        const CSeamOverride<SNetThreadSeam> refused(g_netThreadSeam, { &RefuseThreadStart });
        Ok([newPort](CPreferences& prefs) {
            prefs.NetworkPort = newPort;
            prefs.NotesInSubMenuLimit = 44;
        });
    }
    EXPECT_TRUE(LogHas(log, L"The network could not be restarted on port " + std::to_wstring(newPort)));
    EXPECT_EQ(g_prefs.NetworkPort, newPort);
    EXPECT_EQ(g_prefs.NotesInSubMenuLimit, 44);
    EXPECT_EQ(ReadPrivateProfileInt(L"Preferences", L"NetworkPort", 0, g_prefs.IniPath()), newPort);
    EXPECT_FALSE(Answers(oldPort));
}

TEST_F(CPreferencesTest, ANewTitleFontGrowsTheHiddenNotesOnceByTheOldCaptionHeight)
{
    g_prefs.TitleFont.lfHeight = -11;
    const int oldHeight = ItsyCaptionHeightFromFont(g_prefs.TitleFont);
    const std::int64_t id = StoreNamedNote(L"Hidden", L"grows", false, false, 0);
    CNote* note = m_manager.GetNote(id);
    ASSERT_NE(note, nullptr);
    WINDOWPLACEMENT placement = note->Row().placement;
    placement.rcNormalPosition = RECT{ 10, 10, 210, 160 };
    note->SetWindowPlacement(placement);
    ASSERT_TRUE(m_manager.StoreNote(note));

    LOGFONTW larger = g_prefs.TitleFont;
    larger.lfHeight = -30;
    const int growth = ItsyCaptionHeightFromFont(larger) - oldHeight;
    ASSERT_GT(growth, 0);
    CLogCapture log;
    Ok([&](CPreferences& prefs) { prefs.TitleFont = larger; });
    EXPECT_EQ(LogCount(log, L"UpdateTitleFont for Hidden"), 1);
    note = m_manager.GetNote(id);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->Row().placement.rcNormalPosition.bottom, 160 + growth);
    EXPECT_FALSE(note->IsModified());
}

TEST_F(CPreferencesTest, VisibleInTaskbarShowsOrHidesTheParentWindow)
{
    for (const bool visible : { true, false }) {
        ShowWindow(m_parent, visible ? SW_HIDE : SW_SHOWNOACTIVATE);
        Ok([visible](CPreferences& prefs) { prefs.VisibleInTaskbar = visible; });
        EXPECT_EQ(IsWindowVisible(m_parent) != FALSE, visible);
    }
}

TEST_F(CPreferencesTest, AnotherCornerDropsTheToolbarPointTheSameCornerKeepsADrag)
{
    g_prefs.Position = 0;
    g_prefs.PositionX = 100;
    g_prefs.PositionY = 120;
    ASSERT_TRUE(g_prefs.Save());
    // Dragged while the sheet is open: the live point moves.
    Run(nullptr, { [] { g_prefs.PositionX = 200; g_prefs.PositionY = 220; }, Press(PSBTN_OK) });
    EXPECT_EQ(g_prefs.PositionX, 200);
    EXPECT_EQ(g_prefs.PositionY, 220);
    EXPECT_EQ(ReadPrivateProfileInt(L"Preferences", L"PositionX", 0, g_prefs.IniPath()), 200);

    Ok([](CPreferences& prefs) {
        prefs.Position = 3;
        prefs.PositionX = 5;  // what the working copy holds never wins
    });
    EXPECT_EQ(g_prefs.Position, 3);
    EXPECT_EQ(g_prefs.PositionX, kToolbarPositionUnset);
    EXPECT_EQ(g_prefs.PositionY, kToolbarPositionUnset);
}

TEST_F(CPreferencesTest, AlwaysOnTopTakesTheNotesAndTheCheckMarkAlong)
{
    g_prefs.AlwaysOnTop = false;
    g_prefs.AnimationSpeed = 3;
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    const HWND noteWindow = note->GetHwnd();
    for (const bool onTop : { true, false }) {
        Ok([onTop](CPreferences& prefs) { prefs.AlwaysOnTop = onTop; });
        EXPECT_EQ(g_prefs.AlwaysOnTop, onTop);
        // Only the way up: Wine keeps some owned windows topmost once they were.
        if (onTop) {
            EXPECT_NE(GetWindowLongW(noteWindow, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        }
        EXPECT_EQ((GetMenuState(GetTrayMenu(), ID_ALWAYS_ON_TOP, MF_BYCOMMAND) & MF_CHECKED) != 0, onTop);
    }
}

TEST_F(CPreferencesTest, ASettingsFileThatCannotBeWrittenIsLoggedAndTheNewValuesStayLive)
{
    const std::wstring unwritable = m_dir.File(L"missing\\folder\\RERUZADU.INI");
    CLogCapture log;
    Ok([&](CPreferences& prefs) {
        prefs.SetIniPath(unwritable.c_str());
        prefs.NotesInSubMenuLimit = 77;
    });
    EXPECT_TRUE(LogHas(log, L"The preferences could not be saved"));
    EXPECT_EQ(g_prefs.NotesInSubMenuLimit, 77);
}

TEST_F(CPreferencesTest, TheEditorsPasteSwitchFollowsPasteAsText)
{
    for (const bool plain : { false, true }) {
        CRichEditCtrl50WT::SetForcePlainPaste(!plain);
        Ok([plain](CPreferences& prefs) { prefs.PasteAsText = plain; });
        EXPECT_EQ(CRichEditCtrl50WT::IsForcePlainPaste(), plain);
    }
}

TEST_F(CPreferencesTest, LinkDetectionSwitchedOffReachesTheOpenNotes)
{
    g_prefs.AnimationSpeed = 3;
    g_prefs.EnableURLDetection = true;
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(note->UrlDetect().IsEnabled());
    const std::int64_t id = note->GetId();
    Ok([](CPreferences& prefs) { prefs.EnableURLDetection = false; });
    note = m_manager.GetNote(id);
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(note->UrlDetect().IsEnabled());
}

// Switched from 1 to 0: nothing registers raw input, and the dimmed notes
// come back at once.
TEST_F(CPreferencesTest, AutoFadeSwitchedOffBringsFadedNotesBack)
{
    g_prefs.AnimationSpeed = 3;
    g_prefs.AutoFade = 1;
    ASSERT_NE(m_manager.CreateNewNote(), nullptr);
    TempFadeOut(true, nullptr);
    ASSERT_TRUE(m_manager.IsFadedOut());
    Ok([](CPreferences& prefs) { prefs.AutoFade = 0; });
    EXPECT_FALSE(m_manager.IsFadedOut());
}

TEST_F(CPreferencesTest, CancelRegistersTheOpeningHotKeysAgainWithAndWithoutTheirSection)
{
    for (const bool withSection : { false, true }) {
        RestoreHotKeys(kDefaults);
        WritePrivateProfileStringW(L"HotKeys", nullptr, nullptr, g_prefs.IniPath());
        if (withSection)
            StoreHotKeys();
        Run(nullptr, { [] { ASSERT_TRUE(ChangeHotKey(1, kChangedNewNote)); }, Press(PSBTN_CANCEL) });
        EXPECT_EQ(CurrentHotKey(1).key, UINT{ 'N' }) << withSection;
        EXPECT_TRUE(Taken(kAltCtrl, 'N')) << withSection;
        EXPECT_FALSE(Taken(kChangedNewNote.modifiers, kChangedNewNote.key)) << withSection;
    }
}

TEST_F(CPreferencesTest, OkStoresTheChangedHotKeys)
{
    Run(nullptr, { [] { ASSERT_TRUE(ChangeHotKey(1, kChangedNewNote)); }, Press(PSBTN_OK) });
    EXPECT_EQ(ReadPrivateProfileInt(L"HotKeys", L"V_NewNote", 0, g_prefs.IniPath()), 'Q');
    EXPECT_EQ(ReadPrivateProfileInt(L"HotKeys", L"M_NewNote", 0, g_prefs.IniPath()),
              static_cast<int>(kChangedNewNote.modifiers));
    EXPECT_TRUE(Taken(kChangedNewNote.modifiers, kChangedNewNote.key));
}

TEST_F(CPreferencesTest, ASecondCallWhileTheSheetRunsDoesNothing)
{
    Run(nullptr, { [] { ShowPreferences(); }, Press(PSBTN_CANCEL) });
    int runs = 0;
    for (const std::wstring& call : m_script.Calls())
        runs += call == L"modal 17";
    EXPECT_EQ(runs, 1);
}

TEST_F(CPreferencesTest, ASheetThatCannotBeCreatedChangesNothing)
{
    ASSERT_TRUE(g_prefs.Save());
    const std::string file = ReadBytes(g_prefs.IniPath());
    const int limit = g_prefs.NotesInSubMenuLimit;
    m_script.HandleModal(IDS_PREFS_CAPTION, [](const SModalRun&) {
        PreferenceWorkingCopy().NotesInSubMenuLimit += 5;
        return INT_PTR{ -1 };
    });
    ShowPreferences();
    PumpPosted();
    EXPECT_EQ(g_prefs.NotesInSubMenuLimit, limit);
    EXPECT_EQ(ReadBytes(g_prefs.IniPath()), file);
    EXPECT_TRUE(Taken(kAltCtrl, 'N'));
}

TEST_F(CPreferencesTest, AnOwnerDestroyedDuringTheRunEndsItAsCancel)
{
    const HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100, nullptr,
                                       nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    SetActiveWindow(owner);
    ASSERT_EQ(GetActiveWindow(), owner);
    const int limit = g_prefs.NotesInSubMenuLimit;
    CLogCapture log;
    Run([](CPreferences& prefs) { prefs.NotesInSubMenuLimit += 5; },
        { [owner] { DestroyWindow(owner); }, VisitEveryPage() });
    EXPECT_FALSE(IsWindow(owner));
    EXPECT_EQ(Sheet(), nullptr);
    EXPECT_EQ(g_prefs.NotesInSubMenuLimit, limit);
    EXPECT_TRUE(LogHas(log, L"the sheet is cancelled"));
}

TEST_F(CPreferencesTest, TheSheetReopensWhereItWasTopmostAndOnScreen)
{
    Run(nullptr, { [] { SetWindowPos(Sheet(), nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER); },
                   Press(PSBTN_CANCEL) });
    EXPECT_EQ(ReadPrivateProfileInt(L"Dialogs_PrefsDlg", L"X", 0, g_prefs.IniPath()), 37);
    EXPECT_EQ(ReadPrivateProfileInt(L"Dialogs_PrefsDlg", L"Y", 0, g_prefs.IniPath()), 41);
    EXPECT_GT(ReadPrivateProfileInt(L"Dialogs_PrefsDlg", L"Width", 0, g_prefs.IniPath()), 0);

    RECT shown = {};
    LONG_PTR exStyle = 0;
    const auto look = [&] {
        GetWindowRect(Sheet(), &shown);
        exStyle = GetWindowLongPtrW(Sheet(), GWL_EXSTYLE);
    };
    Run(nullptr, { look, Press(PSBTN_CANCEL) });
    EXPECT_EQ(shown.left, 37);
    EXPECT_EQ(shown.top, 41);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);

    MyWritePrivateProfileInt(L"Dialogs_PrefsDlg", L"X", -20000, g_prefs.IniPath());
    MyWritePrivateProfileInt(L"Dialogs_PrefsDlg", L"Y", 50000, g_prefs.IniPath());
    Run(nullptr, { look, Press(PSBTN_CANCEL) });
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const RECT screen = { left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                          top + GetSystemMetrics(SM_CYVIRTUALSCREEN) };
    RECT inside = {};
    EXPECT_TRUE(IntersectRect(&inside, &shown, &screen) && EqualRect(&inside, &shown));
}

TEST_F(CPreferencesTest, ATestSoundStopsHoweverTheSheetEnds)
{
    for (const int button : { PSBTN_OK, PSBTN_CANCEL }) {
        bool playing = false;
        Run(nullptr, { [&] { playing = PlaySoundFile(L"C:\\test.wav") == 1; }, Press(button) });
        EXPECT_TRUE(playing);
        EXPECT_FALSE(IsSoundPlaying()) << button;
    }
    // A failure notice that reaches the sheet ends the sound as well.
    bool stoppedInside = false;
    Run(nullptr, { [] { PlaySoundFile(L"C:\\test.wav"); },
                   [] { SendMessageW(Sheet(), MM_MCINOTIFY, MCI_NOTIFY_FAILURE, g_soundSeam.deviceId(L"sound")); },
                   [&] { stoppedInside = !IsSoundPlaying(); }, Press(PSBTN_CANCEL) });
    EXPECT_TRUE(stoppedInside);
}

}  // namespace
