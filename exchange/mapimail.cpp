// A note handed to the mail program.
#include "mapimail.h"

#include <msi.h>

#include <string>
#include <vector>

#include "foundation/AppWindow.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/RegKey.h"
#include "foundation/TextFormat.h"
#include "framework/Library.h"
#include "notestore/Note.h"
#include "resources/resource.h"

namespace {

constexpr ULONG kMapiFailure = MAPI_E_FAILURE;
constexpr UINT kUtf8CodePage = CP_UTF8;
constexpr size_t kMaxPathChars = MAX_PATH - 1;
constexpr DWORD kMaxValueNameChars = 256;
constexpr size_t kMaxRegistryText = 32767;
constexpr LANGID kEnglishUs = 1033;

const wchar_t kMailClients[] = L"Software\\Clients\\Mail";
const wchar_t kMapiApps[] = L"SOFTWARE\\Microsoft\\Windows Messaging Subsystem\\MSMapiApps";

using MsiProvideQualifiedComponentFunc = UINT(WINAPI*)(LPCWSTR category, LPCWSTR qualifier, DWORD installMode,
                                                       LPWSTR path, DWORD* pathChars);

HMODULE RealLoad(const wchar_t* path)
{
    return LoadLibraryW(path);
}

FARPROC RealFind(HMODULE module, const char* name)
{
    return GetProcAddress(module, name);
}

// A library of the system folder, by its full path: never one that the
// search path offers first.
std::wstring SystemLibraryPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    return std::wstring(folder, length) + L"\\" + name;
}

HMODULE LoadMailLibrary(const std::wstring& path)
{
    return path.empty() ? nullptr : g_mailLibrarySeam.load(path.c_str());
}

template <class Function>
Function FindExport(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(g_mailLibrarySeam.find(module, name)))
                  : nullptr;
}

// The raw data of a value and its type; false when it is missing or larger
// than the bound.
bool ReadValue(HKEY key, const wchar_t* name, size_t maxBytes, std::vector<BYTE>& data, DWORD& type)
{
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size > maxBytes)
        return false;
    data.assign(size, 0);
    if (RegQueryValueExW(key, name, nullptr, &type, data.empty() ? nullptr : data.data(), &size) != ERROR_SUCCESS ||
        size > data.size())
        return false;
    data.resize(size);
    return true;
}

// The UTF-16 text of a value's data; false for an odd byte count.
bool DataText(const std::vector<BYTE>& data, std::wstring& text)
{
    if (data.size() % sizeof(wchar_t) != 0)
        return false;
    text.assign(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    return true;
}

// A string value, terminated within its data and at most maxChars long; an
// expandable one expanded, within the same bound.
bool ReadString(HKEY key, const wchar_t* name, size_t maxChars, std::wstring& text)
{
    std::vector<BYTE> data;
    DWORD type = 0;
    std::wstring all;
    if (!ReadValue(key, name, (maxChars + 1) * sizeof(wchar_t), data, type) ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || !DataText(data, all))
        return false;
    const size_t length = all.find(L'\0');
    if (length == std::wstring::npos || length > maxChars)
        return false;
    text = all.substr(0, length);
    if (type == REG_SZ)
        return true;
    wchar_t expanded[MAX_PATH] = {};
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), expanded, MAX_PATH);
    if (needed == 0 || needed > maxChars + 1)
        return false;
    text = expanded;
    return true;
}

bool ReadDword(HKEY key, const wchar_t* name, DWORD& value)
{
    std::vector<BYTE> data;
    DWORD type = 0;
    if (!ReadValue(key, name, sizeof(DWORD), data, type) || type != REG_DWORD || data.size() != sizeof(DWORD))
        return false;
    memcpy(&value, data.data(), sizeof(DWORD));
    return true;
}

// The strings of a multi-string that ends as one must.
bool ReadMultiString(HKEY key, const wchar_t* name, std::vector<std::wstring>& strings)
{
    std::vector<BYTE> data;
    DWORD type = 0;
    std::wstring all;
    if (!ReadValue(key, name, kMaxRegistryText * sizeof(wchar_t), data, type) || type != REG_MULTI_SZ ||
        !DataText(data, all))
        return false;
    if (all.empty() || all.back() != L'\0' || (all.size() > 1 && all[all.size() - 2] != L'\0'))
        return false;
    strings.clear();
    for (size_t at = 0; at < all.size() && all[at] != L'\0';) {
        const size_t end = all.find(L'\0', at);
        strings.push_back(all.substr(at, end - at));
        at = end + 1;
    }
    return true;
}

// The client named for a registered MAPI application loaded in this process;
// false when none is loaded, true with an empty name when its entry is empty.
bool FindLoadedMapiApp(HKEY machineRoot, std::wstring& client)
{
    CRegKeyHandle apps;
    if (apps.Open(machineRoot, kMapiApps, KEY_READ) != ERROR_SUCCESS)
        return false;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kMaxValueNameChars + 1] = {};
        DWORD nameChars = kMaxValueNameChars + 1;
        const LONG result = RegEnumValueW(apps.Get(), index, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            return false;
        if (result != ERROR_SUCCESS || nameChars > kMaxValueNameChars || !GetModuleHandleW(name))
            continue;
        if (!ReadString(apps.Get(), name, kMaxRegistryText, client))
            client.clear();
        return true;
    }
}

bool IsTerminalServer()
{
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    version.wSuiteMask = VER_SUITE_TERMINAL;
    const DWORDLONG condition = VerSetConditionMask(0, VER_SUITENAME, VER_AND);
    return VerifyVersionInfoW(&version, VER_SUITENAME, condition) != FALSE;
}

// The language ids of an LCID list: its first string a key below the user's
// policies or software, the others DWORD values there.
void AppendListedLanguages(HKEY client, HKEY userRoot, const wchar_t* listName, std::vector<DWORD>& languages)
{
    std::vector<std::wstring> list;
    if (!ReadMultiString(client, listName, list) || list.empty())
        return;
    CRegKeyHandle key;
    if (key.Open(userRoot, (L"Software\\Policy\\" + list[0]).c_str(), KEY_READ) != ERROR_SUCCESS &&
        key.Open(userRoot, (L"Software\\" + list[0]).c_str(), KEY_READ) != ERROR_SUCCESS)
        return;
    for (size_t at = 1; at < list.size(); ++at) {
        DWORD language = 0;
        if (ReadDword(key.Get(), list[at].c_str(), language))
            languages.push_back(language);
    }
}

// The component's path from Windows Installer, for the first language that
// gives one.
std::wstring ProvideComponentPath(HKEY client, HKEY userRoot, const std::wstring& component)
{
    const CLibrary msi(LoadMailLibrary(SystemLibraryPath(L"msi.dll")), g_mailLibrarySeam.free);
    const auto provide = FindExport<MsiProvideQualifiedComponentFunc>(msi.Get(), "MsiProvideQualifiedComponentW");
    if (!provide)
        return std::wstring();
    std::vector<DWORD> languages;
    AppendListedLanguages(client, userRoot, L"MSIApplicationLCID", languages);
    AppendListedLanguages(client, userRoot, L"MSIOfficeLCID", languages);
    languages.push_back(GetUserDefaultLangID());
    languages.push_back(GetSystemDefaultLangID());
    languages.push_back(kEnglishUs);
    DWORD installOnWts = 1;
    ReadDword(client, L"MSIInstallOnWTS", installOnWts);
    const bool mayInstall = installOnWts != 0 || !IsTerminalServer();
    for (const DWORD language : languages) {
        wchar_t qualifiers[2][64] = {};
        FormatText(qualifiers[0], 64, L"%lu\\%s", language, L"NT");
        FormatText(qualifiers[1], 64, L"%lu", language);
        for (const wchar_t* const qualifier : qualifiers)
            for (const INSTALLMODE mode : {INSTALLMODE_EXISTING, INSTALLMODE_DEFAULT}) {
                if (mode == INSTALLMODE_DEFAULT && !mayInstall)
                    continue;
                wchar_t path[MAX_PATH] = {};
                DWORD pathChars = MAX_PATH;
                if (provide(component.c_str(), qualifier, static_cast<DWORD>(mode), path, &pathChars) ==
                        ERROR_SUCCESS &&
                    pathChars < MAX_PATH)
                    return std::wstring(path, pathChars);
            }
    }
    return std::wstring();
}

// The client's library path as registered under one root, or empty.
std::wstring FindClientPathUnder(HKEY root, bool isUserRoot, HKEY userRoot, HKEY machineRoot, bool& utf8)
{
    CRegKeyHandle clients;
    if (clients.Open(root, kMailClients, KEY_READ) != ERROR_SUCCESS)
        return std::wstring();
    std::wstring name;
    if (FindLoadedMapiApp(machineRoot, name)) {
        if (name.empty())
            return std::wstring();
    } else if (!ReadString(clients.Get(), nullptr, kMaxRegistryText, name)) {
        return std::wstring();
    }
    CRegKeyHandle client;
    if (client.Open(clients.Get(), name.c_str(), KEY_READ) != ERROR_SUCCESS &&
        (!isUserRoot ||
         client.Open(machineRoot, (std::wstring(kMailClients) + L"\\" + name).c_str(), KEY_READ) != ERROR_SUCCESS))
        return std::wstring();
    DWORD supportsUtf8 = 0;
    if (ReadDword(client.Get(), L"SupportUTF8", supportsUtf8) && supportsUtf8 != 0)
        utf8 = true;
    std::wstring component;
    if (ReadString(client.Get(), L"MSIComponentID", kMaxRegistryText, component)) {
        const std::wstring path = ProvideComponentPath(client.Get(), userRoot, component);
        if (!path.empty())
            return path;
    }
    std::wstring path;
    return ReadString(client.Get(), L"DLLPath", kMaxPathChars, path) ? path : std::wstring();
}

bool MapiSupportInstalled(HKEY machineRoot)
{
    OFSTRUCT file = {};
    std::wstring client;
    return OpenFile("mapisvc.inf", &file, OF_EXIST) != HFILE_ERROR || FindLoadedMapiApp(machineRoot, client);
}

// Wide to the 8-bit form the ANSI entry takes; a null text stays null.
bool ToAnsiText(const wchar_t* text, bool utf8, std::string& converted)
{
    converted.clear();
    if (!text || !*text)
        return true;
    const UINT codePage = utf8 ? kUtf8CodePage : CP_ACP;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : 0;
    const int bytes = WideCharToMultiByte(codePage, flags, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    converted.assign(static_cast<size_t>(bytes), '\0');
    if (WideCharToMultiByte(codePage, flags, text, -1, &converted[0], bytes, nullptr, nullptr) != bytes)
        return false;
    converted.resize(static_cast<size_t>(bytes) - 1);
    return true;
}

ULONG SendByAnsiEntry(HMODULE mapi, const MapiMessageW& message, bool utf8)
{
    const auto send = FindExport<LPMAPISENDMAIL>(mapi, "MAPISendMail");
    std::string subject;
    std::string body;
    if (!send || !ToAnsiText(message.lpszSubject, utf8, subject) || !ToAnsiText(message.lpszNoteText, utf8, body))
        return kMapiFailure;
    MapiMessage ansi = {};
    ansi.ulReserved = utf8 ? kUtf8CodePage : 0;
    ansi.lpszSubject = message.lpszSubject ? &subject[0] : nullptr;
    ansi.lpszNoteText = message.lpszNoteText ? &body[0] : nullptr;
    return send(0, 0, &ansi, kMapiSendFlags, 0);
}

}  // namespace

SMailLibrarySeam g_mailLibrarySeam = { RealLoad, RealFind, FreeLibrary };

HMODULE FindMailClientDll(bool& utf8, HKEY userRoot, HKEY machineRoot)
{
    utf8 = false;
    std::wstring path = FindClientPathUnder(userRoot, true, userRoot, machineRoot, utf8);
    if (path.empty())
        path = FindClientPathUnder(machineRoot, false, userRoot, machineRoot, utf8);
    if (path.empty()) {
        if (!MapiSupportInstalled(machineRoot))
            return nullptr;
        return LoadMailLibrary(SystemLibraryPath(L"mapi32x.dll"));
    }
    if (CompareStringOrdinal(path.c_str(), -1, L"mapi32.dll", -1, TRUE) == CSTR_EQUAL)
        return nullptr;
    return LoadMailLibrary(path);
}

ULONG SendMapiMail(const MapiMessageW& message, HKEY userRoot, HKEY machineRoot)
{
    const CLibrary mapi(LoadMailLibrary(SystemLibraryPath(L"mapi32.dll")), g_mailLibrarySeam.free);
    if (!mapi)
        return kMapiFailure;
    // The entries take the message as writable; ours stays unchanged.
    MapiMessageW sent = message;
    if (const auto send = FindExport<MAPISendMailWFunc>(mapi.Get(), "MAPISendMailW"))
        return send(0, 0, &sent, kMapiSendFlags, 0);
    bool utf8 = false;
    {
        const CLibrary client(FindMailClientDll(utf8, userRoot, machineRoot), g_mailLibrarySeam.free);
        if (const auto send = FindExport<MAPISendMailWFunc>(client.Get(), "MAPISendMailW"))
            return send(0, 0, &sent, kMapiSendFlags, 0);
    }
    return SendByAnsiEntry(mapi.Get(), message, utf8);
}

int CNote::SendByEmail()
{
    // Copies: the mail program runs its own loop, and the note may go in it.
    std::wstring subject = GetDisplayName().c_str();
    std::wstring body = GetPlainText().c_str();
    MapiMessageW message = {};
    message.lpszSubject = &subject[0];
    message.lpszNoteText = &body[0];
    const ULONG result = SendMapiMail(message);
    if (result == SUCCESS_SUCCESS || result == MAPI_USER_ABORT)
        return 1;
    AppMessageBox(g_hwndApp, IDS_EMAIL_FAILED, MB_OK);
    return 0;
}
