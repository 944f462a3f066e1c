// The main window's command ids and private messages: every request to the
// shell arrives at g_hwndApp as one of these, from menus, keys, the toolbar,
// hot keys, the forwarded command line, other windows and worker threads.
#pragma once

#include <windows.h>

#include "exchange/NetSendRecord.h"
#include "notestore/WinEventMessage.h"
#include "notewindows/NoteCommandIds.h"

// Commands (WM_COMMAND, low word of wParam).
constexpr UINT ID_RESTART = 16;
constexpr UINT ID_NOTE_ORGANIZER = 200;
constexpr UINT ID_EXIT = 209;
constexpr UINT ID_SAVE_ALL = 212;
constexpr UINT ID_HELP_TOOLBAR = 799;
constexpr UINT ID_MAIN_MENU = 801;
constexpr UINT ID_NEW_NOTE_TOOLBAR = 802;
constexpr UINT ID_PREFERENCES_TOOLBAR = 803;
constexpr UINT ID_SAVE_ALL_TOOLBAR = 804;
constexpr UINT ID_ABOUT_MENU = 808;
constexpr UINT ID_ABOUT = 10002;
constexpr UINT ID_MINIMIZE = 20001;
constexpr UINT ID_ALWAYS_ON_TOP = 20004;
constexpr UINT ID_HELP = 20012;
constexpr UINT ID_SHOW_HIDE_ALL = 20014;
constexpr UINT ID_CHECK_VERSION = 20049;
constexpr UINT ID_EXPORT_ALL = 21009;
constexpr UINT ID_QUICK_SEARCH = 21039;
constexpr UINT ID_TOGGLE_TOOLBAR = 23400;
// 30000 is the greyed "<No notes created>"; 30001-39999 (notes) and
// 40000-49999 (groups) are slots of the last notes list (CNotesMenuMap).
constexpr UINT ID_NO_NOTES = 30000;

// Private messages of the main window.
constexpr UINT WM_FOREGROUND_NUDGE = WM_APP;          // the foreground nudge: no action
// Posted by a failed WM_NOTE_RECEIVED: the box is shown after the listener
// has its answer, so a sender of junk cannot hold the listener behind it.
constexpr UINT WM_RECEIVE_FAILED_BOX = WM_APP + 0x67;
constexpr UINT WM_TRAY_NOTIFY = WM_APP + 0xC8;
constexpr UINT WM_INPUT_ACTIVITY = WM_APP + 0x12C;

// Timers of the main window.
constexpr UINT_PTR kMainTimerId = 100;       // every 15 s
constexpr UINT_PTR kBlinkTimerId = 200;      // while an alarm fires
constexpr UINT_PTR kUpkeepTimerId = 300;     // every 5 s
constexpr UINT kMainTimerPeriod = 15000;
constexpr UINT kUpkeepTimerPeriod = 5000;

// The toolbar's child-window id.
constexpr UINT kToolbarControlId = 800;
