// A note's window fitted to its text: a final paragraph break measures as a
// line, more text grows the window at the same corner, the don't-shrink
// setting keeps the window unless forced, no note grows past its monitor, a
// rolled-up note or one without auto-size stays, and the resize a fit causes
// does not fit the note again from inside it.
#include <gtest/gtest.h>

#include <richedit.h>

#include <functional>
#include <string>

#include "RecordTestSupport.h"
#include "foundation/Preferences.h"
#include "notestore/Note.h"
#include "notewindows/RichTextFormatter.h"
#include "tests/support/ComApartment.h"

namespace {

constexpr std::uint32_t kRolledUp = 0x1000;
constexpr int kTwipsPerInch = 1440;

// Called by the frame after each resize, with the editor already fitted.
std::function<void()> g_afterResize;

// As the note frame does: the editor keeps filling the client area.
LRESULT CALLBACK FrameProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SIZE) {
        if (const HWND editor = GetWindow(window, GW_CHILD))
            SetWindowPos(editor, nullptr, 0, 0, LOWORD(lParam), HIWORD(lParam), SWP_NOZORDER | SWP_NOACTIVATE);
        if (g_afterResize)
            g_afterResize();
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

void RegisterFrameClass()
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = FrameProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NoteWClass";
    RegisterClassExW(&wc);
}

std::wstring Lines(int count)
{
    std::wstring text;
    for (int line = 1; line <= count; ++line)
        text += (line > 1 ? L"\r" : L"") + std::wstring(L"line ") + std::to_wstring(line);
    return text;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

SIZE SizeOf(const RECT& rect)
{
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// The part of the window's monitor a note may cover.
SIZE MonitorAreaOf(HWND window)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return SizeOf(info.dwFlags & MONITORINFOF_PRIMARY ? info.rcWork : info.rcMonitor);
}

class NoteAutoSizeTest : public CGroupStoreTest {
protected:
    void SetUp() override
    {
        CGroupStoreTest::SetUp();
        ASSERT_TRUE(m_com.Initialised());
        RegisterFrameClass();
        g_prefs.AnimationSpeed = 3;   // no fades
        g_prefs.DontShrinkNoteSize = false;
        m_note = m_manager.CreateNewNote();
        ASSERT_NE(m_note, nullptr);
        ASSERT_NE(m_note->GetEditHwnd(), nullptr);
    }
    void TearDown() override
    {
        g_afterResize = nullptr;
        g_prefs.DontShrinkNoteSize = false;
        m_manager.CloseAll();
        CGroupStoreTest::TearDown();
    }

    RECT Window() const
    {
        RECT rect = {};
        GetWindowRect(m_note->GetHwnd(), &rect);
        return rect;
    }
    RECT Format() const
    {
        RECT format = {};
        SendMessageW(m_note->GetEditHwnd(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        return format;
    }
    RECT EditorClient() const
    {
        RECT client = {};
        GetClientRect(m_note->GetEditHwnd(), &client);
        return client;
    }
    // The window after fitting to that text.
    SIZE FittedTo(const std::wstring& text, bool force)
    {
        m_note->SetText(text);
        m_note->AutoSize(force);
        return SizeOf(Window());
    }
    int MeasuredHeight(const std::wstring& text)
    {
        m_note->SetText(text);
        SIZE fit = {};
        EXPECT_TRUE(m_note->MeasureText(Format(), fit)) << "text: " << text.size() << " characters";
        return fit.cy;
    }

    CComApartment m_com;
    CNote* m_note = nullptr;
};

} // namespace

TEST_F(NoteAutoSizeTest, AFinalParagraphBreakMeasuresOneLineTaller)
{
    const int one = MeasuredHeight(L"first");
    const int two = MeasuredHeight(L"first\rsecond");
    EXPECT_GT(one, 0);
    EXPECT_GT(two, one);
    EXPECT_EQ(MeasuredHeight(L"first\r"), two);
    EXPECT_EQ(MeasuredHeight(L""), one);   // an empty note still has its line
}

TEST_F(NoteAutoSizeTest, MoreTextGrowsTheWindowAtTheSameCornerAndShowsAllOfIt)
{
    const SIZE small = FittedTo(Lines(2), true);
    const RECT before = Window();
    const SIZE large = FittedTo(Lines(9), false);
    EXPECT_GT(large.cy, small.cy);
    EXPECT_EQ(Window().left, before.left);
    EXPECT_EQ(Window().top, before.top);
    // The editor's request fits the same, whatever height it names.
    for (const LONG requested : {1L, 3000L}) {
        FittedTo(Lines(2), true);
        m_note->SetText(Lines(9));
        m_note->OnRequestResize(RECT{0, 0, EditorClient().right, requested});
        EXPECT_EQ(SizeOf(Window()).cy, large.cy) << requested;
        EXPECT_EQ(SizeOf(Window()).cx, large.cx) << requested;
    }

    // The last line lies inside the editor: nothing is left to scroll to.
    const LONG length = GetWindowTextLengthW(m_note->GetEditHwnd());
    POINTL last = {};
    SendMessageW(m_note->GetEditHwnd(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&last), length - 1);
    EXPECT_GT(last.y, 0);
    EXPECT_LT(last.y, EditorClient().bottom);
}

TEST_F(NoteAutoSizeTest, DontShrinkKeepsTheWindowUnlessForced)
{
    struct Case {
        const char* what;
        bool dontShrink;
        bool force;
        bool shrinks;
    } cases[] = {
        {"setting off", false, false, true},
        {"setting on", true, false, false},
        {"setting on, forced", true, true, true},
    };
    for (const Case& c : cases) {
        g_prefs.DontShrinkNoteSize = false;
        const SIZE large = FittedTo(Lines(9), true);
        g_prefs.DontShrinkNoteSize = c.dontShrink;
        const SIZE after = FittedTo(L"one", c.force);
        EXPECT_EQ(after.cy < large.cy, c.shrinks) << c.what;
        if (!c.shrinks) {
            EXPECT_TRUE(after.cx >= large.cx && after.cy >= large.cy) << c.what;
        }
    }
    // The editor's own requests never shrink the window either.
    g_prefs.DontShrinkNoteSize = true;
    const SIZE large = FittedTo(Lines(9), true);
    m_note->SetText(L"one");
    m_note->OnRequestResize(EditorClient());
    EXPECT_EQ(SizeOf(Window()).cy, large.cy);
}

TEST_F(NoteAutoSizeTest, NoWindowGrowsPastItsMonitor)
{
    const SIZE area = MonitorAreaOf(m_note->GetHwnd());
    // A caption, as notes have: the text's own height may fit the monitor
    // while the window around it does not.
    const HWND frame = m_note->GetHwnd();
    SetWindowLongW(frame, GWL_STYLE, GetWindowLongW(frame, GWL_STYLE) | WS_CAPTION);
    SetWindowPos(frame, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    std::wstring wide(600, L'w');
    const SIZE tall = FittedTo(Lines(120), true);
    EXPECT_LE(tall.cy, area.cy);
    EXPECT_LE(tall.cx, area.cx);
    const SIZE broad = FittedTo(wide + L" " + wide, true);
    EXPECT_LE(broad.cx, area.cx);
    EXPECT_LE(broad.cy, area.cy);
}

TEST_F(NoteAutoSizeTest, ARolledUpNoteOrOneWithoutAutoSizeKeepsItsWindow)
{
    struct Case {
        const char* what;
        bool rolledUp;
        bool autoResize;
    } cases[] = {
        {"rolled up", true, true},
        {"auto-size off", false, false},
    };
    for (const Case& c : cases) {
        m_note->Row().autoResize = true;
        m_note->Alarm().flags &= ~kRolledUp;
        FittedTo(L"one", true);
        const RECT before = Window();
        if (c.rolledUp)
            m_note->Alarm().flags |= kRolledUp;
        m_note->Row().autoResize = c.autoResize;
        m_note->SetText(Lines(9));
        m_note->AutoSize(false);
        m_note->OnRequestResize(EditorClient());
        EXPECT_TRUE(SameRect(before, Window())) << c.what;
        m_note->AutoSize(true);
        EXPECT_EQ(SameRect(before, Window()), c.rolledUp) << c.what << ": forced";
    }
}

// Resizing the frame makes the editor ask for a size again: that request,
// made while the first fit still runs, must not fit the note once more.
TEST_F(NoteAutoSizeTest, ARequestFromInsideAFitIsIgnored)
{
    FittedTo(Lines(2), true);
    m_note->SetText(Lines(5));
    int nested = 0;
    g_afterResize = [this, &nested] {
        ++nested;
        // The text grows while the fit runs: fitting again would chase it.
        const HWND editor = m_note->GetEditHwnd();
        SendMessageW(editor, EM_SETSEL, -1, -1);
        SendMessageW(editor, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"\rmore"));
        m_note->OnRequestResize(EditorClient());
    };
    m_note->OnRequestResize(EditorClient());
    g_afterResize = nullptr;
    EXPECT_EQ(nested, 1);
    const SIZE fittedToFive = SizeOf(Window());
    m_note->AutoSize(true);
    EXPECT_GT(SizeOf(Window()).cy, fittedToFive.cy) << "the added line was measured by a nested fit";
}

// A text that needs the whole width of the area: no narrower width keeps
// its height, and the fit is the area's width, not whatever the search last
// tried.
TEST_F(NoteAutoSizeTest, ATextThatNeedsTheWholeAreaMeasuresTheAreasWidth)
{
    static int s_areaWidth = 0;
    s_areaWidth = MonitorAreaOf(m_note->GetHwnd()).cx;
    const SRichTextFormatterSeam onlyTheWholeArea = {
        [](HWND editor, HDC target, HDC, const RECT& twips, LONG first, LONG, SFormatRangeResult& result) {
            const int needed = MulDiv(s_areaWidth, kTwipsPerInch, GetDeviceCaps(target, LOGPIXELSX));
            if (twips.right - twips.left < needed)
                return false;
            result.next = GetWindowTextLengthW(editor);
            result.height = 300;   // twips: one line
            return result.next > first;
        },
        [](HWND) {}};
    m_note->SetText(L"one long line");
    SIZE fit = {};
    {
        const CSeamOverride<SRichTextFormatterSeam> seam(g_richTextFormatterSeam, onlyTheWholeArea);
        ASSERT_TRUE(m_note->MeasureText(Format(), fit));
    }
    EXPECT_EQ(fit.cx, s_areaWidth);
    EXPECT_GT(fit.cy, 0);
}

// A formatter that lays out nothing gives no size: the window keeps its own
// instead of shrinking to its minimum.
TEST_F(NoteAutoSizeTest, AFormatterThatMeasuresNothingLeavesTheWindowAsItIs)
{
    FittedTo(Lines(9), true);
    const RECT before = Window();
    const SRichTextFormatterSeam measuresNothing = {
        [](HWND, HDC, HDC, const RECT&, LONG first, LONG, SFormatRangeResult& result) {
            result = {first, 0};
            return false;
        },
        [](HWND) {}};
    const CSeamOverride<SRichTextFormatterSeam> seam(g_richTextFormatterSeam, measuresNothing);
    SIZE fit = {};
    EXPECT_FALSE(m_note->MeasureText(Format(), fit));
    m_note->AutoSize(true);
    m_note->OnRequestResize(EditorClient());
    EXPECT_TRUE(SameRect(before, Window()));
}
