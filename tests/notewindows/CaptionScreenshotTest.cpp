// A captioned note on a real X screen: the caption, its buttons, the strip
// and the grip are drawn where a person sees them. Saves
// "caption-xvfb-screenshot.bmp" in the build folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include "../support/ScopedUiScript.h"
#include "tests/support/Screenshot.h"
#include "CaptionTestFrame.h"
#include "foundation/SysFuncs.h"
#include "framework/Library.h"
#include "notewindows/VeduVure.h"
#include "toolkit/ColorMath.h"

TEST(CaptionScreenshot, NoteShowsCaptionButtonsStripAndGrip)
{
    PrepareCaptionGlobals();
    const CLibrary msftedit(LoadLibraryW(L"Msftedit.dll"));
    ASSERT_TRUE(msftedit);
    SetCursorPos(0, 0);  // no button lit by the pointer

    CTestNoteFrame frame({120, 100, 420, 300});
    frame.Note().Alarm().flags |= kAlarmSet | kAlarmActive;
    SetWindowTextW(frame.Get(), L"Shopping list");
    RECT client;
    GetClientRect(frame.Get(), &client);
    const HWND editor = CreateWindowExW(0, MSFTEDIT_CLASS, L"Milk\rEggs\rBread", WS_CHILD | WS_VISIBLE | ES_MULTILINE,
                                        0, 0, client.right, client.bottom, frame.Get(), nullptr, nullptr, nullptr);
    ASSERT_TRUE(editor);
    SendMessageW(editor, EM_SETBKGNDCOLOR, 0, frame.Note().GetColor() & 0xFFFFFF);
    SetForegroundWindow(frame.Get());
    RedrawWindow(frame.Get(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    PumpMessagesFor(300);

    RECT window;
    GetWindowRect(frame.Get(), &window);
    const int depth = ItsyGetCaptionSize(frame.Get());
    const int strip = PointsToPixels(9, frame.Get());
    struct Probe {
        const char* name;
        POINT point;
        COLORREF expected;
    };
    const Probe probes[] = {
        {"strip", {(window.left + window.right) / 2, window.bottom - 2 - strip / 2}, frame.Note().GetColor() & 0xFFFFFF},
        {"caption", {window.left + depth + 40, window.top + 2}, AdjustColorByPercent(frame.Note().GetColor(), -5)},
    };
    for (const Probe& probe : probes)
        EXPECT_EQ(SaveScreenshot(L"caption-xvfb-screenshot.bmp", probe.point), probe.expected) << probe.name;
    DestroyWindow(editor);
}
