// The tray seam's default: Shell_NotifyIconW as bound at run time.
#include "trayseam.h"

#include "shellsvc.h"

STraySeam g_traySeam = {&NotifyIconCall};
