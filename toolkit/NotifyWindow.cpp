// The notification pop-up and its thread.
#include "NotifyWindow.h"

#include "foundation/LogFile.h"
#include "foundation/Seams.h"
#include "foundation/ShellServices.h"
#include "foundation/WinPlacement.h"
#include "toolkit/MultiAnimator.h"
#include "toolkit/SystemFonts.h"

#include <process.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

const wchar_t kTitle[] = L"Group changed";
const COLORREF kKeyColour = 0xF0F0F0;   // cut out by ApplyColourKeyAlpha
const COLORREF kFillColour = 0xE1FFFF;
const COLORREF kPenColour = 0xF5F5F5;
const int kPenTwips = 45;
const int kCornerTwips = 360;
const int kPaddingTwips = 150;
const int kTextRightTwips = 4500;
const int kGap = 2;

class CTwips {
public:
    explicit CTwips(HDC dc) : m_px(GetDeviceCaps(dc, LOGPIXELSX)), m_py(GetDeviceCaps(dc, LOGPIXELSY)) {}
    int X(int twips) const { return MulDiv(twips, m_px, 1440); }
    int Y(int twips) const { return MulDiv(twips, m_py, 1440); }

private:
    int m_px;
    int m_py;
};

void DrawNotifyBackground(HDC dc, const RECT& rect, const CTwips& twips)
{
    const CBrushHandle key(CreateSolidBrush(kKeyColour));
    FillRect(dc, &rect, key.Get());
    const CBrushHandle fill(CreateSolidBrush(kFillColour));
    const CGdiObject<HPEN> pen(CreatePen(PS_SOLID, twips.X(kPenTwips), kPenColour));
    const CSavedDC saved(dc);
    SelectObject(dc, fill.Get());
    SelectObject(dc, pen.Get());
    RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, twips.X(kCornerTwips), twips.Y(kCornerTwips));
}

// Draws or measures the title and the text; the size they need goes to size.
bool DrawNotifyContent(HDC dc, const NotifyWindowArgs& args, bool measure, SIZE& size)
{
    const CTwips twips(dc);
    const RECT whole = {0, 0, args.cx, args.cy};
    if (!measure)
        DrawNotifyBackground(dc, whole, twips);
    NONCLIENTMETRICSW metrics;
    if (!ReadNonClientMetrics(metrics))
        return false;
    LOGFONTW bold = metrics.lfCaptionFont;
    bold.lfWeight = FW_BOLD;
    const CFontHandle textFont(CreateFontIndirectW(&metrics.lfCaptionFont));
    const CFontHandle titleFont(CreateFontIndirectW(&bold));
    if (!textFont || !titleFont)
        return false;
    const CSavedDC saved(dc);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    const UINT calculate = measure ? DT_CALCRECT : 0;
    const int padX = twips.X(kPaddingTwips);
    const int padY = twips.Y(kPaddingTwips);

    RECT title = {padX, 0, args.cx, args.cy};
    SelectObject(dc, titleFont.Get());
    const int titleHeight = DrawTextW(dc, args.title.c_str(), -1, &title, DT_SINGLELINE | DT_NOPREFIX | calculate);

    RECT text = {padX, titleHeight + padY / 2, twips.X(kTextRightTwips), args.cy};
    SelectObject(dc, textFont.Get());
    // Group names are shown as typed: "R&D" is not "RD" with a mnemonic.
    DrawTextW(dc, args.text.c_str(), -1, &text, DT_WORDBREAK | DT_NOPREFIX | calculate);
    size = SIZE{std::max(text.right, title.right) + padX, text.bottom + padY};
    return true;
}

// The wait between fade-in and fade-out: the stop event hides the pop-up at
// once. Posted and sent messages are drained without dispatching; what is
// left of the wait is taken from the clock after each, so a stream of them
// cannot keep the pop-up up.
void WaitOrStop(CNotifyWindow& window, HANDLE stopEvent, DWORD duration)
{
    const DWORD start = g_clockSeam.tickCount();
    DWORD remaining = duration;
    for (;;) {
        const DWORD result =
            MsgWaitForMultipleObjects(1, &stopEvent, FALSE, remaining, QS_POSTMESSAGE | QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) {
            window.Paint(0);
            return;
        }
        if (result == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            }
            const DWORD elapsed = g_clockSeam.tickCount() - start;
            if (elapsed < duration) {
                remaining = duration - elapsed;
                continue;
            }
        }
        window.Fade(false);
        return;
    }
}

RECT FitToMonitor(const RECT& rect)
{
    RECT fitted = rect;
    FitRectToMonitor(fitted, kFitWorkAreaOnPrimary);
    return fitted;
}

}  // namespace

HBITMAP RenderNotifyBitmap(NotifyWindowArgs& args, bool measure)
{
    if (args.cx <= 0 || args.cy <= 0)
        return nullptr;
    void* bits = nullptr;
    CBitmapHandle bitmap(CreateDib32(args.cx, args.cy, &bits));
    if (!bitmap)
        return nullptr;
    SIZE size = {};
    {
        const CWindowDC screen(nullptr, false);
        CMemoryDC memory(screen.Get());
        if (!memory.Select(bitmap.Get()) || !DrawNotifyContent(memory.Get(), args, measure, size))
            return nullptr;
    }
    if (measure) {
        args.cx = size.cx;
        args.cy = size.cy;
    } else if (!ApplyColourKeyAlpha(bitmap.Get(), args.cx, args.cy)) {
        return nullptr;
    }
    return bitmap.Release();
}

bool ApplyColourKeyAlpha(HBITMAP bitmap, int width, int height)
{
    if (!bitmap || width <= 0 || height <= 0)
        return false;
    BITMAPINFO info = Dib32Info(width, height);
    std::vector<RGBQUAD> pixels(static_cast<size_t>(width) * height);
    const CWindowDC screen(nullptr, false);
    const UINT rows = static_cast<UINT>(height);
    if (GetDIBits(screen.Get(), bitmap, 0, rows, pixels.data(), &info, DIB_RGB_COLORS) != height)
        return false;
    for (RGBQUAD& pixel : pixels) {
        const bool key = pixel.rgbRed == GetRValue(kKeyColour) && pixel.rgbGreen == GetGValue(kKeyColour) &&
                         pixel.rgbBlue == GetBValue(kKeyColour);
        if (key)
            pixel = RGBQUAD{0, 0, 0, 0};
        else
            pixel.rgbReserved = 255;
    }
    return SetDIBits(screen.Get(), bitmap, 0, rows, pixels.data(), &info, DIB_RGB_COLORS) == height;
}

POINT NotifyWindowPosition(const RECT* noteRect, SIZE size, const FitRectFunction& fit)
{
    if (!noteRect)
        return POINT{0, 0};
    const RECT& note = *noteRect;
    RECT place = fit(RECT{note.left, note.top - size.cy - kGap, note.left + size.cx, note.top - kGap});
    RECT overlap;
    if (IntersectRect(&overlap, &place, &note))
        place = fit(RECT{note.left, note.bottom + kGap, note.left + size.cx, note.bottom + kGap + size.cy});
    return POINT{place.left, place.top};
}

// ---- CNotifyWindow ----

bool CNotifyWindow::CreateContent(NotifyWindowArgs& args)
{
    m_bitmap.Reset(RenderNotifyBitmap(args, false));
    if (!m_bitmap)
        return false;
    m_x = args.x;
    m_y = args.y;
    m_cx = args.cx;
    m_cy = args.cy;
    m_animationDuration = args.animationDuration;
    return true;
}

void CNotifyWindow::Fade(bool fadeIn)
{
    const DWORD duration = m_animationDuration;
    RunFadeFrames(duration, GetFrameClockFrequency(), [&](LONGLONG elapsed) {
        Paint(FadeFraction(fadeIn ? elapsed : duration - elapsed, duration));
    });
    Paint(fadeIn ? 255 : 0);
}

void CNotifyWindow::Paint(BYTE alpha)
{
    if (!(alpha == 0 && !GetHwnd()) && Create(nullptr)) {
        const CWindowDC dc(GetHwnd(), false);
        UpdateLayered(dc.Get(), m_x, m_y, m_cx, m_cy, m_bitmap.Get(), alpha);
    }
    m_alpha = alpha;
}

unsigned __stdcall NotifyWindowThreadProc(void* record)
{
    const std::unique_ptr<NotifyWindowArgs> args(static_cast<NotifyWindowArgs*>(record));
    CNotifyWindow window;
    if (!window.CreateContent(*args)) {
        QLOG(L"Failed to create notification window");
        return 1;
    }
    window.Fade(true);
    WaitOrStop(window, args->stopEvent.Get(), args->duration);
    window.DestroyWindow();
    return 0;
}

// ---- CNotifyWindowThread ----

namespace {

// The record of a pop-up beside the note, measured and placed; null when the
// text cannot be measured.
std::unique_ptr<NotifyWindowArgs> MakeNotifyArgs(HWND noteWindow, const wchar_t* text)
{
    auto args = std::make_unique<NotifyWindowArgs>();
    args->noteWindow = noteWindow;
    args->title = kTitle;
    args->text = text;
    args->animationDuration = static_cast<DWORD>(std::max(GetAnimationDuration(), 0));
    if (!CBitmapHandle(RenderNotifyBitmap(*args, true)))
        return nullptr;
    RECT noteRect = {};
    const bool hasNote = noteWindow && GetWindowRect(noteWindow, &noteRect);
    const POINT place = NotifyWindowPosition(hasNote ? &noteRect : nullptr, SIZE{args->cx, args->cy}, &FitToMonitor);
    args->x = place.x;
    args->y = place.y;
    return args;
}

// The pop-up thread with its own duplicate of the stop event; its handle,
// null (logged) when it did not start.
HANDLE StartNotifyThread(std::unique_ptr<NotifyWindowArgs> args, HANDLE stopEvent, unsigned& threadId)
{
    HANDLE duplicate = nullptr;
    if (!stopEvent || !DuplicateHandle(GetCurrentProcess(), stopEvent, GetCurrentProcess(), &duplicate, 0, FALSE,
                                       DUPLICATE_SAME_ACCESS)) {
        QLOG(L"Failed to start notify thread, %lu", GetLastError());
        return nullptr;
    }
    args->stopEvent.Reset(duplicate);
    const uintptr_t thread = _beginthreadex(nullptr, 0, &NotifyWindowThreadProc, args.get(), 0, &threadId);
    if (!thread) {
        QLOG(L"Failed to start notify thread, %lu", GetLastError());
        return nullptr;
    }
    args.release();   // the thread frees it
    return reinterpret_cast<HANDLE>(thread);
}

}  // namespace

bool CNotifyWindowThread::Show(HWND noteWindow, const wchar_t* text)
{
    Stop();
    std::unique_ptr<NotifyWindowArgs> args = MakeNotifyArgs(noteWindow, text);
    if (!args) {
        QLOG(L"Failed to create notification window");
        return false;
    }
    m_stopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    unsigned threadId = 0;
    const HANDLE thread = StartNotifyThread(std::move(args), m_stopEvent.Get(), threadId);
    if (!thread)
        return false;
    m_thread.Reset(thread);
    m_threadId = threadId;
    return true;
}

// The event stays signalled when the wait times out, so the late thread
// still sees it; this object makes a new one for the next pop-up.
void CNotifyWindowThread::Stop()
{
    if (!m_stopEvent && !m_thread)
        return;
    if (m_stopEvent)
        SetEvent(m_stopEvent.Get());
    if (m_thread) {
        const DWORD result = WaitForSingleObject(m_thread.Get(), kStopTimeoutMs);
        if (result != WAIT_OBJECT_0)
            QLOG(L"Forcibly closed notify thread, %08lx - %08lx",
                 static_cast<unsigned long>(reinterpret_cast<uintptr_t>(m_thread.Get())),
                 static_cast<unsigned long>(result));
    }
    m_stopEvent.Reset();
    m_thread.Reset();
    m_threadId = 0;
}
