// The seam in front of MessageBoxW, which every message box of the program
// goes through: one replaceable table, the real call by default. Tests put a
// scripted answer in its place.
#pragma once

#include <windows.h>

struct SMessageBoxSeam {
    int (*messageBox)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
};
extern SMessageBoxSeam g_messageBoxSeam;
