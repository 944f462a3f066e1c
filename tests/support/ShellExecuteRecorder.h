// A ShellExecuteW stand-in that records what it was asked to open, for tests
// of commands and addresses.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct SExecuted {
    std::wstring file;
    std::wstring parameters;  // "<none>" when none was given
};

inline std::vector<SExecuted>& ExecutedCalls()
{
    static std::vector<SExecuted> calls;
    return calls;
}

inline HINSTANCE RecordingShellExecute(HWND, const wchar_t*, const wchar_t* file, const wchar_t* parameters,
                                       const wchar_t*, int)
{
    ExecutedCalls().push_back({file ? file : L"", parameters ? parameters : L"<none>"});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}
