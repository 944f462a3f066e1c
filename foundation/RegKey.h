// The owner of one open registry key.
#pragma once

#include <windows.h>

class CRegKeyHandle {
public:
    CRegKeyHandle() = default;
    ~CRegKeyHandle() { Reset(); }
    CRegKeyHandle(const CRegKeyHandle&) = delete;
    CRegKeyHandle& operator=(const CRegKeyHandle&) = delete;

    // RegOpenKeyExW; returns its result and keeps the key on success.
    LONG Open(HKEY parent, const wchar_t* subKey, REGSAM access)
    {
        Reset();
        return RegOpenKeyExW(parent, subKey, 0, access, &m_key);
    }

    // RegCreateKeyExW: opens the key, creating it when missing.
    LONG Create(HKEY parent, const wchar_t* subKey, REGSAM access)
    {
        Reset();
        return RegCreateKeyExW(parent, subKey, 0, nullptr, 0, access, nullptr, &m_key, nullptr);
    }

    HKEY Get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }

    void Reset()
    {
        if (m_key)
            RegCloseKey(m_key);
        m_key = nullptr;
    }

private:
    HKEY m_key = nullptr;
};
