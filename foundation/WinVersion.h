// Which Windows release the program runs on: the version flags that start-up
// sets once and that settings defaults, tray mode and the UAC fallback consult.
#pragma once

#include <windows.h>

struct WindowsVersionFlags {
    bool winXP = false;    // 5.1 or later; also selects tray mode
    bool vista = false;    // 6.0 or later
    bool win7 = false;     // 6.1 or later
    bool win8 = false;     // 6.2 or later
    bool win81 = false;    // 6.3 or later
};

// The seam in front of VerifyVersionInfoW.
struct SWindowsVersionSeam {
    BOOL (*verify)(OSVERSIONINFOEXW* wanted, DWORD typeMask, DWORDLONG conditionMask);
};
extern SWindowsVersionSeam g_windowsVersionSeam;

// The process-wide flags; start-up fills them, tests set them directly.
WindowsVersionFlags& WindowsVersion();

// Asks the system (VerifyVersionInfoW: major, minor and service-pack major all
// at least the release's) and stores the flags; logs
// "WinXP = %d, Vista = %d, Win7 = %d, Win8 = %d, Win8.1 = %d".
const WindowsVersionFlags& DetectWindowsVersion();
