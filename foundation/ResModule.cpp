// The resource source: the language module first, then the program.
#include "ResModule.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "LogFile.h"
#include "fileio.h"
#include "framework/Library.h"

HINSTANCE CResModule::s_instance = nullptr;

namespace {

CLibrary g_language;

constexpr int kResStringChars = 512;
constexpr DWORD kNoResource = 0xFFFFFFFF;

bool HasFolderOrDrive(const wchar_t* fileName)
{
    return std::wcspbrk(fileName, L"\\/:") != nullptr;
}

// Tries the language module, then the program, with one loader.
template <class Handle, class Loader>
Handle FromModuleOrProgram(HMODULE language, HINSTANCE program, Loader load)
{
    if (language)
        if (const Handle handle = load(language))
            return handle;
    return load(program);
}

LPCDLGTEMPLATEW FindDialogTemplate(HMODULE module, LPCWSTR name)
{
    if (!module)
        return nullptr;
    const HRSRC info = FindResourceW(module, name, RT_DIALOG);
    const HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
    return loaded ? static_cast<LPCDLGTEMPLATEW>(LockResource(loaded)) : nullptr;
}

}  // namespace

void CResModule::SetInstance(HINSTANCE instance)
{
    s_instance = instance;
}

HINSTANCE CResModule::GetInstance()
{
    return s_instance ? s_instance : GetModuleHandleW(nullptr);
}

HMODULE CResModule::GetLanguageModule()
{
    return g_language.Get();
}

int CResModule::LoadLanguage(const wchar_t* fileName)
{
    FreeLanguage();
    wchar_t path[MAX_PATH];
    // A module is code-free data, and only the program's own folder is
    // trusted to hold one.
    if (!fileName || !fileName[0] || HasFolderOrDrive(fileName) || !PathInProgramFolder(fileName, nullptr, path)) {
        WriteToLogFile(L"Language file %s is not a file name in the program folder", fileName ? fileName : L"");
        return 0;
    }
    const HMODULE module =
        LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (reinterpret_cast<ULONG_PTR>(module) <= 32) {
        WriteToLogFile(L"Failed to load language file %s - error %d", path, GetLastError());
        return 0;
    }
    g_language.Reset(module);
    return 1;
}

void CResModule::FreeLanguage()
{
    g_language.Reset();
}

int CResModule::LoadString(UINT id, wchar_t* buffer, int bufferChars)
{
    // A limit of 0 would hand back a pointer into the resource instead.
    if (bufferChars <= 0)
        return 0;
    buffer[0] = L'\0';
    if (g_language)
        if (const int length = ::LoadStringW(g_language.Get(), id, buffer, bufferChars))
            return length;
    const int length = ::LoadStringW(GetInstance(), id, buffer, bufferChars);
    if (length == 0)
        buffer[0] = L'\0';
    return length;
}

HMENU CResModule::LoadMenu(LPCWSTR name)
{
    return FromModuleOrProgram<HMENU>(GetLanguageModule(), GetInstance(), [name](HMODULE m) { return ::LoadMenuW(m, name); });
}

HBITMAP CResModule::LoadBitmap(LPCWSTR name)
{
    return FromModuleOrProgram<HBITMAP>(GetLanguageModule(), GetInstance(),
                                        [name](HMODULE m) { return ::LoadBitmapW(m, name); });
}

HCURSOR CResModule::LoadCursor(LPCWSTR name)
{
    return FromModuleOrProgram<HCURSOR>(GetLanguageModule(), GetInstance(),
                                        [name](HMODULE m) { return ::LoadCursorW(m, name); });
}

HICON CResModule::LoadIcon(LPCWSTR name)
{
    return FromModuleOrProgram<HICON>(GetLanguageModule(), GetInstance(), [name](HMODULE m) { return ::LoadIconW(m, name); });
}

HBITMAP CResModule::CreateMappedBitmap(UINT bitmapId, COLORMAP map)
{
    return FromModuleOrProgram<HBITMAP>(GetLanguageModule(), GetInstance(), [bitmapId, &map](HMODULE m) {
        return ::CreateMappedBitmap(m, static_cast<INT_PTR>(bitmapId), 0, &map, 1);
    });
}

INT_PTR CResModule::DialogBoxParam(LPCWSTR name, HWND parent, DLGPROC proc, LPARAM initParam)
{
    if (const LPCDLGTEMPLATEW dialog = FindDialogTemplate(GetLanguageModule(), name)) {
        const INT_PTR result = ::DialogBoxIndirectParamW(GetInstance(), dialog, parent, proc, initParam);
        if (result != -1)
            return result;
    }
    return ::DialogBoxParamW(GetInstance(), name, parent, proc, initParam);
}

INT_PTR CResModule::DialogBoxById(UINT id, HWND parent, DLGPROC proc, LPARAM initParam)
{
    return DialogBoxParam(MAKEINTRESOURCEW(id), parent, proc, initParam);
}

HWND CResModule::CreateDialogParam(LPCWSTR name, HWND parent, DLGPROC proc, LPARAM initParam)
{
    if (const LPCDLGTEMPLATEW dialog = FindDialogTemplate(GetLanguageModule(), name))
        if (const HWND window = ::CreateDialogIndirectParamW(GetInstance(), dialog, parent, proc, initParam))
            return window;
    return ::CreateDialogParamW(GetInstance(), name, parent, proc, initParam);
}

DWORD CResModule::LoadRawResource(LPCWSTR name, void* buffer, DWORD bufferBytes, LPCWSTR type)
{
    HMODULE module = g_language ? g_language.Get() : GetInstance();
    HRSRC info = FindResourceW(module, name, type);
    if (!info && module != GetInstance()) {
        module = GetInstance();
        info = FindResourceW(module, name, type);
    }
    const HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return kNoResource;
    const DWORD size = SizeofResource(module, info);
    if (buffer && bufferBytes)
        std::memcpy(buffer, data, size < bufferBytes ? size : bufferBytes);
    return size;
}

const wchar_t* LoadResString(UINT id)
{
    // Per thread: the pipe thread shows messages too.
    thread_local wchar_t buffers[3][kResStringChars];
    thread_local int next = 0;
    wchar_t* const buffer = buffers[next];
    next = (next + 1) % 3;
    CResModule::LoadString(id, buffer, kResStringChars);
    return buffer;
}
