// QUILL32.exe on a real X server with two notes: a real click on the second
// note's caption and real keys land in its editor; keys typed into a
// rolled-up note change nothing; a paste of rich text nested 10,000 deep
// leaves the program running with the plain text pasted. The screen is
// saved as "editor-program-xvfb-screenshot.bmp" in the build folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "notewindows/VeduVure.h"
#include "shell/MainCommands.h"
#include "tests/shell/ProgramDriver.h"
#include "tests/shell/ProgramWindows.h"
#include "tests/shell/StoredNotes.h"
#include "tests/support/RealInput.h"
#include "tests/support/Screenshot.h"

namespace {

void Click(POINT at)
{
    SendMouse(0, at);
    Sleep(100);
    SendMouse(MOUSEEVENTF_LEFTDOWN, at);
    Sleep(100);
    SendMouse(MOUSEEVENTF_LEFTUP, at);
    Sleep(500);
}

void Type(const wchar_t* letters)
{
    SendKeys(letters);
    Sleep(500);
}

// The note's editor is its one child; its text by WM_GETTEXT, which crosses processes.
HWND EditorOf(HWND frame)
{
    return GetWindow(frame, GW_CHILD);
}

std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

HWND NoteTitled(const CRun& run, const wchar_t* title)
{
    for (int tries = 0; tries < 100; ++tries) {
        for (const HWND window : WindowsOfClass(run.ProcessId(), L"NoteWClass"))
            if (IsWindowVisible(window) && TextOf(window) == title)
                return window;
        Sleep(100);
    }
    return nullptr;
}

void PutDeepRichText()
{
    std::string rtf = "{\\rtf1\\ansi ";
    for (int i = 0; i < 10000; ++i)
        rtf += "{\\b ";
    rtf += "deep}";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const auto put = [](UINT format, const void* data, size_t size) {
        const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        memcpy(GlobalLock(block), data, size);
        GlobalUnlock(block);
        SetClipboardData(format, block);
    };
    put(RegisterClipboardFormatW(L"Rich Text Format"), rtf.c_str(), rtf.size() + 1);
    put(CF_UNICODETEXT, L"flat", sizeof(L"flat"));
    CloseClipboard();
}

using EditorOnScreen = ProgramTest;

TEST_F(EditorOnScreen, RealKeysFollowTheClickedNoteAndAHostilePasteKeepsTheProgramAlive)
{
    ASSERT_TRUE(StoreNotesIn(Folder(), {{L"First", L"one", true, L"", 0}, {L"Second", L"two", true, L"", 0}}));
    CRun run(ProgramPath(), FolderArgument());
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(WaitUntilLogged(L"Starting message loop", kStartMs));
    const HWND first = NoteTitled(run, L"First");
    const HWND second = NoteTitled(run, L"Second");
    ASSERT_TRUE(first && second);
    Sleep(1000);

    // Click the first note's text, then the second note's caption, and type.
    RECT rect = {};
    GetWindowRect(first, &rect);
    Click({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    GetWindowRect(second, &rect);
    Click({rect.left + 30, rect.top + 4});
    Type(L"qz");
    EXPECT_NE(TextOf(EditorOf(second)).find(L"qz"), std::wstring::npos) << TextOf(EditorOf(second));
    EXPECT_EQ(TextOf(EditorOf(first)), L"one");

    // Rolled up, with its text selected: typing changes nothing.
    const std::wstring before = TextOf(EditorOf(second));
    SendMessageW(EditorOf(second), EM_SETSEL, 0, -1);
    SendMessageW(second, WM_ITSY_MAXIMIZE, 0, 0);
    Sleep(500);
    Type(L"xy");
    EXPECT_EQ(TextOf(EditorOf(second)), before);

    // The hostile paste, through the clipboard into the first note.
    PutDeepRichText();
    GetWindowRect(first, &rect);
    Click({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    SendKey(VK_CONTROL, true);
    SendKey('V', true);
    SendKey('V', false);
    SendKey(VK_CONTROL, false);
    Sleep(1000);
    EXPECT_EQ(run.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE)) << "the paste ended the program";
    EXPECT_NE(TextOf(EditorOf(first)).find(L"flat"), std::wstring::npos) << TextOf(EditorOf(first));
    EXPECT_TRUE(Logged(L"Pasted rich text nests deeper than 24 groups: its plain text is pasted instead"));
    RECT screen = {};
    GetWindowRect(GetDesktopWindow(), &screen);
    SaveScreenshot(L"editor-program-xvfb-screenshot.bmp", {screen.right / 2, screen.bottom / 2});

    PostMessageW(run.FindWindowOfClass(L"MainWClass", 5000), WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(run.WaitForExit(kExitMs), 0u);
}

}  // namespace
