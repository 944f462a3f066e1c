// The owner of one COM interface pointer: released when the owner goes or
// receives another.
#pragma once

#include <unknwn.h>

template <class Interface>
class CComPtr {
public:
    CComPtr() = default;
    ~CComPtr() { Reset(); }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;

    Interface* Get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    void Reset()
    {
        if (m_pointer)
            m_pointer->Release();
        m_pointer = nullptr;
    }

    // For the out parameter of CoCreateInstance and QueryInterface.
    void** Receive()
    {
        Reset();
        return reinterpret_cast<void**>(&m_pointer);
    }

private:
    Interface* m_pointer = nullptr;
};
