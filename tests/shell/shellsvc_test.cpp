// Shell services: version texts, the input-idle decision, and the version check
// against an HTTP responder of the test's own.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ShellTestSupport.h"
#include "foundation/DataPaths.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/ShellExecSeam.h"
#include "resources/resource.h"
#include "shell/shellsvc.h"
#include "tests/support/ShellExecuteRecorder.h"
#include "tests/support/TestDir.h"

namespace {

std::vector<SExecuted>& g_executed = ExecutedCalls();

// ---- Versions and idle -------------------------------------------------------

TEST(VersionText, BothFormsOfAVersion)
{
    VS_FIXEDFILEINFO info = {};
    info.dwFileVersionMS = MAKELONG(1, 4);
    info.dwFileVersionLS = MAKELONG(7, 0);
    info.dwProductVersionMS = MAKELONG(1, 4);
    info.dwProductVersionLS = MAKELONG(7, 0);
    const SVersionTexts texts = VersionTextsOf(info);
    EXPECT_EQ(texts.version, L"4.10.7");
    EXPECT_EQ(texts.address, L"4.10%20Build%207");

    CStdStr version, address;
    DWORD high = 0, low = 0;
    ASSERT_TRUE(GetVersionText(version, address, high, low));  // this program's resources
    EXPECT_EQ(version, L"4.10.1");
    EXPECT_EQ(high, MAKELONG(1, 4));
    EXPECT_EQ(low, MAKELONG(1, 0));
}

TEST(VersionReply, OnlyAWellFormedReplyParses)
{
    struct Case {
        const char* reply;
        bool parses;
    };
    const std::string longAddress = "http://example.invalid/" + std::string(1001, 'a');  // 1024 characters
    const Case cases[] = {
        {"4.1.0.8\r\nhttp://example.invalid/get", true},
        {"4.1.0.8\r\nhttp://example.invalid/get\r\n", true},
        {"65535.65535.65535.65535\r\nx", true},
        {"4.1.0.8\nhttp://example.invalid/get", true},  // LF line ends
        {"4.1.0.8 http://example.invalid/get", true},
        {"4.1.0.8\t \r\n\r\nhttp://example.invalid/get", true},
        {"4.1.0.8http://example.invalid/get", false},  // nothing between
        {"4.1.0\r\nhttp://example.invalid/get", false},
        {"4.1.0.65536\r\nhttp://example.invalid/get", false},  // beyond 16 bits
        {"4.1.0.99999999999999999999\r\nx", false},
        {"4.1.0.8\r\n", false},  // no address
        {"<html>Not found</html>", false},
        {"", false},
        {longAddress.c_str(), false},
    };
    for (const Case& c : cases) {
        SVersionReply reply;
        EXPECT_EQ(ParseVersionReply(c.reply, reply), c.parses) << c.reply;
    }
    std::string exact = "4.1.0.8\r\n" + std::string(1023, 'a');
    SVersionReply reply;
    EXPECT_TRUE(ParseVersionReply(exact.c_str(), reply));
    EXPECT_FALSE(ParseVersionReply((exact + "a").c_str(), reply));
}

TEST(VersionReply, NewerComparesTheHighWordsFirst)
{
    const DWORD high = MAKELONG(1, 4), low = MAKELONG(1, 0);  // 4.1.0.1
    struct Case {
        WORD version[4];
        bool newer;
    };
    const Case cases[] = {
        {{4, 1, 0, 1}, false}, {{4, 1, 0, 2}, true}, {{4, 1, 1, 0}, true},
        {{4, 2, 0, 0}, true},  {{4, 0, 9, 9}, false}, {{3, 9, 9, 9}, false},
    };
    for (const Case& c : cases) {
        SVersionReply reply;
        std::copy(c.version, c.version + 4, reply.version);
        EXPECT_EQ(IsNewerVersion(reply, high, low), c.newer) << c.version[0] << c.version[1] << c.version[2] << c.version[3];
    }
}

TEST(InputIdle, TheTickCountMayWrap)
{
    struct Case {
        DWORD now, lastInput;
        int autoFade;
        bool idle;
    };
    const Case cases[] = {
        {10000, 5000, 1, false},             // exactly 5 s is not yet idle
        {10001, 5000, 1, true},
        {10001, 5000, 2, false},             // AutoFade 2 waits 10 s
        {15001, 5000, 2, true},
        {900, 0xFFFFF000, 1, false},         // 4996 ms across the wrap
        {5000, 0xFFFFF000, 1, true},         // 9096 ms across the wrap
        {0xFFFFFFFF, 0xFFFFFFFF - 5001, 1, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsInputIdle(c.now, c.lastInput, c.autoFade), c.idle) << c.now << " " << c.lastInput;
}

// ---- The version check --------------------------------------------------------

// Answers every request on 127.0.0.1 with one reply and counts the requests.
class CHttpResponder {
public:
    explicit CHttpResponder(std::string body) : m_body(std::move(body))
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int length = sizeof(address);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        listen(m_listener, 4);
        m_thread = std::thread([this] { Serve(); });
    }
    ~CHttpResponder()
    {
        closesocket(m_listener);
        m_thread.join();
        WSACleanup();
    }

    std::wstring Site() const { return L"http://127.0.0.1:" + std::to_wstring(m_port) + L"/"; }
    int Requests() const { return m_requests; }
    // The request line, braces unescaped as the address had them.
    std::string LastRequestLine() const
    {
        std::string line = m_requestLine;
        for (const auto& [escaped, plain] : {std::pair<std::string, std::string>{"%7B", "{"}, {"%7D", "}"}})
            for (size_t at; (at = line.find(escaped)) != std::string::npos;)
                line.replace(at, escaped.size(), plain);
        return line;
    }

private:
    void Serve()
    {
        for (;;) {
            const SOCKET client = accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            std::string request;
            char buffer[1024];
            int got = 0;
            while (request.find("\r\n\r\n") == std::string::npos && (got = recv(client, buffer, sizeof(buffer), 0)) > 0)
                request.append(buffer, got);
            m_requestLine = request.substr(0, request.find("\r\n"));
            ++m_requests;
            const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nCache-Control: no-cache\r\n"
                                      "Content-Length: " + std::to_string(m_body.size()) + "\r\n\r\n" + m_body;
            send(client, reply.data(), static_cast<int>(reply.size()), 0);
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    std::string m_body;
    SOCKET m_listener = INVALID_SOCKET;
    int m_port = 0;
    std::atomic<int> m_requests{0};
    std::string m_requestLine;
    std::thread m_thread;
};

__time64_t g_now = 1800000000;
__time64_t FixedNow()
{
    return g_now;
}

class VersionCheckTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetDataFilePaths(m_dir.Path().c_str()));
        g_prefs.CheckVersionNumDays = 31;
        g_prefs.GUID = UniqueName();
        g_executed.clear();
    }

    // Runs one check against a responder (or a port that refuses).
    bool Check(const std::wstring& site, bool automatic)
    {
        m_site = site;
        const CSeamOverride<SVersionCheckSeam> seam(g_versionCheckSeam, {m_site.c_str()});
        return CheckVersionOnline(automatic);
    }

    __time64_t LastCheck() const
    {
        wchar_t text[32] = {};
        GetPrivateProfileStringW(L"Preferences", L"LastVerCheck", L"none", text, 32,
                                 GetDataPath(EDataPath::Settings));
        return wcscmp(text, L"none") == 0 ? -1 : _wtoi64(text);
    }

    CTestDir m_dir;
    CScriptedMessageBox m_boxes{IDYES};
    std::wstring m_site;
    CSeamOverride<SClockSeam> m_clock{g_clockSeam, {&FixedNow, g_clockSeam.tickCount}};
    CSeamOverride<SShellExecuteSeam> m_shell{g_shellExecuteSeam, {&RecordingShellExecute}};
};

TEST_F(VersionCheckTest, ANewerVersionOffersTheDownloadAndOpensOnlyWebAddresses)
{
    CHttpResponder responder("4.1.0.9\r\nhttp://download.quillet.invalid/setup.exe");
    EXPECT_TRUE(Check(responder.Site(), false));
    EXPECT_EQ(m_boxes.ShownIds(), std::vector<UINT>{IDS_NEW_VERSION});
    ASSERT_EQ(g_executed.size(), 1u);
    EXPECT_EQ(g_executed[0].file, L"http://download.quillet.invalid/setup.exe");
    EXPECT_EQ(responder.LastRequestLine(),
              "GET /checkver/4.10%20Build%201/" + std::string(g_prefs.GUID.begin(), g_prefs.GUID.end()) + "/" +
                  std::to_string(GetUserDefaultUILanguage()) + "/64 HTTP/1.1");
    EXPECT_EQ(LastCheck(), g_now);

    CHttpResponder unsafe("4.1.0.9\r\nfile://server/share/setup.exe");
    g_executed.clear();
    EXPECT_TRUE(Check(unsafe.Site(), false));
    EXPECT_TRUE(g_executed.empty()) << "only http and https addresses are opened";
}

TEST_F(VersionCheckTest, TheSameVersionSaysSoOnlyWhenAskedAndGarbageSaysNothing)
{
    CHttpResponder same("4.1.0.1\r\nhttp://download.quillet.invalid/");
    EXPECT_TRUE(Check(same.Site(), false));
    EXPECT_TRUE(Check(same.Site(), false));
    g_now += 40 * 86400;
    EXPECT_TRUE(Check(same.Site(), true));
    EXPECT_EQ(m_boxes.ShownIds(), (std::vector<UINT>{IDS_LATEST_VERSION, IDS_LATEST_VERSION}));

    CHttpResponder garbage("<html>\xff\xfe no version here</html>");
    EXPECT_TRUE(Check(garbage.Site(), false)) << "a reply was read";
    EXPECT_EQ(m_boxes.ShownIds().size(), 2u);
    EXPECT_EQ(LastCheck(), g_now);
}

TEST_F(VersionCheckTest, ARefusedConnectionIsReportedOnlyWhenAsked)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET reserved = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(reserved, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(reserved, reinterpret_cast<sockaddr*>(&address), &length);
    const std::wstring site = L"http://127.0.0.1:" + std::to_wstring(ntohs(address.sin_port)) + L"/";

    EXPECT_FALSE(Check(site, false));
    EXPECT_EQ(m_boxes.ShownIds(), std::vector<UINT>{IDS_NO_INTERNET});
    EXPECT_EQ(LastCheck(), -1) << "a manual check that failed is not counted";

    EXPECT_FALSE(Check(site, true));
    EXPECT_EQ(m_boxes.ShownIds().size(), 1u) << "automatic checks stay silent";
    EXPECT_EQ(LastCheck(), g_now) << "and wait a full interval";
    closesocket(reserved);
    WSACleanup();
}

TEST_F(VersionCheckTest, AnAutomaticCheckWithinTheIntervalAsksNothing)
{
    CHttpResponder responder("4.1.0.9\r\nhttp://download.quillet.invalid/");
    MyWritePrivateProfileInt(L"Preferences", L"LastVerCheck", static_cast<int>(g_now - 30 * 86400),
                             GetDataPath(EDataPath::Settings));
    EXPECT_FALSE(Check(responder.Site(), true));
    EXPECT_EQ(responder.Requests(), 0);
    EXPECT_TRUE(m_boxes.ShownIds().empty());

    MyWritePrivateProfileInt(L"Preferences", L"LastVerCheck", static_cast<int>(g_now - 31 * 86400),
                             GetDataPath(EDataPath::Settings));
    EXPECT_TRUE(Check(responder.Site(), true));
    EXPECT_EQ(responder.Requests(), 1);
}

}  // namespace
