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

namespace {

// GetDateFormatW and GetTimeFormatW alike.
using DateTextFn = int(WINAPI*)(LCID, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int);

void FormatOleDate(double date, DateTextFn format, DWORD flags, wchar_t* text, int size)
{
    if (size <= 0)
        return;
    text[0] = L'\0';
    SYSTEMTIME time = {};
    if (!VariantTimeToSystemTime(date, &time) || format(LOCALE_USER_DEFAULT, flags, &time, nullptr, text, size) == 0)
        text[0] = L'\0';
}

}  // namespace

void FormatDateShort(double date, wchar_t* text, int size)
{
    FormatOleDate(date, &GetDateFormatW, DATE_SHORTDATE, text, size);
}

void FormatDateLong(double date, wchar_t* text, int size)
{
    FormatOleDate(date, &GetDateFormatW, DATE_LONGDATE, text, size);
}

void FormatTimeShort(double date, wchar_t* text, int size)
{
    FormatOleDate(date, &GetTimeFormatW, TIME_NOSECONDS, text, size);
}
