// What the exchange tests share: Windows Sockets started for the test,
// loopback sockets on ports the system chooses, and INI sections written as a
// fixture.
#pragma once

#include "exchange/WinSockX.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/Preferences.h"

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

// Replaces a section of a UTF-16 INI file (made when missing) with the lines.
inline void WriteIniSection(const std::wstring& path, const wchar_t* section, const std::vector<std::wstring>& lines)
{
    std::wstring block;
    for (const std::wstring& line : lines)
        block += line + L'\0';
    block += L'\0';
    PrepareUnicodeIniFile(path.c_str());
    ASSERT_TRUE(WritePrivateProfileSectionW(section, block.c_str(), path.c_str()));
}

// Text with up to three numbers formatted in.
inline std::wstring Numbered(const wchar_t* format, int a, int b = 0, int c = 0)
{
    CStdStr text;
    text.Format(format, a, b, c);
    return text;
}

// An alias file as a long-used one looks: 40 ignore entries "10.i.0.0", 300
// aliases "pc000" to "pc299" for "10.2.(i / 256).(i % 256)", and 40 history
// entries "host0" to "host39".
inline void WriteListsFixture(const std::wstring& path)
{
    std::vector<std::wstring> ignore, aliases, history = {L"NumStored=40"};
    for (int i = 0; i < 40; ++i)
        ignore.push_back(Numbered(L"10.%d.0.0=255.255.255.255", i));
    for (int i = 0; i < 300; ++i)
        aliases.push_back(Numbered(L"pc%03d=10.2.%d.%d", i, i / 256, i % 256));
    for (int i = 0; i < 40; ++i)
        history.push_back(Numbered(L"%d=host%d|3023|1", i, i));
    WriteIniSection(path, L"IgnoreList", ignore);
    WriteIniSection(path, L"Aliases", aliases);
    WriteIniSection(path, L"NetSends", history);
}
