// The system's fonts as the menus and the notification pop-up draw with them.
#pragma once

#include <windows.h>

// The non-client metrics in the layout without the padded border width,
// which every Windows version accepts; false, with the structure zeroed,
// when they cannot be read.
bool ReadNonClientMetrics(NONCLIENTMETRICSW& metrics);
