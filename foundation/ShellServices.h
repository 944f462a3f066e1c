// Shell services that windows below the shell need too: the animation
// length, the layered-window check, opening a file or address, date and time
// texts, help, running an alarm's command, the program's own version block
// and its web address.
// User-interface thread only.
#pragma once

#include <windows.h>

#include "StdStr.h"

// Binds SetLayeredWindowAttributes; true when present.
bool CanUseLayeredWindows();
bool HasAnimateMenu();
// Tracks the menu with its owner in the foreground, so that a click elsewhere
// closes it; the choice arrives as WM_COMMAND at the owner.
BOOL TrackMenuInForeground(HMENU menu, int x, int y, HWND window, const RECT* rect);
// Milliseconds of a window animation (AnimationSpeed); 0 on a remote desktop.
int GetAnimationDuration();
// Opens a file or address; true when the shell took it.
bool ShellOpen(const wchar_t* pathOrAddress);

// Date and time of an OLE date in the user's locale; an invalid date gives an
// empty text.
void FormatDateShort(double date, wchar_t* text, int size);
void FormatDateLong(double date, wchar_t* text, int size);
void FormatTimeShort(double date, wchar_t* text, int size);

// Splits an alarm's command into the program and its parameters, as
// ShellExecuteW gets them. A command naming an existing file is not split.
struct SCommandParts {
    CStdStr program;
    CStdStr parameters;
};
bool SplitCommandLine(const wchar_t* command, SCommandParts& parts);
// Runs an alarm's command; nothing when it holds no token.
void ExecuteCommandLine(const wchar_t* command);

// The program's web site; it ends in "/".
extern const wchar_t kProductAddress[];

// The program's own VS_FIXEDFILEINFO; false when any step fails.
bool GetOwnFileVersion(VS_FIXEDFILEINFO& info);

// Context 0 shows the welcome topic.
void ShowHelp(DWORD contextId);
void CloseAllHelp();
