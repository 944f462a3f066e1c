// TextFormat: the program's one printf-style formatter. Every format string of
// the program follows the Microsoft rules ("%s" has the width of the format,
// "%S" the other width, "%I64d" a 64-bit integer), which the C++ library of our
// compiler does not; so all text is formatted here, on the C runtime's own
// bounded functions, and nowhere else.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <type_traits>

// FormatTextV results besides a length: the text did not fit (the buffer holds
// the cut text, terminated), or the format is invalid (the buffer is empty).
constexpr int kFormatCut = -1;
constexpr int kFormatInvalid = -2;

// Formats into buffer (count characters, terminator included). Returns the
// length written, kFormatCut or kFormatInvalid. A "%n" directive is invalid.
int FormatTextV(wchar_t* buffer, size_t count, const wchar_t* format, va_list args) noexcept;
int FormatTextV(char* buffer, size_t count, const char* format, va_list args) noexcept;

// The unchecked variadic forms; call FormatText instead, which checks the
// arguments' types first.
// (Defined for wchar_t and char.)
template <class C>
int FormatTextUnchecked(C* buffer, size_t count, const C* format, ...) noexcept;

// Makes the C runtime's checked functions return an error instead of ending the
// process; installed once at start by the program and by the test runners.
void InstallInvalidParameterHandler();

// A varargs slot carries numbers, enums and pointers only: a string object or a
// long double would be read as garbage by the C runtime.
template <class T>
constexpr bool kIsFormatArgument =
    (std::is_arithmetic_v<T> && !std::is_same_v<T, long double>) || std::is_enum_v<T> ||
    std::is_pointer_v<T> || std::is_null_pointer_v<T> || std::is_array_v<T>;

template <class T>
constexpr void CheckFormatArgument()
{
    using Plain = std::remove_cv_t<std::remove_reference_t<T>>;
    static_assert(!std::is_class_v<Plain> && !std::is_union_v<Plain>,
                  "a string or other object cannot be a format argument: pass x.c_str()");
    static_assert(!std::is_same_v<Plain, long double>,
                  "the C runtime reads long double as double: pass a double");
    static_assert(kIsFormatArgument<Plain> || std::is_class_v<Plain> || std::is_union_v<Plain>,
                  "format arguments are numbers, enums and pointers");
}

template <class... Args>
constexpr void CheckFormatArguments()
{
    (CheckFormatArgument<Args>(), ...);
}

// What a checked argument is passed on as: enums as their underlying number,
// arrays as pointers, everything else as it is.
template <class T>
auto PassFormatArg(const T& value)
{
    if constexpr (std::is_enum_v<T>)
        return static_cast<std::underlying_type_t<T>>(value);
    else if constexpr (std::is_array_v<T>)
        return static_cast<const std::remove_extent_t<T>*>(value);
    else
        return value;
}

// The checked entry: a variadic template that refuses bad argument types at
// compile time, then forwards to the varargs form. Other entries (the log
// writer) follow the same pattern with CheckFormatArguments and PassFormatArg.
template <class C, class... Args>
int FormatText(C* buffer, size_t count, const C* format, const Args&... args) noexcept
{
    CheckFormatArguments<Args...>();
    return FormatTextUnchecked(buffer, count, format, PassFormatArg(args)...);
}
