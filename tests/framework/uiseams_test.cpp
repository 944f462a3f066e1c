// The modal-UI seams and the script that tests put in front of them.
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>
#include <windows.h>

#include <string>
#include <vector>

#include "foundation/MessageBoxSeam.h"
#include "framework/UiSeams.h"
#include "tests/support/CommandRecorder.h"
#include "tests/support/ScopedUiScript.h"

namespace {

TEST(UiScript, AnswersEveryTableFromItsQueueAndRecords)
{
    ScopedUiScript script;
    script.AnswerMessageBox(IDYES);
    script.AnswerModal(1005, IDOK);
    script.AnswerOpenFile(std::wstring(L"C:\\a\\long-name.wav"));
    script.AnswerSaveFile(std::nullopt);
    script.AnswerColor(RGB(1, 2, 3));
    script.HandleFont([](CHOOSEFONTW& request) {
        request.lpLogFont->lfHeight = -13;
        return TRUE;
    });
    script.AnswerPrint(FALSE);

    EXPECT_EQ(AppMessageBox(nullptr, L"Sure?", MB_YESNO), IDYES);
    EXPECT_EQ(RunModal(SModalRun{ 1005, nullptr, nullptr, nullptr }), IDOK);

    wchar_t file[8] = {};  // shorter than the answer: cut and terminated
    OPENFILENAMEW open = {};
    open.lStructSize = sizeof(open);
    open.lpstrFile = file;
    open.nMaxFile = 8;
    EXPECT_TRUE(g_commonDialogSeam.getOpenFileName(&open));
    EXPECT_STREQ(file, L"C:\\a\\lo");
    EXPECT_FALSE(g_commonDialogSeam.getSaveFileName(&open));

    CHOOSECOLORW color = {};
    EXPECT_TRUE(g_commonDialogSeam.chooseColor(&color));
    EXPECT_EQ(color.rgbResult, RGB(1, 2, 3));
    LOGFONTW font = {};
    CHOOSEFONTW fontRequest = {};
    fontRequest.lpLogFont = &font;
    EXPECT_TRUE(g_commonDialogSeam.chooseFont(&fontRequest));
    EXPECT_EQ(font.lfHeight, -13);
    PRINTDLGW print = {};
    EXPECT_FALSE(g_commonDialogSeam.printDialog(&print));
    SeamedMessageBeep(MB_ICONEXCLAMATION);

    const std::vector<std::wstring> expected = { L"box Sure?", L"modal 1005", L"open", L"save", L"color",
                                                 L"font", L"print", L"beep 48" };
    EXPECT_EQ(script.Calls(), expected);
}

TEST(UiScript, MenusReturnOrPostTheirCommandAsTheRealOneDoes)
{
    const CCommandRecorder recorder;
    const HWND owner = recorder.Window();
    const std::vector<UINT>& commands = recorder.Commands();
    const HMENU menu = CreatePopupMenu();

    ScopedUiScript script;
    script.AnswerMenu(21046);
    script.AnswerMenu(21047);
    script.AnswerMenu(0);
    EXPECT_EQ(SeamedTrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, owner), 21046);
    EXPECT_TRUE(commands.empty()) << "a returned command is not sent";
    EXPECT_TRUE(SeamedTrackPopupMenu(menu, TPM_LEFTBUTTON, 0, 0, owner));
    EXPECT_TRUE(commands.empty()) << "the command comes after the call, as a posted message";
    PumpMessagesFor(20);
    EXPECT_EQ(commands, std::vector<UINT>{ 21047 });
    EXPECT_EQ(SeamedTrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, owner), 0);
    EXPECT_EQ(script.MenuFlags(), (std::vector<UINT>{ TPM_RETURNCMD, TPM_LEFTBUTTON, TPM_RETURNCMD }));
    DestroyMenu(menu);
}

TEST(UiScript, UnscriptedCallsFailWithoutBlocking)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScopedUiScript script;
            EXPECT_EQ(AppMessageBox(nullptr, L"nobody answers", MB_OKCANCEL), IDCANCEL);
        },
        "unscripted call: box nobody answers");
    EXPECT_NONFATAL_FAILURE(
        {
            ScopedUiScript script;
            EXPECT_EQ(RunModal(SModalRun{ 1010, nullptr, nullptr, nullptr }), IDCANCEL);
        },
        "unscripted call: modal 1010");
    EXPECT_NONFATAL_FAILURE(
        {
            ScopedUiScript script;
            script.AnswerMenu(5);
        },
        "scripted answers never asked for");
}

TEST(UiScript, RealTablesComeBackAfterTheScript)
{
    const SModalRunSeam modal = g_modalRunSeam;
    const SCommonDialogSeam dialogs = g_commonDialogSeam;
    const SPopupMenuSeam menus = g_popupMenuSeam;
    const SBeepSeam beeps = g_beepSeam;
    const SMessageBoxSeam boxes = g_messageBoxSeam;
    {
        ScopedUiScript script;
        EXPECT_NE(g_modalRunSeam.run, modal.run);
        EXPECT_NE(g_popupMenuSeam.trackPopupMenu, menus.trackPopupMenu);
    }
    EXPECT_EQ(g_modalRunSeam.run, modal.run);
    EXPECT_EQ(g_commonDialogSeam.getOpenFileName, dialogs.getOpenFileName);
    EXPECT_EQ(g_commonDialogSeam.printDialog, dialogs.printDialog);
    EXPECT_EQ(g_popupMenuSeam.trackPopupMenu, menus.trackPopupMenu);
    EXPECT_EQ(g_beepSeam.messageBeep, beeps.messageBeep);
    EXPECT_EQ(g_messageBoxSeam.messageBox, boxes.messageBox);
}

}  // namespace
