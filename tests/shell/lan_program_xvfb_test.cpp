// QUILL32.exe on a real X server on a port of its own: a note in the XML form
// and one in the legacy form arrive from this process and are shown; the send
// dialog of one of them sends it to this machine, so it arrives a third time
// (the screen is saved as "lan-program-xvfb-screenshot.bmp" in the build
// folder). After the exit the database holds the three without anything that
// would act, and "ALIAS.INI", loaded at the start, holds the send.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "notestore/CppSQLite3.h"
#include "notestore/SQLiteHelp.h"
#include "resources/resource.h"
#include "tests/exchange/LanTestSupport.h"
#include "tests/exchange/SticFixtures.h"
#include "tests/foundation/FileBytes.h"
#include "tests/shell/ProgramDriver.h"
#include "tests/shell/ProgramWindows.h"
#include "tests/support/Screenshot.h"

namespace {

constexpr UINT kNetSendCommand = 20042;

// Connects to the program's listener, waiting for it to listen.
SOCKET ConnectToProgram(int port)
{
    for (int tries = 0; tries < 100; ++tries) {
        const SOCKET socket = ConnectLoopback(port);
        if (socket != INVALID_SOCKET)
            return socket;
        Sleep(100);
    }
    return INVALID_SOCKET;
}

// The bytes to the program, then whatever it answers until it closes.
std::string SendToProgram(int port, const std::string& bytes)
{
    const SOCKET socket = ConnectToProgram(port);
    if (socket == INVALID_SOCKET)
        return "<no connection>";
    SendBytes(socket, bytes);
    const std::string reply = ReceiveAll(socket, 20000);
    closesocket(socket);
    return reply;
}

std::vector<HWND> VisibleNotes(const CRun& run)
{
    std::vector<HWND> notes;
    for (const HWND window : WindowsOfClass(run.ProcessId(), L"NoteWClass"))
        if (IsWindowVisible(window))
            notes.push_back(window);
    return notes;
}

testing::AssertionResult WaitForNotes(const CRun& run, size_t count)
{
    size_t shown = 0;
    for (int tries = 0; tries < 200; ++tries) {
        shown = VisibleNotes(run).size();
        if (shown == count)
            return testing::AssertionSuccess();
        Sleep(100);
    }
    return testing::AssertionFailure() << shown << " notes shown, not " << count;
}

HWND NoteTitled(const CRun& run, const wchar_t* title)
{
    for (const HWND window : VisibleNotes(run))
        if (WindowText(window) == title)
            return window;
    return nullptr;
}

HWND WaitForSendDialog(const CRun& run, bool open)
{
    for (int tries = 0; tries < 100; ++tries) {
        HWND dialog = nullptr;
        for (const HWND window : WindowsOfClass(run.ProcessId(), L"#32770"))
            if (IsWindowVisible(window) && WindowText(window) == L"Network Send")
                dialog = window;
        if ((dialog != nullptr) == open)
            return dialog;
        Sleep(100);
    }
    return nullptr;
}

// Typed into the recipient's edit field by posted characters: real keys
// would go wherever X has the focus.
void TypeRecipient(HWND dialog, const std::wstring& text)
{
    const HWND combo = GetDlgItem(dialog, IDC_NETSEND_RECIPIENT);
    const HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    PostMessageW(edit, WM_CHAR, VK_BACK, 1);
    for (const wchar_t c : text)
        PostMessageW(edit, WM_CHAR, c, 1);
    for (int tries = 0; tries < 50 && WindowText(combo) != text; ++tries)
        Sleep(100);
    EXPECT_EQ(WindowText(combo), text);
}

void Click(HWND dialog, int button)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

std::wstring ListValue(const std::wstring& ini, const wchar_t* section, const wchar_t* key)
{
    wchar_t value[256] = {};
    GetPrivateProfileStringW(section, key, L"<absent>", value, 256, ini.c_str());
    return value;
}

const char kXmlNote[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<NOTES>\r\n<note>\r\n"
    "<name>Xml note</name>\r\n<visible>1</visible>\r\n<text>from afar</text>\r\n"
    "<color>42008575</color>\r\n<colorbk>42008575</colorbk>\r\n<colortext>33554432</colortext>\r\n"
    "<alarm_executecmd>calc.exe</alarm_executecmd>\r\n"
    "<alarm_soundfile>\\\\server\\share\\ring.wav</alarm_soundfile>\r\n"
    "<alarm_alarmflags>100</alarm_alarmflags>\r\n"   // alarm set, run the command, own sound
    "<group>7</group>\r\n</note>\r\n</NOTES>";

using LanProgramOnScreen = ProgramTest;

TEST_F(LanProgramOnScreen, NotesArriveAndOneIsSentToThisMachine)
{
    CWinSockSession sockets;
    ASSERT_TRUE(sockets.Started());
    const int port = std::stoi(IniValue(Ini(), L"NetworkPort"));
    ASSERT_NE(port, 3023);
    // An old ANSI list: one alias, one earlier send.
    const std::wstring aliases = m_dir.File(L"ALIAS.INI");
    WriteBytes(aliases, "[Aliases]\r\nself=127.0.0.1\r\n[NetSends]\r\nNumStored=1\r\n0=oldpeer|" + std::to_string(port) +
                            "|2\r\n");

    CRun run(ProgramPath(), FolderArgument());
    const HWND main = Start(run);
    ASSERT_NE(main, nullptr);
    const size_t before = VisibleNotes(run).size();

    EXPECT_EQ(SendToProgram(port, WireNote(true, std::string(kXmlNote) + '\0')), "QLSENDXMLOKQLSENDACK");
    CSticHeaderBytes header;
    header.Put(0, "Legacy note").U16(130, 0x0860).U8(155, 1).Put(168, "calc.exe").Put(680, "\\\\server\\ring.wav")
        .Put(1028, "7");
    EXPECT_EQ(SendToProgram(port, WireNote(false, SticHead(33, 1) + SticNoteBytes(33, header, "the old way"))), "");
    ASSERT_TRUE(WaitForNotes(run, before + 2));
    const HWND xmlNote = NoteTitled(run, L"Xml note");
    const HWND legacyNote = NoteTitled(run, L"Legacy note");
    ASSERT_TRUE(xmlNote && legacyNote);
    EXPECT_EQ(WindowText(FindEditor(xmlNote)), L"from afar");
    EXPECT_EQ(WindowText(FindEditor(legacyNote)), L"the old way");

    // The note's send command; the dialog shows the loaded lists.
    PostMessageW(xmlNote, WM_COMMAND, kNetSendCommand, 0);
    HWND dialog = WaitForSendDialog(run, true);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_NETSEND_RECIPIENT, CB_GETCOUNT, 0, 0), 1) << "the alias";
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_NETSEND_HISTORY, LVM_GETITEMCOUNT, 0, 0), 1) << "the earlier send";
    TypeRecipient(dialog, L"127.0.0.1");
    Click(dialog, IDOK);
    EXPECT_EQ(WaitForSendDialog(run, false), nullptr);
    ASSERT_TRUE(WaitForNotes(run, before + 3)) << "the note did not come back";
    // The sender reports the delivery once the acknowledgement is in, right
    // after the note is shown.
    Sleep(2000);
    // The list is stored at the exit, not before.
    EXPECT_EQ(ListValue(aliases, L"NetSends", L"NumStored"), L"1");

    // Opened again: the send is in the history, as "Sent".
    PostMessageW(xmlNote, WM_COMMAND, kNetSendCommand, 0);
    dialog = WaitForSendDialog(run, true);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_NETSEND_HISTORY, LVM_GETITEMCOUNT, 0, 0), 2);
    Sleep(1000);   // the windows paint
    RECT screen = {};
    GetWindowRect(GetDesktopWindow(), &screen);
    SaveScreenshot(L"lan-program-xvfb-screenshot.bmp", {screen.right / 2, screen.bottom / 2});
    Click(dialog, IDCANCEL);
    EXPECT_EQ(WaitForSendDialog(run, false), nullptr);
    Exit(run, main);

    CppSQLite3DB db;
    db.open((Folder() + L"QUILLT40.DAT").c_str());
    EXPECT_EQ(db.execScalar(L"select count(*) from `notes` where `name` in ('Xml note', 'Legacy note')"), 3);
    EXPECT_EQ(db.execScalar(L"select count(*) from `notes` where `name` = 'Xml note' and `text` like '%from afar%'"),
              2);
    EXPECT_EQ(db.execScalar(L"select count(*) from `notes` where ifnull(`alarm_executecmd`, '') != '' or "
                            L"ifnull(`alarm_soundfile`, '') != '' or (`alarm_alarmflags` & 96) != 0 or "
                            L"ifnull(`group`, 0) != 0"),
              0);

    // Rewritten as Unicode at the exit, with what was loaded at the start.
    EXPECT_EQ(ReadBytes(aliases).substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(ListValue(aliases, L"Aliases", L"self"), L"127.0.0.1");
    EXPECT_EQ(ListValue(aliases, L"NetSends", L"NumStored"), L"2");
    EXPECT_EQ(ListValue(aliases, L"NetSends", L"0"), L"oldpeer|" + std::to_wstring(port) + L"|2");
    EXPECT_EQ(ListValue(aliases, L"NetSends", L"1"), L"127.0.0.1|" + std::to_wstring(port) + L"|1");
}

}  // namespace
