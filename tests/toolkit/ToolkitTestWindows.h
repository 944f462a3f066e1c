// Plain top-level windows standing in for notes in the toolkit's tests.
#pragma once

#include <windows.h>

enum class EPainting { kDefault, kNothing };

class CTestWindow {
public:
    explicit CTestWindow(const RECT& rect, DWORD exStyle = 0, DWORD style = WS_POPUP | WS_VISIBLE,
                         EPainting painting = EPainting::kDefault)
    {
        const wchar_t* const className =
            painting == EPainting::kDefault ? L"QuilletToolkitTestWindow" : L"QuilletToolkitBlankWindow";
        WNDCLASSW wc = {};
        wc.lpfnWndProc = painting == EPainting::kDefault ? DefWindowProcW : &PaintsNothing;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = className;
        RegisterClassW(&wc);
        m_hwnd = CreateWindowExW(exStyle, className, L"", style, rect.left, rect.top, rect.right - rect.left,
                                 rect.bottom - rect.top, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~CTestWindow() { Destroy(); }
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;

    HWND Get() const { return m_hwnd; }
    void Destroy()
    {
        if (m_hwnd)
            DestroyWindow(m_hwnd);
        m_hwnd = nullptr;
    }

private:
    // Answers printing without drawing anything.
    static LRESULT CALLBACK PaintsNothing(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_PRINT || msg == WM_PRINTCLIENT)
            return 0;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    HWND m_hwnd = nullptr;
};

inline RECT WindowRect(HWND hwnd)
{
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return rect;
}

inline bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}
