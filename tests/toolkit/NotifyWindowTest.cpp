#include <gtest/gtest.h>

#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/WinPlacement.h"
#include "framework/KernelHandle.h"
#include "toolkit/NotifyWindow.h"
#include "toolkit/SystemFonts.h"

#include "ToolkitTestWindows.h"

#include <atomic>
#include <vector>

namespace {

// The logical resolution and the fonts the pop-up measures with.
struct SPopupMetrics {
    int padX;
    int textRight;
    SIZE title;        // "Group changed" in bold
    int lineHeight;    // one line of the text font
};

SIZE TextSize(HDC dc, const LOGFONTW& font, const wchar_t* text)
{
    const CFontHandle handle(CreateFontIndirectW(&font));
    const HGDIOBJ old = SelectObject(dc, handle.Get());
    RECT rect = {};
    DrawTextW(dc, text, -1, &rect, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    return SIZE{rect.right, rect.bottom};
}

SPopupMetrics PopupMetrics()
{
    const CWindowDC screen(nullptr, false);
    CMemoryDC dc(screen.Get());
    const int px = GetDeviceCaps(dc.Get(), LOGPIXELSX);
    NONCLIENTMETRICSW metrics;
    EXPECT_TRUE(ReadNonClientMetrics(metrics));
    LOGFONTW bold = metrics.lfCaptionFont;
    bold.lfWeight = FW_BOLD;
    return SPopupMetrics{MulDiv(150, px, 1440), MulDiv(4500, px, 1440), TextSize(dc.Get(), bold, L"Group changed"),
                         TextSize(dc.Get(), metrics.lfCaptionFont, L"Wg").cy};
}

SIZE Measure(const wchar_t* text)
{
    NotifyWindowArgs args;
    args.title = L"Group changed";
    args.text = text;
    const CBitmapHandle scratch(RenderNotifyBitmap(args, true));
    EXPECT_TRUE(scratch);
    return SIZE{args.cx, args.cy};
}

// Pixels B, G, R, A of a 32-bit bitmap, rows from the bottom.
std::vector<RGBQUAD> ReadPixels(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info = Dib32Info(width, height);
    std::vector<RGBQUAD> pixels(static_cast<size_t>(width) * height);
    const CWindowDC screen(nullptr, false);
    EXPECT_EQ(GetDIBits(screen.Get(), bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS), height);
    return pixels;
}

}  // namespace

TEST(RenderNotifyBitmap, MeasuresTitleAndWrappedText)
{
    const SPopupMetrics m = PopupMetrics();
    // A short text: the bold title is the wider, padded on both sides.
    const SIZE shortSize = Measure(L"Work");
    EXPECT_EQ(shortSize.cx, m.padX + m.title.cx + m.padX);

    // A long text wraps before 4500 twips and grows by lines, not width.
    const SIZE longSize = Measure(L"A group with a name much longer than any pop-up could show on a single line");
    EXPECT_GT(longSize.cx, shortSize.cx);
    EXPECT_LE(longSize.cx, m.textRight + m.padX);
    EXPECT_GE(longSize.cy, shortSize.cy + m.lineHeight);
}

TEST(RenderNotifyBitmap, AnAmpersandInAGroupNameIsShown)
{
    // Prefix processing would draw "R&D" as "RD" with D underlined.
    EXPECT_GT(Measure(L"R&D R&D R&D R&D R&D R&D R&D R&D").cx, Measure(L"RD RD RD RD RD RD RD RD").cx);
}

TEST(RenderNotifyBitmap, CutsTheCornersOutThroughTheAlpha)
{
    NotifyWindowArgs args;
    args.title = L"Group changed";
    args.text = L"Work";
    ASSERT_TRUE(CBitmapHandle(RenderNotifyBitmap(args, true)));
    const CBitmapHandle bitmap(RenderNotifyBitmap(args, false));
    ASSERT_TRUE(bitmap);
    const std::vector<RGBQUAD> pixels = ReadPixels(bitmap.Get(), args.cx, args.cy);
    const auto at = [&](int x, int yFromTop) { return pixels[static_cast<size_t>(args.cy - 1 - yFromTop) * args.cx + x]; };

    const RGBQUAD corner = at(0, 0);
    EXPECT_EQ(corner.rgbRed | corner.rgbGreen | corner.rgbBlue | corner.rgbReserved, 0);
    EXPECT_EQ(at(args.cx / 2, args.cy / 2).rgbReserved, 255);
    int textPixels = 0;
    for (const RGBQUAD& pixel : pixels) {
        const bool key = pixel.rgbRed == 240 && pixel.rgbGreen == 240 && pixel.rgbBlue == 240;
        EXPECT_FALSE(key) << "the key colour stays visible";
    }
    // The middle band lies inside the rounded shape: its dark pixels are text.
    for (int y = 0; y < args.cy; ++y) {
        for (int x = args.cx / 4; x < args.cx * 3 / 4; ++x) {
            const RGBQUAD pixel = at(x, y);
            if (pixel.rgbRed < 100 && pixel.rgbGreen < 100 && pixel.rgbBlue < 100) {
                ++textPixels;
                EXPECT_EQ(pixel.rgbReserved, 255) << x << "," << y;
            }
        }
    }
    EXPECT_GT(textPixels, 0);
}

TEST(ApplyColourKeyAlpha, ClearsOnlyTheExactKey)
{
    void* bits = nullptr;
    const CBitmapHandle bitmap(CreateDib32(3, 1, &bits));
    ASSERT_TRUE(bitmap);
    const RGBQUAD before[3] = {{240, 240, 240, 7}, {240, 240, 241, 0}, {0, 0, 0, 0}};
    std::copy(before, before + 3, static_cast<RGBQUAD*>(bits));
    ASSERT_TRUE(ApplyColourKeyAlpha(bitmap.Get(), 3, 1));
    const std::vector<RGBQUAD> after = ReadPixels(bitmap.Get(), 3, 1);
    EXPECT_EQ(after[0].rgbBlue | after[0].rgbGreen | after[0].rgbRed | after[0].rgbReserved, 0);
    EXPECT_EQ(after[1].rgbRed, 241);    // one step off the key is kept, opaque
    EXPECT_EQ(after[1].rgbReserved, 255);
    EXPECT_EQ(after[2].rgbReserved, 255);   // black is not the key
    EXPECT_FALSE(ApplyColourKeyAlpha(nullptr, 3, 1));
}

TEST(NotifyWindowPosition, AboveTheNoteOrBelowWhenNoRoom)
{
    const RECT screen = {0, 0, 1024, 768};
    const FitRectFunction fit = [&](const RECT& rect) { return FitRectToArea(rect, screen, kFitWorkAreaOnPrimary); };
    const SIZE size = {120, 40};
    struct Case { const char* what; RECT note; POINT expected; };
    const Case cases[] = {
        {"mid-screen: above with a 2-pixel gap", {300, 300, 500, 500}, {300, 258}},
        {"top of the screen: below", {300, 10, 500, 200}, {300, 202}},
        {"exactly room above", {300, 42, 500, 200}, {300, 0}},
        {"right edge: pulled in, still above", {950, 300, 1020, 400}, {904, 258}},
    };
    for (const Case& c : cases) {
        const POINT p = NotifyWindowPosition(&c.note, size, fit);
        EXPECT_EQ(p.x, c.expected.x) << c.what;
        EXPECT_EQ(p.y, c.expected.y) << c.what;
    }
    const POINT gone = NotifyWindowPosition(nullptr, size, fit);
    EXPECT_EQ(gone.x, 0);
    EXPECT_EQ(gone.y, 0);
}

namespace {

HWND PopupWindowOf(unsigned threadId)
{
    HWND found = nullptr;
    EnumThreadWindows(
        threadId,
        [](HWND hwnd, LPARAM param) {
            wchar_t name[32] = {};
            GetClassNameW(hwnd, name, 32);
            RECT rect = {};
            GetWindowRect(hwnd, &rect);
            // Shown first at its creation size, then placed and painted.
            if (wcscmp(name, L"AlphaBaseWnd") != 0 || !IsWindowVisible(hwnd) || rect.right - rect.left <= 1)
                return TRUE;
            *reinterpret_cast<HWND*>(param) = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The visible pop-up of the thread, waited for up to 5 seconds.
HWND WaitForPopup(unsigned threadId)
{
    for (int i = 0; i < 500; ++i) {
        if (const HWND popup = PopupWindowOf(threadId))
            return popup;
        Sleep(10);
    }
    return nullptr;
}

bool Ended(const CKernelHandle& thread, DWORD milliseconds)
{
    return WaitForSingleObject(thread.Get(), milliseconds) == WAIT_OBJECT_0;
}

class AnimationSpeed {
public:
    explicit AnimationSpeed(int speed) : m_saved(g_prefs.AnimationSpeed) { g_prefs.AnimationSpeed = speed; }
    ~AnimationSpeed() { g_prefs.AnimationSpeed = m_saved; }

private:
    int m_saved;
};

const int kNoAnimation = 3;
const int kSlowestAnimation = 0;

}  // namespace

TEST(CNotifyWindowThread, ShowsAboveTheNoteOnItsOwnThreadAndGoes)
{
    const AnimationSpeed speed(kNoAnimation);
    const CTestWindow note(RECT{300, 300, 500, 450});
    CNotifyWindowThread popup;
    ASSERT_TRUE(popup.Show(note.Get(), L"Work"));
    ASSERT_NE(popup.ThreadId(), GetCurrentThreadId());
    const CKernelHandle thread(OpenThread(SYNCHRONIZE, FALSE, popup.ThreadId()));
    const HWND window = WaitForPopup(popup.ThreadId());
    ASSERT_TRUE(window);
    const RECT placed = WindowRect(window);
    EXPECT_EQ(placed.left, 300);
    EXPECT_EQ(placed.bottom, 300 - 2);
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TRANSPARENT);

    // About a second, then the window and its thread are gone by themselves.
    EXPECT_TRUE(Ended(thread, 5000));
    EXPECT_FALSE(IsWindow(window));
}

TEST(CNotifyWindowThread, MessagesPostedToItsThreadDoNotKeepThePopupUp)
{
    const AnimationSpeed speed(kNoAnimation);
    const CTestWindow note(RECT{300, 300, 500, 450});
    CNotifyWindowThread popup;
    ASSERT_TRUE(popup.Show(note.Get(), L"Work"));
    const CKernelHandle thread(OpenThread(SYNCHRONIZE, FALSE, popup.ThreadId()));
    ASSERT_TRUE(WaitForPopup(popup.ThreadId()));

    // A message every few milliseconds wakes the wait long before each of
    // its steps runs out; the pop-up's second must still end.
    bool ended = false;
    for (int i = 0; i < 1000 && !ended; ++i) {
        PostThreadMessageW(popup.ThreadId(), WM_NULL, 0, 0);
        ended = Ended(thread, 5);
    }
    EXPECT_TRUE(ended);
}

TEST(CNotifyWindowThread, ASecondShowEndsTheFirstAtOnce)
{
    const AnimationSpeed speed(kNoAnimation);
    const CTestWindow note(RECT{300, 300, 500, 450});
    CNotifyWindowThread popup;
    ASSERT_TRUE(popup.Show(note.Get(), L"Work"));
    const CKernelHandle first(OpenThread(SYNCHRONIZE, FALSE, popup.ThreadId()));
    const HWND firstWindow = WaitForPopup(popup.ThreadId());
    ASSERT_TRUE(firstWindow);

    // This one's note went meanwhile: the pop-up goes to (0, 0).
    CTestWindow goneNote(RECT{300, 300, 500, 450});
    const HWND gone = goneNote.Get();
    goneNote.Destroy();
    ASSERT_TRUE(popup.Show(gone, L"Home"));
    EXPECT_TRUE(Ended(first, 0));
    EXPECT_FALSE(IsWindow(firstWindow));
    const HWND second = WaitForPopup(popup.ThreadId());
    ASSERT_TRUE(second);
    EXPECT_EQ(WindowRect(second).left, 0);
    EXPECT_EQ(WindowRect(second).top, 0);
    popup.Stop();
    EXPECT_EQ(popup.ThreadId(), 0u);
}

namespace {

// The first frame's sleep of the pop-up thread hangs for 3 seconds; the
// sleeps of that thread are counted.
std::atomic<int> g_sleeps{0};
std::atomic<DWORD> g_hungThread{0};
std::atomic<int> g_hungThreadSleeps{0};

void HangingFirstSleep(DWORD milliseconds)
{
    if (g_sleeps++ == 0)
        g_hungThread = GetCurrentThreadId();
    if (GetCurrentThreadId() == g_hungThread)
        ++g_hungThreadSleeps;
    Sleep(g_hungThreadSleeps == 1 && GetCurrentThreadId() == g_hungThread ? 3000 : milliseconds);
}

bool IsForcedCloseLine(const std::wstring& line)
{
    const std::wstring prefix = L"Forcibly closed notify thread, ";
    const std::wstring suffix = L" - 00000102";   // WAIT_TIMEOUT
    return line.size() == prefix.size() + 8 + suffix.size() && line.compare(0, prefix.size(), prefix) == 0 &&
           line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

TEST(CNotifyWindowThread, StopGivesUpOnAHungThreadAfterTwoSeconds)
{
    const AnimationSpeed speed(kSlowestAnimation);
    SFrameClockSeam hanging = g_frameClockSeam;
    hanging.sleep = &HangingFirstSleep;
    const CSeamOverride<SFrameClockSeam> clock(g_frameClockSeam, hanging);
    g_sleeps = 0;
    g_hungThread = 0;
    g_hungThreadSleeps = 0;
    const CTestWindow note(RECT{300, 300, 500, 450});
    CNotifyWindowThread popup;
    ASSERT_TRUE(popup.Show(note.Get(), L"Work"));
    const CKernelHandle hung(OpenThread(SYNCHRONIZE, FALSE, popup.ThreadId()));
    ASSERT_TRUE(WaitForPopup(popup.ThreadId()));
    while (g_sleeps == 0)
        Sleep(1);

    CLogCapture log;
    const DWORD start = GetTickCount();
    popup.Stop();
    EXPECT_GE(GetTickCount() - start, 1500u);
    const std::vector<std::wstring> lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(IsForcedCloseLine(lines[0])) << lines[0].c_str();
    EXPECT_FALSE(Ended(hung, 0));

    // The next pop-up runs while the hung one still sleeps; the hung one
    // still sees its stop once it wakes, so it goes at once, without the
    // frames of a fade-out.
    ASSERT_TRUE(popup.Show(note.Get(), L"Home"));
    EXPECT_TRUE(WaitForPopup(popup.ThreadId()));
    EXPECT_TRUE(Ended(hung, 5000));
    EXPECT_EQ(g_hungThreadSleeps, 1);
    popup.Stop();
    EXPECT_EQ(log.Lines().size(), 1u);
}
