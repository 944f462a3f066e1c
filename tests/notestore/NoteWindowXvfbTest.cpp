// Note windows on a real display: a note shown without a fade does not take
// the foreground, and two notes as they look.
#include <gtest/gtest.h>

#include <memory>

#include "RecordTestSupport.h"
#include "foundation/Preferences.h"
#include "notestore/Note.h"
#include "tests/support/ComApartment.h"
#include "tests/support/Screenshot.h"

namespace {

class NoteWindowXvfbTest : public CGroupStoreTest {
protected:
    void SetUp() override
    {
        CGroupStoreTest::SetUp();
        ASSERT_TRUE(m_com.Initialised());
        RegisterTestWindowClass(L"NoteWClass");
        g_prefs.AnimationSpeed = 3;   // animation off
    }
    void TearDown() override
    {
        m_manager.CloseAll();
        CGroupStoreTest::TearDown();
    }

    std::int64_t StoredShownNote(const wchar_t* text, COLORREF color, const RECT& rect)
    {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().text = text;
        note->Row().visible = true;
        note->Row().color = color;
        note->Row().placement.length = sizeof(WINDOWPLACEMENT);
        note->Row().placement.showCmd = SW_SHOWNORMAL;
        note->Row().placement.rcNormalPosition = rect;
        EXPECT_TRUE(m_manager.StoreNote(note));
        return note->GetId();
    }

    CComApartment m_com;
};

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

TEST_F(NoteWindowXvfbTest, ALoadedNoteDoesNotTakeTheForeground)
{
    const std::int64_t id = StoredShownNote(L"quiet", RGB(250, 240, 120), RECT{200, 200, 400, 360});
    m_manager.CloseAll();
    const HWND other = CreateWindowExW(0, L"STATIC", L"the user's window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 100,
                                       300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    Pump();
    ASSERT_EQ(GetForegroundWindow(), other);

    const CNote* note = m_manager.LoadAndShowNote(id);
    ASSERT_NE(note, nullptr);
    ASSERT_NE(note->GetHwnd(), nullptr);
    Pump();
    EXPECT_TRUE(IsWindowVisible(note->GetHwnd()));
    EXPECT_EQ(GetForegroundWindow(), other);
    DestroyWindow(other);
}

COLORREF ScreenPixel(POINT point)
{
    const HDC screen = GetDC(nullptr);
    const COLORREF color = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return color;
}

TEST_F(NoteWindowXvfbTest, TwoNotesOnTheScreen)
{
    const std::int64_t first = StoredShownNote(L"first note", RGB(250, 240, 120), RECT{100, 100, 320, 300});
    const std::int64_t second = StoredShownNote(L"second note", RGB(120, 200, 250), RECT{360, 140, 580, 340});
    m_manager.CloseAll();
    ASSERT_NE(m_manager.LoadAndShowNote(first), nullptr);
    ASSERT_NE(m_manager.LoadAndShowNote(second), nullptr);
    Pump();
    Sleep(200);
    Pump();
    // Below each note's text its editor shows the note's colour: both are on
    // the screen where they were stored, neither covers the other.
    EXPECT_EQ(SaveScreenshot(L"notewindow-xvfb-screenshot.bmp", POINT{200, 200}), RGB(250, 240, 120));
    EXPECT_EQ(ScreenPixel(POINT{450, 240}), RGB(120, 200, 250));
    EXPECT_NE(ScreenPixel(POINT{340, 220}), RGB(250, 240, 120)) << "nothing between the notes";
    EXPECT_NE(ScreenPixel(POINT{340, 220}), RGB(120, 200, 250)) << "nothing between the notes";
}

// How much ink the first line of an editor's text takes: its pixels darker
// than half, left of where the frame's edge could be.
int InkOfFirstLine(HWND editor)
{
    POINT origin = {0, 0};
    ClientToScreen(editor, &origin);
    const HDC screen = GetDC(nullptr);
    int ink = 0;
    for (int y = origin.y; y < origin.y + 14; ++y)
        for (int x = origin.x; x < origin.x + 95; ++x) {
            const COLORREF color = GetPixel(screen, x, y);
            ink += GetRValue(color) + GetGValue(color) + GetBValue(color) < 3 * 128;
        }
    ReleaseDC(nullptr, screen);
    return ink;
}

// Typed text looks the same after a restart: same face, weight and colour.
TEST_F(NoteWindowXvfbTest, TypedTextLooksTheSameAfterARestart)
{
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    const HWND editor = note->GetEditHwnd();
    const wchar_t typed[] = L"Zaz\u00F3\u0142\u0107 typed text \u0416\u0443\u043A";
    SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(typed));
    ASSERT_TRUE(SetWindowPos(note->GetHwnd(), HWND_TOP, 100, 100, 300, 160, SWP_SHOWWINDOW));
    Pump();
    Sleep(200);
    Pump();
    SaveScreenshot(L"note-typed-before-restart.bmp", POINT{0, 0});
    const int before = InkOfFirstLine(editor);
    note->SetModified(true);
    ASSERT_TRUE(m_manager.SaveModifiedNotes());
    const std::int64_t id = note->GetId();
    m_manager.CloseAll();

    note = m_manager.LoadAndShowNote(id);
    ASSERT_NE(note, nullptr);
    Pump();
    Sleep(200);
    Pump();
    SaveScreenshot(L"note-typed-after-restart.bmp", POINT{0, 0});
    const int after = InkOfFirstLine(note->GetEditHwnd());
    EXPECT_GT(before, 0);
    // Bold text took a third more.
    EXPECT_NEAR(after, before, before / 10) << "the same text takes the same ink";
}

}  // namespace
