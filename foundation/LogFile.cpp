// The program's log file.
#include "LogFile.h"

#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <mutex>
#include <string>

#include "Seams.h"

CWinFile g_logFile;

namespace {

constexpr int kMessageChars = 4096;   // 4,095 characters and the terminator
constexpr int kStampChars = 27;
constexpr int kLineChars = kStampChars + 1 + kMessageChars;
// One UTF-16 unit never needs more than 3 UTF-8 bytes; then CR LF.
constexpr int kLineBytes = kLineChars * 3 + 2;
constexpr DWORD kLogSizeCap = 0x40000;
constexpr UINT kOpenExisting = CWinFile::accessReadWrite | CWinFile::shareRead | CWinFile::noInherit;
constexpr UINT kOpenNew = kOpenExisting | CWinFile::create;

// One lock for every line and for opening and closing, so lines of different
// threads never merge and nothing writes to a handle being closed. Recursive,
// so that the crash path can tell a line of its own thread from another's.
std::recursive_mutex g_logLock;
// Set by a crash while another thread held the lock; that thread closes the
// log when it lets go of its line.
std::atomic<bool> g_closeAfterLine{false};
wchar_t g_logPath[MAX_PATH];

template <class Char>
const Char* BaseName(const Char* path)
{
    const Char* base = path;
    for (const Char* p = path; *p; ++p)
        if (*p == Char('\\') || *p == Char('/'))
            base = p + 1;
    return base;
}

// "dd/mm/yyyy hh:mm:tttttttt :", always 27 characters.
void FormatStamp(wchar_t* stamp)
{
    const SYSTEMTIME now = GetLocalNow();
    const DWORD tick = g_clockSeam.tickCount();
    FormatText(stamp, kStampChars + 1, L"%02d/%02d/%04d %02d:%02d:%08lx :", now.wDay, now.wMonth, now.wYear,
               now.wHour, now.wMinute, tick);
}

// The line as UTF-8 with CR LF; 0 when it does not convert.
int LineToUtf8(const wchar_t* line, char* bytes)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, kLineBytes - 2, nullptr, nullptr);
    if (length <= 0)
        return 0;
    bytes[length - 1] = '\r';   // over the terminator
    bytes[length] = '\n';
    return length + 1;
}

void WriteLineLocked(const wchar_t* message)
{
    if (g_logCaptureSeam.sink)
        g_logCaptureSeam.sink(g_logCaptureSeam.context, message);
    if (!g_logFile.IsOpen())
        return;

    wchar_t line[kLineChars];
    FormatStamp(line);
    line[kStampChars] = L' ';
    wcscpy(line + kStampChars + 1, message);

    char bytes[kLineBytes];
    int length = LineToUtf8(line, bytes);
    if (length == 0) {
        wchar_t failure[64];
        FormatText(failure, 64, L"Failed to convert to UTF8 string %d", HRESULT_FROM_WIN32(GetLastError()));
        wcscpy(line + kStampChars + 1, failure);
        length = LineToUtf8(line, bytes);
    }
    // A lost line is not worth failing the caller.
    g_logFile.Write(bytes, static_cast<DWORD>(length));
}

void WriteMessage(const wchar_t* message)
{
    const std::lock_guard<std::recursive_mutex> lock(g_logLock);
    WriteLineLocked(message);
    if (g_closeAfterLine.exchange(false))
        g_logFile.Close();
}

// The log path in the folder of folderOrFile, whatever its root (a drive, a
// share, a "\\?\" path); false when a part does not fit.
bool FormLogPath(const wchar_t* folderOrFile, wchar_t* path)
{
    return PathInFolderOf(folderOrFile, L"QUILLT40", L"LOG", path);
}

// The log in the root of the path's drive; false for a path without a drive
// letter (a share has no root of its own to fall back to).
bool FormRootLogPath(const wchar_t* tried, wchar_t* path)
{
    const wchar_t letter = static_cast<wchar_t>(tried[0] | 0x20);
    if (letter < L'a' || letter > L'z' || tried[1] != L':')
        return false;
    const wchar_t root[] = { tried[0], L':', L'\\', L'\0' };
    return PathInFolderOf(root, L"QUILLT40", L"LOG", path);
}

// The per-user log folder, created when missing; false when it is unusable.
bool PerUserLogFolder(wchar_t* folder)
{
    if (!g_folderRootsSeam.perUserRoot(folder) || !folder[0])
        return false;
    std::wstring path(folder);
    if (path.back() != L'\\')
        path += L'\\';
    path += L"Quillet\\";
    if (path.size() >= MAX_PATH)
        return false;
    if (!IsDirectory(path.c_str()))
        CreateDirectoryIfMissing(path.c_str());
    // A file of that name does not make a usable folder.
    if (!IsDirectory(path.c_str()))
        return false;
    wcscpy(folder, path.c_str());
    return true;
}

bool OpenLogAt(const wchar_t* path)
{
    return g_logFile.Open(path, FileExists(path) ? kOpenExisting : kOpenNew);
}

// The log path in the per-user folder when it is usable, else in the
// program's folder.
bool ChooseLogPath(wchar_t* path)
{
    wchar_t folder[MAX_PATH];
    if (PerUserLogFolder(folder) && FormLogPath(folder, path))
        return true;
    return g_folderRootsSeam.programFile(folder) && FormLogPath(folder, path);
}

// The chosen folder, else the root of its drive.
bool OpenLogLocked()
{
    wchar_t path[MAX_PATH];
    g_logPath[0] = L'\0';
    if (!ChooseLogPath(path))
        return false;
    wcscpy(g_logPath, path);
    if (OpenLogAt(path))
        return true;
    wchar_t rootPath[MAX_PATH];
    if (!FormRootLogPath(path, rootPath) || !OpenLogAt(rootPath))
        return false;
    wcscpy(g_logPath, rootPath);
    return true;
}

// Keeps the last kLogSizeCap bytes from a line start.
void TrimLogLocked()
{
    const DWORD length = g_logFile.SeekToEnd();
    if (length <= kLogSizeCap)
        return;
    g_logFile.Seek(-static_cast<LONG>(kLogSizeCap), FILE_END);
    std::string tail(kLogSizeCap, '\0');
    tail.resize(g_logFile.Read(tail.data(), kLogSizeCap));
    if (tail.empty())
        return;
    const size_t lineEnd = tail.find("\r\n");
    if (lineEnd != std::string::npos)
        tail.erase(0, lineEnd + 2);
    g_logFile.SetLength(0);
    if (!g_logFile.Write(tail.data(), static_cast<DWORD>(tail.size())))
        throw CWinFileException(GetLastError(), L"");
    g_logFile.SeekToEnd();
}

}  // namespace

const wchar_t* GetLogFilePath()
{
    return g_logPath;
}

int OpenLogFile()
{
    DWORD trimError = ERROR_SUCCESS;
    {
        const std::lock_guard<std::recursive_mutex> lock(g_logLock);
        g_closeAfterLine = false;
        // A second open must not trim or write through a half-closed handle.
        g_logFile.Close();
        if (!OpenLogLocked())
            return 0;
        try {
            TrimLogLocked();
        } catch (const CWinFileException& e) {
            trimError = e.Error();
        }
    }
    if (trimError != ERROR_SUCCESS)
        WriteToLogFile(L"Trimming log file - failed - error %08lx, file %s", trimError, g_logPath);
    WriteToLogFile(L"-------------- Started logging to file %s", g_logPath);
    return 1;
}

void CloseLogFile()
{
    const std::lock_guard<std::recursive_mutex> lock(g_logLock);
    g_logFile.Close();
}

void CloseLogFileWithoutWaiting()
{
    g_closeAfterLine = true;
    // Free, or held by this thread (a crash inside the writer, whose line
    // never resumes): close now. Else the writer closes it as its line ends.
    const std::unique_lock<std::recursive_mutex> lock(g_logLock, std::try_to_lock);
    if (lock.owns_lock() && g_closeAfterLine.exchange(false))
        g_logFile.Close();
}

SLogCaptureSeam ExchangeLogCapture(const SLogCaptureSeam& capture)
{
    const std::lock_guard<std::recursive_mutex> lock(g_logLock);
    const SLogCaptureSeam replaced = g_logCaptureSeam;
    g_logCaptureSeam = capture;
    return replaced;
}

void TraceSourceLine(const wchar_t* sourceFile, int line)
{
    wchar_t text[256];
    FormatText(text, 256, L"%s(%d) : ", BaseName(sourceFile), line);
    g_debugOutputSeam.output(text);
}

void TraceSourceLine(const char* sourceFile, int line)
{
    // Only the base name is shown, so only it is converted: a deep build
    // folder must not cost the name.
    wchar_t wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, BaseName(sourceFile), -1, wide, MAX_PATH) == 0)
        wide[0] = L'\0';
    TraceSourceLine(wide, line);
}

void WriteToLogFileV(const wchar_t* format, va_list args)
{
    wchar_t message[kMessageChars];
    // A cut message keeps its first 4,095 characters; a bad format logs empty.
    FormatTextV(message, kMessageChars, format, args);
    WriteMessage(message);
}

void WriteToLogFileUnchecked(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteToLogFileV(format, args);
    va_end(args);
}
