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
    SaveScreenshot(L"notewindow-xvfb-screenshot.bmp", POINT{200, 200});
    const DWORD attributes = GetFileAttributesW(L"notewindow-xvfb-screenshot.bmp");
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
}

}  // namespace
