// A hidden window of the test's own that records the commands reaching it:
// a stand-in menu owner or main window.
#pragma once

#include <windows.h>

#include <vector>

class CCommandRecorder {
public:
    CCommandRecorder()
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"QuilletTestCommandRecorder";
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   windowClass.hInstance, nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&m_commands));
    }
    ~CCommandRecorder() { DestroyWindow(m_window); }
    CCommandRecorder(const CCommandRecorder&) = delete;
    CCommandRecorder& operator=(const CCommandRecorder&) = delete;

    HWND Window() const { return m_window; }
    const std::vector<UINT>& Commands() const { return m_commands; }

    // Makes another window record into commands too.
    static void Subclass(HWND window, std::vector<UINT>& commands)
    {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&commands));
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_COMMAND)
            reinterpret_cast<std::vector<UINT>*>(GetWindowLongPtrW(window, GWLP_USERDATA))->push_back(LOWORD(wParam));
        return DefWindowProcW(window, msg, wParam, lParam);
    }

    HWND m_window = nullptr;
    std::vector<UINT> m_commands;
};
