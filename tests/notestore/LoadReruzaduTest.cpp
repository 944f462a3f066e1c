// Start-up loading: what the legacy notes file beside the database does to
// the result, the import setting and the rows, and what loading the visible
// notes leaves in the file and the manager.
#include <gtest/gtest.h>

#include <richedit.h>

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
#include "notewindows/WholeTextFormat.h"
#include "framework/AppModule.h"
#include "tests/foundation/FileBytes.h"
#include "tests/support/ComApartment.h"
#include "tests/support/WindowOrder.h"

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

    // Notes stored in one batch, every `every`-th of them visible at a place
    // of its own; the ids of the visible ones, ascending.
    std::vector<std::int64_t> StoreManyNotes(int count, int every)
    {
        std::vector<CNote*> notes;
        for (int i = 0; i < count; ++i) {
            CNote* note = m_manager.AddNote(std::make_unique<CNote>());
            NoteRow& row = note->Row();
            row.text = L"note " + std::to_wstring(i);
            row.visible = i % every == 0;
            row.placement.length = sizeof(row.placement);
            row.placement.showCmd = SW_SHOWNORMAL;
            const int x = i / every % 10 * 60;
            const int y = i / every / 10 * 50;
            row.placement.rcNormalPosition = {x, y, x + 120 + i % 7, y + 90};
            GUID guid = {};
            EXPECT_EQ(CoCreateGuid(&guid), S_OK);
            note->SetGuid(guid);
            notes.push_back(note);
        }
        EXPECT_TRUE(m_manager.StoreNotes(notes));
        std::vector<std::int64_t> visible;
        for (const CNote* note : notes)
            if (note->IsVisible())
                visible.push_back(note->GetId());
        return visible;
    }

public:
    std::string Rows() { return RowBytes(); }

protected:
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

// Rich text as the editor writes it: every character past ASCII as \uN?.
std::wstring RtfOf(const std::wstring& text)
{
    std::wstring rtf = L"{\\rtf1\\ansi\\deff0 ";
    for (const wchar_t c : text)
        rtf += c < 0x80 ? std::wstring(1, c) : L"\\u" + std::to_wstring(static_cast<short>(c)) + L"?";
    return rtf + L"}";
}

// Notes of rich text in many scripts, stored, visible and with a GUID.
std::vector<std::int64_t> StoreScriptNotes(CNoteManager& manager, const std::vector<std::wstring>& texts)
{
    std::vector<std::int64_t> ids;
    for (const std::wstring& text : texts) {
        CNote* note = manager.AddNote(std::make_unique<CNote>());
        note->Row().text = text.c_str();
        note->Row().displayText = RtfOf(text).c_str();
        note->Row().visible = true;
        GUID guid = {};
        EXPECT_EQ(CoCreateGuid(&guid), S_OK);
        note->SetGuid(guid);
        EXPECT_TRUE(manager.StoreNote(note));
        ids.push_back(note->GetId());
    }
    manager.CloseAll();
    return ids;
}

const std::vector<std::wstring> kSurvivingScripts = {
    L"Съешь же ещё этих булок",           // Cyrillic
    L"漢字かな交じり文、한국어",              // CJK
    L"Emoji \U0001F600\U0001F389 end",     // outside the basic plane
};
// Under Wine's rich edit these come back cut to the nearest Latin-1 letter
// (ż to z, ı to i, α to a) whether the row holds rich or plain text, and a
// note's font text of all zeros is stored back as another font: the editor's
// text path loses them before start-up sees them.
const std::vector<std::wstring> kCutScripts = {
    L"Zażółć gęślą jaźń",                  // Polish
    L"Iğdır'da şoför çiçek İı",            // Turkish
    L"Tiếng Việt có dấu đầy đủ",           // Vietnamese
    L"Καλημέρα κόσμε ΆΈΉ",                 // Greek
};

// A note's text comes back from a start-up as it was stored; loading writes
// nothing, before a store and after a store and a restart.
void ExpectTextSurvivesStartUps(LoadReruzaduTest& test, CNoteManager& manager,
                                const std::vector<std::wstring>& texts, bool secondStoreSame)
{
    g_prefs.MigrateFromOldFile = false;
    const std::vector<std::int64_t> ids = StoreScriptNotes(manager, texts);
    const auto startAndCompare = [&](const char* stage) {
        const std::string before = test.Rows();
        ASSERT_EQ(LoadReruzadu(), 1) << stage;
        EXPECT_EQ(test.Rows(), before) << stage << ": a start-up writes no row";
        for (size_t i = 0; i < ids.size(); ++i) {
            const CNote* note = manager.GetNote(ids[i]);
            ASSERT_NE(note, nullptr) << stage;
            CStdStr shown;
            EXPECT_TRUE(note->GetText(true, false, false, shown)) << stage;
            EXPECT_EQ(std::wstring(shown.c_str()), texts[i]) << stage << " " << i;
        }
    };
    const auto storeAll = [&] {
        for (const std::int64_t id : ids)
            EXPECT_TRUE(manager.StoreNote(manager.GetNote(id)));
        return test.Rows();
    };
    startAndCompare("first start");
    const std::string firstStore = storeAll();
    manager.CloseAll();
    startAndCompare("after a store and a restart");
    if (secondStoreSame) {
        EXPECT_EQ(storeAll(), firstStore);
    }
}

TEST_F(LoadReruzaduTest, TextSurvivesStartUpsWithoutAWrite)
{
    ExpectTextSurvivesStartUps(*this, m_manager, kSurvivingScripts, false);
}

// With the rich edit the program loads, every character of a started note
// takes the note's text colour, whether its rich text names a colour of its
// own or none, and the text still comes back as it was without a write.
TEST_F(LoadReruzaduTest, StartedNotesTakeTheirTextColourOverTheirRichText)
{
    struct SRichEdit20Scope {
        const bool saved = IsRichEdit20();
        SRichEdit20Scope() { g_appModule.SetRichEdit20(true); }
        ~SRichEdit20Scope() { g_appModule.SetRichEdit20(saved); }
    } richEdit20;
    g_prefs.MigrateFromOldFile = false;
    const COLORREF blue = RGB(0, 0, 200);
    const wchar_t* const texts[] = {
        L"{\\rtf1\\ansi{\\colortbl;\\red200\\green0\\blue0;}\\cf1 red\\cf0  plain\\par}",
        L"{\\rtf1\\ansi no colour named\\par}",
    };
    std::vector<std::int64_t> ids;
    for (const wchar_t* text : texts) {
        CNote* note = StoredNote(L"", true);
        note->Row().displayText = text;
        note->Row().colorText = blue;
        GUID guid = {};
        ASSERT_EQ(CoCreateGuid(&guid), S_OK);
        note->SetGuid(guid);
        ASSERT_TRUE(m_manager.StoreNote(note));
        ids.push_back(note->GetId());
    }
    m_manager.CloseAll();
    const std::string before = Rows();
    ASSERT_EQ(LoadReruzadu(), 1);
    EXPECT_EQ(Rows(), before);
    CHARFORMAT2W colour = {};
    colour.cbSize = sizeof(colour);
    colour.dwMask = CFM_COLOR | CFM_BACKCOLOR;
    colour.dwEffects = CFE_AUTOBACKCOLOR;
    colour.crTextColor = blue;
    for (const std::int64_t id : ids) {
        const CNote* note = m_manager.GetNote(id);
        ASSERT_NE(note, nullptr);
        ASSERT_NE(note->GetEditHwnd(), nullptr);
        EXPECT_TRUE(WholeTextHolds(note->GetEditHwnd(), colour)) << id;
    }
    m_manager.CloseAll();
    ExpectTextSurvivesStartUps(*this, m_manager, kSurvivingScripts, false);
}

// Every script's text now survives; the second store still differs in
// `textfont` alone, since a row whose font text is all zeros is given a real
// font. Enabled once that row is either kept or the fixture stores a font.
TEST_F(LoadReruzaduTest, DISABLED_TextInEveryScriptSurvivesStartUpsAndStores)
{
    std::vector<std::wstring> texts = kSurvivingScripts;
    texts.insert(texts.end(), kCutScripts.begin(), kCutScripts.end());
    ExpectTextSurvivesStartUps(*this, m_manager, texts, true);
}

// Animations are counted where each one starts: it asks for the frame
// clock's frequency.
int g_animationsStarted = 0;
bool CountedFrequency(LONGLONG* countsPerSecond)
{
    ++g_animationsStarted;
    *countsPerSecond = 1000;
    return true;
}
LONGLONG g_frameTime = 0;
bool SteppingCounter(LONGLONG* count)
{
    *count = g_frameTime += 5;
    return true;
}
void NoSleep(DWORD) {}

// Start-up shows the visible notes together: never a fade per note (a few
// share one, many show at once), each in its place, the later ids above the
// earlier ones, no row changed, and no note left loaded without a window.
TEST_F(LoadReruzaduTest, VisibleNotesShowTogetherInPlaceAndOrderWithoutChangingARow)
{
    struct Case { int notes, every, animations; };
    const Case cases[] = {
        {30, 10, 1},      // three notes fade in together
        {1000, 10, 0},    // a hundred show at once
        {0, 10, 0},       // none: no fade over nothing
    };
    g_prefs.MigrateFromOldFile = false;
    g_prefs.AnimationSpeed = 0;
    const CSeamOverride<SFrameClockSeam> clock(g_frameClockSeam, {&SteppingCounter, &CountedFrequency, &NoSleep});
    for (const Case& c : cases) {
        m_manager.CloseAll();
        DB().execDML(L"delete from `notes`");
        const std::vector<std::int64_t> visible = StoreManyNotes(c.notes, c.every);
        m_manager.CloseAll();
        const std::string before = RowBytes();
        g_animationsStarted = 0;

        EXPECT_EQ(LoadReruzadu(), 1);
        EXPECT_EQ(g_animationsStarted, c.animations) << c.notes;
        EXPECT_EQ(RowBytes(), before) << c.notes;
        EXPECT_EQ(m_manager.GetCachedNoteCount(), static_cast<int>(visible.size())) << c.notes;
        HWND below = nullptr;
        for (const std::int64_t id : visible) {
            const CNote* note = m_manager.GetNote(id);
            ASSERT_NE(note, nullptr) << id;
            const HWND window = note->GetHwnd();
            ASSERT_NE(window, nullptr) << id;
            EXPECT_TRUE(IsWindowVisible(window)) << id;
            EXPECT_FALSE(note->IsModified()) << id;
            EXPECT_EQ(SendMessageW(note->GetEditHwnd(), EM_CANUNDO, 0, 0), 0) << "loading is no edit: " << id;
            RECT rect = {};
            GetWindowRect(window, &rect);
            EXPECT_TRUE(EqualRect(&rect, &note->Row().placement.rcNormalPosition)) << id;
            if (below) {
                EXPECT_TRUE(IsAbove(window, below)) << id;
            }
            below = window;
        }
    }
}

}  // namespace
