// The taskbar jump list: tasks that start the program with a command word,
// which the single-instance forwarding hands to the running copy.
#pragma once

#include <windows.h>
#include <shobjidl.h>

// True when the system offers the destination list (Windows 7 and later);
// start-up keeps the result as its Windows 7 flag. Sets the application id
// first. A failure while building the list leaves it as it was (logged).
bool BuildJumpList();
// SetCurrentProcessExplicitAppUserModelID with kApplicationId, where shell32
// has it; S_OK where it has not.
HRESULT SetAppUserModelId();
// The task rows, in order, into a collection handed to AddUserTasks.
HRESULT AddJumpListTasks(ICustomDestinationList* list);
// A link to this program with the arguments, the title string and the icon
// group (by resource id).
HRESULT AddJumpListTask(const wchar_t* arguments, UINT titleId, int iconId, IShellLinkW** link);
HRESULT AddJumpListSeparator(IShellLinkW** link);
