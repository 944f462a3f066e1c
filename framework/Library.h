// The owner of one loaded library: freed when the owner goes or takes another.
#pragma once

#include <windows.h>

class CLibrary {
public:
    explicit CLibrary(HMODULE module = nullptr) : m_module(module) {}
    ~CLibrary() { Reset(); }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    HMODULE Get() const { return m_module; }
    explicit operator bool() const { return m_module != nullptr; }

    void Reset(HMODULE module = nullptr)
    {
        if (m_module && m_module != module)
            FreeLibrary(m_module);
        m_module = module;
    }

private:
    HMODULE m_module;
};
