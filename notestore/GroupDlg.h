// The group editor and the group list.
#pragma once

#include <windows.h>

class CGroup;

// True when OK was pressed.
bool EditGroup(CGroup* group);
// Runs the group list modally; 1.
int ShowGroupList(HWND owner);
