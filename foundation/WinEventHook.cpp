#include "WinEventHook.h"

#include "framework/ComBstr.h"
#include "framework/ComPtr.h"
#include "framework/ComVariant.h"

#include <oleacc.h>

#include <vector>

namespace {

constexpr LONG_PTR kFollowedStyles = WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr int kWindowTextLength = 512;

std::wstring WindowText(HWND window)
{
    wchar_t text[kWindowTextLength] = {};
    return GetWindowTextW(window, text, kWindowTextLength) > 0 ? std::wstring(text) : std::wstring();
}

bool IsOwnProcessWindow(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

// The accessible object's name for the event's object; None when it has no
// accessible object.
EAccessibleName AskAccessibleName(HWND window, LONG objectId, LONG childId, CComBstr& name)
{
    CComPtr<IAccessible> accessible;
    CComVariant child;
    if (FAILED(AccessibleObjectFromEvent(window, objectId, childId, accessible.ReceiveTyped(), child.Receive())) ||
        !accessible)
        return EAccessibleName::None;
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return SUCCEEDED(accessible->get_accName(self, name.Receive())) ? EAccessibleName::Text
                                                                     : EAccessibleName::Failed;
}

} // namespace

WinEventListenerSet& WinEventListeners()
{
    // Never destroyed with a hook held: the listener thread unhooks on its
    // own thread before it ends, and exit cannot unhook for another thread.
    static WinEventListenerSet set;
    return set;
}

std::pair<std::set<WinEventDelegate>::iterator, bool> AddWinEventListener(const WinEventDelegate& listener)
{
    return WinEventListeners().listeners.insert(listener);
}

std::size_t RemoveWinEventListener(const WinEventDelegate& listener)
{
    return WinEventListeners().listeners.erase(listener);
}

HWINEVENTHOOK InstallWinEventHook()
{
    // Wine ignores WINEVENT_SKIPOWNPROCESS; WinEventHookProc drops our own
    // windows as well.
    WinEventListenerSet& set = WinEventListeners();
    set.hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_OBJECT_NAMECHANGE, nullptr, WinEventHookProc, 0, 0,
                               WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNTHREAD | WINEVENT_SKIPOWNPROCESS);
    return set.hook;
}

void RemoveWinEventHook()
{
    WinEventListenerSet& set = WinEventListeners();
    if (set.hook)
        UnhookWinEvent(set.hook);
    set.hook = nullptr;
}

bool DispatchWinEvent(const WinEventListenerSet& set, DWORD event, const wchar_t* name, HWND window)
{
    const std::vector<WinEventDelegate> snapshot(set.listeners.begin(), set.listeners.end());
    bool goOn = true;
    for (const WinEventDelegate& listener : snapshot) {
        goOn = listener(event, name, window);
        if (!goOn)
            break;
    }
    return goOn;
}

bool IsForwardedWinEvent(DWORD event)
{
    switch (event) {
    case EVENT_SYSTEM_FOREGROUND:
    case EVENT_SYSTEM_MOVESIZESTART:
    case EVENT_SYSTEM_MOVESIZEEND:
    case EVENT_SYSTEM_MINIMIZESTART:
    case EVENT_SYSTEM_MINIMIZEEND:
    case EVENT_OBJECT_SHOW:
    case EVENT_OBJECT_HIDE:
    case EVENT_OBJECT_LOCATIONCHANGE:
    case EVENT_OBJECT_NAMECHANGE:
        return true;
    default:
        return false;
    }
}

bool IsFollowedWindowStyle(LONG_PTR style)
{
    return (style & kFollowedStyles) == kFollowedStyles;
}

bool NameWinEventWindow(EAccessibleName answer, BSTR accessibleName, HWND window, std::wstring& name)
{
    if (answer != EAccessibleName::Text) {
        name = WindowText(window);
        return true;
    }
    const CComBstr edit(L"Edit");
    if (accessibleName && VarBstrCmp(accessibleName, edit.Get(), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ)
        return false;
    name = accessibleName ? std::wstring(accessibleName, SysStringLen(accessibleName)) : std::wstring();
    return true;
}

void CALLBACK WinEventHookProc(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId, DWORD, DWORD)
{
    if (!IsForwardedWinEvent(event) || !IsFollowedWindowStyle(GetWindowLongPtrW(window, GWL_STYLE)) ||
        IsOwnProcessWindow(window))
        return;
    HandleWinEvent(WinEventListeners(), event, window, objectId, childId);
}

void HandleWinEvent(WinEventListenerSet& set, DWORD event, HWND window, LONG objectId, LONG childId)
{
    CComBstr accessibleName;
    const EAccessibleName answer = AskAccessibleName(window, objectId, childId, accessibleName);
    std::wstring name;
    if (NameWinEventWindow(answer, accessibleName.Get(), window, name))
        DispatchWinEvent(set, event, name.c_str(), window);
}
