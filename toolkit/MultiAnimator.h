// Fading windows together: notes shown and hidden with a fade, or dimmed to
// a fifth of their opacity and back, their shadow edges in step. Runs to its
// end inside Fade or Dim on the calling thread, paced by the frame clock.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "toolkit/AlphaNotifierWnd.h"

// The frame loop of every fade, on the frame clock at that frequency: frame
// gets the elapsed milliseconds, from a head start of about a fifth of the
// duration while below it, at most every 10 ms. Nothing for a duration or
// frequency of 0.
void RunFadeFrames(DWORD duration, LONGLONG frequency, const std::function<void(LONGLONG elapsed)>& frame);
// part / duration as 0-255, clamped at both ends.
BYTE FadeFraction(LONGLONG part, DWORD duration);

// One window of a run.
struct AnimatorStep {
    HWND window;
    CAlphaEdgeFrame* edges;     // the window's shadow edges, or none
    DWORD savedFlags;           // layered flags read before the run
    BYTE alpha;                 // the alpha the run works with
    BYTE targetAlpha;           // the window's own opacity, 255 opaque
    COLORREF savedColorKey;     // layered colour key read before the run
};

class CMultiAnimator {
public:
    // The fade-out bit of Fade's flags (the window-animation hide flag).
    static constexpr DWORD kFadeOut = 0x10000;

    // A target of 0 means opaque, as a note stores it. False, adding nothing,
    // for a null or destroyed window.
    bool AddWindow(HWND window, CAlphaEdgeFrame* edges, BYTE targetAlpha);

    // Fades every window in (shown, to its target alpha) or out (hidden, its
    // alpha kept for the next show) over duration ms; frequency is the frame
    // clock's. A duration or frequency of 0 goes straight to the end. False
    // when a window cannot be made layered: the windows prepared before it
    // are put in their end state, none is left invisible.
    bool Fade(DWORD duration, DWORD flags, LONGLONG frequency);
    // Dims every visible window to 20 % of its alpha, or brings them back to
    // their target alpha. Results as Fade's.
    bool Dim(DWORD duration, bool dim, LONGLONG frequency);

private:
    using Prepare = bool (CMultiAnimator::*)(AnimatorStep& step, bool mode);
    using Finish = void (CMultiAnimator::*)(AnimatorStep& step, bool mode);
    bool PrepareAll(Prepare prepare, Finish finish, bool mode);
    bool PrepareFade(AnimatorStep& step, bool fadeOut);
    bool PrepareDim(AnimatorStep& step, bool dim);
    void FinishFade(AnimatorStep& step, bool fadeOut);
    void FinishDim(AnimatorStep& step, bool dim);
    template <class Frame>
    void RunFrames(DWORD duration, LONGLONG frequency, Frame frame);

    std::vector<AnimatorStep> m_steps;
};
