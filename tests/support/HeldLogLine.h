// A log capture sink that keeps its line, and with it the log's lock, until
// the test releases it.
#pragma once

#include <windows.h>

#include "framework/KernelHandle.h"

struct SHeldLogLine {
    CKernelHandle entered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    CKernelHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// The sink: context is the SHeldLogLine.
inline void HoldLogLine(void* context, const wchar_t*)
{
    auto* const held = static_cast<SHeldLogLine*>(context);
    SetEvent(held->entered.Get());
    WaitForSingleObject(held->release.Get(), 10000);
}
