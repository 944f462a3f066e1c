// The LAN threads on loopback: the header's bytes, the listener against
// hostile peers, the sender against its own listener and scripted receivers,
// and stops while a thread waits on a peer or on this thread.
#include "LanTestSupport.h"

#include <process.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "exchange/NetLists.h"
#include "exchange/NetSendRecord.h"
#include "foundation/AppWindow.h"
#include "foundation/Seams.h"

namespace {

// ---- the header

TEST(SendHeaderTest, LengthsAreZeroPaddedToEightDigitsAndNeverCut)
{
    EXPECT_EQ(std::string(FormatSendHeader(true, 11, "10.0.0.5", "bob")), "QLSENDXML 00000011\n10.0.0.5\n\"bob\"\n\n");
    EXPECT_EQ(std::string(FormatSendHeader(false, 123456789, "10.0.0.5", "")),
              "QLSEND 123456789\n10.0.0.5\n\"\"\n\n");
}

TEST(SendHeaderTest, ParsesFieldsAsFarAsTheHeaderGoes)
{
    struct Case {
        const char* header;
        const char* keyword;
        int length;
        const char* address;
        const char* name;
    };
    const std::string longName(300, 'n');
    const std::string longHeader = "QLSENDXML 00000005\n1.2.3.4\n\"" + longName + "\"\n\n";
    const Case cases[] = {
        {"QLSENDXML 00000011\n10.0.0.5\n\"bob\"\n\n", "QLSENDXML", 11, "10.0.0.5", "bob"},
        {"QLSEND 00000003\n10.0.0.5\n\"al\"ice\"\n\n", "QLSEND", 3, "10.0.0.5", "al"},   // cut at a quote
        {"QLSEND 00000003\n10.0.0.5\n\"line\nend\"\n\n", "QLSEND", 3, "10.0.0.5", "line"},
        {"QLSEND 00000003\n10.0.0.5\n\"\"\n\n", "QLSEND", 3, "10.0.0.5", ""},
        {"QLSEND 00000003\n10.0.0.5\n\n", "QLSEND", 3, "10.0.0.5", ""},   // no name
        {"QLSEND 00000003\n", "QLSEND", 3, "", ""},
        {"QLSEND", "QLSEND", 0, "", ""},
        {"", "", 0, "", ""},
        {"QLSEND 00000000\n1.2.3.4\n\"a\"\n\n", "QLSEND", 0, "1.2.3.4", "a"},        // no body
        {"QLSEND -0000005\n1.2.3.4\n\"a\"\n\n", "QLSEND", 0, "1.2.3.4", "a"},
        {"QLSEND 12345678901\n1.2.3.4\n\"a\"\n\n", "QLSEND", 0, "1.2.3.4", "a"},      // past 32 bits
        {"QLSEND 33554433\n1.2.3.4\n\"a\"\n\n", "QLSEND", 0, "1.2.3.4", "a"},         // past the bound
        {"QLSEND 33554432\n1.2.3.4\n\"a\"\n\n", "QLSEND", 33554432, "1.2.3.4", "a"},
        {"QLSEND 0000001x\n1.2.3.4\n\"a\"\n\n", "QLSEND", 0, "1.2.3.4", "a"},
    };
    for (const Case& c : cases) {
        const SSendHeader header = ParseSendHeader(c.header, 32 * 1024 * 1024);
        EXPECT_STREQ(header.keyword, c.keyword) << c.header;
        EXPECT_EQ(header.length, c.length) << c.header;
        EXPECT_STREQ(header.address, c.address) << c.header;
        EXPECT_STREQ(header.name, c.name) << c.header;
    }
    // Fields past their arrays are not read into them.
    const SSendHeader cut = ParseSendHeader(longHeader.c_str(), 100);
    EXPECT_EQ(std::string(cut.name), longName.substr(0, 255));
    const SSendHeader longKeyword = ParseSendHeader((std::string(40, 'K') + " 00000005\n").c_str(), 100);
    EXPECT_EQ(std::strlen(longKeyword.keyword), 32u);
}

// ---- the threads

// What the main window is sent by the LAN threads, kept by a message-only
// window on the test thread.
class CLanRecorder {
public:
    CLanRecorder()
    {
        static const std::wstring name = L"LanRecorder" + std::to_wstring(GetCurrentProcessId());
        static const bool registered = [] {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = &Proc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = name.c_str();
            return RegisterClassW(&windowClass) != 0;
        }();
        EXPECT_TRUE(registered);
        s_active = this;
        m_window = CreateWindowExW(0, name.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    }
    ~CLanRecorder()
    {
        DestroyWindow(m_window);
        s_active = nullptr;
    }
    CLanRecorder(const CLanRecorder&) = delete;
    CLanRecorder& operator=(const CLanRecorder&) = delete;

    struct SStatus {
        int code;
        std::unique_ptr<CNetSendRecord> record;
    };

    HWND Window() const { return m_window; }
    std::vector<std::unique_ptr<CNetSendRecord>> received;
    std::vector<SStatus> statuses;
    LRESULT acceptNotes = 1;

    // The last status is an outcome (not "started").
    bool HasOutcome() const { return !statuses.empty() && statuses.back().code != kNetSendStartedCode; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        CLanRecorder* const self = s_active;
        if (self && message == WM_NOTE_RECEIVED) {
            self->received.push_back(TakeNetSendRecord(lParam));
            return self->acceptNotes;
        }
        if (self && message == WM_NETSEND_STATUS) {
            self->statuses.push_back({static_cast<int>(static_cast<DWORD>(wParam)), TakeNetSendRecord(lParam)});
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static CLanRecorder* s_active;
    HWND m_window = nullptr;
};

CLanRecorder* CLanRecorder::s_active = nullptr;

// The network running for the test: it listens on a port of its own and
// reports to the recorder.
class NetSendTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_sockets.Started());
        m_liveBefore = CNetSendRecord::LiveCount();
        m_savedPort = g_prefs.NetworkPort;
        m_port = FreePort();
        g_prefs.NetworkPort = m_port;
        g_hwndApp = m_recorder.Window();
        ASSERT_EQ(StartNetwork(), 1);
    }

    void TearDown() override
    {
        EXPECT_EQ(StopNetwork(), 1);
        g_hwndApp = nullptr;
        g_prefs.NetworkPort = m_savedPort;
        m_recorder.received.clear();
        m_recorder.statuses.clear();
        EXPECT_EQ(CNetSendRecord::LiveCount(), m_liveBefore);
    }

    // The peer's bytes to the listener, then what comes back until it closes.
    std::string Exchange(const std::string& bytes, bool closeAfterSending = false)
    {
        std::string reply;
        CPeer peer([&] {
            const SOCKET socket = ConnectLoopback(m_port);
            if (socket == INVALID_SOCKET)
                return;
            SendBytes(socket, bytes);
            if (closeAfterSending)
                shutdown(socket, SD_SEND);
            reply = ReceiveAll(socket);
            closesocket(socket);
        });
        EXPECT_TRUE(peer.Finish());
        return reply;
    }

    // A valid note still arrives: the listener lives and is free.
    void ExpectListenerServes(const char* after)
    {
        const size_t before = m_recorder.received.size();
        EXPECT_EQ(Exchange(WireNote(true, XmlBody("still here"))), "QLSENDXMLOKQLSENDACK") << after;
        ASSERT_EQ(m_recorder.received.size(), before + 1) << after;
        EXPECT_STREQ(m_recorder.received.back()->xmlText.get(), XmlBody("still here").c_str()) << after;
        m_recorder.received.clear();
    }

    std::unique_ptr<CNetSendRecord> Request(const wchar_t* host, int port, const std::string& xml,
                                            const std::string& legacy)
    {
        return CNetSendRecord::Make(m_recorder.Window(), host, port, reinterpret_cast<const BYTE*>(legacy.data()),
                                    static_cast<int>(legacy.size()), xml.c_str(), xml.size() + 1, L"");
    }

    // Posts the request and serves the reports until its outcome.
    void Send(std::unique_ptr<CNetSendRecord> request, DWORD timeoutMs = 10000)
    {
        ASSERT_TRUE(PostNetSendRequest(request));
        EXPECT_TRUE(PumpUntil([this] { return m_recorder.HasOutcome(); }, timeoutMs));
    }

    CWinSockSession m_sockets;
    CSeamOverride<SNetBoundsSeam> m_bounds{g_netBoundsSeam, ShortNetBounds()};
    CLanRecorder m_recorder;
    int m_port = 0;
    int m_savedPort = 0;
    long m_liveBefore = 0;
};

TEST_F(NetSendTest, HostilePeersAreClosedOnAndTheListenerGoesOn)
{
    enum EMade { kNone, kXml, kLegacy };
    struct Case {
        const char* what;
        std::string bytes;
        const char* reply;
        EMade made;
        bool closeAfterSending;
    };
    const std::string xml = XmlBody("hello");
    const std::string legacy = "STIC\x01\x02\x03";
    NetLists().AddIgnore(L"10.1.2.3", kFromPeer);
    const Case cases[] = {
        {"valid XML", WireNote(true, xml), "QLSENDXMLOKQLSENDACK", kXml, false},
        {"valid legacy", WireNote(false, legacy), "", kLegacy, false},
        {"unknown keyword", "QLSENDX 00000003\n127.0.0.1\n\"a\"\n\nabc", "", kNone, false},
        {"empty header", "\n\n", "", kNone, false},
        {"no empty line", std::string(1100, 'Q'), "", kNone, false},
        {"quote in the name", WireNote(true, xml, "127.0.0.1", "al\"ice"), "QLSENDXMLOKQLSENDACK", kXml, false},
        {"length 0", "QLSEND 00000000\n127.0.0.1\n\"a\"\n\n", "", kNone, false},
        {"negative", "QLSENDXML -0000010\n127.0.0.1\n\"a\"\n\n0123456789", "", kNone, false},
        {"11 digits", "QLSENDXML 12345678901\n127.0.0.1\n\"a\"\n\n0123456789", "", kNone, false},
        {"over the bound", "QLSEND 33554433\n127.0.0.1\n\"a\"\n\n0123456789", "", kNone, false},
        {"XML over the note bound", "QLSENDXML 16777218\n127.0.0.1\n\"a\"\n\n0123", "", kNone, false},
        {"short body then close", "QLSENDXML 00000100\n127.0.0.1\n\"a\"\n\n0123456789", "QLSENDXMLOK", kNone, true},
        {"ignored header address", WireNote(true, xml, "10.1.2.3"), "QLSENDXMLOK", kNone, false},
        {"ignored legacy sender", WireNote(false, legacy, "10.1.2.3"), "", kNone, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Exchange(c.bytes, c.closeAfterSending), c.reply) << c.what;
        ASSERT_EQ(m_recorder.received.size(), c.made == kNone ? 0u : 1u) << c.what;
        if (c.made == kXml) {
            EXPECT_STREQ(m_recorder.received[0]->xmlText.get(), xml.c_str()) << c.what;
            EXPECT_EQ(m_recorder.received[0]->legacyLength, 0) << c.what;
        }
        if (c.made == kLegacy) {
            ASSERT_EQ(m_recorder.received[0]->legacyLength, static_cast<int>(legacy.size())) << c.what;
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(m_recorder.received[0]->legacyBuffer.get()),
                                  legacy.size()),
                      legacy)
                << c.what;
            EXPECT_EQ(m_recorder.received[0]->xmlText, nullptr) << c.what;
        }
        if (c.made != kNone) {
            const wchar_t* const sender = std::string(c.what) == "quote in the name" ? L"al" : L"alice";
            EXPECT_STREQ(m_recorder.received[0]->senderName, sender) << c.what;
        }
        m_recorder.received.clear();
        ExpectListenerServes(c.what);
    }
    NetLists().RemoveIgnore(L"10.1.2.3");
}

TEST_F(NetSendTest, TheConnectionsRealAddressCountsForTheIgnoreList)
{
    NetLists().AddIgnore(L"127.0.0.1", kFromPeer);
    EXPECT_EQ(Exchange(WireNote(true, XmlBody("claim"), "10.9.9.9")), "QLSENDXMLOK");
    NetLists().RemoveIgnore(L"127.0.0.1");
    EXPECT_TRUE(m_recorder.received.empty());
    ExpectListenerServes("an ignored peer");
}

TEST_F(NetSendTest, SlowSilentAndVanishingPeersAreDroppedWithinTheBounds)
{
    // Reset before the listener takes the connection.
    {
        CPeer peer([this] {
            const SOCKET socket = ConnectLoopback(m_port);
            const linger abort = {1, 0};
            setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
            closesocket(socket);
        });
        EXPECT_TRUE(peer.Finish());
    }
    ExpectListenerServes("a reset");

    // Silence: connected, nothing sent.
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Exchange(""), "");
    EXPECT_LT(GetTickCount64() - start, 6000u);
    ExpectListenerServes("silence");

    // A trickle: each byte within the idle bound, the whole past the
    // connection's.
    std::string reply;
    start = GetTickCount64();
    {
        CPeer peer([&] {
            const SOCKET socket = ConnectLoopback(m_port);
            SendBytes(socket, "QLSENDXML 00000100\n127.0.0.1\n\"slow\"\n\n");
            for (int i = 0; i < 100; ++i) {
                const char byte = 'x';
                if (!SendBytes(socket, std::string(1, byte)))
                    break;
                Sleep(100);
                if (GetTickCount64() - start > 8000)
                    break;
            }
            reply = ReceiveAll(socket, 1000);
            closesocket(socket);
        });
        EXPECT_TRUE(peer.Finish(20000));
    }
    EXPECT_EQ(reply, "QLSENDXMLOK");
    EXPECT_TRUE(m_recorder.received.empty());
    ExpectListenerServes("a trickle");
}

TEST_F(NetSendTest, ARefusedNoteIsNotAcknowledged)
{
    m_recorder.acceptNotes = 0;
    EXPECT_EQ(Exchange(WireNote(true, XmlBody("refused"))), "QLSENDXMLOK");
    EXPECT_EQ(m_recorder.received.size(), 1u);
}

TEST_F(NetSendTest, ANoteGoesToItsOwnListenerInTheXmlForm)
{
    const std::string xml = "<NOTES><note><text>\xC5\xBC\xC3\xB3\xC5\x82w \xE4\xBD\xA0\xE5\xA5\xBD</text></note></NOTES>";
    Send(Request(L"127.0.0.1", m_port, xml, "LEGACY"));
    ASSERT_EQ(m_recorder.statuses.size(), 2u);
    EXPECT_EQ(m_recorder.statuses[0].code, kNetSendStartedCode);
    EXPECT_EQ(m_recorder.statuses[1].code, kNetSendDeliveredCode);
    for (const auto& status : m_recorder.statuses) {
        ASSERT_TRUE(status.record);
        EXPECT_STREQ(status.record->host, L"127.0.0.1");
        EXPECT_EQ(status.record->port, m_port);
        EXPECT_EQ(status.record->xmlText, nullptr);   // header copies
    }
    ASSERT_EQ(m_recorder.received.size(), 1u);
    EXPECT_STREQ(m_recorder.received[0]->xmlText.get(), xml.c_str());
    m_recorder.statuses.clear();
    m_recorder.received.clear();
    // The sender frees the request itself, just after its report.
    EXPECT_TRUE(PumpUntil([this] { return CNetSendRecord::LiveCount() == m_liveBefore; }, 2000));
}

TEST_F(NetSendTest, ScriptedReceiversGiveTheSenderItsOutcome)
{
    const std::string legacy = std::string("STIC\0\x01\x02", 7);
    struct Case {
        const char* what;
        std::function<void(SOCKET listening)> receiver;
        int outcome;
        std::string* seen;
    };
    std::string legacySeen;
    const Case cases[] = {
        {"closes after the XML offer is taken",
         [](SOCKET listening) {
             const SOCKET socket = AcceptWithin(listening);
             ReceiveHeader(socket);
             SendBytes(socket, "QLSENDXMLOK");
             ReceiveExactly(socket, 6);
             closesocket(socket);
         },
         WSAECONNABORTED, nullptr},
        {"knows only the legacy form",
         [&legacy, &legacySeen](SOCKET listening) {
             SOCKET socket = AcceptWithin(listening);
             ReceiveHeader(socket);
             closesocket(socket);
             socket = AcceptWithin(listening);
             const std::string header = ReceiveHeader(socket);
             legacySeen = header.substr(0, 16) + "|" + ReceiveAll(socket, 3000);
             closesocket(socket);
         },
         kNetSendDeliveredCode, &legacySeen},
        {"stays silent",
         [](SOCKET listening) {
             const SOCKET socket = AcceptWithin(listening);
             ReceiveAll(socket, 5000);
             closesocket(socket);
         },
         WSAETIMEDOUT, nullptr},
    };
    for (const Case& c : cases) {
        CLoopbackPort receiver(4);
        ASSERT_TRUE(receiver.Ok());
        const SOCKET listening = receiver.Socket();
        CPeer peer([&c, listening] { c.receiver(listening); });
        const ULONGLONG start = GetTickCount64();
        Send(Request(L"127.0.0.1", receiver.Port(), "<NOTES/>", legacy));
        EXPECT_LT(GetTickCount64() - start, 6000u) << c.what;
        EXPECT_TRUE(peer.Finish()) << c.what;
        ASSERT_EQ(m_recorder.statuses.size(), 2u) << c.what;
        EXPECT_EQ(m_recorder.statuses[1].code, c.outcome) << c.what;
        if (c.outcome != kNetSendDeliveredCode) {
            // The failure hands the request over, buffers and all.
            ASSERT_TRUE(m_recorder.statuses[1].record) << c.what;
            EXPECT_EQ(m_recorder.statuses[1].record->legacyLength, static_cast<int>(legacy.size())) << c.what;
        }
        m_recorder.statuses.clear();
    }
    EXPECT_EQ(legacySeen, "QLSEND 00000007\n|" + legacy);
}

TEST_F(NetSendTest, NoReceiverAndNoSuchHostAreErrors)
{
    struct Case {
        const wchar_t* host;
        int port;
        int outcome;
    };
    CLoopbackPort closed;   // bound, not listening
    const Case cases[] = {
        {L"127.0.0.1", closed.Port(), WSAECONNREFUSED},
        {L"no-such-host.invalid", m_port, WSAEINVAL},
    };
    for (const Case& c : cases) {
        Send(Request(c.host, c.port, "<NOTES/>", "L"));
        ASSERT_EQ(m_recorder.statuses.size(), 2u) << c.outcome;
        EXPECT_EQ(m_recorder.statuses[1].code, c.outcome);
        m_recorder.statuses.clear();
    }
}

TEST_F(NetSendTest, StopsEndAtOnceWhileTheListenerWaitsOnThisThreadOrOnAPeer)
{
    // The listener in SendMessageW to this thread, which does not pump.
    const SOCKET socket = ConnectLoopback(m_port);
    ASSERT_NE(socket, INVALID_SOCKET);
    ASSERT_TRUE(SendBytes(socket, WireNote(true, XmlBody("held"))));
    Sleep(500);
    ULONGLONG start = GetTickCount64();
    ASSERT_EQ(RestartNetwork(), 1);
    EXPECT_LT(GetTickCount64() - start, 2000u);
    closesocket(socket);
    EXPECT_EQ(m_recorder.received.size(), 1u);   // served during the wait
    m_recorder.received.clear();

    // A request right after the restart is served.
    Send(Request(L"127.0.0.1", m_port, "<NOTES/>", "L"));
    ASSERT_EQ(m_recorder.statuses.size(), 2u);
    EXPECT_EQ(m_recorder.statuses[1].code, kNetSendDeliveredCode);
    m_recorder.statuses.clear();
    m_recorder.received.clear();

    // A silent peer, with bounds far longer than the stop may take.
    SNetBoundsSeam patient = ShortNetBounds();
    patient.idleMs = patient.connectionMs = 60000;
    CSeamOverride<SNetBoundsSeam> longBounds(g_netBoundsSeam, patient);
    const SOCKET silent = ConnectLoopback(m_port);
    ASSERT_TRUE(SendBytes(silent, "QLSENDXML 00000100\n"));
    Sleep(300);
    start = GetTickCount64();
    EXPECT_EQ(StopNetwork(), 1);
    EXPECT_LT(GetTickCount64() - start, 2000u);
    closesocket(silent);
    EXPECT_EQ(StopNetwork(), 0);   // not running: nothing to stop
    EXPECT_EQ(RestartNetwork(), 0);
    std::unique_ptr<CNetSendRecord> late = Request(L"127.0.0.1", m_port, "<NOTES/>", "L");
    EXPECT_FALSE(PostNetSendRequest(late));
    late.reset();
    ASSERT_EQ(StartNetwork(), 1);   // for the tear-down
}

TEST_F(NetSendTest, RequestsCutOffByAStopAreFreedAndLogged)
{
    // The first request waits on a receiver that never answers, long past
    // the stop; the others wait behind it.
    SNetBoundsSeam patient = ShortNetBounds();
    patient.idleMs = patient.ackMs = 60000;
    CSeamOverride<SNetBoundsSeam> longBounds(g_netBoundsSeam, patient);
    CLoopbackPort silent(4);
    ASSERT_TRUE(silent.Ok());
    CLogCapture log;
    for (const wchar_t* host : {L"127.0.0.1", L"queued-a.invalid", L"queued-b.invalid"}) {
        std::unique_ptr<CNetSendRecord> request = Request(host, silent.Port(), "<NOTES/>", "L");
        ASSERT_TRUE(PostNetSendRequest(request));
    }
    ASSERT_TRUE(PumpUntil([this] { return !m_recorder.statuses.empty(); }));
    Sleep(300);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(StopNetwork(), 1);
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_EQ(m_recorder.statuses.size(), 1u) << "only the first one started";
    m_recorder.statuses.clear();
    EXPECT_EQ(CNetSendRecord::LiveCount(), m_liveBefore);
    EXPECT_TRUE(log.Contains(L"SendThreadFunc - sending to 127.0.0.1 given up: the network stopped"));
    EXPECT_TRUE(log.Contains(L"SendThreadFunc - note for queued-a.invalid not sent: the network stopped"));
    EXPECT_TRUE(log.Contains(L"SendThreadFunc - note for queued-b.invalid not sent: the network stopped"));
    ASSERT_EQ(StartNetwork(), 1);   // for the tear-down
}

// Thread starts that fail at a chosen call; the started ones are watched
// through a handle of the test's own.
struct SThreadStarts {
    int failingCall = 0;
    int calls = 0;
    std::vector<HANDLE> started;   // the handles StartNetwork was given
    std::vector<HANDLE> watched;   // duplicates of them
};
SThreadStarts g_threadStarts;

uintptr_t ScriptedThreadStart(void* security, unsigned stackSize, unsigned(__stdcall* function)(void*),
                              void* argument, unsigned flags, unsigned* threadId)
{
    if (++g_threadStarts.calls == g_threadStarts.failingCall) {
        errno = EAGAIN;
        return 0;
    }
    const uintptr_t thread = _beginthreadex(security, stackSize, function, argument, flags, threadId);
    HANDLE watched = nullptr;
    if (thread && DuplicateHandle(GetCurrentProcess(), reinterpret_cast<HANDLE>(thread), GetCurrentProcess(),
                                  &watched, SYNCHRONIZE, FALSE, 0)) {
        g_threadStarts.started.push_back(reinterpret_cast<HANDLE>(thread));
        g_threadStarts.watched.push_back(watched);
    }
    return thread;
}

// The process's valid handle values, found by trying each.
std::vector<HANDLE> OpenHandles()
{
    std::vector<HANDLE> open;
    for (uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            open.push_back(reinterpret_cast<HANDLE>(value));
    }
    return open;
}

TEST_F(NetSendTest, AThreadThatDoesNotStartUndoesTheStart)
{
    ASSERT_EQ(StopNetwork(), 1);
    const std::vector<HANDLE> handlesBefore = OpenHandles();
    for (const int failingCall : {1, 2}) {   // the listener, the sender
        g_threadStarts = SThreadStarts();
        g_threadStarts.failingCall = failingCall;
        CLogCapture log;
        {
            const CSeamOverride<SNetThreadSeam> starts(g_netThreadSeam, {&ScriptedThreadStart});
            EXPECT_EQ(StartNetwork(), 0) << failingCall;
        }
        EXPECT_EQ(g_threadStarts.calls, 2) << failingCall;
        for (size_t at = 0; at < g_threadStarts.watched.size(); ++at) {
            EXPECT_EQ(WaitForSingleObject(g_threadStarts.watched[at], 0), WAIT_OBJECT_0) << "still runs";
            DWORD flags = 0;
            EXPECT_FALSE(GetHandleInformation(g_threadStarts.started[at], &flags)) << "handle kept";
            CloseHandle(g_threadStarts.watched[at]);
        }
        EXPECT_EQ(ConnectLoopback(m_port), INVALID_SOCKET) << "the listener still listens";
        std::unique_ptr<CNetSendRecord> request = Request(L"127.0.0.1", m_port, "<NOTES/>", "L");
        EXPECT_FALSE(PostNetSendRequest(request)) << "the sender's queue is still named";
        request.reset();
        EXPECT_EQ(StopNetwork(), 0) << "nothing runs, nothing to stop";
        EXPECT_EQ(log.Lines().size(), 1u);
        EXPECT_EQ(log.Lines().front().rfind(L"StartNetwork - the LAN threads did not start", 0), 0u);
    }
    EXPECT_EQ(OpenHandles(), handlesBefore) << "the events or thread handles were not all closed";

    // A later start stands on its own.
    ASSERT_EQ(StartNetwork(), 1);
    ExpectListenerServes("a start after failed ones");
    Send(Request(L"127.0.0.1", m_port, "<NOTES/>", "L"));
    ASSERT_EQ(m_recorder.statuses.size(), 2u);
    EXPECT_EQ(m_recorder.statuses[1].code, kNetSendDeliveredCode);
}

}  // namespace
