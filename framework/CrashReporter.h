// The crash reporter, CrashRpt1402.dll: the install record exchanged with it
// and the program's run-time binding to its five exports, which it imports by
// ordinal only. A missing library makes every call fail; the program runs on.
#pragma once

#include <windows.h>

#include <cstddef>

#include "Library.h"

// Runs inside the crash filter before the dump is written; TRUE lets the
// report go on.
using CrashCallback = BOOL(WINAPI*)(void* state);

// The install record: a layout shared with the library, so every offset is
// fixed. Fields not named are zero.
struct CrashInstallRecord {
    UINT32 size = sizeof(CrashInstallRecord);
    UINT32 reserved4 = 0;
    const wchar_t* appName = nullptr;
    const wchar_t* appVersion = nullptr;
    const wchar_t* emailTo = nullptr;
    const wchar_t* emailSubject = nullptr;
    const wchar_t* uploadUrl = nullptr;
    const wchar_t* reserved48 = nullptr;
    CrashCallback callback = nullptr;
    UINT32 priorities[3] = {};
    UINT32 reserved76[2] = {};
    UINT32 flags = 0;
    const void* reserved88[4] = {};
    const wchar_t* restartCommandLine = nullptr;
    const void* reserved128[6] = {};
};
static_assert(sizeof(CrashInstallRecord) == 176, "the install record is 176 bytes");
static_assert(offsetof(CrashInstallRecord, appName) == 8, "record layout");
static_assert(offsetof(CrashInstallRecord, callback) == 56, "record layout");
static_assert(offsetof(CrashInstallRecord, priorities) == 64, "record layout");
static_assert(offsetof(CrashInstallRecord, flags) == 84, "record layout");
static_assert(offsetof(CrashInstallRecord, restartCommandLine) == 120, "record layout");

// The library's exports, by ordinal.
enum ECrashOrdinal : WORD {
    kCrashInstall = 7,
    kCrashUninstall = 9,
    kCrashAddFile = 15,
    kCrashAddProperty = 18,
    kCrashSetOption = 27,
};

// The error every call returns while the library is not bound.
constexpr int kCrashNotBound = -1;

// The property whose folder receives "Errors\" dumps.
constexpr wchar_t kCrashIniPathProperty[] = L"Ini file path";

class CCrashReporter {
public:
    CCrashReporter() = default;
    ~CCrashReporter() { Unbind(); }
    CCrashReporter(const CCrashReporter&) = delete;
    CCrashReporter& operator=(const CCrashReporter&) = delete;

    // Loads the library (by name from the program folder, or a full path)
    // and looks up the five ordinals; false when any is missing.
    bool Bind(const wchar_t* library = L"CrashRpt1402.dll");
    // Uninstalls the filter first, if it is installed.
    void Unbind();
    bool IsBound() const { return m_install != nullptr; }

    // 0 on success, else the library's error number (kCrashNotBound unbound).
    int Install(const CrashInstallRecord& record) const;
    int SetOption(int option, int value) const;
    int AddFile(const wchar_t* path, const wchar_t* destination, const wchar_t* description, int flags) const;
    int AddProperty(const wchar_t* name, const wchar_t* value) const;
    int Uninstall() const;

private:
    CLibrary m_library;
    int(WINAPI* m_install)(const CrashInstallRecord*) = nullptr;
    int(WINAPI* m_uninstall)() = nullptr;
    int(WINAPI* m_addFile)(const wchar_t*, const wchar_t*, const wchar_t*, int) = nullptr;
    int(WINAPI* m_addProperty)(const wchar_t*, const wchar_t*) = nullptr;
    int(WINAPI* m_setOption)(int, int) = nullptr;
};
