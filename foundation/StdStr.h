// StdStr: the program's string class. CStdStr is a wide (UTF-16) value string on
// the standard wide string, with printf-style formatting through the one
// formatter, string-table loading, trimming, search and replacement; its narrow
// twin CStdStrA serves the LAN wire headers, the XML notes document and the log.
// Narrow text converts through the global locale's conversion facet; under the
// "C" locale that the program keeps, each byte is the character of its value.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <locale>
#include <string>

#include "TextFormat.h"

template <class C>
class CStdStrT : public std::basic_string<C> {
public:
    using Base = std::basic_string<C>;
    // The character type of the other width.
    using OtherChar = std::conditional_t<std::is_same_v<C, wchar_t>, char, wchar_t>;

    CStdStrT() = default;
    CStdStrT(const CStdStrT&) = default;
    CStdStrT(CStdStrT&&) noexcept = default;
    CStdStrT& operator=(const CStdStrT&) = default;
    CStdStrT& operator=(CStdStrT&&) noexcept = default;

    // Null text gives an empty string.
    CStdStrT(const C* text);
    CStdStrT(const C* text, size_t length) : Base(text, length) {}
    CStdStrT(const Base& text) : Base(text) {}
    CStdStrT(Base&& text) noexcept : Base(std::move(text)) {}
    // Text of the other width, converted.
    explicit CStdStrT(const OtherChar* text);
    explicit CStdStrT(const std::basic_string<OtherChar>& text);

    CStdStrT& operator=(const C* text);

    // A non-null value below 0x10000 is a string-table id, loaded by Load;
    // anything else is text. Null or a missing id gives an empty string.
    static CStdStrT ConstructFromTextOrId(const C* textOrId);

    // Loads an entry of the program module's own string table (never the
    // language module). False, with the string unchanged, when it is missing.
    bool Load(UINT id);

    // printf-style formatting with the Microsoft rules; replaces the content.
    // A result longer than kFormatMaxLength is cut there; an invalid format
    // gives an empty string.
    template <class... Args>
    void Format(const C* format, const Args&... args)
    {
        CheckFormatArguments<Args...>();
        FormatUnchecked(format, PassFormatArg(args)...);
    }
    void FormatV(const C* format, va_list args);
    static constexpr int kFormatMaxLength = 43008;

    // The text form of a font in the settings file (wide only).
    void FormatLogFont(const LOGFONTW& font);

    // Parts of the text; positions and counts are clamped, never read outside.
    CStdStrT Left(int count) const;
    CStdStrT Mid(int start, int count) const;
    CStdStrT MidFrom(int start) const;

    // Index of the first occurrence at or after start, or -1.
    int Find(C ch, int start = 0) const;
    int Find(const C* text, int start = 0) const;
    int FindCrLf(int start = 0) const;

    // Replaces every occurrence of oldText (null or empty: nothing) by newText
    // (null counts as empty); inserted text is never searched again.
    int Replace(const C* oldText, const C* newText);

    // White space is the global locale's space class.
    CStdStrT& TrimLeft();
    CStdStrT& TrimRight();
    CStdStrT& Trim();

    // Safe when text lies inside this string.
    CStdStrT& AppendText(const C* text);

    // "!" followed by text.
    static CStdStrT ConcatBangAndString(const CStdStrT& text);

    // Narrow text into a wide string (wide only).
    CStdStrT& AppendNarrow(const char* text);
    CStdStrT& AppendNarrowString(const std::string& text);
    CStdStrT& AssignNarrow(const char* text);
    CStdStrT& AssignNarrowString(const std::string& text);

    // The end of the XML notes document, "</NOTES>" (narrow only).
    CStdStrT& AppendNotesEndTag();
    // A copy followed by "\r\n" (narrow only).
    CStdStrT ConcatStringAndCrLf() const;

private:
    void FormatUnchecked(const C* format, ...);
};

using CStdStr = CStdStrT<wchar_t>;
using CStdStrA = CStdStrT<char>;

// Width-specific members are defined for their own width only.
template <> void CStdStrT<wchar_t>::FormatLogFont(const LOGFONTW& font);
template <> CStdStrT<wchar_t>& CStdStrT<wchar_t>::AppendNarrow(const char* text);
template <> CStdStrT<wchar_t>& CStdStrT<wchar_t>::AppendNarrowString(const std::string& text);
template <> CStdStrT<wchar_t>& CStdStrT<wchar_t>::AssignNarrow(const char* text);
template <> CStdStrT<wchar_t>& CStdStrT<wchar_t>::AssignNarrowString(const std::string& text);
template <> CStdStrT<char>& CStdStrT<char>::AppendNotesEndTag();
template <> CStdStrT<char> CStdStrT<char>::ConcatStringAndCrLf() const;

extern template class CStdStrT<wchar_t>;
extern template class CStdStrT<char>;

template <class C>
CStdStrT<C> operator+(const CStdStrT<C>& a, const CStdStrT<C>& b)
{
    CStdStrT<C> result(a);
    result.append(b);
    return result;
}

template <class C>
CStdStrT<C> operator+(const CStdStrT<C>& a, const C* b)
{
    return a + CStdStrT<C>(b);
}

template <class C>
CStdStrT<C> operator+(const C* a, const CStdStrT<C>& b)
{
    return CStdStrT<C>(a) + b;
}

// Compares after lower-casing with the classic ("C") locale, terminators
// included, so a text never equals a longer one that starts with it. Returns 0
// when equal, else the difference of the first differing lower-cased
// characters as an unsigned 16-bit number.
int CompareNoCaseClassic(const wchar_t* a, const wchar_t* b);
int CompareNoCaseClassic(const CStdStr& a, const wchar_t* b);
int CompareNoCaseClassic(const char* a, const char* b);
int CompareNoCaseClassic(const CStdStrA& a, const char* b);

// Converts wide text (length -1: up to its terminator) through the locale's
// conversion facet into dest, stopping at the first character it cannot
// convert; always terminated within destLength (0: writes nothing). Returns the
// narrow length written.
int WideToNarrowCodecvt(char* dest, int destLength, const wchar_t* text, int length,
                        const std::locale& locale);
