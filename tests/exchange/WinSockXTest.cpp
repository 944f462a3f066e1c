// The socket wrapper: the error code each failure leaves readable, the time
// limits that keep a silent peer from holding a thread, and what the wrapper
// closes on its own.
#include "ExchangeTestSupport.h"

#include <string>

namespace {

class WinSockXTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_session.Started()); }

    CWinSockSession m_session;
};

TEST_F(WinSockXTest, ResolveTurnsTextIntoAnAddress)
{
    struct Case {
        const wchar_t* text;
        ULONG expected;
    };
    const Case cases[] = {
        {L"", 0},
        {L"255.255.255.255", 0xFFFFFFFF},   // equals the "no address" of inet_addr
        {L"10.1.2.3", htonl(0x0A010203)},
        {L"localhost", htonl(INADDR_LOOPBACK)},
        {L"no-such.invalid", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CWinSockX::Resolve(c.text), c.expected) << std::wstring(c.text).size();
    EXPECT_EQ(CWinSockX::Resolve(nullptr), 0u);
}

TEST_F(WinSockXTest, ConnectFailuresLeaveTheirCode)
{
    CLoopbackPort closed;   // bound, not listening: refused
    ASSERT_TRUE(closed.Ok());
    struct Case {
        const wchar_t* host;
        int port;
        DWORD connectLimit;
        int expected;
    };
    const Case cases[] = {
        {L"no-such.invalid", closed.Port(), 0, WSAEINVAL},   // never a real copy's port
        {L"", closed.Port(), 0, WSAEINVAL},
        {L"127.0.0.1", closed.Port(), 0, WSAECONNREFUSED},
        {L"127.0.0.1", closed.Port(), 5000, WSAECONNREFUSED},   // through the wait for the limit
    };
    for (const Case& c : cases) {
        CWinSockX client;
        client.SetTimeLimits(c.connectLimit, 0);
        ASSERT_TRUE(client.Create());
        WSASetLastError(0);
        EXPECT_FALSE(client.Connect(c.host, c.port)) << c.connectLimit;
        EXPECT_EQ(WSAGetLastError(), c.expected) << c.connectLimit;
    }
}

TEST_F(WinSockXTest, ConnectToAListenerThatNeverAnswersTimesOut)
{
    CLoopbackPort listener(0);
    ASSERT_TRUE(listener.Ok());
    // The one place of the backlog is taken by a connection nobody accepts.
    CWinSockX first;
    first.SetTimeLimits(5000, 0);
    ASSERT_TRUE(first.Create());
    ASSERT_TRUE(first.Connect(L"127.0.0.1", listener.Port()));

    CWinSockX second;
    second.SetTimeLimits(500, 0);
    ASSERT_TRUE(second.Create());
    EXPECT_FALSE(second.Connect(L"127.0.0.1", listener.Port()));
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
}

TEST_F(WinSockXTest, TransferLimitEndsAReceiveThatGetsNothing)
{
    CLoopbackPort listener(1);
    ASSERT_TRUE(listener.Ok());
    CWinSockX client;
    client.SetTimeLimits(0, 300);   // before Create: the new socket gets it
    ASSERT_TRUE(client.Create());
    ASSERT_TRUE(client.Connect(L"localhost", listener.Port()));
    char byte = 0;
    EXPECT_EQ(recv(client.Socket(), &byte, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
}

TEST_F(WinSockXTest, BindOrCloseKeepsTheBindErrorAndLetsTheSocketGo)
{
    CWinSockX socket;
    ASSERT_TRUE(socket.Create());
    ASSERT_TRUE(socket.BindAny());
    ASSERT_FALSE(socket.BindAny());   // bound already
    const int bindError = WSAGetLastError();
    ASSERT_NE(bindError, 0);
    WSASetLastError(0);
    EXPECT_FALSE(socket.BindOrClose());
    EXPECT_EQ(WSAGetLastError(), bindError);
    EXPECT_EQ(socket.Socket(), INVALID_SOCKET);
}

TEST_F(WinSockXTest, ADestroyedWrapperClosesItsSocket)
{
    CLoopbackPort listener(1);
    ASSERT_TRUE(listener.Ok());
    SOCKET served = INVALID_SOCKET;
    {
        CWinSockX client;
        ASSERT_TRUE(client.Create());
        ASSERT_TRUE(client.Connect(L"127.0.0.1", listener.Port()));
        served = accept(listener.Socket(), nullptr, nullptr);
        ASSERT_NE(served, INVALID_SOCKET);
    }
    const DWORD limit = 5000;
    setsockopt(served, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
    char byte = 0;
    EXPECT_EQ(recv(served, &byte, 1, 0), 0);   // the peer's orderly close, not the time limit
    closesocket(served);
}

TEST_F(WinSockXTest, TheMachineHasAnAddressOfItsOwn)
{
    // Which one depends on the machine; it is never "none".
    EXPECT_NE(CWinSockX::GetLocalAddress(), 0u);
}

}  // namespace
