// The main window (g_hwndApp, class "MainWClass"), the centre of the program
// that receives every command and private message (MainCommands.h), and the
// parent window (class "ParentWClass") that owns the taskbar button, receives
// the raw input and the sound notices, and whose destruction ends the loop.
#pragma once

#include <windows.h>

#include "MainCommands.h"
#include "foundation/AppWindow.h"

class CNetSendRecord;
class CPreferences;
class CWinEventMessage;

// The caption of every program window and message box (string 817).
const wchar_t* GetAppCaption();
// Tray mode: the program lives in the notification area (Windows XP and later).
bool IsTrayMode();

// The main window as seen from another thread, and its one writer.
HWND GetAppWindow();
void SetAppWindow(HWND window);
// The main window, the notes and the tray's check mark follow AlwaysOnTop.
void ApplyAlwaysOnTop(HWND window);
// The main window with its toolbar, and the parent window, placed by prefs.
void PlaceToolbar(HWND window, CPreferences& prefs);
// The parent window, which lives to the end of the process.
HWND GetParentWindow();
void SetParentWindow(HWND window);

// Registers "MainWClass", "ParentWClass" and "NoteWClass" and checks the
// rich-edit class; 1 on success, 0 on failure (logged). The main and parent
// windows take the application module's icon, set before this.
int RegisterWindowClasses(HINSTANCE instance);
// Creates the main window: 1 on success, 0 when the window (or the palette
// of an 8-bit screen) could not be made.
int CreateMain(HINSTANCE instance);
// The palette of 8-bit screens, or null.
HPALETTE GetAppPalette();
void DeleteAppPalette();

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ParentWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// WM_CREATE of the main window; false fails the creation.
bool InitMainWindow(HWND window);
void OnMainCommand(HWND window, UINT command);
// WM_ATTACHED_WINDOW_EVENT: a window event of an attached-to program; owns
// the record.
void OnAttachedWindowEvent(CWinEventMessage* event);

// WM_NETSEND_STATUS: the outcome goes into the send history; a failure with
// an error code gets a box. Owns and frees the record.
void OnNetSendStatus(WPARAM status, CNetSendRecord* record);
// WM_NOTE_RECEIVED: makes, shows and announces the note; true only when a
// note was made (the listener acknowledges only then). A failure's box comes
// later, posted, one at a time. Owns and frees the record.
bool OnNoteReceived(CNetSendRecord* record);
// Before a box or balloon that the main window shows for another thread:
// the main window to the foreground, then WM_FOREGROUND_NUDGE.
void ForegroundNudge();

// Set when the main window starts to close; the parent window then stops
// saving on deactivation.
bool IsMainWindowClosing();
// The program is the active application (WM_ACTIVATEAPP).
bool IsApplicationActive();
// GetTickCount of the last raw input that went to one of the program's windows.
DWORD GetLastInputTick();
