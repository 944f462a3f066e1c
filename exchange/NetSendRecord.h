// CNetSendRecord: the one heap record that carries a note between the GUI
// thread and the LAN threads: a send request, the sender's progress and error
// reports, and a received note. It changes hands only inside a message; the
// receiver of the message owns it (TakeNetSendRecord) and frees it on every
// path.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <memory>

constexpr int kNetHostChars = 256;   // host and sender name, terminator included

// The messages that carry a record: a request posted to the sender thread,
// and the sender's and the listener's reports sent to the main window.
constexpr UINT WM_NETSEND_REQUEST = WM_APP + 0x64;
constexpr UINT WM_NETSEND_STATUS = WM_APP + 0x65;
constexpr UINT WM_NOTE_RECEIVED = WM_APP + 0x66;

// The codes of WM_NETSEND_STATUS besides a socket error, read as 32 bits.
constexpr int kNetSendStartedCode = -1;
constexpr int kNetSendDeliveredCode = -2;

class CNetSendRecord {
public:
    // Null when the host or the sender name does not fit its array: a cut
    // recipient would be another machine. The legacy buffer is copied as
    // given (length 0 included); the XML text is the bytes up to the first NUL
    // within xmlBytes, never read past them, and gets its terminator. Null
    // legacy or XML gives none. Never throws: null also when memory runs out.
    static std::unique_ptr<CNetSendRecord> Make(HWND mainWindow, const wchar_t* host, int port, const BYTE* legacy,
                                                int legacyLength, const char* xml, size_t xmlBytes,
                                                const wchar_t* senderName);
    // The first four fields, without buffer or text (the progress reports).
    std::unique_ptr<CNetSendRecord> HeaderCopy() const;

    ~CNetSendRecord();
    CNetSendRecord(const CNetSendRecord&) = delete;
    CNetSendRecord& operator=(const CNetSendRecord&) = delete;

    // Records alive in the process, for the checks that nothing leaks.
    static long LiveCount();

    HWND mainWindow = nullptr;
    wchar_t host[kNetHostChars] = {};
    wchar_t senderName[kNetHostChars] = {};
    int port = 0;
    std::unique_ptr<BYTE[]> legacyBuffer;
    int legacyLength = 0;
    std::unique_ptr<char[]> xmlText;
    int xmlLength = 0;   // bytes of xmlText with its terminator

private:
    CNetSendRecord();
    static std::atomic<long> s_live;
};

// A record's trip through a message: released into lParam by the sender,
// taken back into an owner by the receiver (null stays null).
inline LPARAM ReleaseNetSendRecord(std::unique_ptr<CNetSendRecord> record)
{
    return reinterpret_cast<LPARAM>(record.release());
}

inline std::unique_ptr<CNetSendRecord> TakeNetSendRecord(LPARAM lParam)
{
    return std::unique_ptr<CNetSendRecord>(reinterpret_cast<CNetSendRecord*>(lParam));
}
