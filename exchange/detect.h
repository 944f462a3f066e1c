// Peer discovery: each running copy announces itself with one fixed record
// written to a broadcast mailslot and reads the announcements of the others
// from its own, so that the alias editor can offer them as aliases. All of
// it runs on the GUI thread.
#pragma once

#include <windows.h>

#include <cstddef>
#include <map>

// The announcement as it travels, little-endian.
struct InstanceRecord {
    DWORD version;        // byte 0 major, byte 1 minor, bytes 2-3 the build
    char userName[128];   // thread ANSI code page, NUL-terminated
    char hostName[128];
    BYTE reserved1[16];
    DWORD address;        // IPv4, network byte order
    BYTE reserved2[4];
};
static_assert(sizeof(InstanceRecord) == 284, "the announcement is 284 bytes");
static_assert(offsetof(InstanceRecord, version) == 0, "version at 0");
static_assert(offsetof(InstanceRecord, userName) == 4, "user name at 4");
static_assert(offsetof(InstanceRecord, hostName) == 132, "host name at 132");
static_assert(offsetof(InstanceRecord, reserved1) == 260, "reserved at 260");
static_assert(offsetof(InstanceRecord, address) == 276, "address at 276");
static_assert(offsetof(InstanceRecord, reserved2) == 280, "reserved at 280");

// The copy's own slot and the name that reaches every machine's.
struct SMailslotNamesSeam {
    const wchar_t* server;
    const wchar_t* broadcast;
};
extern SMailslotNamesSeam g_mailslotNamesSeam;

// What one read may take in, so that a flood neither holds the GUI thread
// nor grows memory and the alias list.
struct SDetectBoundsSeam {
    int messagesPerRead;
    size_t maxInstances;
    DWORD scanWaitMs;   // for the answers to the detection button's announcement
};
extern SDetectBoundsSeam g_detectBoundsSeam;

// Makes this copy's slot (logged when the name is taken) and announces.
void StartInstanceDetection();
// Writes this copy's record to the broadcast slot; silent when it cannot.
void AnnounceInstance();
// The next record of exactly 284 bytes; false when the slot is empty (this
// copy then announces), held by nobody, or the message is of another size
// (dropped, logged).
bool CheckMailSlot(InstanceRecord& record);
// Takes in the announcements that arrived since the last read; each new
// address is logged once.
void ReadDetectedInstances();
// The detection button: announces, reads the answers and adds an alias for
// each detected copy no alias reaches yet, in ascending address order.
void ScanForInstances();
// Drains and closes the slot when one is held.
void CloseMailSlots();
// The copies found so far, by address.
const std::map<ULONG, InstanceRecord>& DetectedInstances();
