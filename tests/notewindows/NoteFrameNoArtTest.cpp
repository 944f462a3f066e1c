// A program without its docking guide pictures: notes still snap, with no
// guide shown and the loss logged once.
#include <gtest/gtest.h>

#include "NoteFrameTestSupport.h"

namespace {

TEST_F(CNoteFrameTest, WithoutGuidePicturesNotesStillSnap)
{
    CLogCapture log;
    CNote* still = MakeNote({100, 100, 300, 300});
    CNote* moving = MakeNote({500, 100, 700, 300});
    ASSERT_TRUE(still && moving);
    const HWND frame = moving->GetHwnd();
    SendMessageW(frame, WM_NCLBUTTONDOWN, HTNOWHERE, MAKELPARAM(510, 105));
    for (int round = 0; round < 2; ++round) {
        SetCursorPos(300 + 20 + 10, 110);
        RECT proposed = {320, 100, 520, 300};
        EXPECT_EQ(SendMessageW(frame, WM_MOVING, 0, reinterpret_cast<LPARAM>(&proposed)), 1);
        EXPECT_EQ(proposed.left, 301);
        const HWND guide = GetMagnetGuideWindow();
        EXPECT_FALSE(guide && IsWindowVisible(guide));
    }
    SendMessageW(frame, WM_EXITSIZEMOVE, 0, 0);
    int lines = 0;
    for (const std::wstring& line : log.Lines())
        lines += line.find(L"docking guides could not be loaded") != std::wstring::npos;
    EXPECT_EQ(lines, 1);
}

} // namespace
