#include "WinSockX.h"
#include "detect.h"

#include "NetLists.h"
#include "foundation/LogFile.h"
#include "foundation/ShellServices.h"
#include "framework/KernelHandle.h"
#include "framework/WaitCursor.h"

#include <cstring>
#include <vector>

SMailslotNamesSeam g_mailslotNamesSeam = {L"\\\\.\\mailslot\\QuilletDetect", L"\\\\*\\mailslot\\QuilletDetect"};
SDetectBoundsSeam g_detectBoundsSeam = {64, 256, 1000};

namespace {

constexpr DWORD kReadTimeoutMs = 30000;
// A message is read through this much, so that one of another size is
// seen and dropped whole: Windows keeps messages to the slot's maximum, Wine
// neither does nor reports their size right.
constexpr DWORD kScratchBytes = 4096;
// Enough for any slot a flood can fill between two closes.
constexpr int kMaxDrainedMessages = 4096;

struct SDiscovery {
    CKernelHandle slot;
    std::map<ULONG, InstanceRecord> instances;
    bool floodLogged = false;
};

SDiscovery& Discovery()
{
    static SDiscovery discovery;
    return discovery;
}

// The program file's version as the record carries it; 0 when unreadable.
DWORD OwnVersion()
{
    VS_FIXEDFILEINFO info = {};
    if (!GetOwnFileVersion(info))
        return 0;
    const DWORD major = HIWORD(info.dwFileVersionMS) & 0xFF;
    const DWORD minor = LOWORD(info.dwFileVersionMS) & 0xFF;
    return major | minor << 8 | static_cast<DWORD>(LOWORD(info.dwFileVersionLS)) << 16;
}

InstanceRecord OwnRecord()
{
    InstanceRecord record = {};
    record.version = OwnVersion();
    wchar_t user[128] = {};
    DWORD size = 128;
    if (GetUserNameW(user, &size) &&
        WideCharToMultiByte(CP_THREAD_ACP, 0, user, -1, record.userName, sizeof record.userName - 1, nullptr,
                            nullptr) == 0)
        record.userName[0] = '\0';
    if (gethostname(record.hostName, 127) != 0)
        record.hostName[0] = '\0';
    record.address = CWinSockX::GetLocalAddress();
    return record;
}

// A name of the record, which a peer may have left unterminated.
CStdStr RecordText(const char (&text)[128])
{
    const int length = static_cast<int>(strnlen(text, sizeof text));
    wchar_t wide[129] = {};
    if (length > 0 && MultiByteToWideChar(CP_THREAD_ACP, 0, text, length, wide, 128) == 0)
        wide[0] = L'\0';
    return wide;
}

void AddInstance(const InstanceRecord& record)
{
    SDiscovery& discovery = Discovery();
    if (discovery.instances.count(record.address))
        return;
    if (discovery.instances.size() >= g_detectBoundsSeam.maxInstances) {
        if (!discovery.floodLogged)
            QLOG(L"More than %d other copies announced themselves; the rest are not kept",
                 static_cast<int>(g_detectBoundsSeam.maxInstances));
        discovery.floodLogged = true;
        return;
    }
    const DWORD version = record.version;
    QLOG(L"Found other QL V%d.%d Build %d instance %s (%s)", static_cast<int>(version & 0xFF),
         static_cast<int>(version >> 8 & 0xFF), static_cast<int>(version >> 16), RecordText(record.hostName).c_str(),
         DottedAddress(record.address).c_str());
    discovery.instances.emplace(record.address, record);
}

}  // namespace

void StartInstanceDetection()
{
    SDiscovery& discovery = Discovery();
    if (!discovery.slot) {
        discovery.slot.Reset(CreateMailslotW(g_mailslotNamesSeam.server, sizeof(InstanceRecord), kReadTimeoutMs,
                                             nullptr));
        if (!discovery.slot)
            QLOG(L"CreateMailslot failed: %08lx", GetLastError());
    }
    AnnounceInstance();
}

void AnnounceInstance()
{
    const CKernelHandle broadcast(CreateFileW(g_mailslotNamesSeam.broadcast, GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!broadcast)
        return;
    const InstanceRecord record = OwnRecord();
    DWORD written = 0;
    WriteFile(broadcast.Get(), &record, sizeof record, &written, nullptr);
}

bool CheckMailSlot(InstanceRecord& record)
{
    SDiscovery& discovery = Discovery();
    // Its creation was logged once; a line every 15 s would say nothing new.
    if (!discovery.slot)
        return false;
    DWORD next = 0;
    if (!GetMailslotInfo(discovery.slot.Get(), nullptr, &next, nullptr, nullptr)) {
        QLOG(L"GetMailslotInfo failed: %08lx", GetLastError());
        return false;
    }
    if (next == MAILSLOT_NO_MESSAGE) {
        AnnounceInstance();
        return false;
    }
    char scratch[kScratchBytes];
    DWORD read = 0;
    if (!ReadFile(discovery.slot.Get(), scratch, sizeof scratch, &read, nullptr)) {
        QLOG(L"ReadFile error: %d", static_cast<int>(GetLastError()));
        return false;
    }
    if (read != sizeof record) {
        QLOG(L"CheckMailSlot did not read the correct number of bytes!");
        AnnounceInstance();
        return false;
    }
    std::memcpy(&record, scratch, sizeof record);
    return true;
}

void ReadDetectedInstances()
{
    for (int i = 0; i < g_detectBoundsSeam.messagesPerRead; ++i) {
        InstanceRecord record;
        if (!CheckMailSlot(record))
            return;
        AddInstance(record);
    }
}

void ScanForInstances()
{
    const CWaitCursor wait;
    AnnounceInstance();
    Sleep(g_detectBoundsSeam.scanWaitMs);
    ReadDetectedInstances();
    CNetLists& lists = NetLists();
    lists.RemoveDuplicateAliases();
    std::map<ULONG, InstanceRecord> unnamed = Discovery().instances;
    for (const SAlias& alias : lists.Aliases())
        unnamed.erase(CWinSockX::Resolve(alias.address.c_str()));
    for (const auto& [address, record] : unnamed) {
        const CStdStr host = RecordText(record.hostName);
        const CStdStr target = CWinSockX::Resolve(host.c_str()) == address ? host : DottedAddress(address);
        lists.AddAlias(target.c_str(), host.c_str(), kFromPeer);
    }
}

void CloseMailSlots()
{
    SDiscovery& discovery = Discovery();
    if (!discovery.slot)
        return;
    InstanceRecord record;
    for (int i = 0; i < kMaxDrainedMessages && CheckMailSlot(record); ++i) {
    }
    discovery.slot.Reset();
}

const std::map<ULONG, InstanceRecord>& DetectedInstances()
{
    return Discovery().instances;
}
