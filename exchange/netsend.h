// The LAN threads: the listener takes notes from other users on the
// "NetworkPort" port and hands them to the main window; the sender delivers
// the requests that CNote::NetSend posts, the XML form first and the legacy
// form when the peer does not answer it. One stop event ends both. Every wait
// inside a connection is bounded and watches the stop event, so a faulty or
// silent peer can neither hold a thread nor stop the network.
#pragma once

#include "exchange/NetSendRecord.h"
#include "foundation/StdStr.h"

#include <cstdint>
#include <memory>

// The bounds of a connection, milliseconds unless said otherwise; tests
// shorten them.
struct SNetBoundsSeam {
    DWORD connectMs;      // a connect that gets no answer fails with 10060
    DWORD idleMs;         // a send or receive without progress drops the connection
    DWORD connectionMs;   // the listener's limit for header and body after accept
    DWORD ackMs;          // the sender's wait for "QLSENDACK"
    DWORD stopMs;         // StopNetwork's wait for both threads
    int maxBodyBytes;     // a body's length; an XML body is bounded by the note manager too
};
extern SNetBoundsSeam g_netBoundsSeam;

// How a LAN thread is started (the C runtime's _beginthreadex); tests make a
// start fail.
struct SNetThreadSeam {
    uintptr_t (*beginThread)(void* security, unsigned stackSize, unsigned(__stdcall* function)(void*), void* argument,
                             unsigned flags, unsigned* threadId);
};
extern SNetThreadSeam g_netThreadSeam;

// ---- the header (pure functions over bytes)
constexpr char kXmlKeyword[] = "QLSENDXML";
constexpr char kLegacyKeyword[] = "QLSEND";
constexpr char kXmlOkReply[] = "QLSENDXMLOK";
constexpr char kAckReply[] = "QLSENDACK";
constexpr int kMaxHeaderBytes = 1024;

// The first bytes of a connection: keyword, the body's length in at least
// eight digits, the sender's address and its user name in quotes, then an
// empty line.
CStdStrA FormatSendHeader(bool xmlForm, int length, const char* address, const char* userName);

struct SSendHeader {
    char keyword[33] = {};
    int length = 0;   // 0 when absent or not a valid length
    char address[33] = {};
    char name[256] = {};
};
// A field the header lacks stays empty; the name ends at a quote or a line
// end. The length is valid only as digits alone, from 1 to maxLength.
SSendHeader ParseSendHeader(const char* header, int maxLength);

// ---- the threads
// 1 when both threads run (the sender's queue exists on return); 0 when
// sockets could not be started or a thread did not start (nothing left
// running).
int StartNetwork();
// 1 when both threads ended within the bound; 0 when they did not, and 0,
// touching nothing, when the network never started. Waits serving sent messages, so the listener's
// report to this thread can end.
int StopNetwork();
// 1 when the threads stopped and started again (reading "NetworkPort" anew).
int RestartNetwork();

// Hands a request to the sender thread; false (the request back in the
// caller's hands) when it is not running or the post fails.
bool PostNetSendRequest(std::unique_ptr<CNetSendRecord>& request);

unsigned __stdcall ReceiveThreadFunc(void* startPair);
unsigned __stdcall SendThreadFunc(void*);

// ---- the lists in "ALIAS.INI", loaded and stored at start and end
int LoadNetSends();
int StoreNetSends();
