// The morph animator and its easing curves.
#include "MorphAnimator.h"

#include "foundation/Seams.h"
#include "foundation/WinPlacement.h"

#include <algorithm>
#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;
const double kBackOvershoot = 1.70158;
const DWORD kFrameMs = 10;

enum EEaseKind { kEaseIn, kEaseOut, kEaseInOut };

// Each family gives the change reached at time t (begin 0); d is positive.
double EasePower(EEaseKind kind, double power, double t, double c, double d)
{
    const double e = t / d;
    const double m = t / (d / 2);
    switch (kind) {
    case kEaseIn:
        return c * std::pow(e, power);
    case kEaseOut:
        return c * (1 - std::pow(1 - e, power));
    default:
        return m < 1 ? c / 2 * std::pow(m, power) : c / 2 * (2 - std::pow(2 - m, power));
    }
}

double EaseSine(EEaseKind kind, double t, double c, double d)
{
    const double e = t / d;
    switch (kind) {
    case kEaseIn:
        return c - c * std::cos(e * kPi / 2);
    case kEaseOut:
        return c * std::sin(e * kPi / 2);
    default:
        return -c / 2 * (std::cos(kPi * t / d) - 1);
    }
}

double EaseExponential(EEaseKind kind, double t, double c, double d)
{
    const double e = t / d;
    const double m = t / (d / 2);
    switch (kind) {
    case kEaseIn:
        return t == 0 ? 0 : c * std::pow(2, 10 * (e - 1));
    case kEaseOut:
        return t == d ? c : c * (1 - std::pow(2, -10 * e));
    default:
        if (t == 0)
            return 0;
        if (t == d)
            return c;
        return m < 1 ? c / 2 * std::pow(2, 10 * (m - 1)) : c / 2 * (2 - std::pow(2, -10 * (m - 1)));
    }
}

double EaseCircular(EEaseKind kind, double t, double c, double d)
{
    const double e = t / d;
    const double m = t / (d / 2);
    switch (kind) {
    case kEaseIn:
        return -c * (std::sqrt(1 - e * e) - 1);
    case kEaseOut:
        return c * std::sqrt(1 - (e - 1) * (e - 1));
    default:
        return m < 1 ? -c / 2 * (std::sqrt(1 - m * m) - 1) : c / 2 * (std::sqrt(1 - (m - 2) * (m - 2)) + 1);
    }
}

double EaseElastic(EEaseKind kind, double t, double c, double d)
{
    const double e = t / d;
    const double m = t / (d / 2);
    if (t == 0)
        return 0;
    if (kind == kEaseInOut ? m == 2 : e == 1)
        return c;
    const double period = kind == kEaseInOut ? 0.45 * d : 0.3 * d;
    const double shift = period / 4;
    const double n = (kind == kEaseInOut ? m : e) - 1;
    switch (kind) {
    case kEaseIn:
        return -(c * std::pow(2, 10 * n) * std::sin((n * d - shift) * 2 * kPi / period));
    case kEaseOut:
        return c * std::pow(2, -10 * e) * std::sin((e * d - shift) * 2 * kPi / period) + c;
    default:
        if (m < 1)
            return -0.5 * c * std::pow(2, 10 * n) * std::sin((n * d - shift) * 2 * kPi / period);
        return 0.5 * c * std::pow(2, -10 * n) * std::sin((n * d - shift) * 2 * kPi / period) + c;
    }
}

double EaseBack(EEaseKind kind, double t, double c, double d)
{
    const double e = t / d;
    const double s = kBackOvershoot;
    switch (kind) {
    case kEaseIn:
        return c * e * e * ((s + 1) * e - s);
    case kEaseOut:
        return c * ((e - 1) * (e - 1) * ((s + 1) * (e - 1) + s) + 1);
    default: {
        const double wide = s * 1.525;
        const double m = t / (d / 2);
        if (m < 1)
            return c / 2 * (m * m * ((wide + 1) * m - wide));
        const double n = m - 2;
        return c / 2 * (n * n * ((wide + 1) * n + wide) + 2);
    }
    }
}

double BounceOut(double t, double c, double d)
{
    double e = t / d;
    if (e < 1 / 2.75)
        return c * (7.5625 * e * e);
    if (e < 2 / 2.75) {
        e -= 1.5 / 2.75;
        return c * (7.5625 * e * e + 0.75);
    }
    if (e < 2.5 / 2.75) {
        e -= 2.25 / 2.75;
        return c * (7.5625 * e * e + 0.9375);
    }
    e -= 2.625 / 2.75;
    return c * (7.5625 * e * e + 0.984375);
}

double EaseBounce(EEaseKind kind, double t, double c, double d)
{
    switch (kind) {
    case kEaseIn:
        return c - BounceOut(d - t, c, d);
    case kEaseOut:
        return BounceOut(t, c, d);
    default:
        if (t < d / 2)
            return (c - BounceOut(d - 2 * t, c, d)) * 0.5;
        return BounceOut(2 * t - d, c, d) * 0.5 + c * 0.5;
    }
}

double EaseFamily(int family, EEaseKind kind, double t, double c, double d)
{
    switch (family) {
    case 0: return EasePower(kind, 2, t, c, d);
    case 1: return EasePower(kind, 3, t, c, d);
    case 2: return EasePower(kind, 4, t, c, d);
    case 3: return EasePower(kind, 5, t, c, d);
    case 4: return EaseSine(kind, t, c, d);
    case 5: return EaseExponential(kind, t, c, d);
    case 6: return EaseCircular(kind, t, c, d);
    case 7: return EaseElastic(kind, t, c, d);
    case 8: return EaseBack(kind, t, c, d);
    default: return EaseBounce(kind, t, c, d);
    }
}

// UpdateLayeredWindow fails on a window given attributes until its layered
// style is set anew; a window that cannot be keeps its own alpha.
bool LayerAnew(HWND window, const SLayeredState& saved)
{
    if ((saved.alpha == 255 || ChangeExStyle(window, 0, WS_EX_LAYERED)) && ChangeExStyle(window, WS_EX_LAYERED, 0))
        return true;
    RestoreLayeredState(window, saved);
    return false;
}

// The window shows the snapshot until it paints itself again.
void ShowSnapshot(HWND window, HDC snapshot)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    const CWindowDC windowDC(window, true);
    BitBlt(windowDC.Get(), 0, 0, RectWidth(rect), RectHeight(rect), snapshot, 0, 0, SRCCOPY | NOMIRRORBITMAP);
}

}  // namespace

double CMorphAnimator::Ease(int curve, double t, double b, double c, double d)
{
    if (curve < 0 || curve >= 30)
        return b;
    if (d <= 0)
        return b + c;
    return b + EaseFamily(curve / 3, static_cast<EEaseKind>(curve % 3), t, c, d);
}

bool CMorphAnimator::CaptureWindow(HWND window)
{
    if (!window || !IsWindow(window))
        return false;
    RECT rect = {};
    GetWindowRect(window, &rect);
    const CWindowDC windowDC(window, true);
    if (!windowDC.Get())
        return false;
    // The bitmap before the device context, which gives it back first.
    CBitmapHandle bitmap(CreateCompatibleBitmap(windowDC.Get(), RectWidth(rect), RectHeight(rect)));
    CMemoryDC memory(windowDC.Get());
    SetLayout(memory.Get(), 0);
    if (!memory.Select(bitmap.Get()))
        return false;
    SetBoundsRect(memory.Get(), nullptr, DCB_RESET | DCB_ENABLE);
    SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(memory.Get()),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    RECT bounds = {};
    if ((GetBoundsRect(memory.Get(), &bounds, 0) & DCB_SET) != DCB_SET)
        return false;
    BITMAP info = {};
    GetObjectW(bitmap.Get(), sizeof(info), &info);
    m_snapshotSize = SIZE{info.bmWidth, info.bmHeight};
    m_snapshot.Reset(bitmap.Release());
    return true;
}

SIZE CMorphAnimator::CanvasSize() const
{
    return SIZE{std::max({LONG{RectWidth(m_start)}, LONG{RectWidth(m_end)}, m_snapshotSize.cx, 1L}),
                std::max({LONG{RectHeight(m_start)}, LONG{RectHeight(m_end)}, m_snapshotSize.cy, 1L})};
}

// What every frame of one run draws with.
struct CMorphAnimator::SRun {
    HWND window;
    HDC canvas;
    SIZE canvasSize;
    HDC snapshot;
    BLENDFUNCTION blend;
};

void CMorphAnimator::DrawFrame(const SRun& run, double t) const
{
    if (!run.snapshot || IsRectEmpty(&m_start) || IsRectEmpty(&m_end))
        return;
    // The window keeps the last frame drawn before the duration ran out.
    if (t >= m_duration)
        return;
    const double d = m_duration;
    const int x = static_cast<int>(Ease(m_curve, t, m_start.left, m_end.left - m_start.left, d));
    const int y = static_cast<int>(Ease(m_curve, t, m_start.top, m_end.top - m_start.top, d));
    const double width = Ease(m_curve, t, RectWidth(m_start), RectWidth(m_end) - RectWidth(m_start), d);
    const double height = Ease(m_curve, t, RectHeight(m_start), RectHeight(m_end) - RectHeight(m_start), d);
    // Never more than the canvas: an overshooting curve would ask
    // UpdateLayeredWindow for more than its source, which Windows refuses.
    SIZE size = {static_cast<int>(std::clamp<double>(width, 0, run.canvasSize.cx)),
                 static_cast<int>(std::clamp<double>(height, 0, run.canvasSize.cy))};
    if (size.cx == 0 || size.cy == 0)
        return;
    // The eased rectangle is filled, so an unroll shows background in its new part.
    const RECT fill = {0, 0, size.cx, size.cy};
    const CBrushHandle brush(CreateSolidBrush(m_background));
    FillRect(run.canvas, &fill, brush.Get());
    BitBlt(run.canvas, 0, 0, m_snapshotSize.cx, m_snapshotSize.cy, run.snapshot, 0, 0, SRCCOPY);
    POINT position = {x, y};
    POINT source = {0, 0};
    BLENDFUNCTION blend = run.blend;
    UpdateLayeredWindow(run.window, nullptr, &position, &size, run.canvas, &source, 0, &blend, ULW_ALPHA);
}

// Without a counter frequency the run goes straight to its last frame.
void CMorphAnimator::PlayFrames(const SRun& run, CAlphaEdgeFrame* edges) const
{
    const LONGLONG frequency = GetFrameClockFrequency();
    if (frequency > 0) {
        const LONGLONG start = FrameClockMilliseconds(frequency);
        for (LONGLONG elapsed = 0; elapsed <= static_cast<LONGLONG>(m_duration);
             elapsed = FrameClockMilliseconds(frequency) - start) {
            const LONGLONG roundStart = FrameClockMilliseconds(frequency);
            DrawFrame(run, static_cast<double>(elapsed));
            if (edges)
                edges->Update(run.window, false);
            PaceFrame(roundStart, frequency, kFrameMs);
        }
    }
    DrawFrame(run, m_duration);
    if (edges)
        edges->Update(run.window, false);
}

bool CMorphAnimator::Run(HWND window, CAlphaEdgeFrame* edges)
{
    if (!window || !IsWindow(window))
        return false;
    const SIZE canvasSize = CanvasSize();
    const CWindowDC screen(nullptr, false);
    // Bitmaps before the device contexts, which give them back first.
    const CBitmapHandle canvasBitmap(CreateCompatibleBitmap(screen.Get(), canvasSize.cx, canvasSize.cy));
    CMemoryDC canvas(screen.Get());
    CMemoryDC snapshot(screen.Get());
    if (!canvas.Select(canvasBitmap.Get()))
        return false;
    SetLayout(canvas.Get(), 0);
    const bool hasSnapshot = m_snapshot && snapshot.Select(m_snapshot.Get());

    const SLayeredState saved = ReadLayeredState(window);
    if (!LayerAnew(window, saved))
        return false;

    const SRun run = {window, canvas.Get(), canvasSize, hasSnapshot ? snapshot.Get() : nullptr,
                      BLENDFUNCTION{AC_SRC_OVER, 0, saved.alpha, 0}};
    DrawFrame(run, 0);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW |
                     SWP_NOOWNERZORDER);
    PlayFrames(run, edges);
    RestoreLayeredState(window, saved);
    if (hasSnapshot)
        ShowSnapshot(window, snapshot.Get());
    return true;
}
