// The main window's commands that reach the notes: "Export All Notes" from
// the save dialog to the file or the failure box, and the "&Display Note"
// items showing the very note each was built for.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/DataPaths.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/WinVersion.h"
#include "framework/UiSeams.h"
#include "notestore/Note.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"
#include "shell/MainCommands.h"
#include "shell/mainmenus.h"
#include "shell/mainwnd.h"
#include "shell/trayicon.h"
#include "shell/trayseam.h"
#include "tests/shell/ShellStoreTestSupport.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/ComApartment.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/TestDir.h"

namespace {

BOOL AcceptTray(DWORD, NOTIFYICONDATAW*)
{
    return TRUE;
}

// The program's window classes, notes' included, once per process.
bool ClassesRegistered()
{
    static const bool registered = RegisterWindowClasses(GetModuleHandleW(nullptr)) != 0;
    return registered;
}

// A main and a parent window of the program's classes, over a note store
// in a folder of the test's own; the tray, boxes and dialogs are scripted.
class CNoteCommandsTest : public CShellStoreTest {
protected:
    CNoteCommandsTest() : CShellStoreTest(&AcceptTray) {}

    void SetUp() override
    {
        CShellStoreTest::SetUp();
        ASSERT_TRUE(ClassesRegistered());
        g_prefs.SubMenuSorting = 1;
        CreateWindows(L"MainWClass", L"ParentWClass", WS_POPUP, RECT{});
    }

    std::int64_t AddNote(const wchar_t* name, const wchar_t* text, bool locked = false)
    {
        return StoreNamedNote(name, text, false, locked, 0);
    }

    void Command(UINT command)
    {
        SendMessageW(m_window, WM_COMMAND, command, 0);
        PumpPosted();
    }
};

// ---- export

// The save dialog as a row answers it.
struct SSaveAnswer {
    bool ok = false;
    DWORD filterIndex = 0;
    std::wstring path;
    DWORD flags = 0;
};
SSaveAnswer g_save;

BOOL AnswerSave(OPENFILENAMEW* request)
{
    g_save.flags = request->Flags;
    if (!g_save.ok)
        return FALSE;
    wcsncpy(request->lpstrFile, g_save.path.c_str(), request->nMaxFile - 1);
    request->nFilterIndex = g_save.filterIndex;
    return TRUE;
}

std::string FileBytes(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<none>";
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

class CExportAllTest : public CNoteCommandsTest {
protected:
    // Runs "Export All Notes" with the dialog's answer; the boxes shown.
    std::vector<std::wstring> Export(bool ok, DWORD filterIndex, const std::wstring& path,
                                     std::optional<INT_PTR> unlockAnswer = std::nullopt)
    {
        g_save = {ok, filterIndex, path, 0};
        ScopedUiScript script;
        SCommonDialogSeam dialogs = g_commonDialogSeam;
        dialogs.getSaveFileName = &AnswerSave;
        const CSeamOverride<SCommonDialogSeam> save(g_commonDialogSeam, dialogs);
        if (unlockAnswer)
            script.AnswerModal(IDD_UNLOCK_NOTE, *unlockAnswer);
        CScriptedMessageBox boxes;
        Command(ID_EXPORT_ALL);
        EXPECT_TRUE(g_save.flags & OFN_OVERWRITEPROMPT);
        return boxes.ShownTexts();
    }
};

TEST_F(CExportAllTest, TheDialogsChoiceDecidesTheFormatOfTheWrittenFile)
{
    AddNote(L"Alpha", L"first note");
    AddNote(L"Bravo", L"second note");
    const struct {
        DWORD index;
        const wchar_t* name;
        bool xml;
    } rows[] = {{1, L"one.txt", false}, {2, L"two.txt", true}, {3, L"three.XML", true}, {3, L"four.txt", false}};
    for (const auto& row : rows) {
        const std::wstring path = m_dir.File(row.name);
        EXPECT_TRUE(Export(true, row.index, path).empty()) << row.name;
        const std::string bytes = FileBytes(path);
        EXPECT_NE(bytes.find("first note"), std::string::npos) << row.name;
        EXPECT_NE(bytes.find("second note"), std::string::npos) << row.name;
        EXPECT_EQ(bytes.rfind("<?xml", 0) == 0, row.xml) << row.name << ": " << bytes;
        if (row.xml) {
            EXPECT_NE(bytes.find("</NOTES>"), std::string::npos) << row.name;
        }
    }
}

TEST_F(CExportAllTest, AFailedExportSaysSoAndACancelWritesNothing)
{
    AddNote(L"Alpha", L"first note");
    const std::wstring written = m_dir.File(L"ok.txt");
    EXPECT_TRUE(Export(false, 1, written).empty());
    EXPECT_EQ(FileBytes(written), "<none>");

    const std::wstring unwritable = m_dir.File(L"missing\\notes.txt");
    EXPECT_EQ(Export(true, 1, unwritable), std::vector<std::wstring>{L"Failed to export to " + unwritable});

    AddNote(L"Bravo", L"locked away", true);
    const std::wstring refused = m_dir.File(L"locked.xml");
    EXPECT_EQ(Export(true, 2, refused, IDCANCEL), std::vector<std::wstring>{L"Failed to export to " + refused});
    EXPECT_EQ(FileBytes(refused).find("locked away"), std::string::npos);
}

// ---- "&Display Note"

class CDisplayNoteTest : public CNoteCommandsTest {
protected:
    // Gives a stored note its final id; the menu never reads its full-text row.
    void MoveTo(std::int64_t id, std::int64_t newId)
    {
        Sql(L"UPDATE notes SET id=" + std::to_wstring(newId) + L" WHERE id=" + std::to_wstring(id));
        Sql(L"DELETE FROM search2 WHERE docid=" + std::to_wstring(id));
    }

    HMENU NotesSubmenu() const
    {
        const HMENU tray = GetTrayMenu();
        for (int position = 0; position < GetMenuItemCount(tray); ++position)
            if (GetMenuItemID(tray, position) == ID_SHOW_HIDE_ALL)
                return GetSubMenu(tray, position + 1);
        return nullptr;
    }

    bool Shown(std::int64_t id)
    {
        const CNote* note = m_manager.GetNote(id);
        return note && note->GetHwnd() && IsWindowVisible(note->GetHwnd()) && note->Row().visible;
    }
};

TEST_F(CDisplayNoteTest, EachItemShowsItsOwnNoteWhateverTheId)
{
    const std::int64_t ids[] = {7, 10000, 70000};
    const wchar_t* const names[] = {L"Seven", L"Ten thousand", L"Seventy thousand"};
    std::vector<std::int64_t> stored;
    for (const wchar_t* name : names)
        stored.push_back(AddNote(name, name, name == names[2]));
    for (size_t index = stored.size(); index-- > 0;)
        MoveTo(stored[index], ids[index]);
    m_manager.CloseAll();

    BuildNotesMenu();
    const HMENU notes = NotesSubmenu();
    ASSERT_NE(notes, nullptr);
    ASSERT_EQ(GetMenuItemCount(notes), 3);
    std::vector<std::int64_t> shown;
    for (int position = 0; position < 3; ++position) {
        const UINT command = GetMenuItemID(notes, position);
        const std::optional<std::int64_t> id = NotesMenuMap().NoteAt(command);
        ASSERT_TRUE(id.has_value());
        ScopedUiScript script;
        if (*id == 70000)
            script.AnswerModal(IDD_UNLOCK_NOTE, IDCANCEL);   // the locked one asks, and is shown still locked
        Command(command);
        shown.push_back(*id);
        for (const std::int64_t each : ids) {
            const bool expected = std::find(shown.begin(), shown.end(), each) != shown.end();
            EXPECT_EQ(Shown(each), expected) << "after " << *id << ", note " << each;
        }
    }
}

TEST_F(CDisplayNoteTest, AnItemWhoseNoteWasDeletedAfterTheBuildDoesNothing)
{
    const std::int64_t id = AddNote(L"Gone soon", L"text");
    m_manager.CloseAll();
    BuildNotesMenu();
    const UINT command = GetMenuItemID(NotesSubmenu(), 0);
    ASSERT_EQ(NotesMenuMap().NoteAt(command), id);
    Sql(L"DELETE FROM notes WHERE id=" + std::to_wstring(id));
    m_manager.CloseAll();
    ScopedUiScript script;
    Command(command);
    EXPECT_EQ(m_manager.GetNote(id), nullptr);
    EXPECT_EQ(m_manager.GetNoteCount(), 0);
}

}  // namespace
