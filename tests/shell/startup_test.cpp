// Start-up's choice of the data folder, the database file and the settings,
// with the program and per-user folders seamed into a folder of the test's own.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ShellTestSupport.h"
#include "foundation/DataPaths.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/RegKey.h"
#include "foundation/Seams.h"
#include "foundation/WinVersion.h"
#include "framework/KernelHandle.h"
#include "resources/resource.h"
#include "shell/reruzadu.h"
#include "tests/support/HeldLogLine.h"
#include "tests/support/TestDir.h"

namespace {

std::wstring g_programFile;
std::wstring g_perUserRoot;
std::wstring g_startupFolder;

bool Copy(const std::wstring& from, wchar_t* path)
{
    return wcscpy_s(path, MAX_PATH, from.c_str()) == 0;
}
bool ProgramFile(wchar_t* path) { return Copy(g_programFile, path); }
bool PerUserRoot(wchar_t* path) { return Copy(g_perUserRoot, path); }
bool StartupFolder(wchar_t* path) { return Copy(g_startupFolder, path); }

void WriteText(const std::wstring& path, const char* text)
{
    const CKernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file) << path;
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.Get(), text, static_cast<DWORD>(strlen(text)), &written, nullptr)) << path;
}

std::string ReadText(const std::wstring& path)
{
    const CKernelHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return "<missing>";
    char buffer[4096] = {};
    DWORD read = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof(buffer) - 1, &read, nullptr))
        return "<unreadable>";
    return std::string(buffer, read);
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// One program folder, one per-user root and one folder to name with "/f",
// all in a folder of their own, with the seams pointing at them.
class CLayout {
public:
    CLayout()
    {
        CreateDirectoryW(Program().c_str(), nullptr);
        CreateDirectoryW(AppData().c_str(), nullptr);
        CreateDirectoryW(Folder().c_str(), nullptr);
        g_programFile = Program() + L"QUILL32.exe";
        g_perUserRoot = AppData();
        g_perUserRoot.pop_back();  // as the shell gives it, without a backslash
        g_startupFolder = m_dir.File(L"Startup");
    }

    std::wstring Program() const { return m_dir.File(L"program\\"); }
    std::wstring AppData() const { return m_dir.File(L"appdata\\"); }
    std::wstring PerUser() const { return AppData() + L"Quillet\\"; }
    std::wstring Folder() const { return m_dir.File(L"named folder\\"); }
    std::wstring File(const wchar_t* name) const { return m_dir.File(name); }

private:
    CTestDir m_dir;
};

class StartupTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedVersion = WindowsVersion();
        WindowsVersion().winXP = true;
    }
    void TearDown() override { WindowsVersion() = m_savedVersion; }

    static std::wstring Settings() { return GetDataPath(EDataPath::Settings); }

    CScriptedMessageBox m_boxes;
    CLogCapture m_log;
    WindowsVersionFlags m_savedVersion;
    CSeamOverride<SFolderRootsSeam> m_roots{g_folderRootsSeam, {&ProgramFile, &PerUserRoot, &StartupFolder}};
};

// A copy into the per-user folder that fails, with a database file already
// there.
std::function<void(const CLayout&)> FailedCopyBeside(const wchar_t* database)
{
    return [database](const CLayout& l) {
        CreateDirectoryW((l.Program() + L"ALIAS.INI").c_str(), nullptr);
        CreateDirectoryW(l.PerUser().c_str(), nullptr);
        WriteText(l.PerUser() + database, "the user's notes");
    };
}

TEST_F(StartupTest, TheDataFolderFollowsTheCommandLineAndTheFilesFound)
{
    enum EFolder { kNamed, kPerUser, kProgram };
    struct Case {
        const char* name;
        std::function<void(const CLayout&)> arrange;
        bool nameTheFolder;
        const wchar_t* commandLine;
        EFolder expected;
    };
    const Case cases[] = {
        {"/f with settings: the named folder",
         [](const CLayout& l) { WriteText(l.Folder() + L"RERUZADU.INI", "[Preferences]\r\n"); }, true, L"", kNamed},
        {"/f without settings: the per-user folder", [](const CLayout&) {}, true, L"", kPerUser},
        {"a lone /c with settings in the program folder: still the per-user folder",
         [](const CLayout& l) { WriteText(l.Program() + L"RERUZADU.INI", "[Preferences]\r\n"); }, false,
         L"/c newnote", kPerUser},
        {"a per-user folder that can't be made: the program folder",
         [](const CLayout& l) { WriteText(l.AppData() + L"Quillet", "a file in the folder's place"); }, false, L"",
         kProgram},
        {"a copy that fails while its source exists: the program folder",
         [](const CLayout& l) { CreateDirectoryW((l.Program() + L"ALIAS.INI").c_str(), nullptr); }, false, L"",
         kProgram},
        {"a failed copy beside a per-user database: still the per-user folder", FailedCopyBeside(L"QUILLT40.DAT"),
         false, L"", kPerUser},
        {"a failed copy beside a per-user older database: still the per-user folder",
         FailedCopyBeside(L"QUILLT.DAT"), false, L"", kPerUser},
    };
    for (const Case& c : cases) {
        const CLayout layout;
        c.arrange(layout);
        const std::wstring line = c.nameTheFolder ? L"/f \"" + layout.Folder() + L"\"" : c.commandLine;
        ChooseDataFolder(line.c_str());
        const std::wstring folder = c.expected == kNamed     ? layout.Folder()
                                    : c.expected == kPerUser ? layout.PerUser()
                                                             : layout.Program();
        EXPECT_EQ(Settings(), folder + L"RERUZADU.INI") << c.name;
        EXPECT_TRUE(Exists(folder + L"Errors")) << c.name;
        EXPECT_TRUE(Exists(folder + L"Backup")) << c.name;
    }
}

TEST_F(StartupTest, AFolderWithoutSettingsIsLoggedAsIgnored)
{
    const CLayout layout;
    ChooseDataFolder((L"/f " + layout.File(L"named")).c_str());
    EXPECT_FALSE(m_log.Contains(L"Ini file (" + layout.File(L"named\\RERUZADU.INI") +
                                L") doesn't exist, ignoring command line")) << "a missing folder is not applied";
    CreateDirectoryW(layout.File(L"named").c_str(), nullptr);
    ChooseDataFolder((L"/f " + layout.File(L"named")).c_str());
    EXPECT_TRUE(m_log.Contains(L"Ini file (" + layout.File(L"named\\RERUZADU.INI") +
                               L") doesn't exist, ignoring command line"));
    EXPECT_EQ(Settings(), layout.PerUser() + L"RERUZADU.INI");
}

TEST_F(StartupTest, FirstRunCopiesOnlyTheFilesThePerUserFolderLacks)
{
    const CLayout layout;
    const std::wstring program = layout.Program();
    const std::wstring perUser = layout.PerUser();
    WriteText(program + L"RERUZADU.INI", "program settings");
    WriteText(program + L"NOTES.DAT", "program notes");
    WriteText(program + L"groups.ini", "program groups");
    WriteText(program + L"QUILLT40.DAT", "the database is not copied");
    CreateDirectoryW(perUser.c_str(), nullptr);
    WriteText(perUser + L"RERUZADU.INI", "per-user settings");

    ChooseDataFolder(L"");
    EXPECT_EQ(Settings(), perUser + L"RERUZADU.INI");
    EXPECT_EQ(ReadText(perUser + L"RERUZADU.INI"), "per-user settings");
    EXPECT_EQ(ReadText(perUser + L"NOTES.DAT"), "program notes");
    EXPECT_EQ(ReadText(perUser + L"groups.ini"), "program groups");
    EXPECT_FALSE(Exists(perUser + L"ALIAS.INI")) << "no source, nothing copied";
    EXPECT_FALSE(Exists(perUser + L"QUILLT40.DAT"));
}

TEST_F(StartupTest, AMigrationDoneBeforeCopiesNothing)
{
    const CLayout layout;
    const std::wstring program = layout.Program();
    const std::wstring perUser = layout.PerUser();
    WriteText(program + L"RERUZADU.INI", "[Preferences]\r\nFileMigrationDone=1\r\n");
    WriteText(program + L"NOTES.DAT", "program notes");
    ChooseDataFolder(L"");
    EXPECT_EQ(Settings(), perUser + L"RERUZADU.INI");
    EXPECT_FALSE(Exists(perUser + L"NOTES.DAT"));
}

TEST_F(StartupTest, AnErrorsFolderThatCanNotBeMadeSwitchesItsUseOff)
{
    const CLayout layout;
    WriteText(layout.Folder() + L"RERUZADU.INI", "[Preferences]\r\n");
    WriteText(layout.Folder() + L"Errors", "a file in the folder's place");
    ChooseDataFolder((L"/f \"" + layout.Folder() + L"\"").c_str());
    EXPECT_STREQ(GetDataPath(EDataPath::ErrorFolder), L"");
    EXPECT_EQ(GetDataPath(EDataPath::BackupFolder), layout.Folder() + L"Backup\\");
}

TEST_F(StartupTest, TheDatabaseFileComesFromTheOlderOneOrStartsTheImport)
{
    const CLayout layout;
    ASSERT_TRUE(SetDataFilePaths(layout.Folder().c_str()));
    const std::wstring database = layout.Folder() + L"QUILLT40.DAT";
    const std::wstring older = layout.Folder() + L"QUILLT.DAT";

    g_prefs.MigrateFromOldFile = false;
    g_prefs.GroupsMigrated = 2;
    WriteText(older, "older database");
    PrepareDatabaseFile();
    EXPECT_EQ(ReadText(database), "older database");
    EXPECT_TRUE(m_log.Contains(L"Upgrading file " + older + L" to " + database));
    EXPECT_FALSE(g_prefs.MigrateFromOldFile);

    PrepareDatabaseFile();  // present now: nothing changes
    EXPECT_FALSE(g_prefs.MigrateFromOldFile);
    EXPECT_EQ(g_prefs.GroupsMigrated, 2);

    DeleteFileW(database.c_str());
    DeleteFileW(older.c_str());
    PrepareDatabaseFile();
    EXPECT_TRUE(g_prefs.MigrateFromOldFile) << "neither file: the legacy notes are imported";
    EXPECT_EQ(g_prefs.GroupsMigrated, 0);
    EXPECT_TRUE(m_log.Contains(L"Migrating data because (" + database + L") doesn't exist"));
}

TEST_F(StartupTest, AnOlderDatabaseThatCanNotBeCopiedEndsTheStartUntilItCan)
{
    struct Case {
        const char* name;
        std::function<std::function<void()>(const std::wstring& older)> block;  // gives the release
    };
    const Case cases[] = {
        {"a folder in its place",
         [](const std::wstring& older) {
             CreateDirectoryW(older.c_str(), nullptr);
             return [older] {
                 RemoveDirectoryW(older.c_str());
                 WriteText(older, "older database");
             };
         }},
        {"held open by the old version",
         [](const std::wstring& older) {
             WriteText(older, "older database");
             auto held = std::make_shared<CKernelHandle>(
                 CreateFileW(older.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
             EXPECT_TRUE(*held);
             return [held] { held->Reset(); };
         }},
    };
    for (const Case& c : cases) {
        const CLayout layout;
        ASSERT_TRUE(SetDataFilePaths(layout.Folder().c_str()));
        const std::wstring database = layout.Folder() + L"QUILLT40.DAT";
        const std::wstring older = layout.Folder() + L"QUILLT.DAT";
        g_prefs.MigrateFromOldFile = false;
        const std::function<void()> release = c.block(older);
        const CScriptedMessageBox boxes;
        m_log.Clear();

        EXPECT_FALSE(PrepareDatabaseFile()) << c.name;
        EXPECT_FALSE(Exists(database)) << c.name << ": no empty database beside the notes";
        EXPECT_EQ(boxes.ShownIds(), std::vector<UINT>{IDS_NOTES_LOAD_FAILED}) << c.name;
        EXPECT_TRUE(m_log.Contains(L"Failed to migrate file " + older + L" to " + database)) << c.name;
        EXPECT_FALSE(g_prefs.MigrateFromOldFile) << c.name << ": the legacy notes are not imported instead";

        release();
        EXPECT_TRUE(PrepareDatabaseFile()) << c.name << ": the next start";
        EXPECT_EQ(ReadText(database), "older database") << c.name;
    }
}

// ---- The crash path ------------------------------------------------------

// Runs work on a thread of its own; false when it has not ended within the
// watchdog's span. A thread stuck on the log's lock would stall every later
// test, so a hang ends the run here.
bool EndsInTime(std::function<void()> work)
{
    const CKernelHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread thread([&work, &done] {
        work();
        SetEvent(done.Get());
    });
    if (WaitForSingleObject(done.Get(), 10000) == WAIT_OBJECT_0) {
        thread.join();
        return true;
    }
    ADD_FAILURE() << "hung on the log's lock";
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 1);
    return false;
}

void CrashWhileLogging(void*, const wchar_t*)
{
    OnCrashCallback(nullptr);
}

TEST_F(StartupTest, TheCrashCallbackNeverWaitsForTheLog)
{
    const CLayout layout;
    {
        ASSERT_EQ(OpenLogFile(), 1);
        const CSeamOverride<SLogCaptureSeam> crashing(g_logCaptureSeam, {&CrashWhileLogging, nullptr});
        EXPECT_TRUE(EndsInTime([] { WriteToLogFile(L"a crash inside the log writer"); }));
        EXPECT_FALSE(g_logFile.IsOpen());
    }
    {
        ASSERT_EQ(OpenLogFile(), 1);
        SHeldLogLine held;
        const CSeamOverride<SLogCaptureSeam> holding(g_logCaptureSeam, {&HoldLogLine, &held});
        std::thread writer([] { WriteToLogFile(L"a line of another thread"); });
        ASSERT_EQ(WaitForSingleObject(held.entered.Get(), 10000), WAIT_OBJECT_0);
        EXPECT_TRUE(EndsInTime([] { OnCrashCallback(nullptr); })) << "a crash while another thread logs";
        SetEvent(held.release.Get());
        writer.join();
        EXPECT_FALSE(g_logFile.IsOpen()) << "the writer closes the log as its line ends";
    }
}

// ---- Settings and the old Startup shortcut --------------------------------

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::optional<std::wstring> RunValue()
{
    CRegKeyHandle key;
    if (key.Open(HKEY_CURRENT_USER, kRunKey, KEY_READ) != ERROR_SUCCESS)
        return std::nullopt;
    wchar_t value[1024] = {};
    DWORD bytes = sizeof(value) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.Get(), L"Quillet", nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value);
}

void SetRunValue(const std::optional<std::wstring>& value)
{
    CRegKeyHandle key;
    if (key.Open(HKEY_CURRENT_USER, kRunKey, KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
        return;
    if (value)
        RegSetValueExW(key.Get(), L"Quillet", 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
    else
        RegDeleteValueW(key.Get(), L"Quillet");
}

TEST_F(StartupTest, AnOldShortcutStartsWithWindowsFromTheSettingsOn)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const CLayout layout;
    const std::optional<std::wstring> savedRun = RunValue();
    CreateDirectoryW(g_startupFolder.c_str(), nullptr);
    ASSERT_TRUE(MakeShortcut(g_startupFolder + L"\\Quillet.lnk", L"/c newnote"));
    ChooseDataFolder(L"");
    LoadStartSettings();

    EXPECT_FALSE(Exists(g_startupFolder + L"\\Quillet.lnk"));
    EXPECT_TRUE(g_prefs.StartupWithWindows);
    EXPECT_STREQ(g_prefs.StartupArguments, L"/c newnote");
    EXPECT_EQ(RunValue(), L"\"" + g_programFile + L"\" /c newnote");
    SetRunValue(savedRun);
    CoUninitialize();
}

TEST(StartupShowCommand, TheStartupInfosCommandOnlyWhenItCarriesOne)
{
    struct Case {
        DWORD flags;
        WORD show;
        int expected;
    };
    const Case cases[] = {
        {0, SW_HIDE, SW_SHOWMINNOACTIVE},  // a show value without its flag is not one
        {STARTF_USESHOWWINDOW, SW_HIDE, SW_HIDE},
        {STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES, SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED},
        {STARTF_USESTDHANDLES, SW_SHOWMAXIMIZED, SW_SHOWMINNOACTIVE},
    };
    for (const Case& c : cases) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = c.flags;
        startup.wShowWindow = c.show;
        EXPECT_EQ(ShowCommandOf(startup, SW_SHOWMINNOACTIVE), c.expected) << c.flags;
    }
}

}  // namespace
