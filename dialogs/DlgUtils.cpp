// Helpers shared by the program's dialogs.
#include "DlgUtils.h"

#include <commdlg.h>

#include <cwchar>
#include <vector>

#include "foundation/MessageBoxSeam.h"
#include "foundation/RegKey.h"
#include "foundation/ResModule.h"
#include "framework/AppModule.h"
#include "framework/UiSeams.h"
#include "notewindows/RichEditCtrl.h"
#include "resources/resource.h"

namespace {

// A translated filter may be longer than the program's own.
constexpr std::size_t kFilterChars = 512;

// A file chooser's request with the filter of the string-table text, and
// the filter's buffer it points into.
struct SFileRequest {
    SFileRequest(HWND owner, UINT filterId, wchar_t* file, DWORD fileChars)
    {
        ConvertFilter(LoadResString(filterId), filter, kFilterChars);
        request.lStructSize = sizeof request;
        request.hwndOwner = owner;
        request.lpstrFilter = filter;
        request.lpstrFile = file;
        request.nMaxFile = fileChars;
    }
    SFileRequest(const SFileRequest&) = delete;
    SFileRequest& operator=(const SFileRequest&) = delete;

    wchar_t filter[kFilterChars];
    OPENFILENAMEW request = {};
};

BOOL ChooseOpenFile(HWND owner, UINT filterId, wchar_t* file, DWORD fileChars, const wchar_t* folder)
{
    SFileRequest chooser(owner, filterId, file, fileChars);
    chooser.request.lpstrInitialDir = folder;
    return g_commonDialogSeam.getOpenFileName(&chooser.request);
}

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
    wchar_t file[MAX_PATH] = {};
    SFileRequest chooser(owner, IDS_EXPORT_FILTER, file, MAX_PATH);
    chooser.request.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT;
    if (!g_commonDialogSeam.getSaveFileName(&chooser.request))
        return std::nullopt;
    path = file;
    return ExportFormatFor(chooser.request.nFilterIndex, file);
}

void ShowExportFailed(HWND owner, const wchar_t* path)
{
    CStdStr text;
    text.Format(LoadResString(IDS_EXPORT_FAILED), path);
    AppMessageBox(owner, text.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void SetDialogIcons(HWND dialog)
{
    const LPARAM icon = reinterpret_cast<LPARAM>(g_appModule.GetAppIcon());
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, icon);
    SendMessageW(dialog, WM_SETICON, ICON_BIG, icon);
}

LRESULT StreamTextToRichEdit(HWND richEdit, const CStdStr& text, bool rtf, bool intoSelection)
{
    // Not owned: the control is the dialog's.
    CRichEditCtrl50WT control(richEdit);
    return control.StreamInText(text, rtf, intoSelection);
}

CStdStr EscapeRtfText(const wchar_t* text)
{
    CStdStr escaped;
    for (const wchar_t* unit = text; unit && *unit; ++unit) {
        const unsigned value = static_cast<unsigned short>(*unit);
        if (value == L'\\' || value == L'{' || value == L'}') {
            escaped += L'\\';
            escaped += *unit;
        } else if (value < 128) {
            escaped += *unit;
        } else {
            CStdStr code;
            code.Format(L"\\u%u?", value);
            escaped += code;
        }
    }
    return escaped;
}

CStdStr LoadRtfResource(const wchar_t* name)
{
    constexpr DWORD kBufferBytes = 0x8000;
    std::vector<char> buffer(kBufferBytes);
    const DWORD size = CResModule::LoadRawResource(name, buffer.data(), kBufferBytes, MAKEINTRESOURCEW(RT_QUILLET_RTF));
    // The full size, or 0xFFFFFFFF for none: either may pass the buffer.
    const DWORD length = size < kBufferBytes ? size : kBufferBytes - 1;
    if (size == 0xFFFFFFFF || length == 0)
        return CStdStr();
    const int chars = MultiByteToWideChar(CP_ACP, 0, buffer.data(), static_cast<int>(length), nullptr, 0);
    CStdStr text;
    if (chars <= 0)
        return text;
    text.resize(static_cast<std::size_t>(chars));
    MultiByteToWideChar(CP_ACP, 0, buffer.data(), static_cast<int>(length), &text[0], chars);
    return text;
}

BOOL ChooseFontDlg(HWND owner, LOGFONTW& font, COLORREF& color)
{
    CHOOSEFONTW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpLogFont = &font;
    request.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS | CF_SCRIPTSONLY;
    request.rgbColors = color;
    const BOOL chosen = g_commonDialogSeam.chooseFont(&request);
    color = request.rgbColors;
    return chosen;
}

BOOL ChooseSoundFile(HWND owner, wchar_t* file, const wchar_t* folder)
{
    return ChooseOpenFile(owner, IDS_SOUND_FILTER, file, MAX_PATH, folder);
}

BOOL ChooseProgramFile(HWND owner, wchar_t* file)
{
    return ChooseOpenFile(owner, IDS_PROGRAM_FILTER, file, kProgramFileChars, nullptr);
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
