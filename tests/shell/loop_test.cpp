// The message loop's key routing, with stand-ins for the main window, a note
// window, the parent window and the modeless dialogs.
#include <gtest/gtest.h>

#include <windows.h>

#include <utility>
#include <vector>

#include "framework/AppModule.h"
#include "resources/resource.h"
#include "shell/MainCommands.h"
#include "shell/mainwnd.h"
#include "shell/reruzadu.h"

namespace {

std::vector<std::pair<HWND, UINT>> g_commands;

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        g_commands.emplace_back(window, LOWORD(wParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD)
{
    ADD_FAILURE() << "the loop did not end";
    PostQuitMessage(99);
}

class LoopTest : public testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSW standIn = {};
        standIn.lpfnWndProc = &StandInProc;
        standIn.hInstance = GetModuleHandleW(nullptr);
        standIn.lpszClassName = L"QuilletLoopStandIn";
        RegisterClassW(&standIn);
        m_main = Make(nullptr);
        m_note = Make(nullptr);
        m_parent = Make(nullptr);
        m_organizer = Make(nullptr);
        m_organizerChild = Make(m_organizer);
        m_find = Make(nullptr);
        g_hwndApp = m_main;
        SetParentWindow(m_parent);
        g_appModule.SetShowHideDlg(m_organizer);
        g_appModule.SetFindDlg(m_find);
        g_mainAccelerators = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAIN_ACCELERATORS));
        g_noteAccelerators = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_NOTE_ACCELERATORS));
        ASSERT_NE(g_mainAccelerators, nullptr);
        ASSERT_NE(g_noteAccelerators, nullptr);
        g_commands.clear();
    }
    void TearDown() override
    {
        g_hwndApp = nullptr;
        SetParentWindow(nullptr);
        g_appModule.SetShowHideDlg(nullptr);
        g_appModule.SetFindDlg(nullptr);
        for (HWND window : {m_organizer, m_main, m_note, m_parent, m_find})
            DestroyWindow(window);
    }

    HWND Make(HWND parent)
    {
        const DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW;
        return CreateWindowExW(0, L"QuilletLoopStandIn", L"", style, 0, 0, 100, 100, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }

    static void PressKey(HWND window, WPARAM key) { PostMessageW(window, WM_KEYDOWN, key, 1); }

    // Runs the loop over what was posted, then ends it.
    WPARAM RunPosted()
    {
        PostQuitMessage(7);
        const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, &Watchdog);
        const WPARAM result = RunMessageLoop();
        KillTimer(nullptr, watchdog);
        return result;
    }

    HWND m_main = nullptr, m_note = nullptr, m_parent = nullptr;
    HWND m_organizer = nullptr, m_organizerChild = nullptr, m_find = nullptr;
};

TEST_F(LoopTest, EachWindowGetsTheCommandOfItsOwnTable)
{
    PressKey(m_main, VK_F2);
    PressKey(m_note, VK_F2);
    EXPECT_EQ(RunPosted(), 7u);
    const std::vector<std::pair<HWND, UINT>> expected = {{m_main, ID_NEW_NOTE}, {m_note, 20030}};
    EXPECT_EQ(g_commands, expected);
}

TEST_F(LoopTest, AKeyTheOrganizersTableTakesGivesExactlyOneCommand)
{
    // F3 is "save notes" in the organizer's table and a note command in the
    // other: only the first may act.
    PressKey(m_organizerChild, VK_F3);
    RunPosted();
    const std::vector<std::pair<HWND, UINT>> expected = {{m_organizer, ID_SAVE_ALL}};
    EXPECT_EQ(g_commands, expected);
}

TEST_F(LoopTest, TheFindDialogAndTheParentWindowGetNoAcceleratorCommands)
{
    PressKey(m_find, VK_F2);
    PressKey(m_parent, VK_F2);
    RunPosted();
    EXPECT_TRUE(g_commands.empty());
}

}  // namespace
