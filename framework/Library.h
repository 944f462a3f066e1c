// The owner of one loaded library: freed when the owner goes or takes another,
// with FreeLibrary unless its loader frees otherwise.
#pragma once

#include <windows.h>

class CLibrary {
public:
    using FreeFunction = BOOL(WINAPI*)(HMODULE module);

    explicit CLibrary(HMODULE module = nullptr, FreeFunction freeLibrary = &FreeLibrary)
        : m_module(module), m_free(freeLibrary)
    {
    }
    ~CLibrary() { Reset(); }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    HMODULE Get() const { return m_module; }
    explicit operator bool() const { return m_module != nullptr; }

    void Reset(HMODULE module = nullptr)
    {
        if (m_module && m_module != module)
            m_free(m_module);
        m_module = module;
    }

private:
    HMODULE m_module;
    FreeFunction m_free;
};
