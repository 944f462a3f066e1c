// Find and replace over a real note: a scripted table of typing, Enter,
// focus moves and Replace with the note's text and selection after each
// step; a read-only note; undo; the pre-fill; the [Search] keys; one box at a
// time; and the slot, target and placement cleared when the note goes.
#include <gtest/gtest.h>

#include <richedit.h>

#include <string>
#include <vector>

#include "BoxScript.h"
#include "NoteDialogTestSupport.h"
#include "dialogs/FindDlg.h"
#include "framework/AppModule.h"
#include "notestore/NoteAlarm.h"
#include "notewindows/itsycmd.h"
#include "resources/resource.h"

namespace {

enum EStep { kType, kEnter, kFocusToReplace, kReplace };

struct Step {
    EStep what;
    const wchar_t* typed;   // kType only
    const wchar_t* text;    // the note's text afterwards
    LONG selStart, selEnd;
};

class FindDlgTest : public CNoteDialogTest {
protected:
    void TearDown() override
    {
        CloseFindDlg();
        CNoteDialogTest::TearDown();
    }

    HWND Box() const { return g_appModule.GetFindDlg(); }
    HWND Editor() const { return m_note->GetEditHwnd(); }

    std::wstring NoteText() const
    {
        const int length = GetWindowTextLengthW(Editor());
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        GetWindowTextW(Editor(), text.data(), length + 1);
        text.resize(static_cast<size_t>(length));
        // The rich edit ends paragraphs with a lone CR.
        return text;
    }
    CHARRANGE Selection() const
    {
        CHARRANGE range = {};
        SendMessageW(Editor(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range;
    }
    void Select(LONG start, LONG end)
    {
        CHARRANGE range = { start, end };
        SendMessageW(Editor(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }

    void Command(int id, int code)
    {
        SendMessageW(Box(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(Box(), id)));
    }
    void Type(const wchar_t* text)
    {
        SetDlgItemTextW(Box(), IDC_FIND_WHAT, text);
        Command(IDC_FIND_WHAT, EN_CHANGE);
    }
    void Play(const Step& step)
    {
        switch (step.what) {
        case kType:           Type(step.typed); break;
        case kEnter:          Command(IDOK, BN_CLICKED); break;
        case kFocusToReplace: Command(IDC_FIND_WHAT, EN_KILLFOCUS); Command(IDC_REPLACE, BN_SETFOCUS); break;
        case kReplace:        Command(IDC_REPLACE, BN_CLICKED); break;
        }
    }
    void PlayAll(const std::vector<Step>& steps)
    {
        for (size_t i = 0; i < steps.size(); ++i) {
            Play(steps[i]);
            EXPECT_EQ(NoteText(), steps[i].text) << "step " << i;
            const CHARRANGE range = Selection();
            EXPECT_EQ(range.cpMin, steps[i].selStart) << "step " << i;
            EXPECT_EQ(range.cpMax, steps[i].selEnd) << "step " << i;
        }
    }

    void OpenReplaceOn(const wchar_t* text)
    {
        m_note->SetText(text);
        Select(0, 0);
        ASSERT_TRUE(ShowReplaceDlg(m_window));
        SetDlgItemTextW(Box(), IDC_REPLACE_WITH, L"cow");
        CheckRadioButton(Box(), IDC_FIND_UP, IDC_FIND_DOWN, IDC_FIND_DOWN);
        CheckDlgButton(Box(), IDC_FIND_MATCH_CASE, BST_UNCHECKED);
    }
};

TEST_F(FindDlgTest, EachReplaceReplacesTheShownMatchAndFindsTheNext)
{
    ScopedUiScript script;
    OpenReplaceOn(L"cat dog Cat dog cat");
    PlayAll({
        { kType, L"cat", L"cat dog Cat dog cat", 0, 0 },
        { kEnter, nullptr, L"cat dog Cat dog cat", 0, 3 },
        { kFocusToReplace, nullptr, L"cat dog Cat dog cat", 0, 3 },   // no typing: the match stays the one
        { kReplace, nullptr, L"cow dog Cat dog cat", 8, 11 },
        { kReplace, nullptr, L"cow dog cow dog cat", 16, 19 },
    });
    EXPECT_TRUE(script.Beeps().empty());

    // Undo gives back each replacement.
    SendMessageW(Editor(), EM_UNDO, 0, 0);
    EXPECT_EQ(NoteText(), L"cow dog Cat dog cat");
}

TEST_F(FindDlgTest, ReplaceRightAfterTypingOnlyFindsAndFindNextWraps)
{
    ScopedUiScript script;
    OpenReplaceOn(L"a dog, a dog");
    PlayAll({
        { kType, L"dog", L"a dog, a dog", 0, 0 },
        { kReplace, nullptr, L"a dog, a dog", 2, 5 },   // typed: only a search
        { kEnter, nullptr, L"a dog, a dog", 9, 12 },
        { kEnter, nullptr, L"a dog, a dog", 2, 5 },     // past the end: from the start
    });
}

TEST_F(FindDlgTest, AReadOnlyNoteKeepsItsTextAndTheSearchGoesOn)
{
    ScopedUiScript script;
    OpenReplaceOn(L"cat cat");
    m_note->Alarm().flags |= kNoteReadOnly;
    SendMessageW(Editor(), EM_SETREADONLY, TRUE, 0);
    PlayAll({
        { kType, L"cat", L"cat cat", 0, 0 },
        { kEnter, nullptr, L"cat cat", 0, 3 },
        { kReplace, nullptr, L"cat cat", 4, 7 },
    });
    ASSERT_EQ(script.Beeps().size(), 1u);
    EXPECT_EQ(script.Beeps()[0], static_cast<UINT>(MB_ICONEXCLAMATION));
}

TEST_F(FindDlgTest, TheBoxStartsFromTheSelectionOrTheStoredSearch)
{
    m_note->SetText(L"one two three");
    Select(4, 7);
    ScopedUiScript script;
    ASSERT_TRUE(ShowFindDlg(m_window));
    EXPECT_EQ(ItemText(Box(), IDC_FIND_WHAT), L"two");
    EXPECT_EQ(GetFindTargetWindow(), m_window);
    EXPECT_FALSE(ShowReplaceDlg(m_window)) << "one box at a time";
    ASSERT_EQ(script.Beeps().size(), 1u);
    EXPECT_EQ(script.Beeps()[0], static_cast<UINT>(MB_ICONEXCLAMATION));

    // Find Next writes the keys the next box starts from.
    Type(L"three");
    CheckDlgButton(Box(), IDC_FIND_MATCH_CASE, BST_CHECKED);
    CheckRadioButton(Box(), IDC_FIND_UP, IDC_FIND_DOWN, IDC_FIND_UP);
    Command(IDOK, BN_CLICKED);
    CloseFindDlg();
    EXPECT_EQ(Box(), nullptr);
    Select(0, 0);
    ASSERT_TRUE(ShowFindDlg(m_window));
    EXPECT_EQ(ItemText(Box(), IDC_FIND_WHAT), L"three");
    EXPECT_EQ(IsDlgButtonChecked(Box(), IDC_FIND_MATCH_CASE), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(Box(), IDC_FIND_UP), BST_CHECKED);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Box(), IDOK)));
    CloseFindDlg();

    // Values that are no numbers give the defaults; an empty search disables Find Next.
    const wchar_t* const ini = g_prefs.IniPath();
    WritePrivateProfileStringW(L"Search", L"Forward", L"abc", ini);
    WritePrivateProfileStringW(L"Search", L"Uppercase", L"x", ini);
    WritePrivateProfileStringW(L"Search", L"SearchText", L"", ini);
    Select(0, 0);
    ASSERT_TRUE(ShowFindDlg(m_window));
    EXPECT_EQ(IsDlgButtonChecked(Box(), IDC_FIND_DOWN), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(Box(), IDC_FIND_MATCH_CASE), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Box(), IDOK)));
}

TEST_F(FindDlgTest, ALongSelectionIsCutToTheEditsLimit)
{
    m_note->SetText(std::wstring(300, L'x').c_str());
    Select(0, 300);
    ASSERT_TRUE(ShowFindDlg(m_window));
    EXPECT_EQ(ItemText(Box(), IDC_FIND_WHAT).size(), 256u);
}

TEST_F(FindDlgTest, TheNoteGoingClearsTheSlotAndTargetAndKeepsThePlacement)
{
    ASSERT_TRUE(ShowFindDlg(m_window));
    const HWND box = Box();
    SetWindowPos(box, nullptr, 123, 87, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(m_note->HideSticky(true));
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(Box(), nullptr);
    EXPECT_EQ(GetFindTargetWindow(), nullptr);
    EXPECT_EQ(GetPrivateProfileIntW(L"Dialogs_FindDlg", L"X", -1, g_prefs.IniPath()), 123);
    EXPECT_EQ(GetPrivateProfileIntW(L"Dialogs_FindDlg", L"Y", -1, g_prefs.IniPath()), 87);
}

}  // namespace
