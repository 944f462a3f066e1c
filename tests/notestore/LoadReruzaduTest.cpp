// Start-up loading: what the legacy notes file beside the database does to
// the result, the import setting and the rows, and what loading the visible
// notes leaves in the file and the manager.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "foundation/DataPaths.h"
#include "foundation/Preferences.h"
#include "foundation/fileio.h"
#include "notestore/LoadReruzadu.h"
#include "notestore/Note.h"
#include "tests/foundation/FileBytes.h"
#include "tests/support/ComApartment.h"

namespace {

class LoadReruzaduTest : public CNoteStoreTest {
protected:
    void SetUp() override
    {
        CNoteStoreTest::SetUp();
        ASSERT_TRUE(m_com.Initialised());
        RegisterTestWindowClass(L"NoteWClass");
        ASSERT_TRUE(SetDataFilePaths(m_dir.Path().c_str()));
        ASSERT_TRUE(g_prefs.SetIniPath(Ini().c_str()));
        g_prefs.MigrateFromOldFile = true;
        g_prefs.HideAllOnStartup = false;
    }
    void TearDown() override
    {
        m_manager.CloseAll();
        g_prefs = m_savedPrefs;
        CNoteStoreTest::TearDown();
    }

    std::wstring Ini() const { return m_dir.File(L"RERUZADU.INI"); }
    std::wstring LegacyFile() const { return m_dir.File(L"NOTES.DAT"); }
    // The setting as the next start reads it.
    int StoredMigrateFlag() const
    {
        return static_cast<int>(GetPrivateProfileIntW(L"Preferences", L"MigrateFromOldFile", 1, Ini().c_str()));
    }

    CNote* StoredNote(const wchar_t* text, bool visible)
    {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().text = text;
        note->Row().visible = visible;
        EXPECT_TRUE(m_manager.StoreNote(note));
        return note;
    }

    // Every row of `notes`, value by value, as bytes.
    std::string RowBytes()
    {
        std::string bytes;
        CppSQLite3Query rows = DB().execQuery(L"select * from `notes` order by `id`");
        for (; !rows.eof(); rows.nextRow()) {
            for (int field = 0; field < rows.numFields(); ++field) {
                bytes += static_cast<char>(rows.fieldDataType(field));
                if (rows.fieldDataType(field) == SQLITE_FLOAT) {
                    const double value = rows.getFloatField(field);
                    bytes.append(reinterpret_cast<const char*>(&value), sizeof(value));
                    continue;
                }
                int length = 0;
                const unsigned char* blob = rows.getBlobField(field, length);
                bytes.append(reinterpret_cast<const char*>(blob), static_cast<size_t>(length));
                bytes += '|';
            }
        }
        return bytes;
    }

    CLogCapture m_log;
    CComApartment m_com;
    const CPreferences m_savedPrefs = g_prefs;
};

TEST_F(LoadReruzaduTest, TheLegacyFileIsImportedOnlyIntoAnEmptyDatabaseAndRetriedUntilRead)
{
    enum class EFile { kAbsent, kEmpty, kHeldOpen, kNotes };
    struct Case {
        const char* name;
        EFile file;
        int storedNotes;
        int result;
        bool flagAfter;     // in memory and as stored
        const wchar_t* logged;
        int rowsAfter;
    };
    const Case cases[] = {
        { "absent", EFile::kAbsent, 0, 1, false, L"LoadReruzadu - loading 0 visible notes", 0 },
        // An empty file is normal: no error box at start-up.
        { "empty", EFile::kEmpty, 0, 1, false, L"LoadReruzadu - wi_Seek(0)", 0 },
        // Another program holds it: the next start tries again.
        { "held open without sharing", EFile::kHeldOpen, 0, 0, true, L"LoadReruzadu - Migrating file ", 0 },
        { "notes into an empty database", EFile::kNotes, 0, 1, false, L"loadReruzaduFromMemory - found 2 notes", 2 },
        // A lost settings file must not import the notes a second time.
        { "notes with notes stored", EFile::kNotes, 2, 1, false, L"LoadReruzadu - notes exist, not migrating ", 2 },
    };
    // Two hidden notes, each an empty header of length 0 without text.
    const std::string legacyBytes("STIC\x28\x00\x02\x00\x00\x00\x00\x00", 12);
    for (const Case& c : cases) {
        m_manager.CloseAll();
        DB().execDML(L"delete from `notes`");
        DeleteFileW(Ini().c_str());
        DeleteFileW(LegacyFile().c_str());
        g_prefs.MigrateFromOldFile = true;
        m_log.Clear();
        for (int i = 0; i < c.storedNotes; ++i)
            StoredNote(L"stored", true);
        if (c.file == EFile::kEmpty || c.file == EFile::kHeldOpen)
            WriteBytes(LegacyFile(), "");
        if (c.file == EFile::kNotes)
            WriteBytes(LegacyFile(), legacyBytes);
        CWinFile holder;
        if (c.file == EFile::kHeldOpen) {
            ASSERT_TRUE(holder.Open(LegacyFile().c_str(), CWinFile::accessRead)) << c.name;
        }

        EXPECT_EQ(LoadReruzadu(), c.result) << c.name;
        EXPECT_EQ(g_prefs.MigrateFromOldFile, c.flagAfter) << c.name;
        EXPECT_EQ(StoredMigrateFlag(), c.flagAfter ? 1 : 0) << c.name;
        EXPECT_EQ(Scalar(L"select count(*) from `notes`"), c.rowsAfter) << c.name;
        EXPECT_TRUE(LogHasLineStarting(m_log, c.logged)) << c.name;
        if (c.file == EFile::kNotes) {
            EXPECT_EQ(ReadBytes(LegacyFile()), legacyBytes) << c.name << ": the file stays as it was";
        }
    }
}

TEST_F(LoadReruzaduTest, WithoutADatabaseNothingLoadsAndTheImportWaits)
{
    m_manager.CloseDB();
    const std::wstring database = m_dir.File(L"QUILLT40.DAT");
    ASSERT_TRUE(CreateDirectoryW(database.c_str(), nullptr));
    WriteBytes(LegacyFile(), "STIC legacy notes");

    EXPECT_EQ(LoadReruzadu(), 0);
    EXPECT_TRUE(g_prefs.MigrateFromOldFile);
    EXPECT_EQ(GetFileAttributesW(Ini().c_str()), INVALID_FILE_ATTRIBUTES) << "nothing saved";
    EXPECT_NE(GetFileAttributesW(database.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    RemoveDirectoryW(database.c_str());
}

// With HideAllOnStartup every visible note gets its window, hidden, in id
// order, and stays shown for show all; loading writes nothing and leaves no
// note modified.
TEST_F(LoadReruzaduTest, VisibleNotesLoadHiddenInIdOrderWithoutChangingARow)
{
    g_prefs.MigrateFromOldFile = false;
    g_prefs.HideAllOnStartup = true;
    std::vector<std::int64_t> visible;
    std::vector<std::wstring> names;
    std::int64_t withoutGuid = -1;
    int made = 0;
    for (const bool shown : { true, false, true, true }) {
        const std::wstring text = (shown ? L"shown " : L"hidden ") + std::to_wstring(++made);
        CNote* note = StoredNote(text.c_str(), shown);
        if (made == 3) {
            // A locked note hides its text as it loads: no write.
            note->Row().locked = true;
            note->Row().password = L"pw";
        }
        if (made == 4) {
            withoutGuid = note->GetId();
        } else {
            GUID guid = {};
            ASSERT_EQ(CoCreateGuid(&guid), S_OK);
            note->SetGuid(guid);
        }
        ASSERT_TRUE(m_manager.StoreNote(note));
        if (shown) {
            visible.push_back(note->GetId());
            names.push_back(text);
        }
    }
    ASSERT_EQ(Scalar(L"select count(*) from notes where guid = '' or guid is null"), 1);
    m_manager.CloseAll();
    const std::string before = RowBytes();
    m_manager.SetShowFlag(0);
    m_log.Clear();

    EXPECT_EQ(LoadReruzadu(), 1);
    EXPECT_EQ(m_manager.GetShowFlag(), 1);
    // The one value written: the missing GUID, in its column alone.
    const std::wstring guidOf = L"select length(guid) from notes where id = " + std::to_wstring(withoutGuid);
    EXPECT_EQ(Scalar(guidOf.c_str()), 38);
    DB().execDML((L"update notes set guid = '' where id = " + std::to_wstring(withoutGuid)).c_str());
    EXPECT_EQ(RowBytes(), before);
    std::vector<std::wstring> expected = { L"LoadReruzadu - loading 3 visible notes" };
    for (const std::wstring& name : names)
        expected.push_back(L"LoadReruzadu - loaded note " + name);
    std::vector<std::wstring> loading;
    for (const std::wstring& line : m_log.Lines())
        if (line.rfind(L"LoadReruzadu - ", 0) == 0)
            loading.push_back(line);
    EXPECT_EQ(loading, expected) << "in id order";
    for (const std::int64_t id : visible) {
        const CNote* note = m_manager.GetNote(id);
        ASSERT_NE(note, nullptr);
        EXPECT_FALSE(note->IsModified()) << id;
        ASSERT_NE(note->GetHwnd(), nullptr) << id;
        EXPECT_FALSE(IsWindowVisible(note->GetHwnd())) << id;
        EXPECT_EQ(m_manager.GetNoteFromWindow(note->GetHwnd()), note) << id;
        EXPECT_TRUE(note->IsVisible()) << id;
    }
    EXPECT_FALSE(m_manager.IsAnyNoteVisible());
    // Show all brings every one of them up.
    g_prefs.AnimationSpeed = 3;
    m_manager.ShowAllNotes();
    for (const std::int64_t id : visible)
        EXPECT_TRUE(IsWindowVisible(m_manager.GetNote(id)->GetHwnd())) << id;
    EXPECT_EQ(RowBytes(), before);
}

}  // namespace
