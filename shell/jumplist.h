// The taskbar jump list: tasks that start the program with a command word,
// which the single-instance forwarding hands to the running copy.
#pragma once

// True when the system offers the destination list (Windows 7 and later);
// start-up keeps the result as its Windows 7 flag.
bool BuildJumpList();
