#include "UrlDetect.h"

#include <richedit.h>
#include <richole.h>
#include <shlwapi.h>
#include <tom.h>

#include <boost/regex.hpp>

#include <cwctype>
#include <exception>
#include <iterator>
#include <locale>
#include <string>
#include <utility>

#include "foundation/LogFile.h"
#include "framework/ComPtr.h"
#include "framework/TomIds.h"
#include "WholeTextFormat.h"

namespace {

// Users know which words become links, so the pattern stays as it always was,
// quirks included ("(http://x.y)" keeps the ")", "www.x.com," the comma).
constexpr wchar_t kLinkPattern[] =
    LR"re(\b(?:(?:(?:https?|ftp|file)://|www\.|ftp\.)[-\w+&@#/%?=~_|$!"':,.;*\(\[\{\)\]\}]*)|((?:mailto:)?[\w._%+-]+@[\w._%-]+\.[A-Z]{2,6})|([\w._%+-]+@[\w._%-]+\.[A-Z]{2,6}))re";
static_assert(std::size(kLinkPattern) - 1 == 164, "the link pattern is 164 characters");

// Longer words are no links: on a long word with an "@" the pattern's work
// grows with the square of the length, which would freeze the note on every
// scan.
constexpr size_t kMaxLinkWordLength = 2048;

// Every match of the pattern holds one of these (the key is lower case);
// a word without any goes nowhere near the pattern, whose cost on a long
// word would otherwise make the scan grow with the square of the text.
bool HoldsLinkMarker(const CStdStr& key)
{
    for (const wchar_t* marker : { L"@", L"://", L"www.", L"ftp." })
        if (key.find(marker) != CStdStr::npos)
            return true;
    return false;
}

const boost::wregex& LinkPattern()
{
    static const boost::wregex pattern(kLinkPattern, boost::regex::perl | boost::regex::icase);
    return pattern;
}

// Our own word breaks: rich edit's EM_FINDWORDBREAK is a stub under Wine.
bool IsWordBreak(wchar_t c)
{
    return iswspace(c) || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f' ||
           c == L'\u2028' || c == L'\u2029';
}

CStdStr LowerCase(CStdStr text)
{
    if (!text.empty()) {
        const auto& ctype = std::use_facet<std::ctype<wchar_t>>(std::locale());
        ctype.tolower(&text[0], &text[0] + text.size());
    }
    return text;
}

// The start of a drive or server path in the lower-cased word, or -1.
int FindPathStart(const CStdStr& key)
{
    const int colon = key.Find(L":\\");
    if (colon < 0)
        return key.Find(L"\\\\");
    if (colon > 0 && iswalpha(key[colon - 1]))
        return colon - 1;
    return colon;
}

bool IsPath(const CStdStr& candidate)
{
    return PathIsUNCServerShareW(candidate.c_str()) ||
           PathIsFileSpecW(PathFindFileNameW(candidate.c_str()));
}

// Where the link of a word lies within it, [first, last); false for none.
bool FindLinkInWord(const CStdStr& word, int& first, int& last)
{
    if (word.empty() || word.size() > kMaxLinkWordLength)
        return false;
    CStdStr key = LowerCase(word);
    key.TrimRight();
    const int pathStart = FindPathStart(key);
    if (pathStart >= 0 && IsPath(word.MidFrom(pathStart))) {
        first = pathStart;
        last = static_cast<int>(key.size());
        return true;
    }
    return HoldsLinkMarker(key) && g_linkPatternSeam.find(key, first, last);
}

// The whole text, one character per position (one "\r" per paragraph).
CStdStr ReadEditorText(HWND editor)
{
    GETTEXTLENGTHEX lengthQuery = {GTL_NUMCHARS, 1200};
    const LRESULT length =
        SendMessageW(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthQuery), 0);
    if (length <= 0)
        return CStdStr();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX query = {};
    query.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    query.flags = GT_DEFAULT;
    query.codepage = 1200;
    const LRESULT copied = SendMessageW(editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query),
                                        reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 && copied <= length ? static_cast<size_t>(copied) : 0);
    return CStdStr(std::move(text));
}

void SetLinkEffect(HWND editor, WPARAM scope, bool link)
{
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_LINK;
    format.dwEffects = link ? CFE_LINK : 0;
    SendMessageW(editor, EM_SETCHARFORMAT, scope, reinterpret_cast<LPARAM>(&format));
}

void SelectRange(HWND editor, int start, int end)
{
    CHARRANGE range = {start, end};
    SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

// While a scan runs the display is frozen and undo suspended, where the text
// object model offers them (either may be refused).
class CTomScanScope {
public:
    explicit CTomScanScope(HWND editor)
    {
        CComPtr<IRichEditOle> ole;
        if (!SendMessageW(editor, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(ole.Receive())) ||
            !ole)
            return;
        if (FAILED(ole->QueryInterface(kIidTextDocument, m_document.Receive())))
            m_document.Reset();
        if (!m_document)
            return;
        long count = 0;
        m_frozen = SUCCEEDED(m_document->Freeze(&count));
        m_document->Undo(tomSuspend, nullptr);
    }
    ~CTomScanScope()
    {
        if (!m_document)
            return;
        m_document->Undo(tomResume, nullptr);
        long count = 0;
        if (m_frozen)
            m_document->Unfreeze(&count);
    }
    CTomScanScope(const CTomScanScope&) = delete;
    CTomScanScope& operator=(const CTomScanScope&) = delete;

private:
    CComPtr<ITextDocument> m_document;
    bool m_frozen = false;
};

} // namespace

SLinkPatternSeam g_linkPatternSeam = { FindNextLink };

void CUrlDetect::Attach(HWND editor)
{
    m_editor = editor;
    m_scanned = false;
}

int CUrlDetect::HitTest(POINT& point) const
{
    if (!m_editor || !ScreenToClient(m_editor, &point) || !m_scanned)
        return -1;
    if (point.x < 0 || point.y < 0)
        return -1;
    POINTL clientPoint = {point.x, point.y};
    const auto character = static_cast<int>(
        SendMessageW(m_editor, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&clientPoint)));
    for (size_t i = 0; i < m_links.size(); ++i) {
        if (m_links[i].start <= character && character < m_links[i].end)
            return static_cast<int>(i);
    }
    return -1;
}

bool CUrlDetect::IsOverLink(POINT point) const
{
    return HitTest(point) != -1;
}

CStdStr CUrlDetect::GetLinkAt(POINT point) const
{
    const int index = HitTest(point);
    return index < 0 ? CStdStr() : m_links[static_cast<size_t>(index)].text;
}

int CUrlDetect::Rescan()
{
    if (!m_editor || !IsWindow(m_editor))
        return 0;
    m_links.clear();
    m_scanned = true;

    const CTomScanScope tomScope(m_editor);
    // Quiet, so that marking links raises no EN_CHANGE (which would restart
    // the scan's timer).
    const CQuietSelectionScope quietScope(m_editor);
    // Marks of the last scan go whether or not links are found again; text
    // without any is not laid out again for nothing.
    CHARFORMAT2W unmarked = {};
    unmarked.cbSize = sizeof(unmarked);
    unmarked.dwMask = CFM_LINK;
    if (!WholeTextHolds(m_editor, unmarked))
        SetLinkEffect(m_editor, SCF_ALL, false);
    if (m_enabled) {
        FindLinks(ReadEditorText(m_editor));
        MarkLinks();
    }
    return 0;
}

void CUrlDetect::FindLinks(const CStdStr& text)
{
    const int length = static_cast<int>(text.size());
    int wordStart = 0;
    for (int k = 0; k <= length; ++k) {
        if (k < length && !IsWordBreak(text[k]))
            continue;
        const CStdStr word = text.Mid(wordStart, k - wordStart);
        int first = 0;
        int last = 0;
        if (FindLinkInWord(word, first, last))
            m_links.push_back({wordStart + first, wordStart + last, word.Mid(first, last - first)});
        wordStart = k + 1;
    }
}

void CUrlDetect::MarkLinks() const
{
    for (const SLink& link : m_links) {
        SelectRange(m_editor, link.start, link.end);
        SetLinkEffect(m_editor, SCF_SELECTION, true);
    }
}

bool FindNextLink(const CStdStr& text, int& start, int& end)
{
    try {
        boost::wsmatch match;
        if (!boost::regex_search(static_cast<const std::wstring&>(text), match, LinkPattern()))
            return false;
        start = static_cast<int>(match.position());
        end = start + static_cast<int>(match.length());
        return true;
    } catch (const std::exception& e) {
        WriteToLogFile(L"FindNextLink: no link in a word of %d characters, the pattern failed: %S",
                       static_cast<int>(text.size()), e.what());
        return false;
    }
}
