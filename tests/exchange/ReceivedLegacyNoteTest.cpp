// A note received in the legacy form through the main window's handler: made
// safe, stored once and shown, or refused with the failure box.
#include "MainWindowTestSupport.h"
#include "SticFixtures.h"

#include <richedit.h>

#include <string>

#include "exchange/NetSendRecord.h"
#include "notestore/Note.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"
#include "shell/mainwnd.h"
#include "tests/notestore/RecordTestSupport.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/ComApartment.h"
#include "tests/support/TestDir.h"

namespace {

std::unique_ptr<CNetSendRecord> ReceivedLegacy(const std::string& bytes, const wchar_t* sender)
{
    return CNetSendRecord::Make(nullptr, L"", 0, reinterpret_cast<const BYTE*>(bytes.data()),
                                static_cast<int>(bytes.size()), nullptr, 0, sender);
}

class ReceivedLegacyNoteTest : public CMainWindowTest {
protected:
    void SetUp() override
    {
        CMainWindowTest::SetUp();
        CGroups::Clear();
        RegisterTestWindowClass(L"NoteWClass");
    }
    void TearDown() override
    {
        CMainWindowTest::TearDown();
        CGroups::Clear();
    }

    LRESULT Receive(const std::string& bytes, const wchar_t* sender)
    {
        return SendMessageW(m_window, WM_NOTE_RECEIVED, 0, ReleaseNetSendRecord(ReceivedLegacy(bytes, sender)));
    }
    std::int64_t Scalar(const wchar_t* sql) { return m_manager.GetDB()->execScalar(sql); }
};

TEST_F(ReceivedLegacyNoteTest, TheFirstNoteArrivesWithoutWhatActsOrBelongsHere)
{
    const CGroup* const group = CGroups::AddGroup(-1, L"Work", RGB(1, 2, 3));
    ASSERT_NE(group, nullptr);
    CSticHeaderBytes header;
    header.Put(0, "From afar").U16(130, 0x0860).U8(155, 1).Put(168, "calc.exe").Put(680, "\\\\server\\ring.wav")
        .Put(1028, std::to_string(group->GetId()));
    const std::string bytes = SticHead(33, 2) + SticNoteBytes(33, header, "hello") +
                              SticNoteBytes(33, CSticHeaderBytes().Put(0, "second"), "ignored");

    EXPECT_EQ(Receive(bytes, L"alice"), 1);
    EXPECT_EQ(Scalar(L"select count(*) from `notes`"), 1);
    EXPECT_EQ(Scalar(L"select count(*) from `search2`"), 1);
    const std::vector<std::int64_t> ids = m_manager.GetAllNoteIDs();
    ASSERT_EQ(ids.size(), 1u);
    const CNote* const note = m_manager.GetNote(ids.front());
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->GetName(), L"From afar");
    EXPECT_EQ(note->Row().text, L"hello");
    ExpectReceivedSafely(*note);
    PumpPosted();
    EXPECT_TRUE(m_boxes.ShownTexts().empty());
}

// What the editor holds whenever the note is shown or changed.
struct SEditorWatch {
    bool Seen(CNote* note, CNoteManager::eNoteDisplay)
    {
        CStdStr rtf;
        if (note && note->GetEditHwnd() && note->GetText(true, false, true, rtf))
            texts.push_back(rtf + L"|" + note->GetPlainText());
        return true;
    }
    std::vector<CStdStr> texts;
};

// Text streamed into a note's editor, counted on this thread.
int g_noteStreamIns = 0;

LRESULT CALLBACK CountNoteStreamIns(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    wchar_t parentClass[32] = {};
    if (code == HC_ACTION && message->message == EM_STREAMIN &&
        GetClassNameW(GetParent(message->hwnd), parentClass, 32) && wcscmp(parentClass, L"NoteWClass") == 0)
        ++g_noteStreamIns;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The object goes before anything loads it; what it showed (its result) stays,
// and the editor is filled once.
TEST_F(ReceivedLegacyNoteTest, AnObjectInTheTextNeverReachesTheEditorOrTheRow)
{
    g_noteStreamIns = 0;
    const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &CountNoteStreamIns, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    SEditorWatch watch;
    m_manager.AddDisplayListener(CNoteManager::CDisplayListener::Bind<&SEditorWatch::Seen>(&watch));
    const std::string rtf = "{\\rtf1 before {\\object\\objemb{\\*\\objclass Package}{\\*\\objdata 0105cafe}"
                            "{\\result shown}} after}";
    EXPECT_EQ(Receive(SticHead(33, 1) + SticNoteBytes(33, CSticHeaderBytes().Put(0, "Parcel").U8(155, 1), rtf),
                      L"mallory"), 1);
    m_manager.RemoveDisplayListener(CNoteManager::CDisplayListener::Bind<&SEditorWatch::Seen>(&watch));
    UnhookWindowsHookEx(hook);
    // The new window's empty text, then the note's own text once, made safe.
    EXPECT_EQ(g_noteStreamIns, 2) << "the text filled in once";
    ASSERT_FALSE(watch.texts.empty()) << "the note was shown";
    for (const CStdStr& text : watch.texts) {
        for (const wchar_t* held : {L"\\object", L"\\objdata", L"cafe", L"\uFFFC"})
            EXPECT_EQ(text.find(held), CStdStr::npos) << testing::PrintToString(text);
    }
    const std::vector<std::int64_t> ids = m_manager.GetAllNoteIDs();
    ASSERT_EQ(ids.size(), 1u);
    CNote* const note = m_manager.GetNote(ids.front());
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->GetPlainText(), L"before shown after");
    EXPECT_EQ(Scalar(L"select count(*) from notes where displaytext like '%objdata%' or displaytext like '%cafe%' "
                     L"or text like '%cafe%' or displaytext like '%object%'"), 0);
    EXPECT_EQ(Scalar(L"select count(*) from search2 where text like '%cafe%' or text like '%objdata%'"), 0);
    EXPECT_EQ(Scalar(L"select count(*) from search2 where search2 match 'before'"), 1);
}

TEST_F(ReceivedLegacyNoteTest, ABufferWithoutANoteMakesNothingAndSaysSo)
{
    const std::string note = SticNoteBytes(33, CSticHeaderBytes().Put(0, "cut"), "text");
    struct Case {
        const char* what;
        std::string bytes;
        const wchar_t* sender;
    };
    const Case cases[] = {
        {"count 0", SticHead(33, 0), L"bob"},
        {"cut inside its note", SticHead(33, 1) + note.substr(0, 900), L"carol"},
    };
    for (const Case& c : cases) {
        const size_t boxesBefore = m_boxes.ShownTexts().size();
        EXPECT_EQ(Receive(c.bytes, c.sender), 0) << c.what;
        PumpPosted();
        ASSERT_EQ(m_boxes.ShownTexts().size(), boxesBefore + 1) << c.what;
        EXPECT_EQ(m_boxes.ShownTexts().back(), std::wstring(L"Failed to receive note from external host ") + c.sender)
            << c.what;
    }
    EXPECT_EQ(Scalar(L"select count(*) from `notes`"), 0);
}

}  // namespace
