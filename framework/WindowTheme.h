// The visual-style theme of one window: opened for a class list when theming
// is available, reopened when the theme changes, closed when the window goes.
// Without theming the handle is null and drawing takes the classic path.
#pragma once

#include <windows.h>
#include <uxtheme.h>

#include <string>

class CWindowTheme {
public:
    CWindowTheme() = default;
    ~CWindowTheme() { Close(); }
    CWindowTheme(const CWindowTheme&) = delete;
    CWindowTheme& operator=(const CWindowTheme&) = delete;

    // True when a theme is open.
    bool Open(HWND window, const wchar_t* classList);
    void Close();
    HTHEME Get() const { return m_theme; }

    // For the window's map, before its own handling: WM_THEMECHANGED reopens,
    // WM_NCDESTROY closes. Never answers the message.
    void OnWindowMessage(UINT msg);

private:
    HWND m_window = nullptr;
    std::wstring m_classList;
    HTHEME m_theme = nullptr;
};
