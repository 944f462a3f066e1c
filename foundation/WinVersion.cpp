#include "WinVersion.h"

#include "LogFile.h"

namespace {

BOOL RealVerifyVersionInfo(OSVERSIONINFOEXW* wanted, DWORD typeMask, DWORDLONG conditionMask)
{
    return VerifyVersionInfoW(wanted, typeMask, conditionMask);
}

bool IsAtLeast(DWORD major, DWORD minor)
{
    OSVERSIONINFOEXW wanted{};
    wanted.dwOSVersionInfoSize = sizeof wanted;
    wanted.dwMajorVersion = major;
    wanted.dwMinorVersion = minor;
    wanted.wServicePackMajor = 0;
    DWORDLONG condition = 0;
    condition = VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return g_windowsVersionSeam.verify(&wanted, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                                       condition) != FALSE;
}

}  // namespace

SWindowsVersionSeam g_windowsVersionSeam = {&RealVerifyVersionInfo};

WindowsVersionFlags& WindowsVersion()
{
    static WindowsVersionFlags flags;
    return flags;
}

const WindowsVersionFlags& DetectWindowsVersion()
{
    WindowsVersionFlags& flags = WindowsVersion();
    flags.winXP = IsAtLeast(5, 1);
    flags.vista = IsAtLeast(6, 0);
    flags.win7 = IsAtLeast(6, 1);
    flags.win8 = IsAtLeast(6, 2);
    flags.win81 = IsAtLeast(6, 3);
    QLOG(L"WinXP = %d, Vista = %d, Win7 = %d, Win8 = %d, Win8.1 = %d", int(flags.winXP), int(flags.vista),
         int(flags.win7), int(flags.win8), int(flags.win81));
    return flags;
}
