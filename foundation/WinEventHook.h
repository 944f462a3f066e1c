// The window-event hook: one out-of-context hook over every process, whose
// events on ordinary resizable application windows are fanned out, with the
// window's name, to a set of listeners. The thread that installs the hook
// owns the set: subscribing, the hook's callbacks (run in that thread's
// message pump) and unhooking all happen there, so nothing is locked.
#pragma once

#include "FastDelegate.h"

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <set>
#include <string>
#include <utility>

// (event, window name, window) -> whether later listeners hear the event too.
using WinEventDelegate = fastdelegate::FastDelegate<bool, DWORD, const wchar_t*, HWND>;

struct WinEventListenerSet {
    std::set<WinEventDelegate> listeners;
    HWINEVENTHOOK hook = nullptr;
};

// The program's one set.
WinEventListenerSet& WinEventListeners();

std::pair<std::set<WinEventDelegate>::iterator, bool> AddWinEventListener(const WinEventDelegate& listener);
// How many were removed: 0 or 1.
std::size_t RemoveWinEventListener(const WinEventDelegate& listener);
inline auto SubscribeWinEvent(const WinEventDelegate& listener) { return AddWinEventListener(listener); }
inline std::size_t UnsubscribeWinEvent(const WinEventDelegate& listener) { return RemoveWinEventListener(listener); }

// Hooks the events from EVENT_SYSTEM_FOREGROUND to EVENT_OBJECT_NAMECHANGE of
// every other process on the calling thread; the handle, null on failure.
HWINEVENTHOOK InstallWinEventHook();
// Unhooks when hooked; on the thread that installed the hook.
void RemoveWinEventHook();

// Tells the listeners over a snapshot of the set, in order, until one
// answers false; the last answer (true for none).
bool DispatchWinEvent(const WinEventListenerSet& set, DWORD event, const wchar_t* name, HWND window);

// The events that are passed on, and the windows they are passed on for.
bool IsForwardedWinEvent(DWORD event);
bool IsFollowedWindowStyle(LONG_PTR style);

// How the window's accessible object answered for its name.
enum class EAccessibleName { None, Failed, Text };
// The name a window's events carry: the accessible name when there is one (a
// null one counts as empty), else the window text. False for an object named
// "Edit", whose events are dropped.
bool NameWinEventWindow(EAccessibleName answer, BSTR accessibleName, HWND window, std::wstring& name);

void CALLBACK WinEventHookProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId, LONG childId,
                               DWORD thread, DWORD time);
// Names the window and dispatches the event to the set.
void HandleWinEvent(WinEventListenerSet& set, DWORD event, HWND window, LONG objectId, LONG childId);
