#include "WinSockX.h"

#include "foundation/LogFile.h"

#include <cstring>
#include <string>
#include <utility>

namespace {

// Any fixed routable address outside the LAN serves: connecting a UDP socket
// only picks the interface, nothing is sent.
constexpr char kOutsideAddress[] = "198.51.100.1";
constexpr u_short kEchoPort = 7;

ULONG FirstAddress(const hostent* host)
{
    if (!host || host->h_addrtype != AF_INET || host->h_length != sizeof(ULONG) || !host->h_addr_list ||
        !host->h_addr_list[0])
        return 0;
    ULONG address = 0;
    std::memcpy(&address, host->h_addr_list[0], sizeof address);
    return address;
}

// The error of a non-blocking connect once it ends, WSAETIMEDOUT when it does
// not end within the limit.
int WaitForConnect(SOCKET socket, DWORD limitMs)
{
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval limit = {static_cast<long>(limitMs / 1000), static_cast<long>(limitMs % 1000 * 1000)};
    const int ready = select(0, nullptr, &writable, &failed, &limit);
    if (ready == SOCKET_ERROR)
        return WSAGetLastError();
    if (ready == 0)
        return WSAETIMEDOUT;
    int error = 0;
    int size = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == SOCKET_ERROR)
        return WSAGetLastError();
    if (error == 0 && FD_ISSET(socket, &failed))
        error = WSAECONNREFUSED;
    return error;
}

bool SetBlocking(SOCKET socket, bool blocking)
{
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(socket, FIONBIO, &nonBlocking) != SOCKET_ERROR;
}

}  // namespace

CWinSockX::~CWinSockX()
{
    Close();
}

bool CWinSockX::Create()
{
    return Adopt(socket(AF_INET, SOCK_STREAM, 0));
}

bool CWinSockX::Adopt(SOCKET accepted)
{
    Close();
    m_socket = accepted;
    if (m_socket == INVALID_SOCKET)
        return false;
    if (m_transferMs == 0 || ApplyTransferLimit())
        return true;
    // A socket without its limit could hold its thread for ever.
    Close();
    return false;
}

bool CWinSockX::BindAny()
{
    sockaddr_in any = {};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    any.sin_port = 0;
    return bind(m_socket, reinterpret_cast<const sockaddr*>(&any), sizeof any) != SOCKET_ERROR;
}

bool CWinSockX::BindOrClose()
{
    if (BindAny())
        return true;
    Close();
    return false;
}

bool CWinSockX::Connect(const wchar_t* host, int port)
{
    const ULONG address = Resolve(host);
    if (address == 0) {
        WSASetLastError(WSAEINVAL);
        return false;
    }
    sockaddr_in target = {};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = address;
    target.sin_port = htons(static_cast<u_short>(port));
    return ConnectAddr(target);
}

bool CWinSockX::ConnectAddr(const sockaddr_in& address)
{
    if (m_connectMs != 0)
        return ConnectWithinLimit(address);
    return connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != SOCKET_ERROR;
}

bool CWinSockX::ConnectWithinLimit(const sockaddr_in& address)
{
    if (!SetBlocking(m_socket, false))
        return false;
    int error = 0;
    if (connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR) {
        error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK)
            error = WaitForConnect(m_socket, m_connectMs);
    }
    if (!SetBlocking(m_socket, true) && error == 0)
        error = WSAGetLastError();
    WSASetLastError(error);
    return error == 0;
}

void CWinSockX::SetTimeLimits(DWORD connectMs, DWORD transferMs)
{
    m_connectMs = connectMs;
    m_transferMs = transferMs;
    if (m_socket != INVALID_SOCKET && !ApplyTransferLimit())
        QLOG(L"Socket time limit of %lu ms not applied - %d", static_cast<unsigned long>(transferMs),
             WSAGetLastError());
}

bool CWinSockX::ApplyTransferLimit()
{
    const char* const limit = reinterpret_cast<const char*>(&m_transferMs);
    return setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, limit, sizeof m_transferMs) != SOCKET_ERROR &&
           setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, limit, sizeof m_transferMs) != SOCKET_ERROR;
}

void CWinSockX::Close()
{
    if (m_socket == INVALID_SOCKET)
        return;
    const int error = WSAGetLastError();
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
    WSASetLastError(error);
}

ULONG CWinSockX::Resolve(const wchar_t* text)
{
    if (!text || !*text)
        return 0;
    const CStdStrA narrow = ToThreadAnsi(text);
    const ULONG parsed = inet_addr(narrow.c_str());
    // The broadcast address parses to the very value that means "no address".
    if (parsed != INADDR_NONE || narrow == "255.255.255.255")
        return parsed;
    return FirstAddress(gethostbyname(narrow.c_str()));
}

ULONG CWinSockX::GetLocalAddress()
{
    char name[1024] = {};
    if (gethostname(name, sizeof name) == 0) {
        const ULONG own = FirstAddress(gethostbyname(name));
        if (own != 0)
            return own;
    }
    CWinSockX probe;
    probe.m_socket = socket(AF_INET, SOCK_DGRAM, 0);
    if (probe.m_socket == INVALID_SOCKET)
        return 0;
    sockaddr_in outside = {};
    outside.sin_family = AF_INET;
    outside.sin_addr.s_addr = inet_addr(kOutsideAddress);
    outside.sin_port = htons(kEchoPort);
    if (connect(probe.m_socket, reinterpret_cast<const sockaddr*>(&outside), sizeof outside) == SOCKET_ERROR)
        return 0;
    sockaddr_in local = {};
    int size = sizeof local;
    if (getsockname(probe.m_socket, reinterpret_cast<sockaddr*>(&local), &size) == SOCKET_ERROR)
        return 0;
    return local.sin_addr.s_addr;
}

CStdStrA ToThreadAnsi(const wchar_t* text)
{
    if (!text || !*text)
        return CStdStrA();
    const int bytes = WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1)
        return CStdStrA();
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, narrow.data(), bytes, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(bytes - 1));
    return CStdStrA(std::move(narrow));
}

CStdStr DottedAddress(ULONG address)
{
    const auto* octets = reinterpret_cast<const unsigned char*>(&address);
    CStdStr text;
    text.Format(L"%u.%u.%u.%u", octets[0], octets[1], octets[2], octets[3]);
    return text;
}
