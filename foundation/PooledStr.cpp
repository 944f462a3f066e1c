#include "PooledStr.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>
#include <utility>

namespace {

constexpr size_t kHeapBlockBytes = 640;

struct Pool {
    volatile LONG lock;
    PooledStrHead* first;
    int count;
};

Pool g_pools[kPooledStrClasses];
volatile LONG g_poolsClosed;

// The one empty text every empty string shares; never written, never freed.
struct SharedEmpty {
    PooledStrHead head;
    wchar_t text[64];
};
SharedEmpty g_sharedEmpty = { { { nullptr }, 2, 0, 63, 0 }, {} };

wchar_t* SharedEmptyText()
{
    return g_sharedEmpty.head.Text();
}

// A test-and-set lock: an increment that is undone on contention can keep two
// contenders backing off for ever.
class CPoolLock {
public:
    explicit CPoolLock(Pool& pool) : m_pool(pool)
    {
        while (InterlockedExchange(&m_pool.lock, 1) != 0)
            Sleep(0);
    }
    ~CPoolLock() { InterlockedExchange(&m_pool.lock, 0); }
    CPoolLock(const CPoolLock&) = delete;
    CPoolLock& operator=(const CPoolLock&) = delete;

private:
    Pool& m_pool;
};

size_t BlockBytes(int capacity)
{
    return 2 * static_cast<size_t>(capacity) + 26;
}

int ClassOfBytes(size_t bytes)
{
    return bytes >= kHeapBlockBytes ? -1 : static_cast<int>((bytes - 24) / 64);
}

int PoolCap(int sizeClass)
{
    return 50 - 5 * sizeClass;
}

PooledStrHead* PopFromPool(int sizeClass)
{
    Pool& pool = g_pools[sizeClass];
    const CPoolLock lock(pool);
    PooledStrHead* const block = pool.first;
    if (block != nullptr) {
        pool.first = block->link.next;
        --pool.count;
    }
    return block;
}

bool PushToPool(int sizeClass, PooledStrHead* block)
{
    Pool& pool = g_pools[sizeClass];
    const CPoolLock lock(pool);
    if (pool.count >= PoolCap(sizeClass))
        return false;
    block->link.next = pool.first;
    pool.first = block;
    ++pool.count;
    return true;
}

int RoundCapacity(int capacity)
{
    return capacity | 31;
}

int TextLength(const wchar_t* text, int count)
{
    if (count < 0)
        return static_cast<int>(wcslen(text));
    return static_cast<int>(wcsnlen(text, static_cast<size_t>(count)));
}

std::wstring AnsiToWide(const char* text)
{
    if (text == nullptr || *text == 0)
        return std::wstring();
    const int withTerminator = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (withTerminator <= 1)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(withTerminator), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], withTerminator);
    wide.resize(static_cast<size_t>(withTerminator - 1));
    return wide;
}

}  // namespace

PooledStrHead* PooledStrAllocBlock(int capacity)
{
    const size_t bytes = BlockBytes(capacity);
    const int sizeClass = ClassOfBytes(bytes);
    PooledStrHead* block = sizeClass >= 0 ? PopFromPool(sizeClass) : nullptr;
    if (block == nullptr)
        block = static_cast<PooledStrHead*>(malloc(bytes));
    if (block == nullptr)
        throw std::bad_alloc();
    block->link.owner.zero = 0;
    block->link.owner.threadId = GetCurrentThreadId();
    block->references = 1;
    block->flags = 0;
    block->capacity = capacity;
    return block;
}

void PooledStrFreeBlock(PooledStrHead* block)
{
    const int sizeClass = ClassOfBytes(BlockBytes(block->capacity));
    if (sizeClass >= 0 && g_poolsClosed == 0 && PushToPool(sizeClass, block))
        return;
    free(block);
}

void DrainStringPool(int sizeClass)
{
    while (PooledStrHead* const block = PopFromPool(sizeClass))
        free(block);
}

void FreeStringPools()
{
    // Closed first, so no block can slip into a pool after it was drained.
    InterlockedExchange(&g_poolsClosed, 1);
    for (int sizeClass = 0; sizeClass < kPooledStrClasses; ++sizeClass)
        DrainStringPool(sizeClass);
}

int PooledStrRoundCapacity(int capacity)
{
    return RoundCapacity(capacity);
}

int PooledStrClassOf(int capacity)
{
    return ClassOfBytes(BlockBytes(capacity));
}

int PooledStrListCount(int sizeClass)
{
    Pool& pool = g_pools[sizeClass];
    const CPoolLock lock(pool);
    return pool.count;
}

CPooledStr::CPooledStr() noexcept : m_text(SharedEmptyText())
{
}

CPooledStr::CPooledStr(const CPooledStr& other) noexcept : m_text(other.m_text)
{
    if (!IsSharedEmpty())
        InterlockedIncrement(&Head()->references);
}

CPooledStr::CPooledStr(CPooledStr&& other) noexcept : m_text(other.m_text)
{
    other.m_text = SharedEmptyText();
}

CPooledStr::CPooledStr(const wchar_t* text) : CPooledStr()
{
    Assign(text);
}

CPooledStr& CPooledStr::operator=(const CPooledStr& other) noexcept
{
    CPooledStr copy(other);
    Swap(copy);
    return *this;
}

CPooledStr& CPooledStr::operator=(CPooledStr&& other) noexcept
{
    CPooledStr moved(std::move(other));
    Swap(moved);
    return *this;
}

CPooledStr& CPooledStr::operator=(const wchar_t* text)
{
    Assign(text);
    return *this;
}

CPooledStr CPooledStr::ConstructFromAnsi(const char* text)
{
    CPooledStr result;
    result.AssignAnsi(text);
    return result;
}

bool CPooledStr::IsSharedEmpty() const noexcept
{
    return m_text == SharedEmptyText();
}

void CPooledStr::Swap(CPooledStr& other) noexcept
{
    std::swap(m_text, other.m_text);
}

void CPooledStr::Release() noexcept
{
    if (IsSharedEmpty())
        return;
    PooledStrHead* const head = Head();
    m_text = SharedEmptyText();
    if (InterlockedDecrement(&head->references) == 0)
        PooledStrFreeBlock(head);
}

bool CPooledStr::IsInsideOwnBlock(const wchar_t* text) const noexcept
{
    return text >= m_text && text <= m_text + Head()->capacity;
}

void CPooledStr::MakePrivate(int capacity, bool keepText)
{
    PooledStrHead* const head = Head();
    if (!IsSharedEmpty() && head->references == 1 && head->capacity >= capacity)
        return;
    const int newCapacity = RoundCapacity(capacity > head->capacity ? capacity : head->capacity);
    PooledStrHead* const block = PooledStrAllocBlock(newCapacity);
    block->length = keepText ? head->length : 0;
    if (keepText)
        wmemcpy(block->Text(), m_text, static_cast<size_t>(head->length) + 1);
    else
        block->Text()[0] = 0;
    Release();
    m_text = block->Text();
}

void CPooledStr::Assign(const wchar_t* text)
{
    if (text == nullptr || *text == 0) {
        Release();
        return;
    }
    if (IsInsideOwnBlock(text)) {
        const std::wstring copy(text);
        Assign(copy.c_str());
        return;
    }
    const int length = static_cast<int>(wcslen(text));
    MakePrivate(length, false);
    wmemcpy(m_text, text, static_cast<size_t>(length) + 1);
    Head()->length = length;
}

void CPooledStr::AssignAnsi(const char* text)
{
    const std::wstring wide = AnsiToWide(text);
    Assign(wide.c_str());
}

void CPooledStr::Append(const wchar_t* text, int count)
{
    if (text == nullptr || count <= 0)
        return;
    // A growing block frees the old text before it could be read.
    if (IsInsideOwnBlock(text)) {
        const std::wstring copy(text, static_cast<size_t>(count));
        Append(copy.c_str(), count);
        return;
    }
    const int length = GetLength();
    MakePrivate(length + count, true);
    wmemcpy(m_text + length, text, static_cast<size_t>(count));
    m_text[length + count] = 0;
    Head()->length = length + count;
}

void CPooledStr::Append(const wchar_t* text)
{
    if (text != nullptr)
        Append(text, static_cast<int>(wcslen(text)));
}

void CPooledStr::Append(wchar_t ch)
{
    Append(&ch, 1);
}

void CPooledStr::Insert(int position, const wchar_t* text, int count)
{
    const int length = GetLength();
    if (position < 0 || position > length)
        throw StrException(*this, 2);
    if (text == nullptr)
        return;
    const int whole = TextLength(text, -1);
    if (count < 0 || count > whole)
        count = whole;
    if (count == 0)
        return;
    if (IsInsideOwnBlock(text)) {
        const std::wstring copy(text, static_cast<size_t>(count));
        Insert(position, copy.c_str(), count);
        return;
    }
    MakePrivate(length + count, true);
    wmemmove(m_text + position + count, m_text + position, static_cast<size_t>(length - position) + 1);
    wmemcpy(m_text + position, text, static_cast<size_t>(count));
    Head()->length = length + count;
}

int CPooledStr::Replace(const wchar_t* oldText, const wchar_t* newText)
{
    if (oldText == nullptr || *oldText == 0)
        throw StrException(*this, 3);
    const std::wstring oldCopy(oldText);
    const std::wstring newCopy(newText == nullptr ? L"" : newText);
    const std::wstring text(m_text, static_cast<size_t>(GetLength()));
    CPooledStr result;
    int count = 0;
    size_t from = 0;
    for (size_t found = text.find(oldCopy); found != std::wstring::npos;
         found = text.find(oldCopy, from)) {
        result.Append(text.data() + from, static_cast<int>(found - from));
        result.Append(newCopy.data(), static_cast<int>(newCopy.size()));
        from = found + oldCopy.size();
        ++count;
    }
    if (count == 0)
        return 0;
    result.Append(text.data() + from, static_cast<int>(text.size() - from));
    Swap(result);
    return count;
}

// The formatter: literal runs are copied, text directives are handled here,
// and every number goes through the one formatter, one directive at a time.
namespace {

enum class SizePrefix { None, Short, Long, Wide64 };

struct Directive {
    std::wstring spec;  // flags, width and precision as written
    SizePrefix size = SizePrefix::None;
    int stars = 0;
    wchar_t conversion = 0;
};

constexpr int kMaxStars = 2;

bool IsSpecChar(wchar_t ch)
{
    return ch != 0 && wcschr(L"-+0 #*.123456789", ch) != nullptr;
}

bool IsConversion(wchar_t ch)
{
    return ch != 0 && wcschr(L"sS!cCdiouxXeEfgGp", ch) != nullptr;
}

// Size prefixes belong to the directive, so "%I64d" reads one 64-bit number
// instead of printing "I64d" and leaving the number for the next directive.
size_t SizePrefixLength(const wchar_t* p, SizePrefix& size)
{
    struct Prefix { const wchar_t* text; SizePrefix size; };
    static const Prefix kPrefixes[] = {
        { L"I64", SizePrefix::Wide64 }, { L"I32", SizePrefix::None }, { L"ll", SizePrefix::Wide64 },
        { L"I", SizePrefix::Wide64 },   { L"l", SizePrefix::Long },   { L"w", SizePrefix::Long },
        { L"h", SizePrefix::Short },    { L"L", SizePrefix::None },
    };
    for (const Prefix& prefix : kPrefixes) {
        const size_t length = wcslen(prefix.text);
        if (wcsncmp(p, prefix.text, length) == 0) {
            size = prefix.size;
            return length;
        }
    }
    return 0;
}

// Reads the directive after a '%'. Returns the position after its conversion,
// or nullptr when the format ends inside it.
const wchar_t* ParseDirective(const wchar_t* p, Directive& directive)
{
    for (;;) {
        if (IsSpecChar(*p)) {
            if (*p == L'*')
                ++directive.stars;
            directive.spec += *p++;
        } else if (const size_t length = SizePrefixLength(p, directive.size)) {
            p += length;
        } else {
            break;
        }
    }
    if (*p == 0)
        return nullptr;
    directive.conversion = *p;
    return p + 1;
}

// The precision after '.', from the digits or from its '*' argument; -1: none.
int PrecisionOf(const Directive& directive, const int* starValues)
{
    const std::wstring& spec = directive.spec;
    const size_t dot = spec.find(L'.');
    if (dot == std::wstring::npos)
        return -1;
    if (dot + 1 < spec.size() && spec[dot + 1] == L'*') {
        const int value = starValues[spec.find(L'*') < dot ? 1 : 0];
        return value < 0 ? -1 : value;
    }
    int precision = 0;
    for (size_t i = dot + 1; i < spec.size() && iswdigit(spec[i]) && precision < 100000000; ++i)
        precision = precision * 10 + (spec[i] - L'0');
    return precision;
}

class CArgReader {
public:
    explicit CArgReader(va_list& args) : m_args(args) {}
    int Int() { return va_arg(m_args, int); }
    long long Int64() { return va_arg(m_args, long long); }
    double Double() { return va_arg(m_args, double); }
    const void* Pointer() { return va_arg(m_args, const void*); }

private:
    va_list& m_args;
};

template <class T>
void AppendFormatted(CPooledStr& out, size_t room, const std::wstring& format,
                     const int* starValues, int stars, T value)
{
    wchar_t buffer[128];
    int length = kFormatInvalid;
    if (stars == 0)
        length = FormatText(buffer, room, format.c_str(), value);
    else if (stars == 1)
        length = FormatText(buffer, room, format.c_str(), starValues[0], value);
    else
        length = FormatText(buffer, room, format.c_str(), starValues[0], starValues[1], value);
    if (length == kFormatCut)
        length = static_cast<int>(room) - 1;
    if (length > 0)
        out.Append(buffer, length);
}

bool IsWideText(const Directive& directive, bool narrowFormat)
{
    if (directive.size == SizePrefix::Short)
        return false;
    if (directive.size == SizePrefix::Long)
        return true;
    const bool lower = directive.conversion == L's' || directive.conversion == L'c';
    return lower != narrowFormat;
}

void AppendText(CPooledStr& out, const Directive& directive, const int* starValues,
                bool narrowFormat, CArgReader& args)
{
    const void* const text = args.Pointer();
    std::wstring wide;
    if (text == nullptr)
        wide = L"(null)";
    else if (IsWideText(directive, narrowFormat))
        wide = static_cast<const wchar_t*>(text);
    else
        wide = AnsiToWide(static_cast<const char*>(text));
    const int precision = PrecisionOf(directive, starValues);
    if (precision >= 0 && static_cast<size_t>(precision) < wide.size())
        wide.resize(static_cast<size_t>(precision));
    out.Append(wide.c_str(), static_cast<int>(wide.size()));
}

void AppendChar(CPooledStr& out, const Directive& directive, const int* starValues,
                bool narrowFormat, CArgReader& args)
{
    const int value = args.Int();
    wchar_t ch = static_cast<wchar_t>(value);
    if (!IsWideText(directive, narrowFormat)) {
        const char narrow = static_cast<char>(value);
        MultiByteToWideChar(CP_ACP, 0, &narrow, 1, &ch, 1);
    }
    AppendFormatted(out, 64, L"%" + directive.spec + L"c", starValues, directive.stars, ch);
}

void AppendInteger(CPooledStr& out, const Directive& directive, const int* starValues,
                   CArgReader& args)
{
    std::wstring format = L"%" + directive.spec;
    if (directive.size == SizePrefix::Wide64) {
        format += L"I64";
        format += directive.conversion;
        AppendFormatted(out, 64, format, starValues, directive.stars, args.Int64());
        return;
    }
    if (directive.size == SizePrefix::Short)
        format += L'h';
    format += directive.conversion;
    AppendFormatted(out, 64, format, starValues, directive.stars, args.Int());
}

// Appends one directive; returns 0, or the StrException code that it fails with.
int AppendDirective(CPooledStr& out, const Directive& directive, bool narrowFormat,
                    CArgReader& args)
{
    const wchar_t conversion = directive.conversion;
    if (conversion == L'n')
        return 6;
    if (!IsConversion(conversion)) {
        out.Append(conversion);
        return 0;
    }
    // Every '*' takes its int whatever the conversion, or later arguments shift.
    if (directive.stars > kMaxStars)
        return 5;
    int starValues[kMaxStars] = {};
    for (int i = 0; i < directive.stars; ++i)
        starValues[i] = args.Int();
    const std::wstring spec = L"%" + directive.spec;
    switch (conversion) {
    case L's':
    case L'S':
        AppendText(out, directive, starValues, narrowFormat, args);
        break;
    case L'!': {
        const wchar_t* const text = static_cast<const wchar_t*>(args.Pointer());
        out.Append(text == nullptr ? L"(null)" : text);
        break;
    }
    case L'c':
    case L'C':
        AppendChar(out, directive, starValues, narrowFormat, args);
        break;
    case L'e':
    case L'E':
    case L'f':
    case L'g':
    case L'G':
        AppendFormatted(out, 128, spec + conversion, starValues, directive.stars, args.Double());
        break;
    case L'p':
        AppendFormatted(out, 64, spec + L'p', starValues, directive.stars, args.Pointer());
        break;
    default:
        AppendInteger(out, directive, starValues, args);
        break;
    }
    return 0;
}

// Literal characters plus room for each directive, reserved once.
int EstimateCapacity(const wchar_t* format)
{
    size_t estimate = 0;
    for (const wchar_t* p = format; *p && estimate < 0x10000000; ++p) {
        if (*p != L'%')
            ++estimate;
        else
            estimate += (p[1] == L's' || p[1] == L'S') ? 128 : 32;
    }
    return static_cast<int>(estimate);
}

}  // namespace

void CPooledStr::FormatUnchecked(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const int code = FormatDirectives(format == nullptr ? L"" : format, false, args);
    va_end(args);
    ThrowOnFailure(code);
}

void CPooledStr::FormatUncheckedNarrow(const char* format, ...)
{
    const std::wstring wide = AnsiToWide(format);
    va_list args;
    va_start(args, format);
    const int code = FormatDirectives(wide.c_str(), true, args);
    va_end(args);
    ThrowOnFailure(code);
}

void CPooledStr::FormatV(const wchar_t* format, va_list args)
{
    ThrowOnFailure(FormatDirectives(format == nullptr ? L"" : format, false, args));
}

void CPooledStr::FormatV(const char* format, va_list args)
{
    ThrowOnFailure(FormatDirectives(AnsiToWide(format).c_str(), true, args));
}

void CPooledStr::ThrowOnFailure(int code) const
{
    if (code != 0)
        throw StrException(*this, code);
}

// Built into a fresh block and swapped in at the end: an argument may be this
// string's own text, and a failure leaves the string as it was. Returns 0 or
// the StrException code.
int CPooledStr::FormatDirectives(const wchar_t* format, bool narrowFormat, va_list args)
{
    CPooledStr out;
    const int estimate = EstimateCapacity(format);
    if (estimate > 0)
        out.MakePrivate(estimate, false);
    CArgReader reader(args);
    for (const wchar_t* p = format; *p != 0;) {
        const wchar_t* const percent = wcschr(p, L'%');
        if (percent == nullptr) {
            out.Append(p);
            break;
        }
        out.Append(p, static_cast<int>(percent - p));
        Directive directive;
        p = ParseDirective(percent + 1, directive);
        if (p == nullptr)
            break;
        if (const int code = AppendDirective(out, directive, narrowFormat, reader))
            return code;
    }
    Swap(out);
    return 0;
}
