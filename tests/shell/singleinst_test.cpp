// The command line, single instance with forwarding, and the shortcut
// conversion. Every test names its own pipe and lock file.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ShellTestSupport.h"
#include "foundation/DataPaths.h"
#include "foundation/fileio.h"
#include "foundation/Seams.h"
#include "foundation/TextFormat.h"
#include "framework/KernelHandle.h"
#include "resources/resource.h"
#include "shell/mainwnd.h"
#include "shell/singleinst.h"
#include "tests/support/TestDir.h"

namespace {

// ---- ParseCommandLine ---------------------------------------------------

TEST(ScanCommandLine, ReadsTheOptionsAsTheProgramDoes)
{
    struct Case {
        const wchar_t* line;
        bool valid;
        const wchar_t* word;
        const wchar_t* folder;
        UINT message;
    };
    const Case cases[] = {
        {L"", false, L"", L"", 0},                                     // nothing given: no message
        {L"/c newnote", true, L"newnote", L"", 0},
        {L"/C newnote", true, L"newnote", L"", 0},                     // option letters in either case
        {L"/F C:\\data", true, L"", L"C:\\data", 0},
        {L"/f \"C:\\My Notes\" /c newnote", true, L"newnote", L"C:\\My Notes", 0},  // quotes keep blanks
        {L"/f \"C:\\My Notes\"/c newnote", true, L"", L"C:\\My Notes", 0},         // "/" right after: "/c" lost
        {L"/f C:\\data/c newnote", true, L"", L"C:\\data", 0},
        {L"/f \"C:\\My Notes\"\\sub", true, L"", L"C:\\My Notes\\sub", 0},         // text after the quote joins
        {L"/c newnote /c showhide", true, L"showhide", L"", 0},        // the later "/c" wins
        {L"/c \"new note\"", true, L"new note", L"", 0},
        {L"/i C:\\old", false, L"", L"", IDS_OLD_OPTIONS},
        {L"/D", false, L"", L"", IDS_OLD_OPTIONS},
        {L"/x foo", false, L"", L"", IDS_COMMAND_LINE_HELP},          // unknown option
        {L"/c", false, L"", L"", IDS_COMMAND_LINE_HELP},              // empty value
        {L"/c newnote /f", false, L"newnote", L"", IDS_COMMAND_LINE_HELP},
        {L"/", false, L"", L"", IDS_COMMAND_LINE_HELP},
        {L"newnote", false, L"", L"", IDS_COMMAND_LINE_HELP},         // no "/" at all
        {L"/f \"C:\\unclosed", true, L"", L"C:\\unclosed", 0},        // a quote that never closes ends the text
    };
    for (const Case& c : cases) {
        const SCommandLine parsed = ScanCommandLine(c.line);
        EXPECT_EQ(parsed.valid, c.valid) << c.line;
        EXPECT_EQ(parsed.commandWord, c.word) << c.line;
        EXPECT_EQ(parsed.folder, c.folder) << c.line;
        EXPECT_EQ(parsed.messageId, c.message) << c.line;
    }
}

TEST(ParseCommandLine, CheckModeShowsItsMessageOnlyWhenAsked)
{
    CScriptedMessageBox boxes;
    ParseCommandLine(L"/i x", true, false);
    EXPECT_TRUE(boxes.ShownIds().empty());
    ParseCommandLine(L"/q", true, true);
    ParseCommandLine(L"/i x", true, true);
    EXPECT_EQ(boxes.ShownIds(), (std::vector<UINT>{IDS_COMMAND_LINE_HELP, IDS_OLD_OPTIONS}));
}

class ApplyModeTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SetDataFilePaths(m_start.Path().c_str())); }

    std::wstring SettingsPath() const { return GetDataPath(EDataPath::Settings); }

    CTestDir m_start;
    CTestDir m_folder;
    CScriptedMessageBox m_boxes;
    CLogCapture m_log;
};

bool AnyFileLike(const std::wstring& pattern)
{
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

TEST_F(ApplyModeTest, AWritableFolderBecomesTheDataFolder)
{
    // A file of the user's under the probe's old fixed name stays as it is.
    const std::wstring usersFile = m_folder.File(L"ewquio21ASSSA.txt");
    {
        const CKernelHandle file(CreateFileW(usersFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Get(), "mine", 4, &written, nullptr));
    }

    std::wstring folder = m_folder.Path();
    folder.pop_back();  // without its backslash
    const SCommandLine parsed = ParseCommandLine((L"/f \"" + folder + L"\" /c newnote").c_str(), false, true);
    EXPECT_TRUE(parsed.valid);
    EXPECT_TRUE(parsed.folderApplied);
    EXPECT_EQ(SettingsPath(), m_folder.File(L"RERUZADU.INI"));
    EXPECT_TRUE(m_boxes.ShownIds().empty());
    EXPECT_FALSE(AnyFileLike(m_folder.File(L"ewquio21ASSSA-*"))) << "the probe is gone";
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExW(usersFile.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 4u);
}

DWORD FixedTick()
{
    return 0x1234abcd;
}

TEST_F(ApplyModeTest, AFolderThatRefusesTheProbeKeepsTheDataWhereItWas)
{
    // Permissions stop nothing here: a folder in the probe's place does.
    const CSeamOverride<SClockSeam> clock(g_clockSeam, {g_clockSeam.now, &FixedTick});
    wchar_t probe[64] = {};
    FormatText(probe, 64, L"ewquio21ASSSA-%08lx-%08lx.txt", GetCurrentProcessId(), FixedTick());
    ASSERT_TRUE(CreateDirectoryW(m_folder.File(probe).c_str(), nullptr));
    const SCommandLine parsed = ParseCommandLine((L"/f " + m_folder.Path()).c_str(), false, true);
    EXPECT_FALSE(parsed.valid);
    EXPECT_FALSE(parsed.folderApplied);
    EXPECT_EQ(SettingsPath(), m_start.File(L"RERUZADU.INI"));
    EXPECT_EQ(m_boxes.ShownIds(), std::vector<UINT>{IDS_FOLDER_NOT_WRITABLE});
    const std::wstring cause = L"Failed to create " + m_folder.File(probe) + L" - error ";
    bool causeLogged = false;
    for (const std::wstring& line : m_log.Lines())
        causeLogged = causeLogged || line.rfind(cause, 0) == 0;
    EXPECT_TRUE(causeLogged);
    EXPECT_TRUE(m_log.Contains(L"Bad security on folder " + m_folder.Path()));
}

// Restores the current directory when it goes.
class CCurrentDirectory {
public:
    CCurrentDirectory() { GetCurrentDirectoryW(MAX_PATH, m_saved); }
    ~CCurrentDirectory() { SetCurrentDirectoryW(m_saved); }
    CCurrentDirectory(const CCurrentDirectory&) = delete;
    CCurrentDirectory& operator=(const CCurrentDirectory&) = delete;

private:
    wchar_t m_saved[MAX_PATH] = {};
};

TEST_F(ApplyModeTest, ARelativeFolderIsResolvedOnceToAFullOne)
{
    const CCurrentDirectory restore;
    const std::wstring data = m_folder.File(L"data\\");
    ASSERT_TRUE(CreateDirectoryW(data.c_str(), nullptr));
    for (const wchar_t* line : {L"/f data", L"/f .\\data", L"/f \".\\data\\\" /c newnote", L"/f ..\\data\\..\\data"}) {
        ASSERT_TRUE(SetCurrentDirectoryW(line[3] == L'.' && line[4] == L'.' ? data.c_str() : m_folder.Path().c_str()));
        ASSERT_TRUE(SetDataFilePaths(m_start.Path().c_str()));
        m_log.Clear();
        const SCommandLine parsed = ParseCommandLine(line, false, true);
        EXPECT_TRUE(parsed.folderApplied) << line;
        EXPECT_TRUE(m_log.Contains(L"Data folder from the command line (" + data + L")")) << line;
        // A common dialog or the logon's Run value moves the current directory.
        ASSERT_TRUE(SetCurrentDirectoryW(m_start.Path().c_str()));
        for (int which = 0; which < static_cast<int>(EDataPath::Count); ++which) {
            const std::wstring path = GetDataPath(static_cast<EDataPath>(which));
            EXPECT_EQ(path.compare(0, data.size(), data), 0) << line << ": " << testing::PrintToString(path);
        }
    }
    EXPECT_TRUE(m_boxes.ShownIds().empty());
}

TEST_F(ApplyModeTest, AMissingFolderIsNotApplied)
{
    const SCommandLine parsed = ParseCommandLine((L"/f " + m_folder.File(L"missing")).c_str(), false, true);
    EXPECT_TRUE(parsed.valid);
    EXPECT_FALSE(parsed.folderApplied);
    EXPECT_EQ(SettingsPath(), m_start.File(L"RERUZADU.INI"));
    EXPECT_TRUE(m_boxes.ShownIds().empty());
}

TEST_F(ApplyModeTest, AFolderTooLongForTheDataPathsKeepsTheDataWhereItWas)
{
    // Built with the long-path prefix, named without it.
    std::wstring folder = m_folder.Path();
    while (folder.size() < 252)
        folder += L'x';
    if (!CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr) || !IsDirectory(folder.c_str()))
        GTEST_SKIP() << "this system makes no folder that long";
    const SCommandLine parsed = ParseCommandLine((L"/f " + folder).c_str(), false, true);
    EXPECT_FALSE(parsed.folderApplied);
    EXPECT_EQ(SettingsPath(), m_start.File(L"RERUZADU.INI"));
    EXPECT_EQ(m_boxes.ShownIds(), std::vector<UINT>{IDS_FOLDER_NOT_WRITABLE});
    RemoveDirectoryW((L"\\\\?\\" + folder).c_str());
}

TEST_F(ApplyModeTest, ApplyModeShowsNoParseMessages)
{
    ParseCommandLine(L"/x", false, true);
    ParseCommandLine(L"/i", false, true);
    EXPECT_TRUE(m_boxes.ShownIds().empty());
}

// ---- Forwarding ------------------------------------------------------------

// What the first copy's callback received; the callback runs on the pipe thread.
struct SReceived {
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<std::vector<std::wstring>> messages;
};
SReceived g_received;

void RecordingCallback(const wchar_t* const* arguments, int count)
{
    std::vector<std::wstring> message(arguments, arguments + count);
    const std::lock_guard<std::mutex> lock(g_received.lock);
    g_received.messages.push_back(message);
    g_received.arrived.notify_all();
}

class ForwardingTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::lock_guard<std::mutex> lock(g_received.lock);
        g_received.messages.clear();
    }

    std::unique_ptr<CSingleInstance> NewCopy() const
    {
        auto copy = std::make_unique<CSingleInstance>(m_instance.c_str(), m_appId.c_str());
        copy->SetCallback(&RecordingCallback);
        return copy;
    }

    // Waits until count messages arrived; returns them.
    std::vector<std::vector<std::wstring>> WaitForMessages(size_t count, int timeoutMs = 5000)
    {
        std::unique_lock<std::mutex> lock(g_received.lock);
        g_received.arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [count] { return g_received.messages.size() >= count; });
        return g_received.messages;
    }

    // Writes raw bytes as one pipe message.
    bool WriteRaw(const CSingleInstance& server, const void* bytes, DWORD size)
    {
        CKernelHandle pipe(CreateFileW(server.PipePath().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!pipe && GetLastError() == ERROR_PIPE_BUSY && WaitNamedPipeW(server.PipePath().c_str(), 5000))
            pipe.Reset(CreateFileW(server.PipePath().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD written = 0;
        return pipe && WriteFile(pipe.Get(), bytes, size, &written, nullptr);
    }

    const std::wstring m_instance = UniqueName();
    const std::wstring m_appId = L"QuilletTest." + UniqueName();
};

TEST_F(ForwardingTest, ASecondStartHandsItsCommandLineToTheFirst)
{
    auto first = NewCopy();
    ASSERT_TRUE(first->ClaimSingleInstance(L""));
    EXPECT_TRUE(first->IsRunning());
    EXPECT_FALSE(first->HandedOver());

    auto second = NewCopy();
    EXPECT_TRUE(second->ClaimSingleInstance(L"/c newnote"));
    EXPECT_FALSE(second->IsRunning());
    EXPECT_TRUE(second->HandedOver());
    const auto messages = WaitForMessages(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], std::vector<std::wstring>{L"/c newnote"});

    // A start without arguments sends an empty line: no strings.
    EXPECT_TRUE(NewCopy()->ClaimSingleInstance(L""));
    const auto withEmpty = WaitForMessages(2);
    ASSERT_EQ(withEmpty.size(), 2u);
    EXPECT_TRUE(withEmpty[1].empty());
}

TEST_F(ForwardingTest, OddEmptyAndOversizeMessagesAreIgnoredAndTheServerListensOn)
{
    CLogCapture log;
    auto first = NewCopy();
    ASSERT_TRUE(first->ClaimSingleInstance(L""));
    const char odd[3] = {'a', 0, 'b'};
    EXPECT_TRUE(WriteRaw(*first, odd, 3));
    EXPECT_TRUE(WriteRaw(*first, odd, 0));
    std::vector<wchar_t> oversize(kMaxPipeMessageBytes / 2 + 100, L'x');
    oversize.back() = L'\0';
    WriteRaw(*first, oversize.data(), static_cast<DWORD>(oversize.size() * sizeof(wchar_t)));

    // Two strings in one message, the last character forced to a terminator.
    const wchar_t twoStrings[] = L"/c showhide\0second\0";
    EXPECT_TRUE(WriteRaw(*first, twoStrings, sizeof(twoStrings)));
    const auto messages = WaitForMessages(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (std::vector<std::wstring>{L"/c showhide", L"second"}));
    EXPECT_TRUE(log.Contains(L"Ignoring command message of 3 bytes"));
    EXPECT_TRUE(log.Contains(L"Ignoring command message of 0 bytes"));
}

TEST_F(ForwardingTest, AClientAtOnceAndALaterOneBothGetThrough)
{
    auto first = NewCopy();
    ASSERT_TRUE(first->ClaimSingleInstance(L""));
    // Often before the server thread waits for it: then it meets a pipe that
    // is already connected.
    EXPECT_TRUE(NewCopy()->SendToRunningInstance(L"/c preferences"));
    ASSERT_EQ(WaitForMessages(1).size(), 1u);
    Sleep(200);
    EXPECT_TRUE(NewCopy()->SendToRunningInstance(L"/c showhide"));
    const auto messages = WaitForMessages(2);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], std::vector<std::wstring>{L"/c preferences"});
    EXPECT_EQ(messages[1], std::vector<std::wstring>{L"/c showhide"});
}

TEST_F(ForwardingTest, ASilentClientDoesNotStallTeardown)
{
    auto first = NewCopy();
    ASSERT_TRUE(first->ClaimSingleInstance(L""));
    const CKernelHandle silent(
        CreateFileW(first->PipePath().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(silent.IsValid());
    Sleep(100);
    const DWORD start = GetTickCount();
    first.reset();
    EXPECT_LT(GetTickCount() - start, 2000u);
}

TEST_F(ForwardingTest, TwentyStartsAtOnceAllArrive)
{
    auto first = NewCopy();
    ASSERT_TRUE(first->ClaimSingleInstance(L""));
    constexpr int kStarts = 20;
    const CKernelHandle go(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<int> handedOver{0};
    std::vector<std::thread> starts;
    for (int i = 0; i < kStarts; ++i) {
        starts.emplace_back([&, i] {
            WaitForSingleObject(go.Get(), INFINITE);
            auto second = NewCopy();
            if (second->ClaimSingleInstance((L"/c newnote " + std::to_wstring(i)).c_str()) && second->HandedOver())
                ++handedOver;
        });
    }
    SetEvent(go.Get());
    for (std::thread& start : starts)
        start.join();
    EXPECT_EQ(handedOver, kStarts);
    std::set<std::wstring> arrived;
    for (const auto& message : WaitForMessages(kStarts))
        arrived.insert(message.empty() ? L"" : message[0]);
    EXPECT_EQ(arrived.size(), size_t{kStarts});
}

TEST_F(ForwardingTest, AStartWithNoServerToTakeItsCommandLogsIt)
{
    CLogCapture log;
    EXPECT_FALSE(NewCopy()->SendToRunningInstance(L"/c newnote"));
    const auto copy = NewCopy();
    EXPECT_TRUE(log.Contains(L"Command line not delivered: command pipe " + std::wstring(copy->PipePath()) +
                             L" not opened - error " + std::to_wstring(ERROR_FILE_NOT_FOUND)));
}

TEST_F(ForwardingTest, APipeNameTakenBeforeLeavesTheCopyAloneAndItsStartsOutOfThatPipe)
{
    CLogCapture log;
    auto first = NewCopy();
    // Room for more instances: only the first-instance rule keeps the copy out.
    const CKernelHandle squatter(CreateNamedPipeW(first->PipePath().c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                                  PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, PIPE_UNLIMITED_INSTANCES,
                                                  512, 512, 0, nullptr));
    ASSERT_TRUE(squatter.IsValid());
    const CKernelHandle connected(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED connect = {};
    connect.hEvent = connected.Get();
    ConnectNamedPipe(squatter.Get(), &connect);

    EXPECT_TRUE(first->ClaimSingleInstance(L""));
    EXPECT_FALSE(first->IsRunning());
    EXPECT_FALSE(first->HandedOver());
    EXPECT_TRUE(log.Contains(L"Failed to create command pipe " + std::wstring(first->PipePath()) + L" - error " +
                             std::to_wstring(ERROR_ACCESS_DENIED)));

    {
        // The squatter runs as another user.
        const SPipePeerSeam foreign = {[](DWORD) { return false; }};
        const CSeamOverride<SPipePeerSeam> override(g_pipePeerSeam, foreign);
        auto second = NewCopy();
        EXPECT_FALSE(second->ClaimSingleInstance(L"/f \"C:\\Private Notes\" /c newnote"));
        EXPECT_FALSE(second->HandedOver());
    }
    bool logged = false;
    for (const std::wstring& line : log.Lines())
        logged = logged || line.find(L"Command line not delivered: command pipe " + std::wstring(first->PipePath()) +
                                     L" is served by process ") == 0;
    EXPECT_TRUE(logged);
    DWORD available = 0;
    PeekNamedPipe(squatter.Get(), nullptr, 0, nullptr, &available, nullptr);
    EXPECT_EQ(available, 0u) << "nothing was written into the other pipe";
    CancelIoEx(squatter.Get(), &connect);
    DWORD unused = 0;
    GetOverlappedResult(squatter.Get(), &connect, &unused, TRUE);
}

TEST_F(ForwardingTest, AClientOfAnotherUserOrSessionIsRefused)
{
    CLogCapture log;
    auto first = NewCopy();
    ASSERT_TRUE(first->ClaimSingleInstance(L""));
    const std::wstring refused = L"Refusing a command from process " + std::to_wstring(GetCurrentProcessId()) +
                                 L" of another user or session";
    {
        const SPipePeerSeam foreign = {[](DWORD) { return false; }};
        const CSeamOverride<SPipePeerSeam> override(g_pipePeerSeam, foreign);
        const wchar_t line[] = L"/c newnote";
        // The server refuses at the connect, so the write may find the pipe
        // closed already: only the refusal counts.
        WriteRaw(*first, line, sizeof line);
        // The refusal must fall within the override.
        for (int wait = 0; wait < 100 && !log.Contains(refused); ++wait)
            Sleep(50);
        EXPECT_TRUE(log.Contains(refused));
    }
    EXPECT_TRUE(NewCopy()->SendToRunningInstance(L"/c showhide"));
    const auto messages = WaitForMessages(1);
    EXPECT_EQ(messages, std::vector<std::vector<std::wstring>>{{L"/c showhide"}});
}

TEST(IsSameUserAndSession, KnowsThisProcessAndNoOther)
{
    EXPECT_TRUE(IsSameUserAndSession(GetCurrentProcessId()));
    EXPECT_FALSE(IsSameUserAndSession(3)) << "no process has an odd id";
}

TEST_F(ForwardingTest, CloseFreesTheLockAndTheNameOnce)
{
    auto first = NewCopy();
    ASSERT_TRUE(first->ClaimSingleInstance(L""));
    const std::wstring lockFile = first->LockFilePath();
    EXPECT_NE(GetFileAttributesW(lockFile.c_str()), INVALID_FILE_ATTRIBUTES);
    first->Close();
    EXPECT_FALSE(first->IsRunning());
    EXPECT_EQ(GetFileAttributesW(lockFile.c_str()), INVALID_FILE_ATTRIBUTES);

    // The next start is the first copy again, with the pipe name to itself.
    auto next = NewCopy();
    EXPECT_TRUE(next->ClaimSingleInstance(L""));
    EXPECT_TRUE(next->IsRunning());
    // A later close and the destructor leave the next copy alone.
    first->Close();
    first.reset();
    EXPECT_TRUE(next->IsRunning());
    EXPECT_NE(GetFileAttributesW(lockFile.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(NewCopy()->SendToRunningInstance(L"/c newnote"));
    EXPECT_EQ(WaitForMessages(1).size(), 1u);
}

// ---- OnInstanceCommand -----------------------------------------------------

class InstanceCommandTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(m_window, nullptr);
        g_hwndApp = m_window;
    }
    void TearDown() override
    {
        g_hwndApp = nullptr;
        DestroyWindow(m_window);
    }

    std::vector<UINT> PostedCommands() const
    {
        std::vector<UINT> commands;
        MSG msg;
        while (PeekMessageW(&msg, m_window, 0, 0, PM_REMOVE))
            if (msg.message == WM_COMMAND)
                commands.push_back(LOWORD(msg.wParam));
        return commands;
    }

    HWND m_window = nullptr;
};

TEST_F(InstanceCommandTest, EachWordPostsItsCommand)
{
    struct Case {
        const wchar_t* line;
        std::vector<UINT> commands;
    };
    const Case cases[] = {
        {L"/c newnote", {ID_NEW_NOTE}},
        {L"/c noteorganizer", {ID_NOTE_ORGANIZER}},
        {L"/c showhide", {ID_SHOW_HIDE_ALL}},
        {L"/c preferences", {ID_PREFERENCES}},
        {L"/c restart", {ID_RESTART}},
        {L"/c delay", {}},
        {L"/c NewNote", {}},          // words are case-sensitive
        {L"/x newnote", {}},
        {L"/f C:\\data", {}},
    };
    for (const Case& c : cases) {
        const wchar_t* arguments[] = {c.line};
        OnInstanceCommand(arguments, 1);
        EXPECT_EQ(PostedCommands(), c.commands) << c.line;
    }
    OnInstanceCommand(nullptr, 0);
    EXPECT_TRUE(PostedCommands().empty());
}

TEST_F(InstanceCommandTest, ACommandBeforeTheMainWindowExistsIsLoggedAndDropped)
{
    CLogCapture log;
    CScriptedMessageBox boxes;
    g_hwndApp = nullptr;
    const wchar_t* arguments[] = {L"/c newnote"};
    OnInstanceCommand(arguments, 1);
    EXPECT_TRUE(PostedCommands().empty());
    EXPECT_TRUE(log.Contains(L"Dropping forwarded command newnote: no main window yet"));
    const wchar_t* bad[] = {L"/i old"};
    OnInstanceCommand(bad, 1);
    EXPECT_TRUE(boxes.ShownIds().empty()) << "the pipe thread parses silently";
}

// ---- Startup shortcut ------------------------------------------------------

class StartupShortcutTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        s_startup = m_startup.Path();
        ASSERT_TRUE(SetDataFilePaths(m_data.Path().c_str()));
    }
    void TearDown() override { CoUninitialize(); }

    static bool StartupFolder(wchar_t* path)
    {
        return wcscpy_s(path, MAX_PATH, s_startup.c_str()) == 0;
    }

    std::wstring LinkPath() const { return m_startup.File(L"Quillet.lnk"); }

    std::wstring IniValue(const wchar_t* key) const
    {
        wchar_t value[1024] = {};
        GetPrivateProfileStringW(L"Preferences", key, L"<none>", value, 1024, GetDataPath(EDataPath::Settings));
        return value;
    }

    static std::wstring s_startup;
    CTestDir m_startup;
    CTestDir m_data;
    SFolderRootsSeam m_roots = {g_folderRootsSeam.programFile, g_folderRootsSeam.perUserRoot, &StartupFolder};
    CSeamOverride<SFolderRootsSeam> m_override{g_folderRootsSeam, m_roots};
};
std::wstring StartupShortcutTest::s_startup;

TEST_F(StartupShortcutTest, AnOldShortcutBecomesTheStartWithWindowsSettings)
{
    ASSERT_TRUE(MakeShortcut(LinkPath(), L"/f \"C:\\My Notes\""));
    EXPECT_TRUE(UpdateStartupShortcut());
    EXPECT_EQ(IniValue(L"StartupWithWindows"), L"1");
    EXPECT_EQ(IniValue(L"StartupArguments"), L"/f \"C:\\My Notes\"");
    EXPECT_EQ(GetFileAttributesW(LinkPath().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(StartupShortcutTest, WithoutAShortcutNothingIsWritten)
{
    EXPECT_FALSE(UpdateStartupShortcut());
    EXPECT_EQ(IniValue(L"StartupWithWindows"), L"<none>");
}

}  // namespace
