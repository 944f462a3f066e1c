// CWinSockX: one IPv4 TCP socket of the LAN threads, with optional time
// limits for connecting and for each send and receive; and the two address
// functions that need no socket (text to address, the machine's own address).
// Addresses are in network byte order, 0 meaning none. Windows Sockets must be
// started (WSAStartup) before any of this is used. Include this header before
// windows.h, which brings in the older sockets header.
#pragma once

#include <winsock2.h>

#include "foundation/StdStr.h"

class CWinSockX {
public:
    CWinSockX() = default;
    // Closes a socket the owner did not close itself.
    virtual ~CWinSockX();
    CWinSockX(const CWinSockX&) = delete;
    CWinSockX& operator=(const CWinSockX&) = delete;

    // A new TCP socket, replacing (and closing) one still held; the send and
    // receive limit applies to it. False when none was made.
    bool Create();
    // Any local address, a port the system chooses.
    bool BindAny();
    // BindAny; on failure the socket is closed and the bind's error code is
    // still the one WSAGetLastError reports.
    bool BindOrClose();
    // Resolves the host (dotted address or name) and connects; a host that
    // neither parses nor resolves fails with WSAEINVAL.
    bool Connect(const wchar_t* host, int port);
    // With a connect limit, a peer that does not answer within it fails with
    // WSAETIMEDOUT; the socket is blocking again afterwards either way.
    bool ConnectAddr(const sockaddr_in& address);

    // Milliseconds; 0 is no limit. The send and receive limit holds for the
    // socket held now and for every one Create makes later.
    void SetTimeLimits(DWORD connectMs, DWORD transferMs);

    // Takes an accepted socket, replacing one still held, under the send and
    // receive limit; false, the socket closed, when the limit cannot be set.
    bool Adopt(SOCKET accepted);
    SOCKET Socket() const { return m_socket; }
    // closesocket, keeping the error code of the call before; none held after.
    void Close();

    // The address of a dotted text or host name; 0 for an empty text or one
    // that does not resolve. "255.255.255.255" needs no lookup.
    static ULONG Resolve(const wchar_t* text);
    // This machine's own address: its name's first address, else the
    // interface that routes to the outside; 0 when there is none.
    static ULONG GetLocalAddress();

private:
    bool ApplyTransferLimit();
    bool ConnectWithinLimit(const sockaddr_in& address);

    SOCKET m_socket = INVALID_SOCKET;
    DWORD m_connectMs = 0;
    DWORD m_transferMs = 0;
};

// Wide text in the thread's ANSI code page, as the address functions of
// Windows Sockets take it.
CStdStrA ToThreadAnsi(const wchar_t* text);
// Dotted text of an address in network byte order.
CStdStr DottedAddress(ULONG address);
