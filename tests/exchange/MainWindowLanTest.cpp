// The main window's side of the LAN: transfer reports into the send history
// and their boxes, received notes made or refused, the failure box after the
// listener has its answer, and the lists loaded and stored at start and end.
#include "ExchangeTestSupport.h"
#include "LanTestSupport.h"
#include "MainWindowTestSupport.h"

#include <mmsystem.h>

#include <string>
#include <vector>

#include "exchange/NetLists.h"
#include "exchange/NetSendRecord.h"
#include "foundation/DataPaths.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "shell/mainwnd.h"
#include "shell/shellsvc.h"
#include "shell/startcalls.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/ComApartment.h"
#include "tests/support/TestDir.h"

namespace {

std::unique_ptr<CNetSendRecord> ReceivedXml(const std::string& xml, const wchar_t* sender)
{
    return CNetSendRecord::Make(nullptr, L"", 0, nullptr, 0, xml.c_str(), xml.size() + 1, sender);
}

std::wstring FailureText(const wchar_t* sender)
{
    return std::wstring(L"Failed to receive note from external host ") + sender;
}

// The main window with a send history of the test's own.
class MainWindowLanTest : public CMainWindowTest {
protected:
    void SetUp() override
    {
        CMainWindowTest::SetUp();
        NetLists().LoadNetSends(m_dir.File(L"ALIAS.INI").c_str());
        m_liveBefore = CNetSendRecord::LiveCount();
    }

    void TearDown() override
    {
        PumpPosted();
        EXPECT_EQ(CNetSendRecord::LiveCount(), m_liveBefore);
        CMainWindowTest::TearDown();
    }

    LRESULT Send(UINT message, WPARAM wParam, std::unique_ptr<CNetSendRecord> record)
    {
        return SendMessageW(m_window, message, wParam, ReleaseNetSendRecord(std::move(record)));
    }

    int HistoryStatus(const wchar_t* host) const
    {
        SNetSend entry;
        for (int i = 0; NetLists().GetNetSend(i, entry); ++i)
            if (entry.host == host)
                return entry.status;
        return -1;
    }

    long m_liveBefore = 0;
};

TEST_F(MainWindowLanTest, TransferReportsGoIntoTheHistory)
{
    struct Case {
        WPARAM status;
        const wchar_t* host;
        int expected;
        bool box;
    };
    const Case cases[] = {
        {static_cast<WPARAM>(-1), L"pc-started", kNetSendSending, false},
        {static_cast<WPARAM>(-2), L"pc-delivered", kNetSendSent, false},
        {0xFFFFFFFF, L"pc-started-32", kNetSendSending, false},   // the sender's code is 32 bits wide
        {0, L"pc-closed", kNetSendFailed, false},                  // failed without a reason to show
        {WSAECONNREFUSED, L"pc-refused", kNetSendFailed, true},
    };
    const BYTE legacy[] = {1, 2, 3};
    CLogCapture log;
    for (const Case& c : cases) {
        m_boxes.SetAnswer(IDOK);
        const size_t boxesBefore = m_boxes.ShownTexts().size();
        auto record = CNetSendRecord::Make(m_window, c.host, 3023, legacy, 3, "<NOTES/>", 9, L"");
        EXPECT_EQ(Send(WM_NETSEND_STATUS, c.status, std::move(record)), 0);
        EXPECT_EQ(HistoryStatus(c.host), c.expected) << c.status;
        EXPECT_EQ(CNetSendRecord::LiveCount(), m_liveBefore) << c.status;
        ASSERT_EQ(m_boxes.ShownTexts().size(), boxesBefore + (c.box ? 1 : 0)) << c.status;
        MSG nudge;
        EXPECT_EQ(PeekMessageW(&nudge, m_window, WM_FOREGROUND_NUDGE, WM_FOREGROUND_NUDGE, PM_REMOVE) != FALSE,
                  c.box)
            << c.status;
    }
    EXPECT_EQ(m_boxes.ShownTexts().back(), L"Error sending note to pc-refused");
    EXPECT_TRUE(log.Contains(L"Sending note to pc-closed failed - 0"));
    EXPECT_TRUE(log.Contains(L"Sending note to pc-refused failed - 10061"));

    const int entries = NetLists().GetNetSendCount();
    EXPECT_EQ(SendMessageW(m_window, WM_NETSEND_STATUS, WSAECONNREFUSED, 0), 0);   // no record: nothing
    EXPECT_EQ(NetLists().GetNetSendCount(), entries);
}

TEST_F(MainWindowLanTest, ANoteThatDoesNotReadIsRefusedWithItsBoxAfterwards)
{
    struct Case {
        const char* what;
        std::unique_ptr<CNetSendRecord> record;
        const wchar_t* sender;
    };
    const BYTE nothing[] = {0};
    const BYTE junk[] = {'S', 'T', 'I', 'C', 0xFF};
    Case cases[] = {
        {"garbage", ReceivedXml("this is not a note", L"alice"), L"alice"},
        {"a DTD",
         ReceivedXml("<?xml version=\"1.0\"?>\r\n<!DOCTYPE NOTES [<!ENTITY e \"x\">]>\r\n"
                     "<NOTES><note><text>&e;</text></note></NOTES>",
                     L"bob"),
         L"bob"},
        {"empty text", CNetSendRecord::Make(nullptr, L"", 0, nullptr, 0, "", 0, L"carol"), L"carol"},
        {"not UTF-8", ReceivedXml("\xC3\x28<NOTES><note/></NOTES>", L"dave"), L"dave"},
        {"legacy of length 0", CNetSendRecord::Make(nullptr, L"", 0, nothing, 0, nullptr, 0, L"erin"), L"erin"},
        {"legacy that does not read", CNetSendRecord::Make(nullptr, L"", 0, junk, 5, nullptr, 0, L"frank"), L"frank"},
        {"a format for a name", ReceivedXml("junk", L"%s%n"), L"%s%n"},
    };
    for (Case& c : cases) {
        ASSERT_TRUE(c.record) << c.what;
        const size_t boxesBefore = m_boxes.ShownTexts().size();
        const long liveBefore = CNetSendRecord::LiveCount();
        EXPECT_EQ(Send(WM_NOTE_RECEIVED, 0, std::move(c.record)), 0) << c.what;
        // The listener has its answer before any box shows.
        EXPECT_EQ(m_boxes.ShownTexts().size(), boxesBefore) << c.what;
        PumpPosted();
        ASSERT_EQ(m_boxes.ShownTexts().size(), boxesBefore + 1) << c.what;
        EXPECT_EQ(m_boxes.ShownTexts().back(), FailureText(c.sender)) << c.what;
        EXPECT_EQ(CNetSendRecord::LiveCount(), liveBefore - 1) << c.what;
    }
    EXPECT_EQ(m_manager.GetNoteCount(), 0);
    EXPECT_TRUE(CRecordedSound::Commands().empty());
    EXPECT_EQ(SendMessageW(m_window, WM_NOTE_RECEIVED, 0, 0), 0);   // no record: nothing
}

TEST_F(MainWindowLanTest, FailuresWhileABoxIsPendingAreOnlyLogged)
{
    CLogCapture log;
    EXPECT_EQ(Send(WM_NOTE_RECEIVED, 0, ReceivedXml("junk", L"first")), 0);
    EXPECT_EQ(Send(WM_NOTE_RECEIVED, 0, ReceivedXml("junk", L"second")), 0);
    PumpPosted();
    EXPECT_EQ(m_boxes.ShownTexts(), std::vector<std::wstring>{FailureText(L"first")});
    EXPECT_TRUE(log.Contains(L"Failed to receive note from external host second"));

    EXPECT_EQ(Send(WM_NOTE_RECEIVED, 0, ReceivedXml("junk", L"third")), 0);   // the box has gone
    PumpPosted();
    EXPECT_EQ(m_boxes.ShownTexts().size(), 2u);
}

TEST_F(MainWindowLanTest, AReceivedNoteIsStoredShownAndAnnouncedWithoutWhatActs)
{
    // The note's window needs the program's note class.
    ASSERT_TRUE(NoteClassesRegistered());
    wchar_t savedSound[CPreferences::kPathChars] = {};
    wcscpy_s(savedSound, g_prefs.NoteReceived);
    wcscpy_s(g_prefs.NoteReceived, L"C:\\Sounds\\received.wav");
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<NOTES>\r\n<note>\r\n"
        "<visible>1</visible>\r\n<text>hello</text>\r\n"
        "<alarm_executecmd>calc.exe</alarm_executecmd>\r\n"
        "<alarm_soundfile>\\\\server\\share\\ring.wav</alarm_soundfile>\r\n"
        "<alarm_alarmflags>100</alarm_alarmflags>\r\n"   // 0x64: alarm set, run the command, own sound
        "<group>7</group>\r\n</note>\r\n</NOTES>";
    const LRESULT result = Send(WM_NOTE_RECEIVED, 0, ReceivedXml(xml, L"alice"));
    wcscpy_s(g_prefs.NoteReceived, savedSound);

    EXPECT_EQ(result, 1);
    ASSERT_EQ(m_manager.GetNoteCount(), 1);
    const std::vector<std::int64_t> ids = m_manager.GetAllNoteIDs();
    CNote* const note = m_manager.GetNote(ids.front());
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->Row().text, L"hello");
    ExpectReceivedSafely(*note);
    ASSERT_FALSE(CRecordedSound::Commands().empty());
    EXPECT_EQ(CRecordedSound::Commands().front(), L"open \"C:\\Sounds\\received.wav\" type waveaudio alias sound");
    PumpPosted();
    EXPECT_TRUE(m_boxes.ShownTexts().empty());
}

TEST_F(MainWindowLanTest, ListsOfALongUsedFileSurviveStartAndEnd)
{
    ASSERT_TRUE(SetDataFilePaths(m_dir.File(L"RERUZADU.INI").c_str()));
    const std::wstring path = GetDataPath(EDataPath::AliasList);
    WriteListsFixture(path);
    const auto before = ReadProfileSection(L"Aliases", path.c_str());
    ASSERT_EQ(LoadNetSends(), 1);
    ASSERT_EQ(StoreNetSends(), 1);
    const auto after = ReadProfileSection(L"Aliases", path.c_str());
    ASSERT_EQ(after.size(), 300u);
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(after[i].key + L"=" + after[i].value, before[i].key + L"=" + before[i].value) << i;
    EXPECT_EQ(ReadProfileSection(L"IgnoreList", path.c_str()).size(), 40u);
    EXPECT_EQ(ReadPrivateProfileInt(L"NetSends", L"NumStored", 0, path.c_str()), 40);   // unchanged, not rewritten
}

// The network running for the test's main window, on a port of its own.
class MainWindowNetworkTest : public MainWindowLanTest {
protected:
    void SetUp() override
    {
        MainWindowLanTest::SetUp();
        ASSERT_TRUE(NoteClassesRegistered());
        ASSERT_TRUE(m_sockets.Started());
        m_savedPort = g_prefs.NetworkPort;
        m_port = FreePort();
        g_prefs.NetworkPort = m_port;
        ASSERT_EQ(StartNetwork(), 1);
    }
    void TearDown() override
    {
        StopNetwork();
        g_prefs.NetworkPort = m_savedPort;
        MainWindowLanTest::TearDown();
    }

    std::string Exchange(const std::string& bytes)
    {
        std::string reply;
        CPeer peer([&] {
            const SOCKET socket = ConnectLoopback(m_port);
            SendBytes(socket, bytes);
            reply = ReceiveAll(socket);
            closesocket(socket);
        });
        EXPECT_TRUE(peer.Finish());
        return reply;
    }

    CWinSockSession m_sockets;
    CSeamOverride<SNetBoundsSeam> m_bounds{g_netBoundsSeam, ShortNetBounds()};
    int m_port = 0;
    int m_savedPort = 0;
};

TEST_F(MainWindowNetworkTest, APeersNoteArrivesWithoutWhatActsAndJunkIsNotAcknowledged)
{
    const std::string xml = std::string(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<NOTES>\r\n<note>\r\n"
        "<visible>1</visible>\r\n<text>from afar</text>\r\n"
        "<alarm_executecmd>calc.exe</alarm_executecmd>\r\n"
        "<alarm_soundfile>\\\\server\\share\\ring.wav</alarm_soundfile>\r\n"
        "<alarm_alarmflags>100</alarm_alarmflags>\r\n"
        "<group>7</group>\r\n</note>\r\n</NOTES>") + '\0';
    EXPECT_EQ(Exchange(WireNote(true, xml, "127.0.0.1", "alice")), "QLSENDXMLOKQLSENDACK");
    ASSERT_EQ(m_manager.GetNoteCount(), 1);
    CNote* const note = m_manager.GetNote(m_manager.GetAllNoteIDs().front());
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->Row().text, L"from afar");
    ExpectReceivedSafely(*note);

    const std::string refused[] = {
        std::string("this is not a note") + '\0',
        std::string("<?xml version=\"1.0\"?>\r\n<!DOCTYPE NOTES [<!ENTITY e \"x\">]>\r\n"
                    "<NOTES><note><text>&e;</text></note></NOTES>") + '\0',
    };
    for (const std::string& body : refused) {
        m_boxes.SetAnswer(IDOK);
        const size_t boxes = m_boxes.ShownTexts().size();
        EXPECT_EQ(Exchange(WireNote(true, body, "127.0.0.1", "mallory")), "QLSENDXMLOK");
        PumpPosted();
        ASSERT_EQ(m_boxes.ShownTexts().size(), boxes + 1);
        EXPECT_EQ(m_boxes.ShownTexts().back(), FailureText(L"mallory"));
    }
    EXPECT_EQ(m_manager.GetNoteCount(), 1);
}

TEST_F(MainWindowNetworkTest, ANoteSentToThisMachineComesBackWithItsTextWhole)
{
    const std::wstring text = L"Za\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144 \u0130stanbul \u015F\u0131k "
                              L"Ti\u1EBFng Vi\u1EC7t \u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC "
                              L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439 \u4E2D\u6587\u65E5\u672C\u8A9E "
                              L"\U0001F600\U0001F389";
    CNote* const note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    note->SetText(text);
    ASSERT_TRUE(note->UpdateFromWindow());
    const std::int64_t sentId = note->GetId();
    EXPECT_EQ(note->NetSend(L"127.0.0.1"), 0);
    ASSERT_TRUE(PumpUntil([this] { return m_manager.GetNoteCount() == 2 && HistoryStatus(L"127.0.0.1") == kNetSendSent; }));
    for (const std::int64_t id : m_manager.GetAllNoteIDs()) {
        if (id == sentId)
            continue;
        CNote* const received = m_manager.GetNote(id);
        ASSERT_NE(received, nullptr);
        EXPECT_EQ(received->Row().text, text);
    }
    EXPECT_TRUE(m_boxes.ShownTexts().empty());
}

TEST_F(MainWindowNetworkTest, SendsThatCannotGoAreReportedAsFailed)
{
    CNote* const note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    CLogCapture log;
    // A blank recipient would resolve to this machine.
    m_boxes.SetAnswer(IDOK);
    EXPECT_EQ(note->NetSend(L"  "), 0);
    EXPECT_TRUE(log.Contains(L"Sending note to  failed - 10022"));
    ASSERT_EQ(m_boxes.ShownTexts().size(), 1u);
    EXPECT_EQ(m_boxes.ShownTexts().back(), L"Error sending note to ");
    // No record holds the name: cut, it would be another machine.
    m_boxes.SetAnswer(IDOK);
    const std::wstring longName(300, L'h');
    EXPECT_EQ(note->NetSend(longName.c_str()), 0);
    ASSERT_EQ(m_boxes.ShownTexts().size(), 2u);
    EXPECT_EQ(m_boxes.ShownTexts().back(), L"Error sending note to " + longName);
    EXPECT_TRUE(log.Contains(L"NetSend - a recipient of 300 characters is too long"));
    // Past the body's bound (shortened here) nothing is queued.
    {
        SNetBoundsSeam small = ShortNetBounds();
        small.maxBodyBytes = 16;
        const CSeamOverride<SNetBoundsSeam> bounds(g_netBoundsSeam, small);
        m_boxes.SetAnswer(IDOK);
        EXPECT_EQ(note->NetSend(L"pc-big"), 0);
    }
    ASSERT_EQ(m_boxes.ShownTexts().size(), 3u);
    EXPECT_EQ(m_boxes.ShownTexts().back(), L"Error sending note to pc-big");
    EXPECT_EQ(HistoryStatus(L"pc-big"), kNetSendFailed);
    EXPECT_TRUE(log.Contains(L"NetSend - the note for pc-big cannot be sent: it is empty or too large"));
    EXPECT_TRUE(log.Contains(L"Sending note to pc-big failed - 10022"));
    // The network stopped: nobody would take the request.
    ASSERT_EQ(StopNetwork(), 1);
    m_boxes.SetAnswer(IDOK);
    EXPECT_EQ(note->NetSend(L"pc-stopped"), 0);
    EXPECT_EQ(HistoryStatus(L"pc-stopped"), kNetSendFailed);
    EXPECT_TRUE(log.Contains(L"Sending note to pc-stopped failed - 10050"));
    ASSERT_EQ(StartNetwork(), 1);
}

// Last, in a suite of its own after every other: the closing flag stays set
// for the rest of the process.
using MainWindowClosedTest = MainWindowLanTest;

TEST_F(MainWindowClosedTest, AfterTheCloseNothingIsMadeOrShown)
{
    SendMessageW(m_window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsMainWindowClosing());
    EXPECT_FALSE(OnNoteReceived(ReceivedXml("junk", L"late").release()));
    PumpPosted();
    EXPECT_TRUE(m_boxes.ShownTexts().empty());
}

}  // namespace
