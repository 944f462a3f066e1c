// CrashRpt1402.dll: installs a process-wide crash filter that runs the
// program's callback and writes a minidump into the "Errors\" folder beside
// the settings file (else the temporary folder). Reports are never sent.
#include <windows.h>
#include <dbghelp.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "foundation/TextFormat.h"
#include "framework/CrashReporter.h"
#include "framework/KernelHandle.h"

namespace {

enum ECrashResult : int {
    kOk = 0,
    kBadArgument = 1,
    kBadRecordSize = 2,
    kAlreadyInstalled = 3,
    kNotInstalled = 4,
};

constexpr int kOptionCount = 32;

struct SAttachedFile {
    std::wstring path;
    std::wstring description;
};

struct SReporterState {
    bool installed = false;
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
    CrashCallback callback = nullptr;
    std::wstring appName;
    std::vector<std::pair<std::wstring, std::wstring>> properties;
    std::vector<SAttachedFile> files;
    int options[kOptionCount] = {};
};

std::mutex g_lock;
SReporterState g_state;
LONG g_inFilter = 0;

std::wstring PropertyValue(const wchar_t* name)
{
    for (const auto& property : g_state.properties)
        if (property.first == name)
            return property.second;
    return std::wstring();
}

// "Errors\" beside the settings file when that folder exists, else the
// temporary folder; always ends in a backslash.
std::wstring DumpFolder(const std::wstring& iniPath)
{
    if (!iniPath.empty()) {
        const size_t slash = iniPath.find_last_of(L"\\/");
        if (slash != std::wstring::npos) {
            const std::wstring errors = iniPath.substr(0, slash + 1) + L"Errors\\";
            const DWORD attributes = GetFileAttributesW(errors.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                return errors;
        }
    }
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        return std::wstring();
    std::wstring folder(temp, length);
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

std::wstring DumpPath(const std::wstring& folder, const std::wstring& appName)
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t name[MAX_PATH] = {};
    if (FormatText(name, MAX_PATH, L"%s-%04u%02u%02u-%02u%02u%02u-%lu.dmp",
                   appName.empty() ? L"crash" : appName.c_str(), now.wYear, now.wMonth, now.wDay, now.wHour,
                   now.wMinute, now.wSecond, GetCurrentProcessId()) < 0)
        return std::wstring();
    return folder + name;
}

void WriteDump(const std::wstring& path, EXCEPTION_POINTERS* exception)
{
    if (path.empty())
        return;
    const CKernelHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    MINIDUMP_EXCEPTION_INFORMATION info = {};
    info.ThreadId = GetCurrentThreadId();
    info.ExceptionPointers = exception;
    info.ClientPointers = FALSE;
    MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file.Get(), MiniDumpNormal,
                      exception ? &info : nullptr, nullptr, nullptr);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception)
{
    // A crash inside the report itself must not recurse.
    if (InterlockedExchange(&g_inFilter, 1) != 0)
        return EXCEPTION_CONTINUE_SEARCH;
    CrashCallback callback = nullptr;
    std::wstring iniPath;
    std::wstring appName;
    // The crashing thread may hold the lock: then report without the state.
    if (g_lock.try_lock()) {
        callback = g_state.callback;
        iniPath = PropertyValue(kCrashIniPathProperty);
        appName = g_state.appName;
        g_lock.unlock();
    }
    if (callback)
        callback(nullptr);
    WriteDump(DumpPath(DumpFolder(iniPath), appName), exception);
    InterlockedExchange(&g_inFilter, 0);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

// Exported by ordinal only, through CrashRpt1402.def.
extern "C" {

int WINAPI InstallReporter(const CrashInstallRecord* record)
{
    if (!record)
        return kBadArgument;
    if (record->size != sizeof(CrashInstallRecord))
        return kBadRecordSize;
    const std::lock_guard<std::mutex> lock(g_lock);
    if (g_state.installed)
        return kAlreadyInstalled;
    g_state.callback = record->callback;
    g_state.appName = record->appName ? record->appName : L"";
    g_state.previousFilter = SetUnhandledExceptionFilter(&OnUnhandledException);
    g_state.installed = true;
    return kOk;
}

int WINAPI UninstallReporter()
{
    const std::lock_guard<std::mutex> lock(g_lock);
    if (!g_state.installed)
        return kNotInstalled;
    SetUnhandledExceptionFilter(g_state.previousFilter);
    g_state = SReporterState();
    return kOk;
}

int WINAPI AttachReportFile(const wchar_t* path, const wchar_t* /*destination*/,
                                                  const wchar_t* description, int /*flags*/)
{
    if (!path || !*path)
        return kBadArgument;
    const std::lock_guard<std::mutex> lock(g_lock);
    if (!g_state.installed)
        return kNotInstalled;
    g_state.files.push_back({path, description ? description : L""});
    return kOk;
}

int WINAPI AddReportProperty(const wchar_t* name, const wchar_t* value)
{
    if (!name || !*name)
        return kBadArgument;
    const std::lock_guard<std::mutex> lock(g_lock);
    if (!g_state.installed)
        return kNotInstalled;
    for (auto& property : g_state.properties)
        if (property.first == name) {
            property.second = value ? value : L"";
            return kOk;
        }
    g_state.properties.emplace_back(name, value ? value : L"");
    return kOk;
}

// Options are kept for the report's own use; none changes what is written.
int WINAPI SetReporterOption(int option, int value)
{
    if (option < 0 || option >= kOptionCount)
        return kBadArgument;
    const std::lock_guard<std::mutex> lock(g_lock);
    g_state.options[option] = value;
    return kOk;
}

}  // extern "C"
