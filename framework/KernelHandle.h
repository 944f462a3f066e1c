// The owner of one kernel handle (file, pipe, event, mutex, thread): closed
// with CloseHandle when the owner goes or takes another. Null and
// INVALID_HANDLE_VALUE both mean "none", since the system returns either.
#pragma once

#include <windows.h>

class CKernelHandle {
public:
    explicit CKernelHandle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~CKernelHandle() { Reset(); }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return IsValid(); }

    void Reset(HANDLE handle = nullptr)
    {
        if (IsValid() && m_handle != handle)
            CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle;
};
