// The one wait that services messages sent to the waiting thread, so that a
// worker blocked in SendMessageW to it can finish.
#pragma once

#include <windows.h>

// Waits until every handle is signalled or timeoutMs has passed, serving
// sent messages only (posted ones stay queued); true when all were signalled.
bool WaitPumpingSentMessages(const HANDLE* handles, DWORD count, DWORD timeoutMs);
