#include "EditCommands.h"

#include <richedit.h>

bool HandleEditCommand(HWND edit, UINT id)
{
    switch (id) {
    case ID_EDIT_CLEAR:      SendMessageW(edit, WM_CLEAR, 0, 0); return true;
    case ID_EDIT_COPY:       SendMessageW(edit, WM_COPY, 0, 0); return true;
    case ID_EDIT_CUT:        SendMessageW(edit, WM_CUT, 0, 0); return true;
    case ID_EDIT_PASTE:      SendMessageW(edit, WM_PASTE, 0, 0); return true;
    case ID_EDIT_SELECT_ALL: SendMessageW(edit, EM_SETSEL, 0, -1); return true;
    case ID_EDIT_UNDO:       SendMessageW(edit, EM_UNDO, 0, 0); return true;
    case ID_EDIT_REDO:       SendMessageW(edit, EM_REDO, 0, 0); return true;
    }
    return false;
}
