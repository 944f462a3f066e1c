// What start-up and shut-down ask of subsystems outside the shell: the LAN
// (listener and sender threads, peer discovery, the send history) and the
// note editor's paste switch.
#pragma once

// 1 when the LAN threads started, 0 when sockets could not be initialised.
int StartNetwork();
// 1 when both threads ended in time.
int StopNetwork();
// Announces this copy on the LAN and listens for others.
void StartInstanceDetection();
void CloseMailSlots();
// Takes in the announcements of other copies that arrived since the last read.
void ReadDetectedInstances();
// The send history, aliases and ignore list: 1 on success.
int LoadNetSends();
int StoreNetSends();

// The editors paste plain text while this is set.
void SetForcePlainPaste(bool plainText);
