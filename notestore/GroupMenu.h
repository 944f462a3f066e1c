// The note menu's "Group" submenu: one command per group position, decoded
// by the note commands through the one mapping here.
#pragma once

#include <windows.h>

#include "foundation/StdStr.h"

constexpr UINT ID_NOTE_LOCK = 20024;         // the Group submenu is three items after it
constexpr UINT ID_NOTE_NO_GROUP = 20051;
constexpr UINT ID_NOTE_GROUP_FIRST = 20052;
// 21008 and on are note commands of their own: at most 956 group items.
constexpr int kGroupMenuPositions = 956;
// The check image of the owner-drawn menus.
constexpr int kCheckImage = 19;

// The group position a note-menu command stands for; -1 for any other command.
int GroupPositionFromCommand(UINT command);
// The command of a group position; 0 for a position beyond the range.
UINT GroupCommandFromPosition(int position);

// A name as a menu shows it: "&" doubled, so it is no mnemonic.
CStdStr MenuItemText(const CStdStr& name);
