// The standard edit commands of menus and accelerators, carried out on an
// edit or rich-edit control.
#pragma once

#include <windows.h>

constexpr UINT ID_EDIT_CLEAR = 57632;
constexpr UINT ID_EDIT_COPY = 57634;
constexpr UINT ID_EDIT_CUT = 57635;
constexpr UINT ID_EDIT_PASTE = 57637;
constexpr UINT ID_EDIT_SELECT_ALL = 57642;
constexpr UINT ID_EDIT_UNDO = 57643;
constexpr UINT ID_EDIT_REDO = 57644;

// True when the id is one of the seven and was sent to the control.
bool HandleEditCommand(HWND edit, UINT id);
