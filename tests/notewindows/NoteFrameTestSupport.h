// What the note frame tests share: real notes on a database in a folder of
// the test's own, their windows of class "NoteWClass" run by the frame, and
// keys held for the test's thread.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "notestore/Note.h"
#include "notewindows/itsycmd.h"
#include "tests/notestore/RecordTestSupport.h"
#include "tests/support/ComApartment.h"

// Registers "NoteWClass" with the frame's procedure, as the shell does.
inline void RegisterNoteFrameClass()
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = NoteFrameWndProcEntry;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"NoteWClass";
    RegisterClassExW(&wc);
}

// A key down in the thread's key state (GetKeyState) for the life of the object.
class CHeldKey {
public:
    explicit CHeldKey(int key) : m_key(key) { Set(true); }
    ~CHeldKey() { Set(false); }
    CHeldKey(const CHeldKey&) = delete;
    CHeldKey& operator=(const CHeldKey&) = delete;
    void Release() { Set(false); }

private:
    void Set(bool down)
    {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[m_key] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    int m_key;
};

inline void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

inline RECT WindowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

class CNoteFrameTest : public CGroupStoreTest {
protected:
    void SetUp() override
    {
        CGroupStoreTest::SetUp();
        ASSERT_TRUE(m_com.Initialised());
        RegisterNoteFrameClass();
        g_prefs.AnimationSpeed = 3;  // no animation unless a test asks
        g_prefs.EnableURLDetection = true;
    }
    void TearDown() override
    {
        m_manager.CloseAll();
        CloseNoteFrames();
        CGroupStoreTest::TearDown();
    }

    // A new stored note with its text, shown at the rectangle.
    CNote* MakeNote(const RECT& rect, const wchar_t* text = L"words")
    {
        CNote* note = m_manager.CreateNewNote();
        if (!note)
            return nullptr;
        note->SetText(text);
        SetWindowPos(note->GetHwnd(), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        m_manager.StoreNote(note);
        return note;
    }

    CComApartment m_com;
};
