// What the program keeps of a session besides the notes: the settings
// record, the LAN lists and the hot keys. Shut-down and the end of the
// Windows session save them through these same functions; none needs the
// message loop, and each logs its failure.
#pragma once

void SaveSettingsRecord();
// Only lists that were loaded (the network started) are written back.
void SaveLanLists();
void SaveHotKeys();

// All three, in shut-down's order.
void SaveSessionState();
