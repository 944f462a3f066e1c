#include "WinSockX.h"
#include "netsend.h"

#include "NetLists.h"
#include "foundation/AppWindow.h"
#include "foundation/DataPaths.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/PumpingWait.h"
#include "foundation/ResModule.h"
#include "framework/GlobalMemory.h"
#include "framework/KernelHandle.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"

#include <process.h>
#include <sec_api/stdio_s.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

SNetBoundsSeam g_netBoundsSeam = {5000, 30000, 120000, 60000, 10000, 32 * 1024 * 1024};

namespace {

uintptr_t BeginCrtThread(void* security, unsigned stackSize, unsigned(__stdcall* function)(void*), void* argument,
                         unsigned flags, unsigned* threadId)
{
    return _beginthreadex(security, stackSize, function, argument, flags, threadId);
}

}  // namespace

SNetThreadSeam g_netThreadSeam = {&BeginCrtThread};

namespace {

// Readiness waits come in slices this long, so a stop is seen at once.
constexpr DWORD kSliceMs = 50;
// Setting up takes the threads a moment; longer means one died.
constexpr DWORD kThreadsReadyMs = 5000;

// ---- process-wide state, the GUI thread's
struct SNetwork {
    bool socketsStarted = false;
    CKernelHandle stop;
    CKernelHandle listener;
    CKernelHandle sender;
    DWORD senderId = 0;
};

SNetwork& Network()
{
    static SNetwork network;
    return network;
}

// Each thread sets its ready event once it is set up (or has failed to).
struct SListenerStart {
    int port;
    HWND mainWindow;
    HANDLE stop;
    HANDLE ready;
};

struct SSenderStart {
    HANDLE stop;
    HANDLE ready;
};

bool IsStopped(HANDLE stop)
{
    return WaitForSingleObject(stop, 0) == WAIT_OBJECT_0;
}

// ---- waits and transfers inside a connection
// What may end a wait early: the stop event, no progress within idleMs, and
// an end for the whole connection (0 for none).
struct SLinkLimits {
    HANDLE stop;
    DWORD idleMs;
    ULONGLONG deadline;
};

SLinkLimits LimitsFor(HANDLE stop, DWORD idleMs, DWORD connectionMs = 0)
{
    return {stop, idleMs, connectionMs ? GetTickCount64() + connectionMs : 0};
}

// Until the socket can be read (or written). False with WSAEINTR on a stop,
// WSAETIMEDOUT when the time is up.
bool WaitReady(SOCKET socket, bool forWrite, const SLinkLimits& limits)
{
    ULONGLONG end = GetTickCount64() + limits.idleMs;
    if (limits.deadline != 0)
        end = std::min(end, limits.deadline);
    for (;;) {
        if (IsStopped(limits.stop)) {
            WSASetLastError(WSAEINTR);
            return false;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            WSASetLastError(WSAETIMEDOUT);
            return false;
        }
        const DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(kSliceMs, end - now));
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(socket, &ready);
        timeval wait = {0, static_cast<long>(slice * 1000)};
        const int result = select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, nullptr, &wait);
        if (result == SOCKET_ERROR)
            return false;
        if (result > 0)
            return true;
    }
}

// Every byte, or false: a closed peer leaves the error at 0.
bool ReceiveExactly(SOCKET socket, char* bytes, int count, const SLinkLimits& limits)
{
    while (count > 0) {
        if (!WaitReady(socket, false, limits))
            return false;
        const int got = recv(socket, bytes, count, 0);
        if (got == 0)
            WSASetLastError(0);
        if (got <= 0)
            return false;
        bytes += got;
        count -= got;
    }
    return true;
}

bool SendEverything(SOCKET socket, const char* bytes, int count, const SLinkLimits& limits)
{
    while (count > 0) {
        if (!WaitReady(socket, true, limits))
            return false;
        const int sent = send(socket, bytes, count, 0);
        if (sent == SOCKET_ERROR)
            return false;
        bytes += sent;
        count -= sent;
    }
    return true;
}

bool SendText(SOCKET socket, const char* text, const SLinkLimits& limits)
{
    return SendEverything(socket, text, static_cast<int>(std::strlen(text)), limits);
}

// Exactly as many bytes as the word has, compared with it.
bool ExpectReply(const char* word, SOCKET socket, const SLinkLimits& limits)
{
    char reply[128] = {};
    const int length = static_cast<int>(std::strlen(word));
    if (length >= static_cast<int>(sizeof reply) || !ReceiveExactly(socket, reply, length, limits))
        return false;
    return std::strcmp(reply, word) == 0;
}

// ---- the listener
// Byte by byte up to the empty line, at most kMaxHeaderBytes.
void ReadHeader(SOCKET socket, const SLinkLimits& limits, char (&header)[kMaxHeaderBytes + 1])
{
    int count = 0;
    while (count < kMaxHeaderBytes) {
        if (!ReceiveExactly(socket, header + count, 1, limits))
            break;
        ++count;
        if (count >= 2 && header[count - 1] == '\n' && header[count - 2] == '\n')
            break;
    }
    header[count] = '\0';
}

CStdStr WideSenderName(const char* name)
{
    wchar_t wide[kNetHostChars] = {};
    if (*name && MultiByteToWideChar(CP_THREAD_ACP, 0, name, -1, wide, kNetHostChars) == 0)
        wide[0] = L'\0';
    return wide;
}

CStdStr PeerAddress(SOCKET socket)
{
    sockaddr_in peer = {};
    int size = sizeof peer;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &size) == SOCKET_ERROR)
        return CStdStr();
    return DottedAddress(peer.sin_addr.s_addr);
}

// The header's address is only a claim: the connection's own counts too.
bool IsIgnored(const SSendHeader& header, const CStdStr& peer)
{
    CStdStr claimed;
    claimed.AssignNarrow(header.address);
    return NetLists().IsSenderIgnored(claimed.c_str()) || (!peer.empty() && NetLists().IsSenderIgnored(peer.c_str()));
}

int MaxBodyBytes(bool xmlForm)
{
    const int bound = g_netBoundsSeam.maxBodyBytes;
    if (!xmlForm)
        return bound;
    return static_cast<int>(std::min<size_t>(bound, CNoteManager::kReceivedNoteMaxBytes + 1));
}

void ServeConnection(SOCKET socket, const SListenerStart& start)
{
    const SLinkLimits limits = LimitsFor(start.stop, g_netBoundsSeam.idleMs, g_netBoundsSeam.connectionMs);
    const CStdStr peer = PeerAddress(socket);
    char headerBytes[kMaxHeaderBytes + 1];
    ReadHeader(socket, limits, headerBytes);
    const SSendHeader header = ParseSendHeader(headerBytes, g_netBoundsSeam.maxBodyBytes);
    const bool xmlForm = std::strcmp(header.keyword, kXmlKeyword) == 0;
    if (!xmlForm && std::strcmp(header.keyword, kLegacyKeyword) != 0) {
        QLOG(L"ReceiveThreadFunc - connection from %s closed: no note header", peer.c_str());
        return;
    }
    if (header.length == 0 || header.length > MaxBodyBytes(xmlForm)) {
        QLOG(L"ReceiveThreadFunc - connection from %s closed: a note of no or too great a length", peer.c_str());
        return;
    }
    if (xmlForm && !SendText(socket, kXmlOkReply, limits))
        return;
    if (IsIgnored(header, peer)) {
        QLOG(L"ReceiveThreadFunc - note from %S (%s) ignored", header.address, peer.c_str());
        return;
    }
    std::unique_ptr<char[]> body(new (std::nothrow) char[static_cast<size_t>(header.length)]);
    if (!body || !ReceiveExactly(socket, body.get(), header.length, limits)) {
        QLOG(L"ReceiveThreadFunc - note from %s dropped: its body did not arrive - %d", peer.c_str(),
             WSAGetLastError());
        return;
    }
    const CStdStr sender = WideSenderName(header.name);
    const BYTE* const legacy = xmlForm ? nullptr : reinterpret_cast<const BYTE*>(body.get());
    auto record = CNetSendRecord::Make(start.mainWindow, L"", 0, legacy, header.length,
                                       xmlForm ? body.get() : nullptr, static_cast<size_t>(header.length),
                                       sender.c_str());
    body.reset();
    if (!record) {
        QLOG(L"ReceiveThreadFunc - note from %s dropped: out of memory", peer.c_str());
        return;
    }
    const LRESULT made = SendMessageW(start.mainWindow, WM_NOTE_RECEIVED, 0, ReleaseNetSendRecord(std::move(record)));
    // Old senders already count a missing acknowledgement as a failure.
    if (xmlForm && made)
        SendText(socket, kAckReply, limits);
}

// The accepted socket blocking, with no event of the listener's, under the
// transfer limit.
bool PrepareAccepted(CWinSockX& connection)
{
    u_long nonBlocking = 0;
    return WSAEventSelect(connection.Socket(), nullptr, 0) != SOCKET_ERROR &&
           ioctlsocket(connection.Socket(), FIONBIO, &nonBlocking) != SOCKET_ERROR;
}

void AcceptOne(SOCKET listening, const SListenerStart& start)
{
    CWinSockX connection;
    connection.SetTimeLimits(0, g_netBoundsSeam.idleMs);
    if (!connection.Adopt(accept(listening, nullptr, nullptr))) {
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK)
            QLOG(L"ReceiveThreadFunc - accept failed - %d", error);
        return;
    }
    if (!PrepareAccepted(connection)) {
        QLOG(L"ReceiveThreadFunc - accepted socket not prepared - %d", WSAGetLastError());
        return;
    }
    ServeConnection(connection.Socket(), start);
}

SOCKET OpenListeningSocket(int port)
{
    SOCKET listening = WSASocketW(AF_INET, SOCK_STREAM, 0, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (listening == INVALID_SOCKET) {
        QLOG(L"ReceiveThreadFunc - WSASocket failed - %d", WSAGetLastError());
        return INVALID_SOCKET;
    }
    sockaddr_in any = {};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    any.sin_port = htons(static_cast<u_short>(port));
    if (bind(listening, reinterpret_cast<const sockaddr*>(&any), sizeof any) == SOCKET_ERROR) {
        QLOG(L"ReceiveThreadFunc - failed to bind to port(%d) - %d", port, WSAGetLastError());
    } else if (listen(listening, SOMAXCONN) == SOCKET_ERROR) {
        QLOG(L"ReceiveThreadFunc - listen failed - %d", WSAGetLastError());
    } else {
        return listening;
    }
    closesocket(listening);
    return INVALID_SOCKET;
}

void ListenUntilStopped(SOCKET listening, const SListenerStart& start)
{
    const CKernelHandle socketEvent(WSACreateEvent());
    if (!socketEvent || WSAEventSelect(listening, socketEvent.Get(), FD_ACCEPT | FD_CLOSE) == SOCKET_ERROR) {
        QLOG(L"ReceiveThreadFunc - WSAEventSelect failed - %d", WSAGetLastError());
        return;
    }
    const HANDLE waits[] = {socketEvent.Get(), start.stop};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        WSANETWORKEVENTS events = {};
        if (WSAEnumNetworkEvents(listening, socketEvent.Get(), &events) == SOCKET_ERROR)
            return;
        if (events.lNetworkEvents & FD_CLOSE)
            return;
        if (events.lNetworkEvents & FD_ACCEPT)
            AcceptOne(listening, start);
    }
}

// ---- the sender
void Report(HWND mainWindow, int code, std::unique_ptr<CNetSendRecord> record)
{
    SendMessageW(mainWindow, WM_NETSEND_STATUS, static_cast<WPARAM>(static_cast<DWORD>(code)),
                 ReleaseNetSendRecord(std::move(record)));
}

int LastError()
{
    const int error = WSAGetLastError();
    // A peer that closed without its answer.
    return error == 0 ? WSAECONNABORTED : error;
}

bool OpenConnection(CWinSockX& socket, const CNetSendRecord& request)
{
    socket.SetTimeLimits(g_netBoundsSeam.connectMs, g_netBoundsSeam.idleMs);
    return socket.Create() && socket.BindOrClose() && socket.Connect(request.host, request.port);
}

struct SSenderIdentity {
    CStdStrA address;
    char userName[256] = {};
};

SSenderIdentity OwnIdentity()
{
    SSenderIdentity identity;
    DWORD size = sizeof identity.userName;
    if (!GetUserNameA(identity.userName, &size))
        identity.userName[0] = '\0';
    in_addr own = {};
    own.s_addr = CWinSockX::GetLocalAddress();
    identity.address = inet_ntoa(own);
    return identity;
}

constexpr int kDelivered = 0;

// kDelivered or the error of the failure.
int Deliver(const CNetSendRecord& request, HANDLE stop)
{
    const SLinkLimits limits = LimitsFor(stop, g_netBoundsSeam.idleMs);
    CWinSockX socket;
    if (!OpenConnection(socket, request))
        return LastError();
    const SSenderIdentity identity = OwnIdentity();
    const CStdStrA xmlHeader =
        FormatSendHeader(true, request.xmlLength, identity.address.c_str(), identity.userName);
    if (!SendText(socket.Socket(), xmlHeader.c_str(), limits))
        return LastError();
    if (ExpectReply(kXmlOkReply, socket.Socket(), limits)) {
        if (!SendEverything(socket.Socket(), request.xmlText.get(), request.xmlLength, limits))
            return LastError();
        if (!ExpectReply(kAckReply, socket.Socket(), LimitsFor(stop, g_netBoundsSeam.ackMs)))
            return LastError();
        return kDelivered;
    }
    // A peer that does not answer at all is not an old one.
    const int error = WSAGetLastError();
    if (error == WSAETIMEDOUT || error == WSAEINTR)
        return error;
    socket.Close();
    if (!OpenConnection(socket, request))
        return LastError();
    const CStdStrA legacyHeader =
        FormatSendHeader(false, request.legacyLength, identity.address.c_str(), identity.userName);
    if (!SendText(socket.Socket(), legacyHeader.c_str(), limits) ||
        !SendEverything(socket.Socket(), reinterpret_cast<const char*>(request.legacyBuffer.get()),
                        request.legacyLength, limits))
        return LastError();
    return kDelivered;
}

void HandleRequest(std::unique_ptr<CNetSendRecord> request, HANDLE stop)
{
    if (!request)
        return;
    const HWND mainWindow = request->mainWindow;
    Report(mainWindow, kNetSendStartedCode, request->HeaderCopy());
    const int outcome = Deliver(*request, stop);
    if (outcome == kDelivered) {
        Report(mainWindow, kNetSendDeliveredCode, request->HeaderCopy());
    } else if (IsStopped(stop)) {
        QLOG(L"SendThreadFunc - sending to %s given up: the network stopped", request->host);
    } else {
        Report(mainWindow, outcome, std::move(request));
    }
}

// What is still queued at a stop would never be served.
void DropQueuedRequests()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_NETSEND_REQUEST)
            continue;
        const auto request = TakeNetSendRecord(message.lParam);
        if (request)
            QLOG(L"SendThreadFunc - note for %s not sent: the network stopped", request->host);
    }
}

// ---- start and stop
HANDLE StartThread(unsigned(__stdcall* function)(void*), void* argument, DWORD* id = nullptr)
{
    unsigned threadId = 0;
    const uintptr_t thread = g_netThreadSeam.beginThread(nullptr, 0, function, argument, 0, &threadId);
    if (id)
        *id = threadId;
    return reinterpret_cast<HANDLE>(thread);
}

bool WaitForThreads(DWORD timeoutMs)
{
    SNetwork& network = Network();
    HANDLE threads[2];
    DWORD count = 0;
    for (const CKernelHandle* thread : {&network.listener, &network.sender})
        if (*thread)
            threads[count++] = thread->Get();
    return count == 0 || WaitPumpingSentMessages(threads, count, timeoutMs);
}

void ForgetThreads()
{
    SNetwork& network = Network();
    network.listener.Reset();
    network.sender.Reset();
    network.stop.Reset();
}

// Both threads on a new stop event; on failure nothing is left running.
int StartThreads()
{
    SNetwork& network = Network();
    network.stop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const CKernelHandle listenerReady(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const CKernelHandle senderReady(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!network.stop || !listenerReady || !senderReady) {
        QLOG(L"StartNetwork - no event - %lu", GetLastError());
        network.stop.Reset();
        return 0;
    }
    std::unique_ptr<SListenerStart> listenerStart(
        new (std::nothrow) SListenerStart{g_prefs.NetworkPort, g_hwndApp, network.stop.Get(), listenerReady.Get()});
    std::unique_ptr<SSenderStart> senderStart(
        new (std::nothrow) SSenderStart{network.stop.Get(), senderReady.Get()});
    if (listenerStart && senderStart) {
        network.listener.Reset(StartThread(&ReceiveThreadFunc, listenerStart.get()));
        if (network.listener)
            listenerStart.release();
        network.sender.Reset(StartThread(&SendThreadFunc, senderStart.get(), &network.senderId));
        if (network.sender)
            senderStart.release();
    }
    // The sender's queue exists, and the listener listens (or has said why not).
    const HANDLE ready[] = {listenerReady.Get(), senderReady.Get()};
    if (network.listener && network.sender && WaitPumpingSentMessages(ready, 2, kThreadsReadyMs))
        return 1;
    QLOG(L"StartNetwork - the LAN threads did not start - %lu", GetLastError());
    network.senderId = 0;
    SetEvent(network.stop.Get());
    WaitForThreads(g_netBoundsSeam.stopMs);
    ForgetThreads();
    return 0;
}

int RefuseSend(HWND mainWindow, const CStdStr& host, int code)
{
    auto report = CNetSendRecord::Make(mainWindow, host.c_str(), g_prefs.NetworkPort, nullptr, 0, nullptr, 0, L"");
    Report(mainWindow, code, std::move(report));
    return 0;
}

}  // namespace

// ---- the header
CStdStrA FormatSendHeader(bool xmlForm, int length, const char* address, const char* userName)
{
    CStdStrA header;
    header.Format(xmlForm ? "QLSENDXML %08d\n%s\n\"%s\"\n\n" : "QLSEND %08d\n%s\n\"%s\"\n\n", length, address,
                  userName);
    return header;
}

SSendHeader ParseSendHeader(const char* text, int maxLength)
{
    SSendHeader header;
    char length[16] = {};
    const int fields = sscanf_s(text, "%32s %15s\n%32s\n\"%255[^\"\n]", header.keyword,
                                static_cast<unsigned>(sizeof header.keyword), length,
                                static_cast<unsigned>(sizeof length), header.address,
                                static_cast<unsigned>(sizeof header.address), header.name,
                                static_cast<unsigned>(sizeof header.name));
    (void)fields;   // the fields not read stay empty
    const size_t digits = std::strlen(length);
    const bool allDigits = digits > 0 && std::all_of(length, length + digits, [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    // Ten digits could pass the 32-bit range; no valid length needs them.
    if (allDigits && digits <= 9) {
        const int value = std::atoi(length);
        header.length = value <= maxLength ? value : 0;
    }
    return header;
}

// ---- the threads
unsigned __stdcall ReceiveThreadFunc(void* argument)
{
    const std::unique_ptr<SListenerStart> owned(static_cast<SListenerStart*>(argument));
    const SListenerStart start = *owned;
    const SOCKET listening = OpenListeningSocket(start.port);
    SetEvent(start.ready);
    if (listening == INVALID_SOCKET)
        return 0;
    ListenUntilStopped(listening, start);
    closesocket(listening);
    return 0;
}

unsigned __stdcall SendThreadFunc(void* argument)
{
    const std::unique_ptr<SSenderStart> owned(static_cast<SSenderStart*>(argument));
    const HANDLE stop = owned->stop;
    MSG message;
    // The queue, before anyone may post to it.
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetEvent(owned->ready);
    while (MsgWaitForMultipleObjects(1, &stop, FALSE, INFINITE, QS_POSTMESSAGE | QS_SENDMESSAGE) ==
           WAIT_OBJECT_0 + 1) {
        while (!IsStopped(stop) && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            if (message.message == WM_NETSEND_REQUEST)
                HandleRequest(TakeNetSendRecord(message.lParam), stop);
    }
    DropQueuedRequests();
    return 0;
}

int StartNetwork()
{
    SNetwork& network = Network();
    if (network.stop)
        return 1;
    if (!network.socketsStarted) {
        WSADATA data = {};
        const int error = WSAStartup(MAKEWORD(2, 2), &data);
        if (error != 0) {
            QLOG(L"StartNetwork - WSAStartup failed - %d", error);
            return 0;
        }
        network.socketsStarted = true;
    }
    return StartThreads();
}

int StopNetwork()
{
    SNetwork& network = Network();
    if (!network.stop)
        return 0;
    // From now on a send is refused at once, not queued for nobody.
    network.senderId = 0;
    SetEvent(network.stop.Get());
    if (!WaitForThreads(g_netBoundsSeam.stopMs)) {
        QLOG(L"StopNetwork - the LAN threads did not end within %lu ms", g_netBoundsSeam.stopMs);
        return 0;
    }
    ForgetThreads();
    return 1;
}

int RestartNetwork()
{
    if (StopNetwork() == 0)
        return 0;
    return StartThreads();
}

bool PostNetSendRequest(std::unique_ptr<CNetSendRecord>& request)
{
    const DWORD senderId = Network().senderId;
    if (senderId == 0 || !PostThreadMessageW(senderId, WM_NETSEND_REQUEST, 0, reinterpret_cast<LPARAM>(request.get())))
        return false;
    request.release();
    return true;
}

int CNote::NetSend(const wchar_t* recipient)
{
    const HWND mainWindow = g_hwndApp;
    CStdStr typed = recipient ? recipient : L"";
    typed.Trim();
    if (typed.empty())
        return RefuseSend(mainWindow, typed, WSAEINVAL);
    const CStdStr alias = NetLists().LookupAlias(typed.c_str());
    const CStdStr target = alias.empty() ? typed : alias;
    if (target.size() >= static_cast<size_t>(kNetHostChars)) {
        // No record holds it: a cut name would be another machine.
        QLOG(L"NetSend - a recipient of %d characters is too long", static_cast<int>(target.size()));
        CStdStr text;
        text.Format(LoadResString(IDS_NETSEND_ERROR), target.c_str());
        AppMessageBox(mainWindow, text.c_str(), MB_OK);
        return 0;
    }
    UpdateFromWindow();
    const CGlobalMemory block(SaveToGlobal());
    const BYTE* const legacy = block ? static_cast<const BYTE*>(GlobalLock(block.Get())) : nullptr;
    const SIZE_T legacyLength = legacy ? GlobalSize(block.Get()) : 0;
    CStdStrA xml = WriteXml(true);
    xml.AppendNotesEndTag();
    std::unique_ptr<CNetSendRecord> request;
    if (legacyLength > 0 && legacyLength <= static_cast<SIZE_T>(MaxBodyBytes(false)) &&
        xml.size() + 1 <= static_cast<size_t>(MaxBodyBytes(true)))
        request = CNetSendRecord::Make(mainWindow, target.c_str(), g_prefs.NetworkPort, legacy,
                                       static_cast<int>(legacyLength), xml.c_str(), xml.size() + 1, L"");
    if (legacy)
        GlobalUnlock(block.Get());
    if (!request) {
        QLOG(L"NetSend - the note for %s cannot be sent: it is empty or too large", target.c_str());
        return RefuseSend(mainWindow, target, WSAEINVAL);
    }
    if (!PostNetSendRequest(request)) {
        QLOG(L"NetSend - the note for %s is not queued: the network is not running", target.c_str());
        Report(mainWindow, WSAENETDOWN, std::move(request));
    }
    return 0;
}

int LoadNetSends()
{
    return NetLists().LoadNetSends(GetDataPath(EDataPath::AliasList));
}

int StoreNetSends()
{
    return NetLists().StoreNetSends();
}
