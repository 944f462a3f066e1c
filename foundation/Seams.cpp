// Test seams: the real behaviour of each table.
#include "Seams.h"

#include "LogFile.h"

#include <shlobj.h>

#include <ctime>

namespace {

__time64_t RealNow()
{
    return _time64(nullptr);
}

DWORD RealTickCount()
{
    return GetTickCount();
}

bool RealCounter(LONGLONG* count)
{
    LARGE_INTEGER value;
    if (!QueryPerformanceCounter(&value))
        return false;
    *count = value.QuadPart;
    return true;
}

bool RealFrequency(LONGLONG* countsPerSecond)
{
    LARGE_INTEGER value;
    if (!QueryPerformanceFrequency(&value))
        return false;
    *countsPerSecond = value.QuadPart;
    return true;
}

void RealSleep(DWORD milliseconds)
{
    Sleep(milliseconds);
}

bool RealProgramFile(wchar_t* path)
{
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    // A cut path ends in a name that does not exist.
    return length > 0 && length < MAX_PATH;
}

bool ShellFolder(int csidl, wchar_t* path)
{
    path[0] = L'\0';
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0];
}

bool RealPerUserRoot(wchar_t* path)
{
    return ShellFolder(CSIDL_APPDATA, path);
}

bool RealStartupFolder(wchar_t* path)
{
    return ShellFolder(CSIDL_STARTUP, path);
}

void RealDebugOutput(const wchar_t* text)
{
    OutputDebugStringW(text);
}

}  // namespace

SClockSeam g_clockSeam = {&RealNow, &RealTickCount};
SFrameClockSeam g_frameClockSeam = {&RealCounter, &RealFrequency, &RealSleep};
SFolderRootsSeam g_folderRootsSeam = {&RealProgramFile, &RealPerUserRoot, &RealStartupFolder};
SLogCaptureSeam g_logCaptureSeam = {nullptr, nullptr};
SDebugOutputSeam g_debugOutputSeam = {&RealDebugOutput};

SYSTEMTIME LocalTimeFromTime64(__time64_t time)
{
    tm local = {};
    SYSTEMTIME result = {};
    if (_localtime64_s(&local, &time) != 0)
        return result;
    result.wYear = static_cast<WORD>(local.tm_year + 1900);
    result.wMonth = static_cast<WORD>(local.tm_mon + 1);
    result.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    result.wDay = static_cast<WORD>(local.tm_mday);
    result.wHour = static_cast<WORD>(local.tm_hour);
    result.wMinute = static_cast<WORD>(local.tm_min);
    result.wSecond = static_cast<WORD>(local.tm_sec);
    return result;
}

SYSTEMTIME GetLocalNow()
{
    return LocalTimeFromTime64(g_clockSeam.now());
}

LONGLONG GetFrameClockFrequency()
{
    LONGLONG frequency = 0;
    return g_frameClockSeam.frequency(&frequency) && frequency > 0 ? frequency : 0;
}

LONGLONG FrameClockMilliseconds(LONGLONG frequency)
{
    LONGLONG count = 0;
    if (frequency <= 0 || !g_frameClockSeam.counter(&count))
        return 0;
    // In two parts, so a counter running for years cannot overflow the product.
    return count / frequency * 1000 + count % frequency * 1000 / frequency;
}

void PaceFrame(LONGLONG startMs, LONGLONG frequency, DWORD frameMs)
{
    const LONGLONG spent = FrameClockMilliseconds(frequency) - startMs;
    if (spent >= 0 && spent < frameMs)
        g_frameClockSeam.sleep(static_cast<DWORD>(frameMs - spent));
}

// Swapped under the log's lock: a line of another thread must not reach a
// capture that is being destroyed.
CLogCapture::CLogCapture() : m_saved(ExchangeLogCapture({&CLogCapture::Sink, this}))
{
}

CLogCapture::~CLogCapture()
{
    ExchangeLogCapture(m_saved);
}

void CLogCapture::Sink(void* context, const wchar_t* message)
{
    auto* self = static_cast<CLogCapture*>(context);
    const std::lock_guard<std::mutex> lock(self->m_mutex);
    self->m_lines.emplace_back(message);
}

std::vector<std::wstring> CLogCapture::Lines() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

bool CLogCapture::Contains(const std::wstring& line) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (const std::wstring& captured : m_lines)
        if (captured == line)
            return true;
    return false;
}

void CLogCapture::Clear()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
}
