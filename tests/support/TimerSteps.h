// Steps played one by one from a thread timer inside a modal loop (a sheet's,
// a dialog's): each step runs in the loop it drives, the next a tick later.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

using TimerStep = std::function<void()>;

namespace timer_steps {

inline std::vector<TimerStep> g_steps;
inline size_t g_next = 0;
inline UINT_PTR g_timer = 0;
inline UINT g_intervalMs = 30;

inline void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_timer = 0;
    if (g_next >= g_steps.size())
        return;
    // Taken first: a step may run a nested loop that plays steps of its own.
    const TimerStep step = g_steps[g_next++];
    step();
    g_timer = SetTimer(nullptr, 0, g_intervalMs, Tick);
}

}  // namespace timer_steps

// The steps of the next run; none plays before StartTimerSteps.
inline void SetTimerSteps(std::vector<TimerStep> steps, UINT intervalMs = 30)
{
    timer_steps::g_steps = std::move(steps);
    timer_steps::g_next = 0;
    timer_steps::g_intervalMs = intervalMs;
}

// From inside the loop the steps drive.
inline void StartTimerSteps()
{
    timer_steps::g_timer = SetTimer(nullptr, 0, timer_steps::g_intervalMs, timer_steps::Tick);
}

// After the loop: no step of this run may reach a later one.
inline void StopTimerSteps()
{
    if (timer_steps::g_timer)
        KillTimer(nullptr, timer_steps::g_timer);
    timer_steps::g_timer = 0;
}

// From a step that found its moment not yet come: it plays again next tick.
inline void RepeatTimerStep()
{
    if (timer_steps::g_next > 0)
        --timer_steps::g_next;
}
