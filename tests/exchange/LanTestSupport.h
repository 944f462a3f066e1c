// What the tests of the LAN threads share: short bounds, a free port of the
// test's own as "NetworkPort", peers that run on a thread of their own while
// the test thread serves the threads' reports, and raw socket steps for
// scripted senders and receivers.
#pragma once

#include "ExchangeTestSupport.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "exchange/netsend.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"

// Bounds short enough for a test and long enough for a loaded machine.
inline SNetBoundsSeam ShortNetBounds()
{
    return {2000, 1500, 3000, 3000, 5000, 32 * 1024 * 1024};
}

// A port nobody listens on now (the system chose it, then it was let go).
inline int FreePort()
{
    CLoopbackPort probe;
    return probe.Port();
}

// Serves messages on this thread until the test holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

// A peer's steps on a thread of their own; the test thread pumps meanwhile.
class CPeer {
public:
    explicit CPeer(std::function<void()> steps)
        : m_thread([this, steps = std::move(steps)] {
              steps();
              m_done = true;
          })
    {
    }
    ~CPeer()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    CPeer(const CPeer&) = delete;
    CPeer& operator=(const CPeer&) = delete;

    // Pumps until the peer has finished; false when it did not in time.
    bool Finish(DWORD timeoutMs = 15000)
    {
        const bool done = PumpUntil([this] { return m_done.load(); }, timeoutMs);
        if (done)
            m_thread.join();
        return done;
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

// ---- raw socket steps
inline SOCKET ConnectLoopback(int port)
{
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(htons(static_cast<u_short>(port)));
    if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR) {
        closesocket(socket);
        return INVALID_SOCKET;
    }
    return socket;
}

inline bool SendBytes(SOCKET socket, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const int sent = send(socket, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
        if (sent == SOCKET_ERROR)
            return false;
        done += static_cast<size_t>(sent);
    }
    return true;
}

// Whatever arrives until the peer closes, at most limit bytes, within the
// time (the socket's receive limit).
inline std::string ReceiveAll(SOCKET socket, DWORD timeoutMs = 8000, size_t limit = 1 << 20)
{
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    std::string bytes;
    char chunk[4096];
    while (bytes.size() < limit) {
        const int got = recv(socket, chunk, sizeof chunk, 0);
        if (got <= 0)
            break;
        bytes.append(chunk, static_cast<size_t>(got));
    }
    return bytes;
}

inline std::string ReceiveExactly(SOCKET socket, size_t count, DWORD timeoutMs = 8000)
{
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    std::string bytes;
    char chunk[4096];
    while (bytes.size() < count) {
        const int want = static_cast<int>(std::min(sizeof chunk, count - bytes.size()));
        const int got = recv(socket, chunk, want, 0);
        if (got <= 0)
            break;
        bytes.append(chunk, static_cast<size_t>(got));
    }
    return bytes;
}

// Up to and with the empty line that ends a header.
inline std::string ReceiveHeader(SOCKET socket)
{
    std::string header;
    while (header.size() < 1024 && (header.size() < 2 || header.compare(header.size() - 2, 2, "\n\n") != 0)) {
        const std::string byte = ReceiveExactly(socket, 1);
        if (byte.empty())
            break;
        header += byte;
    }
    return header;
}

inline SOCKET AcceptWithin(SOCKET listening, DWORD timeoutMs = 8000)
{
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(listening, &ready);
    timeval wait = {static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000 * 1000)};
    if (select(0, &ready, nullptr, nullptr, &wait) != 1)
        return INVALID_SOCKET;
    return accept(listening, nullptr, nullptr);
}

// An XML or legacy note as a sender puts it on the wire.
inline std::string WireNote(bool xmlForm, const std::string& body, const char* address = "127.0.0.1",
                            const char* name = "alice")
{
    return std::string(FormatSendHeader(xmlForm, static_cast<int>(body.size()), address, name)) + body;
}

inline std::string XmlBody(const char* text)
{
    return std::string("<NOTES><note><text>") + text + "</text></note></NOTES>" + '\0';
}
