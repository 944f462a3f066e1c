#include "PumpingWait.h"

#include <vector>

namespace {

// Runs the messages other threads sent to this one; posted ones stay queued.
void ServeSentMessages()
{
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

DWORD RemainingMs(ULONGLONG deadline, DWORD timeoutMs)
{
    if (timeoutMs == INFINITE)
        return INFINITE;
    const ULONGLONG now = GetTickCount64();
    return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

} // namespace

bool WaitPumpingSentMessages(const HANDLE* handles, DWORD count, DWORD timeoutMs)
{
    if (count >= MAXIMUM_WAIT_OBJECTS || (count > 0 && !handles))
        return false;
    // Waiting for all at once would also wait for input; one at a time,
    // dropping each as it is signalled.
    std::vector<HANDLE> pending(handles, handles + count);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!pending.empty()) {
        const DWORD result = MsgWaitForMultipleObjectsEx(static_cast<DWORD>(pending.size()), pending.data(),
                                                         RemainingMs(deadline, timeoutMs), QS_SENDMESSAGE,
                                                         MWMO_INPUTAVAILABLE);
        if (result < WAIT_OBJECT_0 + pending.size())
            pending.erase(pending.begin() + (result - WAIT_OBJECT_0));
        else if (result == WAIT_OBJECT_0 + pending.size())
            ServeSentMessages();
        else
            return false;
    }
    return true;
}
