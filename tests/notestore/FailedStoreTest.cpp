// No edit is lost to a store that fails: the edit stays in memory and
// modified whether its note still has a window or not, a show in between
// keeps it, and the next good save writes it.
#include <gtest/gtest.h>

#include <richedit.h>

#include <functional>
#include <string>

#include "WindowedStoreTest.h"
#include "notestore/Note.h"
#include "notestore/SQLiteHelp.h"

namespace {

class FailedStoreTest : public CWindowedStoreTest {
protected:
    void Refuse(const wchar_t* raise)
    {
        for (const wchar_t* event : {L"UPDATE", L"INSERT"}) {
            const std::wstring sql = std::wstring(L"CREATE TRIGGER refuse_") + event + L" BEFORE " + event +
                                     L" ON notes BEGIN SELECT RAISE(" + raise + L", 'refused'); END;";
            DB().execDML(sql.c_str());
        }
    }
    void Allow()
    {
        DB().execDML(L"DROP TRIGGER refuse_UPDATE;");
        DB().execDML(L"DROP TRIGGER refuse_INSERT;");
    }
    std::int64_t Rows(const std::wstring& sql) { return Scalar(sql.c_str()); }
    std::wstring Text(const std::wstring& sql)
    {
        CppSQLite3Query row = DB().execQuery(sql.c_str());
        return row.eof() ? L"<no row>" : QueryText(row, 0);
    }

};

TEST_F(FailedStoreTest, AnEditWhoseStoreFailedIsKeptAndWrittenByTheNextSave)
{
    const CGroup* work = CGroups::AddGroup(-1, L"Work", RGB(200, 40, 40));
    ASSERT_NE(work, nullptr);
    ASSERT_TRUE(CGroups::SaveAll());
    const std::int64_t group = work->GetId();
    const COLORREF groupColor = work->GetColor();

    struct Case {
        const char* action;
        bool hiddenFirst;   // the edit is made to a note without a window
        std::function<void(CNoteManager&, CNote&)> act;
        const wchar_t* check;   // SQL giving 1 once the edit is in the file
    };
    const Case cases[] = {
        {"hide", false, [](CNoteManager&, CNote& note) { EXPECT_FALSE(note.HideSticky(false)); },
         L"select count(*) from notes where cast(text as text) = 'edited'"},
        {"group toggle", false, [group](CNoteManager& manager, CNote&) { manager.ToggleGroupVisibility(group); },
         L"select count(*) from notes where cast(text as text) = 'edited'"},
        {"duplicate", false, [](CNoteManager&, CNote& note) { EXPECT_FALSE(note.Duplicate()); },
         L"select count(distinct guid) = 2 and min(length(guid)) = 38 from notes where cast(text as text) = 'edited'"},
        {"title", true, [](CNoteManager&, CNote& note) { note.SetTitle(L"Renamed"); },
         L"select count(*) from notes where name = 'Renamed'"},
        {"group", true, [](CNoteManager&, CNote& note) { note.SetGroup(kNoGroup, 0); },
         L"select count(*) from notes where cast(text as text) = 'edited' and `group` = 0"},
    };
    for (const wchar_t* raise : {L"ABORT", L"ROLLBACK"}) {
        for (const Case& c : cases) {
            const std::string what = std::string(c.action) + ", RAISE(" + std::string(raise, raise + wcslen(raise)) + ")";
            DB().execDML(L"delete from notes;");
            CNote* note = m_manager.CreateNewNote();
            ASSERT_NE(note, nullptr) << what;
            const std::int64_t id = note->GetId();
            ASSERT_TRUE(note->SetGroup(group, groupColor)) << what;
            if (c.hiddenFirst) {
                Type(*note, L"edited");
                ASSERT_TRUE(note->HideSticky(false)) << what;
            } else {
                Type(*note, L"before");
                ASSERT_TRUE(m_manager.SaveModifiedNotes()) << what;
                Type(*note, L"edited");
            }
            Refuse(raise);
            c.act(m_manager, *note);
            note = m_manager.GetNote(id);
            ASSERT_NE(note, nullptr) << what << ": the note is still held";
            EXPECT_TRUE(note->IsModified()) << what;
            EXPECT_FALSE(m_manager.SaveModifiedNotes()) << what << ": the refused save says so";

            ASSERT_TRUE(note->Show(false, true)) << what;
            EXPECT_EQ(note->GetPlainText(), L"edited") << what << ": a show keeps the text in memory";
            if (std::string(c.action) == "title") {
                EXPECT_EQ(note->GetName(), L"Renamed") << what;
            }
            if (std::string(c.action) == "group") {
                EXPECT_EQ(note->GetGroup(), kNoGroup) << what;
            }

            Allow();
            EXPECT_TRUE(m_manager.SaveModifiedNotes()) << what;
            m_manager.CloseAll();
            EXPECT_EQ(Rows(c.check), 1) << what << ": the edit is in the file after the exit";
        }
    }
}

// The hide takes the text from the editor: without it nothing is hidden.
TEST_F(FailedStoreTest, AnUnreadableEditorKeepsTheNoteShownAndFailsItsStore)
{
    CNote* note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    Type(*note, L"typed");
    ASSERT_TRUE(m_manager.SaveModifiedNotes());
    const std::int64_t id = note->GetId();
    Type(*note, L"typed again");
    // An editor whose window is gone cannot be streamed out.
    DestroyWindow(note->GetEditHwnd());

    CLogCapture log;
    EXPECT_FALSE(note->HideSticky(true));
    EXPECT_TRUE(LogHasLineStarting(log, L"HideSticky - note " + std::to_wstring(id)));
    EXPECT_EQ(m_manager.GetNote(id), note);
    EXPECT_TRUE(note->IsVisible());
    EXPECT_TRUE(IsWindowVisible(note->GetHwnd()));

    EXPECT_FALSE(m_manager.StoreNote(note));
    EXPECT_TRUE(note->IsModified()) << "a store without the editor's text is a failed store";
    EXPECT_EQ(Text(L"select text from notes where id = " + std::to_wstring(id)), L"typed");
}

}  // namespace
