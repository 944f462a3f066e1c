// QUILL32.exe importing a legacy notes file beside a new database: the notes
// stored and the visible ones shown at the first start, never imported
// again, and a damaged file keeping what it held before the damage.
#include "ProgramDriver.h"

#include "notestore/CppSQLite3.h"
#include "tests/exchange/SticFixtures.h"

namespace {

// Two visible notes, one of them from the old frame with a roll rectangle,
// and a hidden one with a group.
std::string LegacyNotes(int count = 3)
{
    CSticHeaderBytes rolled;
    rolled.Put(0, "Rolled legacy").U16(80, 100).U16(82, 100).U16(84, 300).U16(86, 260).U8(155, 1)
        .U16(160, 100).U16(162, 100).U16(164, 320).U16(166, 300);
    CSticHeaderBytes plain;
    plain.Put(0, "Plain legacy").U16(130, 0x0800).U16(80, 400).U16(82, 100).U16(84, 600).U16(86, 300).U8(155, 1);
    CSticHeaderBytes hidden;
    hidden.Put(0, "Hidden legacy").U16(130, 0x0800).U16(80, 10).U16(82, 10).U16(84, 200).U16(86, 200).Put(1028, "7");
    return SticHead(33, count) + SticNoteBytes(33, rolled, "first") + SticNoteBytes(33, plain, "second") +
           SticNoteBytes(33, hidden, "third");
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// The titles of the run's visible note windows, sorted.
std::vector<std::wstring> ShownNoteTitles(const CRun& run)
{
    struct SSearch {
        DWORD processId;
        std::vector<std::wstring> titles;
    } search = {run.ProcessId(), {}};
    EnumWindows(
        [](HWND window, LPARAM lParam) -> BOOL {
            auto* const found = reinterpret_cast<SSearch*>(lParam);
            DWORD processId = 0;
            GetWindowThreadProcessId(window, &processId);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (processId == found->processId && wcscmp(name, L"NoteWClass") == 0 && IsWindowVisible(window)) {
                wchar_t title[128] = {};
                GetWindowTextW(window, title, 128);
                found->titles.push_back(title);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    std::sort(search.titles.begin(), search.titles.end());
    return search.titles;
}

class LegacyImportTest : public ProgramTest {
protected:
    std::wstring Database() const { return Folder() + L"QUILLT40.DAT"; }

    std::int64_t Scalar(const wchar_t* sql) const
    {
        CppSQLite3DB db;
        db.open(Database().c_str());
        return db.execScalar(sql);
    }
    std::int64_t NoteRows() const { return Scalar(L"select count(*) from `notes`"); }

    // Starts the program, answers message 850 when it comes, and ends it once
    // the loop runs; the titles of the notes it showed.
    std::vector<std::wstring> RunOnce(bool expectBox)
    {
        DeleteFileW(LogPath().c_str());
        CRun run(ProgramPath(), FolderArgument());
        EXPECT_TRUE(run.Started());
        if (expectBox) {
            const HWND box = run.FindWindowOfClass(L"#32770", kStartMs);
            EXPECT_NE(box, nullptr);
            wchar_t text[512] = {};
            for (int tries = 0; box && tries < 100 && GetDlgItemTextW(box, 0xFFFF, text, 512) == 0; ++tries)
                Sleep(100);
            EXPECT_EQ(std::wstring(text).rfind(L"Error loading notes from disk!", 0), 0u) << text;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        EXPECT_TRUE(WaitUntilLogged(L"Starting message loop", kStartMs));
        const std::vector<std::wstring> titles = ShownNoteTitles(run);
        EXPECT_EQ(run.FindWindowOfClass(L"#32770", 0), nullptr) << "no other box";
        EXPECT_EQ(CountLogged(L"LoadReruzadu("), expectBox ? 1 : 0);
        const HWND main = run.FindWindowOfClass(L"MainWClass", 5000);
        EXPECT_NE(main, nullptr);
        PostMessageW(main, WM_COMMAND, 209, 0);
        EXPECT_EQ(run.WaitForExit(kExitMs), 0u);
        return titles;
    }
};

TEST_F(LegacyImportTest, TheFirstStartImportsTheFileOnceAndShowsItsVisibleNotes)
{
    const std::vector<std::wstring> shown = {L"Plain legacy", L"Rolled legacy"};
    struct Case {
        const char* what;
        const wchar_t* migrate;   // the setting before the start; null: absent
    };
    const Case cases[] = {
        {"a first start", nullptr},
        {"after a start that left the import waiting", L"1"},
    };
    for (const Case& c : cases) {
        DeleteFileW(Database().c_str());
        WriteFileBytes(Ini(), "");
        if (c.migrate)
            WritePrivateProfileStringW(L"Preferences", L"MigrateFromOldFile", c.migrate, Ini().c_str());
        WriteFileBytes(Folder() + L"NOTES.DAT", LegacyNotes());

        EXPECT_EQ(RunOnce(false), shown) << c.what;
        EXPECT_EQ(CountLogged(L"loadReruzaduFromMemory - loading note "), 3) << c.what;
        EXPECT_EQ(NoteRows(), 3) << c.what;
        EXPECT_EQ(Scalar(L"select `alarm_alarmflags` & 6144 from `notes` where `name` = 'Rolled legacy'"), 6144)
            << c.what << ": the frame rolled the old note up, and the end stored it";
        EXPECT_EQ(IniValue(Ini(), L"MigrateFromOldFile"), L"0") << c.what;
    }

    EXPECT_EQ(RunOnce(false), shown) << "the next start loads them from the database";
    EXPECT_EQ(CountLogged(L"LoadReruzadu - Migrating file "), 0);
    EXPECT_EQ(NoteRows(), 3);
}

TEST_F(LegacyImportTest, AFileCutInsideItsSecondNoteKeepsTheFirstAndSaysSoOnce)
{
    const std::string whole = LegacyNotes(2);
    WriteFileBytes(Folder() + L"NOTES.DAT", whole.substr(0, 8 + 2 + 1544 + 5 + 700));

    EXPECT_EQ(RunOnce(true), std::vector<std::wstring>{L"Rolled legacy"});
    EXPECT_EQ(NoteRows(), 1);
    EXPECT_EQ(IniValue(Ini(), L"MigrateFromOldFile"), L"0");

    EXPECT_EQ(RunOnce(false), std::vector<std::wstring>{L"Rolled legacy"}) << "the next start shows no box";
    EXPECT_EQ(NoteRows(), 1);
}

}  // namespace
