// The quick search's query on real notes of a test database, no window:
// typed text never becomes query syntax, id digits match nothing by
// themselves, locked notes are found by their title alone and never show
// their text, and line breaks read as blanks.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dialogs/QuickSearchQuery.h"
#include "notestore/Note.h"
#include "tests/notestore/RecordTestSupport.h"

namespace {

using Ids = std::vector<std::int64_t>;

struct SNoteSpec {
    const wchar_t* name;
    const wchar_t* text;
    bool locked = false;
    const wchar_t* password = L"";
};

class QuickSearchQueryTest : public CGroupStoreTest {
protected:
    std::int64_t Add(const SNoteSpec& spec)
    {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        NoteRow& row = note->Row();
        row.name = spec.name;
        row.text = spec.text;
        row.displayText = spec.text;
        row.locked = spec.locked;
        row.password = spec.password;
        row.color = RGB(250, 240, 200);
        row.colorText = RGB(10, 20, 30);
        note->SetModified(true);
        EXPECT_TRUE(m_manager.StoreNote(note));
        return note->GetId();
    }

    std::vector<QuickSearchResult> Search(const std::wstring& text)
    {
        CLogCapture log;
        std::vector<QuickSearchResult> results;
        const bool found = DoQuickSearch(text, results);
        EXPECT_EQ(found, !results.empty()) << "text: " << testing::PrintToString(text);
        EXPECT_FALSE(LogHasSqliteError(log)) << "text: " << testing::PrintToString(text);
        return results;
    }

    Ids IdsOf(const std::wstring& text)
    {
        Ids ids;
        for (const QuickSearchResult& result : Search(text))
            ids.push_back(result.id);
        return ids;
    }

    static bool LogHasSqliteError(const CLogCapture& log)
    {
        for (const std::wstring& line : log.Lines())
            if (line.find(L"Sqlite3 error") != std::wstring::npos)
                return true;
        return false;
    }

    int TotalChanges() { return sqlite3_total_changes(DB().handle()); }
};

TEST_F(QuickSearchQueryTest, TypedTextIsWordsNeverSyntax)
{
    DB();
    const std::int64_t meeting = Add({L"Meeting notes", L"Tomorrow we meet O'Brien at noon"});
    const std::int64_t summer = Add({L"", L"\u00C9t\u00E9 \u00E0 Paris\r\nsecond line"});
    const std::int64_t paths = Add({L"Paths", L"copy C:\\temp\\file unbalanced"});
    const std::int64_t trees = Add({L"Trees", L"near 3 trees"});
    struct SCase {
        const wchar_t* typed;
        Ids expected;
    };
    const SCase cases[] = {
        {L"meet", {meeting}},
        {L"tomorrow meet", {meeting}},
        {L"o'brien", {meeting}},
        {L"\"unbal", {paths}},
        {L"-tomorrow", {meeting}},                 // not NOT
        {L"meeting OR paris", {}},                  // "or" is a word no note has
        {L"NEAR/3", {trees}},                        // the words near and 3
        {L"*", {}},
        {L"meet ", {meeting}},
        {L"!?.,;", {}},
        {L"C:\\temp", {paths}},
        {L"\u00C9T\u00C9", {summer}},              // folded as the table folds
        {L"second paris", {summer}},
        {L"", {}},
        {L"(", {}},
        {L"name:meeting", {}},                      // no note has the word "name"
    };
    for (const SCase& c : cases)
        EXPECT_EQ(IdsOf(c.typed), c.expected) << testing::PrintToString(std::wstring(c.typed));
}

TEST_F(QuickSearchQueryTest, AnIdsDigitsFindANoteOnlyThroughItsTextOrTitle)
{
    DB();
    Add({L"Alpha", L"first"});
    const std::int64_t second = Add({L"Beta", L"second"});
    const std::int64_t holder = Add({L"Gamma", (L"mentions " + std::to_wstring(second)).c_str()});
    EXPECT_EQ(IdsOf(std::to_wstring(second)), Ids{holder});
    EXPECT_EQ(IdsOf(std::to_wstring(holder)), Ids{}) << "the id column is no word of the note";
}

TEST_F(QuickSearchQueryTest, LockedNotesAreFoundByTheirTitleAloneAndShowNoText)
{
    DB();
    const std::int64_t vault = Add({L"Vault plans", L"first line\r\nsecretword inside", true, L"pw"});
    const std::int64_t diary = Add({L"Diary", L"private thoughts", false, L"pw"});
    struct SCase {
        const wchar_t* typed;
        Ids expected;
    };
    const SCase cases[] = {
        {L"secretword", {}},
        {L"secr", {}},
        {L"vault", {vault}},
        {L"vault pla", {vault}},
        {L"vault secretword", {}},
        {L"secretword vault", {}},
        {L"first", {}},
        {L"private", {diary}},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(IdsOf(c.typed), c.expected) << testing::PrintToString(std::wstring(c.typed));

    const std::vector<QuickSearchResult> locked = Search(L"vault");
    ASSERT_EQ(locked.size(), 1u);
    EXPECT_TRUE(locked[0].locked);
    EXPECT_EQ(locked[0].title, L"Vault plans");
    EXPECT_EQ(locked[0].snippet, L"");
    const std::vector<QuickSearchResult> open = Search(L"private");
    ASSERT_EQ(open.size(), 1u);
    EXPECT_FALSE(open[0].locked) << "a password alone does not lock";
    EXPECT_EQ(open[0].snippet, L"[private] thoughts");
    EXPECT_EQ(open[0].color, RGB(250, 240, 200));
    EXPECT_EQ(open[0].textColor, RGB(10, 20, 30));

    // Typing on fills the same rows again: nothing of the last row stays.
    std::vector<QuickSearchResult> typing;
    ASSERT_TRUE(DoQuickSearch(L"private", typing));
    ASSERT_TRUE(DoQuickSearch(L"vault", typing));
    ASSERT_EQ(typing.size(), 1u);
    EXPECT_EQ(typing[0].id, vault);
    EXPECT_TRUE(typing[0].locked);
    EXPECT_EQ(typing[0].snippet, L"");
    EXPECT_FALSE(DoQuickSearch(L"secretword", typing));
    EXPECT_TRUE(typing.empty());
}

TEST_F(QuickSearchQueryTest, TextOnlyLockedHitsTakeNoneOfTheRows)
{
    DB();
    for (int i = 0; i < 20; ++i)
        Add({L"Locked", L"commonword", true});
    Ids good;
    for (int i = 0; i < 5; ++i)
        good.push_back(Add({L"Open", L"commonword"}));
    EXPECT_EQ(IdsOf(L"commonword"), good);

    for (int i = 0; i < 30; ++i)
        Add({L"Many", L"everywhere"});
    EXPECT_EQ(IdsOf(L"everywhere").size(), kQuickSearchRows);
}

TEST_F(QuickSearchQueryTest, LineBreaksInASnippetAreBlanksAndTheTitleIsTheDisplayName)
{
    DB();
    const std::int64_t id = Add({L"", L"alpha\rbeta\ngamma\r\n\r\ndelta"});
    const std::vector<QuickSearchResult> results = Search(L"alpha");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].id, id);
    // The snippet may also take the title, which holds the word too.
    EXPECT_NE(results[0].snippet.find(L"[alpha] beta gamma  delta"), std::wstring::npos) << results[0].snippet;
    EXPECT_EQ(results[0].snippet.find_first_of(L"\r\n"), std::wstring::npos);
    EXPECT_EQ(results[0].title, L"alpha\rbeta");
}

TEST_F(QuickSearchQueryTest, TextInEveryScriptComesBackIdenticalAndAReadWritesNoRow)
{
    DB();
    const std::wstring title = L"Za\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144";
    const std::wstring text = L"I\u011Fd\u0131r \u0131l\u0131k Ti\u1EBFng Vi\u1EC7t \u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC "
                              L"\u041A\u0438\u0440\u0438\u043B\u043B\u0438\u0446\u0430 \u6F22\u5B57\u304B\u306A \U0001F600 end";
    const std::int64_t id = Add({title.c_str(), text.c_str()});
    const int changes = TotalChanges();
    for (const wchar_t* typed : {L"g\u0119\u015Bl\u0105", L"I\u011Fd\u0131r", L"vi\u1EC7t", L"\u0395\u039B\u039B\u0397\u039D",
                                 L"\u043A\u0438\u0440\u0438\u043B", L"\u6F22\u5B57", L"ja\u017A\u0144 end"}) {
        const std::vector<QuickSearchResult> results = Search(typed);
        ASSERT_EQ(results.size(), 1u) << testing::PrintToString(std::wstring(typed));
        EXPECT_EQ(results[0].id, id);
        EXPECT_EQ(results[0].title, title);
    }
    const std::vector<QuickSearchResult> last = Search(L"end");
    ASSERT_EQ(last.size(), 1u);
    EXPECT_NE(last[0].snippet.find(L"\u6F22\u5B57\u304B\u306A \U0001F600 [end]"), std::wstring::npos) << last[0].snippet;
    EXPECT_EQ(TotalChanges(), changes);

    // A restart and a second store: the same rows.
    m_manager.CloseAll();
    m_manager.CloseDB();
    CNote* again = m_manager.GetNote(id);
    ASSERT_NE(again, nullptr);
    again->SetModified(true);
    ASSERT_TRUE(m_manager.StoreNote(again));
    const std::vector<QuickSearchResult> results = Search(L"vi\u1EC7t");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].title, title);
}

TEST_F(QuickSearchQueryTest, ASqliteErrorOrNoDatabaseListsNothing)
{
    DB();
    Add({L"Kept", L"something"});
    // The idle close between two keys: the tokenizer comes back by itself.
    m_manager.CloseDB();
    EXPECT_EQ(IdsOf(L"some").size(), 1u);

    DB().execDML(L"DROP TABLE search2;");
    CLogCapture log;
    std::vector<QuickSearchResult> results;
    EXPECT_FALSE(DoQuickSearch(L"some", results));
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(LogHasLineStarting(log, L"CQuickSearchDlg::DoSearch Sqlite3 error 1 : ")) << log.Lines().size();

    m_manager.CloseDB();
    m_manager.SetDatabasePath(L"");
    EXPECT_FALSE(DoQuickSearch(L"some", results));
    EXPECT_TRUE(results.empty());
}

TEST_F(QuickSearchQueryTest, APastedTextOfManyWordsIsNoError)
{
    DB();
    const std::int64_t id = Add({L"Long", L"alpha beta"});
    std::wstring pasted;
    for (int i = 0; i < 3000; ++i)
        pasted += L"alpha ";
    EXPECT_EQ(IdsOf(pasted + L"bet"), Ids{id});
    EXPECT_EQ(IdsOf(L"beta alpha beta"), Ids{id});

    std::wstring distinct = L"alpha ";
    for (size_t i = 1; i < kQuickSearchMostWords; ++i)
        distinct += L"w" + std::to_wstring(i) + L" ";
    EXPECT_EQ(IdsOf(distinct), Ids{}) << "the most words: a query, no error";
    EXPECT_EQ(IdsOf(distinct + L"one more"), Ids{}) << "too many words to search for: none";
}

TEST(QuickSearchMatch, EachWordInTitleOrTextTheLastAsAPrefix)
{
    EXPECT_EQ(BuildQuickSearchMatch({}), L"");
    EXPECT_EQ(BuildQuickSearchMatch({L"meet"}), L"(name:meet* OR text:meet*)");
    EXPECT_EQ(BuildQuickSearchMatch({L"tom", L"meet"}), L"(name:tom OR text:tom) (name:meet* OR text:meet*)");
}

} // namespace
