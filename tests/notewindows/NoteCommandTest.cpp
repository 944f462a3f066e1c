// The commands of a note on real notes: the password gate, what a read-only
// note keeps out, what is stored, the menu's marks, delete, export, quick
// snooze, groups and the notes' lifetime, the keys and the menu resource.
#include <gtest/gtest.h>

#include <richedit.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "NoteFrameTestSupport.h"
#include "foundation/AppWindow.h"
#include "foundation/ResModule.h"
#include "foundation/ShellServices.h"
#include "foundation/SoundPlayer.h"
#include "framework/UiSeams.h"
#include "notestore/GroupMenu.h"
#include "notestore/NoteAlarm.h"
#include "notestore/SQLiteHelp.h"
#include "notewindows/NoteCommandIds.h"
#include "notewindows/notecmd.h"
#include "resources/resource.h"
#include "tests/support/ScopedUiScript.h"

namespace {

// What the dialogs of other parts were asked, and what they answer.
struct SDialogLog {
    static inline std::vector<std::wstring> calls;
    static inline HWND window = nullptr;
    static inline CNote* note = nullptr;
    static inline std::int64_t noteId = -1;
    static inline bool answer = false;
    static inline COleDateTime snoozeStart;

    static void Reset()
    {
        calls.clear();
        window = nullptr;
        note = nullptr;
        answer = false;
    }
    static bool Record(const wchar_t* call, HWND at)
    {
        calls.emplace_back(call);
        window = at;
        return answer;
    }
    static void Alarm(CNote* of, HWND parent)
    {
        noteId = of ? of->GetId() : -1;
        Record(L"alarm", parent);
    }
    static bool Title(HWND frame) { return Record(L"title", frame); }
    static bool Lock(HWND frame) { return Record(L"lock", frame); }
    static bool Find(HWND frame) { return Record(L"find", frame); }
    static bool Replace(HWND frame) { return Record(L"replace", frame); }
    static int Groups(HWND frame) { return Record(L"groups", frame) ? 1 : 0; }
    static bool Attach(HWND frame) { return Record(L"attach", frame); }
    static bool Snooze(HWND parent, CNote* of, COleDateTime start)
    {
        note = of;
        snoozeStart = start;
        return Record(L"snooze", parent);
    }
    static bool NetSend(HWND frame) { return Record(L"netsend", frame); }
    static int Print(CNote& of)
    {
        note = &of;
        return Record(L"print", nullptr) ? 1 : 0;
    }
    static int Mail(CNote& of)
    {
        note = &of;
        return Record(L"mail", nullptr) ? 1 : 0;
    }
    static void Help(DWORD context) { Record((L"help " + std::to_wstring(context)).c_str(), nullptr); }

    static SNoteDialogSeam Table()
    {
        return {&Alarm, &Title, &Lock, &Find, &Replace, &Groups, &Attach, &Snooze, &NetSend, &Print, &Mail, &Help};
    }
};

struct SSounds {
    static inline std::vector<std::wstring> commands;
    static MCIERROR Send(const wchar_t* command, HWND)
    {
        commands.emplace_back(command);
        return 0;
    }
    static UINT Device(const wchar_t*) { return 1; }
    static bool Played(const wchar_t* file)
    {
        for (const std::wstring& command : commands)
            if (command.find(file) != std::wstring::npos)
                return true;
        return false;
    }
};

// The main window's stand-in: counts the commands sent to it.
struct SMainStandIn {
    static inline std::vector<UINT> commands;
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_COMMAND)
            commands.push_back(LOWORD(wParam));
        return DefWindowProcW(window, msg, wParam, lParam);
    }
};

std::wstring Rtf(const CNote& note)
{
    CStdStr text;
    note.GetText(true, false, true, text);
    return text.c_str();
}

const std::wstring kUnlockPrompt = L"modal " + std::to_wstring(IDD_UNLOCK_NOTE);

class CNoteCommandTest : public CNoteFrameTest {
protected:
    void SetUp() override
    {
        CNoteFrameTest::SetUp();
        SDialogLog::Reset();
        SSounds::commands.clear();
        SMainStandIn::commands.clear();
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &SMainStandIn::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"NoteCommandTestMain";
        RegisterClassW(&wc);
        m_main = CreateWindowExW(0, wc.lpszClassName, L"main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        g_hwndApp = m_main;
        g_prefs.ConfirmNoteDelete = false;
        wcscpy_s(g_prefs.DeleteNote, L"C:\\delete.wav");
        wcscpy_s(g_prefs.ShowHideNote, L"C:\\hide.wav");
    }
    void TearDown() override
    {
        g_hwndApp = nullptr;
        DestroyWindow(m_main);
        SetNoteNetworkOn(false);
        CNoteFrameTest::TearDown();
    }

    CNote* Note(const wchar_t* text = L"some words") { return MakeNote({100, 100, 320, 300}, text); }

    static void Command(HWND frame, UINT id)
    {
        SendMessageW(frame, WM_COMMAND, id, 0);
        PumpMessages();
    }

    // A hidden note with only its frame, as the organizer makes it.
    CNote* BareNote(const wchar_t* text)
    {
        CNote* note = Note(text);
        if (!note || !note->HideSticky(false) || !note->CreateBareWindow())
            return nullptr;
        m_manager.AddWindow(note);
        return note;
    }

    static DWORD EffectsAt(HWND editor, int start, int end)
    {
        SendMessageW(editor, EM_SETSEL, start, end);
        CHARFORMAT2W format = {};
        format.cbSize = sizeof(format);
        SendMessageW(editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        return format.dwEffects;
    }

    static WORD NumberingOf(HWND editor)
    {
        PARAFORMAT2 para = {};
        para.cbSize = sizeof(para);
        para.dwMask = PFM_NUMBERING;
        SendMessageW(editor, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&para));
        return para.wNumbering;
    }

    std::int64_t Stored(const wchar_t* column, std::int64_t id)
    {
        return Scalar((L"select `" + std::wstring(column) + L"` from notes where id = " + std::to_wstring(id)).c_str());
    }

    CModalWatchdog m_watchdog{120000};
    CSeamOverride<SNoteDialogSeam> m_dialogs{g_noteDialogSeam, SDialogLog::Table()};
    CSeamOverride<SSoundSeam> m_sound{g_soundSeam, {&SSounds::Send, &SSounds::Device}};
    HWND m_main = nullptr;
};

// ---- the password gate

// What a command could change on the note, the window and the dialogs.
struct SNoteState {
    COLORREF color;
    int transparency;
    std::uint32_t flags;
    std::int64_t group;
    bool autoResize;
    bool visible;
    std::wstring rtf;
    RECT frame;

    static SNoteState Of(CNote& note)
    {
        return {note.GetColor(),   note.Row().transparency, note.Alarm().flags, note.GetGroup(),
                note.Row().autoResize, note.IsVisible(),    Rtf(note),          WindowRect(note.GetHwnd())};
    }
    bool operator==(const SNoteState& other) const
    {
        return color == other.color && transparency == other.transparency && flags == other.flags &&
               group == other.group && autoResize == other.autoResize && visible == other.visible &&
               rtf == other.rtf && EqualRect(&frame, &other.frame);
    }
};

TEST_F(CNoteCommandTest, ALockedNoteAsksForItsPasswordFirstAndARefusalChangesNothing)
{
    SetNoteNetworkOn(true);
    CGroups::AddGroup(0, L"Work", 0x80FF80);
    const UINT gated[] = {201,   202,   203,   204,   205,   207,   21033, 20030, 303,   210,   211,   213,
                          805,   806,   807,   20005, 20006, 20007, 20010, 20011, 20026, 20028, 20029, 20042,
                          20046, 20048, 20050, 20051, 20052, 21008, 21010, 21012, 21014, 21016, 21017, 21065,
                          21022, 21023, 21051, 21052, 21053, 21058, 21060, 21061};
    CNote* note = Note();
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    SendMessageW(note->GetEditHwnd(), EM_SETSEL, 0, 4);
    note->HideText();
    for (const UINT id : gated) {
        const SNoteState before = SNoteState::Of(*note);
        {
            ScopedUiScript script;
            script.AnswerModal(IDD_UNLOCK_NOTE, IDCANCEL);
            Command(frame, id);
            EXPECT_EQ(script.Calls(), std::vector<std::wstring>{kUnlockPrompt}) << id;
        }
        ASSERT_EQ(m_manager.GetNoteFromWindow(frame), note) << id;
        EXPECT_TRUE(before == SNoteState::Of(*note)) << id;
        EXPECT_TRUE(note->IsLocked()) << id;
        EXPECT_TRUE(SDialogLog::calls.empty()) << id;
        EXPECT_TRUE(SMainStandIn::commands.empty()) << id;
    }
    // Accepted: the text shows and the command runs.
    {
        ScopedUiScript script;
        script.AnswerModal(IDD_UNLOCK_NOTE, IDOK);
        Command(frame, 205);
        EXPECT_EQ(script.Calls(), std::vector<std::wstring>{kUnlockPrompt});
    }
    EXPECT_FALSE(note->IsLocked());
    EXPECT_EQ(note->GetColor() & 0xFFFFFF, 0xB6FFFFu);
}

TEST_F(CNoteCommandTest, HideHelpLockDeleteAndTheNextAndPreviousNoteRunWithoutThePassword)
{
    CNote* other = Note(L"the other one");
    CNote* note = Note();
    ASSERT_NE(note, nullptr);
    ASSERT_NE(other, nullptr);
    const HWND frame = note->GetHwnd();
    note->HideText();
    struct Case {
        UINT id;
        std::vector<std::wstring> calls;  // the command's own prompt only
    };
    const Case cases[] = {
        {20013, {}},
        {20040, {}},
        {20041, {}},
        {20024, {kUnlockPrompt}},  // unlocking is the command itself
        {20027, {kUnlockPrompt}},  // asked with the delete text, refused
    };
    for (const Case& c : cases) {
        ScopedUiScript script;
        if (!c.calls.empty())
            script.AnswerModal(IDD_UNLOCK_NOTE, IDCANCEL);
        Command(frame, c.id);
        EXPECT_EQ(script.Calls(), c.calls) << c.id;
        ASSERT_EQ(m_manager.GetNoteFromWindow(frame), note) << c.id;
        EXPECT_TRUE(note->IsLocked()) << c.id;
    }
    EXPECT_EQ(SDialogLog::calls, std::vector<std::wstring>{L"help 260"});
    ScopedUiScript script;
    Command(frame, 20002);
    EXPECT_TRUE(script.Calls().empty());
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_TRUE(SSounds::Played(L"hide.wav"));
}

// ---- read-only and what is stored

TEST_F(CNoteCommandTest, AReadOnlyNoteKeepsItsTextAndFormatButTakesColourTransparencyAndItsSwitch)
{
    CNote* note = Note(L"first line\rsecond line");
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    const HWND editor = note->GetEditHwnd();
    Command(frame, ID_READ_ONLY);
    ASSERT_TRUE(note->Alarm().flags & kNoteReadOnly);
    SendMessageW(editor, EM_SETSEL, 2, 8);
    const UINT kept[] = {201,   202,   203,   204,   805,   807,   20006, 20007, 21008,
                         21014, 21016, 21017, 21022, 21023, 21024, 21025, 21065};
    for (const UINT id : kept) {
        const std::wstring before = Rtf(*note);
        ScopedUiScript script;  // no dialog may open
        Command(frame, id);
        EXPECT_EQ(Rtf(*note), before) << id;
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 2u) << id;
        EXPECT_EQ(end, 8u) << id;
    }
    Command(frame, ID_COLOR_GREEN);
    EXPECT_EQ(note->GetColor() & 0xFFFFFF, 0xB7F4BDu);
    Command(frame, 303);
    EXPECT_EQ(note->Row().transparency, 178);
    Command(frame, ID_READ_ONLY);
    EXPECT_FALSE(note->Alarm().flags & kNoteReadOnly);
}

TEST_F(CNoteCommandTest, EveryChangeACommandMakesIsStoredByTheSaveAndComesBack)
{
    CGroups::AddGroup(0, L"Home", 0x8080FF);
    CNote* note = Note(L"bold words");
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    const std::int64_t id = note->GetId();
    const bool autoResize = note->Row().autoResize;
    SendMessageW(note->GetEditHwnd(), EM_SETSEL, 0, 4);
    Command(frame, ID_EFFECT_BOLD);
    SendMessageW(note->GetEditHwnd(), EM_SETSEL, 5, 10);
    {
        ScopedUiScript script;
        script.HandleFont([](CHOOSEFONTW& choice) {
            choice.lpLogFont->lfItalic = TRUE;
            choice.rgbColors = 0x2040C0;
            return TRUE;
        });
        Command(frame, ID_SELECT_FONT);
    }
    for (const UINT id2 : {ID_ALIGN_CENTER, ID_COLOR_BLUE, 304u, ID_AUTO_RESIZE, ID_SORT_LINES, ID_NUMBERING_BULLETS,
                           ID_READ_ONLY, ID_NOTE_GROUP_FIRST})
        Command(frame, id2);
    EXPECT_EQ(NumberingOf(note->GetEditHwnd()), PFN_BULLET) << "before the save";
    ASSERT_TRUE(m_manager.SaveModifiedNotes());
    m_manager.CloseAll();
    CNote* again = m_manager.LoadAndShowNote(id);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Stored(L"style", id), 1);
    EXPECT_EQ(Stored(L"transparency", id), 153);
    EXPECT_EQ(Stored(L"autoresize", id) != 0, !autoResize);
    EXPECT_EQ(Stored(L"colortext", id), 0x2040C0);
    EXPECT_TRUE(Stored(L"alarm_alarmflags", id) & kNoteReadOnly);
    EXPECT_EQ(Stored(L"group", id), CGroups::GetAt(0)->GetId());
    // The group's colour is the note's colour now.
    EXPECT_EQ(again->GetColor() & 0xFFFFFF, 0x8080FFu);
    const HWND editor = again->GetEditHwnd();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(EffectsAt(editor, 0, 4) & (CFE_BOLD | CFE_ITALIC), CFE_BOLD);
    EXPECT_EQ(EffectsAt(editor, 5, 10) & (CFE_BOLD | CFE_ITALIC), CFE_ITALIC) << "the font dialog's italic";
    EXPECT_EQ(NumberingOf(editor), PFN_BULLET) << Rtf(*again);
}

TEST_F(CNoteCommandTest, FormatCommandsKeepTextInEveryScriptAcrossStoresAndRestarts)
{
    // Polish, Turkish, Vietnamese, Greek, Cyrillic, CJK and an emoji.
    const std::wstring words = L"Zażółć gęślą\r\nIğdır şişe\r\nTiếng Việt\r\nΕλληνικά\r\nКириллица\r\n漢字かな\r\n\U0001F600 end";
    CNote* note = Note(words.c_str());
    ASSERT_NE(note, nullptr);
    const std::int64_t id = note->GetId();
    const HWND frame = note->GetHwnd();
    SendMessageW(note->GetEditHwnd(), EM_SETSEL, 3, 20);
    {
        ScopedUiScript script;
        script.HandleFont([](CHOOSEFONTW& choice) {
            choice.lpLogFont->lfUnderline = TRUE;
            return TRUE;
        });
        Command(frame, ID_SELECT_FONT);
    }
    for (const UINT command : {ID_EFFECT_BOLD, ID_EFFECT_STRIKEOUT, ID_ALIGN_RIGHT, ID_COLOR_PURPLE})
        Command(frame, command);
    const std::wstring plain = note->GetPlainText().c_str();
    ASSERT_EQ(plain, words);
    const auto row = [&] {
        CppSQLite3Query query = DB().execQuery(
            (L"select hex(text) || '|' || hex(displaytext) || '|' || lastupdatedate from notes where id = " +
             std::to_wstring(id))
                .c_str());
        return query.eof() ? std::wstring(L"<no row>") : QueryText(query, 0);
    };
    ASSERT_TRUE(m_manager.SaveModifiedNotes());
    m_manager.CloseAll();
    const std::wstring stored = row();
    CNote* again = m_manager.LoadAndShowNote(id);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(std::wstring(again->GetPlainText().c_str()), words) << "after a restart";
    ASSERT_TRUE(m_manager.SaveModifiedNotes());
    m_manager.CloseAll();
    EXPECT_EQ(row(), stored) << "a read writes nothing";
    again = m_manager.LoadAndShowNote(id);
    ASSERT_NE(again, nullptr);
    again->SetModified(true);
    ASSERT_TRUE(m_manager.SaveModifiedNotes());
    m_manager.CloseAll();
    ASSERT_NE(m_manager.LoadAndShowNote(id), nullptr);
    EXPECT_EQ(std::wstring(m_manager.GetNote(id)->GetPlainText().c_str()), words) << "after a second store";
}

// ---- the menu's marks

class CNoteMarksTest : public CNoteCommandTest {
protected:
    void SetUp() override
    {
        CNoteCommandTest::SetUp();
        m_menu = CreatePopupMenu();
        for (UINT id : {201u, 202u, 203u, ID_NOTE_LOCK, ID_AUTO_RESIZE, ID_READ_ONLY})
            AppendMenuW(m_menu, MF_STRING, id, L"item");
        for (UINT id = 300; id <= 309; ++id)
            AppendMenuW(m_menu, MF_STRING, id, L"level");
        SetNoteFrameMenu(m_menu);
    }
    void TearDown() override
    {
        SetNoteFrameMenu(nullptr);
        DestroyMenu(m_menu);
        CNoteCommandTest::TearDown();
    }
    bool Checked(UINT id) const { return (GetMenuState(m_menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    std::vector<UINT> CheckedOf(UINT first, UINT last) const
    {
        std::vector<UINT> checked;
        for (UINT id = first; id <= last; ++id)
            if (Checked(id))
                checked.push_back(id);
        return checked;
    }
    std::wstring Text(UINT id) const
    {
        wchar_t text[64] = {};
        GetMenuStringW(m_menu, id, text, 64, MF_BYCOMMAND);
        return text;
    }

    HMENU m_menu = nullptr;
};

TEST_F(CNoteMarksTest, EachTransparencyEntryGivesItsAlphaAndAloneCarriesTheCheck)
{
    CNote* note = Note();
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    const int alphas[] = {255, 229, 204, 178, 153, 127, 102, 76, 51, 25};
    for (UINT id = 300; id <= 309; ++id) {
        Command(frame, id);
        EXPECT_EQ(note->Row().transparency, alphas[id - 300]) << id;
        UpdateNoteMenuChecks(frame);
        EXPECT_EQ(CheckedOf(300, 309), std::vector<UINT>{id}) << id;
    }
    for (const int opaque : {0, 255}) {
        note->Row().transparency = opaque;
        UpdateNoteMenuChecks(frame);
        EXPECT_EQ(CheckedOf(300, 309), std::vector<UINT>{300}) << opaque;
    }
}

TEST_F(CNoteMarksTest, AlignmentLockTextAutoResizeAndReadOnlyFollowTheNote)
{
    CNote* note = Note();
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    for (const UINT id : {ID_ALIGN_RIGHT, ID_ALIGN_CENTER, ID_ALIGN_LEFT}) {
        Command(frame, id);
        UpdateNoteMenuChecks(frame);
        EXPECT_EQ(CheckedOf(201, 203), std::vector<UINT>{id}) << id;
    }
    UpdateNoteMenuChecks(frame);
    EXPECT_EQ(Text(ID_NOTE_LOCK), L"&Lock\tF11");
    EXPECT_EQ(Checked(ID_AUTO_RESIZE), note->Row().autoResize);
    EXPECT_FALSE(Checked(ID_READ_ONLY));
    Command(frame, ID_READ_ONLY);
    Command(frame, ID_AUTO_RESIZE);
    note->HideText();
    UpdateNoteMenuChecks(frame);
    EXPECT_EQ(Text(ID_NOTE_LOCK), L"Un&lock\tF11");
    EXPECT_EQ(Checked(ID_AUTO_RESIZE), note->Row().autoResize);
    EXPECT_TRUE(Checked(ID_READ_ONLY));

    // A bare window has no editor to ask: left.
    CNote* bare = BareNote(L"hidden");
    ASSERT_NE(bare, nullptr);
    bare->Row().style = 2;
    UpdateNoteMenuChecks(bare->GetHwnd());
    EXPECT_EQ(CheckedOf(201, 203), std::vector<UINT>{201});
}

// ---- delete

TEST_F(CNoteCommandTest, DeleteAsksByTheNotesTextAndItsLockAndSaysItWithItsSound)
{
    enum EText { kEditorText, kEmptyEditor, kBareWithText };
    enum ELock { kUnlocked, kLockAccepted, kLockRefused };
    for (const EText text : {kEditorText, kEmptyEditor, kBareWithText}) {
        for (const bool confirm : {false, true}) {
            for (const ELock lock : {kUnlocked, kLockAccepted, kLockRefused}) {
                const std::string what = "text " + std::to_string(text) + ", confirm " + std::to_string(confirm) +
                                         ", lock " + std::to_string(lock);
                SSounds::commands.clear();
                g_prefs.ConfirmNoteDelete = confirm;
                CNote* note = text == kBareWithText ? BareNote(L"kept") : Note(text == kEmptyEditor ? L"" : L"kept");
                ASSERT_NE(note, nullptr) << what;
                if (lock != kUnlocked)
                    note->HideText();
                const std::int64_t id = note->GetId();
                const bool asks = confirm && text != kEmptyEditor && lock != kLockRefused;
                const bool deleted = lock != kLockRefused;
                ScopedUiScript script;
                std::vector<std::wstring> calls;
                if (lock != kUnlocked) {
                    script.AnswerModal(IDD_UNLOCK_NOTE, lock == kLockAccepted ? IDOK : IDCANCEL);
                    calls.push_back(kUnlockPrompt);
                }
                if (asks) {
                    script.AnswerMessageBox(IDYES);
                    calls.push_back(L"box " + std::wstring(LoadResString(IDS_CONFIRM_NOTE_DELETE)));
                }
                Command(note->GetHwnd(), ID_DELETE_NOTE);
                EXPECT_EQ(script.Calls(), calls) << what;
                EXPECT_EQ(Scalar((L"select count(*) from notes where id = " + std::to_wstring(id)).c_str()),
                          deleted ? 0 : 1)
                    << what;
                EXPECT_EQ(SSounds::Played(L"delete.wav"), deleted) << what;
            }
        }
    }
    g_prefs.ConfirmNoteDelete = true;
    CNote* note = Note(L"kept");
    ASSERT_NE(note, nullptr);
    ScopedUiScript script;
    script.AnswerMessageBox(IDNO);
    Command(note->GetHwnd(), ID_DELETE_NOTE);
    EXPECT_EQ(m_manager.GetNoteFromWindow(note->GetHwnd()), note) << "No keeps the note";
}

// ---- export

// The save chooser answering a path and the filter it was chosen under.
struct SSaveAnswer {
    static inline std::wstring path;
    static inline DWORD filter = 1;
    static BOOL Save(OPENFILENAMEW* request)
    {
        wcsncpy_s(request->lpstrFile, request->nMaxFile, path.c_str(), _TRUNCATE);
        request->nFilterIndex = filter;
        return TRUE;
    }
};

std::string Utf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
    bytes.resize(static_cast<size_t>(size - 1));
    return bytes;
}

std::string FileBytes(const std::wstring& path)
{
    std::string bytes;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

TEST_F(CNoteCommandTest, ExportWritesTheChosenFormatAndSaysAFailure)
{
    // Polish, Turkish, Vietnamese, Greek, Cyrillic, CJK and an emoji.
    const wchar_t kWords[] = L"Zażółć ığ Tiếng Ελληνικά Кириллица 漢字 \U0001F600";
    CNote* note = Note(kWords);
    ASSERT_NE(note, nullptr);
    const std::string words = Utf8(kWords);
    const HWND frame = note->GetHwnd();
    struct Case {
        const wchar_t* file;
        DWORD filter;
        bool xml;
    };
    const Case cases[] = {{L"a.txt", 1, false}, {L"b.xml", 2, true}, {L"c.XML", 3, true}, {L"d.log", 3, false}};
    for (const Case& c : cases) {
        SSaveAnswer::path = m_dir.File(c.file);
        SSaveAnswer::filter = c.filter;
        SCommonDialogSeam dialogs = g_commonDialogSeam;
        dialogs.getSaveFileName = &SSaveAnswer::Save;
        const CSeamOverride<SCommonDialogSeam> seam(g_commonDialogSeam, dialogs);
        Command(frame, ID_EXPORT_NOTE);
        const std::string bytes = FileBytes(SSaveAnswer::path);
        if (c.xml) {
            EXPECT_NE(bytes.find(words), std::string::npos) << bytes;
            const std::string end = "</NOTES>";
            const std::string trimmed = bytes.substr(0, bytes.find_last_not_of("\r\n") + 1);
            ASSERT_GE(trimmed.size(), end.size()) << bytes;
            EXPECT_EQ(trimmed.substr(trimmed.size() - end.size()), end) << bytes;
        } else {
            const std::string rule(79, '=');
            const std::string title = Utf8(note->GetDisplayName().c_str());
            EXPECT_EQ(bytes, rule + "\r\n= " + title + "\r\n" + rule + "\r\n" + words);
        }
    }
    {
        ScopedUiScript script;
        script.AnswerSaveFile(std::nullopt);
        Command(frame, ID_EXPORT_NOTE);
        EXPECT_EQ(script.Calls(), std::vector<std::wstring>{L"save"});
    }
    CLogCapture log;
    ScopedUiScript script;
    const std::wstring unwritable = m_dir.File(L"no such folder\\e.txt");
    script.AnswerSaveFile(unwritable);
    script.AnswerMessageBox(IDOK);
    Command(frame, ID_EXPORT_NOTE);
    ASSERT_EQ(script.MessageBoxTexts().size(), 1u);
    EXPECT_EQ(script.MessageBoxTexts()[0], L"Failed to export to " + unwritable);
    EXPECT_TRUE(LogHasLineStarting(log, L"ExportSticky - Open failed"));
    EXPECT_EQ(GetFileAttributesW(unwritable.c_str()), INVALID_FILE_ATTRIBUTES);
}

// ---- quick snooze

class CQuickSnoozeTest : public CNoteCommandTest {
protected:
    const COleDateTime m_now{2030, 5, 6, 12, 0, 0};
    CFixedClock m_clock{m_now};
};

TEST_F(CQuickSnoozeTest, AnAlarmAheadIsAskedAboutAndEveryWayOutReleasesThePause)
{
    const COleDateTime ahead(2030, 5, 6, 18, 0, 0);
    const COleDateTime passed(2030, 5, 6, 6, 0, 0);
    struct Case {
        const char* what;
        COleDateTime alarm;
        std::optional<int> box;  // the answer when asked
        bool snoozeAnswer;
        bool heldBefore;
    };
    const Case cases[] = {
        {"ahead, No", ahead, IDNO, false, false},
        {"ahead, Yes, cancelled", ahead, IDYES, false, false},
        {"passed, snoozed", passed, std::nullopt, true, false},
        {"ahead, Yes, snoozed, pause held", ahead, IDYES, true, true},
    };
    for (const Case& c : cases) {
        SDialogLog::Reset();
        CNote* note = Note();
        ASSERT_NE(note, nullptr) << c.what;
        const HWND frame = note->GetHwnd();
        note->Alarm().alarmDate = c.alarm;
        note->Alarm().flags = kAlarmActive | kAlarmSet;
        SDialogLog::answer = c.snoozeAnswer;
        std::optional<CAlarmCheckPause> held;
        if (c.heldBefore)
            held.emplace(m_manager);
        ScopedUiScript script;
        if (c.box)
            script.AnswerMessageBox(*c.box);
        Command(frame, ID_QUICK_SNOOZE);
        EXPECT_EQ(script.MessageBoxTexts().size(), c.box ? 1u : 0u) << c.what;
        EXPECT_EQ(m_manager.AlarmChecksPaused(), c.heldBefore) << c.what;
        const bool asked = !c.box || *c.box == IDYES;
        EXPECT_EQ(SDialogLog::calls, asked ? std::vector<std::wstring>{L"snooze"} : std::vector<std::wstring>{})
            << c.what;
        if (asked) {
            EXPECT_EQ(SDialogLog::window, frame) << c.what;
            EXPECT_EQ(SDialogLog::snoozeStart.m_dt, (c.box ? m_now : c.alarm).m_dt) << c.what;
        }
        CNote* same = m_manager.GetNoteFromWindow(frame);
        if (c.snoozeAnswer) {
            EXPECT_EQ(same, nullptr) << c.what << ": hidden";
            CNote* stored = m_manager.GetNote(note->GetId());
            ASSERT_NE(stored, nullptr) << c.what;
            EXPECT_EQ(stored->Alarm().flags & 0x85u, 0x85u) << c.what;
            EXPECT_FALSE(stored->IsVisible()) << c.what;
        } else {
            ASSERT_EQ(same, note) << c.what;
            EXPECT_EQ(note->Alarm().flags, kAlarmActive | kAlarmSet) << c.what;
            EXPECT_EQ(note->Alarm().alarmDate.m_dt, c.alarm.m_dt) << c.what;
            EXPECT_TRUE(IsWindowVisible(frame)) << c.what;
        }
    }
}

// ---- groups and lifetime

TEST_F(CNoteCommandTest, GroupCommandsJoinByPositionAndStepAtTheEnds)
{
    CGroup* first = CGroups::AddGroup(0, L"One", 0x8080FF);
    CGroup* second = CGroups::AddGroup(1, L"Two", 0x80FF80);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    CNote* note = Note();
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    struct Case {
        UINT id;
        std::int64_t group;
    };
    const Case cases[] = {
        {ID_NOTE_GROUP_FIRST + 1, second->GetId()},
        {ID_NOTE_GROUP_FIRST + 2, second->GetId()},  // past the count: nothing
        {ID_NEXT_GROUP, first->GetId()},  // wrapping at both ends
        {ID_PREVIOUS_GROUP, second->GetId()},
        {ID_PREVIOUS_GROUP, first->GetId()},
        {ID_NEXT_GROUP, second->GetId()},
        {ID_NOTE_NO_GROUP, 0},
        {ID_NOTE_GROUP_FIRST, first->GetId()},
    };
    for (const Case& c : cases) {
        Command(frame, c.id);
        EXPECT_EQ(note->GetGroup(), c.group) << c.id;
        EXPECT_EQ(Stored(L"group", note->GetId()), c.group) << c.id;
    }
}

TEST_F(CNoteCommandTest, ACommandOnAHiddenNotesBareWindowIsStoredAndLeavesNoWindow)
{
    CNote* note = BareNote(L"hidden words");
    ASSERT_NE(note, nullptr);
    const std::int64_t id = note->GetId();
    const HWND frame = note->GetHwnd();
    Command(frame, ID_COLOR_PINK);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(Stored(L"color", id) & 0xFFFFFF, 0xFEC0FE);
    EXPECT_EQ(Stored(L"visible", id), 0);
    // Editor commands do nothing there and open nothing.
    CNote* again = BareNote(L"more");
    ASSERT_NE(again, nullptr);
    for (const UINT id2 : {ID_SELECT_FONT, ID_NOTE_PASTE, ID_INSERT_DATE, ID_EFFECT_BOLD, ID_SORT_LINES}) {
        const HWND bare = again->GetHwnd();
        ScopedUiScript script;
        Command(bare, id2);
        EXPECT_TRUE(script.Calls().empty()) << id2;
        EXPECT_FALSE(IsWindow(bare)) << id2;
        again = m_manager.GetNote(again->GetId());
        ASSERT_NE(again, nullptr);
        ASSERT_TRUE(again->CreateBareWindow());
        m_manager.AddWindow(again);
    }
}

TEST_F(CNoteCommandTest, AFontDialogThatDeletesTheNoteEndsTheCommand)
{
    CNote* note = Note();
    ASSERT_NE(note, nullptr);
    const std::int64_t id = note->GetId();
    const HWND frame = note->GetHwnd();
    ScopedUiScript script;
    script.HandleFont([&](CHOOSEFONTW&) {
        m_manager.GetNote(id)->Delete();
        return TRUE;
    });
    Command(frame, ID_SELECT_FONT);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(Scalar((L"select count(*) from notes where id = " + std::to_wstring(id)).c_str()), 0);
}

TEST_F(CNoteCommandTest, DialogsOfOtherPartsGetTheNoteOrItsFrame)
{
    SetNoteNetworkOn(true);
    CNote* note = Note();
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    struct Case {
        UINT id;
        const wchar_t* call;
        HWND window;
    };
    const Case cases[] = {
        {ID_SET_ALARM, L"alarm", frame},   {ID_RENAME_NOTE, L"title", frame},   {ID_NOTE_LOCK, L"lock", frame},
        {ID_FIND_IN_NOTE, L"find", frame}, {ID_REPLACE_IN_NOTE, L"replace", frame}, {ID_EDIT_GROUPS, L"groups", frame},
        {ID_ATTACH_TO_WINDOW, L"attach", frame}, {ID_NET_SEND_NOTE, L"netsend", frame},
        {ID_PRINT_NOTE, L"print", nullptr}, {ID_EMAIL_NOTE, L"mail", nullptr},
    };
    for (const Case& c : cases) {
        SDialogLog::Reset();
        Command(frame, c.id);
        EXPECT_EQ(SDialogLog::calls, std::vector<std::wstring>{c.call}) << c.id;
        EXPECT_EQ(SDialogLog::window, c.window) << c.id;
    }
    EXPECT_EQ(GetFindTargetWindow(), frame);
    SetNoteNetworkOn(false);
    SDialogLog::Reset();
    Command(frame, ID_NET_SEND_NOTE);
    EXPECT_TRUE(SDialogLog::calls.empty()) << "no network, no send";
    // A hidden note's alarm dialog has no parent.
    CNote* bare = BareNote(L"hidden");
    ASSERT_NE(bare, nullptr);
    SDialogLog::Reset();
    const std::int64_t bareId = bare->GetId();
    Command(bare->GetHwnd(), ID_SET_ALARM);
    EXPECT_EQ(SDialogLog::calls, std::vector<std::wstring>{L"alarm"});
    EXPECT_EQ(SDialogLog::window, nullptr);
    EXPECT_EQ(SDialogLog::noteId, bareId);
}

TEST_F(CNoteCommandTest, PreferencesGoToTheMainWindowOnceAndTheEditorTakesTheKeysAgain)
{
    CNote* note = Note();
    ASSERT_NE(note, nullptr);
    SetFocus(note->GetHwnd());
    Command(note->GetHwnd(), ID_PREFERENCES);
    EXPECT_EQ(SMainStandIn::commands, std::vector<UINT>{ID_PREFERENCES});
    EXPECT_EQ(GetFocus(), note->GetEditHwnd());
}

TEST_F(CNoteCommandTest, DateAndTimeGoInAtTheSelectionAndAnUnknownIdDoesNothing)
{
    const CFixedClock clock(COleDateTime(2031, 7, 8, 9, 10, 11));
    CNote* note = Note(L"when: ");
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    SendMessageW(note->GetEditHwnd(), EM_SETSEL, 6, 6);
    Command(frame, ID_INSERT_TIME);
    wchar_t time[256] = {};
    FormatTimeShort(COleDateTime(2031, 7, 8, 9, 10, 11).m_dt, time, 256);
    EXPECT_EQ(std::wstring(note->GetPlainText().c_str()), L"when: " + std::wstring(time));
    const SNoteState before = SNoteState::Of(*note);
    ScopedUiScript script;
    for (const UINT id : {0u, 21049u, 21064u, 65000u, ID_NOTE_GROUP_FIRST + 5})
        Command(frame, id);
    EXPECT_TRUE(before == SNoteState::Of(*note));
}

// ---- keys and the menu resource

// Records the commands that reach the frame instead of running them.
struct SFrameCommands {
    static inline std::vector<UINT> ids;
    static inline WNDPROC original = nullptr;
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_COMMAND && lParam == 0) {
            ids.push_back(LOWORD(wParam));
            return 0;
        }
        return CallWindowProcW(original, window, msg, wParam, lParam);
    }
};

TEST_F(CNoteCommandTest, EveryNoteKeyOnTheEditorReachesTheFrameButTheThreeTheEditorKeeps)
{
    const HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_NOTE_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    std::vector<ACCEL> keys(static_cast<size_t>(CopyAcceleratorTableW(table, nullptr, 0)));
    CopyAcceleratorTableW(table, keys.data(), static_cast<int>(keys.size()));
    ASSERT_EQ(keys.size(), 30u);
    CNote* note = Note();
    ASSERT_NE(note, nullptr);
    const HWND frame = note->GetHwnd();
    const HWND editor = note->GetEditHwnd();
    SFrameCommands::original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SFrameCommands::Proc)));
    for (const ACCEL& key : keys) {
        SFrameCommands::ids.clear();
        const bool alt = key.fVirt & FALT;
        const bool control = key.fVirt & FCONTROL;
        std::optional<CHeldKey> held[3];
        if (alt)
            held[0].emplace(VK_MENU);
        if (control)
            held[1].emplace(VK_CONTROL);
        if (key.fVirt & FSHIFT)
            held[2].emplace(VK_SHIFT);
        MSG msg = {};
        msg.hwnd = editor;
        msg.message = alt && !control ? WM_SYSKEYDOWN : WM_KEYDOWN;
        msg.wParam = key.key;
        msg.lParam = alt ? static_cast<LPARAM>(1 << 29) : 0;
        EXPECT_TRUE(TranslateAcceleratorW(editor, table, &msg)) << key.cmd;
        for (auto& one : held)
            one.reset();
        PumpMessages();
        const bool kept = key.cmd == ID_PASTE_OTHER || key.cmd == ID_COPY_PLAIN || key.cmd == 57642;
        EXPECT_EQ(SFrameCommands::ids, kept ? std::vector<UINT>{} : std::vector<UINT>{key.cmd}) << key.cmd;
    }
    SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SFrameCommands::original));
    DestroyAcceleratorTable(table);
}

void CollectMenuTexts(HMENU menu, std::map<UINT, std::wstring>& texts)
{
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        if (const HMENU sub = GetSubMenu(menu, position)) {
            CollectMenuTexts(sub, texts);
            continue;
        }
        wchar_t text[128] = {};
        GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
        const UINT id = GetMenuItemID(menu, position);
        if (id != 0 && id != static_cast<UINT>(-1))
            texts[id] = text;
    }
}

TEST(NoteMenuResource, HoldsEveryNoteCommandWithItsText)
{
    const std::map<UINT, std::wstring> expected = {
        {201, L"Left"},
        {202, L"Right"},
        {203, L"Center"},
        {204, L"&Select Font\tF5"},
        {205, L"Yellow"},
        {206, L"Green"},
        {207, L"Blue"},
        {21031, L"Pink"},
        {21032, L"Purple"},
        {21033, L"White"},
        {20030, L"Adjust color\tF2"},
        {210, L"Set &alarm\tF6"},
        {211, L"&Preferences"},
        {805, L"Cut\tCTRL+X"},
        {806, L"Copy\tCTRL+C"},
        {807, L"Paste\tCTRL+V"},
        {20002, L"&Hide note\tF8"},
        {20005, L"Rename &note\tF7"},
        {20006, L"Insert current date\tF9"},
        {20007, L"Insert current time\tSHIFT+F9"},
        {20010, L"Print &note\tCTRL+P"},
        {20011, L"D&uplicate note"},
        {20013, L"Help\tF1"},
        {20024, L"&Lock\tF11"},
        {20026, L"&Export to text file"},
        {20027, L"&Delete Note\tCTRL+D"},
        {20028, L"&Find\tCTRL+F"},
        {20029, L"&Replace\tCTRL+H"},
        {20040, L"Next note\tCTRL+N"},
        {20041, L"Previous note\tCTRL+SHIFT+N"},
        {20042, L"Net Send note\tF4"},
        {20046, L"Quick &Snooze\tCTRL+Q"},
        {20048, L"Toggle view\tCTRL+Space"},
        {20050, L"&Edit Groups\tF3"},
        {21008, L"Sort"},
        {21010, L"Attach to window"},
        {21012, L"Size to fit\tCTRL+ALT+Space"},
        {21014, L"Bold\tCTRL+B"},
        {21016, L"Underline\tCTRL+U"},
        {21017, L"Italic\tCTRL+I"},
        {21065, L"Strikethrough"},
        {21023, L"Bulleted"},
        {21024, L"Numbered"},
        {21025, L"Lettered"},
        {21051, L"Toggle All in Group\tALT+G"},
        {21052, L"Select Next Group\tALT+2"},
        {21053, L"Select Previous Group\tALT+1"},
        {21058, L"Automatically resize note as you type"},
        {21060, L"Read-only"},
        {21061, L"Hide all other notes\tCTRL+ALT+SHIFT+H"},
    };
    const HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_NOTE_MENU));
    ASSERT_NE(menu, nullptr);
    std::map<UINT, std::wstring> texts;
    CollectMenuTexts(GetSubMenu(menu, 0), texts);
    DestroyMenu(menu);
    EXPECT_EQ(texts, expected);
    EXPECT_STREQ(LoadResString(IDS_MENU_UNLOCK), L"Un&lock\tF11");
}

} // namespace
