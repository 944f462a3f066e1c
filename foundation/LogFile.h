// The program's log, QUILLT40.LOG: one time-stamped UTF-8 line per call,
// safe from any thread. The source position goes only to the debugger.
#pragma once

#include <windows.h>

#include <cstdarg>

#include "TextFormat.h"
#include "fileio.h"

// Close it through CloseLogFile, which waits for a line being written.
extern CWinFile g_logFile;

// The path of the open log, or the first path tried when none opened.
const wchar_t* GetLogFilePath();

// Per-user folder, else the program folder, else the drive's root: 1 when a
// log is open, 0 when none could be opened (later lines are then dropped).
int OpenLogFile();
void CloseLogFile();
// The crash path's close, which never waits: at once when no other thread
// is writing a line, else that thread closes the log as its line ends.
void CloseLogFileWithoutWaiting();

struct SLogCaptureSeam;

// Puts in another log capture under the log's lock, so that no line is still
// being handed to the one it replaces, which it returns.
SLogCaptureSeam ExchangeLogCapture(const SLogCaptureSeam& capture);

// Sends "name(line) : " to the debugger; a path is cut to its base name.
void TraceSourceLine(const wchar_t* sourceFile, int line);
void TraceSourceLine(const char* sourceFile, int line);

void WriteToLogFileV(const wchar_t* format, va_list args);
void WriteToLogFileUnchecked(const wchar_t* format, ...);

// The format is a literal; data goes in as arguments, checked at compile time.
template <class... Args>
void WriteToLogFile(const wchar_t* format, const Args&... args)
{
    CheckFormatArguments<Args...>();
    WriteToLogFileUnchecked(format, PassFormatArg(args)...);
}

// The log call with the caller's source position.
template <class... Args>
void WriteToLogFileAt(const char* sourceFile, int line, const wchar_t* format, const Args&... args)
{
    TraceSourceLine(sourceFile, line);
    WriteToLogFile(format, args...);
}

#define QLOG(...) WriteToLogFileAt(__FILE__, __LINE__, __VA_ARGS__)
