// A real pop-up menu through the seam's default: it needs an X server, and a
// timer closes it from inside its own loop.
#include <gtest/gtest.h>
#include <windows.h>

#include "framework/UiSeams.h"
#include "tests/support/ScopedUiScript.h"

namespace {

TEST(RealPopupMenu, RunsAndClosesWithNoChoice)
{
    CModalWatchdog watchdog;
    const HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 100, 100, nullptr,
                                       nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    SetForegroundWindow(owner);
    const HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 21046, L"In 15 minutes");
    AppendMenuW(menu, MF_STRING, 21047, L"In 30 minutes");
    SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        EndMenu();
    });
    EXPECT_EQ(SeamedTrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTBUTTON, 120, 120, owner), 0);
    DestroyMenu(menu);
    DestroyWindow(owner);
}

}  // namespace
