#include <gtest/gtest.h>

#include "foundation/Seams.h"
#include "toolkit/MorphAnimator.h"
#include "toolkit/MultiAnimator.h"

#include "ToolkitTestWindows.h"

#include <functional>
#include <vector>

namespace {

// The frame clock at 1,000 counts a second: only the frame sleep moves it, and
// each sleep first lets the test look at the windows.
class CFakeFrameClock {
public:
    explicit CFakeFrameClock(std::function<void()> observer = {})
        : m_override(g_frameClockSeam, SFrameClockSeam{&Counter, &Frequency, &Sleep}), m_observer(std::move(observer))
    {
        s_current = this;
    }
    ~CFakeFrameClock() { s_current = nullptr; }
    CFakeFrameClock(const CFakeFrameClock&) = delete;
    CFakeFrameClock& operator=(const CFakeFrameClock&) = delete;

    static constexpr LONGLONG kFrequency = 1000;
    int Sleeps() const { return m_sleeps; }

private:
    static bool Counter(LONGLONG* count)
    {
        *count = s_current->m_now;
        return true;
    }
    static bool Frequency(LONGLONG* countsPerSecond)
    {
        *countsPerSecond = kFrequency;
        return true;
    }
    static void Sleep(DWORD milliseconds)
    {
        ++s_current->m_sleeps;
        if (s_current->m_observer)
            s_current->m_observer();
        s_current->m_now += milliseconds;
    }

    static CFakeFrameClock* s_current;
    CSeamOverride<SFrameClockSeam> m_override;
    std::function<void()> m_observer;
    LONGLONG m_now = 5000000;
    int m_sleeps = 0;
};

CFakeFrameClock* CFakeFrameClock::s_current = nullptr;

bool IsLayered(HWND hwnd)
{
    return (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

// The window's layered alpha; -1 when it has none to read.
int LayeredAlpha(HWND hwnd, DWORD* flags = nullptr)
{
    BYTE alpha = 0;
    DWORD read = 0;
    if (!IsLayered(hwnd) || !GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &read))
        return -1;
    if (flags)
        *flags = read;
    return alpha;
}

bool EdgesVisible(const CAlphaEdgeFrame& frame)
{
    for (int edge = 0; edge < kEdgeCount; ++edge)
        if (!frame.EdgeWindow(static_cast<EEdge>(edge)) || !IsWindowVisible(frame.EdgeWindow(static_cast<EEdge>(edge))))
            return false;
    return true;
}

const DWORD kFadeIn = 0x80000;     // as the note passes it: blend
const DWORD kFadeOutFlags = 0x90000;
const RECT kNoteRect = {100, 100, 300, 250};

// What the windows show at every frame sleep.
struct SFadeTrace {
    std::vector<int> alphas;
    std::vector<int> edgeAlphas;
};

}  // namespace

namespace {

bool LongRunningCounter(LONGLONG* count)
{
    *count = 4000000000000000000LL;   // far past where count * 1000 overflows
    return true;
}

bool NoFrequency(LONGLONG*)
{
    return false;
}

}  // namespace

TEST(FrameClock, MillisecondsNeverOverflowAndNeedAFrequency)
{
    const CSeamOverride<SFrameClockSeam> clock(g_frameClockSeam,
                                               SFrameClockSeam{&LongRunningCounter, &NoFrequency, g_frameClockSeam.sleep});
    EXPECT_EQ(FrameClockMilliseconds(10000000), 400000000000000LL);
    EXPECT_EQ(FrameClockMilliseconds(0), 0);
    EXPECT_EQ(GetFrameClockFrequency(), 0);
}

TEST(CMorphAnimatorEase, EveryCurveRunsFromBeginToEnd)
{
    const double b = 10;
    const double c = 50;
    const double d = 200;
    for (int curve = 0; curve < 30; ++curve) {
        EXPECT_NEAR(CMorphAnimator::Ease(curve, 0, b, c, d), b, 1e-9) << curve;
        EXPECT_NEAR(CMorphAnimator::Ease(curve, d, b, c, d), b + c, 1e-9) << curve;
    }
    EXPECT_DOUBLE_EQ(CMorphAnimator::Ease(30, 100, b, c, d), b);   // unknown curves stay at the start
    EXPECT_DOUBLE_EQ(CMorphAnimator::Ease(-1, 100, b, c, d), b);
}

TEST(CMorphAnimatorEase, CurvesHaveTheirShapes)
{
    EXPECT_NEAR(CMorphAnimator::Ease(3, 100, 0, 80, 200), 10, 1e-9);        // cubic in: an eighth at half time
    EXPECT_NEAR(CMorphAnimator::Ease(14, 100, 10, 80, 200), 50, 1e-9);      // sine in-out: half at half time
    EXPECT_NEAR(CMorphAnimator::Ease(28, 200 / 2.75, 10, 80, 200), 90, 1e-9);  // bounce out: first landing
    EXPECT_NEAR(CMorphAnimator::Ease(27, 200 - 200 / 2.75, 10, 80, 200), 10, 1e-9);  // bounce in mirrors it
    EXPECT_NEAR(CMorphAnimator::Ease(0, 50, 0, 100, 200), 6.25, 1e-9);      // quadratic in
    EXPECT_NEAR(CMorphAnimator::Ease(1, 50, 0, 100, 200), 43.75, 1e-9);     // quadratic out
    EXPECT_NEAR(CMorphAnimator::Ease(11, 150, 0, 100, 200), 98.4375, 1e-9); // quintic in-out, second half
    EXPECT_NEAR(CMorphAnimator::Ease(15, 100, 0, 1024, 200), 32, 1e-9);     // exponential in: 2^(10 (e - 1))

    double lowest = 10;
    double highest = 90;
    for (int t = 1; t < 200; ++t) {
        lowest = std::min(lowest, CMorphAnimator::Ease(24, t, 10, 80, 200));    // back in
        highest = std::max(highest, CMorphAnimator::Ease(22, t, 10, 80, 200));  // elastic out
    }
    EXPECT_LT(lowest, 10);
    EXPECT_GT(highest, 90);
}

TEST(CMultiAnimator, FadeInStartsAFifthOfTheWayAndEndsOpaque)
{
    CTestWindow note(kNoteRect, 0, WS_POPUP);   // hidden, extended style 0
    CAlphaEdgeFrame edges;
    SFadeTrace trace;
    const CFakeFrameClock clock([&] {
        trace.alphas.push_back(LayeredAlpha(note.Get()));
        trace.edgeAlphas.push_back(edges.GetAlpha());
        EXPECT_TRUE(IsWindowVisible(note.Get()));
    });
    CMultiAnimator animator;
    ASSERT_TRUE(animator.AddWindow(note.Get(), &edges, 255));
    ASSERT_TRUE(animator.Fade(200, kFadeIn, CFakeFrameClock::kFrequency));

    // Head start (200 * 40 + 255) / 255 + 10 = 42 ms: 42 * 255 / 200 = 53.
    ASSERT_EQ(trace.alphas.size(), 16u);
    EXPECT_EQ(trace.alphas.front(), 53);
    EXPECT_TRUE(std::is_sorted(trace.alphas.begin(), trace.alphas.end()));
    EXPECT_EQ(trace.edgeAlphas, trace.alphas);
    EXPECT_TRUE(IsWindowVisible(note.Get()));
    EXPECT_FALSE(IsLayered(note.Get()));
    EXPECT_EQ(edges.GetAlpha(), 255);
    EXPECT_TRUE(EdgesVisible(edges));
}

TEST(CMultiAnimator, FadeOutHidesAndKeepsTheAlphaForTheNextShow)
{
    CTestWindow note(kNoteRect, WS_EX_LAYERED);
    SetLayeredWindowAttributes(note.Get(), 0xFFFFFF, 200, LWA_ALPHA);
    CAlphaEdgeFrame edges;
    edges.SetAlpha(200);
    edges.Update(note.Get(), false);
    SFadeTrace trace;
    const CFakeFrameClock clock([&] {
        trace.alphas.push_back(LayeredAlpha(note.Get()));
        trace.edgeAlphas.push_back(edges.GetAlpha());
    });
    CMultiAnimator animator;
    ASSERT_TRUE(animator.AddWindow(note.Get(), &edges, 200));
    ASSERT_TRUE(animator.Fade(200, kFadeOutFlags, CFakeFrameClock::kFrequency));

    ASSERT_FALSE(trace.alphas.empty());
    EXPECT_EQ(trace.alphas.front(), 200 * ((200 - 42) * 255 / 200) / 255);
    EXPECT_TRUE(std::is_sorted(trace.alphas.rbegin(), trace.alphas.rend()));
    EXPECT_EQ(trace.edgeAlphas, trace.alphas);
    EXPECT_FALSE(IsWindowVisible(note.Get()));
    DWORD flags = 0;
    EXPECT_EQ(LayeredAlpha(note.Get(), &flags), 200);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
    EXPECT_EQ(edges.GetAlpha(), 0);
    EXPECT_FALSE(IsWindowVisible(edges.EdgeWindow(kEdgeBottom)));
}

TEST(CMultiAnimator, FadeEndStates)
{
    struct Case {
        const char* what;
        DWORD style, flags, duration;
        BYTE target;
        LONGLONG frequency;
        bool visible;
        int alpha;          // -1: not layered
        DWORD layeredFlags;
    };
    const Case cases[] = {
        {"target 0 is opaque", WS_POPUP, kFadeIn, 200, 0, 1000, true, -1, 0},
        // Flags 0 would show the window opaque.
        {"a translucent fade-in of an unlayered window", WS_POPUP, kFadeIn, 200, 150, 1000, true, 150, LWA_ALPHA},
        {"duration 0 goes to the end", WS_POPUP, kFadeIn, 0, 255, 1000, true, -1, 0},
        {"no counter frequency goes to the end", WS_POPUP | WS_VISIBLE, kFadeOutFlags, 200, 255, 0, false, -1, 0},
    };
    for (const Case& c : cases) {
        const CTestWindow note(kNoteRect, 0, c.style);
        const CFakeFrameClock clock;
        CMultiAnimator animator;
        ASSERT_TRUE(animator.AddWindow(note.Get(), nullptr, c.target));
        EXPECT_TRUE(animator.Fade(c.duration, c.flags, c.frequency)) << c.what;
        EXPECT_EQ(IsWindowVisible(note.Get()) != FALSE, c.visible) << c.what;
        DWORD flags = 0;
        EXPECT_EQ(LayeredAlpha(note.Get(), &flags), c.alpha) << c.what;
        EXPECT_EQ(flags, c.layeredFlags) << c.what;
        if (c.duration == 0 || c.frequency == 0) {
            EXPECT_EQ(clock.Sleeps(), 0) << c.what;
        }
    }
}

TEST(CMultiAnimator, AFailingWindowLeavesNoneInvisible)
{
    CMultiAnimator animator;
    EXPECT_FALSE(animator.AddWindow(nullptr, nullptr, 255));
    CTestWindow first(kNoteRect, 0, WS_POPUP);
    CTestWindow second(kNoteRect, 0, WS_POPUP);
    ASSERT_TRUE(animator.AddWindow(first.Get(), nullptr, 255));
    ASSERT_TRUE(animator.AddWindow(second.Get(), nullptr, 255));
    second.Destroy();
    EXPECT_FALSE(animator.AddWindow(second.Get(), nullptr, 255));

    const CFakeFrameClock clock;
    EXPECT_FALSE(animator.Fade(200, kFadeIn, CFakeFrameClock::kFrequency));
    EXPECT_EQ(clock.Sleeps(), 0);
    EXPECT_TRUE(IsWindowVisible(first.Get()));
    EXPECT_FALSE(IsLayered(first.Get()));   // shown at its target, not left at 0
}

TEST(CMultiAnimator, DimsToAFifthAndBack)
{
    const CTestWindow note(kNoteRect);
    const CTestWindow hidden(kNoteRect, 0, WS_POPUP);
    CAlphaEdgeFrame edges;
    std::vector<int> alphas;
    const CFakeFrameClock clock([&] { alphas.push_back(LayeredAlpha(note.Get())); });
    CMultiAnimator animator;
    ASSERT_TRUE(animator.AddWindow(note.Get(), &edges, 255));
    ASSERT_TRUE(animator.AddWindow(hidden.Get(), nullptr, 255));

    ASSERT_TRUE(animator.Dim(200, true, CFakeFrameClock::kFrequency));
    ASSERT_FALSE(alphas.empty());
    EXPECT_GE(*std::min_element(alphas.begin(), alphas.end()), 51);   // the floor holds every frame
    EXPECT_EQ(LayeredAlpha(note.Get()), 51);
    EXPECT_EQ(edges.GetAlpha(), 51);
    EXPECT_FALSE(IsWindowVisible(hidden.Get()));

    alphas.clear();
    ASSERT_TRUE(animator.Dim(200, false, CFakeFrameClock::kFrequency));
    EXPECT_TRUE(std::is_sorted(alphas.begin(), alphas.end()));
    EXPECT_FALSE(IsLayered(note.Get()));
    EXPECT_EQ(edges.GetAlpha(), 255);
    EXPECT_TRUE(IsWindowVisible(note.Get()));
    EXPECT_FALSE(IsWindowVisible(hidden.Get()));
}

TEST(CMorphAnimator, KeepsThePreviousSnapshotWhenNothingIsDrawn)
{
    const CTestWindow painted(RECT{100, 100, 180, 140});
    const CTestWindow blank(RECT{100, 100, 300, 300}, 0, WS_POPUP | WS_VISIBLE, EPainting::kNothing);
    CMorphAnimator animator;
    EXPECT_FALSE(animator.CaptureWindow(nullptr));
    ASSERT_TRUE(animator.CaptureWindow(painted.Get()));
    EXPECT_EQ(animator.SnapshotSize().cx, 80);
    EXPECT_EQ(animator.SnapshotSize().cy, 40);
    EXPECT_FALSE(animator.CaptureWindow(blank.Get()));
    EXPECT_EQ(animator.SnapshotSize().cx, 80);
}

TEST(CMorphAnimator, RestoresTheWindowsAlpha)
{
    const CTestWindow note(kNoteRect, WS_EX_LAYERED);
    SetLayeredWindowAttributes(note.Get(), 0xFFFFFF, 200, LWA_ALPHA);
    for (bool withSnapshot : {false, true}) {
        const CFakeFrameClock clock;
        CMorphAnimator animator;
        if (withSnapshot) {
            ASSERT_TRUE(animator.CaptureWindow(note.Get()));
        }
        animator.SetStartRect(kNoteRect);
        animator.SetEndRect(RECT{100, 100, 300, 120});
        EXPECT_TRUE(animator.Run(note.Get(), nullptr)) << withSnapshot;
        DWORD flags = 0;
        EXPECT_EQ(LayeredAlpha(note.Get(), &flags), 200) << withSnapshot;
        EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA)) << withSnapshot;
        if (!withSnapshot) {
            EXPECT_TRUE(SameRect(WindowRect(note.Get()), kNoteRect));   // no frame drawn
        }
    }
    EXPECT_FALSE(CMorphAnimator().Run(nullptr, nullptr));
}

TEST(CMorphAnimator, GrowsThroughTheEasedRectangles)
{
    const RECT start = {100, 100, 300, 120};
    const RECT end = {100, 100, 300, 250};
    const CTestWindow note(start);
    CAlphaEdgeFrame edges;
    edges.SetAlpha(255);
    std::vector<RECT> frames;
    std::vector<RECT> bottomEdges;
    const CFakeFrameClock clock([&] {
        frames.push_back(WindowRect(note.Get()));
        bottomEdges.push_back(WindowRect(edges.EdgeWindow(kEdgeBottom)));
    });
    CMorphAnimator animator;
    ASSERT_TRUE(animator.CaptureWindow(note.Get()));
    animator.SetDuration(200);
    animator.SetCurve(3);
    animator.SetStartRect(start);
    animator.SetEndRect(end);
    // The bitmap covers the end, though the window and its snapshot are
    // smaller (Wine would clip a larger frame where Windows refuses it).
    EXPECT_EQ(animator.CanvasSize().cx, 200);
    EXPECT_EQ(animator.CanvasSize().cy, 150);
    ASSERT_TRUE(animator.Run(note.Get(), &edges));

    // Frames at 0, 10, ... 200 ms; the one at 200 draws nothing more.
    ASSERT_EQ(frames.size(), 21u);
    for (size_t i = 0; i < frames.size(); ++i) {
        const double t = std::min<double>(10.0 * i, 190);
        const int height = static_cast<int>(CMorphAnimator::Ease(3, t, 20, 130, 200));
        EXPECT_TRUE(SameRect(frames[i], RECT{100, 100, 300, 100 + height})) << i;
        EXPECT_EQ(bottomEdges[i].top, 100 + height) << i;   // the shadow follows each frame
    }
    EXPECT_TRUE(SameRect(frames[10], RECT{100, 100, 300, 100 + 20 + 130 / 8}));   // an eighth at 100 ms
    EXPECT_TRUE(SameRect(WindowRect(note.Get()), frames.back()));
}
