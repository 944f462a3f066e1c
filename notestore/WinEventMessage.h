// A window event of a program that notes are attached to, handed by the
// listener thread to the main window, which places the notes and frees it.
#pragma once

#include "foundation/StdStr.h"

#include <windows.h>

// lParam: a CWinEventMessage the receiver owns; wParam 0.
constexpr UINT WM_ATTACHED_WINDOW_EVENT = WM_APP + 0x05;

class CWinEventMessage {
public:
    CWinEventMessage(DWORD event, const wchar_t* title, HWND window)
        : m_event(event), m_title(title ? title : L""), m_window(window)
    {
    }

    DWORD GetEvent() const { return m_event; }
    const CStdStr& GetTitle() const { return m_title; }
    HWND GetWindow() const { return m_window; }

private:
    DWORD m_event;
    CStdStr m_title;
    HWND m_window;
};
