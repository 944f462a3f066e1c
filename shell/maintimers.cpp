// The main timers. Alarm firing and the timed jobs are not part of this
// build yet: the timers tick without work.
#include "maintimers.h"

void OnMainTimer(HWND, UINT_PTR)
{
}

void ClearPreviousAlarms()
{
}
