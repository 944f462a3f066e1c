// Test seams: each one small table of functions that product code reaches
// instead of the system, with the real behaviour as default. Tests replace a
// table for their span with CSeamOverride and read the log through CLogCapture.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

// The clock: "now" and the tick count.
struct SClockSeam {
    __time64_t (*now)();   // seconds since 1970 UTC, as _time64
    DWORD (*tickCount)();
};
extern SClockSeam g_clockSeam;

// The frame clock of animations: the performance counter, its frequency and
// the sleep between frames. A table of its own, so tests that replace the
// clock above with two members leave it whole.
struct SFrameClockSeam {
    bool (*counter)(LONGLONG* count);          // as QueryPerformanceCounter
    bool (*frequency)(LONGLONG* countsPerSecond);  // as QueryPerformanceFrequency
    void (*sleep)(DWORD milliseconds);
};
extern SFrameClockSeam g_frameClockSeam;

// The seam's counter frequency; 0 when it cannot be read (callers then do not
// animate).
LONGLONG GetFrameClockFrequency();
// Whole milliseconds on the frame clock at that frequency; 0 for a frequency
// of 0.
LONGLONG FrameClockMilliseconds(LONGLONG frequency);
// Sleeps the rest of a frame of frameMs that began at startMs.
void PaceFrame(LONGLONG startMs, LONGLONG frequency, DWORD frameMs);

// A calendar time in local time (the C runtime's time zone); all zero when it
// cannot be converted.
SYSTEMTIME LocalTimeFromTime64(__time64_t time);
// The seam's "now" in local time.
SYSTEMTIME GetLocalNow();

// The data-folder roots. Each fills a MAX_PATH buffer; false when unknown.
struct SFolderRootsSeam {
    bool (*programFile)(wchar_t* path);    // full path of the program module
    bool (*perUserRoot)(wchar_t* path);    // roaming application-data folder
    bool (*startupFolder)(wchar_t* path);  // the user's Startup folder
};
extern SFolderRootsSeam g_folderRootsSeam;

// Every log message as formatted (without its stamp), whether or not a log
// file is open. Called under the log's lock, so a sink needs no lock of its
// own and must not log.
struct SLogCaptureSeam {
    void (*sink)(void* context, const wchar_t* message);
    void* context;
};
extern SLogCaptureSeam g_logCaptureSeam;

// The debugger's output, where the log's source positions go.
struct SDebugOutputSeam {
    void (*output)(const wchar_t* text);
};
extern SDebugOutputSeam g_debugOutputSeam;

// Replaces a seam table for the life of the object.
template <class Table>
class CSeamOverride {
public:
    CSeamOverride(Table& live, const Table& replacement) : m_live(live), m_saved(live) { m_live = replacement; }
    ~CSeamOverride() { m_live = m_saved; }
    CSeamOverride(const CSeamOverride&) = delete;
    CSeamOverride& operator=(const CSeamOverride&) = delete;

private:
    Table& m_live;
    const Table m_saved;
};

// Collects log messages for the life of the object.
class CLogCapture {
public:
    CLogCapture();
    ~CLogCapture();
    CLogCapture(const CLogCapture&) = delete;
    CLogCapture& operator=(const CLogCapture&) = delete;

    std::vector<std::wstring> Lines() const;
    bool Contains(const std::wstring& line) const;
    void Clear();

private:
    static void Sink(void* context, const wchar_t* message);

    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_lines;
    SLogCaptureSeam m_saved;
};
