// PooledStr: CPooledStr, the reference-counted copy-on-write wide string of the
// table mapping, the row XML, the alarm display text and the About box. Short
// texts live in blocks recycled through per-size pools shared by all threads;
// the pools are emptied once at program end by FreeStringPools. Failures throw
// StrException.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "TextFormat.h"

// The head that lies immediately before every pooled text (24 bytes).
struct PooledStrHead {
    union {
        PooledStrHead* next;        // while the block waits in a pool
        struct {
            uint32_t zero;
            uint32_t threadId;      // while in use: the allocating thread
        } owner;
    } link;
    volatile long references;
    uint32_t flags;
    int32_t capacity;               // characters, without the terminator
    int32_t length;

    wchar_t* Text() { return reinterpret_cast<wchar_t*>(this + 1); }
};
static_assert(sizeof(PooledStrHead) == 24, "the pooled head is 24 bytes");

constexpr int kPooledStrClasses = 11;

// Allocates a block for capacity (already of the form 32k - 1): references 1,
// length left to the caller.
PooledStrHead* PooledStrAllocBlock(int capacity);
// Returns a block to its pool, or to the heap when it is large, its pool is
// full or the pools are closed.
void PooledStrFreeBlock(PooledStrHead* block);
// Frees every block waiting in one pool class.
void DrainStringPool(int sizeClass);
// Program end: drains every pool and closes them, so later releases free.
void FreeStringPools();

// A requested capacity rounded up to the form 32k - 1.
int PooledStrRoundCapacity(int capacity);

// Read-only views for checks: the pool class of a capacity (-1: heap), and how
// many blocks wait in a class.
int PooledStrClassOf(int capacity);
int PooledStrListCount(int sizeClass);

class CPooledStr {
public:
    CPooledStr() noexcept;
    CPooledStr(const CPooledStr& other) noexcept;
    CPooledStr(CPooledStr&& other) noexcept;
    explicit CPooledStr(const wchar_t* text);
    ~CPooledStr() { Release(); }
    CPooledStr& operator=(const CPooledStr& other) noexcept;
    CPooledStr& operator=(CPooledStr&& other) noexcept;
    CPooledStr& operator=(const wchar_t* text);

    static CPooledStr ConstructFromAnsi(const char* text);

    // Drops this string's reference and leaves it the shared empty string.
    void Release() noexcept;

    void Assign(const wchar_t* text);
    // Narrow text in the ANSI code page.
    void AssignAnsi(const char* text);

    void Append(const wchar_t* text, int count);
    void Append(const wchar_t* text);
    void Append(wchar_t ch);
    // count -1 or longer than text: the whole text. Throws code 2 when
    // position lies past the end.
    void Insert(int position, const wchar_t* text, int count = -1);

    // The string's own printf-style formatter (see PooledStr.cpp). A narrow
    // format swaps the meaning of s/S and c/C. A CPooledStr argument is passed
    // as its text, for "%!". Throws code 5 for three '*', code 6 for "%n".
    template <class... Args>
    void Format(const wchar_t* format, const Args&... args)
    {
        (CheckPooledFormatArgument<Args>(), ...);
        FormatUnchecked(format, PassPooledFormatArg(args)...);
    }
    template <class... Args>
    void Format(const char* format, const Args&... args)
    {
        (CheckPooledFormatArgument<Args>(), ...);
        FormatUncheckedNarrow(format, PassPooledFormatArg(args)...);
    }
    void FormatV(const wchar_t* format, va_list args);
    void FormatV(const char* format, va_list args);

    // Throws code 3 for an empty oldText.
    int Replace(const wchar_t* oldText, const wchar_t* newText);

    const wchar_t* c_str() const noexcept { return m_text; }
    int GetLength() const noexcept { return Head()->length; }
    bool IsEmpty() const noexcept { return GetLength() == 0; }

    // For checks: the block's references and capacity, and whether this is
    // the shared empty string.
    int GetReferences() const noexcept { return Head()->references; }
    int GetCapacity() const noexcept { return Head()->capacity; }
    bool IsSharedEmpty() const noexcept;

    void Swap(CPooledStr& other) noexcept;

private:
    PooledStrHead* Head() const noexcept { return reinterpret_cast<PooledStrHead*>(m_text) - 1; }
    bool IsInsideOwnBlock(const wchar_t* text) const noexcept;
    void MakePrivate(int capacity, bool keepText);
    void FormatUnchecked(const wchar_t* format, ...);
    void FormatUncheckedNarrow(const char* format, ...);
    int FormatDirectives(const wchar_t* format, bool narrowFormat, va_list args);
    void ThrowOnFailure(int code) const;

    template <class T>
    static constexpr void CheckPooledFormatArgument()
    {
        if constexpr (!std::is_same_v<std::remove_cv_t<T>, CPooledStr>)
            CheckFormatArgument<T>();
    }
    static const wchar_t* PassPooledFormatArg(const CPooledStr& text) { return text.c_str(); }
    template <class T>
    static auto PassPooledFormatArg(const T& value) { return PassFormatArg(value); }

    wchar_t* m_text;
};

// Thrown by CPooledStr: the string on which the operation failed and a code:
// 2 insert past the end, 3 empty search text, 5 three '*', 6 "%n".
class StrException {
public:
    StrException(const CPooledStr& text, int code) : m_text(text), m_code(code) {}
    const CPooledStr& Text() const { return m_text; }
    int Code() const { return m_code; }

private:
    CPooledStr m_text;
    int m_code;
};
