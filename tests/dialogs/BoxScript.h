// Plays steps on a real modal box of the program: the box runs through the
// modal seam, and each timer tick gives the open box the next step. A box
// still open after the last step is cancelled, so "nothing ended it" shows
// as a cancel.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/ScopedUiScript.h"

using BoxStep = std::function<void(HWND box)>;

namespace box_script {

struct SPlay {
    const wchar_t* caption = nullptr;
    std::vector<BoxStep> steps;
    size_t next = 0;
};
inline SPlay g_play;

inline void CALLBACK PlayNext(HWND, UINT, UINT_PTR, DWORD)
{
    const HWND box = FindThreadWindow(g_play.caption);
    if (!box)
        return;
    if (g_play.next < g_play.steps.size()) {
        // Taken first: a step may end the box and the next tick must not rerun it.
        const BoxStep step = g_play.steps[g_play.next++];
        step(box);
    } else
        SendMessageW(box, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace box_script

// The next run of the template shows the real box, found by its caption.
inline void PlayOnBox(ScopedUiScript& script, UINT templateId, const wchar_t* caption, std::vector<BoxStep> steps)
{
    script.HandleModal(templateId, [caption, steps = std::move(steps)](const SModalRun& run) {
        // A box opened by a step plays its own steps, then the outer box goes on.
        const box_script::SPlay outer = box_script::g_play;
        box_script::g_play = { caption, steps, 0 };
        const UINT_PTR timer = SetTimer(nullptr, 0, 15, box_script::PlayNext);
        const INT_PTR result = run.realRun(run.context);
        KillTimer(nullptr, timer);
        box_script::g_play = outer;
        return result;
    });
}

// Common steps.
inline BoxStep TypeInto(int id, const wchar_t* text)
{
    return [id, text](HWND box) { SetDlgItemTextW(box, id, text); };
}
inline BoxStep Press(int id)
{
    return [id](HWND box) { SendMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id))); };
}
// Ticks the box as a click would, then tells its dialog.
inline BoxStep Click(int id, bool checked)
{
    return [id, checked](HWND box) {
        CheckDlgButton(box, id, checked ? BST_CHECKED : BST_UNCHECKED);
        SendMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
    };
}

// Waits, tick by tick, until the dialog manager has shown the box: it does
// so only once its loop first goes idle.
inline BoxStep WhenShown()
{
    return [](HWND box) {
        if (!IsWindowVisible(box))
            --box_script::g_play.next;
    };
}

inline std::wstring ItemText(HWND box, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(box, id, text, 512);
    return text;
}
