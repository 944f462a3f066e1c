#include "uninstall/Sweep.h"

#include <windows.h>
#include <shellapi.h>

#include "resources/AppGuid.h"

namespace {

constexpr DWORD kMaxUninstallChars = 1024;

class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() { if (m_h) RegCloseKey(m_h); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    HKEY* Receive() { return &m_h; }
    HKEY Get() const { return m_h; }
private:
    HKEY m_h = nullptr;
};

std::wstring UninstallKeyPath()
{
    return std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kInstallerAppGuid + L"_is1";
}

// Registry text is only trusted when it is a string type of whole UTF-16
// units that ends in its terminator.
bool IsTerminatedText(DWORD type, const wchar_t* data, DWORD bytes)
{
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    if (bytes < sizeof(wchar_t) || bytes % sizeof(wchar_t) != 0)
        return false;
    return data[bytes / sizeof(wchar_t) - 1] == L'\0';
}

} // namespace

std::wstring ReadUninstallString()
{
    // Read access is all this needs; asking for more fails without
    // administrator rights. The 32-bit view is where the installer wrote.
    CRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), 0,
                      KEY_READ | KEY_WOW64_32KEY, key.Receive()) != ERROR_SUCCESS)
        return {};

    wchar_t text[kMaxUninstallChars] = {};
    DWORD type = REG_NONE;
    DWORD bytes = sizeof text;
    if (RegQueryValueExW(key.Get(), L"UninstallString", nullptr, &type,
                         reinterpret_cast<BYTE*>(text), &bytes) != ERROR_SUCCESS)
        return {};
    if (!IsTerminatedText(type, text, bytes))
        return {};
    return text;
}

bool StartSilentUninstall()
{
    const std::wstring command = ReadUninstallString();
    if (command.empty())
        return false;
    const HINSTANCE result = ShellExecuteW(GetDesktopWindow(), L"open", command.c_str(),
                                           L"/VERYSILENT /NORESTART", nullptr, SW_SHOWMAXIMIZED);
    return reinterpret_cast<INT_PTR>(result) > 32;
}
