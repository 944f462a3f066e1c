// The program's whole life on its user-interface thread: the entry installs
// the crash reporter around RunApplication, which claims the single
// instance, chooses and prepares the data folder, loads the settings and the
// database, creates the windows, runs the message loop and, when the loop
// ends, takes everything down in a fixed order.
#pragma once

#include <windows.h>

// The wParam of WM_QUIT after a normal run; 0 when another copy took the
// command line, when the claim failed and after a failed start.
int RunApplication(HINSTANCE instance, HINSTANCE previous, const wchar_t* commandLine);

// The crash reporter's callback: closes the log (never waiting for it) so
// that the report can take it.
BOOL WINAPI OnCrashCallback(void* info);

// Table 106 (main window and organizer) and table 105 (every other window).
extern HACCEL g_mainAccelerators;
extern HACCEL g_noteAccelerators;

// Routes one message as the loop does.
void RouteMessage(MSG& msg);
// Runs the loop until WM_QUIT; returns its wParam.
WPARAM RunMessageLoop();

// The program's own file.
const wchar_t* GetProgramPath();

// Chooses the data folder: the "/f" folder when it holds a settings file,
// else the per-user folder (copying the program folder's data files into it
// once), else the program folder; then makes the Errors and Backup folders.
void ChooseDataFolder(const wchar_t* commandLine);
// Converts an old Startup-folder shortcut, loads the settings (writing the
// start-with-Windows entry when a shortcut was converted) and the language
// module they name.
void LoadStartSettings();
// A missing database is copied from the older one, or its absence starts the
// import of the legacy notes and groups. After the settings are loaded.
// False, with message 850 shown, when the older one is there but could not be
// copied: the start then fails, creating no database, and the next start
// tries the copy again.
bool PrepareDatabaseFile();

// The start-up show command: STARTUPINFO's when it carries one, else the
// entry's.
int StartupShowCommand(int entryShow);
// The same choice for a given start-up record.
int ShowCommandOf(const STARTUPINFOW& startup, int entryShow);
