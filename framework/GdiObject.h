// The owner of one GDI object (font, brush, bitmap, pen, region): deleted
// when the owner goes or takes another.
#pragma once

#include <windows.h>

template <class Handle>
class CGdiObject {
public:
    explicit CGdiObject(Handle handle = nullptr) : m_handle(handle) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

    void Reset(Handle handle = nullptr)
    {
        if (m_handle && m_handle != handle)
            DeleteObject(m_handle);
        m_handle = handle;
    }

    // Gives up ownership.
    Handle Release()
    {
        const Handle handle = m_handle;
        m_handle = nullptr;
        return handle;
    }

private:
    Handle m_handle;
};

using CFontHandle = CGdiObject<HFONT>;
using CBrushHandle = CGdiObject<HBRUSH>;
