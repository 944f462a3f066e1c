#include "ShellExecSeam.h"

#include <shellapi.h>

namespace {

HINSTANCE RealShellExecute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                           const wchar_t* directory, int showCommand)
{
    return ShellExecuteW(owner, verb, file, parameters, directory, showCommand);
}

}  // namespace

SShellExecuteSeam g_shellExecuteSeam = { RealShellExecute };
