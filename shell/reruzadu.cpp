// The program's entry, start-up, message loop and shut-down.
#include "reruzadu.h"

#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>

#include <cstdlib>
#include <ctime>

#include "foundation/DataPaths.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/PooledStr.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "foundation/WinPlacement.h"
#include "foundation/WinVersion.h"
#include "foundation/fileio.h"
#include "framework/AppModule.h"
#include "framework/CrashReporter.h"
#include "framework/GdiObject.h"
#include "framework/Library.h"
#include "hotkeys.h"
#include "jumplist.h"
#include "mainmenus.h"
#include "maintimers.h"
#include "mainwnd.h"
#include "notestore/LoadReruzadu.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"
#include "notewindows/itsycmd.h"
#include "resources/resource.h"
#include "sessionsave.h"
#include "shellsvc.h"
#include "singleinst.h"
#include "startcalls.h"
#include "toolbar.h"

HACCEL g_mainAccelerators = nullptr;
HACCEL g_noteAccelerators = nullptr;

namespace {

constexpr DWORD kDelayedStartMs = 30000;
constexpr DWORD kAllCommonControls = 0x1FF;

CCrashReporter g_crashReporter;
HINSTANCE g_instance = nullptr;
int g_entryShow = SW_SHOWDEFAULT;
wchar_t g_programPath[MAX_PATH] = {};
CLibrary g_richEdit;
HWND g_toolbar = nullptr;
bool g_networkOn = false;

// ---- The data folder ---------------------------------------------------

// A file of the same name counts as "already there" for the folder helper.
bool MakeFolder(const wchar_t* folder)
{
    return IsDirectory(folder) || (CreateDirectoryIfMissing(folder) && IsDirectory(folder));
}

const EDataPath kMigratedFiles[] = {EDataPath::Settings, EDataPath::LegacyNotes, EDataPath::AliasList,
                                    EDataPath::GroupsFile};

// Whether the data paths name a folder that already holds the user's notes.
bool HoldsDatabase()
{
    return FileExists(GetDataPath(EDataPath::Database)) || FileExists(GetDataPath(EDataPath::OlderDatabase));
}

// Moves the data paths to the per-user folder, copying the program folder's
// data files into it once. A failure keeps the data in the program folder,
// unless the per-user folder already holds a database: leaving it then
// would hide the user's notes.
void UsePerUserFolder(const wchar_t* programPath, bool migrate)
{
    wchar_t root[MAX_PATH] = {};
    if (!g_folderRootsSeam.perUserRoot(root) || !root[0]) {
        SetDataFilePaths(programPath);
        return;
    }
    CStdStr folder(root);
    AppendBackslash(folder);
    folder += L"Quillet\\";
    SetDataFilePaths(programPath);
    CStdStr sources[std::size(kMigratedFiles)];
    for (size_t i = 0; i < std::size(kMigratedFiles); ++i)
        sources[i] = GetDataPath(kMigratedFiles[i]);
    if (!MakeFolder(folder.c_str()) || !SetDataFilePaths(folder.c_str())) {
        SetDataFilePaths(programPath);
        return;
    }
    if (!migrate)
        return;
    for (size_t i = 0; i < std::size(kMigratedFiles); ++i) {
        const wchar_t* const target = GetDataPath(kMigratedFiles[i]);
        if (FileExists(target))
            continue;
        if (CopyFileW(sources[i].c_str(), target, TRUE))
            continue;
        const DWORD error = GetLastError();
        if (!FileExists(sources[i].c_str()))
            continue;
        QLOG(L"Failed to copy %s to %s - error %lu", sources[i].c_str(), target, error);
        if (!HoldsDatabase()) {
            SetDataFilePaths(programPath);
            return;
        }
    }
}

// A folder that can't be made is emptied, which switches its use off.
void MakeDataFolders()
{
    for (const EDataPath which : {EDataPath::ErrorFolder, EDataPath::BackupFolder}) {
        const wchar_t* const folder = GetDataPath(which);
        if (!MakeFolder(folder))
            ClearDataPath(which);
    }
}

// ---- Start-up steps --------------------------------------------------------

void LogEnvironment()
{
    CStdStr version, address;
    DWORD high = 0, low = 0;
    GetVersionText(version, address, high, low);
    QLOG(L"Module: %s", g_programPath);
    QLOG(L"Quillet version %s", version.c_str());
    _tzset();
    QLOG(L"TZ is set to %S - %S", _tzname[0], _tzname[1]);
    wchar_t language[128] = {};
    wchar_t iso639[128] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, language, 128);
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SABBREVLANGNAME, iso639, 128);
    QLOG(L"Locale - Language: %s", language);
    QLOG(L"Locale - ISO639: %s", iso639);
    QLOG(L"Locale - English language : %s", language);
}

void OpenLogForCrashReports()
{
    if (!OpenLogFile())
        QLOG(L"Can't create log file!\nMake sure Quillet is installed in a writable directory.");
    g_crashReporter.AddFile(GetLogFilePath(), nullptr, L"Log File", 1);
}

void InitializeLibraries(HINSTANCE instance)
{
    QLOG(L"Initializing resources");
    CResModule::SetInstance(instance);
    QLOG(L"Finished initializing resources");
    QLOG(L"HasAnimateMenu(%s)", HasAnimateMenu() ? L"True" : L"False");
    OleInitialize(nullptr);
    QLOG(L"Initializing Common Controls");
    INITCOMMONCONTROLSEX controls = {sizeof(controls), kAllCommonControls};
    InitCommonControlsEx(&controls);
    g_appModule.Init(instance);
    g_richEdit.Reset(LoadLibraryW(L"RICHED20.DLL"));
    g_appModule.SetRichEdit20(static_cast<bool>(g_richEdit));
    if (!IsRichEdit20())
        g_richEdit.Reset(LoadLibraryW(L"RICHED32.DLL"));
    srand(static_cast<unsigned>(time(nullptr)));
    QLOG(L"Checking for Windows 95");
    DetectWindowsVersion();
}

void DescribeFilesToCrashReporter()
{
    g_crashReporter.AddFile(GetDataPath(EDataPath::Settings), nullptr, L"Ini File", 1);
    g_crashReporter.AddProperty(kCrashIniPathProperty, GetDataPath(EDataPath::Settings));
    g_crashReporter.AddProperty(L"Data file path", GetDataPath(EDataPath::LegacyNotes));
    g_crashReporter.AddProperty(L"SQLite file path", GetDataPath(EDataPath::Database));
    g_crashReporter.AddProperty(L"Log file path", GetLogFilePath());
}

bool OpenDatabase()
{
    NoteManager().SetDatabasePath(GetDataPath(EDataPath::Database));
    QLOG(L"Backing up database to folder (%s)", GetDataPath(EDataPath::BackupFolder));
    NoteManager().BackupDatabase(GetDataPath(EDataPath::BackupFolder));
    if (!NoteManager().GetDB()) {
        QLOG(L"Failed to init table.");
        AppMessageBox(nullptr, IDS_NOTES_LOAD_FAILED, MB_OK);
        return false;
    }
    CGroups::GetCount();
    QLOG(L"Using database file(%s)", GetDataPath(EDataPath::Database));
    QLOG(L"Initializing edit proc");
    return true;
}

bool CreateWindows(HINSTANCE instance, HINSTANCE previous)
{
    if (!previous && !RegisterWindowClasses(instance))
        return false;
    QLOG(L"Creating parent window");
    SetParentWindow(
        CreateWindowExW(0, L"ParentWClass", GetAppCaption(), WS_POPUPWINDOW, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr));
    QLOG(L"Loading VeduVure bitmap");
    g_appModule.SetCaptionBitmap(CResModule::LoadBitmap(MAKEINTRESOURCEW(IDB_CAPTION_BUTTONS)));
    if (!GetCaptionBitmap())
        return false;
    QLOG(L"CreateMain() called");
    if (!CreateMain(instance))
        return false;
    QLOG(L"Creating toolbar");
    g_toolbar = CreateToolbar(g_hwndApp, instance);
    return g_toolbar != nullptr;
}

void ShowWindows()
{
    const int show = StartupShowCommand(g_entryShow);
    QLOG(L"SetToolbarPosition()");
    SetToolbarPosition(g_prefs, g_hwndApp, g_toolbar, GetParentWindow());
    ShowWindow(g_hwndApp, SW_SHOW);
    if (!g_prefs.HideToolbar) {
        QLOG(L"Showing toolbar");
        ShowWindow(g_toolbar, SW_SHOW);
        UpdateWindow(g_hwndApp);
    }
    ShowWindow(GetParentWindow(), g_prefs.VisibleInTaskbar ? show : SW_HIDE);
    if (IsTrayMode()) {
        QLOG(L"Hiding toolbar");
        if (g_prefs.HideToolbar)
            SendMessageW(g_hwndApp, WM_COMMAND, ID_TOGGLE_TOOLBAR, 0);
    }
}

void LoadNotesAndAlarms()
{
    // Cleared before the notes load: an alarm display opened by the loading
    // keeps its slot and its keys.
    g_appModule.SetFindDlg(nullptr);
    g_appModule.SetShowHideDlg(nullptr);
    g_appModule.SetAlarmDisplayDlg(nullptr);
    if (!LoadReruzadu()) {
        QLOG(L"LoadReruzadu(%s) failed", GetDataPath(EDataPath::LegacyNotes));
        AppMessageBox(nullptr, IDS_NOTES_LOAD_FAILED, MB_OK);
    }
    QLOG(L"ClearPreviousAlarms()");
    ClearPreviousAlarms();
}

void LoadAccelerators(HINSTANCE instance)
{
    QLOG(L"Loading accelerators");
    g_mainAccelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAIN_ACCELERATORS));
    g_noteAccelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_NOTE_ACCELERATORS));
}

void StartServices()
{
    if (g_prefs.HideAllOnStartup) {
        QLOG(L"Hiding all on startup");
        ModifyMenuW(GetTrayMenu(), ID_SHOW_HIDE_ALL, MF_BYCOMMAND | MF_STRING, ID_SHOW_HIDE_ALL,
                    LoadResString(IDS_SHOW_ALL));
    }
    QLOG(L"Trying to initialize sockets");
    g_networkOn = false;
    if (!g_prefs.DisableNetwork) {
        g_networkOn = StartNetwork() != 0;
        StartInstanceDetection();
    }
    QLOG(L"Socket support %s", g_networkOn ? L"Enabled" : L"Disabled");
    SetNoteNetworkOn(g_networkOn);
    QLOG(L"Loading Netsend file");
    if (g_networkOn)
        LoadNetSends();
    LoadHotKeys();
    SetTimer(g_hwndApp, kMainTimerId, kMainTimerPeriod, nullptr);
    SetTimer(g_hwndApp, kUpkeepTimerId, kUpkeepTimerPeriod, nullptr);
}

// ---- Shut-down -------------------------------------------------------------

void DestroyDialog(HWND dialog)
{
    if (IsWindow(dialog))
        DestroyWindow(dialog);
}

void DestroyDialogs()
{
    QLOG(L"Killing find dialog");
    DestroyDialog(g_appModule.GetFindDlg());
    QLOG(L"Killing ShowHide dialog");
    DestroyDialog(g_appModule.GetShowHideDlg());
    QLOG(L"Killing Alarm display dialog");
    DestroyDialog(g_appModule.GetAlarmDisplayDlg());
}

void FadeNotesBackIn()
{
    if (NoteManager().IsFadedOut())
        TempFadeOut(false, nullptr);
}

void FreeWindowResources()
{
    CloseNoteFrames();
    UnregisterClassW(L"NoteWClass", g_instance);
    DestroyIcon(g_appModule.GetAppIcon());
    g_appModule.SetAppIcon(nullptr);
    g_appModule.SetCaptionBitmap(nullptr);
    DeleteAppPalette();
    if (IsTrayMode())
        FreeTrayLibrary();
}

void EndLibraries()
{
    g_appModule.Term();
    OleUninitialize();
    FreeStringPools();
}

int FailedStart()
{
    FadeNotesBackIn();
    QLOG(L"Close the database!");
    NoteManager().CloseAll();
    QLOG(L"BAD BAD BAD! Something went terribly wrong!");
    DestroyDialogs();
    QLOG(L"Stopping sound");
    StopSound();
    QLOG(L"Destroying all windows");
    if (IsWindow(g_hwndApp))
        DestroyWindow(g_hwndApp);
    SetAppWindow(nullptr);
    QLOG(L"Unregistering window classes");
    QLOG(L"Freeing RichEdit");
    g_richEdit.Reset();
    FreeWindowResources();
    if (g_networkOn) {
        QLOG(L"Shut down the listening sockets!");
        StopNetwork();
    }
    CloseLogFile();
    EndLibraries();
    return 0;
}

int ShutDown(WPARAM exitCode)
{
    FadeNotesBackIn();
    DestroyDialogs();
    QLOG(L"Stopping sound");
    StopSound();
    QLOG(L"Saving profile");
    SaveSettingsRecord();
    QLOG(L"Removing all reruzadu");
    QLOG(L"Close the database!");
    NoteManager().CloseAll();
    QLOG(L"Storing netsends");
    if (g_networkOn) {
        SaveLanLists();
        QLOG(L"Shut down the listening sockets!");
        StopNetwork();
    }
    QLOG(L"Closing any open mail slots");
    CloseMailSlots();
    QLOG(L"Storing hotkeys");
    SaveHotKeys();
    QLOG(L"Freeing RichEdit");
    g_richEdit.Reset();
    QLOG(L"Destroying all windows");
    QLOG(L"Destroying g_hwndApp");
    if (IsWindow(g_hwndApp)) {
        QLOG(L"Destroyed g_hwndApp");
        DestroyWindow(g_hwndApp);
    }
    SetAppWindow(nullptr);
    // The parent window goes with the process.
    QLOG(L"Destroying parent");
    QLOG(L"Unregistering window classes");
    FreeWindowResources();
    EndLibraries();
    QLOG(L"Quillet has closed");
    CloseLogFile();
    return static_cast<int>(exitCode);
}

}  // namespace

BOOL WINAPI OnCrashCallback(void*)
{
    // The crashing thread may hold the log's lock: waiting for it would
    // hang the crash report.
    if (g_logFile.IsOpen())
        CloseLogFileWithoutWaiting();
    return TRUE;
}

// ---- The data folder (public) -------------------------------------------

void ChooseDataFolder(const wchar_t* commandLine)
{
    if (!g_folderRootsSeam.programFile(g_programPath))
        g_programPath[0] = L'\0';
    SetDataFilePaths(g_programPath);
    bool perUser = WindowsVersion().winXP;
    const int migrationDone =
        ReadPrivateProfileInt(L"Preferences", L"FileMigrationDone", 0, GetDataPath(EDataPath::Settings));

    QLOG(L"Parsing command line - \"%s\"", commandLine ? commandLine : L"");
    const SCommandLine parsed = ParseCommandLine(commandLine, false, true);
    if (parsed.folderApplied) {
        // Only a "/f" folder that already holds settings takes the data.
        if (FileExists(GetDataPath(EDataPath::Settings))) {
            perUser = false;
            QLOG(L"Ini file (%s)", GetDataPath(EDataPath::Settings));
            QLOG(L"Old Note file (%s)", GetDataPath(EDataPath::LegacyNotes));
            QLOG(L"Note file (%s)", GetDataPath(EDataPath::Database));
        } else {
            QLOG(L"Ini file (%s) doesn't exist, ignoring command line", GetDataPath(EDataPath::Settings));
            SetDataFilePaths(g_programPath);
        }
    } else {
        SetDataFilePaths(g_programPath);
    }
    const CStdStr settings(GetDataPath(EDataPath::Settings));

    if (perUser)
        UsePerUserFolder(g_programPath, migrationDone == 0);
    MakeDataFolders();
    if (!WindowsVersion().winXP)
        MyWritePrivateProfileString(L"Preferences", L"FileMigrationDone", migrationDone ? L"1" : L"0",
                                    settings.c_str());
}

bool PrepareDatabaseFile()
{
    const wchar_t* const database = GetDataPath(EDataPath::Database);
    const wchar_t* const older = GetDataPath(EDataPath::OlderDatabase);
    if (FileExists(database))
        return true;
    if (FileExists(older)) {
        if (CopyFileW(older, database, TRUE)) {
            QLOG(L"Upgrading file %s to %s", older, database);
            return true;
        }
        const DWORD error = GetLastError();
        QLOG(L"Failed to migrate file %s to %s", older, database);
        QLOG(L"Copying the older database failed - error %lu", error);
        // Going on would open a new, empty database beside the user's notes,
        // and no later start would try the copy again.
        AppMessageBox(nullptr, IDS_NOTES_LOAD_FAILED, MB_OK);
        return false;
    }
    QLOG(L"Migrating data because (%s) doesn't exist", database);
    g_prefs.MigrateFromOldFile = true;
    g_prefs.GroupsMigrated = 0;
    return true;
}

void LoadStartSettings()
{
    const bool shortcutConverted = UpdateStartupShortcut();
    QLOG(L"Loading preferences %s", GetDataPath(EDataPath::Settings));
    g_prefs.Load();
    // The shortcut's settings take effect now; else the program would stop
    // starting with Windows.
    if (shortcutConverted)
        UpdateStartupReg(g_prefs);
    g_prefs.InternationalMapping = false;
    SetForcePlainPaste(g_prefs.PasteAsText);
    if (g_prefs.AltResFile[0])
        CResModule::LoadLanguage(g_prefs.AltResFile);
}

int StartupShowCommand(int entryShow)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    return ShowCommandOf(startup, entryShow);
}

int ShowCommandOf(const STARTUPINFOW& startup, int entryShow)
{
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : entryShow;
}

// ---- The loop ----------------------------------------------------------------

void RouteMessage(MSG& msg)
{
    const HWND find = g_appModule.GetFindDlg();
    if (find && IsDialogMessageW(find, &msg))
        return;
    const HWND alarmDisplay = g_appModule.GetAlarmDisplayDlg();
    if (alarmDisplay && IsDialogMessageW(alarmDisplay, &msg))
        return;
    const HWND organizer = g_appModule.GetShowHideDlg();
    if (organizer && (msg.hwnd == organizer || IsChild(organizer, msg.hwnd))) {
        // A key the organizer's table took is done with.
        if (TranslateAcceleratorW(organizer, g_mainAccelerators, &msg))
            return;
        if (IsDialogMessageW(organizer, &msg))
            return;
    }
    if (msg.hwnd && msg.hwnd == GetParentWindow()) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        return;
    }
    const bool main = msg.hwnd && msg.hwnd == g_hwndApp;
    const bool translated = TranslateAcceleratorW(msg.hwnd, main ? g_mainAccelerators : g_noteAccelerators, &msg);
    if (!translated)
        TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

WPARAM RunMessageLoop()
{
    MSG msg = {};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        RouteMessage(msg);
    return msg.wParam;
}

const wchar_t* GetProgramPath()
{
    return g_programPath;
}

// ---- The program's life ----------------------------------------------------

int RunApplication(HINSTANCE instance, HINSTANCE previous, const wchar_t* commandLine)
{
    g_instance = instance;
    QLOG(L"Ensuring we're the only instance");
    g_singleInstance.SetCallback(&OnInstanceCommand);
    if (!g_singleInstance.ClaimSingleInstance(commandLine))
        return 0;
    QLOG(L"Parsing command line looking for commands %s", commandLine ? commandLine : L"");
    const SCommandLine command = ParseCommandLine(commandLine, true, true);
    if (!command.valid)
        QLOG(L"Bad command");
    if (g_singleInstance.HandedOver()) {
        QLOG(L"Found other instance of Quillet running");
        return 0;
    }
    RegisterRestart(commandLine);
    OpenLogForCrashReports();
    if (!g_folderRootsSeam.programFile(g_programPath))
        g_programPath[0] = L'\0';
    LogEnvironment();
    if (command.commandWord == L"delay") {
        QLOG(L"Delay starting Quillet for 30 seconds");
        Sleep(kDelayedStartMs);
    }
    InitializeLibraries(instance);
    ChooseDataFolder(commandLine);
    DescribeFilesToCrashReporter();
    LoadStartSettings();
    QLOG(L"Initializing icon");
    g_appModule.SetAppIcon(LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP)));
    WindowsVersion().win7 = BuildJumpList();
    if (!PrepareDatabaseFile() || !OpenDatabase() || !CreateWindows(instance, previous))
        return FailedStart();
    ShowWindows();
    LoadNotesAndAlarms();
    LoadAccelerators(instance);
    StartServices();
    PostCommandWord(g_hwndApp, command.commandWord.c_str());
    if (g_prefs.AutoFade > 0)
        RegisterForRawInput();
    QLOG(L"Starting message loop");
    return ShutDown(RunMessageLoop());
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show)
{
    InstallInvalidParameterHandler();
    g_entryShow = show;
    CrashInstallRecord record;
    record.appName = L"Quillet";
    record.appVersion = L"4.1.0";
    record.emailTo = L"crash-reports@quillet.invalid";
    record.emailSubject = L"Quillet 4.1 Error Report";
    record.uploadUrl = L"http://errors.quillet.invalid/upload";
    record.callback = &OnCrashCallback;
    record.priorities[0] = 3;
    record.priorities[1] = 2;
    record.priorities[2] = 1;
    record.flags = 0x255FFF;
    record.restartCommandLine = commandLine;
    const int installed = g_crashReporter.Bind() ? g_crashReporter.Install(record) : kCrashNotBound;
    if (installed == 0)
        QLOG(L"CrashRtp installed - %d", installed);
    else
        QLOG(L"CrashRtp failed to install %d", installed);
    g_crashReporter.SetOption(2, 0);
    const int result = RunApplication(instance, previous, commandLine);
    // Not left to its static destructor, which runs after the C runtime
    // has begun to end the process.
    g_singleInstance.Close();
    if (installed == 0)
        g_crashReporter.Uninstall();
    return result;
}
