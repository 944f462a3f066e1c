// Fading and dimming windows together.
#include "MultiAnimator.h"

#include "foundation/Seams.h"

namespace {

const COLORREF kFadeColorKey = 0xFFFFFF;
const DWORD kFrameMs = 10;
const int kDimPercent = 20;

void RedrawWhole(HWND window)
{
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW | RDW_FRAME);
}

void SetEdgeAlpha(const AnimatorStep& step, BYTE alpha)
{
    if (!step.edges)
        return;
    step.edges->SetAlpha(alpha);
    step.edges->Update(step.window, false);
}

void ApplyFrameAlpha(const AnimatorStep& step, BYTE alpha)
{
    SetLayeredWindowAttributes(step.window, kFadeColorKey, alpha, LWA_ALPHA);
    SetEdgeAlpha(step, alpha);
}

// A hidden note keeps its transparency for its next show.
void RestoreStepAlpha(const AnimatorStep& step)
{
    RestoreLayeredState(step.window, SLayeredState{step.savedColorKey, step.alpha, step.savedFlags});
}

void SaveLayered(AnimatorStep& step)
{
    const SLayeredState state = ReadLayeredState(step.window);
    step.alpha = state.alpha;
    step.savedColorKey = state.colorKey;
    step.savedFlags = state.flags;
}

}  // namespace

BYTE FadeFraction(LONGLONG part, DWORD duration)
{
    const LONGLONG fraction = part * 255 / duration;
    return static_cast<BYTE>(fraction < 0 ? 0 : fraction > 255 ? 255 : fraction);
}

// The run starts with a head start of (D * 40 + 255) / 255 + 10 ms, so the
// first frame is already about a fifth of the way.
void RunFadeFrames(DWORD duration, LONGLONG frequency, const std::function<void(LONGLONG elapsed)>& frame)
{
    if (duration == 0 || frequency <= 0)
        return;
    const LONGLONG headStart = (static_cast<LONGLONG>(duration) * 40 + 255) / 255 + 10;
    const LONGLONG start = FrameClockMilliseconds(frequency) - headStart;
    for (LONGLONG elapsed = headStart; elapsed < duration; elapsed = FrameClockMilliseconds(frequency) - start) {
        const LONGLONG roundStart = FrameClockMilliseconds(frequency);
        frame(elapsed);
        PaceFrame(roundStart, frequency, kFrameMs);
    }
}

bool CMultiAnimator::AddWindow(HWND window, CAlphaEdgeFrame* edges, BYTE targetAlpha)
{
    if (!window || !IsWindow(window))
        return false;
    // 0 means opaque for notes: a fade to 0 would leave the note invisible.
    m_steps.push_back(AnimatorStep{window, edges, 0, 255, targetAlpha ? targetAlpha : BYTE{255}, 0});
    return true;
}

template <class Frame>
void CMultiAnimator::RunFrames(DWORD duration, LONGLONG frequency, Frame frame)
{
    RunFadeFrames(duration, frequency, [&](LONGLONG elapsed) {
        for (const AnimatorStep& step : m_steps)
            frame(step, elapsed);
    });
}

// On a failure the steps prepared so far go straight to their end, so no
// window stays at the alpha 0 a fade-in starts from.
bool CMultiAnimator::PrepareAll(Prepare prepare, Finish finish, bool mode)
{
    for (size_t i = 0; i < m_steps.size(); ++i) {
        if (!(this->*prepare)(m_steps[i], mode)) {
            for (size_t done = 0; done < i; ++done)
                (this->*finish)(m_steps[done], mode);
            return false;
        }
    }
    return true;
}

bool CMultiAnimator::PrepareFade(AnimatorStep& step, bool fadeOut)
{
    SaveLayered(step);
    if (!fadeOut)
        step.alpha = step.targetAlpha;
    if (!ChangeExStyle(step.window, WS_EX_LAYERED, 0))
        return false;
    if (fadeOut) {
        SetLayeredWindowAttributes(step.window, kFadeColorKey, step.alpha, LWA_ALPHA);
    } else {
        SetLayeredWindowAttributes(step.window, kFadeColorKey, 0, LWA_ALPHA);
        SetWindowPos(step.window, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
    }
    RedrawWhole(step.window);
    return true;
}

void CMultiAnimator::FinishFade(AnimatorStep& step, bool fadeOut)
{
    if (fadeOut) {
        ShowWindow(step.window, SW_HIDE);
        SetEdgeAlpha(step, 0);
    }
    RestoreStepAlpha(step);
    if (!fadeOut)
        SetEdgeAlpha(step, step.alpha);
}

bool CMultiAnimator::Fade(DWORD duration, DWORD flags, LONGLONG frequency)
{
    const bool fadeOut = (flags & kFadeOut) != 0;
    if (!PrepareAll(&CMultiAnimator::PrepareFade, &CMultiAnimator::FinishFade, fadeOut))
        return false;
    RunFrames(duration, frequency, [&](const AnimatorStep& step, LONGLONG elapsed) {
        const BYTE fraction = FadeFraction(fadeOut ? duration - elapsed : elapsed, duration);
        ApplyFrameAlpha(step, static_cast<BYTE>(step.alpha * fraction / 255));
    });
    for (AnimatorStep& step : m_steps)
        FinishFade(step, fadeOut);
    return true;
}

bool CMultiAnimator::PrepareDim(AnimatorStep& step, bool dim)
{
    if (IsWindowVisible(step.window)) {
        SaveLayered(step);
    } else {
        step.alpha = 0;
        step.savedColorKey = 0;
        step.savedFlags = 0;
    }
    if (!ChangeExStyle(step.window, WS_EX_LAYERED, 0))
        return false;
    SetLayeredWindowAttributes(step.window, kFadeColorKey, step.alpha, LWA_ALPHA);
    RedrawWhole(step.window);
    if (!dim)
        step.alpha = step.targetAlpha;
    return true;
}

void CMultiAnimator::FinishDim(AnimatorStep& step, bool dim)
{
    if (dim) {
        const BYTE floor = static_cast<BYTE>(MulDiv(step.alpha, kDimPercent, 100));
        SetLayeredWindowAttributes(step.window, step.savedColorKey, floor, LWA_ALPHA);
        SetEdgeAlpha(step, floor);
        return;
    }
    RestoreStepAlpha(step);
    SetEdgeAlpha(step, step.alpha);
}

bool CMultiAnimator::Dim(DWORD duration, bool dim, LONGLONG frequency)
{
    if (!PrepareAll(&CMultiAnimator::PrepareDim, &CMultiAnimator::FinishDim, dim))
        return false;
    RunFrames(duration, frequency, [&](const AnimatorStep& step, LONGLONG elapsed) {
        const BYTE fraction = FadeFraction(dim ? duration - elapsed : elapsed, duration);
        const BYTE alpha = static_cast<BYTE>(step.alpha * fraction / 255);
        // Dimming never goes below the floor it ends at.
        if (dim && alpha < MulDiv(step.alpha, kDimPercent, 100))
            return;
        ApplyFrameAlpha(step, alpha);
    });
    for (AnimatorStep& step : m_steps)
        FinishDim(step, dim);
    return true;
}
