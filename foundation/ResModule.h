// The source of every user-visible text, dialog template, menu, bitmap,
// cursor and icon: the language module first, then the program itself.
// A null program instance means the executable, so lookups work before
// SetInstance.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CResModule {
public:
    static void SetInstance(HINSTANCE instance);
    static HINSTANCE GetInstance();          // the executable when none was set
    static HMODULE GetLanguageModule();      // null when none is loaded

    // Loads a language module by file name from the program folder only, as
    // a data file. 1 on success; 0 (and one log line) on failure, a name with
    // a folder or drive included.
    static int LoadLanguage(const wchar_t* fileName);
    static void FreeLanguage();

    // Returns the length; long texts are cut to bufferChars - 1.
    static int LoadString(UINT id, wchar_t* buffer, int bufferChars);
    static HMENU LoadMenu(LPCWSTR name);
    static HBITMAP LoadBitmap(LPCWSTR name);
    static HCURSOR LoadCursor(LPCWSTR name);
    static HICON LoadIcon(LPCWSTR name);
    static HBITMAP CreateMappedBitmap(UINT bitmapId, COLORMAP map);

    // The module's template runs with the program instance; without one, or
    // when it fails with -1, the program's own template. initParam defaults
    // to 0 (DialogBox's form).
    static INT_PTR DialogBoxParam(LPCWSTR name, HWND parent, DLGPROC proc, LPARAM initParam = 0);
    static INT_PTR DialogBoxById(UINT id, HWND parent, DLGPROC proc, LPARAM initParam = 0);
    static HWND CreateDialogParam(LPCWSTR name, HWND parent, DLGPROC proc, LPARAM initParam);

    // Copies at most bufferBytes and returns the resource's full size;
    // 0xFFFFFFFF when it is found nowhere.
    static DWORD LoadRawResource(LPCWSTR name, void* buffer, DWORD bufferBytes, LPCWSTR type);

private:
    static HINSTANCE s_instance;
};

// The text of a string-table entry in one of three per-thread buffers of 512
// characters: valid while at most two further calls are made on that thread.
const wchar_t* LoadResString(UINT id);
