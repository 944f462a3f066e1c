// The note manager's notes by id and by window: what a store, a failed store,
// a delete and a prune leave in the file and in memory; windows that may or
// may not hold a note; listeners; id lists; and received notes made safe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "RecordTestSupport.h"
#include "foundation/Seams.h"
#include "notestore/Note.h"
#include "notestore/RtfObjects.h"
#include "notestore/Transaction.h"
#include "tests/support/ComApartment.h"

namespace {

using Event = std::pair<CNote*, CNoteManager::eNoteDisplay>;

// Records what it is told and answers as set.
struct CListenerLog {
    bool OnDisplay(CNote* note, CNoteManager::eNoteDisplay event)
    {
        events.emplace_back(note, event);
        return answer;
    }
    CNoteManager::CDisplayListener Delegate()
    {
        return CNoteManager::CDisplayListener::Bind<&CListenerLog::OnDisplay>(this);
    }

    std::vector<Event> events;
    bool answer = true;
};

// The note window class as the shell registers it (one pointer of window
// data), and another class that keeps something else there.
const wchar_t kOtherClass[] = L"QuilletTestOtherWClass";

class NoteManagerTest : public CNoteStoreTest {
protected:
    void SetUp() override
    {
        CNoteStoreTest::SetUp();
        ASSERT_TRUE(m_com.Initialised());
        RegisterTestWindowClass(L"NoteWClass");
        RegisterTestWindowClass(kOtherClass);
    }
    void TearDown() override
    {
        m_manager.CloseAll();
        CNoteStoreTest::TearDown();
    }

    // A note of the manager's, stored with that text.
    CNote* StoredNote(const wchar_t* text, bool visible = false)
    {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().text = text;
        note->Row().visible = visible;
        EXPECT_TRUE(m_manager.StoreNote(note));
        return note;
    }

    std::wstring PathOfFile() const { return m_dir.File(L"QUILLT40.DAT"); }

    // SQL from another connection on the same file.
    void ExecOther(const wchar_t* sql)
    {
        CppSQLite3DB other;
        other.open(PathOfFile().c_str());
        other.execDML(sql);
    }

    std::int64_t Matches(const wchar_t* word)
    {
        return Scalar((std::wstring(L"select count(*) from search2 where search2 match '") + word + L"'").c_str());
    }

    CComApartment m_com;
};

// A full-text row found by `id` would be a scan of the whole table, and a
// docid that drifts from the note's id makes every start rebuild the tables.
TEST_F(NoteManagerTest, FullTextRowIsKeyedByTheNotesId)
{
    CNote* first = StoredNote(L"first");
    ExecOther(L"insert into search2 (docid, id, name, text) values (500, 500, 'stray', 'stray');");
    CNote* note = StoredNote(L"alpha");
    const std::int64_t id = note->GetId();
    ASSERT_GT(id, first->GetId());
    const std::wstring docidOfNote = L"select docid from search2 where id = " + std::to_wstring(id);
    EXPECT_EQ(Scalar(docidOfNote.c_str()), id);

    note->Row().text = L"beta";
    ASSERT_TRUE(m_manager.StoreNote(note));
    EXPECT_EQ(Scalar(L"select docid from search2 where search2 match 'beta'"), id);
    EXPECT_EQ(Scalar(L"select count(*) from search2"), 3);
}

TEST_F(NoteManagerTest, StoreWritesOneNoteRowAndOneFullTextRow)
{
    CNote* note = StoredNote(L"alpha words");
    const std::int64_t id = note->GetId();
    ASSERT_GT(id, 0);
    EXPECT_FALSE(note->IsModified());
    EXPECT_EQ(Scalar(L"select count(*) from notes"), 1);
    EXPECT_EQ(Scalar(L"select count(*) from search2"), 1);
    EXPECT_EQ(Scalar(L"select id from search2 where search2 match 'alpha'"), id);
    EXPECT_EQ(Scalar(L"select count(*) from notes where displayname = 'alpha words'"), 1);
    EXPECT_EQ(m_manager.GetNote(id), note);   // the store moved it into the id map

    note->Row().text = L"beta text";
    ASSERT_TRUE(m_manager.StoreNote(note));
    EXPECT_EQ(note->GetId(), id);
    EXPECT_EQ(Scalar(L"select count(*) from notes"), 1);
    EXPECT_EQ(Scalar(L"select count(*) from search2"), 1);
    EXPECT_EQ(Scalar(L"select id from search2 where search2 match 'beta'"), id);
    EXPECT_EQ(Matches(L"alpha"), 0);

    CLogCapture log;
    note->SetNoStore(true);
    note->Row().text = L"gamma";
    EXPECT_TRUE(m_manager.StoreNote(note));
    EXPECT_TRUE(log.Contains(L"Not storing locked note"));
    EXPECT_EQ(Matches(L"gamma"), 0);
    EXPECT_FALSE(m_manager.StoreNote(nullptr));
}

TEST_F(NoteManagerTest, FailedStoreLosesNothingAndTheNextOneSucceeds)
{
    struct Case {
        const char* what;
        bool storedBefore;
        const wchar_t* breakSql;
        const wchar_t* mendSql;
    };
    const Case cases[] = {
        {"insert refused", false,
         L"CREATE TRIGGER refuse BEFORE INSERT ON notes BEGIN SELECT RAISE(ABORT, 'refused'); END;",
         L"DROP TRIGGER refuse;"},
        {"full-text row fails after the note row", false, L"ALTER TABLE search2 RENAME TO search2_away;",
         L"ALTER TABLE search2_away RENAME TO search2;"},
        {"update refused", true,
         L"CREATE TRIGGER refuse BEFORE UPDATE ON notes BEGIN SELECT RAISE(ABORT, 'refused'); END;",
         L"DROP TRIGGER refuse;"},
        {"file locked by another program", true, L"BEGIN EXCLUSIVE;", L"COMMIT;"},
    };
    DB().setBusyTimeout(200);
    for (const Case& c : cases) {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().text = L"before";
        if (c.storedBefore) {
            ASSERT_TRUE(m_manager.StoreNote(note)) << c.what;
        }
        const std::int64_t idBefore = note->GetId();
        const std::int64_t notesBefore = Scalar(L"select count(*) from notes");
        const std::int64_t searchBefore = Scalar(L"select count(*) from search2");

        CppSQLite3DB other;
        other.open(PathOfFile().c_str());
        other.execDML(c.breakSql);
        CLogCapture log;
        note->Row().text = L"after";
        note->SetModified(false);
        EXPECT_FALSE(m_manager.StoreNote(note)) << c.what;
        other.execDML(c.mendSql);
        other.close();

        EXPECT_EQ(note->GetId(), idBefore) << c.what;   // a new note is still new
        EXPECT_TRUE(note->IsModified()) << c.what;
        bool logged = false;
        for (const std::wstring& line : log.Lines())
            logged |= line.rfind(L"CNoteManager::StoreNote Sqlite3 error ", 0) == 0;
        EXPECT_TRUE(logged) << c.what;
        EXPECT_EQ(Scalar(L"select count(*) from notes"), notesBefore) << c.what;
        EXPECT_EQ(Scalar(L"select count(*) from search2"), searchBefore) << c.what;
        EXPECT_EQ(Scalar(L"select count(*) from notes where id = -1"), 0) << c.what;
        EXPECT_EQ(Scalar(L"select count(*) from notes where CAST(text AS TEXT) = 'after'"), 0) << c.what;

        ASSERT_TRUE(m_manager.StoreNote(note)) << c.what;
        EXPECT_GT(note->GetId(), 0) << c.what;
        EXPECT_FALSE(note->IsModified()) << c.what;
        EXPECT_EQ(Matches(L"after"), 1) << c.what;
        EXPECT_EQ(m_manager.GetNote(note->GetId()), note) << c.what;
        ASSERT_TRUE(m_manager.DeleteNote(note)) << c.what;
    }
}

TEST_F(NoteManagerTest, CacheHoldsOneObjectPerIdAndOnlyWhatExists)
{
    const std::int64_t id = StoredNote(L"cached text")->GetId();
    m_manager.CloseAll();

    CNote* first = m_manager.GetNote(id);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Row().text, L"cached text");
    ExecOther(L"update notes set text = 'changed behind'");
    EXPECT_EQ(m_manager.GetNote(id), first);
    EXPECT_EQ(first->Row().text, L"cached text");

    // A missing id caches nothing: once the row is there, it is found.
    EXPECT_EQ(m_manager.GetNote(id + 50), nullptr);
    ExecOther((L"insert into notes (id, text) values (" + std::to_wstring(id + 50) + L", 'late')").c_str());
    ASSERT_NE(m_manager.GetNote(id + 50), nullptr);
    EXPECT_EQ(m_manager.GetNote(id + 50)->Row().text, L"late");

    // Notes without an id never share a key.
    CNote* a = m_manager.AddNote(std::make_unique<CNote>());
    CNote* b = m_manager.AddNote(std::make_unique<CNote>());
    ASSERT_TRUE(m_manager.StoreNote(a));
    ASSERT_TRUE(m_manager.StoreNote(b));
    EXPECT_NE(a->GetId(), b->GetId());
    EXPECT_EQ(m_manager.GetNote(a->GetId()), a);
    EXPECT_EQ(m_manager.GetNote(b->GetId()), b);

    CLogCapture log;
    auto twin = std::make_unique<CNote>();
    twin->SetId(a->GetId());
    EXPECT_EQ(m_manager.AddNote(std::move(twin)), nullptr);
    EXPECT_EQ(m_manager.GetNote(a->GetId()), a);
    EXPECT_TRUE(log.Contains(L"CNoteManager::AddNote refused a second note with id " + std::to_wstring(a->GetId())));

    // A row gone from under a note reads nothing.
    ExecOther((L"delete from notes where id = " + std::to_wstring(b->GetId())).c_str());
    EXPECT_FALSE(m_manager.ReadNote(b));
    CNote fresh;
    EXPECT_TRUE(m_manager.ReadNote(&fresh));   // no id: nothing to read
}

TEST_F(NoteManagerTest, PruneFreesOnlyHiddenUnchangedNotesAndNeverOnReopen)
{
    {
        CTransaction tx(DB());
        for (int id = 1; id <= 101; ++id) {
            CStdStr sql;
            sql.Format(L"insert into notes (id, visible, text) values (%d, %d, 'n%d')", id, id % 10 == 0, id);
            DB().execDML(sql.c_str());
        }
        tx.Commit();
    }
    // A mark in memory only: a note read again from the file has none.
    auto load = [&](int id) {
        CNote* note = m_manager.GetNote(id);
        ASSERT_NE(note, nullptr);
        note->Row().creator = L"mark";
        if (id % 10 == 5)
            note->SetModified(true);
    };
    auto marked = [&](int id) { return m_manager.GetNote(id)->Row().creator == L"mark"; };

    for (int id = 1; id <= 99; ++id)
        load(id);
    m_manager.PruneCache();
    for (int id = 1; id <= 99; ++id)
        ASSERT_TRUE(marked(id)) << "99 notes cached: nothing goes, note " << id;

    load(100);
    m_manager.CloseDB();
    load(101);   // opens the file again with 101 notes cached
    for (int id = 1; id <= 101; ++id)
        ASSERT_TRUE(marked(id)) << "an open prunes nothing, note " << id;

    m_manager.PruneCache();
    for (int id = 1; id <= 101; ++id) {
        const bool kept = id % 10 == 0 || id % 10 == 5;   // visible, or holding a change
        EXPECT_EQ(marked(id), kept) << "note " << id;
    }
}

TEST_F(NoteManagerTest, DeleteTakesEveryRowAndTheWindowOrNothing)
{
    CNote* note = StoredNote(L"to go");
    const std::int64_t id = note->GetId();
    CStdStr sql;
    sql.Format(L"insert into attachnotes (noteid, windowtitle) values (%I64d, 'Editor')", id);
    DB().execDML(sql.c_str());
    sql.Format(L"insert into search (id, name, text) values (%I64d, 'to go', 'to go')", id);
    DB().execDML(sql.c_str());
    ASSERT_TRUE(note->CreateBareWindow());
    const HWND window = note->GetHwnd();
    m_manager.AddWindow(note);
    CListenerLog listener;
    m_manager.AddDisplayListener(listener.Delegate());

    auto rows = [&] {
        CStdStr count;
        count.Format(L"select (select count(*) from notes where id = %I64d) + (select count(*) from attachnotes "
                     L"where noteid = %I64d) + (select count(*) from search where id = %I64d) + (select count(*) "
                     L"from search2 where id = %I64d)",
                     id, id, id, id);
        return Scalar(count.c_str());
    };
    ASSERT_EQ(rows(), 4);

    ExecOther(L"CREATE TRIGGER refuse BEFORE DELETE ON notes BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    EXPECT_FALSE(m_manager.DeleteNote(note));
    EXPECT_EQ(rows(), 4);
    EXPECT_EQ(m_manager.GetNote(id), note);
    EXPECT_EQ(m_manager.GetNoteFromWindow(window), note);
    EXPECT_TRUE(listener.events.empty());

    ExecOther(L"DROP TRIGGER refuse;");
    EXPECT_TRUE(m_manager.DeleteNote(note));
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(listener.events, (std::vector<Event>{{note, CNoteManager::eNoteDeleted}}));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(m_manager.GetNoteFromWindow(window), nullptr);
    EXPECT_EQ(m_manager.GetNote(id), nullptr);
    m_manager.RemoveDisplayListener(listener.Delegate());
}

TEST_F(NoteManagerTest, NoteFromWindowTrustsOnlyTheMapAndOwnNoteWindows)
{
    CNote mapped;
    CNote unmapped;
    CNote elsewhere;
    ASSERT_TRUE(mapped.CreateBareWindow());
    ASSERT_TRUE(unmapped.CreateBareWindow());
    m_manager.AddWindow(&mapped);
    // The map wins over what the window carries.
    SetWindowLongPtrW(mapped.GetHwnd(), 0, reinterpret_cast<LONG_PTR>(&elsewhere));
    EXPECT_EQ(m_manager.GetNoteFromWindow(mapped.GetHwnd()), &mapped);
    EXPECT_EQ(m_manager.GetNoteFromWindow(unmapped.GetHwnd()), &unmapped);

    const HWND other = CreateWindowExW(0, kOtherClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetWindowLongPtrW(other, 0, 1);   // a dialog's message result, say
    EXPECT_EQ(m_manager.GetNoteFromWindow(other), nullptr);
    DestroyWindow(other);
    EXPECT_EQ(m_manager.GetNoteFromWindow(other), nullptr);

    const HWND gone = mapped.GetHwnd();
    DestroyWindow(gone);
    EXPECT_EQ(m_manager.GetNoteFromWindow(gone), nullptr);
    EXPECT_EQ(m_manager.GetNoteFromWindow(nullptr), nullptr);
    m_manager.RemoveWindow(&mapped);
    m_manager.RemoveWindow(&unmapped);
}

TEST_F(NoteManagerTest, SaveModifiedNotesStoresEachAloneAndTellsOnlyAfterSuccess)
{
    CNote* failing = StoredNote(L"one");
    CNote* saved = StoredNote(L"two");
    CNote* untouched = StoredNote(L"three");
    for (CNote* note : {failing, saved, untouched}) {
        ASSERT_TRUE(note->CreateBareWindow());
        m_manager.AddWindow(note);
    }
    CListenerLog listener;
    m_manager.AddDisplayListener(listener.Delegate());
    ExecOther(L"CREATE TRIGGER refuse BEFORE UPDATE ON notes WHEN CAST(new.text AS TEXT) = 'fail' "
              L"BEGIN SELECT RAISE(ABORT, 'refused'); END;");

    failing->Row().text = L"fail";
    failing->SetModified(true);
    saved->Row().text = L"two saved";
    saved->SetModified(true);
    EXPECT_FALSE(m_manager.SaveModifiedNotes());
    EXPECT_TRUE(failing->IsModified());
    EXPECT_FALSE(saved->IsModified());
    EXPECT_EQ(Scalar(L"select count(*) from notes where CAST(text AS TEXT) = 'two saved'"), 1);
    EXPECT_EQ(Scalar(L"select count(*) from notes where CAST(text AS TEXT) = 'one'"), 1);
    EXPECT_EQ(listener.events, (std::vector<Event>{{saved, CNoteManager::eNoteChanged}}));

    ExecOther(L"DROP TRIGGER refuse;");
    listener.events.clear();
    EXPECT_TRUE(m_manager.SaveModifiedNotes());
    EXPECT_FALSE(failing->IsModified());
    EXPECT_EQ(Scalar(L"select count(*) from notes where CAST(text AS TEXT) = 'fail'"), 1);
    EXPECT_EQ(listener.events, (std::vector<Event>{{failing, CNoteManager::eNoteChanged}}));
    m_manager.RemoveDisplayListener(listener.Delegate());
}

TEST_F(NoteManagerTest, ListenersAreToldInOrderUntilOneSaysNo)
{
    CListenerLog logs[3];   // set order follows the objects' addresses
    for (CListenerLog& log : logs)
        m_manager.AddDisplayListener(log.Delegate());
    m_manager.AddDisplayListener(logs[0].Delegate());   // the same one twice is one
    CNote note;
    EXPECT_TRUE(m_manager.NotifyDisplay(&note, CNoteManager::eNoteHidden));
    logs[1].answer = false;
    EXPECT_FALSE(m_manager.NotifyDisplay(&note, CNoteManager::eNoteShown));
    EXPECT_EQ(logs[0].events.size(), 2u);
    EXPECT_EQ(logs[1].events.size(), 2u);
    EXPECT_EQ(logs[2].events, (std::vector<Event>{{&note, CNoteManager::eNoteHidden}}));

    for (CListenerLog& log : logs)
        m_manager.RemoveDisplayListener(log.Delegate());
    EXPECT_TRUE(m_manager.NotifyDisplay(&note, CNoteManager::eNoteChanged));
    EXPECT_EQ(logs[0].events.size(), 2u);
}

TEST_F(NoteManagerTest, IdListsAndCounts)
{
    DB();
    EXPECT_EQ(m_manager.GetHighestID(), 0);
    EXPECT_EQ(m_manager.GetNoteCount(), 0);
    EXPECT_TRUE(m_manager.GetAllNoteIDs().empty());
    EXPECT_TRUE(m_manager.GetVisibleNoteIDs().empty());

    DB().execDML(L"insert into notes (id, visible, `group`) values (7, 1, 5), (3, 1, 4294967301), (9, 0, 4294967301), "
                 L"(5, 1, 0);");
    EXPECT_EQ(m_manager.GetHighestID(), 9);
    EXPECT_EQ(m_manager.GetNoteCount(), 4);
    EXPECT_EQ(m_manager.GetVisibleNoteIDs(), (std::vector<std::int64_t>{3, 5, 7}));
    EXPECT_EQ(m_manager.GetGroupNoteIDs(0), (std::vector<std::int64_t>{5}));
    std::vector<std::int64_t> wide = m_manager.GetGroupNoteIDs(4294967301LL);
    std::sort(wide.begin(), wide.end());
    EXPECT_EQ(wide, (std::vector<std::int64_t>{3, 9}));   // not group 5, its low half
    EXPECT_EQ(m_manager.GetGroupNoteIDs(5), (std::vector<std::int64_t>{7}));
}

TEST_F(NoteManagerTest, GroupMovesReachCachedNotes)
{
    CNote* moved = StoredNote(L"in group four");
    moved->Row().group = 4;
    CNote* other = StoredNote(L"in group five");
    other->Row().group = 5;
    ASSERT_TRUE(m_manager.StoreNote(moved));
    ASSERT_TRUE(m_manager.StoreNote(other));
    EXPECT_EQ(m_manager.AssignGroupToNotes(6, 4), 2);   // one row, one cached note
    EXPECT_EQ(moved->GetGroup(), 6);
    EXPECT_TRUE(moved->IsModified());
    EXPECT_EQ(other->GetGroup(), 5);
    EXPECT_FALSE(other->IsModified());
}

TEST_F(NoteManagerTest, WithoutADatabaseNothingIsReadWrittenOrCached)
{
    m_manager.SetDatabasePath(L"");
    CNote note;
    EXPECT_EQ(m_manager.GetNote(1), nullptr);
    EXPECT_FALSE(m_manager.ReadNote(&note));
    EXPECT_FALSE(m_manager.StoreNote(&note));
    EXPECT_FALSE(m_manager.DeleteNote(&note));
    EXPECT_FALSE(m_manager.SaveModifiedNotes());
    EXPECT_EQ(m_manager.GetNoteByGuid(GUID{}), nullptr);
    EXPECT_EQ(m_manager.LoadAndShowNote(1), nullptr);
    EXPECT_EQ(m_manager.CreateNoteFromXml(L"<NOTES><note/></NOTES>"), nullptr);
    EXPECT_EQ(m_manager.GetHighestID(), 0);
    EXPECT_EQ(m_manager.GetNoteCount(), 0);
    EXPECT_TRUE(m_manager.GetVisibleNoteIDs().empty());
    EXPECT_TRUE(m_manager.GetGroupNoteIDs(0).empty());
    EXPECT_EQ(m_manager.GetDBUseCount(), 0);
}

TEST_F(NoteManagerTest, CreationWithoutNoteWindowsLeavesNothingBehind)
{
    ASSERT_TRUE(UnregisterClassW(L"NoteWClass", GetModuleHandleW(nullptr)));
    CLogCapture log;
    EXPECT_EQ(m_manager.CreateNewNote(), nullptr);
    EXPECT_TRUE(log.Contains(L"Failed to create note [] Activate=0, FromSaved=0"));
    EXPECT_EQ(m_manager.CreateNoteFromXml(L"<NOTES><note><text>hi</text></note></NOTES>"), nullptr);
    const BYTE legacy[8] = {'S', 'T', 'I', 'C', 33, 0, 1, 0};
    EXPECT_EQ(m_manager.CreateNoteFromBuffer(legacy, sizeof(legacy)), nullptr);
    EXPECT_EQ(Scalar(L"select count(*) from notes"), 0);

    // A stored note loads without a window, free to be stored again.
    const std::int64_t id = StoredNote(L"loaded")->GetId();
    m_manager.CloseAll();
    CNote* loaded = m_manager.LoadAndShowNote(id);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded, m_manager.GetNote(id));
    EXPECT_EQ(loaded->GetHwnd(), nullptr);
    EXPECT_FALSE(loaded->IsNoStore());
    EXPECT_EQ(m_manager.LoadAndShowNote(id + 1), nullptr);
    RegisterTestWindowClass(L"NoteWClass");
}

TEST_F(NoteManagerTest, CloseAllFreesNotesAndTheirWindows)
{
    CNote* note = StoredNote(L"closing");
    ASSERT_TRUE(note->CreateBareWindow());
    const HWND window = note->GetHwnd();
    m_manager.AddWindow(note);
    m_manager.CloseAll();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(m_manager.GetNoteFromWindow(window), nullptr);
}

TEST_F(NoteManagerTest, NoteByGuidFindsTheStoredNote)
{
    CNote* note = StoredNote(L"by guid");
    const GUID guid = {0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}};
    note->SetGuid(guid);
    ASSERT_TRUE(m_manager.StoreNote(note));
    const std::int64_t id = note->GetId();
    m_manager.CloseAll();
    CNote* found = m_manager.GetNoteByGuid(guid);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetId(), id);
    EXPECT_TRUE(IsEqualGUID(found->GetGuid(), guid));   // the binary GUID follows the text read
    EXPECT_EQ(m_manager.GetNoteByGuid(GUID{}), nullptr);
}

}  // namespace

namespace {

// Notes with windows, so that a save-all takes them: some stored, some new.
class StoreBatchTest : public NoteManagerTest {
protected:
    CNote* WindowNote(const wchar_t* text, bool stored)
    {
        CNote* note = stored ? StoredNote(text) : m_manager.AddNote(std::make_unique<CNote>());
        note->Row().text = text;
        EXPECT_TRUE(note->CreateBareWindow());
        m_manager.AddWindow(note);
        note->SetModified(true);
        return note;
    }

    std::int64_t RowsWithText(const std::wstring& text)
    {
        return Scalar((L"select count(*) from notes where CAST(text AS TEXT) = '" + text + L"'").c_str());
    }

    static int StoreFailures(const CLogCapture& log)
    {
        int lines = 0;
        for (const std::wstring& line : log.Lines())
            lines += line.rfind(L"CNoteManager::StoreNote Sqlite3 error ", 0) == 0;
        return lines;
    }
};

// One note of a save-all fails. The batch goes back and each note is stored
// alone: every other note is written once, the failing one is as before, and
// nothing is freed. RAISE(ROLLBACK) ends the whole transaction inside SQLite;
// RAISE(FAIL) after the insert leaves the note row in the open transaction.
TEST_F(StoreBatchTest, OneFailingNoteLosesNothingElse)
{
    // The batch writes stored notes in id order (2, then 3), new ones after them.
    struct Case {
        const char* what;
        const wchar_t* trigger;
        int failing;   // index into the five notes: 0, 1 and 4 are new
    };
    const Case cases[] = {
        {"SQLite ends the transaction at a new note, after the stored ones",
         L"CREATE TRIGGER refuse BEFORE INSERT ON notes WHEN CAST(new.text AS TEXT) LIKE 'fail%' "
         L"BEGIN SELECT RAISE(ROLLBACK, 'refused'); END;", 0},
        {"SQLite ends the transaction at the first note",
         L"CREATE TRIGGER refuse BEFORE UPDATE ON notes WHEN CAST(new.text AS TEXT) LIKE 'fail%' "
         L"BEGIN SELECT RAISE(ROLLBACK, 'refused'); END;", 2},
        {"statement fails after writing its row, new note",
         L"CREATE TRIGGER refuse AFTER INSERT ON notes WHEN CAST(new.text AS TEXT) LIKE 'fail%' "
         L"BEGIN SELECT RAISE(FAIL, 'refused'); END;", 4},
        {"statement aborted, second note",
         L"CREATE TRIGGER refuse BEFORE UPDATE ON notes WHEN CAST(new.text AS TEXT) LIKE 'fail%' "
         L"BEGIN SELECT RAISE(ABORT, 'refused'); END;", 3},
    };
    for (const Case& c : cases) {
        std::vector<CNote*> notes;
        for (int i = 0; i < 5; ++i) {
            const bool stored = i == 2 || i == 3;
            notes.push_back(WindowNote((L"n" + std::to_wstring(i)).c_str(), stored));
        }
        CNote* const failing = notes[c.failing];
        const std::int64_t failingId = failing->GetId();
        failing->Row().text = L"fail" + std::to_wstring(c.failing);
        const std::int64_t rowsBefore = Scalar(L"select count(*) from notes");
        ExecOther(c.trigger);

        CLogCapture log;
        EXPECT_FALSE(m_manager.SaveModifiedNotes()) << c.what;
        EXPECT_EQ(StoreFailures(log), 1) << c.what;
        EXPECT_TRUE(failing->IsModified()) << c.what;
        EXPECT_EQ(failing->GetId(), failingId) << c.what;
        EXPECT_EQ(RowsWithText(failing->Row().text), 0) << c.what;
        const std::int64_t newOthers = failingId == -1 ? 2 : 3;
        EXPECT_EQ(Scalar(L"select count(*) from notes"), rowsBefore + newOthers) << c.what;
        for (CNote* note : notes) {
            EXPECT_EQ(m_manager.GetNoteFromWindow(note->GetHwnd()), note) << c.what;
            if (note == failing)
                continue;
            EXPECT_FALSE(note->IsModified()) << c.what;
            EXPECT_EQ(RowsWithText(note->Row().text), 1) << c.what;
            EXPECT_EQ(m_manager.GetNote(note->GetId()), note) << c.what;
        }

        ExecOther(L"DROP TRIGGER refuse;");
        EXPECT_TRUE(m_manager.SaveModifiedNotes()) << c.what;
        EXPECT_EQ(RowsWithText(failing->Row().text), 1) << c.what;
        EXPECT_EQ(m_manager.GetNote(failing->GetId()), failing) << c.what;
        EXPECT_EQ(Scalar(L"select count(*) from notes"), rowsBefore + 3) << c.what;
        EXPECT_EQ(Scalar(L"select count(*) from search2"), Scalar(L"select count(*) from notes")) << c.what;
        for (CNote* note : notes)
            ASSERT_TRUE(m_manager.DeleteNote(note)) << c.what;
    }
}

// Per-note savepoints flush the full-text terms once per note.
TEST_F(StoreBatchTest, ABulkStoreMakesFewFullTextSegments)
{
    std::vector<CNote*> notes;
    for (int i = 0; i < 2000; ++i) {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().text = L"word" + std::to_wstring(i) + L" shared words of a note";
        notes.push_back(note);
    }
    ASSERT_TRUE(m_manager.StoreNotes(notes));
    EXPECT_EQ(Scalar(L"select count(*) from notes"), 2000);
    EXPECT_EQ(Matches(L"word1234"), 1);
    EXPECT_LE(Scalar(L"select count(*) from search2_segdir"), 4);
    for (CNote* note : notes)
        ASSERT_EQ(m_manager.GetNote(note->GetId()), note);
}

// A row deleted behind the cache: the note's own row is a failure to store;
// the full-text row is derived data and is made again.
TEST_F(StoreBatchTest, StoreIntoADeletedRow)
{
    CNote* note = StoredNote(L"original");
    const std::wstring id = std::to_wstring(note->GetId());
    ExecOther((L"delete from search2 where docid = " + id).c_str());
    note->Row().text = L"searchable again";
    note->SetModified(true);
    ASSERT_TRUE(m_manager.StoreNote(note));
    EXPECT_EQ(Matches(L"searchable"), 1);
    EXPECT_EQ(Scalar(L"select count(*) from search2"), 1);

    ExecOther((L"delete from notes where id = " + id).c_str());
    note->Row().text = L"into nothing";
    CLogCapture log;
    EXPECT_FALSE(m_manager.StoreNote(note));
    EXPECT_TRUE(note->IsModified());
    EXPECT_EQ(StoreFailures(log), 1);
    EXPECT_EQ(Scalar(L"select count(*) from notes"), 0);
    EXPECT_EQ(Matches(L"nothing"), 0);
}

// Inside a caller's transaction the store is final only with the outermost
// commit: until then a new note stays out of the id map, and a rollback
// puts every note back as it was, modified.
TEST_F(StoreBatchTest, StoresInsideACallersTransactionSettleWithIt)
{
    CNote* stored = StoredNote(L"stored");
    CNote* fresh = m_manager.AddNote(std::make_unique<CNote>());
    for (const bool commit : {false, true}) {
        stored->Row().text = commit ? L"kept" : L"undone";
        fresh->Row().text = commit ? L"kept" : L"undone";
        {
            CTransaction outer(DB());
            ASSERT_TRUE(m_manager.StoreNote(stored));
            ASSERT_TRUE(m_manager.StoreNote(fresh));
            ASSERT_GT(fresh->GetId(), 0);
            EXPECT_FALSE(fresh->IsModified());
            if (commit)
                outer.Commit();
        }
        EXPECT_EQ(stored->IsModified(), !commit);
        EXPECT_EQ(fresh->IsModified(), !commit);
        EXPECT_EQ(fresh->GetId() == -1, !commit);
        EXPECT_EQ(RowsWithText(L"kept"), commit ? 2 : 0);
    }
    EXPECT_EQ(m_manager.GetNote(fresh->GetId()), fresh);
    EXPECT_EQ(Scalar(L"select count(*) from notes"), 2);
}

// The row id SQLite hands a new note can be one that a cached note still
// holds (its row deleted by another program). The store fails before its
// commit; both objects stay alive and the cache keeps its note.
TEST_F(StoreBatchTest, AnIdHeldInTheCacheFailsTheStoreAndFreesNothing)
{
    CNote* cached = StoredNote(L"cached");
    ExecOther((L"delete from notes where id = " + std::to_wstring(cached->GetId())).c_str());
    CNote* fresh = m_manager.AddNote(std::make_unique<CNote>());
    fresh->Row().text = L"fresh";
    CLogCapture log;
    EXPECT_FALSE(m_manager.StoreNote(fresh));
    EXPECT_TRUE(log.Contains(L"CNoteManager::StoreNote Sqlite3 error 1000 : "
                             L"CPPSQLITE_ERROR[1000]: Another note object holds the new id"));
    EXPECT_EQ(fresh->GetId(), -1);
    EXPECT_TRUE(fresh->IsModified());
    EXPECT_EQ(fresh->Row().text, L"fresh");
    EXPECT_EQ(m_manager.GetNote(cached->GetId()), cached);
    EXPECT_EQ(Scalar(L"select count(*) from notes"), 0);
}

TEST_F(StoreBatchTest, ManyNotesLoadInOneReadAsOneByOne)
{
    std::vector<std::int64_t> ids;
    for (const wchar_t* text : {L"one", L"two", L"three"})
        ids.push_back(StoredNote(text)->GetId());
    DB().execDML((L"insert into attachnotes (noteid, windowtitle) values (" + std::to_wstring(ids[1]) +
                  L", 'Editor')").c_str());
    m_manager.CloseAll();
    ids.insert(ids.begin() + 1, ids.back() + 10);   // no such note

    const std::vector<CNote*> loaded = m_manager.GetNotes(ids);
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_TRUE(DB().isAutoCommit());
    const std::vector<std::wstring> texts = {L"one", L"two", L"three"};
    for (size_t i = 0; i < loaded.size(); ++i) {
        EXPECT_EQ(loaded[i]->Row().text, texts[i]);
        EXPECT_EQ(m_manager.GetNote(loaded[i]->GetId()), loaded[i]);
    }
    EXPECT_EQ(loaded[1]->Attachment().GetWindowTitle(), L"Editor");
    EXPECT_EQ(loaded[0]->Attachment().GetWindowTitle(), L"");
}

}  // namespace
