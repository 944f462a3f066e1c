// The notification pop-up: a small rounded, translucent window titled "Group
// changed" shown just above a note (below it when there is no room) for about
// a second. It runs on a thread of its own so its fading never holds up the
// user-interface thread, and only one exists at a time. The pop-up thread
// sends nothing to the user-interface thread: its window has no owner and
// what it needs comes in its record.
#pragma once

#include <windows.h>

#include <functional>

#include "foundation/StdStr.h"
#include "framework/KernelHandle.h"
#include "toolkit/AlphaNotifierWnd.h"

// The heap record handed to the pop-up thread, which frees it.
struct NotifyWindowArgs {
    HWND noteWindow = nullptr;
    int x = 0;
    int y = 0;
    int cx = 500;   // first the measuring size, then the measured one
    int cy = 50;
    int flag = 1;
    CStdStr title;
    CStdStr text;
    DWORD duration = 1000;        // milliseconds the pop-up stays
    DWORD animationDuration = 0;  // read on the user-interface thread
    // The thread's own duplicate of the stop event, so a stop that timed out
    // never closes a handle under the thread's wait.
    CKernelHandle stopEvent;
};

// Renders the pop-up into a new 32-bit DIB section of args.cx x args.cy.
// Measuring stores the size the title and text need in args.cx and args.cy
// (the bitmap is then only scratch); drawing paints the rounded shape with
// the text and cuts the corners out through the alpha. Null on failure.
HBITMAP RenderNotifyBitmap(NotifyWindowArgs& args, bool measure);

// Every pixel of exactly (240, 240, 240) becomes fully transparent (all four
// bytes 0), every other gets alpha 255. The bitmap must not be selected into
// a device context. False when its pixels cannot be read or written.
bool ApplyColourKeyAlpha(HBITMAP bitmap, int width, int height);

// Fits a rectangle into the screen area it belongs to.
using FitRectFunction = std::function<RECT(const RECT& rect)>;

// The pop-up's top-left corner: above the note with a 2-pixel gap, fitted by
// fit; below the note, fitted the same way, when the fitted rectangle above
// would overlap it. (0, 0) without a note rectangle.
POINT NotifyWindowPosition(const RECT* noteRect, SIZE size, const FitRectFunction& fit);

// The layered window on the pop-up thread.
class CNotifyWindow : public CAlphaBaseWnd {
public:
    // Renders the bitmap at the record's measured size and takes its fields;
    // false when rendering fails.
    bool CreateContent(NotifyWindowArgs& args);
    // Fades in or out over the animation length; straight to the end alpha
    // when it is 0 or the frame clock is missing.
    void Fade(bool fadeIn);
    // Shows the bitmap at the pop-up's place with the alpha, creating the
    // window when needed; alpha 0 hides it.
    void Paint(BYTE alpha);

    BYTE GetAlpha() const { return m_alpha; }

private:
    int m_x = 0;
    int m_y = 0;
    int m_cx = 0;
    int m_cy = 0;
    DWORD m_animationDuration = 0;
    CBitmapHandle m_bitmap;
    BYTE m_alpha = 0;
};

// The pop-up thread: shows the window from the record, keeps it for the
// record's duration unless the stop event comes first, then goes. Owns and
// frees the record.
unsigned __stdcall NotifyWindowThreadProc(void* record);

// Starts and stops the pop-up thread; user-interface thread only.
class CNotifyWindowThread {
public:
    static constexpr DWORD kStopTimeoutMs = 2000;

    CNotifyWindowThread() = default;
    ~CNotifyWindowThread() { Stop(); }
    CNotifyWindowThread(const CNotifyWindowThread&) = delete;
    CNotifyWindowThread& operator=(const CNotifyWindowThread&) = delete;

    // Ends a running pop-up at once, then shows a new one beside the note
    // window with the text; whether its thread started.
    bool Show(HWND noteWindow, const wchar_t* text);
    // Ends a running pop-up, waiting up to 2 seconds without pumping: the
    // pop-up thread never sends to this one.
    void Stop();

    // The running pop-up's thread; 0 when none was started since the last stop.
    unsigned ThreadId() const { return m_threadId; }

private:
    CKernelHandle m_stopEvent;
    CKernelHandle m_thread;
    unsigned m_threadId = 0;
};
