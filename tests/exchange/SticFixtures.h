// Legacy note buffers written byte by byte at the format's literal offsets,
// never by the program's writer, and bytes that end right before a page the
// process may not touch.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

#include "exchange/SticFormat.h"

inline std::string Le16(unsigned value)
{
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

inline std::string Le32(std::uint32_t value)
{
    return Le16(value & 0xFFFF) + Le16(value >> 16);
}

// "STIC", version, count.
inline std::string SticHead(unsigned version, int count)
{
    return "STIC" + Le16(version) + Le16(static_cast<unsigned>(count));
}

// A note header of the given size; each field put at its offset.
class CSticHeaderBytes {
public:
    explicit CSticHeaderBytes(size_t size = 1544) : m_bytes(size, '\0') {}

    CSticHeaderBytes& Put(size_t at, const std::string& value)
    {
        EXPECT_LE(at + value.size(), m_bytes.size()) << "field at " << at;
        if (at + value.size() <= m_bytes.size())
            m_bytes.replace(at, value.size(), value);
        return *this;
    }
    CSticHeaderBytes& U8(size_t at, unsigned value) { return Put(at, std::string(1, static_cast<char>(value))); }
    CSticHeaderBytes& U16(size_t at, unsigned value) { return Put(at, Le16(value)); }
    CSticHeaderBytes& U32(size_t at, std::uint32_t value) { return Put(at, Le32(value)); }
    CSticHeaderBytes& Rgb(size_t at, unsigned r, unsigned g, unsigned b)
    {
        return Put(at, std::string{static_cast<char>(r), static_cast<char>(g), static_cast<char>(b)});
    }
    // A time record: the moment, then minute, hour, day, month (0-11), year
    // - 1900, weekday, day of the year and the daylight-saving flag.
    CSticHeaderBytes& Time(size_t at, std::int32_t moment, std::initializer_list<unsigned> fields)
    {
        std::string record = Le32(static_cast<std::uint32_t>(moment));
        for (const unsigned field : fields)
            record += Le16(field);
        record.resize(20, '\0');
        return Put(at, record);
    }
    CSticHeaderBytes& TextLength(unsigned length) { return U16(128, length); }

    const std::string& Bytes() const { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }

private:
    std::string m_bytes;
};

inline bool IsScrambledSticVersion(unsigned version)
{
    return version == 23 || version == 28 || version == 33;
}

inline std::string Scrambled(std::string block)
{
    ScrambleSticBlock(reinterpret_cast<BYTE*>(block.data()), block.size());
    return block;
}

// One note as stored: versions 1 and 2 their header alone, the others the
// header length word (the header's size unless given) first; then the text.
// The text length field is the text's unless the header set one.
inline std::string SticNoteBytes(unsigned version, CSticHeaderBytes header, const std::string& text,
                                 int headerLength = -1)
{
    if (header.Bytes().size() > 129 && header.Bytes()[128] == 0 && header.Bytes()[129] == 0)
        header.TextLength(static_cast<unsigned>(text.size()));
    const bool scrambled = IsScrambledSticVersion(version);
    std::string bytes;
    if (version != 1 && version != 2)
        bytes = Le16(headerLength >= 0 ? static_cast<unsigned>(headerLength) : static_cast<unsigned>(header.Size()));
    bytes += scrambled ? Scrambled(header.Bytes()) : header.Bytes();
    bytes += scrambled ? Scrambled(text) : text;
    return bytes;
}

// Bytes whose last one lies right before a no-access page: a read past the
// end faults at once.
class CGuardedBytes {
public:
    explicit CGuardedBytes(const std::string& bytes)
    {
        SYSTEM_INFO info = {};
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
        const size_t dataPages = (bytes.size() + page - 1) / page + 1;
        m_base = static_cast<BYTE*>(VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_COMMIT | MEM_RESERVE,
                                                 PAGE_READWRITE));
        if (!m_base)
            return;
        DWORD old = 0;
        if (!VirtualProtect(m_base + dataPages * page, page, PAGE_NOACCESS, &old))
            return;
        m_data = m_base + dataPages * page - bytes.size();
        std::memcpy(m_data, bytes.data(), bytes.size());
        m_size = bytes.size();
    }
    ~CGuardedBytes()
    {
        if (m_base)
            VirtualFree(m_base, 0, MEM_RELEASE);
    }
    CGuardedBytes(const CGuardedBytes&) = delete;
    CGuardedBytes& operator=(const CGuardedBytes&) = delete;

    bool Ready() const { return m_data != nullptr; }
    const BYTE* Data() const { return m_data; }
    size_t Size() const { return m_size; }

private:
    BYTE* m_base = nullptr;
    BYTE* m_data = nullptr;
    size_t m_size = 0;
};

// The bytes in a movable global block of their size.
inline HGLOBAL GlobalCopy(const std::string& bytes)
{
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block)
        return nullptr;
    void* const target = GlobalLock(block);
    if (target)
        std::memcpy(target, bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}
