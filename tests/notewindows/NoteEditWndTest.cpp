// The note editor in a hand-built note frame: dropped paths, links opened
// (and asked about) through the ShellExecuteW seam, the context menu as
// built, plain copy and paste, and commands passed up to the frame.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "foundation/ShellExecSeam.h"
#include "framework/EditCommands.h"
#include "framework/GlobalMemory.h"
#include "notestore/Note.h"
#include "notewindows/NoteCommandIds.h"
#include "notewindows/NoteEditWnd.h"
#include "notewindows/RtfSafety.h"
#include "resources/resource.h"
#include "tests/support/ScopedUiScript.h"

namespace {

const RECT kEditorArea = { 0, 0, 300, 200 };

struct ShellCalls {
    std::vector<std::wstring> opened;
    INT_PTR answer = 42;
};
ShellCalls g_shell;

HINSTANCE RecordShellExecute(HWND, const wchar_t* verb, const wchar_t* file, const wchar_t*, const wchar_t*,
                             int showCommand)
{
    EXPECT_STREQ(verb, L"open");
    EXPECT_EQ(showCommand, SW_SHOWNORMAL);
    g_shell.opened.push_back(file);
    return reinterpret_cast<HINSTANCE>(g_shell.answer);
}

// The note frame's class, as the note manager recognises it: slot 0 holds
// the note.
ATOM RegisterNoteFrameClass()
{
    static const ATOM atom = [] {
        WNDCLASSEXW frameClass = {};
        frameClass.cbSize = sizeof(frameClass);
        frameClass.lpfnWndProc = DefWindowProcW;
        frameClass.cbWndExtra = sizeof(LONG_PTR);
        frameClass.hInstance = GetModuleHandleW(nullptr);
        frameClass.lpszClassName = L"NoteWClass";
        return RegisterClassExW(&frameClass);
    }();
    return atom;
}

// A hidden fill-in for a PasteAsText value for the span of a test.
class CPasteAsText {
public:
    explicit CPasteAsText(bool on) : m_saved(g_prefs.PasteAsText) { g_prefs.PasteAsText = on; }
    ~CPasteAsText() { g_prefs.PasteAsText = m_saved; }

private:
    const bool m_saved;
};

class NoteEditor : public testing::Test {
protected:
    void SetUp() override
    {
        g_shell = {};
        ASSERT_NE(RegisterNoteFrameClass(), 0);
        m_frame = CreateWindowExW(0, L"NoteWClass", L"note", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(m_frame, nullptr);
        SetWindowLongPtrW(m_frame, 0, reinterpret_cast<LONG_PTR>(&m_note));
        // The note's own style: multi-line, with a scroll bar.
        ASSERT_TRUE(m_editor.CreateEditor(m_frame, kEditorArea, 0x50201044, 0, 32));
    }

    void TearDown() override
    {
        DestroyWindow(m_editor.GetHwnd());
        DestroyWindow(m_frame);
    }

    HWND Editor() const { return m_editor.GetHwnd(); }

    void SetText(const wchar_t* text)
    {
        SetWindowTextW(Editor(), L"");
        m_editor.StreamInText(text, false, false);
    }

    CStdStr Text() const
    {
        CStdStr text;
        EXPECT_TRUE(m_editor.ReadContent(text, false, false));
        return text;
    }

    LRESULT Notify(NMHDR& header, UINT code)
    {
        header.hwndFrom = Editor();
        header.idFrom = 32;
        header.code = code;
        return SendMessageW(Editor(), OCM_NOTIFY, 32, reinterpret_cast<LPARAM>(&header));
    }

    LRESULT DoubleClickLink(LONG start, LONG end)
    {
        ENLINK link = {};
        link.msg = WM_LBUTTONDBLCLK;
        link.chrg = { start, end };
        return Notify(link.nmhdr, EN_LINK);
    }

    // The screen point over a character.
    POINT PointOf(LONG index) const
    {
        POINTL position = {};
        SendMessageW(Editor(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&position), index);
        POINT point = { position.x + 2, position.y + 2 };
        ClientToScreen(Editor(), &point);
        return point;
    }

    CModalWatchdog m_watchdog;
    CSeamOverride<SShellExecuteSeam> m_shellSeam{ g_shellExecuteSeam, { RecordShellExecute } };
    CNote m_note;
    HWND m_frame = nullptr;
    CNoteEditWndT m_editor;
};

HGLOBAL MakeDrop(const std::vector<std::wstring>& paths)
{
    size_t chars = 1;
    for (const std::wstring& path : paths)
        chars += path.size() + 1;
    const HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* const drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* out = reinterpret_cast<wchar_t*>(drop + 1);
    for (const std::wstring& path : paths) {
        path.copy(out, path.size());
        out += path.size() + 1;
    }
    GlobalUnlock(block);
    return block;
}

CStdStr ClipboardText()
{
    CStdStr text;
    if (!OpenClipboard(nullptr))
        return text;
    if (const HGLOBAL block = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

TEST_F(NoteEditor, DroppedPathsGoInWholeAsOneUndoStep)
{
    const std::wstring longPath = L"C:\\" + std::wstring(300, L'd') + L"\\file.txt";
    SetText(L"ab");
    ENDROPFILES drop = {};
    drop.hDrop = MakeDrop({ L"C:\\first.txt", longPath });
    drop.cp = 1;
    EXPECT_EQ(Notify(drop.nmhdr, EN_DROPFILES), 0) << "the control must not go on with a freed handle";
    EXPECT_EQ(Text(), L"aC:\\first.txt\r\n" + longPath + L"\r\nb") << "paths cut at 260 or out of place";
    SendMessageW(Editor(), EM_UNDO, 0, 0);
    EXPECT_EQ(Text(), L"ab") << "both paths are one step";

    m_editor.SetReadOnly(true);
    drop.hDrop = MakeDrop({ L"C:\\first.txt" });
    EXPECT_EQ(Notify(drop.nmhdr, EN_DROPFILES), 0);
    EXPECT_EQ(Text(), L"ab") << "nothing dropped into a read-only editor";

    drop.hDrop = nullptr;
    EXPECT_EQ(Notify(drop.nmhdr, EN_DROPFILES), 1);
}

TEST_F(NoteEditor, DoubleClickedLinksOpenWithAScheme)
{
    struct Case {
        const wchar_t* link;
        const wchar_t* target;
    };
    const Case cases[] = {
        { L"www.example.com/a?b=1", L"http://www.example.com/a?b=1" },
        { L"WWW.Example.com", L"http://WWW.Example.com" },
        { L"ftp.example.org", L"ftp://ftp.example.org" },
        { L"someone@example.com", L"mailto:someone@example.com" },
        { L"mailto:someone@example.com", L"mailto:someone@example.com" },
        { L"https://example.com/x@y", L"https://example.com/x@y" },
    };
    ScopedUiScript script;  // no box may come up
    for (const Case& c : cases) {
        const std::wstring text = std::wstring(L"see ") + c.link + L" now";
        SetText(text.c_str());
        g_shell.opened.clear();
        EXPECT_EQ(DoubleClickLink(4, 4 + static_cast<LONG>(wcslen(c.link))), 1);
        ASSERT_EQ(g_shell.opened.size(), 1u) << c.link;
        EXPECT_EQ(g_shell.opened[0], c.target);
    }
}

TEST_F(NoteEditor, FileLinksAskFirstNamingThem)
{
    struct Case {
        const wchar_t* link;
        int answer;
        bool opened;
    };
    const Case cases[] = {
        { L"C:\\tools\\run.exe", IDNO, false },
        { L"C:\\tools\\run.exe", IDYES, true },
        { L"\\\\server\\share", IDYES, true },
        { L"file://c:/run.exe", IDNO, false },
        { L"FILE://server/run.exe", IDYES, true },
    };
    for (const Case& c : cases) {
        ScopedUiScript script;
        script.AnswerMessageBox(c.answer);
        SetText(c.link);
        g_shell.opened.clear();
        EXPECT_EQ(DoubleClickLink(0, static_cast<LONG>(wcslen(c.link))), 1);
        ASSERT_EQ(script.MessageBoxTexts().size(), 1u);
        EXPECT_NE(script.MessageBoxTexts()[0].find(c.link), std::wstring::npos) << "the box names the link";
        EXPECT_EQ(g_shell.opened.size(), c.opened ? 1u : 0u) << c.link;
        if (c.opened) {
            EXPECT_EQ(g_shell.opened[0], c.link);
        }
    }
}

TEST_F(NoteEditor, LinkNotificationsAnswerAsTheControlExpects)
{
    SetText(L"www.example.com");
    CLogCapture log;
    g_shell.answer = SE_ERR_NOASSOC;
    EXPECT_EQ(DoubleClickLink(0, 15), 1);
    EXPECT_TRUE(log.Contains(L"Failed to open link http://www.example.com"));

    ENLINK link = {};
    link.msg = WM_SETCURSOR;
    link.chrg = { 0, 15 };
    EXPECT_EQ(Notify(link.nmhdr, EN_LINK), 1);
    EXPECT_EQ(GetCursor(), CResModule::LoadCursor(MAKEINTRESOURCEW(IDC_LINK_HAND)));
    EXPECT_NE(GetCursor(), nullptr);
    link.msg = WM_LBUTTONDOWN;
    EXPECT_EQ(Notify(link.nmhdr, EN_LINK), 0) << "a single click only places the caret";
    NMHDR header = {};
    EXPECT_EQ(Notify(header, EN_PROTECTED), 0);
}

std::vector<UINT> TopLevelIds(HMENU menu)
{
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        ids.push_back(GetMenuItemID(menu, i));
    return ids;
}

bool IsGrey(HMENU menu, UINT id)
{
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

std::wstring ItemText(HMENU menu, UINT id)
{
    wchar_t text[128] = {};
    GetMenuStringW(menu, id, text, 128, MF_BYCOMMAND);
    return text;
}

constexpr UINT kGreyWhenReadOnly[] = { 57635, 57637, 57632, 57644, 201, 203, 202, 21014,
                                       21017, 21016, 21065, 21023, 21024, 21025, 21027, 57643 };

TEST_F(NoteEditor, TheMenuOffersLinksFirstAndGreysEditingWhenReadOnly)
{
    CPasteAsText pasteAsText(false);
    SetText(L"some text");
    ASSERT_TRUE(m_editor.CopyTextToClipboard(L"clip"));
    m_editor.SetSel(0, 4);
    m_editor.ReplaceSel(L"more", true);  // something to undo
    m_editor.SetSel(0, 4);

    const CMenuHandle plain = m_editor.BuildContextMenu(false);
    ASSERT_TRUE(plain);
    const std::vector<UINT> plainIds = TopLevelIds(plain.Get());
    ASSERT_FALSE(plainIds.empty());
    EXPECT_EQ(plainIds[0], ID_EDIT_UNDO);
    EXPECT_EQ(GetMenuState(plain.Get(), ID_TODO_LIST, MF_BYCOMMAND), 0xFFFFFFFFu) << "21057 is removed";
    for (const UINT id : { ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_CLEAR, ID_EDIT_PASTE, ID_PASTE_OTHER, ID_EDIT_UNDO })
        EXPECT_FALSE(IsGrey(plain.Get(), id)) << id;
    EXPECT_TRUE(IsGrey(plain.Get(), ID_EDIT_REDO)) << "nothing to redo";
    EXPECT_EQ(ItemText(plain.Get(), ID_PASTE_OTHER), L"Paste as plain text\tCTRL+ALT+V");

    const CMenuHandle linked = m_editor.BuildContextMenu(true);
    const std::vector<UINT> linkedIds = TopLevelIds(linked.Get());
    ASSERT_GE(linkedIds.size(), 3u);
    EXPECT_EQ(linkedIds[0], ID_OPEN_URL);
    EXPECT_EQ(linkedIds[1], ID_COPY_URL);
    EXPECT_TRUE(GetMenuState(linked.Get(), 2, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(ItemText(linked.Get(), ID_OPEN_URL), L"Open URL");
    EXPECT_EQ(ItemText(linked.Get(), ID_COPY_URL), L"Copy URL");

    m_note.Alarm().flags |= kNoteReadOnly;
    const CMenuHandle readOnly = m_editor.BuildContextMenu(true);
    for (const UINT id : kGreyWhenReadOnly)
        EXPECT_TRUE(IsGrey(readOnly.Get(), id)) << id;
    for (const UINT id : { ID_EDIT_COPY, ID_COPY_PLAIN, ID_OPEN_URL, ID_COPY_URL })
        EXPECT_FALSE(IsGrey(readOnly.Get(), id)) << id;
}

TEST_F(NoteEditor, TheMenuShowsTheSelectionsFormatAndThePasteSetting)
{
    CPasteAsText pasteAsText(true);
    SetText(L"format me");
    m_editor.SelectAll();
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_BOLD | CFM_UNDERLINE;
    format.dwEffects = CFE_BOLD | CFE_UNDERLINE;
    m_editor.SetCharFormat(format, SCF_SELECTION);
    PARAFORMAT2 paragraph = {};
    paragraph.cbSize = sizeof(paragraph);
    paragraph.dwMask = PFM_ALIGNMENT;
    paragraph.wAlignment = PFA_RIGHT;
    m_editor.SetParaFormat(paragraph);

    const CMenuHandle menu = m_editor.BuildContextMenu(false);
    const auto checked = [&menu](UINT id) { return (GetMenuState(menu.Get(), id, MF_BYCOMMAND) & MF_CHECKED) != 0; };
    EXPECT_TRUE(checked(ID_EFFECT_BOLD));
    EXPECT_TRUE(checked(ID_EFFECT_UNDERLINE));
    EXPECT_FALSE(checked(ID_EFFECT_ITALIC));
    EXPECT_TRUE(checked(ID_ALIGN_RIGHT));
    EXPECT_FALSE(checked(ID_ALIGN_LEFT));
    EXPECT_EQ(ItemText(menu.Get(), ID_PASTE_OTHER), L"Paste as rich text\tCTRL+ALT+V");
}

TEST_F(NoteEditor, AlignmentReadsAsLeftCentreOrRight)
{
    struct Case {
        WORD alignment;
        int expected;
    };
    const Case cases[] = { { PFA_LEFT, 0 }, { PFA_CENTER, 1 }, { PFA_RIGHT, 2 }, { PFA_JUSTIFY, 0 } };
    SetText(L"line");
    for (const Case& c : cases) {
        PARAFORMAT2 paragraph = {};
        paragraph.cbSize = sizeof(paragraph);
        paragraph.dwMask = PFM_ALIGNMENT;
        paragraph.wAlignment = c.alignment;
        m_editor.SelectAll();
        m_editor.SetParaFormat(paragraph);
        EXPECT_EQ(m_editor.GetAlignment(), c.expected) << c.alignment;
    }
}

struct TrackedMenu {
    int calls = 0;
    POINT point = {};
    UINT flags = 0;
    HWND owner = nullptr;
    bool cutOwnerDrawn = false;  // drawn by the editor's menu drawer, with its image
};
TrackedMenu g_tracked;

BOOL RecordTrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner, const RECT*)
{
    MENUITEMINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_FTYPE;
    g_tracked.cutOwnerDrawn =
        GetMenuItemInfoW(menu, ID_EDIT_CUT, FALSE, &item) && (item.fType & MFT_OWNERDRAW) != 0;
    ++g_tracked.calls;
    g_tracked.point = { x, y };
    g_tracked.flags = flags;
    g_tracked.owner = owner;
    return TRUE;
}

TEST_F(NoteEditor, TheMenuOpensAtThePointOrForTheKeyboardAtTheCaret)
{
    SetText(L"some words here");
    m_editor.SetSel(5, 5);
    CSeamOverride<SPopupMenuSeam> menuSeam(g_popupMenuSeam, { RecordTrackPopupMenu });
    struct Case {
        POINT sent;
        bool atCaret;
        const char* fault;
    };
    const POINT inside = PointOf(10);
    const Case cases[] = {
        { inside, false, "a point over the text is kept" },
        { { -1, -1 }, true, "a keyboard request opens at the caret" },
    };
    for (const Case& c : cases) {
        g_tracked = {};
        SendMessageW(Editor(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Editor()), MAKELPARAM(c.sent.x, c.sent.y));
        ASSERT_EQ(g_tracked.calls, 1) << c.fault;
        const POINT caret = { PointOf(5).x - 2, PointOf(5).y - 2 };
        const POINT expected = c.atCaret ? caret : c.sent;
        EXPECT_EQ(g_tracked.point.x, expected.x) << c.fault;
        EXPECT_EQ(g_tracked.point.y, expected.y) << c.fault;
        EXPECT_TRUE(g_tracked.flags & TPM_RIGHTBUTTON);
        EXPECT_EQ(g_tracked.owner, Editor());
        EXPECT_TRUE(g_tracked.cutOwnerDrawn) << "the editor's menu is drawn with its images";
    }
}

TEST_F(NoteEditor, OpenUrlTakesTheLinkUnderTheMenuPoint)
{
    SetText(L"mail a@b.com or www.example.com");
    m_note.UrlDetect().Attach(Editor());
    m_note.UrlDetect().Rescan();
    m_editor.SetSel(6, 6);  // the caret on the other link
    const POINT over = PointOf(20);
    ScopedUiScript script;
    script.AnswerMenu(ID_OPEN_URL);
    SendMessageW(Editor(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Editor()), MAKELPARAM(over.x, over.y));
    PumpMessagesFor(50);
    ASSERT_EQ(g_shell.opened.size(), 1u);
    EXPECT_EQ(g_shell.opened[0], L"http://www.example.com");
}

TEST_F(NoteEditor, OtherCommandsGoUpToTheFrame)
{
    SetText(L"abc");
    MSG posted = {};
    while (PeekMessageW(&posted, m_frame, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
    }
    SendMessageW(Editor(), WM_COMMAND, MAKEWPARAM(20002, 0), 0);
    SendMessageW(Editor(), WM_COMMAND, ID_OPEN_URL, 0);  // no link anywhere
    SendMessageW(Editor(), WM_COMMAND, ID_EDIT_SELECT_ALL, 0);
    std::vector<WPARAM> commands;
    while (PeekMessageW(&posted, m_frame, WM_COMMAND, WM_COMMAND, PM_REMOVE))
        commands.push_back(posted.wParam);
    EXPECT_EQ(commands, (std::vector<WPARAM>{ 20002, ID_OPEN_URL }));
    const CHARRANGE all = m_editor.GetSel();
    EXPECT_EQ(all.cpMin, 0);
    EXPECT_GE(all.cpMax, 3) << "select all is the editor's own";
}

TEST_F(NoteEditor, PlainCopyAndPasteKeepEveryCharacter)
{
    const wchar_t* const greek = L"\u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C";
    SetText((std::wstring(L"x ") + greek + L" y").c_str());
    m_editor.SetSel(2, 2 + static_cast<LONG>(wcslen(greek)));
    SendMessageW(Editor(), WM_COMMAND, ID_COPY_PLAIN, 0);
    EXPECT_EQ(ClipboardText(), greek);

    CPasteAsText pasteAsText(false);
    SetText(L"");
    SendMessageW(Editor(), WM_COMMAND, ID_PASTE_OTHER, 0);
    EXPECT_EQ(Text(), greek) << "the plain paste keeps every character";
}

TEST_F(NoteEditor, RichPasteLeavesForcedPlainPasteOn)
{
    CPasteAsText pasteAsText(true);
    CRichEditCtrl50WT::SetForcePlainPaste(true);
    ASSERT_TRUE(m_editor.CopyTextToClipboard(L"pasted"));
    SetText(L"");
    SendMessageW(Editor(), WM_COMMAND, ID_PASTE_OTHER, 0);
    EXPECT_EQ(Text(), L"pasted");
    EXPECT_TRUE(CRichEditCtrl50WT::IsForcePlainPaste());
    CRichEditCtrl50WT::SetForcePlainPaste(false);
}

// Rich text and its plain text on the clipboard, as another program leaves them.
void PutRichTextOnClipboard(const CStdStr& rtf, const wchar_t* plain)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    std::string bytes;
    for (const wchar_t c : rtf)
        bytes += static_cast<char>(c);
    const auto put = [](UINT format, const void* data, size_t size) {
        const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(GlobalLock(block), data, size);
        GlobalUnlock(block);
        SetClipboardData(format, block);
    };
    put(RegisterClipboardFormatW(CF_RTF), bytes.c_str(), bytes.size() + 1);
    put(CF_UNICODETEXT, plain, (wcslen(plain) + 1) * sizeof(wchar_t));
    CloseClipboard();
}

// Each way to paste, with the keys it needs held.
enum class EPasteWay { message, ctrlV, shiftInsert, command };

void PasteBy(HWND editor, EPasteWay way)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE saved[2] = { keys[VK_CONTROL], keys[VK_SHIFT] };
    keys[VK_CONTROL] = way == EPasteWay::ctrlV ? 0x80 : 0;
    keys[VK_SHIFT] = way == EPasteWay::shiftInsert ? 0x80 : 0;
    SetKeyboardState(keys);
    switch (way) {
    case EPasteWay::message:     SendMessageW(editor, WM_PASTE, 0, 0); break;
    case EPasteWay::ctrlV:       SendMessageW(editor, WM_KEYDOWN, 'V', 0x002F0001); break;
    case EPasteWay::shiftInsert: SendMessageW(editor, WM_KEYDOWN, VK_INSERT, 0x01520001); break;
    case EPasteWay::command:     SendMessageW(editor, WM_COMMAND, ID_EDIT_PASTE, 0); break;
    }
    keys[VK_CONTROL] = saved[0];
    keys[VK_SHIFT] = saved[1];
    SetKeyboardState(keys);
}

CStdStr Nested(size_t depth)
{
    CStdStr rtf = L"{\\rtf1\\ansi ";
    for (size_t i = 1; i < depth; ++i)
        rtf += L"{\\b ";
    rtf += L"rich";
    for (size_t i = 1; i < depth; ++i)
        rtf += L"}";
    return rtf + L"}";
}

// Wine's control crashes on such a paste and never asks the paste callback:
// the editor pastes the plain text instead, whichever way the paste comes.
TEST_F(NoteEditor, RichTextTheControlCannotTakePastesAsPlainText)
{
    struct Case {
        const char* what;
        CStdStr rtf;
        bool rich;
    };
    const CStdStr flood = [] {
        CStdStr rtf = L"{\\rtf1 ";
        for (int i = 0; i < 64 * 1024 / 4; ++i)
            rtf += L"\\'ff";
        return rtf + L"}";
    }();
    const Case cases[] = {
        { "depth bound - 1", Nested(kMaxRtfDepth - 1), true },
        { "depth bound", Nested(kMaxRtfDepth), true },
        { "depth bound + 1", Nested(kMaxRtfDepth + 1), false },
        { "depth 10,000", Nested(10000), false },
        { "1 MB control word", L"{\\rtf1 \\" + CStdStr(std::wstring(1024 * 1024, L'a')) + L" rich}", false },
        { "32,764-digit parameter", L"{\\rtf1 \\fs" + CStdStr(std::wstring(32764, L'9')) + L" rich}", false },
        { "64 KB of \\'ff", flood, false },
    };
    for (const EPasteWay way : { EPasteWay::message, EPasteWay::ctrlV, EPasteWay::shiftInsert, EPasteWay::command }) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << ", way " << static_cast<int>(way));
            PutRichTextOnClipboard(c.rtf, L"plain \u0105\u4E2D");
            SetText(L"[]");
            m_editor.SetSel(1, 1);
            const CLogCapture log;
            PasteBy(Editor(), way);
            // Wine's control itself pastes nothing on Shift+Insert.
            if (!c.rich || way != EPasteWay::shiftInsert) {
                EXPECT_EQ(Text(), c.rich ? L"[rich]" : L"[plain \u0105\u4E2D]");
            }
            EXPECT_EQ(log.Contains(L"Pasted rich text " + DescribeRtfCheck(CheckRtf(c.rtf)) +
                                   L": its plain text is pasted instead"),
                      !c.rich);
        }
    }
}

// A control that offers no text object model.
LRESULT CALLBACK RefuseTom(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (msg == EM_GETOLEINTERFACE)
        return 0;
    return DefSubclassProc(window, msg, wParam, lParam);
}

TEST_F(NoteEditor, ContentReadsWithOrWithoutTheObjectModel)
{
    SetText(L"first second");
    for (const bool withTom : { true, false }) {
        if (!withTom) {
            ASSERT_TRUE(SetWindowSubclass(Editor(), RefuseTom, 7, 0));
        }
        m_editor.SetSel(6, 12);
        CStdStr all, selected, rtf;
        EXPECT_TRUE(m_editor.ReadContent(all, false, false)) << withTom;
        EXPECT_EQ(all, L"first second");
        EXPECT_TRUE(m_editor.ReadContent(selected, true, false));
        EXPECT_EQ(selected, L"second");
        EXPECT_TRUE(m_editor.ReadContent(rtf, false, true));
        EXPECT_EQ(rtf.compare(0, 5, L"{\\rtf"), 0);
        const CHARRANGE kept = m_editor.GetSel();
        EXPECT_EQ(kept.cpMin, 6);
        EXPECT_EQ(kept.cpMax, 12);
    }
    RemoveWindowSubclass(Editor(), RefuseTom, 7);
}

TEST_F(NoteEditor, AClosedClipboardCopiesNothing)
{
    ASSERT_TRUE(OpenClipboard(m_frame));  // held elsewhere
    EXPECT_FALSE(m_editor.CopyTextToClipboard(L"lost"));
    CloseClipboard();
}

}  // namespace
