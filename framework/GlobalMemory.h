// The owner of one global memory block (clipboard and drag-and-drop data):
// freed with GlobalFree unless it was handed over to the system.
#pragma once

#include <windows.h>

class CGlobalMemory {
public:
    explicit CGlobalMemory(HGLOBAL block = nullptr) : m_block(block) {}
    ~CGlobalMemory() { Reset(); }
    CGlobalMemory(const CGlobalMemory&) = delete;
    CGlobalMemory& operator=(const CGlobalMemory&) = delete;

    HGLOBAL Get() const { return m_block; }
    explicit operator bool() const { return m_block != nullptr; }

    void Reset(HGLOBAL block = nullptr)
    {
        if (m_block && m_block != block)
            GlobalFree(m_block);
        m_block = block;
    }

    // Gives up ownership, as after SetClipboardData succeeded.
    HGLOBAL Release()
    {
        const HGLOBAL block = m_block;
        m_block = nullptr;
        return block;
    }

private:
    HGLOBAL m_block;
};
