// QUILL32.exe end to end on a data folder whose name is not ASCII: a note
// made by a second start's "/c newnote", mixed-script text typed into it
// from outside, and the text the same in the editor, `text` and `search2`
// after the exit and after each of two more starts.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "notestore/CppSQLite3.h"
#include "notestore/SQLiteHelp.h"
#include "shell/MainCommands.h"
#include "tests/shell/ProgramDriver.h"
#include "tests/shell/ProgramWindows.h"

namespace {

const wchar_t kTyped[] = L"Za\u017C\u00F3\u0142\u0107 \u00C1rv\u00EDzt\u0171r\u0151 \u00C7al\u0131\u015Fkan "
                         L"P\u0159\u00EDli\u0161 Ti\u1EBFng Vi\u1EC7t \u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC "
                         L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439 \u65E5\u672C\u8A9E "
                         L"\u2113 \uFB01 \u00BD \u2122 \u20AC \U0001F600";

class ProgramTextTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        m_folder = m_dir.File(L"Notatki \u017C\u00F3\u0142w \u00E4 \u65E5\u672C");
        ASSERT_TRUE(CreateDirectoryW(m_folder.c_str(), nullptr));
        const HANDLE ini = CreateFileW((m_folder + L"\\RERUZADU.INI").c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(ini, INVALID_HANDLE_VALUE);
        CloseHandle(ini);
    }

    std::wstring Arguments(const wchar_t* more = L"") const { return L"/f \"" + m_folder + L"\"" + more; }

    // The one note's stored texts, read once the program has ended.
    std::vector<std::wstring> StoredTexts() const
    {
        CppSQLite3DB db;
        db.open((m_folder + L"\\QUILLT40.DAT").c_str());
        std::vector<std::wstring> texts;
        for (const wchar_t* sql : {L"select text from notes", L"select text from search2"}) {
            CppSQLite3Query rows = db.execQuery(sql);
            for (; !rows.eof(); rows.nextRow())
                texts.push_back(QueryText(rows, 0));
        }
        return texts;
    }

    std::wstring m_folder;
};

TEST_F(ProgramTextTest, TextTypedIntoANoteOfANewNoteCommandSurvivesEveryRestart)
{
    const std::wstring typed = kTyped;
    {
        CRun run(ProgramPath(), Arguments());
        const HWND main = Start(run);
        ASSERT_NE(main, nullptr);
        CRun second(ProgramPath(), Arguments(L" /c newnote"));
        EXPECT_EQ(second.WaitForExit(kExitMs), 0u) << "the second start hands its command over and ends";
        const HWND note = run.FindWindowOfClass(L"NoteWClass", 10000);
        ASSERT_NE(note, nullptr);
        // A new note's frame is there before its editor is.
        HWND editor = FindEditor(note);
        for (int tries = 0; tries < 100 && !editor; ++tries) {
            Sleep(50);
            editor = FindEditor(note);
        }
        ASSERT_NE(editor, nullptr);
        for (const wchar_t unit : typed)
            PostMessageW(editor, WM_CHAR, unit, 1);
        for (int tries = 0; tries < 100 && WindowText(editor) != typed; ++tries)
            Sleep(100);
        EXPECT_EQ(WindowText(editor), typed);
        Exit(run, main);
    }
    ASSERT_EQ(GetFileAttributesW((m_folder + L"\\QUILLT40.DAT").c_str()) != INVALID_FILE_ATTRIBUTES, true)
        << "the database is in the folder named on the command line";
    EXPECT_EQ(StoredTexts(), (std::vector<std::wstring>{typed, typed}));

    for (int start = 0; start < 2; ++start) {
        DeleteFileW(LogPath().c_str());
        CRun again(ProgramPath(), Arguments());
        const HWND main = Start(again);
        ASSERT_NE(main, nullptr);
        const std::vector<HWND> notes = WindowsOfClass(again.ProcessId(), L"NoteWClass");
        ASSERT_EQ(notes.size(), 1u) << "start " << start;
        const HWND editor = FindEditor(notes.front());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(WindowText(editor), typed) << "start " << start;
        Exit(again, main);
        EXPECT_EQ(StoredTexts(), (std::vector<std::wstring>{typed, typed})) << "start " << start;
    }
}

}  // namespace
