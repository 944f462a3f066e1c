// The program's log, QUILLT40.LOG: one time-stamped UTF-8 line per call,
// safe from any thread. The source position goes only to the debugger.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <type_traits>

#include "foundation/fileio.h"

extern CWinFile g_logFile;

// The path of the open log, or the first path tried when none opened.
const wchar_t* GetLogFilePath();

// Per-user folder, else the program folder, else the drive's root: 1 when a
// log is open, 0 when none could be opened (later lines are then dropped).
int OpenLogFile();
void CloseLogFile();

// Sends "name(line) : " to the debugger; a path is cut to its base name.
void TraceSourceLine(const wchar_t* sourceFile, int line);
void TraceSourceLine(const char* sourceFile, int line);

void WriteToLogFileV(const wchar_t* format, va_list args);

namespace logfile_detail {
void WriteToLogFileUnchecked(const wchar_t* format, ...);

template <class T>
constexpr bool IsLogArgument()
{
    return std::is_arithmetic_v<T> || std::is_enum_v<T> || std::is_pointer_v<T> || std::is_null_pointer_v<T>;
}
}  // namespace logfile_detail

// The format is a literal; data goes in as arguments.
template <class... Args>
void WriteToLogFile(const wchar_t* format, Args... args)
{
    static_assert((logfile_detail::IsLogArgument<Args>() && ...),
                  "log arguments are numbers, enums or pointers: pass text as .c_str()");
    static_assert(((!std::is_same_v<Args, long double>) && ...), "long double does not format");
    logfile_detail::WriteToLogFileUnchecked(format, args...);
}

// The log call with the caller's source position.
template <class... Args>
void WriteToLogFileAt(const char* sourceFile, int line, const wchar_t* format, Args... args)
{
    TraceSourceLine(sourceFile, line);
    WriteToLogFile(format, args...);
}

#define QLOG(...) WriteToLogFileAt(__FILE__, __LINE__, __VA_ARGS__)
