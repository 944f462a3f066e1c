// A topmost frame on a thread of its own that pumps its messages, standing
// in for another program's window in tests that point at or drag onto it.
#pragma once

#include <windows.h>

#include <future>
#include <thread>

class CForeignWindowThread {
public:
    // A frame of the class and title at the rectangle; with buttonText, a
    // button near its top-left corner too.
    CForeignWindowThread(const wchar_t* className, const wchar_t* title, const RECT& rect,
                         const wchar_t* buttonText = nullptr)
    {
        std::promise<void> ready;
        std::future<void> created = ready.get_future();
        m_thread = std::thread([=, &ready] { Run(className, title, rect, buttonText, ready); });
        created.wait();
    }
    ~CForeignWindowThread()
    {
        PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    CForeignWindowThread(const CForeignWindowThread&) = delete;
    CForeignWindowThread& operator=(const CForeignWindowThread&) = delete;

    HWND Frame() const { return m_frame; }
    HWND Button() const { return m_button; }
    // Destroyed on its own thread, as another program would.
    void Close() const { SendMessageW(m_frame, WM_CLOSE, 0, 0); }

private:
    void Run(const wchar_t* className, const wchar_t* title, const RECT& rect, const wchar_t* buttonText,
             std::promise<void>& ready)
    {
        m_threadId = GetCurrentThreadId();
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = className;
        RegisterClassW(&wc);
        m_frame = CreateWindowExW(WS_EX_TOPMOST, className, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, rect.left,
                                  rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        if (buttonText)
            m_button = CreateWindowExW(0, L"BUTTON", buttonText, WS_CHILD | WS_VISIBLE, 20, 20, 120, 40, m_frame,
                                       nullptr, wc.hInstance, nullptr);
        UpdateWindow(m_frame);
        ready.set_value();
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
            DispatchMessageW(&msg);
        if (IsWindow(m_frame))
            DestroyWindow(m_frame);
    }

    std::thread m_thread;
    DWORD m_threadId = 0;
    HWND m_frame = nullptr;
    HWND m_button = nullptr;
};
