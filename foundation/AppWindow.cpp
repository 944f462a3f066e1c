#include "AppWindow.h"

HWND g_hwndApp = nullptr;
