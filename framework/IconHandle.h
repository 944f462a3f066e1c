// The owner of one icon: destroyed when the owner goes or takes another.
#pragma once

#include <windows.h>

class CIconHandle {
public:
    explicit CIconHandle(HICON icon = nullptr) : m_icon(icon) {}
    ~CIconHandle() { Reset(); }
    CIconHandle(const CIconHandle&) = delete;
    CIconHandle& operator=(const CIconHandle&) = delete;

    HICON Get() const { return m_icon; }
    explicit operator bool() const { return m_icon != nullptr; }

    void Reset(HICON icon = nullptr)
    {
        if (m_icon && m_icon != icon)
            DestroyIcon(m_icon);
        m_icon = icon;
    }

private:
    HICON m_icon;
};
