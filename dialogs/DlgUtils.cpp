// Helpers shared by the program's dialogs.
#include "DlgUtils.h"

#include <commdlg.h>

#include <cwchar>

#include "foundation/MessageBoxSeam.h"
#include "foundation/RegKey.h"
#include "foundation/ResModule.h"
#include "framework/UiSeams.h"
#include "resources/resource.h"

namespace {

// A translated filter may be longer than the program's own.
constexpr std::size_t kFilterChars = 512;

}  // namespace

void ConvertFilter(const wchar_t* text, wchar_t* buffer, std::size_t bufferChars)
{
    if (bufferChars < 2)
        return;
    const std::size_t length = text ? wcsnlen(text, bufferChars - 2) : 0;
    for (std::size_t index = 0; index < length; ++index)
        buffer[index] = text[index] == L'!' ? L'\0' : text[index];
    buffer[length] = L'\0';
    buffer[length + 1] = L'\0';
}

EExportFormat ExportFormatFor(DWORD filterIndex, const wchar_t* path)
{
    if (filterIndex <= 1)
        return kExportText;
    if (filterIndex == 2)
        return kExportXml;
    const wchar_t* const extension = path ? wcsrchr(path, L'.') : nullptr;
    return extension && _wcsicmp(extension, L".xml") == 0 ? kExportXml : kExportText;
}

std::optional<EExportFormat> ChooseExportFile(HWND owner, CStdStr& path)
{
    wchar_t filter[kFilterChars];
    ConvertFilter(LoadResString(IDS_EXPORT_FILTER), filter, kFilterChars);
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = filter;
    request.lpstrFile = file;
    request.nMaxFile = MAX_PATH;
    request.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT;
    if (!g_commonDialogSeam.getSaveFileName(&request))
        return std::nullopt;
    path = file;
    return ExportFormatFor(request.nFilterIndex, file);
}

void ShowExportFailed(HWND owner, const wchar_t* path)
{
    CStdStr text;
    text.Format(LoadResString(IDS_EXPORT_FAILED), path);
    AppMessageBox(owner, text.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void SetDialogIcons(HWND)
{
}

std::wstring GetSystemMediaFolder()
{
    CRegKeyHandle key;
    // Read only: standard users may not write there.
    if (key.Open(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", KEY_READ) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD type = 0;
    DWORD bytes = sizeof(folder) - sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), L"MediaPath", nullptr, &type, reinterpret_cast<BYTE*>(folder), &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    // The stored text need not end in a NUL; the buffer's last unit stays one.
    std::wstring path(folder, wcsnlen(folder, bytes / sizeof(wchar_t)));
    if (path.empty() || path.size() >= MAX_PATH)
        return std::wstring();
    if (path.back() != L'\\')
        path += L'\\';
    return path;
}
