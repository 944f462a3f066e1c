// Command ids of the note menus that the editor and the frame handle, mark
// or grey, and the main-window commands that windows below the shell send to
// g_hwndApp.
#pragma once

#include <windows.h>

// Main-window commands.
constexpr UINT ID_NEW_NOTE = 208;
constexpr UINT ID_PREFERENCES = 211;

constexpr UINT ID_EMAIL_NOTE = 213;
constexpr UINT ID_PRINT_NOTE = 20010;
constexpr UINT ID_NOTE_CUT = 805;
constexpr UINT ID_NOTE_COPY = 806;
constexpr UINT ID_NOTE_PASTE = 807;
constexpr UINT ID_ALIGN_LEFT = 201;
constexpr UINT ID_ALIGN_RIGHT = 202;
constexpr UINT ID_ALIGN_CENTER = 203;
constexpr UINT ID_NET_SEND_NOTE = 20042;
constexpr UINT ID_EFFECT_BOLD = 21014;
constexpr UINT ID_EFFECT_UNDERLINE = 21016;
constexpr UINT ID_EFFECT_ITALIC = 21017;
constexpr UINT ID_NUMBERING_BULLETS = 21023;
constexpr UINT ID_NUMBERING_NUMBERS = 21024;
constexpr UINT ID_NUMBERING_LETTERS = 21025;
constexpr UINT ID_PASTE_OTHER = 21027;  // plain or rich: the other way than PasteAsText
constexpr UINT ID_COPY_PLAIN = 21028;
constexpr UINT ID_OPEN_URL = 21049;
constexpr UINT ID_TODO_LIST = 21057;
constexpr UINT ID_COPY_URL = 21064;
constexpr UINT ID_EFFECT_STRIKEOUT = 21065;

// The other commands of a note (the group ids are notestore/GroupMenu.h's).
constexpr UINT ID_SELECT_FONT = 204;
constexpr UINT ID_COLOR_YELLOW = 205;
constexpr UINT ID_COLOR_GREEN = 206;
constexpr UINT ID_COLOR_BLUE = 207;
constexpr UINT ID_COLOR_PINK = 21031;
constexpr UINT ID_COLOR_PURPLE = 21032;
constexpr UINT ID_COLOR_WHITE = 21033;
constexpr UINT ID_ADJUST_COLOR = 20030;
constexpr UINT ID_TRANSPARENCY_FIRST = 300;  // "Visible"; 301-309 are 10%-90%
constexpr UINT ID_TRANSPARENCY_LAST = 309;
constexpr UINT ID_SET_ALARM = 210;
constexpr UINT ID_HIDE_NOTE = 20002;
constexpr UINT ID_RENAME_NOTE = 20005;
constexpr UINT ID_INSERT_DATE = 20006;
constexpr UINT ID_INSERT_TIME = 20007;
constexpr UINT ID_DUPLICATE_NOTE = 20011;
constexpr UINT ID_NOTE_HELP = 20013;
constexpr UINT ID_EXPORT_NOTE = 20026;
constexpr UINT ID_DELETE_NOTE = 20027;
constexpr UINT ID_FIND_IN_NOTE = 20028;
constexpr UINT ID_REPLACE_IN_NOTE = 20029;
constexpr UINT ID_NEXT_NOTE = 20040;
constexpr UINT ID_PREVIOUS_NOTE = 20041;
constexpr UINT ID_QUICK_SNOOZE = 20046;
constexpr UINT ID_TOGGLE_VIEW = 20048;
constexpr UINT ID_EDIT_GROUPS = 20050;
constexpr UINT ID_SORT_LINES = 21008;
constexpr UINT ID_ATTACH_TO_WINDOW = 21010;
constexpr UINT ID_SIZE_TO_FIT = 21012;
constexpr UINT ID_NUMBERING_NONE = 21022;
constexpr UINT ID_TOGGLE_GROUP = 21051;
constexpr UINT ID_NEXT_GROUP = 21052;
constexpr UINT ID_PREVIOUS_GROUP = 21053;
constexpr UINT ID_AUTO_RESIZE = 21058;
constexpr UINT ID_READ_ONLY = 21060;
constexpr UINT ID_HIDE_OTHER_NOTES = 21061;
// The note help's context.
constexpr DWORD kNoteHelpContext = 260;
