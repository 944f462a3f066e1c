// What the attached-note tests share: a stand-in main window that collects
// the window-event records posted to it, and a windowed store whose notes
// attach to frames of another thread.
#pragma once

#include "WindowedStoreTest.h"
#include "foundation/AppWindow.h"
#include "notestore/WinEventMessage.h"
#include "tests/support/ForeignWindowThread.h"

#include <memory>
#include <vector>

struct SPostedEvent {
    DWORD event;
    std::wstring title;
    HWND window;
};

// g_hwndApp for its life; every record posted to it is taken and freed.
class CStandInMainWindow {
public:
    CStandInMainWindow()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"AttachedNotesStandInMain";
        RegisterClassW(&wc);
        m_window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                   nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_saved = g_hwndApp;
        g_hwndApp = m_window;
    }
    ~CStandInMainWindow()
    {
        g_hwndApp = m_saved;
        DestroyWindow(m_window);
    }
    CStandInMainWindow(const CStandInMainWindow&) = delete;
    CStandInMainWindow& operator=(const CStandInMainWindow&) = delete;

    HWND Window() const { return m_window; }
    // Pumps this thread's messages for the span.
    void Pump(DWORD ms) const
    {
        const ULONGLONG end = GetTickCount64() + ms;
        while (GetTickCount64() < end) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            Sleep(10);
        }
    }
    // Pumps until a record for the event arrived or the time is up.
    bool PumpUntil(DWORD event, DWORD ms)
    {
        const ULONGLONG end = GetTickCount64() + ms;
        while (GetTickCount64() < end) {
            Pump(20);
            for (const SPostedEvent& posted : posted)
                if (posted.event == event)
                    return true;
        }
        return false;
    }

    std::vector<SPostedEvent> posted;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg != WM_ATTACHED_WINDOW_EVENT)
            return DefWindowProcW(window, msg, wParam, lParam);
        const std::unique_ptr<CWinEventMessage> record(reinterpret_cast<CWinEventMessage*>(lParam));
        auto* self = reinterpret_cast<CStandInMainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && record)
            self->posted.push_back({record->GetEvent(), record->GetTitle(), record->GetWindow()});
        return 0;
    }

    HWND m_window = nullptr;
    HWND m_saved = nullptr;
};

class CAttachedNotesTest : public CWindowedStoreTest {
protected:
    void SetUp() override
    {
        CWindowedStoreTest::SetUp();
        CNoteAttachment::MarkStale();   // the caches outlive a test's database
        g_prefs.SmartFit = false;
    }

    // A stored note, shown, attached to the title.
    CNote* AttachedNote(const wchar_t* title, int moveWith)
    {
        CNote* note = m_manager.CreateNewNote();
        if (note)
            note->Attachment().SetAttachment(*note, title, moveWith);
        return note;
    }

    static POINT TopLeft(const CNote& note)
    {
        RECT rect = {};
        GetWindowRect(note.GetHwnd(), &rect);
        return {rect.left, rect.top};
    }
    static SIZE Size(const CNote& note)
    {
        RECT rect = {};
        GetWindowRect(note.GetHwnd(), &rect);
        return {rect.right - rect.left, rect.bottom - rect.top};
    }
    static bool Shown(const CNote& note) { return note.IsVisible() && note.GetHwnd() && IsWindowVisible(note.GetHwnd()); }
};
