#include "TextFormat.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

template <class C>
bool IsDirectiveChar(C ch)
{
    constexpr char kDirectiveChars[] = "-+0 #*.123456789hlLIwjzt";
    for (const char* p = kDirectiveChars; *p; ++p)
        if (ch == static_cast<C>(*p))
            return true;
    return false;
}

// The C runtime refuses "%n" on Windows but carries it out elsewhere; refuse
// it everywhere, since no format of ours writes through an argument.
template <class C>
bool HasCountDirective(const C* format)
{
    for (const C* p = format; *p; ++p) {
        if (*p != '%')
            continue;
        ++p;
        while (IsDirectiveChar(*p))
            ++p;
        if (*p == 'n')
            return true;
        if (*p == 0)
            return false;
    }
    return false;
}

int CallRuntime(wchar_t* buffer, size_t count, const wchar_t* format, va_list args)
{
    return _vsnwprintf_s(buffer, count, _TRUNCATE, format, args);
}

int CallRuntime(char* buffer, size_t count, const char* format, va_list args)
{
    return _vsnprintf_s(buffer, count, _TRUNCATE, format, args);
}

template <class C>
int FormatWithRuntime(C* buffer, size_t count, const C* format, va_list args)
{
    if (buffer == nullptr || count == 0)
        return kFormatInvalid;
    if (format == nullptr || HasCountDirective(format)) {
        buffer[0] = 0;
        return kFormatInvalid;
    }
    errno = 0;
    const int length = CallRuntime(buffer, count, format, args);
    if (length >= 0)
        return length;
    // The runtime reports a cut and a bad format alike; errno tells them apart.
    if (errno == EINVAL || errno == EILSEQ) {
        buffer[0] = 0;
        return kFormatInvalid;
    }
    return kFormatCut;
}

void __cdecl IgnoreInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned int,
                                    uintptr_t)
{
}

}  // namespace

int FormatTextV(wchar_t* buffer, size_t count, const wchar_t* format, va_list args) noexcept
{
    return FormatWithRuntime(buffer, count, format, args);
}

int FormatTextV(char* buffer, size_t count, const char* format, va_list args) noexcept
{
    return FormatWithRuntime(buffer, count, format, args);
}

template <class C>
int FormatTextUnchecked(C* buffer, size_t count, const C* format, ...) noexcept
{
    va_list args;
    va_start(args, format);
    const int result = FormatTextV(buffer, count, format, args);
    va_end(args);
    return result;
}

template int FormatTextUnchecked(wchar_t*, size_t, const wchar_t*, ...) noexcept;
template int FormatTextUnchecked(char*, size_t, const char*, ...) noexcept;

void InstallInvalidParameterHandler()
{
    _set_invalid_parameter_handler(IgnoreInvalidParameter);
}
