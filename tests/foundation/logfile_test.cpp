// The log file: line bytes, trimming at start, fallbacks and threads.
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/LogFile.h"
#include "foundation/Seams.h"
#include "framework/KernelHandle.h"
#include "tests/foundation/FileBytes.h"
#include "tests/support/HeldLogLine.h"
#include "tests/support/TestDir.h"

namespace {

std::wstring g_perUserRoot;
std::wstring g_programFile;

bool CopyRoot(const std::wstring& root, wchar_t* path)
{
    if (root.empty() || root.size() >= MAX_PATH)
        return false;
    wcscpy(path, root.c_str());
    return true;
}

bool TestPerUserRoot(wchar_t* path) { return CopyRoot(g_perUserRoot, path); }
bool TestProgramFile(wchar_t* path) { return CopyRoot(g_programFile, path); }
bool NoFolder(wchar_t*) { return false; }

__time64_t TestNow()
{
    tm local = {};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 9;
    local.tm_hour = 14;
    local.tm_min = 5;
    local.tm_sec = 42;
    local.tm_isdst = -1;
    return _mktime64(&local);
}

DWORD TestTick() { return 0x4a3f1; }

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// A free drive letter: a folder there can never be opened.
std::wstring MissingDrive()
{
    const DWORD drives = GetLogicalDrives();
    for (int letter = 'Q'; letter <= 'Y'; ++letter)
        if (!(drives & (1u << (letter - 'A'))))
            return std::wstring(1, static_cast<wchar_t>(letter)) + L":";
    return L"";
}

class LogFileTest : public testing::Test {
protected:
    LogFileTest()
        : m_clock(g_clockSeam, {&TestNow, &TestTick}),
          m_roots(g_folderRootsSeam, {&TestProgramFile, &TestPerUserRoot, &NoFolder})
    {
        g_perUserRoot = m_dir.File(L"user");
        g_programFile = m_dir.File(L"prog\\QUILL32.exe");
        CreateDirectoryW(g_perUserRoot.c_str(), nullptr);
        CreateDirectoryW(m_dir.File(L"prog").c_str(), nullptr);
    }
    ~LogFileTest() override { CloseLogFile(); }

    std::wstring PerUserLog() const { return m_dir.File(L"user\\Quillet\\QUILLT40.LOG"); }

    CTestDir m_dir;
    CSeamOverride<SClockSeam> m_clock;
    CSeamOverride<SFolderRootsSeam> m_roots;
};

}  // namespace

TEST_F(LogFileTest, LineBytes)
{
    ASSERT_EQ(OpenLogFile(), 1);
    EXPECT_EQ(std::wstring(GetLogFilePath()), PerUserLog());
    WriteToLogFile(L"msg");
    WriteToLogFile(L"%s", L"Gr\u00fc\u00dfe \u20ac \xD800!");   // a lone surrogate
    WriteToLogFile(L"%s", std::wstring(5000, L'x').c_str());
    CloseLogFile();

    const std::string stamp = "09/12/2026 14:05:0004a3f1 : ";   // day first, 8 hex digits
    const std::string log = ReadBytes(PerUserLog());
    const std::wstring path = PerUserLog();
    const std::string expected = stamp + "-------------- Started logging to file " +
                                 std::string(path.begin(), path.end()) + "\r\n" +
                                 stamp + "msg\r\n" +
                                 stamp + "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xEF\xBF\xBD!\r\n" +
                                 stamp + std::string(4095, 'x') + "\r\n";
    EXPECT_EQ(log, expected);   // no byte-order mark either
}

TEST_F(LogFileTest, PercentInThePathIsWrittenVerbatim)
{
    g_perUserRoot = m_dir.File(L"p%d%s");
    CreateDirectoryW(g_perUserRoot.c_str(), nullptr);
    CLogCapture capture;
    ASSERT_EQ(OpenLogFile(), 1);
    EXPECT_TRUE(capture.Contains(L"-------------- Started logging to file " + m_dir.File(L"p%d%s\\Quillet\\QUILLT40.LOG")));
}

TEST_F(LogFileTest, TrimsToTheLastQuarterMegabyteFromALineStart)
{
    const std::string tail(0x40000 - 2, 'a');
    struct Case { const char* name; std::string content; std::string kept; };
    const Case cases[] = {
        {"at the cap", std::string(0x40000, 'u'), std::string(0x40000, 'u')},
        {"line end first", "x\r\n" + tail, tail},
        {"line end mid-way", "x" + std::string(100, 'b') + "\r\n" + std::string(0x40000 - 102, 'c'),
         std::string(0x40000 - 102, 'c')},
        {"no line end", "x" + std::string(0x40000, 'd'), std::string(0x40000, 'd')},
    };
    for (const Case& c : cases) {
        CreateDirectoryW(m_dir.File(L"user\\Quillet").c_str(), nullptr);
        WriteBytes(PerUserLog(), c.content);
        ASSERT_EQ(OpenLogFile(), 1) << c.name;
        CloseLogFile();
        const std::string log = ReadBytes(PerUserLog());
        EXPECT_EQ(log.substr(0, c.kept.size()), c.kept) << c.name;
        EXPECT_EQ(CountOf(log, "Started logging"), 1u) << c.name;
        EXPECT_EQ(log.find("09/12/2026 14:05"), c.kept.size()) << c.name;
    }
}

TEST_F(LogFileTest, TrimFailureIsLoggedAndTheLogStaysOpen)
{
    CreateDirectoryW(m_dir.File(L"user\\Quillet").c_str(), nullptr);
    WriteBytes(PerUserLog(), std::string(0x40010, 'z'));
    // A mapped view keeps the file from being cut.
    const HANDLE holder = CreateFileW(PerUserLog().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const HANDLE mapping = CreateFileMappingW(holder, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    CLogCapture capture;
    EXPECT_EQ(OpenLogFile(), 1);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    CloseHandle(holder);
    const std::vector<std::wstring> lines = capture.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], L"Trimming log file - failed - error 000004c8, file " + PerUserLog());
    EXPECT_TRUE(g_logFile.IsOpen());
}

TEST_F(LogFileTest, FallsBackToTheProgramFolderThenGivesUp)
{
    // A file where the per-user folder belongs makes that folder unusable.
    WriteBytes(m_dir.File(L"user\\Quillet"), "not a folder");
    ASSERT_EQ(OpenLogFile(), 1);
    EXPECT_EQ(std::wstring(GetLogFilePath()), m_dir.File(L"prog\\QUILLT40.LOG"));
    CloseLogFile();

    const std::wstring drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    g_programFile = drive + L"\\prog\\QUILL32.exe";
    CLogCapture capture;
    EXPECT_EQ(OpenLogFile(), 0);
    EXPECT_EQ(std::wstring(GetLogFilePath()), drive + L"\\prog\\QUILLT40.LOG");   // the first tried
    WriteToLogFile(L"dropped %d", 1);
    EXPECT_TRUE(capture.Contains(L"dropped 1"));
}

TEST_F(LogFileTest, AFolderThatCannotHoldTheLogFallsBackToItsDriveRoot)
{
    g_perUserRoot.clear();
    g_programFile = m_dir.File(L"missing\\QUILL32.exe");
    const std::wstring root = m_dir.Path().substr(0, 3) + L"QUILLT40.LOG";
    const bool existed = GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES;
    ASSERT_EQ(OpenLogFile(), 1);
    EXPECT_EQ(std::wstring(GetLogFilePath()), root);
    CloseLogFile();
    if (!existed)
        DeleteFileW(root.c_str());
}

TEST_F(LogFileTest, AnyFolderTheHelperFormsHoldsTheLog)
{
    const std::wstring user = m_dir.File(L"user");
    const std::wstring programLog = m_dir.File(L"prog\\QUILLT40.LOG");
    const std::wstring share = L"\\\\nohost.invalid\\share\\";
    struct Case {
        const char* name;
        std::wstring perUserRoot;
        std::wstring programFile;
        int opened;
        std::wstring logPath;
    };
    const Case cases[] = {
        {"a long-path per-user root", L"\\\\?\\" + user, g_programFile, 1, L"\\\\?\\" + PerUserLog()},
        {"a device-path per-user root", L"\\\\.\\" + user, g_programFile, 1, L"\\\\.\\" + PerUserLog()},
        {"a per-user share out of reach: the program folder", share + L"user", g_programFile, 1, programLog},
        // A share has no drive root to fall back to: the first path tried.
        {"a program folder on a share out of reach", L"", share + L"prog\\QUILL32.exe", 0,
         share + L"prog\\QUILLT40.LOG"},
    };
    for (const Case& c : cases) {
        g_perUserRoot = c.perUserRoot;
        g_programFile = c.programFile;
        EXPECT_EQ(OpenLogFile(), c.opened) << c.name;
        EXPECT_EQ(std::wstring(GetLogFilePath()), c.logPath) << c.name;
        CloseLogFile();
    }
}

TEST_F(LogFileTest, TooLongAFolderTakesTheNextFallback)
{
    g_perUserRoot = m_dir.File(std::wstring(250, L'u'));
    ASSERT_EQ(OpenLogFile(), 1);
    EXPECT_EQ(std::wstring(GetLogFilePath()), m_dir.File(L"prog\\QUILLT40.LOG"));
}

TEST_F(LogFileTest, ThreadsNeverMergeLines)
{
    ASSERT_EQ(OpenLogFile(), 1);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            const std::wstring filler(200, static_cast<wchar_t>(L'a' + t));
            for (int i = 0; i < 1000; ++i)
                WriteToLogFile(L"T%d-%d %s", t, i, filler.c_str());
        });
    for (std::thread& thread : threads)
        thread.join();
    CloseLogFile();

    const std::string log = ReadBytes(PerUserLog());
    const std::regex line(R"(\d\d/\d\d/\d{4} \d\d:\d\d:[0-9a-f]{8} : T(\d)-\d+ ([a-d])\2{199})");
    size_t count = 0;
    size_t start = log.find("\r\n") + 2;   // after the start line
    for (size_t end = log.find("\r\n", start); end != std::string::npos; end = log.find("\r\n", start)) {
        const std::string text = log.substr(start, end - start);
        std::smatch match;
        EXPECT_TRUE(std::regex_match(text, match, line)) << text.substr(0, 80);
        if (!match.empty()) {
            EXPECT_EQ(match[1].str()[0] - '0', match[2].str()[0] - 'a');
        }
        ++count;
        start = end + 2;
    }
    EXPECT_EQ(start, log.size());
    EXPECT_EQ(count, 4000u);
}

TEST_F(LogFileTest, WritesAfterCloseAreDropped)
{
    ASSERT_EQ(OpenLogFile(), 1);
    CloseLogFile();
    const std::string before = ReadBytes(PerUserLog());
    WriteToLogFile(L"after close");
    EXPECT_EQ(ReadBytes(PerUserLog()), before);
}

TEST(CLogCapture, WaitsForALineBeingHandedToTheCaptureItReplaces)
{
    SHeldLogLine held;
    const CSeamOverride<SLogCaptureSeam> holding(g_logCaptureSeam, {&HoldLogLine, &held});
    std::thread writer([] { WriteToLogFile(L"a held line"); });
    ASSERT_EQ(WaitForSingleObject(held.entered.Get(), 10000), WAIT_OBJECT_0);

    std::atomic<bool> replaced{false};
    std::thread replacer([&replaced] {
        const CLogCapture capture;
        replaced = true;
    });
    Sleep(200);
    EXPECT_FALSE(replaced) << "the old sink could be freed while it still had a line";
    SetEvent(held.release.Get());
    writer.join();
    replacer.join();
    EXPECT_TRUE(replaced);
}

std::vector<std::wstring> g_debugTexts;

void RecordDebugText(const wchar_t* text)
{
    g_debugTexts.emplace_back(text);
}

TEST(TraceSourceLine, TakesAnyPath)
{
    const CSeamOverride<SDebugOutputSeam> debugger(g_debugOutputSeam, {&RecordDebugText});
    g_debugTexts.clear();
    const CLogCapture log;
    const std::string deepFolder = "C:/" + std::string(300, 'd') + "/";
    TraceSourceLine(L"C:\\src\\shell\\netsend.cpp", 12);
    TraceSourceLine(L"netsend", 7);
    TraceSourceLine("/build/notestore/notemgr.cpp", 345);
    TraceSourceLine((deepFolder + "reruzadu.cpp").c_str(), 9);
    TraceSourceLine(std::wstring(MAX_PATH * 2, L'n').c_str(), 1);   // cut to the trace line
    // The source position goes to the debugger only; the log line is the message alone.
    QLOG(L"through the call form %d", 3);
    const int line = __LINE__ - 1;
    EXPECT_EQ(log.Lines(), std::vector<std::wstring>{L"through the call form 3"});
    const std::vector<std::wstring> expected = {
        L"netsend.cpp(12) : ",
        L"netsend(7) : ",
        L"notemgr.cpp(345) : ",
        L"reruzadu.cpp(9) : ",
        std::wstring(255, L'n'),
        L"logfile_test.cpp(" + std::to_wstring(line) + L") : ",
    };
    EXPECT_EQ(g_debugTexts, expected);
}
