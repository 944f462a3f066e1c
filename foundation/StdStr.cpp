#include "StdStr.h"

#include <cstdint>
#include <cwchar>
#include <vector>

namespace {

using WideCodecvt = std::codecvt<wchar_t, char, std::mbstate_t>;

const WideCodecvt& GlobalCodecvt()
{
    return std::use_facet<WideCodecvt>(std::locale());
}

// Under the "C" locale each byte becomes the character of the same value.
std::wstring NarrowToWide(const char* text, size_t length)
{
    std::wstring wide(length, L'\0');
    if (length == 0)
        return wide;
    std::mbstate_t state{};
    const char* fromNext = nullptr;
    wchar_t* toNext = nullptr;
    GlobalCodecvt().in(state, text, text + length, fromNext, &wide[0], &wide[0] + length, toNext);
    wide.resize(static_cast<size_t>(toNext - &wide[0]));
    return wide;
}

std::string WideToNarrow(const wchar_t* text, size_t length)
{
    const std::locale locale;
    const size_t room = length * static_cast<size_t>(std::use_facet<WideCodecvt>(locale).max_length()) + 1;
    std::vector<char> buffer(room);
    const int written = WideToNarrowCodecvt(buffer.data(), static_cast<int>(room), text,
                                            static_cast<int>(length), locale);
    return std::string(buffer.data(), static_cast<size_t>(written));
}

template <class C>
size_t TextLength(const C* text)
{
    return std::char_traits<C>::length(text);
}

HMODULE ProgramModule()
{
    static const HMODULE module = GetModuleHandleW(nullptr);
    return module;
}

int LoadStringFrom(HMODULE module, UINT id, wchar_t* buffer, int size)
{
    return LoadStringW(module, id, buffer, size);
}

int LoadStringFrom(HMODULE module, UINT id, char* buffer, int size)
{
    return LoadStringA(module, id, buffer, size);
}

constexpr int kFormatTrySizes[] = { 2048, 6144, 12288, 20480, 30720, CStdStr::kFormatMaxLength };

template <class C>
bool IsClassicSpace(C ch)
{
    return std::use_facet<std::ctype<C>>(std::locale()).is(std::ctype_base::space, ch);
}

template <class C>
int CompareLowered(const C* a, const C* b)
{
    const std::ctype<C>& ctype = std::use_facet<std::ctype<C>>(std::locale::classic());
    using Unsigned = std::make_unsigned_t<C>;
    for (;; ++a, ++b) {
        const Unsigned lowA = static_cast<Unsigned>(ctype.tolower(*a));
        const Unsigned lowB = static_cast<Unsigned>(ctype.tolower(*b));
        if (lowA != lowB || *a == 0)
            return static_cast<uint16_t>(lowA - lowB);
    }
}

}  // namespace

template <class C>
CStdStrT<C>::CStdStrT(const C* text)
{
    if (text != nullptr)
        Base::assign(text);
}

template <class C>
CStdStrT<C>::CStdStrT(const OtherChar* text)
{
    if (text == nullptr)
        return;
    if constexpr (std::is_same_v<C, wchar_t>)
        Base::assign(NarrowToWide(text, TextLength(text)));
    else
        Base::assign(WideToNarrow(text, TextLength(text)));
}

template <class C>
CStdStrT<C>::CStdStrT(const std::basic_string<OtherChar>& text)
{
    if constexpr (std::is_same_v<C, wchar_t>)
        Base::assign(NarrowToWide(text.data(), text.size()));
    else
        Base::assign(WideToNarrow(text.data(), text.size()));
}

template <class C>
CStdStrT<C>& CStdStrT<C>::operator=(const C* text)
{
    if (text == nullptr)
        Base::clear();
    else
        Base::assign(text);
    return *this;
}

template <class C>
CStdStrT<C> CStdStrT<C>::ConstructFromTextOrId(const C* textOrId)
{
    CStdStrT result;
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(textOrId);
    if (value != 0 && (value >> 16) == 0)
        result.Load(static_cast<UINT>(value));
    else
        result = textOrId;
    return result;
}

template <class C>
bool CStdStrT<C>::Load(UINT id)
{
    const HMODULE module = ProgramModule();
    const HRSRC block = FindResourceW(module, MAKEINTRESOURCEW(id / 16 + 1), RT_STRING);
    if (block == nullptr)
        return false;
    const DWORD bytes = SizeofResource(module, block);
    if (bytes <= 1)
        return false;
    // The block's size bounds every entry in it; an ANSI entry may need two
    // bytes for a character, so the narrow buffer is not halved.
    const int size = static_cast<int>(std::is_same_v<C, wchar_t> ? bytes / 2 : bytes);
    std::vector<C> buffer(static_cast<size_t>(size) + 1);
    const int length = LoadStringFrom(module, id, buffer.data(), size);
    if (length <= 0)
        return false;
    Base::assign(buffer.data(), TextLength(buffer.data()));
    return true;
}

template <class C>
void CStdStrT<C>::FormatUnchecked(const C* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

template <class C>
void CStdStrT<C>::FormatV(const C* format, va_list args)
{
    std::vector<C> buffer;
    for (const int size : kFormatTrySizes) {
        // One more than the size, so a text of exactly that size fits.
        buffer.assign(static_cast<size_t>(size) + 1, C());
        va_list tryArgs;
        va_copy(tryArgs, args);
        const int result = FormatTextV(buffer.data(), buffer.size(), format, tryArgs);
        va_end(tryArgs);
        if (result == kFormatInvalid) {
            Base::clear();
            return;
        }
        if (result >= 0) {
            Base::assign(buffer.data(), static_cast<size_t>(result));
            return;
        }
    }
    Base::assign(buffer.data(), static_cast<size_t>(kFormatMaxLength));
}

template <>
void CStdStrT<wchar_t>::FormatLogFont(const LOGFONTW& font)
{
    // A face name that fills its field may lack a terminator.
    wchar_t face[LF_FACESIZE + 1] = {};
    std::char_traits<wchar_t>::copy(face, font.lfFaceName, LF_FACESIZE);
    Format(L"%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,\"%s\"", font.lfHeight, font.lfWidth,
           font.lfEscapement, font.lfOrientation, font.lfWeight, font.lfItalic, font.lfUnderline,
           font.lfStrikeOut, font.lfCharSet, font.lfOutPrecision, font.lfClipPrecision,
           font.lfQuality, font.lfPitchAndFamily, face);
}

template <class C>
CStdStrT<C> CStdStrT<C>::Left(int count) const
{
    return Mid(0, count);
}

template <class C>
CStdStrT<C> CStdStrT<C>::Mid(int start, int count) const
{
    const int64_t length = static_cast<int64_t>(Base::size());
    const int64_t first = start < 0 ? 0 : start;
    if (count <= 0 || first >= length)
        return CStdStrT();
    const int64_t end = first + count < length ? first + count : length;
    return CStdStrT(Base::data() + first, static_cast<size_t>(end - first));
}

template <class C>
CStdStrT<C> CStdStrT<C>::MidFrom(int start) const
{
    const int64_t count = static_cast<int64_t>(Base::size()) - start;
    return Mid(start, count > INT32_MAX ? INT32_MAX : static_cast<int>(count));
}

template <class C>
int CStdStrT<C>::Find(C ch, int start) const
{
    if (start < 0)
        start = 0;
    const size_t found = Base::find(ch, static_cast<size_t>(start));
    return found == Base::npos ? -1 : static_cast<int>(found);
}

template <class C>
int CStdStrT<C>::Find(const C* text, int start) const
{
    if (text == nullptr)
        return -1;
    if (start < 0)
        start = 0;
    const size_t found = Base::find(text, static_cast<size_t>(start));
    return found == Base::npos ? -1 : static_cast<int>(found);
}

template <class C>
int CStdStrT<C>::FindCrLf(int start) const
{
    static constexpr C kCrLf[] = { '\r', '\n', 0 };
    return Find(kCrLf, start);
}

template <class C>
int CStdStrT<C>::Replace(const C* oldText, const C* newText)
{
    if (oldText == nullptr || *oldText == 0)
        return 0;
    const size_t oldLength = TextLength(oldText);
    const size_t newLength = newText == nullptr ? 0 : TextLength(newText);
    // Built into a new string, so the texts may lie inside this one and the
    // work stays linear however many occurrences there are.
    Base result;
    int count = 0;
    size_t from = 0;
    for (size_t found = Base::find(oldText, 0, oldLength); found != Base::npos;
         found = Base::find(oldText, from, oldLength)) {
        if (count == 0)
            result.reserve(Base::size());
        result.append(Base::data() + from, found - from);
        if (newText != nullptr)
            result.append(newText, newLength);
        from = found + oldLength;
        ++count;
    }
    if (count == 0)
        return 0;
    result.append(Base::data() + from, Base::size() - from);
    Base::swap(result);
    return count;
}

template <class C>
CStdStrT<C>& CStdStrT<C>::TrimLeft()
{
    size_t first = 0;
    while (first < Base::size() && IsClassicSpace((*this)[first]))
        ++first;
    Base::erase(0, first);
    return *this;
}

template <class C>
CStdStrT<C>& CStdStrT<C>::TrimRight()
{
    size_t end = Base::size();
    while (end > 0 && IsClassicSpace((*this)[end - 1]))
        --end;
    Base::erase(end);
    return *this;
}

template <class C>
CStdStrT<C>& CStdStrT<C>::Trim()
{
    TrimLeft();
    return TrimRight();
}

template <class C>
CStdStrT<C>& CStdStrT<C>::AppendText(const C* text)
{
    if (text == nullptr)
        return *this;
    // A text inside our own buffer would be freed by a growing append.
    const C* begin = Base::data();
    if (text >= begin && text <= begin + Base::size()) {
        const Base copy(text);
        Base::append(copy);
    } else {
        Base::append(text);
    }
    return *this;
}

template <class C>
CStdStrT<C> CStdStrT<C>::ConcatBangAndString(const CStdStrT& text)
{
    static constexpr C kBang[] = { '!', 0 };
    return kBang + text;
}

template <>
CStdStr& CStdStr::AppendNarrow(const char* text)
{
    if (text != nullptr)
        append(NarrowToWide(text, TextLength(text)));
    return *this;
}

template <>
CStdStr& CStdStr::AppendNarrowString(const std::string& text)
{
    append(NarrowToWide(text.data(), text.size()));
    return *this;
}

template <>
CStdStr& CStdStr::AssignNarrow(const char* text)
{
    clear();
    return AppendNarrow(text);
}

template <>
CStdStr& CStdStr::AssignNarrowString(const std::string& text)
{
    clear();
    return AppendNarrowString(text);
}

template <>
CStdStrA& CStdStrA::AppendNotesEndTag()
{
    static constexpr wchar_t kEndTag[] = L"</NOTES>";
    append(WideToNarrow(kEndTag, TextLength(kEndTag)));
    return *this;
}

template <>
CStdStrA CStdStrA::ConcatStringAndCrLf() const
{
    return *this + "\r\n";
}

template class CStdStrT<wchar_t>;
template class CStdStrT<char>;

int CompareNoCaseClassic(const wchar_t* a, const wchar_t* b)
{
    return CompareLowered(a, b);
}

int CompareNoCaseClassic(const CStdStr& a, const wchar_t* b)
{
    return CompareLowered(a.c_str(), b);
}

int CompareNoCaseClassic(const char* a, const char* b)
{
    return CompareLowered(a, b);
}

int CompareNoCaseClassic(const CStdStrA& a, const char* b)
{
    return CompareLowered(a.c_str(), b);
}

int WideToNarrowCodecvt(char* dest, int destLength, const wchar_t* text, int length,
                        const std::locale& locale)
{
    if (dest == nullptr || destLength <= 0)
        return 0;
    if (text == nullptr)
        length = 0;
    else if (length < 0)
        length = static_cast<int>(TextLength(text));
    std::mbstate_t state{};
    const wchar_t* fromNext = text;
    char* toNext = dest;
    if (length > 0)
        std::use_facet<WideCodecvt>(locale).out(state, text, text + length, fromNext, dest,
                                                dest + destLength - 1, toNext);
    *toNext = 0;
    return static_cast<int>(toNext - dest);
}
