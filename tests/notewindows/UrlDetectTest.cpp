// Link detection on a hidden rich edit: which characters become links, what
// the links read and where they are hit, and that a scan leaves the editor as
// it found it.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <locale>
#include <string>
#include <vector>

#include "framework/Library.h"
#include "notewindows/UrlDetect.h"
#include "foundation/Seams.h"
#include "tests/support/ScopedUiScript.h"

namespace {

constexpr wchar_t kLinked = L'^';

// The notifications the editor's parent received.
struct SNotifications {
    int changes = 0;
    int others = 0;
};
SNotifications g_notifications;

LRESULT CALLBACK ParentProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE)
        ++g_notifications.changes;
    else if (msg == WM_COMMAND || msg == WM_NOTIFY)
        ++g_notifications.others;
    return DefWindowProcW(window, msg, wParam, lParam);
}

// Stands for an editor whose text object model is unavailable.
LRESULT CALLBACK RefuseTomProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == EM_GETOLEINTERFACE)
        return 0;
    const auto original = reinterpret_cast<WNDPROC>(GetPropW(window, L"QuilletTestProc"));
    return CallWindowProcW(original, window, msg, wParam, lParam);
}

class UrlDetect : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_msftedit) << GetLastError();
        CreateEditor();
    }
    void TearDown() override
    {
        if (m_parent)
            DestroyWindow(m_parent);
        m_parent = nullptr;
    }

    void CreateEditor()
    {
        WNDCLASSW parentClass = {};
        parentClass.lpfnWndProc = ParentProc;
        parentClass.hInstance = GetModuleHandleW(nullptr);
        parentClass.lpszClassName = L"QuilletUrlDetectTestParent";
        RegisterClassW(&parentClass);
        m_parent = CreateWindowExW(0, parentClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 100, 100,
                                   600, 400, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_parent) << GetLastError();
        m_editor = CreateWindowExW(0, MSFTEDIT_CLASS, L"",
                                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL,
                                   0, 0, 560, 300, m_parent, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_editor) << GetLastError();
        m_detect.Attach(m_editor);
        g_notifications = {};
    }

    void SetText(const std::wstring& text) const
    {
        SETTEXTEX how = {ST_DEFAULT, 1200};
        SendMessageW(m_editor, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
                     reinterpret_cast<LPARAM>(text.c_str()));
    }
    void Select(int start, int end) const
    {
        CHARRANGE range = {start, end};
        SendMessageW(m_editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }
    CHARRANGE Selection() const
    {
        CHARRANGE range = {};
        SendMessageW(m_editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range;
    }
    void SetLinkEffect(int start, int end) const
    {
        Select(start, end);
        CHARFORMAT2W format = {};
        format.cbSize = sizeof format;
        format.dwMask = CFM_LINK;
        format.dwEffects = CFE_LINK;
        SendMessageW(m_editor, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    // One character per character of the text: kLinked where the link effect is on.
    std::wstring Marks() const
    {
        GETTEXTLENGTHEX query = {GTL_NUMCHARS, 1200};
        const auto length = static_cast<int>(
            SendMessageW(m_editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0));
        std::wstring marks;
        for (int c = 0; c < length; ++c) {
            Select(c, c + 1);
            CHARFORMAT2W format = {};
            format.cbSize = sizeof format;
            format.dwMask = CFM_LINK;
            SendMessageW(m_editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
            marks += (format.dwEffects & CFE_LINK) ? kLinked : L' ';
        }
        return marks;
    }
    // A screen point inside a character.
    POINT PointAt(int character) const
    {
        POINTL client = {};
        SendMessageW(m_editor, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&client), character);
        POINT point = {client.x + 1, client.y + 2};
        ClientToScreen(m_editor, &point);
        return point;
    }
    int HitTestAt(int character) const
    {
        POINT point = PointAt(character);
        return m_detect.HitTest(point);
    }

    const CLibrary m_msftedit{LoadLibraryW(L"Msftedit.dll")};
    HWND m_parent = nullptr;
    HWND m_editor = nullptr;
    CUrlDetect m_detect;
};

// The links of the text as runs of kLinked; each run's text in order.
struct LinkCase {
    const wchar_t* text;
    const wchar_t* marks;
    std::vector<std::wstring> links;
};

TEST_F(UrlDetect, MarksExactlyTheLinksOfEachWord)
{
    const LinkCase cases[] = {
        // a URL character ends the middle word: the comma belongs to it
        {L"go www.example.com, now", L"   ^^^^^^^^^^^^^^^^    ", {L"www.example.com,"}},
        // capitals match and keep their case
        {L"Mail JOE@EXAMPLE.COM today", L"     ^^^^^^^^^^^^^^^      ", {L"JOE@EXAMPLE.COM"}},
        {L"mailto:Ann@x.org", L"^^^^^^^^^^^^^^^^", {L"mailto:Ann@x.org"}},
        // the link inside a word starts at the match, not at the word
        {L"(http://x.y)", L" ^^^^^^^^^^^", {L"http://x.y)"}},
        {L"<a@b.com>", L" ^^^^^^^ ", {L"a@b.com"}},
        {L"foo@bar.com.", L"^^^^^^^^^^^ ", {L"foo@bar.com"}},
        {L"a@b.c", L"     ", {}},
        // paths start at their drive letter or their two backslashes
        {L"see C:\\dir\\file.txt", L"    ^^^^^^^^^^^^^^^", {L"C:\\dir\\file.txt"}},
        {L"at:D:\\a.txt", L"   ^^^^^^^^", {L"D:\\a.txt"}},
        {L"\\\\server\\share", L"^^^^^^^^^^^^^^", {L"\\\\server\\share"}},
        {L"C:\\dir\\", L"       ", {}},
        // every separator ends a word, and every word gets its own link
        {L"x\thttp://a.b/c\ty", L"  ^^^^^^^^^^^^  ", {L"http://a.b/c"}},
        {L"x\rftp.host.org\ra@b.org", L"  ^^^^^^^^^^^^ ^^^^^^^", {L"ftp.host.org", L"a@b.org"}},
        {L"www.a.com\u2028b@c.org", L"^^^^^^^^^ ^^^^^^^", {L"www.a.com", L"b@c.org"}},
        {L"", L"", {}},
    };
    for (const LinkCase& c : cases) {
        SetText(c.text);
        m_detect.Rescan();
        EXPECT_EQ(Marks(), c.marks) << c.text;

        std::vector<std::wstring> links;
        const std::wstring marks = c.marks;
        for (size_t start = marks.find(kLinked); start != std::wstring::npos;) {
            const size_t end = std::min(marks.find(L' ', start), marks.size());
            const CStdStr first = m_detect.GetLinkAt(PointAt(static_cast<int>(start)));
            EXPECT_EQ(m_detect.GetLinkAt(PointAt(static_cast<int>(end - 1))), first) << c.text;
            links.push_back(first);
            start = marks.find(kLinked, end);
        }
        EXPECT_EQ(links, c.links) << c.text;
    }
}

TEST_F(UrlDetect, WordsLongerThanTheLimitAreNoLinks)
{
    for (const int length : {2048, 2049}) {
        SetText(L"http://" + std::wstring(length - 7, L'a'));
        m_detect.Rescan();
        EXPECT_EQ(Marks().find(L' ') == std::wstring::npos, length == 2048) << length;
    }
}

TEST_F(UrlDetect, RescanFollowsAnEdit)
{
    SetText(L"see www.a.com now");
    m_detect.Rescan();
    ASSERT_EQ(Marks(), L"    ^^^^^^^^^    ");

    // The replacement takes the format of what it replaces, link effect included.
    Select(4, 13);
    SendMessageW(m_editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"plain"));
    Select(0, 0);
    SendMessageW(m_editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x@y.org "));
    m_detect.Rescan();
    EXPECT_EQ(Marks(), L"^^^^^^^              ");
    EXPECT_EQ(m_detect.GetLinkAt(PointAt(2)), L"x@y.org");
    EXPECT_EQ(m_detect.GetLinkAt(PointAt(14)), L"");
}

TEST_F(UrlDetect, OldMarksGoOnEveryScan)
{
    struct Case {
        bool tom;
        bool enabled;
    };
    const Case cases[] = {{true, true}, {false, true}, {true, false}, {false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "tom " << c.tom << ", enabled " << c.enabled);
        TearDown();
        CreateEditor();
        if (!c.tom) {
            SetPropW(m_editor, L"QuilletTestProc",
                     reinterpret_cast<HANDLE>(GetWindowLongPtrW(m_editor, GWLP_WNDPROC)));
            SetWindowLongPtrW(m_editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RefuseTomProc));
        }
        SetText(L"plain www.a.com text");
        m_detect.SetEnabled(true);
        m_detect.Rescan();
        SetLinkEffect(0, 5);
        m_detect.SetEnabled(c.enabled);
        m_detect.Rescan();

        EXPECT_EQ(Marks(), c.enabled ? L"      ^^^^^^^^^     " : L"                    ");
        EXPECT_EQ(m_detect.GetLinkAt(PointAt(7)), c.enabled ? L"www.a.com" : L"");
    }
}

TEST_F(UrlDetect, HitTestCountsStartToBeforeEnd)
{
    SetText(L"www.a.com b@c.org");
    POINT notScanned = PointAt(0);
    EXPECT_EQ(m_detect.HitTest(notScanned), -1);
    m_detect.Rescan();

    struct Case {
        int character;
        int link;
    };
    const Case cases[] = {{0, 0}, {8, 0}, {9, -1}, {10, 1}, {16, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(HitTestAt(c.character), c.link) << c.character;

    // Left of and above the client area, beside the first link's first character.
    POINT client = {};
    ClientToScreen(m_editor, &client);
    POINT left = {client.x - 1, PointAt(0).y};
    EXPECT_EQ(m_detect.HitTest(left), -1);
    POINT above = {PointAt(0).x, client.y - 1};
    EXPECT_EQ(m_detect.HitTest(above), -1);
    EXPECT_EQ(above.y, -1) << "the point comes back in client coordinates";

    m_detect.Attach(m_editor);
    EXPECT_EQ(HitTestAt(0), -1) << "a new editor is not scanned";
}

TEST_F(UrlDetect, ScanLeavesTheEditorAsItWas)
{
    std::wstring text;
    for (int line = 0; line < 80; ++line)
        text += L"line www.site" + std::to_wstring(line) + L".org and more\r";
    SetText(text);
    const DWORD mask = ENM_CHANGE | ENM_SELCHANGE | ENM_LINK;
    SendMessageW(m_editor, EM_SETEVENTMASK, 0, mask);
    SendMessageW(m_editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x"));
    ASSERT_GT(g_notifications.changes, 0) << "the parent hears of changes";

    Select(2, 4);
    POINT scroll = {0, 300};
    SendMessageW(m_editor, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    SendMessageW(m_editor, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    ASSERT_GT(scroll.y, 0);
    g_notifications = {};

    m_detect.Rescan();

    POINT scrollAfter = {};
    SendMessageW(m_editor, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrollAfter));
    EXPECT_EQ(scrollAfter.y, scroll.y);
    const CHARRANGE selection = Selection();
    EXPECT_EQ(selection.cpMin, 2);
    EXPECT_EQ(selection.cpMax, 4);
    EXPECT_EQ(SendMessageW(m_editor, EM_GETEVENTMASK, 0, 0), static_cast<LRESULT>(mask));
    EXPECT_EQ(g_notifications.changes, 0);
    EXPECT_EQ(g_notifications.others, 0);
}

// The scan hands the pattern only the words that hold "@", "://", "www." or
// "ftp."; a marker-free long word would make the scan grow with the square of
// the text.
std::vector<std::wstring> g_patternKeys;

bool RecordPatternKey(const CStdStr& key, int& start, int& end)
{
    g_patternKeys.push_back(key);
    return FindNextLink(key, start, end);
}

TEST_F(UrlDetect, OnlyWordsWithALinkMarkerReachThePattern)
{
    const CSeamOverride<SLinkPatternSeam> seam(g_linkPatternSeam, {RecordPatternKey});
    g_patternKeys.clear();
    const std::wstring longWord(2048, L'w');
    SetText(longWord + L" " + longWord + L"@x.org " + longWord.substr(0, 2000) + L"WWW.x plain " +
            L"HTTP://A.B ftp:/x a.ftp.b");
    m_detect.Rescan();
    std::vector<size_t> sizes;
    for (const std::wstring& key : g_patternKeys)
        sizes.push_back(key.size());
    // the word with "@" is over the bound and never tried
    EXPECT_EQ(sizes, (std::vector<size_t>{2005, 10, 7}));
    EXPECT_EQ(g_patternKeys.back(), L"a.ftp.b") << "keys go in lower case";
}

// The markers change no result: every word links exactly as the pattern
// alone says, with or without a marker.
TEST_F(UrlDetect, MarkersChangeNoLinkOfTheWords)
{
    const wchar_t* const words[] = {
        L"example.com", L"http:/x.y", L"wwwx.com", L"www.a", L"WWW.A.COM", L"Ftp.x.org", L"ftpx.org",
        L"HTTPS://A.B", L"file://c/d", L"mailto:", L"a@b", L"a@b.co", L"A@B.CO.", L"x@y.abcdefg", L"@",
        L"://", L"www.", L"ftp.", L"user(at)host.org", L"a.b@c", L"(www.x.y)", L"\u00E9@\u00E9.fr",
        L"mail:joe@x.de,", L"\u0130@x.tr", L"foo//bar", L"news:x.y", L"javascript:www.x",
    };
    for (const wchar_t* word : words) {
        CStdStr key(word);
        const auto& ctype = std::use_facet<std::ctype<wchar_t>>(std::locale());
        ctype.tolower(&key[0], &key[0] + key.size());
        int start = 0;
        int end = 0;
        const bool matched = FindNextLink(key, start, end);
        std::wstring expected(key.size(), L' ');
        if (matched)
            std::fill(expected.begin() + start, expected.begin() + end, kLinked);
        SetText(word);
        m_detect.Rescan();
        EXPECT_EQ(Marks(), expected) << word;
    }
}

} // namespace
