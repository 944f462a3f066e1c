// Peer discovery through a mailslot of the test's own: the records the test
// writes are read, bounded and turned into aliases; odd messages and floods
// are dropped.
#include "ExchangeTestSupport.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "exchange/NetLists.h"
#include "exchange/detect.h"
#include "foundation/Seams.h"
#include "framework/KernelHandle.h"
#include "tests/support/TestDir.h"

namespace {

std::wstring SlotName(const wchar_t* what)
{
    return std::wstring(L"\\\\.\\mailslot\\QuilletTest") + what + std::to_wstring(GetCurrentProcessId()) +
           L"_" + std::to_wstring(GetTickCount64());
}

std::vector<BYTE> RecordBytes(const char* user, const char* host, const char* address, const BYTE version[4])
{
    std::vector<BYTE> bytes(284, 0);
    std::memcpy(bytes.data(), version, 4);
    std::memcpy(bytes.data() + 4, user, std::strlen(user));
    std::memcpy(bytes.data() + 132, host, std::strlen(host));
    const ULONG value = inet_addr(address);
    std::memcpy(bytes.data() + 276, &value, 4);
    return bytes;
}

size_t CountLines(const CLogCapture& log, const std::wstring& start)
{
    const std::vector<std::wstring> lines = log.Lines();
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::wstring& line) {
        return line.compare(0, start.size(), start) == 0;
    }));
}

class DetectTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_sockets.Started());
        StartInstanceDetection();
    }
    void TearDown() override { CloseMailSlots(); }

    void Write(const std::vector<BYTE>& bytes)
    {
        const CKernelHandle slot(CreateFileW(m_server.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(slot);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(slot.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }

    void WriteRecord(const char* host, const char* address)
    {
        const BYTE version[4] = {3, 2, 7, 0};
        Write(RecordBytes("bob", host, address, version));
    }

    CWinSockSession m_sockets;
    const std::wstring m_server = SlotName(L"Detect");
    // Announcements go nowhere unless a test says otherwise.
    const std::wstring m_broadcast = SlotName(L"Nobody");
    CSeamOverride<SMailslotNamesSeam> m_names{g_mailslotNamesSeam, {m_server.c_str(), m_broadcast.c_str()}};
    CSeamOverride<SDetectBoundsSeam> m_bounds{g_detectBoundsSeam, {64, 256, 0}};
};

TEST_F(DetectTest, AGoldenRecordIsReadWithItsVersionNamesAndAddress)
{
    CLogCapture log;
    const BYTE version[4] = {3, 2, 0x39, 0x05};   // build 1337
    Write(RecordBytes("bob", "PC1", "10.0.0.5", version));
    ReadDetectedInstances();
    EXPECT_TRUE(log.Contains(L"Found other QL V3.2 Build 1337 instance PC1 (10.0.0.5)"));
    const auto found = DetectedInstances().find(inet_addr("10.0.0.5"));
    ASSERT_NE(found, DetectedInstances().end());
    EXPECT_STREQ(found->second.userName, "bob");
    EXPECT_STREQ(found->second.hostName, "PC1");
}

TEST_F(DetectTest, OwnAnnouncementCarriesThisMachine)
{
    CSeamOverride<SMailslotNamesSeam> toSelf(g_mailslotNamesSeam, {m_server.c_str(), m_server.c_str()});
    AnnounceInstance();
    InstanceRecord record = {};
    ASSERT_TRUE(CheckMailSlot(record));
    EXPECT_EQ(record.address, CWinSockX::GetLocalAddress());
    char host[128] = {};
    ASSERT_EQ(gethostname(host, sizeof host), 0);
    EXPECT_STREQ(record.hostName, host);
    EXPECT_NE(record.userName[0], '\0');
    const BYTE zero[16] = {};
    EXPECT_EQ(std::memcmp(record.reserved1, zero, 16), 0);
    EXPECT_EQ(std::memcmp(record.reserved2, zero, 4), 0);
}

TEST_F(DetectTest, KnownAddressesAndOddSizesAreTakenInOnce)
{
    CLogCapture log;
    WriteRecord("PC20", "10.0.0.20");
    Write(std::vector<BYTE>(100, 'a'));
    WriteRecord("PC20-again", "10.0.0.20");
    Write(std::vector<BYTE>(300, 'b'));
    WriteRecord("PC21", "10.0.0.21");
    struct {
        InstanceRecord record;
        BYTE guard[64];
    } read;
    std::memset(&read, 0xCC, sizeof read);
    for (int i = 0; i < 5; ++i) {
        while (CheckMailSlot(read.record)) {
            // What ReadDetectedInstances does with each record.
            const std::string host(read.record.hostName);
            EXPECT_TRUE(host == "PC20" || host == "PC20-again" || host == "PC21") << host;
        }
        EXPECT_TRUE(std::all_of(read.guard, read.guard + 64, [](BYTE b) { return b == 0xCC; }));
    }
    EXPECT_EQ(CountLines(log, L"CheckMailSlot did not read the correct number of bytes!"), 2u);

    // Again through the read, which takes them into the map.
    log.Clear();
    WriteRecord("PC20", "10.0.0.20");
    Write(std::vector<BYTE>(100, 'a'));
    WriteRecord("PC20-again", "10.0.0.20");
    Write(std::vector<BYTE>(300, 'b'));
    WriteRecord("PC21", "10.0.0.21");
    for (int i = 0; i < 4; ++i)
        ReadDetectedInstances();
    EXPECT_EQ(CountLines(log, L"Found other QL"), 2u);
    EXPECT_TRUE(log.Contains(L"Found other QL V3.2 Build 7 instance PC20 (10.0.0.20)"));
    EXPECT_TRUE(log.Contains(L"Found other QL V3.2 Build 7 instance PC21 (10.0.0.21)"));
    EXPECT_STREQ(DetectedInstances().at(inet_addr("10.0.0.20")).hostName, "PC20");
}

TEST_F(DetectTest, UnterminatedNamesAreReadWithinTheirFields)
{
    CLogCapture log;
    const BYTE version[4] = {1, 0, 1, 0};
    std::vector<BYTE> bytes = RecordBytes("", "", "10.0.0.30", version);
    std::memset(bytes.data() + 4, 'U', 128);
    std::memset(bytes.data() + 132, 'H', 128);
    std::memset(bytes.data() + 260, 'R', 16);
    Write(bytes);
    ReadDetectedInstances();
    EXPECT_TRUE(log.Contains(L"Found other QL V1.0 Build 1 instance " + std::wstring(128, L'H') + L" (10.0.0.30)"));
}

TEST_F(DetectTest, ANameTakenByAnotherCopyIsLoggedOnce)
{
    CloseMailSlots();
    const CKernelHandle other(CreateMailslotW(m_server.c_str(), 284, 0, nullptr));
    ASSERT_TRUE(other);
    CLogCapture log;
    StartInstanceDetection();
    ReadDetectedInstances();
    ReadDetectedInstances();
    EXPECT_EQ(CountLines(log, L"CreateMailslot failed: 000000b7"), 1u);
    EXPECT_EQ(log.Lines().size(), 1u);
}

TEST_F(DetectTest, DetectedCopiesBecomeAliasesUnlessOneReachesThemAlready)
{
    CTestDir dir;
    NetLists().LoadNetSends(dir.File(L"ALIAS.INI").c_str());
    ASSERT_TRUE(NetLists().AddAlias(L"10.0.0.40", L"known", kFromPeer));
    WriteRecord("PC40", "10.0.0.40");
    WriteRecord("localhost", "127.0.0.1");
    WriteRecord("nohost.invalid", "10.0.0.41");
    ScanForInstances();
    const std::vector<SAlias>& aliases = NetLists().Aliases();
    const auto has = [&](const wchar_t* name, const wchar_t* address) {
        return std::any_of(aliases.begin(), aliases.end(),
                           [&](const SAlias& alias) { return alias.name == name && alias.address == address; });
    };
    EXPECT_TRUE(has(L"localhost", L"localhost"));          // the name reaches it
    EXPECT_TRUE(has(L"nohost.invalid", L"10.0.0.41"));     // the name does not resolve
    EXPECT_FALSE(std::any_of(aliases.begin(), aliases.end(), [](const SAlias& alias) { return alias.name == L"PC40"; }));
    const size_t count = aliases.size();
    ScanForInstances();   // nothing new
    EXPECT_EQ(NetLists().Aliases().size(), count);
}

// Last: a flood fills the map to its bound for the rest of the process.
TEST_F(DetectTest, AFloodIsTakenInBoundedReadsAndKeptToTheBound)
{
    const size_t before = DetectedInstances().size();
    CSeamOverride<SDetectBoundsSeam> bounds(g_detectBoundsSeam, {8, before + 20, 0});
    for (int i = 0; i < 30; ++i) {
        CStdStrA address;
        address.Format("10.50.0.%d", i);
        WriteRecord("flood", address.c_str());
    }
    CLogCapture log;
    ReadDetectedInstances();
    EXPECT_EQ(DetectedInstances().size(), before + 8);
    for (int i = 0; i < 4; ++i)
        ReadDetectedInstances();
    EXPECT_EQ(DetectedInstances().size(), before + 20);
    EXPECT_EQ(CountLines(log, L"Found other QL"), 20u);
    EXPECT_EQ(CountLines(log, L"More than"), 1u);
}

}  // namespace
