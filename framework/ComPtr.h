// The owner of one COM interface pointer: released when the owner goes or
// receives another. A copy holds a reference of its own.
#pragma once

#include <unknwn.h>

#include <utility>

template <class Interface>
class CComPtr {
public:
    CComPtr() = default;
    ~CComPtr() { Reset(); }
    CComPtr(const CComPtr& other) : m_pointer(other.m_pointer)
    {
        if (m_pointer)
            m_pointer->AddRef();
    }
    CComPtr(CComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    CComPtr& operator=(CComPtr other) noexcept
    {
        std::swap(m_pointer, other.m_pointer);
        return *this;
    }

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
    // For an out parameter typed as the interface itself.
    Interface** ReceiveTyped()
    {
        Reset();
        return &m_pointer;
    }

private:
    Interface* m_pointer = nullptr;
};
