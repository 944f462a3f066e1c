// The attach-to-window dialog, real, driven by a timer in its modal loop:
// what it shows, what OK stores and posts, and a pick cancelled midway.
#include "AttachDialogDriver.h"

namespace {

const RECT kTargetRect = {200, 150, 600, 450};

TEST_F(CAttachDialogTest, ShowsTheStoredAttachmentAndStoresTheCheckedCorner)
{
    CNote* note = AttachedNote(L"Stored title", 3);
    ASSERT_NE(note, nullptr);
    const std::int64_t id = note->GetId();
    std::wstring shownTitle;
    bool bottomLeftChecked = false;
    EXPECT_FALSE(CDialogDriver::Run(*note, [&](HWND dialog) {
        shownTitle = CDialogDriver::Text(dialog, IDC_ATTACH_TITLE);
        bottomLeftChecked = IsDlgButtonChecked(dialog, IDC_ATTACH_BOTTOM_LEFT) == BST_CHECKED;
        CDialogDriver::Click(dialog, IDCANCEL);
    }));
    EXPECT_EQ(shownTitle, L"Stored title");
    EXPECT_TRUE(bottomLeftChecked);

    struct Case { int radio; int moveWith; };
    const Case cases[] = {
        {IDC_ATTACH_TOP_LEFT, 1}, {IDC_ATTACH_TOP_RIGHT, 2}, {IDC_ATTACH_BOTTOM_LEFT, 3},
        {IDC_ATTACH_BOTTOM_RIGHT, 4}, {IDC_ATTACH_DOES_NOT_MOVE, 0}, {0, 0},   // none checked
    };
    for (const Case& c : cases) {
        note = m_manager.GetNote(id);
        EXPECT_TRUE(CDialogDriver::Run(*note, [&](HWND dialog) {
            for (int radio = IDC_ATTACH_TOP_LEFT; radio <= IDC_ATTACH_DOES_NOT_MOVE; ++radio)
                CheckDlgButton(dialog, radio, BST_UNCHECKED);
            if (c.radio)
                CDialogDriver::Click(dialog, c.radio);
            CDialogDriver::Click(dialog, IDOK);
        })) << c.radio;
        CNoteAttachment stored;
        ASSERT_TRUE(stored.Read(*m_manager.GetNote(id)));
        EXPECT_EQ(stored.GetMoveWith(), c.moveWith) << c.radio;
        EXPECT_EQ(stored.GetWindowTitle(), L"Stored title") << c.radio;
    }
}

TEST_F(CAttachDialogTest, ATypedTitlePlacesTheNoteAtOnceWhenItsWindowIsOpen)
{
    CStandInMainWindow main;
    CForeignWindowThread target(L"TypedTarget", L"Typed target", kTargetRect);
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    const std::int64_t id = note->GetId();
    EXPECT_TRUE(CDialogDriver::Run(*note, [](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_ATTACH_TITLE, L"Typed target");
        CDialogDriver::Click(dialog, IDC_ATTACH_TOP_RIGHT);
        CDialogDriver::Click(dialog, IDOK);
    }));
    main.Pump(100);
    ASSERT_EQ(main.posted.size(), 1u);
    EXPECT_EQ(main.posted[0].event, static_cast<DWORD>(EVENT_SYSTEM_FOREGROUND));
    EXPECT_EQ(main.posted[0].title, L"Typed target");
    EXPECT_EQ(main.posted[0].window, target.Frame());
    m_manager.HandleWindowEvent(main.posted[0].event, main.posted[0].title.c_str(), main.posted[0].window, false);
    note = m_manager.GetNote(id);
    RECT rect = {};
    GetWindowRect(note->GetHwnd(), &rect);
    EXPECT_EQ(rect.left, kTargetRect.right + 1);
    EXPECT_EQ(rect.top, kTargetRect.top);

    // A title no window has: attached, nothing posted, the note stays.
    main.posted.clear();
    EXPECT_TRUE(CDialogDriver::Run(*note, [](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_ATTACH_TITLE, L"No such window");
        CDialogDriver::Click(dialog, IDOK);
    }));
    main.Pump(100);
    EXPECT_TRUE(main.posted.empty());
    EXPECT_EQ(CNoteAttachment::GetTitleForNote(id), L"No such window");
}

TEST_F(CAttachDialogTest, AnEmptyTitleDetachesAndADeletedNoteStoresNothing)
{
    CNote* note = AttachedNote(L"Soon detached", 1);
    ASSERT_NE(note, nullptr);
    ASSERT_EQ(Rows(), 1);
    EXPECT_TRUE(CDialogDriver::Run(*note, [](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_ATTACH_TITLE, L"");
        CDialogDriver::Click(dialog, IDOK);
    }));
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(CNoteAttachment::GetTitleForNote(note->GetId()).empty());
    EXPECT_FALSE(m_manager.IsListenerRunning());   // the lookup found no rows

    const std::int64_t id = note->GetId();
    // The note goes while the dialog is open (its window, the owner, with
    // it): whatever is left of the dialog stores nothing.
    CDialogDriver::Run(*note, [&](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_ATTACH_TITLE, L"Too late");
        m_manager.DeleteNote(m_manager.GetNote(id));
        if (IsWindow(dialog))
            CDialogDriver::Click(dialog, IDOK);
    });
    EXPECT_EQ(m_manager.GetNote(id), nullptr);
    EXPECT_EQ(Rows(), 0);
}

TEST_F(CAttachDialogTest, CancelDuringAPickEndsThePickAndKeepsTheDialog)
{
    CNote* note = AttachedNote(L"Kept title", 2);
    ASSERT_NE(note, nullptr);
    bool capturedWhilePicking = false, releasedAfter = false, stillOpen = false;
    std::wstring titleAfter;
    EXPECT_FALSE(CDialogDriver::Run(*note, [&](HWND dialog) {
        CDialogDriver::PressFinder(dialog);
        capturedWhilePicking = GetCapture() == dialog;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);   // what the dialog manager makes of Esc
        releasedAfter = GetCapture() == nullptr;
        stillOpen = IsWindow(dialog) && IsWindowVisible(dialog);
        titleAfter = CDialogDriver::Text(dialog, IDC_ATTACH_TITLE);
        SendMessageW(dialog, WM_LBUTTONUP, 0, 0);   // a late release picks nothing
        titleAfter += L"|" + CDialogDriver::Text(dialog, IDC_ATTACH_TITLE);
        CDialogDriver::Click(dialog, IDCANCEL);
    }));
    EXPECT_TRUE(capturedWhilePicking);
    EXPECT_TRUE(releasedAfter);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(titleAfter, L"Kept title|Kept title");
    EXPECT_EQ(CNoteAttachment::GetTitleForNote(note->GetId()), L"Kept title");
}

} // namespace
