// The main timers. Alarm firing and the timed jobs are not part of this
// build yet: timer 100 keeps the tray icon added.
#include "maintimers.h"

#include "MainCommands.h"
#include "trayicon.h"

void OnMainTimer(HWND window, UINT_PTR timerId)
{
    // A failed add is tried again on the next tick.
    if (timerId == kMainTimerId && IsTrayReAddPending())
        AddTrayIcon(window);
}

void ClearPreviousAlarms()
{
}
