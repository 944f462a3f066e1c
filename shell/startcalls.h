// What start-up and shut-down ask of subsystems outside the shell: the LAN
// (threads, peer discovery and the lists, in exchange/) and the note
// editor's paste switch.
#pragma once

#include "exchange/detect.h"
#include "exchange/netsend.h"

// The editors paste plain text while this is set.
void SetForcePlainPaste(bool plainText);
