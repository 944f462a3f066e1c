// Shell services that windows below the shell need too.
#include "ShellServices.h"

#include "Preferences.h"
#include "ShellExecSeam.h"
#include "SysFuncs.h"
#include "framework/UiSeams.h"

bool CanUseLayeredWindows()
{
    static FARPROC setLayered = nullptr;
    if (!setLayered)
        setLayered = FindSystemFunction(L"USER32.DLL", "SetLayeredWindowAttributes");
    return setLayered != nullptr;
}

bool HasAnimateMenu()
{
    BOOL animate = FALSE;
    return SystemParametersInfoW(SPI_GETMENUANIMATION, 0, &animate, 0) && animate;
}

BOOL TrackMenuInForeground(HMENU menu, int x, int y, HWND window, const RECT* rect)
{
    SetForegroundWindow(window);
    const BOOL result = SeamedTrackPopupMenu(menu, TPM_LEFTBUTTON, x, y, window, rect);
    // The menu closes properly on the next click elsewhere only after the
    // owner has seen a message of its own.
    PostMessageW(window, WM_NULL, 0, 0);
    return result;
}

int GetAnimationDuration()
{
    if (GetSystemMetrics(SM_REMOTESESSION))
        return 0;
    switch (g_prefs.AnimationSpeed) {
    case 1: return 120;
    case 2: return 75;
    case 3: return 0;
    default: return 200;
    }
}

bool ShellOpen(const wchar_t* pathOrAddress)
{
    const HINSTANCE result =
        g_shellExecuteSeam.shellExecute(nullptr, L"open", pathOrAddress, nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}
