#include <gtest/gtest.h>

#include "foundation/Seams.h"
#include "toolkit/AlphaNotifierWnd.h"

#include "ToolkitTestWindows.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

// A TGA of width x height with pixelBytes of pixel data (by default all of
// them), each pixel B, G, R, A = 200, 100, 50, 128.
std::vector<BYTE> MakeTga(int width, int height, size_t pixelBytes = SIZE_MAX)
{
    std::vector<BYTE> tga(kTgaHeaderBytes, 0);
    tga[2] = 2;
    tga[12] = static_cast<BYTE>(width);
    tga[13] = static_cast<BYTE>(width >> 8);
    tga[14] = static_cast<BYTE>(height);
    tga[15] = static_cast<BYTE>(height >> 8);
    tga[16] = 32;
    tga[17] = 8;
    const size_t all = static_cast<size_t>(width) * height * 4;
    for (size_t i = 0; i < std::min(all, pixelBytes); i += 4)
        tga.insert(tga.end(), {200, 100, 50, 128});
    return tga;
}

}  // namespace

TEST(TgaDecoder, PremultipliesRowsAsStored)
{
    std::vector<BYTE> tga = MakeTga(2, 2);
    const BYTE pixels[16] = {255, 255, 255, 255,  255, 128, 0, 128,  10, 20, 30, 0,  254, 1, 100, 3};
    std::copy(pixels, pixels + 16, tga.begin() + kTgaHeaderBytes);
    STgaImage image;
    ASSERT_TRUE(DecodeTga(tga.data(), tga.size(), image));
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    // channel * alpha / 255, truncated; alpha as stored; the bottom row first.
    const std::vector<BYTE> expected = {255, 255, 255, 255,  128, 64, 0, 128,  0, 0, 0, 0,  2, 0, 1, 3};
    EXPECT_EQ(image.pixels, expected);
}

TEST(TgaDecoder, RefusesWhatItCannotShow)
{
    struct Case { const char* what; size_t offset; BYTE value; };
    const Case headerCases[] = {
        {"run-length encoded", 2, 10},
        {"24 bits", 16, 24},
        {"top-left origin", 17, 0x28},
        {"an ID field", 0, 1},
        {"a colour map", 1, 1},
    };
    for (const Case& c : headerCases) {
        std::vector<BYTE> tga = MakeTga(2, 2);
        tga[c.offset] = c.value;
        STgaImage image;
        EXPECT_FALSE(DecodeTga(tga.data(), tga.size(), image)) << c.what;
        EXPECT_EQ(image.width, 0) << c.what;
    }

    struct SizeCase { const char* what; std::vector<BYTE> tga; };
    const SizeCase sizeCases[] = {
        {"112 x 112 is more than a resource is read", MakeTga(112, 112)},
        {"32768 x 32768 wraps to 0 bytes in 32 bits", MakeTga(32768, 32768, 64)},
        {"no width", MakeTga(0, 2)},
        {"no height", MakeTga(2, 0)},
        {"more pixels claimed than held", MakeTga(4, 4, 60)},
        {"a header cut short", std::vector<BYTE>(17, 0)},
    };
    for (const SizeCase& c : sizeCases) {
        STgaImage image;
        EXPECT_FALSE(DecodeTga(c.tga.data(), c.tga.size(), image)) << c.what;
    }

    const std::vector<BYTE> largest = MakeTga(111, 111);
    STgaImage image;
    EXPECT_TRUE(DecodeTga(largest.data(), largest.size(), image));
    EXPECT_EQ(image.pixels.size(), 111u * 111u * 4u);
}

TEST(CAlphaNotifierWnd, LoadsTheCornerMarks)
{
    CAlphaNotifierWnd marks;
    EXPECT_TRUE(marks.LoadImages(L"ATTACHTOPLEFT", L"ATTACHTOPRIGHT", L"ATTACHBOTTOMLEFT", L"ATTACHBOTTOMRIGHT"));
    for (int slot = 0; slot < CAlphaNotifierWnd::kSlots; ++slot) {
        EXPECT_EQ(marks.ImageSize(slot).cx, 32) << slot;
        EXPECT_EQ(marks.ImageSize(slot).cy, 32) << slot;
    }

    // A missing image stops the load; the slots before it stay usable.
    EXPECT_FALSE(marks.LoadImages(L"ATTACHTOPLEFT", L"ATTACHTOPRIGHT", L"NOSUCHIMAGE", L"ATTACHBOTTOMRIGHT"));
    EXPECT_TRUE(marks.HasImage(0));
    EXPECT_TRUE(marks.HasImage(1));
    EXPECT_FALSE(marks.HasImage(2));
    EXPECT_FALSE(marks.HasImage(3));
    marks.ShowImage(10, 10, 255, 2);   // an empty slot shows nothing
    EXPECT_EQ(marks.GetHwnd(), nullptr);
}

namespace {

// A buffer with guard bytes on either side of its pixels.
class CGuardedPixels {
public:
    CGuardedPixels(int width, int height)
        : m_width(width), m_height(height), m_bytes(kGuard * 2 + static_cast<size_t>(width) * height * 4, 0)
    {
        std::fill(m_bytes.begin(), m_bytes.begin() + kGuard, kGuardByte);
        std::fill(m_bytes.end() - kGuard, m_bytes.end(), kGuardByte);
    }

    SPixelBuffer Buffer() { return SPixelBuffer{m_bytes.data() + kGuard, m_width, m_height}; }
    // The alpha of (x, y), counted from the bottom-left.
    int Alpha(int x, int y) const { return m_bytes[kGuard + (static_cast<size_t>(y) * m_width + x) * 4 + 3]; }
    bool GuardsIntact() const
    {
        return std::all_of(m_bytes.begin(), m_bytes.begin() + kGuard, [](BYTE b) { return b == kGuardByte; }) &&
               std::all_of(m_bytes.end() - kGuard, m_bytes.end(), [](BYTE b) { return b == kGuardByte; });
    }
    bool AllBlack() const
    {
        for (size_t i = kGuard; i < m_bytes.size() - kGuard; i += 4)
            if (m_bytes[i] || m_bytes[i + 1] || m_bytes[i + 2])
                return false;
        return true;
    }

private:
    static constexpr size_t kGuard = 64;
    static constexpr BYTE kGuardByte = 0xA5;
    int m_width;
    int m_height;
    std::vector<BYTE> m_bytes;
};

const int kDirections[kEdgeCount][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};

CGuardedPixels FillEdge(const SEdgePlacement& e, EEdge edge)
{
    const int r = std::max(e.thickness1, e.thickness2);
    CGuardedPixels pixels(std::max(e.width, r), std::max(e.height, r));
    FillEdgeShadow(pixels.Buffer(), e.thickness1, e.thickness2, e.width, e.height, kDirections[edge][0],
                   kDirections[edge][1]);
    return pixels;
}

}  // namespace

TEST(EdgeGeometry, ThicknessesFollowTheResolution)
{
    struct Case { int dpi, top, side, bottom; };
    const Case cases[] = {{96, 2, 3, 7}, {120, 2, 3, 8}, {144, 2, 4, 10}, {72, 2, 2, 5}};
    for (const Case& c : cases) {
        const SEdgeThickness t = EdgeThicknessAt(c.dpi);
        EXPECT_EQ(t.top, c.top) << c.dpi;
        EXPECT_EQ(t.side, c.side) << c.dpi;
        EXPECT_EQ(t.bottom, c.bottom) << c.dpi;
    }

    const auto edges = PlaceEdges(RECT{100, 50, 140, 80}, EdgeThicknessAt(96));
    struct Expected { int thickness1, thickness2, x, y, width, height; };
    const Expected expected[kEdgeCount] = {
        {3, 2, 97, 48, 46, 2},   // top
        {3, 3, 97, 50, 3, 30},   // left
        {3, 7, 97, 80, 46, 7},   // bottom
        {3, 3, 140, 50, 3, 30},  // right
    };
    for (int i = 0; i < kEdgeCount; ++i) {
        const SEdgePlacement& e = edges[i];
        const Expected& x = expected[i];
        EXPECT_EQ((std::vector<int>{e.thickness1, e.thickness2, e.x, e.y, e.width, e.height}),
                  (std::vector<int>{x.thickness1, x.thickness2, x.x, x.y, x.width, x.height}))
            << "edge " << i;
    }
}

// Alphas are a / 3 of the formula's byte; rows count from the bottom.
TEST(EdgeShadow, FillsSpotsBandsAndRampsOfANote)
{
    const auto edges = PlaceEdges(RECT{100, 50, 140, 80}, EdgeThicknessAt(96));

    // Top: 46 x 2 in a 46 x 3 bitmap, r = 3; every row is band, complemented.
    const CGuardedPixels top = FillEdge(edges[kEdgeTop], kEdgeTop);
    EXPECT_EQ(top.Alpha(10, 0), 170 / 3);        // ~(256 * 1 / 3)
    EXPECT_EQ(top.Alpha(42, 1), 85 / 3);         // ~(256 * 2 / 3)
    EXPECT_EQ(top.Alpha(2, 0), 170 / 3);         // spot at (2, -1), distance 1
    EXPECT_EQ(top.Alpha(1, 1), 65 / 3);          // distance sqrt 5
    EXPECT_EQ(top.Alpha(2, 2), 0);               // distance 3 is outside the spot
    EXPECT_EQ(top.Alpha(43, 0), 170 / 3);        // second spot at (43, -1)
    EXPECT_EQ(top.Alpha(20, 2), 0);              // above the strip's height

    // Bottom: 46 x 7, r = 7; rows darken towards the note (the top row).
    const CGuardedPixels bottom = FillEdge(edges[kEdgeBottom], kEdgeBottom);
    EXPECT_EQ(bottom.Alpha(20, 0), 32 / 3);
    EXPECT_EQ(bottom.Alpha(20, 6), 224 / 3);
    EXPECT_EQ(bottom.Alpha(6, 6), 219 / 3);      // spot at (6, 7), distance 1
    EXPECT_EQ(bottom.Alpha(0, 0), 0);            // beyond the spot's radius
    EXPECT_EQ(bottom.Alpha(39, 6), 219 / 3);     // second spot at (39, 7)

    // Sides: column ramps, the left one darkening to the right.
    const CGuardedPixels left = FillEdge(edges[kEdgeLeft], kEdgeLeft);
    const CGuardedPixels right = FillEdge(edges[kEdgeRight], kEdgeRight);
    for (int y : {0, 15, 29}) {
        EXPECT_EQ(left.Alpha(0, y), 64 / 3);
        EXPECT_EQ(left.Alpha(2, y), 192 / 3);
        EXPECT_EQ(right.Alpha(0, y), 191 / 3);
        EXPECT_EQ(right.Alpha(2, y), 63 / 3);
    }
    for (const CGuardedPixels* pixels : {&top, &bottom, &left, &right})
        EXPECT_TRUE(pixels->AllBlack() && pixels->GuardsIntact());
}

TEST(EdgeShadow, RampsTheSidesOfRowsBeyondTheBand)
{
    // r = 3, band rows 0-2; row 5 has side ramps over (r + 1).
    CGuardedPixels pixels(20, 10);
    FillEdgeShadow(pixels.Buffer(), 2, 3, 20, 10, 0, 1);
    EXPECT_EQ(pixels.Alpha(0, 5), 64 / 3);       // x < thickness 1
    EXPECT_EQ(pixels.Alpha(1, 5), 128 / 3);
    EXPECT_EQ(pixels.Alpha(2, 5), 139 / 3);      // the row value, 256 * 6 / 11
    EXPECT_EQ(pixels.Alpha(17, 5), 192 / 3);     // x >= width - r
    EXPECT_EQ(pixels.Alpha(19, 5), 64 / 3);
    EXPECT_EQ(pixels.Alpha(10, 1), 256 * 2 / 11 / 3);  // band: row value between the spots
}

TEST(EdgeShadow, NarrowNotesStayInsideTheBitmap)
{
    for (int width : {0, 1}) {
        const auto edges = PlaceEdges(RECT{100, 50, 100 + width, 80}, EdgeThicknessAt(96));
        for (int edge = 0; edge < kEdgeCount; ++edge) {
            const CGuardedPixels pixels = FillEdge(edges[edge], static_cast<EEdge>(edge));
            EXPECT_TRUE(pixels.GuardsIntact()) << "width " << width << " edge " << edge;
        }
    }
}

namespace {

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

}  // namespace

TEST(CAlphaNotifierWnd, ShowsAnImageWithoutTakingFocusOrClicks)
{
    // Other test programs share the desktop: the checks are about the mark
    // window, not about which of their windows lies below or is active.
    const CTestWindow below(RECT{150, 150, 350, 350});
    SetForegroundWindow(below.Get());
    PumpMessages();

    CAlphaNotifierWnd marks;
    ASSERT_TRUE(marks.LoadImages(L"ATTACHTOPLEFT", L"ATTACHTOPRIGHT", L"ATTACHBOTTOMLEFT", L"ATTACHBOTTOMRIGHT"));
    marks.ShowImage(200, 210, 255, 1);
    PumpMessages();
    const HWND shown = marks.GetHwnd();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(IsWindowVisible(shown));
    EXPECT_TRUE(SameRect(WindowRect(shown), RECT{200, 210, 232, 242}));
    EXPECT_TRUE(GetWindowLongW(shown, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_NE(GetForegroundWindow(), shown);
    EXPECT_NE(GetActiveWindow(), shown);
    EXPECT_NE(WindowFromPoint(POINT{216, 226}), shown);         // the mouse passes through

    marks.ShowImage(200, 210, 0, 1);
    EXPECT_FALSE(IsWindowVisible(shown));
    marks.ShowImage(300, 310, 0, -1);                           // hiding needs no slot
    EXPECT_FALSE(IsWindowVisible(shown));

    marks.ShowImage(260, 270, 127, 3);
    EXPECT_TRUE(IsWindowVisible(shown));
    EXPECT_TRUE(SameRect(WindowRect(shown), RECT{260, 270, 292, 302}));

    for (int slot : {4, -1}) {
        marks.ShowImage(10, 10, 255, slot);
        EXPECT_TRUE(SameRect(WindowRect(shown), RECT{260, 270, 292, 302})) << slot;
    }
    EXPECT_EQ(marks.GetHwnd(), shown);
}

namespace {

// This process's windows right above the given one in z-order (an owned
// window cannot go below its owner). Other test programs share the desktop,
// and their windows may come and go anywhere in the order.
std::set<HWND> WindowsAbove(HWND hwnd, size_t count)
{
    std::set<HWND> above;
    for (HWND w = GetWindow(hwnd, GW_HWNDPREV); w && above.size() < count; w = GetWindow(w, GW_HWNDPREV)) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == GetCurrentProcessId())
            above.insert(w);
    }
    return above;
}

bool IsTopmost(HWND hwnd)
{
    return (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

}  // namespace

TEST(CAlphaEdgeFrame, SurroundsTheNoteNextToItInZOrder)
{
    const RECT noteRect = {100, 50, 140, 80};
    CTestWindow note(noteRect);
    const CTestWindow other(RECT{0, 0, 50, 50}, WS_EX_TOPMOST);   // a topmost window of some program
    CAlphaEdgeFrame frame;
    frame.SetAlpha(255);
    ASSERT_TRUE(frame.Update(note.Get(), false));

    const auto placements = PlaceEdges(noteRect, EdgeThicknessAt(96));
    std::set<HWND> edges;
    for (int i = 0; i < kEdgeCount; ++i) {
        const HWND edge = frame.EdgeWindow(static_cast<EEdge>(i));
        ASSERT_NE(edge, nullptr);
        edges.insert(edge);
        const SEdgePlacement& p = placements[i];
        EXPECT_TRUE(SameRect(WindowRect(edge), RECT{p.x, p.y, p.x + p.width, p.y + p.height})) << i;
        EXPECT_TRUE(IsWindowVisible(edge)) << i;
        EXPECT_EQ(GetWindow(edge, GW_OWNER), note.Get()) << i;
        EXPECT_FALSE(IsTopmost(edge)) << i;   // else it would show over what covers the note
    }
    EXPECT_EQ(WindowsAbove(note.Get(), kEdgeCount), edges);

    // Another window slips between; the same update puts the strips back.
    const CTestWindow between(RECT{300, 300, 350, 350});
    SetWindowPos(between.Get(), note.Get(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(note.Get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    ASSERT_TRUE(frame.Update(note.Get(), false));
    EXPECT_EQ(WindowsAbove(note.Get(), kEdgeCount), edges);

    // A note made topmost takes its strips along.
    SetWindowPos(note.Get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(frame.Update(note.Get(), false));
    EXPECT_TRUE(IsTopmost(frame.EdgeWindow(kEdgeBottom)));
    EXPECT_EQ(WindowsAbove(note.Get(), kEdgeCount), edges);

    frame.DestroyWindows();
    EXPECT_EQ(frame.EdgeWindow(kEdgeTop), nullptr);
    ASSERT_TRUE(frame.Update(note.Get(), false));
    EXPECT_TRUE(IsWindow(frame.EdgeWindow(kEdgeBottom)));
}

TEST(CAlphaEdgeWnd, LogsAWindowThatCannotBeMade)
{
    HWND gone = nullptr;
    {
        const CTestWindow owner(RECT{0, 0, 10, 10});
        gone = owner.Get();
    }
    const CLogCapture log;
    CAlphaEdgeWnd edge(0, 1);
    EXPECT_FALSE(edge.Update(gone, false, 3, 7, 0, 0, 40, 7, 255));
    EXPECT_EQ(edge.GetHwnd(), nullptr);
    EXPECT_TRUE(log.Contains(L"Failed to create AlphaNotifierBaseWnd window"));
}

TEST(CAlphaEdgeFrame, RebuildsItsStripsAfterTheNoteWindowWent)
{
    CAlphaEdgeFrame frame;
    frame.SetAlpha(200);
    {
        const CTestWindow first(RECT{100, 50, 140, 80});
        ASSERT_TRUE(frame.Update(first.Get(), false));
    }
    // The strips went with their owner.
    EXPECT_EQ(frame.EdgeWindow(kEdgeLeft), nullptr);
    EXPECT_FALSE(frame.Update(nullptr, false));

    const CTestWindow second(RECT{10, 20, 60, 90});
    ASSERT_TRUE(frame.Update(second.Get(), false));
    const HWND right = frame.EdgeWindow(kEdgeRight);
    ASSERT_TRUE(IsWindow(right));
    EXPECT_EQ(GetWindow(right, GW_OWNER), second.Get());
    EXPECT_TRUE(SameRect(WindowRect(right), RECT{60, 20, 63, 90}));
}
