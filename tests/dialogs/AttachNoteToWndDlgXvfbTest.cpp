// The attach dialog's finder pointed at a real window of another thread: the
// pick fills the title and the corner, and OK sends the picked window only
// while the title still names it. Real cursor positions: Xvfb, alone.
#include "AttachDialogDriver.h"

namespace {

const RECT kPickRect = {560, 380, 960, 680};

// Drags the finder from the dialog to a point of the screen and lets go.
void PickAt(HWND dialog, POINT screen)
{
    CDialogDriver::PressFinder(dialog);
    SetCursorPos(screen.x, screen.y);
    POINT client = screen;
    ScreenToClient(dialog, &client);
    SendMessageW(dialog, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    SendMessageW(dialog, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
}

TEST_F(CAttachDialogTest, AFinderPickFillsTheTitleAndCornerAndAnEditedTitleSendsItsOwnWindow)
{
    CStandInMainWindow main;
    CForeignWindowThread picked(L"PickedTarget", L"Picked program", kPickRect);
    CForeignWindowThread other(L"OtherTarget", L"Other program", {100, 420, 400, 620});
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    const std::int64_t id = note->GetId();

    std::wstring title;
    bool topRight = false;
    EXPECT_TRUE(CDialogDriver::Run(*note, [&](HWND dialog) {
        PickAt(dialog, {kPickRect.right - 30, kPickRect.top + 30});
        title = CDialogDriver::Text(dialog, IDC_ATTACH_TITLE);
        topRight = IsDlgButtonChecked(dialog, IDC_ATTACH_TOP_RIGHT) == BST_CHECKED;
        CDialogDriver::Click(dialog, IDOK);
    }));
    EXPECT_EQ(title, L"Picked program");
    EXPECT_TRUE(topRight);
    main.Pump(100);
    ASSERT_EQ(main.posted.size(), 1u);
    EXPECT_EQ(main.posted[0].window, picked.Frame());
    CNoteAttachment stored;
    ASSERT_TRUE(stored.Read(*m_manager.GetNote(id)));
    EXPECT_EQ(stored.GetMoveWith(), 2);

    // Picked, then the title edited: the window that has the new title.
    struct Case { const wchar_t* edited; HWND expected; };
    const Case cases[] = {{L"Other program", other.Frame()}, {L"Nobody's title", nullptr}};
    for (const Case& c : cases) {
        main.posted.clear();
        EXPECT_TRUE(CDialogDriver::Run(*m_manager.GetNote(id), [&](HWND dialog) {
            PickAt(dialog, {kPickRect.left + 30, kPickRect.bottom - 30});
            SetDlgItemTextW(dialog, IDC_ATTACH_TITLE, c.edited);
            CDialogDriver::Click(dialog, IDOK);
        }));
        main.Pump(100);
        if (c.expected) {
            ASSERT_EQ(main.posted.size(), 1u);
            EXPECT_EQ(main.posted[0].window, c.expected);
        } else {
            EXPECT_TRUE(main.posted.empty());
        }
        EXPECT_EQ(CNoteAttachment::GetTitleForNote(id), c.edited);
    }
}

} // namespace
