// What the exchange tests share: Windows Sockets started for the test, and
// loopback sockets on ports the system chooses.
#pragma once

#include "exchange/WinSockX.h"

#include <gtest/gtest.h>

class CWinSockSession {
public:
    CWinSockSession()
    {
        WSADATA data = {};
        m_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~CWinSockSession()
    {
        if (m_started)
            WSACleanup();
    }
    CWinSockSession(const CWinSockSession&) = delete;
    CWinSockSession& operator=(const CWinSockSession&) = delete;

    bool Started() const { return m_started; }

private:
    bool m_started = false;
};

// 127.0.0.1 and a port.
inline sockaddr_in Loopback(u_short portInNetworkOrder)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = portInNetworkOrder;
    return address;
}

// A socket bound to 127.0.0.1 on a port the system chose, listening when a
// backlog is given.
class CLoopbackPort {
public:
    explicit CLoopbackPort(int backlog = -1)
    {
        m_socket.Create();
        sockaddr_in address = Loopback(0);
        m_ok = bind(m_socket.Socket(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        int size = sizeof address;
        m_ok = m_ok && getsockname(m_socket.Socket(), reinterpret_cast<sockaddr*>(&address), &size) == 0;
        m_port = address.sin_port;
        if (backlog >= 0)
            m_ok = m_ok && listen(m_socket.Socket(), backlog) == 0;
    }

    bool Ok() const { return m_ok; }
    SOCKET Socket() const { return m_socket.Socket(); }
    sockaddr_in Address() const { return Loopback(m_port); }
    int Port() const { return ntohs(m_port); }

private:
    CWinSockX m_socket;
    u_short m_port = 0;
    bool m_ok = false;
};
