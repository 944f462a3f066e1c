// The open colour picker as a real X server draws it, saved into the build
// folder as a picture.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/ScopedUiScript.h"
#include "tests/support/Screenshot.h"
#include "tests/toolkit/ColorButtonTestSupport.h"

namespace {

TEST(ColorPicker, ScreenshotWithThePickerOpen)
{
    const CModalWatchdog watchdog;
    CButtonDialog dialog;
    dialog.color.SetColor(kRed);
    COLORREF probed = CLR_INVALID;
    // One idle tick first, so the picker has painted.
    CPickerScript script({ [](HWND) {},
                           [&probed](HWND picker) {
                               POINT cell = CellCentre(picker, 13);
                               ClientToScreen(picker, &cell);
                               probed = SaveScreenshot(L"colorpicker-xvfb-screenshot.bmp", cell);
                           },
                           Key(VK_ESCAPE) });
    ClickColorButton(dialog);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(probed, kBlue) << "the blue cell is on the screen";
    EXPECT_NE(GetFileAttributesW(L"colorpicker-xvfb-screenshot.bmp"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
