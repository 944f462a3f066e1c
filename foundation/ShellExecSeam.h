// The seam in front of ShellExecuteW (opening files and addresses, starting
// helper programs): one replaceable table, the real call by default.
#pragma once

#include <windows.h>

struct SShellExecuteSeam {
    HINSTANCE (*shellExecute)(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                              const wchar_t* directory, int showCommand);
};
extern SShellExecuteSeam g_shellExecuteSeam;
