// QUILL32.exe end to end with notes: the stored visible notes come back at
// start-up, and a note made from the tray keeps its text to the next start.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/MainCommands.h"
#include "tests/shell/ProgramDriver.h"
#include "tests/shell/ProgramWindows.h"
#include "tests/shell/StoredNotes.h"

namespace {

class ProgramNotesTest : public ProgramTest {
protected:
    static std::vector<std::wstring> SortedTitles(const std::vector<HWND>& windows)
    {
        std::vector<std::wstring> titles;
        for (const HWND window : windows)
            titles.push_back(WindowText(window));
        std::sort(titles.begin(), titles.end());
        return titles;
    }

    static std::vector<HWND> NoteWindows(const CRun& run) { return WindowsOfClass(run.ProcessId(), L"NoteWClass"); }
};

const std::vector<SStoredNote> kTwoShownOneHidden = {
    {L"Shopping list", L"milk", true, L"", 0},
    {L"Hidden plans", L"secret", false, L"", 0},
    {L"Quarterly report", L"figures", true, L"", 0},
};

TEST_F(ProgramNotesTest, TheStoredVisibleNotesComeBackTitledAndNoBoxShows)
{
    ASSERT_TRUE(StoreNotesIn(m_dir.Path(), kTwoShownOneHidden));
    // A legacy notes file beside a database with notes is never read.
    for (const bool legacyFile : {false, true}) {
        DeleteFileW(LogPath().c_str());
        if (legacyFile) {
            const HANDLE legacy = CreateFileW(m_dir.File(L"NOTES.DAT").c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, 0, nullptr);
            ASSERT_NE(legacy, INVALID_HANDLE_VALUE);
            DWORD written = 0;
            WriteFile(legacy, "STIC", 4, &written, nullptr);
            CloseHandle(legacy);
            WritePrivateProfileStringW(L"Preferences", L"MigrateFromOldFile", L"1", Ini().c_str());
        }
        CRun run(ProgramPath(), FolderArgument());
        const HWND main = Start(run);
        ASSERT_NE(main, nullptr) << legacyFile;
        const std::vector<HWND> notes = NoteWindows(run);
        EXPECT_EQ(SortedTitles(notes), (std::vector<std::wstring>{L"Quarterly report", L"Shopping list"}))
            << legacyFile;
        for (const HWND note : notes)
            EXPECT_TRUE(IsWindowVisible(note)) << legacyFile;
        EXPECT_EQ(run.FindWindowOfClass(L"#32770", 0), nullptr) << legacyFile << ": no message box";
        EXPECT_EQ(CountLogged(L"LoadReruzadu - notes exist, not migrating "), legacyFile ? 1 : 0);
        Exit(run, main);
        if (legacyFile) {
            EXPECT_EQ(IniValue(Ini(), L"MigrateFromOldFile"), L"0");
            WIN32_FILE_ATTRIBUTE_DATA legacy = {};
            ASSERT_TRUE(GetFileAttributesExW(m_dir.File(L"NOTES.DAT").c_str(), GetFileExInfoStandard, &legacy));
            EXPECT_EQ(legacy.nFileSizeLow, 4u) << "the legacy file is left as it was";
        }
    }
}

TEST_F(ProgramNotesTest, HideAllOnStartupShowsNoNote)
{
    ASSERT_TRUE(StoreNotesIn(m_dir.Path(), kTwoShownOneHidden));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Preferences", L"HideAllOnStartup", L"1", Ini().c_str()));
    CRun run(ProgramPath(), FolderArgument());
    const HWND main = Start(run);
    ASSERT_NE(main, nullptr);
    const std::vector<HWND> notes = NoteWindows(run);
    EXPECT_EQ(notes.size(), 2u) << "the shown notes are loaded, hidden";
    for (const HWND note : notes)
        EXPECT_FALSE(IsWindowVisible(note)) << testing::PrintToString(WindowText(note));
    EXPECT_EQ(run.FindWindowOfClass(L"#32770", 0), nullptr);
    Exit(run, main);
}

// The tray click, typing and the exit all go through the program's windows.
TEST_F(ProgramNotesTest, ANoteMadeFromTheTrayKeepsItsTypedTextToTheNextStart)
{
    const std::wstring typed = L"Call the plumber";
    // A left click makes a note.
    ASSERT_TRUE(WritePrivateProfileStringW(L"Preferences", L"Taskbar Action", L"0", Ini().c_str()));
    {
        CRun run(ProgramPath(), FolderArgument());
        const HWND main = Start(run);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(NoteWindows(run).empty());
        PostMessageW(main, WM_TRAY_NOTIFY, 0, WM_LBUTTONUP);
        const HWND note = run.FindWindowOfClass(L"NoteWClass", 10000);
        ASSERT_NE(note, nullptr);
        const HWND editor = FindEditor(note);
        ASSERT_NE(editor, nullptr);
        for (const wchar_t character : typed)
            PostMessageW(editor, WM_CHAR, character, 1);
        // The typing is done once the editor answers.
        for (int tries = 0; tries < 100 && WindowText(editor) != typed; ++tries)
            Sleep(100);
        EXPECT_EQ(WindowText(editor), typed);
        EXPECT_EQ(NoteWindows(run).size(), 1u);
        Exit(run, main);
    }
    DeleteFileW(LogPath().c_str());
    CRun again(ProgramPath(), FolderArgument());
    const HWND main = Start(again);
    ASSERT_NE(main, nullptr);
    const std::vector<HWND> notes = NoteWindows(again);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_TRUE(IsWindowVisible(notes.front()));
    const HWND editor = FindEditor(notes.front());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(WindowText(editor), typed);
    Exit(again, main);
}

}  // namespace
