// The text column of older files rewritten as plain text: the RTF older
// programs kept there moves to the shown text, the notes become searchable
// by their words, their update dates stay, and a note whose store fails
// keeps its row while the others are rewritten; the file owes the rewrite
// until an open manages it.
#include <gtest/gtest.h>

#include <string>

#include "DatabaseLifeSupport.h"
#include "notestore/Note.h"
#include "notestore/NoteSchema.h"

namespace {

const wchar_t kRtf3[] = L"{\\rtf1\\ansi\\deff0 Ask Tom about the \\b temp\\b0  folder}";
const wchar_t kRtf21[] = L"{\\rtf1\\ansi\\deff0 Order beans at the Caf\\'e9}";

std::wstring TextOf(CPeek& peek, const wchar_t* column, int id)
{
    return peek.Text(std::wstring(L"select cast(") + column + L" as text) from notes where id = " +
                     std::to_wstring(id) + L";");
}

double UpdateDateOf(CPeek& peek, int id)
{
    return peek.DB().execQuery((L"select lastupdatedate from notes where id = " + std::to_wstring(id)).c_str())
        .getFloatField(0);
}

std::wstring Matching(CPeek& peek, const wchar_t* word)
{
    return peek.Text(std::wstring(L"select group_concat(id) from search2 where search2 match '") + word + L"';");
}

} // namespace

TEST(TextRewrite, OlderRtfBecomesPlainSearchableTextWithItsDatesKept)
{
    CRun run;
    run.UseFixture(L"v07-rtf.dat");
    ASSERT_NE(run.Manager().GetDB(), nullptr);
    EXPECT_TRUE(run.Log().Contains(L"UpdateTextField"));
    EXPECT_TRUE(run.Log().Contains(L"UpdateTextField - rewrote 4 notes"));
    run.Manager().CloseAll();

    CPeek peek(run.File());
    EXPECT_FALSE(IsTextRewriteOwed(peek.DB()));
    EXPECT_EQ(TextOf(peek, L"text", 3), L"Ask Tom about the temp folder");
    EXPECT_EQ(TextOf(peek, L"text", 21), L"Order beans at the Caf\u00E9");
    EXPECT_EQ(TextOf(peek, L"displaytext", 3), kRtf3);
    EXPECT_EQ(TextOf(peek, L"displaytext", 21), kRtf21);
    // Plain notes stay as they were, now also as their shown text.
    EXPECT_EQ(TextOf(peek, L"text", 8), L"Shopping\r\nMilk");
    EXPECT_EQ(TextOf(peek, L"displaytext", 8), L"Shopping\r\nMilk");
    // The escape split the word: only the plain text makes it one.
    EXPECT_EQ(Matching(peek, L"caf\u00E9"), L"21");
    EXPECT_EQ(Matching(peek, L"rtf1"), L"");
    EXPECT_EQ(UpdateDateOf(peek, 3), 45001.5);
    EXPECT_EQ(UpdateDateOf(peek, 21), 45003.0);
    EXPECT_EQ(peek.Text(L"select group_concat(d, '|') from (select displayname d from notes order by id);"),
              L"Tom's C:\\temp|Shopping|Caf\u00E9|Window spot");
}

// A refused store leaves that note's row as it was, the others are rewritten
// all the same, and the file still owes the rewrite until an open finishes it.
TEST(TextRewrite, ANoteThatCannotBeStoredKeepsItsRowAndTheRewriteIsTriedAgain)
{
    CRun run;
    run.UseFixture(L"v07-rtf.dat");
    CPeek(run.File()).DB().execDML(
        L"CREATE TRIGGER refuse21 BEFORE UPDATE OF displaytext ON notes WHEN old.id = 21 "
        L"BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    ASSERT_NE(run.Manager().GetDB(), nullptr);
    EXPECT_TRUE(run.Log().Contains(L"UpdateTextField - rewrote 3 notes"));
    EXPECT_TRUE(run.Log().Contains(L"Rewriting the text column failed; the next open tries again"));
    run.Manager().CloseAll();
    {
        CPeek peek(run.File());
        EXPECT_TRUE(IsTextRewriteOwed(peek.DB()));
        EXPECT_EQ(TextOf(peek, L"text", 3), L"Ask Tom about the temp folder");
        EXPECT_EQ(TextOf(peek, L"text", 21), kRtf21);
        EXPECT_EQ(peek.Scalar(L"select displaytext is null from notes where id = 21;"), 1);
        EXPECT_EQ(UpdateDateOf(peek, 21), 45003.0);
        peek.DB().execDML(L"DROP TRIGGER refuse21;");
    }

    run.Log().Clear();
    ASSERT_NE(run.Manager().GetDB(), nullptr);
    EXPECT_TRUE(run.Log().Contains(L"UpdateTextField - rewrote 4 notes"));
    run.Manager().CloseAll();
    CPeek peek(run.File());
    EXPECT_FALSE(IsTextRewriteOwed(peek.DB()));
    EXPECT_EQ(TextOf(peek, L"text", 21), L"Order beans at the Caf\u00E9");
    EXPECT_EQ(UpdateDateOf(peek, 21), 45003.0);
}

TEST(TextRewrite, NothingWithoutADatabaseOrWhileAnotherGuardedOperationRuns)
{
    CLogCapture log;
    CNoteManager noPath;
    EXPECT_FALSE(CNote::UpdateTextField(noPath));
    EXPECT_TRUE(log.Contains(L"No database\n"));

    CRun run;
    run.UseFixture(L"v07-rtf.dat");
    ASSERT_NE(run.Manager().GetDB(), nullptr);
    run.Log().Clear();
    const CSingleFunctionEntry held(L"SomethingLong");
    EXPECT_FALSE(CNote::UpdateTextField(run.Manager()));
    EXPECT_TRUE(run.Logged(L"CSingleFunctionEntry - Function UpdateTextField already running"));
    EXPECT_FALSE(run.Log().Contains(L"UpdateTextField"));
}
