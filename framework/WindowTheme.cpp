#include "WindowTheme.h"

bool CWindowTheme::Open(HWND window, const wchar_t* classList)
{
    Close();
    m_window = window;
    m_classList = classList ? classList : L"";
    if (IsAppThemed())
        m_theme = OpenThemeData(window, classList);
    return m_theme != nullptr;
}

void CWindowTheme::Close()
{
    if (m_theme)
        CloseThemeData(m_theme);
    m_theme = nullptr;
}

void CWindowTheme::OnWindowMessage(UINT msg)
{
    if (msg == WM_THEMECHANGED && m_window)
        Open(m_window, m_classList.c_str());
    else if (msg == WM_NCDESTROY) {
        Close();
        m_window = nullptr;
    }
}
