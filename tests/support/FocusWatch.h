// Which windows of this thread were given the focus while the watch lived.
// Another test program's window may take the foreground at any time, so a
// test asks whether the focus was moved, not where it is now.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

class CFocusWatch {
public:
    CFocusWatch()
    {
        Focused().clear();
        m_hook = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
    }
    ~CFocusWatch() { UnhookWindowsHookEx(m_hook); }
    CFocusWatch(const CFocusWatch&) = delete;
    CFocusWatch& operator=(const CFocusWatch&) = delete;

    void Clear() { Focused().clear(); }
    bool WasFocused(HWND window) const
    {
        const std::vector<HWND>& focused = Focused();
        return std::find(focused.begin(), focused.end(), window) != focused.end();
    }

private:
    static std::vector<HWND>& Focused()
    {
        static std::vector<HWND> focused;
        return focused;
    }
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && message->message == WM_SETFOCUS)
            Focused().push_back(message->hwnd);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    HHOOK m_hook = nullptr;
};
