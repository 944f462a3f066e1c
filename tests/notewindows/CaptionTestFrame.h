// The note frame of the caption tests: a "NoteWClass" window over a
// hand-built note that records the caption's messages to its frame and hands
// everything else to VeduVureWndProc, as the real frame does.
#pragma once

#include <windows.h>

#include <vector>

#include "notestore/Note.h"
#include "toolkit/AlphaNotifierWnd.h"

constexpr DWORD kTestNoteFrameStyle = 0x80817000;  // as notes are created
constexpr DWORD kCaptionButtonBits = 0x13000;      // taken away while a note is inactive

struct SFrameMessage {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

class CTestNoteFrame {
public:
    // A visible, topmost frame; asNote false leaves window data 0 empty.
    CTestNoteFrame(const RECT& rect, bool asNote = true, DWORD style = kTestNoteFrameStyle);
    ~CTestNoteFrame();
    CTestNoteFrame(const CTestNoteFrame&) = delete;
    CTestNoteFrame& operator=(const CTestNoteFrame&) = delete;

    HWND Get() const { return m_window; }
    CNote& Note() { return m_note; }
    // Note flags (alarm_alarmflags), with the frame recomputed.
    void SetNoteFlags(std::uint32_t flags);
    void SetStyle(DWORD style);
    void Recompute() const;

    // The caption messages and system commands that reached the frame.
    const std::vector<SFrameMessage>& Messages() const { return m_messages; }
    void ClearMessages() { m_messages.clear(); }

    // How many caption properties were left after WM_NCDESTROY; -1 before it.
    static int PropertiesLeftAtDestroy() { return s_propertiesLeft; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    CNote m_note;
    HWND m_window = nullptr;
    std::vector<SFrameMessage> m_messages;
    static int s_propertiesLeft;
};

// The test's title font, caption bitmap and XP flag, as start-up sets them.
void PrepareCaptionGlobals();

// The colour of a pixel of the window as WM_PRINT draws it, in a 32-bit
// bitmap of the window's size.
class CPrintedWindow {
public:
    CPrintedWindow(HWND window, LPARAM flags);

    COLORREF At(int x, int y) const;
    // How many pixels of the rectangle have that colour.
    int Count(const RECT& rect, COLORREF color) const;
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    int m_width;
    int m_height;
    CBitmapHandle m_bitmap;
    CMemoryDC m_dc;
};
