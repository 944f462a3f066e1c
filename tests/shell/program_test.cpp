// QUILL32.exe end to end: started by this driver with "/f" and a folder of
// the test's own, watched through its log, ended through its windows. The
// runs share the one log and the single-instance names of the user, so they
// hold one ctest resource lock and kill their children in teardown.
#include "ProgramDriver.h"

namespace {

const std::vector<std::wstring> kStartLines = {
    L"-------------- Started logging to file ",
    L"Module: ",
    L"Quillet version 4.10.1",
    L"TZ is set to ",
    L"Locale - Language: ",
    L"Locale - ISO639: ",
    L"Locale - English language : ",
    L"Initializing resources",
    L"Finished initializing resources",
    L"HasAnimateMenu(",
    L"Initializing Common Controls",
    L"Checking for Windows 95",
    L"WinXP = 1, Vista = 1, Win7 = 1",
    L"Parsing command line - \"/f ",
    L"Ini file (",
    L"Old Note file (",
    L"Note file (",
    L"Loading preferences ",
    L"Initializing icon",
    L"Migrating data because (",
    L"Backing up database to folder (",
    L"Using database file(",
    L"Initializing edit proc",
    L"Creating main window class",
    L"Creating ParentWClass window class",
    L"Creating NoteWClass window class",
    L"Window class creating complete!",
    L"Creating parent window",
    L"Loading VeduVure bitmap",
    L"CreateMain() called",
    L"Setting Always On Top ",
    L"Creating toolbar",
    L"SetToolbarPosition()",
    L"Hiding toolbar",
    L"ClearPreviousAlarms()",
    L"Loading accelerators",
    L"Trying to initialize sockets",
    L"Socket support ",
    L"Loading Netsend file",
    L"Starting message loop",
};

const std::vector<std::wstring> kShutDownLines = {
    L"Close window event thread!",
    L"Killing find dialog",
    L"Killing ShowHide dialog",
    L"Killing Alarm display dialog",
    L"Stopping sound",
    L"Saving profile",
    L"Removing all reruzadu",
    L"Close the database!",
    L"Storing netsends",
    L"Closing any open mail slots",
    L"Storing hotkeys",
    L"Freeing RichEdit",
    L"Destroying all windows",
    L"Destroying g_hwndApp",
    L"Destroying parent",
    L"Unregistering window classes",
    L"Quillet has closed",
};

TEST_F(ProgramTest, RunsAsOneCopyTakesForwardedStartsAndEndsOnExit)
{
    CRun first(ProgramPath(), FolderArgument());
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(WaitUntilLogged(L"Starting message loop", kStartMs));
    ExpectInOrder(kStartLines);
    EXPECT_TRUE(IsFolder(Folder() + L"Errors"));
    EXPECT_TRUE(IsFolder(Folder() + L"Backup"));
    EXPECT_NE(GetFileAttributesW((Folder() + L"QUILLT40.DAT").c_str()), INVALID_FILE_ATTRIBUTES);

    for (int start = 0; start < 2; ++start) {
        const DWORD began = GetTickCount();
        CRun second(ProgramPath(), L"/c newnote");
        ASSERT_TRUE(second.Started());
        EXPECT_EQ(second.WaitForExit(kExitMs), 0u) << "start " << start;
        EXPECT_LT(GetTickCount() - began, 15000u);
    }
    EXPECT_EQ(CountLogged(L"-------------- Started logging"), 1) << "the later starts never got as far as the log";

    const HWND main = first.FindWindowOfClass(L"MainWClass", 5000);
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_COMMAND, 209, 0);
    EXPECT_EQ(first.WaitForExit(kExitMs), 0u);
    ExpectInOrder(kShutDownLines);
    EXPECT_EQ(LogMessages().back(), L"Quillet has closed");
    EXPECT_NE(IniValue(Ini(), L"AutoSave"), L"<absent>") << "the settings were saved";
}

// An empty legacy notes file beside a new database is no error at start-up:
// it is done with.
TEST_F(ProgramTest, ALegacyNotesFileBesideANewDatabaseShowsNoErrorBox)
{
    struct Case {
        const char* name;
        const char* content;
        const wchar_t* logged;
        const wchar_t* migrateAfter;
    };
    const Case cases[] = {
        {"empty", "", L"LoadReruzadu - wi_Seek(0)", L"0"},
    };
    for (const Case& c : cases) {
        DeleteFileW(LogPath().c_str());
        DeleteFileW((Folder() + L"QUILLT40.DAT").c_str());
        const HANDLE legacy = CreateFileW((Folder() + L"NOTES.DAT").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          0, nullptr);
        ASSERT_NE(legacy, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(legacy, c.content, static_cast<DWORD>(strlen(c.content)), &written, nullptr);
        CloseHandle(legacy);

        CRun run(ProgramPath(), FolderArgument());
        ASSERT_TRUE(WaitUntilLogged(L"Starting message loop", kStartMs)) << c.name;
        ExpectInOrder({L"LoadReruzadu - Migrating file ", c.logged, L"LoadReruzadu - loading 0 visible notes"});
        EXPECT_EQ(CountLogged(L"LoadReruzadu("), 0) << c.name << ": no failure";
        EXPECT_EQ(run.FindWindowOfClass(L"#32770", 0), nullptr) << c.name << ": no message box";
        const HWND main = run.FindWindowOfClass(L"MainWClass", 5000);
        ASSERT_NE(main, nullptr) << c.name;
        PostMessageW(main, WM_COMMAND, 209, 0);
        EXPECT_EQ(run.WaitForExit(kExitMs), 0u) << c.name;
        EXPECT_EQ(IniValue(Ini(), L"MigrateFromOldFile"), c.migrateAfter) << c.name;
    }
}

TEST_F(ProgramTest, ClosingTheTaskbarButtonEndsTheProgram)
{
    CRun run(ProgramPath(), FolderArgument());
    ASSERT_TRUE(WaitUntilLogged(L"Starting message loop", kStartMs));
    const HWND parent = run.FindWindowOfClass(L"ParentWClass", 5000);
    ASSERT_NE(parent, nullptr);
    PostMessageW(parent, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(kExitMs), 0u);
    ExpectInOrder(kShutDownLines);
}

// Log-off ends the process once WM_ENDSESSION returns, without the shut-down
// that "E&xit" runs: the bar hidden before it is hidden at the next start.
TEST_F(ProgramTest, TheBarHiddenBeforeALogOffStaysHiddenAtTheNextStart)
{
    ASSERT_TRUE(WritePrivateProfileStringW(L"Preferences", L"HideToolbar", L"0", Ini().c_str()));
    // An old ANSI alias file: the LAN lists are read and stored only with the
    // network on.
    ASSERT_TRUE(WritePrivateProfileStringW(L"Preferences", L"DisableNetwork", L"1", Ini().c_str()));
    const std::string aliases = "[Aliases]\r\nbob=10.0.0.1\r\n";
    const std::wstring aliasFile = Folder() + L"ALIAS.INI";
    const HANDLE file = CreateFileW(aliasFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, aliases.data(), static_cast<DWORD>(aliases.size()), &written, nullptr);
    CloseHandle(file);
    {
        CRun run(ProgramPath(), FolderArgument());
        ASSERT_TRUE(WaitUntilLogged(L"Starting message loop", kStartMs));
        const HWND main = run.FindWindowOfClass(L"MainWClass", 5000);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(IsWindowVisible(main));
        SendMessageW(main, WM_COMMAND, 23400, 0);   // "Hide Toolbar"
        EXPECT_FALSE(IsWindowVisible(main));
        EXPECT_EQ(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
        SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        EXPECT_EQ(IniValue(Ini(), L"HideToolbar"), L"1");
        EXPECT_EQ(CountLogged(L"Quillet has closed"), 0) << "the process ends as Windows ends it";
    }
    DeleteFileW(LogPath().c_str());
    CRun next(ProgramPath(), FolderArgument());
    ASSERT_TRUE(WaitUntilLogged(L"Starting message loop", kStartMs));
    const HWND main = next.FindWindowOfClass(L"MainWClass", 5000);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsWindowVisible(main));
    PostMessageW(main, WM_COMMAND, 209, 0);
    EXPECT_EQ(next.WaitForExit(kExitMs), 0u);

    char bytes[64] = {};
    const HANDLE kept = CreateFileW(aliasFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(kept, INVALID_HANDLE_VALUE);
    DWORD read = 0;
    ReadFile(kept, bytes, sizeof bytes, &read, nullptr);
    CloseHandle(kept);
    EXPECT_EQ(std::string(bytes, read), aliases) << "no run without the network writes the alias file";
}

TEST_F(ProgramTest, ADatabaseThatCanNotOpenOrBeCopiedEndsTheStartWithoutSaving)
{
    struct Case {
        const wchar_t* blocked;   // a folder takes this file's place
        const wchar_t* cause;
    };
    const Case cases[] = {
        {L"QUILLT40.DAT", L"Failed to init table."},
        // The older database can't be copied: no new, empty one is made.
        {L"QUILLT.DAT", L"Failed to migrate file "},
    };
    for (const Case& c : cases) {
        DeleteFileW(LogPath().c_str());
        const std::wstring blocked = Folder() + c.blocked;
        ASSERT_TRUE(CreateDirectoryW(blocked.c_str(), nullptr));
        CRun run(ProgramPath(), FolderArgument());
        const HWND box = run.FindWindowOfClass(L"#32770", kStartMs);
        ASSERT_NE(box, nullptr) << c.cause;
        // The box may still be filling itself in.
        wchar_t text[512] = {};
        for (int tries = 0; tries < 100 && GetDlgItemTextW(box, 0xFFFF, text, 512) == 0; ++tries)
            Sleep(100);
        EXPECT_EQ(std::wstring(text).rfind(L"Error loading notes from disk!", 0), 0u) << text;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(run.WaitForExit(kExitMs), 0u) << c.cause;
        ExpectInOrder({c.cause, L"Close the database!", L"BAD BAD BAD! Something went terribly wrong!",
                       L"Killing find dialog", L"Stopping sound", L"Destroying all windows",
                       L"Unregistering window classes", L"Freeing RichEdit"});
        EXPECT_EQ(CountLogged(L"Creating main window class"), 0) << c.cause;
        EXPECT_EQ(IniValue(Ini(), L"AutoSave"), L"<absent>") << c.cause << ": nothing is saved";
        RemoveDirectoryW(blocked.c_str());
        EXPECT_EQ(GetFileAttributesW((Folder() + L"QUILLT40.DAT").c_str()), INVALID_FILE_ATTRIBUTES)
            << c.cause << ": no database is made";
    }
}

TEST_F(ProgramTest, WithoutTheCrashReporterBesideItTheProgramStillRuns)
{
    const std::wstring alone = m_dir.File(L"alone\\");
    ASSERT_TRUE(CreateDirectoryW(alone.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), (alone + L"QUILL32.exe").c_str(), FALSE));
    CRun run(alone + L"QUILL32.exe", FolderArgument());
    ASSERT_TRUE(WaitUntilLogged(L"Starting message loop", kStartMs));
    const HWND main = run.FindWindowOfClass(L"MainWClass", 5000);
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_COMMAND, 209, 0);
    EXPECT_EQ(run.WaitForExit(kExitMs), 0u);
    EXPECT_TRUE(Logged(L"Quillet has closed"));
}

}  // namespace
