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
