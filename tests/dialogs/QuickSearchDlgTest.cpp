// The quick search box run for real on notes of a test database, with a
// recent-text key of its own: the rows it lists are the search's, Show shows
// all listed notes or the selected ones, losing activation closes it as a
// cancel that still keeps the text, and the activation a shown note causes
// after Show changes nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BoxScript.h"
#include "NoteDialogTestSupport.h"
#include "dialogs/ImageListBox.h"
#include "dialogs/QuickSearchDlg.h"
#include "foundation/ResModule.h"
#include "resources/resource.h"

namespace {

const wchar_t kCaption[] = L"Quillet - Quick Search";

class QuickSearchDlgTest : public CNoteDialogTest {
protected:
    void SetUp() override
    {
        CNoteDialogTest::SetUp();
        static int run = 0;
        m_key = L"Software\\Quillet Tests\\Quick Search " + std::to_wstring(GetCurrentProcessId()) + L" " +
                std::to_wstring(++run);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_key.c_str());
        m_note->SetText(L"Unrelated first note");
        m_note->SetModified(true);
        ASSERT_TRUE(m_manager.StoreNote(m_note));
    }
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, m_key.c_str());
        CNoteDialogTest::TearDown();
    }

    // A stored note with the title and text, hidden unless shown.
    std::int64_t AddNote(const wchar_t* title, const wchar_t* text, bool shown, COLORREF color = 0xB6FFFF)
    {
        CNote* const note = m_manager.CreateNewNote();
        EXPECT_NE(note, nullptr);
        if (!note)
            return 0;
        note->SetText(text);
        note->SetTitle(title);
        note->SetColor(color);
        note->SetModified(true);
        EXPECT_TRUE(m_manager.StoreNote(note));
        const std::int64_t id = note->GetId();
        if (!shown) {
            EXPECT_TRUE(note->HideSticky(false));
        }
        return id;
    }

    bool Shown(std::int64_t id)
    {
        CNote* const note = m_manager.GetNote(id);
        return note && note->IsVisible() && note->GetHwnd() && IsWindowVisible(note->GetHwnd());
    }

    // Runs the box with the steps; its result.
    INT_PTR Run(std::vector<BoxStep> steps)
    {
        ScopedUiScript script;
        PlayOnBox(script, IDD_QUICK_SEARCH, kCaption, std::move(steps));
        CQuickSearchDlg dialog(m_key);
        m_dialog = &dialog;
        const INT_PTR result = dialog.DoModal(nullptr);
        m_dialog = nullptr;
        return result;
    }

    std::vector<std::wstring> RecentValues()
    {
        std::vector<std::wstring> names;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, m_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return names;
        for (DWORD index = 0;; ++index) {
            wchar_t name[512] = {};
            DWORD length = 512;
            if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.push_back(name);
        }
        RegCloseKey(key);
        return names;
    }

    static BoxStep Select(std::vector<int> rows)
    {
        return [rows](HWND box) {
            for (const int row : rows)
                SendDlgItemMessageW(box, IDC_QUICK_SEARCH_LIST, LB_SETSEL, TRUE, row);
        };
    }

    std::wstring m_key;
    CQuickSearchDlg* m_dialog = nullptr;
};

TEST_F(QuickSearchDlgTest, TheRowsAreTheSearchsResultsInTheirOrderAndColours)
{
    AddNote(L"Meeting notes", L"meeting with Tom\r\nabout the budget", true, 0x02A0E0FF);
    AddNote(L"Groceries", L"milk and meetballs", true, 0x0280FFC0);
    AddNote(L"Travel", L"train at nine", true);
    const std::wstring scripts = L"Zażółć Ğüşİ Tiếng Việt Ελληνικά Кириллица 漢字かな 😀";
    AddNote(scripts.c_str(), L"meet again", true);
    std::vector<QuickSearchResult> expected;
    ASSERT_TRUE(CQuickSearchDlg::DoSearch(L"mee", expected));
    ASSERT_EQ(expected.size(), 3u);
    const std::int64_t changesBefore = Scalar(L"select total_changes()");

    std::vector<ImageListBoxItem> rows;
    size_t listed = 0;
    EXPECT_EQ(Run({
                  TypeInto(IDC_QUICK_SEARCH_TEXT, L"mee"),
                  [&](HWND box) {
                      const HWND list = GetDlgItem(box, IDC_QUICK_SEARCH_LIST);
                      listed = m_dialog->Results().size();
                      const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
                      for (LRESULT i = 0; i < count; ++i)
                          rows.push_back(*reinterpret_cast<const ImageListBoxItem*>(
                              SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0)));
                  },
                  Press(IDCANCEL),
              }),
              IDCANCEL);
    EXPECT_EQ(listed, expected.size());
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].text, expected[i].title) << i;
        EXPECT_EQ(rows[i].subtext, expected[i].snippet) << i;
        EXPECT_EQ(rows[i].textColor, expected[i].textColor) << i;
        EXPECT_EQ(rows[i].backColor, expected[i].color) << i;
        EXPECT_EQ(rows[i].mask, kIlbText | kIlbSubtext | kIlbTextColor | kIlbBackColor) << i;
    }
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [&](const ImageListBoxItem& row) { return row.text == scripts; }), 1)
        << "a title in any script is listed as it was stored";
    EXPECT_EQ(Scalar(L"select total_changes()"), changesBefore) << "searching writes no row";
}

TEST_F(QuickSearchDlgTest, ALockedNoteListedByItsTitleShowsLockedInPlaceOfText)
{
    const std::int64_t id = AddNote(L"Bank secrets", L"pin is 4711", true);
    DB().execDML((L"update notes set locked = 1 where id = " + std::to_wstring(id)).c_str());
    std::vector<std::wstring> subtexts;
    Run({
        TypeInto(IDC_QUICK_SEARCH_TEXT, L"bank"),
        [&](HWND box) {
            const HWND list = GetDlgItem(box, IDC_QUICK_SEARCH_LIST);
            for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i)
                subtexts.push_back(reinterpret_cast<const ImageListBoxItem*>(
                                       SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0))
                                       ->subtext);
        },
    });
    ASSERT_EQ(subtexts.size(), 1u);
    EXPECT_EQ(subtexts[0], LoadResString(IDS_LOCKED));
}

TEST_F(QuickSearchDlgTest, ATextTypedButNotYetStoredIsFound)
{
    Type(*m_note, L"the capybara sleeps");
    ASSERT_TRUE(m_note->IsModified());
    size_t listed = 0;
    Run({
        TypeInto(IDC_QUICK_SEARCH_TEXT, L"capybara"),
        [&](HWND) { listed = m_dialog->Results().size(); },
    });
    EXPECT_EQ(listed, 1u) << "the box stores modified notes as it opens";
}

TEST_F(QuickSearchDlgTest, ShowShowsEveryListedNoteOrOnlyTheSelected)
{
    struct Case { const char* what; std::vector<int> selected; std::vector<bool> shown; };
    const Case cases[] = {
        { "none selected", {}, { true, true, true } },
        { "two selected", { 0, 2 }, { true, false, true } },
    };
    for (const Case& c : cases) {
        std::vector<std::int64_t> ids;
        for (int i = 0; i < 3; ++i)
            ids.push_back(AddNote((L"Zebra " + std::to_wstring(i)).c_str(), L"striped animal", false));
        std::vector<std::int64_t> listed;
        EXPECT_EQ(Run({
                      TypeInto(IDC_QUICK_SEARCH_TEXT, L"zebra"),
                      Select(c.selected),
                      [&](HWND) {
                          for (const QuickSearchResult& result : m_dialog->Results())
                              listed.push_back(result.id);
                      },
                      Press(IDOK),
                  }),
                  IDOK)
            << c.what;
        ASSERT_EQ(listed.size(), 3u) << c.what;
        for (size_t row = 0; row < listed.size(); ++row)
            EXPECT_EQ(Shown(listed[row]), c.shown[row]) << c.what << ", row " << row;
        for (const std::int64_t id : ids)
            m_manager.DeleteNote(m_manager.GetNote(id));
    }
}

TEST_F(QuickSearchDlgTest, ANoteGoneBeforeShowIsSkipped)
{
    const std::int64_t gone = AddNote(L"Walrus one", L"tusks", false);
    const std::int64_t kept = AddNote(L"Walrus two", L"tusks", false);
    EXPECT_EQ(Run({
                  TypeInto(IDC_QUICK_SEARCH_TEXT, L"walrus"),
                  [&](HWND) { m_manager.DeleteNote(m_manager.GetNote(gone)); },
                  Press(IDOK),
              }),
              IDOK);
    EXPECT_EQ(m_manager.GetNote(gone), nullptr);
    EXPECT_TRUE(Shown(kept));
}

TEST_F(QuickSearchDlgTest, LosingActivationClosesAsCancelAndKeepsTheText)
{
    const HWND other = CreateWindowExW(0, L"Static", L"elsewhere", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                       nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(Run({
                  WhenShown(),
                  TypeInto(IDC_QUICK_SEARCH_TEXT, L"holiday plans"),
                  [&](HWND) { SetActiveWindow(other); },
                  [&](HWND) { ADD_FAILURE() << "still open after losing activation"; },
              }),
              IDCANCEL);
    DestroyWindow(other);
    EXPECT_EQ(RecentValues(), std::vector<std::wstring>{ L"holiday plans" });
}

TEST_F(QuickSearchDlgTest, AnEmptyTextIsNotKept)
{
    EXPECT_EQ(Run({ Press(IDCANCEL) }), IDCANCEL);
    EXPECT_TRUE(RecentValues().empty());
}

TEST_F(QuickSearchDlgTest, TheActivationOfTheShownNoteAfterShowKeepsOkAndClosesOnce)
{
    const std::int64_t id = AddNote(L"Parrot", L"talks a lot", false);
    EXPECT_EQ(Run({
                  WhenShown(),
                  TypeInto(IDC_QUICK_SEARCH_TEXT, L"parrot"),
                  [&](HWND box) {
                      Press(IDOK)(box);
                      // What the note's activation did, again: closed already.
                      SendMessageW(box, WM_ACTIVATE, WA_INACTIVE, 0);
                      SendMessageW(box, WM_COMMAND, IDCANCEL, 0);
                  },
              }),
              IDOK);
    EXPECT_TRUE(Shown(id));
    EXPECT_EQ(GetActiveWindow(), m_manager.GetNote(id)->GetHwnd()) << "the shown note took the activation";
    EXPECT_EQ(RecentValues(), std::vector<std::wstring>{ L"parrot" });
}

}  // namespace
