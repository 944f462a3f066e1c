// The windows of a program run by a test, seen from the test's process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Every top-level window of the process with the class, now.
std::vector<HWND> WindowsOfClass(DWORD processId, const wchar_t* className);
// The rich-text control somewhere inside the window, or null.
HWND FindEditor(HWND window);
// The text of a window of another process.
std::wstring WindowText(HWND window);
