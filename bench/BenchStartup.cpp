#include "BenchStartup.h"

#include "BenchNotes.h"
#include "foundation/Seams.h"
#include "notestore/DBBackup.h"
#include "notestore/notemgr.h"
#include "tests/support/TestDir.h"

#include <windows.h>
#include <psapi.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kStartupRuns = 3;
constexpr int kVisibleNotes = 100;
constexpr DWORD kStartTimeoutMs = 180000;
constexpr DWORD kExitTimeoutMs = 60000;
// The working set is read once the program has settled after the last note shows.
constexpr DWORD kSettleMs = 1500;
constexpr WPARAM kExitCommand = 209;
constexpr double kBytesPerMb = 1024.0 * 1024.0;

std::wstring WindowsPath(const char* buildPath)
{
    std::wstring path = L"Z:";
    for (const char* at = buildPath; *at; ++at)
        path += static_cast<wchar_t>(*at == '/' ? '\\' : static_cast<unsigned char>(*at));
    return path;
}

double Min(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string Fixed(double value, int digits)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(digits) << value;
    return text.str();
}

std::string Pair(const std::vector<double>& values, int digits)
{
    return Fixed(Min(values), digits) + " / " + Fixed(Median(values), digits);
}

} // namespace

void MakeStartupFolder(const std::wstring& folder)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    // The program takes "/f" only for a folder with a settings file.
    const HANDLE ini = CreateFileW((folder + L"RERUZADU.INI").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                   nullptr);
    if (ini == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write the settings file");
    CloseHandle(ini);
    CNoteManager manager;
    const CSeamOverride<SNoteManagerSeam> seam(g_noteManagerSeam, {&manager});
    manager.SetDatabasePath(DataFile(folder).c_str());
    if (!manager.GetDB())
        throw std::runtime_error("cannot make the start-up database");
    std::vector<CNote*> notes;
    for (int index = 1; index <= kBaseNotes; ++index) {
        CNote* note = manager.AddNote(std::make_unique<CNote>());
        FillBenchNote(*note, index, 0);
        NoteRow& row = note->Row();
        row.visible = index <= kVisibleNotes;
        const int x = 10 + (index - 1) % 10 * 95;
        const int y = 10 + (index - 1) / 10 % 10 * 70;
        row.placement.showCmd = SW_SHOWNORMAL;
        row.placement.rcNormalPosition = {x, y, x + 150, y + 120};
        notes.push_back(note);
    }
    const bool stored = manager.StoreNotes(notes);
    manager.CloseAll();
    if (!stored)
        throw std::runtime_error("cannot store the start-up notes");
}

namespace {

// The rich texts of the visible notes, one a line, for the floor that streams
// what the notes hold.
std::wstring WriteFloorRtf(const std::wstring& root)
{
    const std::wstring path = root + L"floor.rtf";
    std::string lines;
    for (int index = 1; index <= kVisibleNotes; ++index) {
        CNote note;
        FillBenchNote(note, index, 0);
        // RTF ignores line breaks, so dropping them keeps the text as it shows.
        for (const wchar_t c : note.Row().displayText)
            if (c != L'\r' && c != L'\n')
                lines += static_cast<char>(c);
        lines += "\n";
    }
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr) &&
                    written == lines.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (!ok)
        throw std::runtime_error("cannot write the floor's rich texts");
    return path;
}

void EmptyFolder(const std::wstring& folder)
{
    RemoveTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
}

// One run of a program, ended when the object goes.
class CProgramRun {
public:
    CProgramRun(const std::wstring& program, const std::wstring& arguments) : m_start(NowMs())
    {
        std::wstring commandLine = L"\"" + program + L"\" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &m_process))
            throw std::runtime_error("cannot start a program of the start-up rows");
    }
    ~CProgramRun()
    {
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_process.hProcess, 1);
            WaitForSingleObject(m_process.hProcess, kExitTimeoutMs);
        }
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    CProgramRun(const CProgramRun&) = delete;
    CProgramRun& operator=(const CProgramRun&) = delete;

    // Milliseconds from the start until count windows of the class show.
    double WaitForVisible(const wchar_t* className, int count) const
    {
        while (CountVisible(className) < count) {
            if (NowMs() - m_start > kStartTimeoutMs || WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0)
                throw std::runtime_error("the windows of a start-up run did not show");
            Sleep(2);
        }
        return NowMs() - m_start;
    }

    double WorkingSetMb() const
    {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof(counters);
        if (!GetProcessMemoryInfo(m_process.hProcess, &counters, sizeof(counters)))
            return 0;
        return static_cast<double>(counters.WorkingSetSize) / kBytesPerMb;
    }

    // Milliseconds from posting the message to a window of the class until
    // the process has ended.
    double Close(const wchar_t* className, UINT message, WPARAM wParam) const
    {
        const HWND window = Find(className, false);
        const double start = NowMs();
        if (!window || !PostMessageW(window, message, wParam, 0) ||
            WaitForSingleObject(m_process.hProcess, kExitTimeoutMs) != WAIT_OBJECT_0)
            throw std::runtime_error("a program of the start-up rows did not exit");
        return NowMs() - start;
    }

private:
    struct SSearch {
        DWORD processId;
        const wchar_t* className;
        bool visibleOnly;
        int count;
        HWND found;
    };
    static BOOL CALLBACK Match(HWND window, LPARAM lParam)
    {
        auto* search = reinterpret_cast<SSearch*>(lParam);
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        wchar_t name[64] = {};
        if (processId != search->processId || !GetClassNameW(window, name, 64) ||
            std::wcscmp(name, search->className) != 0 || (search->visibleOnly && !IsWindowVisible(window)))
            return TRUE;
        ++search->count;
        search->found = window;
        return TRUE;
    }
    HWND Find(const wchar_t* className, bool visibleOnly) const
    {
        SSearch search = {m_process.dwProcessId, className, visibleOnly, 0, nullptr};
        EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    int CountVisible(const wchar_t* className) const
    {
        SSearch search = {m_process.dwProcessId, className, true, 0, nullptr};
        EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
        return search.count;
    }

    PROCESS_INFORMATION m_process = {};
    double m_start;
};

struct SStartSeries {
    std::vector<double> startMs, workingSetMb, exitMs;
};

struct SSide {
    std::wstring program, arguments;
    const wchar_t* noteClass;
    const wchar_t* closeClass;
    UINT closeMessage;
    WPARAM closeParam;
};

void RunOnce(const SSide& side, SStartSeries& series)
{
    const CProgramRun run(side.program, side.arguments);
    series.startMs.push_back(run.WaitForVisible(side.noteClass, kVisibleNotes));
    Sleep(kSettleMs);
    series.workingSetMb.push_back(run.WorkingSetMb());
    series.exitMs.push_back(run.Close(side.closeClass, side.closeMessage, side.closeParam));
}

bool PassesMappedQuickCheck(const std::wstring& file)
{
    std::string utf8(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, file.c_str(), -1, nullptr, 0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, file.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(utf8.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
              sqlite3_exec(db, "PRAGMA mmap_size=67108864;", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* check = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "PRAGMA quick_check;", -1, &check, nullptr) == SQLITE_OK &&
         sqlite3_step(check) == SQLITE_ROW &&
         std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok") == 0;
    sqlite3_finalize(check);
    sqlite3_close_v2(db);
    return ok;
}

// Every backup due, against one plain copy of the file and one check of it.
std::pair<std::vector<double>, std::vector<double>> MeasureBackups(const std::wstring& file, const std::wstring& root)
{
    const std::wstring backups = root + L"backups\\";
    const std::wstring copy = root + L"copy.dat";
    std::pair<std::vector<double>, std::vector<double>> series;
    for (int run = 0; run < kStartupRuns; ++run) {
        EmptyFolder(backups);
        double start = NowMs();
        BackupDatabaseFile(file.c_str(), backups.c_str());
        series.first.push_back(NowMs() - start);
        DeleteFileW(copy.c_str());
        start = NowMs();
        if (!CopyFileW(file.c_str(), copy.c_str(), FALSE) || !PassesMappedQuickCheck(copy))
            throw std::runtime_error("the plain copy of the start-up database failed");
        series.second.push_back(NowMs() - start);
    }
    return series;
}

void PrintRow(const std::string& name, const std::vector<double>& project, const std::vector<double>& floor,
              const std::string& target, int digits = 0)
{
    std::cout << std::left << std::setw(44) << name << std::setw(22) << Pair(project, digits) << std::setw(22)
              << (floor.empty() ? "-" : Pair(floor, digits)) << std::setw(16)
              << (floor.empty() ? "-" : Fixed(Min(project) / Min(floor), 2) + " / " +
                                            Fixed(Median(project) / Median(floor), 2))
              << target << "\n";
}

std::string Verdict(bool holds)
{
    return holds ? " holds" : " MISSED";
}

double FileSizeMb(const std::wstring& file)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return static_cast<double>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) /
           kBytesPerMb;
}

} // namespace

void MeasureBackupsOf(const std::wstring& file, const std::wstring& root)
{
    const auto backups = MeasureBackups(file, root);
    PrintRow("all due backups ms (floor: CopyFileW+check)", backups.first, backups.second, "<= 2");
}

void MeasureStartup(const std::wstring& root)
{
    const std::wstring folder = root + L"startup\\";
    MakeStartupFolder(folder);
    const std::wstring backupFolder = folder + L"Backup\\";
    const SSide program = {WindowsPath(QUILL32_EXE), L"/f \"" + folder + L"\"", L"NoteWClass", L"MainWClass",
                           WM_COMMAND, kExitCommand};
    const SSide floor = {WindowsPath(STARTUP_FLOOR_EXE), L"", L"FloorWClass", L"FloorWClass", WM_CLOSE, 0};
    const SSide notesFloor = {floor.program, WriteFloorRtf(root), L"FloorWClass", L"FloorWClass", WM_CLOSE, 0};
    // A first run that nobody times: it settles the file and the settings.
    SStartSeries priming;
    RunOnce(program, priming);
    SStartSeries cold, coldFloor, warm, warmFloor, warmNotesFloor;
    for (int run = 0; run < kStartupRuns; ++run) {
        EmptyFolder(backupFolder);
        RunOnce(program, cold);
        RunOnce(floor, coldFloor);
    }
    for (int run = 0; run < kStartupRuns; ++run) {
        RunOnce(program, warm);
        RunOnce(floor, warmFloor);
        RunOnce(notesFloor, warmNotesFloor);
    }
    const auto backups = MeasureBackups(DataFile(folder), root);
    const double mapMb = FileSizeMb(DataFile(folder));

    std::cout << "\nStart-up: QUILL32 /f on " << kBaseNotes << " notes, " << kVisibleNotes
              << " visible, file " << Fixed(mapMb, 1) << " MB; floor: one class, " << kVisibleNotes
              << " layered frames with a rich edit each (" << kStartupRuns << " runs by turns)\n"
              << std::left << std::setw(44) << "figure" << std::setw(22) << "QUILL32 min / median" << std::setw(22)
              << "floor min / median" << std::setw(16) << "ratio" << "target\n";
    const double warmRatio = Median(warm.startMs) / Median(warmFloor.startMs);
    PrintRow("warm start ms (backups current)", warm.startMs, warmFloor.startMs,
             "<= 1.5" + Verdict(warmRatio <= 1.5));
    PrintRow("  beside a floor streaming the notes' RTF", warm.startMs, warmNotesFloor.startMs, "-");
    PrintRow("  that floor beside the short-RTF floor", warmNotesFloor.startMs, warmFloor.startMs, "-");
    PrintRow("cold start ms (every backup due)", cold.startMs, coldFloor.startMs, "-");
    const double backupRatio = Median(backups.first) / Median(backups.second);
    PrintRow("all due backups ms (floor: CopyFileW+check)", backups.first, backups.second,
             "<= 2" + Verdict(backupRatio <= 2));
    const double workingSetLimit = 2 * Median(warmFloor.workingSetMb) + mapMb;
    PrintRow("working set MB (file map <= " + Fixed(mapMb, 1) + ")", warm.workingSetMb, warmFloor.workingSetMb,
             "<= 2x floor + map = " + Fixed(workingSetLimit, 1) +
                 Verdict(Median(warm.workingSetMb) <= workingSetLimit),
             1);
    PrintRow("  the floor streaming the notes' RTF", warmNotesFloor.workingSetMb, warmFloor.workingSetMb, "-", 1);
    PrintRow("exit ms after WM_COMMAND 209", warm.exitMs, {}, "<= 1000" + Verdict(Median(warm.exitMs) <= 1000));
}
