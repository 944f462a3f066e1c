// Sweep32: starts the installer's uninstaller silently. Every failure ends
// quietly; the exit code is always 0.
#include "uninstall/Sweep.h"

int wmain()
{
    StartSilentUninstall();
    return 0;
}
