#include "NetSendRecord.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include <new>

std::atomic<long> CNetSendRecord::s_live{0};

namespace {

// False when the text does not fit; null copies as empty.
bool CopyBounded(const wchar_t* text, wchar_t (&target)[kNetHostChars])
{
    if (!text)
        return true;
    const size_t length = wcsnlen(text, kNetHostChars);
    if (length >= kNetHostChars)
        return false;
    std::wmemcpy(target, text, length);
    target[length] = L'\0';
    return true;
}

}  // namespace

CNetSendRecord::CNetSendRecord()
{
    ++s_live;
}

CNetSendRecord::~CNetSendRecord()
{
    --s_live;
}

long CNetSendRecord::LiveCount()
{
    return s_live.load();
}

std::unique_ptr<CNetSendRecord> CNetSendRecord::Make(HWND mainWindow, const wchar_t* host, int port,
                                                     const BYTE* legacy, int legacyLength, const char* xml,
                                                     size_t xmlBytes, const wchar_t* senderName)
{
    // Called on the LAN threads, where a throw would end the process: out of
    // memory gives no record, and the message goes out without one.
    std::unique_ptr<CNetSendRecord> record(new (std::nothrow) CNetSendRecord());
    if (!record)
        return nullptr;
    record->mainWindow = mainWindow;
    record->port = port;
    if (!CopyBounded(host, record->host) || !CopyBounded(senderName, record->senderName))
        return nullptr;
    if (legacy) {
        if (legacyLength < 0)
            return nullptr;
        record->legacyBuffer.reset(new (std::nothrow) BYTE[static_cast<size_t>(legacyLength)]);
        if (!record->legacyBuffer)
            return nullptr;
        std::memcpy(record->legacyBuffer.get(), legacy, static_cast<size_t>(legacyLength));
        record->legacyLength = legacyLength;
    }
    if (xml) {
        const void* const end = std::memchr(xml, '\0', xmlBytes);
        const size_t length = end ? static_cast<const char*>(end) - xml : xmlBytes;
        if (length >= static_cast<size_t>(INT_MAX))
            return nullptr;
        // One spare byte beyond the terminator, as the senders expect.
        record->xmlText.reset(new (std::nothrow) char[length + 2]());
        if (!record->xmlText)
            return nullptr;
        std::memcpy(record->xmlText.get(), xml, length);
        record->xmlLength = static_cast<int>(length) + 1;
    }
    return record;
}

std::unique_ptr<CNetSendRecord> CNetSendRecord::HeaderCopy() const
{
    return Make(mainWindow, host, port, nullptr, 0, nullptr, 0, senderName);
}
