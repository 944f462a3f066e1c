// A real owner-drawn pop-up menu: it needs an X server, and a timer closes it
// from inside its own loop.
#include <gtest/gtest.h>

#include "tests/support/ScopedUiScript.h"
#include "toolkit/CustomMenu.h"

#include "MenuSnapshot.h"

using namespace menutest;

namespace {

CCustomMenu* g_menu = nullptr;
int g_measured = 0;
int g_drawn = 0;

// The owner hands both messages to the menu first, as the program's windows do.
LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (g_menu && g_menu->OnOwnerDrawMessage(hwnd, msg, lParam)) {
        (msg == WM_MEASUREITEM ? g_measured : g_drawn)++;
        return TRUE;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND CreateOwner()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuilletMenuOwner";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

}  // namespace

TEST(CCustomMenuOnScreen, AnswersMeasureAndDrawAndGivesTheMenuBack)
{
    CModalWatchdog watchdog;
    const HWND owner = CreateOwner();
    ASSERT_TRUE(owner);
    const HMENU menu = BuildTestMenu();
    const std::vector<std::wstring> before = SnapshotMenu(menu);
    CCustomMenu custom;
    custom.SetMenu(menu);
    ASSERT_TRUE(custom.LoadImageLists());
    custom.SetCommandImage(kNewNote, 0, false);
    custom.SetCommandImage(kAlwaysOnTop, -1, true);
    g_menu = &custom;

    SetTimer(nullptr, 0, 500, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        EndMenu();
    });
    EXPECT_EQ(custom.TrackPopupMenu(TPM_RETURNCMD | TPM_LEFTBUTTON, 120, 120, owner), 0);
    g_menu = nullptr;

    EXPECT_GT(g_measured, 0);
    EXPECT_GT(g_drawn, 0);
    EXPECT_EQ(Narrow(SnapshotMenu(menu)), Narrow(before));
    DestroyMenu(menu);
    DestroyWindow(owner);
}
