// Shell services the whole program uses: the program's version and its text
// forms, the online version check, the tray call bound at run time and the
// auto-fade watch (the services windows below the shell need too, date and
// time texts, help, alarm commands and sounds among them, are in
// foundation/ShellServices and foundation/SoundPlayer). User-interface thread
// only.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "foundation/ShellServices.h"
#include "foundation/SoundPlayer.h"
#include "foundation/StdStr.h"

// The seam of the version-check site: requests go to this address followed by
// "checkver/"; it ends in "/".
struct SVersionCheckSeam {
    const wchar_t* siteAddress;
};
extern SVersionCheckSeam g_versionCheckSeam;

// The two text forms of a version: "4.10.7" for file version 4.1.0.7, and the
// address form "4.10%20Build%207" from the product version.
struct SVersionTexts {
    CStdStr version;
    CStdStr address;
};
SVersionTexts VersionTextsOf(const VS_FIXEDFILEINFO& info);

// The program's version texts and file version words; false, and nothing
// changed, when the version can't be read.
bool GetVersionText(CStdStr& version, CStdStr& address, DWORD& fileVersionHigh, DWORD& fileVersionLow);

// The reply of the version site: the latest version and where to get it.
struct SVersionReply {
    WORD version[4] = {};
    CStdStr address;
};
// Reads "a.b.c.d\r\naddress": four numbers of 0-65535, any white space (LF
// alone will do) and an address of at most 1023 characters; false when
// anything is missing or out of range.
bool ParseVersionReply(const char* reply, SVersionReply& parsed);
// Whether the reply's version is above the program's file version words.
bool IsNewerVersion(const SVersionReply& reply, DWORD fileVersionHigh, DWORD fileVersionLow);

// Asks the version site whether a newer version exists. Automatic checks
// wait CheckVersionNumDays after the last one and stay silent; true when a
// reply was read.
bool CheckVersionOnline(bool automatic);


// Shell_NotifyIconW through its run-time binding; 0 when it is missing.
BOOL NotifyIconCall(DWORD operation, NOTIFYICONDATAW* record);
// Frees the shell library bound for the tray call (shut-down).
void FreeTrayLibrary();

// Raw keyboard and mouse input goes to the parent window, even while the
// program is in the background.
bool RegisterForRawInput();
// Whether the user has been away from the program long enough to fade the
// notes (AutoFade 1: 5 s, else 10 s); tick counts may wrap.
bool IsInputIdle(DWORD now, DWORD lastInput, int autoFade);
// Fades the notes out while the user works elsewhere and back in; input in
// a dimmed note brings that note back alone.
void CheckInputActivity();
