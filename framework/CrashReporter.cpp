// Run-time binding to the crash reporter library.
#include "CrashReporter.h"

#include <cwchar>

#include "foundation/fileio.h"

namespace {

template <typename Fn>
Fn ExportByOrdinal(HMODULE library, ECrashOrdinal ordinal)
{
    // Through void*, which keeps -Wcast-function-type quiet.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(ordinal))));
}

// A bare name is looked for in the program folder only: the system's search
// would go on to the current folder, where anyone may have left a library.
HMODULE LoadReporterLibrary(const wchar_t* library)
{
    if (std::wcspbrk(library, L"\\/:"))
        return LoadLibraryW(library);
    wchar_t path[MAX_PATH];
    return PathInProgramFolder(library, nullptr, path) ? LoadLibraryW(path) : nullptr;
}

}  // namespace

bool CCrashReporter::Bind(const wchar_t* library)
{
    Unbind();
    m_library.Reset(LoadReporterLibrary(library));
    if (!m_library)
        return false;
    const HMODULE module = m_library.Get();
    m_install = ExportByOrdinal<decltype(m_install)>(module, kCrashInstall);
    m_uninstall = ExportByOrdinal<decltype(m_uninstall)>(module, kCrashUninstall);
    m_addFile = ExportByOrdinal<decltype(m_addFile)>(module, kCrashAddFile);
    m_addProperty = ExportByOrdinal<decltype(m_addProperty)>(module, kCrashAddProperty);
    m_setOption = ExportByOrdinal<decltype(m_setOption)>(module, kCrashSetOption);
    if (m_install && m_uninstall && m_addFile && m_addProperty && m_setOption)
        return true;
    Unbind();
    return false;
}

void CCrashReporter::Unbind()
{
    // A filter left installed would point into the freed library; uninstalling
    // when nothing is installed only fails.
    if (m_uninstall)
        m_uninstall();
    m_install = nullptr;
    m_uninstall = nullptr;
    m_addFile = nullptr;
    m_addProperty = nullptr;
    m_setOption = nullptr;
    m_library.Reset();
}

int CCrashReporter::Install(const CrashInstallRecord& record) const
{
    return m_install ? m_install(&record) : kCrashNotBound;
}

int CCrashReporter::SetOption(int option, int value) const
{
    return m_setOption ? m_setOption(option, value) : kCrashNotBound;
}

int CCrashReporter::AddFile(const wchar_t* path, const wchar_t* destination, const wchar_t* description,
                            int flags) const
{
    return m_addFile ? m_addFile(path, destination, description, flags) : kCrashNotBound;
}

int CCrashReporter::AddProperty(const wchar_t* name, const wchar_t* value) const
{
    return m_addProperty ? m_addProperty(name, value) : kCrashNotBound;
}

int CCrashReporter::Uninstall() const
{
    return m_uninstall ? m_uninstall() : kCrashNotBound;
}
