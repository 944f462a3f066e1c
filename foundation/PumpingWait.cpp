#include "PumpingWait.h"

#include <vector>

namespace {

// The handles not signalled yet; the ones that are stay so (threads,
// manual-reset events).
std::vector<HANDLE> Unsignalled(const HANDLE* handles, DWORD count)
{
    std::vector<HANDLE> waiting;
    for (DWORD i = 0; i < count; ++i)
        if (WaitForSingleObject(handles[i], 0) != WAIT_OBJECT_0)
            waiting.push_back(handles[i]);
    return waiting;
}

}  // namespace

bool WaitPumpingSentMessages(const HANDLE* handles, DWORD count, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        const std::vector<HANDLE> waiting = Unsignalled(handles, count);
        if (waiting.empty())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        const DWORD woken = MsgWaitForMultipleObjects(static_cast<DWORD>(waiting.size()), waiting.data(), FALSE,
                                                      static_cast<DWORD>(end - now), QS_SENDMESSAGE);
        if (woken == WAIT_FAILED)
            return false;
        MSG message;
        // Serves sent messages only; posted ones stay queued.
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
