// A note handed to the mail program through Simple MAPI, loaded at run time:
// the wide entry of mapi32.dll, else the wide entry of the default mail
// client's own library, else the ANSI entry of mapi32.dll with the message
// converted. Blocks on the GUI thread until the mail program returns.
#pragma once

#include <windows.h>
#include <mapi.h>

#include <string>

// The wide Simple MAPI structures, as documented (MinGW declares only the
// ANSI ones).
struct MapiRecipDescW {
    ULONG ulReserved;
    ULONG ulRecipClass;
    PWSTR lpszName;
    PWSTR lpszAddress;
    ULONG ulEIDSize;
    LPVOID lpEntryID;
};

struct MapiFileDescW {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    PWSTR lpszPathName;
    PWSTR lpszFileName;
    LPVOID lpFileType;
};

struct MapiMessageW {
    ULONG ulReserved;
    PWSTR lpszSubject;
    PWSTR lpszNoteText;
    PWSTR lpszMessageType;
    PWSTR lpszDateReceived;
    PWSTR lpszConversationID;
    FLAGS flFlags;
    MapiRecipDescW* lpOriginator;
    ULONG nRecipCount;
    MapiRecipDescW* lpRecips;
    ULONG nFileCount;
    MapiFileDescW* lpFiles;
};

using MAPISendMailWFunc = ULONG(WINAPI*)(LHANDLE session, ULONG_PTR uiParam, MapiMessageW* message, FLAGS flags,
                                         ULONG reserved);

// MAPI_LOGON_UI | MAPI_DIALOG: the mail program logs on and shows its compose
// window.
constexpr FLAGS kMapiSendFlags = MAPI_LOGON_UI | MAPI_DIALOG;

// How the mail code reaches libraries: load by path, find an export, free.
struct SMailLibrarySeam {
    HMODULE (*load)(const wchar_t* path);
    FARPROC (*find)(HMODULE module, const char* name);
    BOOL(WINAPI* free)(HMODULE module);
};
extern SMailLibrarySeam g_mailLibrarySeam;

// A Simple MAPI result: 0 sent, 1 cancelled by the user, 2 nothing could be
// loaded or converted, else the mail program's own. The roots are where the
// mail client is looked up.
ULONG SendMapiMail(const MapiMessageW& message, HKEY userRoot = HKEY_CURRENT_USER,
                   HKEY machineRoot = HKEY_LOCAL_MACHINE);

// The default mail client's MAPI library, loaded through the library table,
// or null; utf8 says whether the client takes UTF-8 text.
HMODULE FindMailClientDll(bool& utf8, HKEY userRoot, HKEY machineRoot);

