// The morph: a snapshot of a window shown while the window itself moves and
// resizes from a start to an end rectangle along an easing curve (a note
// rolling up to its caption and back). Runs to its end inside Run on the
// calling thread, paced by the frame clock.
#pragma once

#include <windows.h>

#include "toolkit/AlphaNotifierWnd.h"

class CMorphAnimator {
public:
    static constexpr DWORD kDefaultDuration = 200;
    static constexpr int kCubicIn = 3;

    // 0 keeps the default of 200 ms.
    void SetDuration(DWORD milliseconds) { m_duration = milliseconds ? milliseconds : kDefaultDuration; }
    void SetCurve(int curve) { m_curve = curve; }
    // Screen coordinates.
    void SetStartRect(const RECT& rect) { m_start = rect; }
    void SetEndRect(const RECT& rect) { m_end = rect; }
    void SetBackground(COLORREF color) { m_background = color; }

    // Prints the window into a new snapshot; false, keeping the previous one,
    // when nothing was drawn.
    bool CaptureWindow(HWND window);
    SIZE SnapshotSize() const { return m_snapshotSize; }
    // The memory bitmap of a run: the largest of the start, the end and the
    // snapshot, so that no frame asks for more than its source.
    SIZE CanvasSize() const;

    // Morphs the window from the start to the end rectangle and restores its
    // layered attributes; the caller then places it. False when the window
    // cannot be made layered or no memory device context can be made. A run
    // without snapshot or with an empty rectangle draws no frame.
    bool Run(HWND window, CAlphaEdgeFrame* edges);

    // The value of one of 30 easing curves (quadratic, cubic, quartic,
    // quintic, sine, exponential, circular, elastic, back, bounce; each in,
    // out, in-out) at time t for begin b, change c and duration d; an unknown
    // curve gives b.
    static double Ease(int curve, double t, double b, double c, double d);

private:
    struct SRun;
    void DrawFrame(const SRun& run, double t) const;
    void PlayFrames(const SRun& run, CAlphaEdgeFrame* edges) const;

    DWORD m_duration = kDefaultDuration;
    int m_curve = kCubicIn;
    RECT m_start = {};
    RECT m_end = {};
    CBitmapHandle m_snapshot;
    SIZE m_snapshotSize = {0, 0};
    COLORREF m_background = 0xFFFFFF;
};
