#include "RtfCharacters.h"

#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// One character of the RTF's text and the stretch of RTF that wrote it.
struct SRtfChar {
    wchar_t ch;
    bool any;        // an object or a picture: whatever the plain text holds for it
    size_t begin;
    size_t end;
    int uc;          // the \uc in force, for the escape written in its place
};

struct SGroupState {
    bool skip = false;
    int uc = 1;
    int font = -1;
};

// Destinations whose text is none of the note's.
const char* const kSkippedDestinations[] = {
    "fonttbl", "colortbl", "stylesheet", "info", "generator", "xmlnstbl", "rsidtbl", "latentstyles",
    "themedata", "colorschememapping", "datastore", "listtable", "listoverridetable", "pntext", "listtext",
    "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf", "footnote",
    "annotation", "fldinst", "nonshppict", "pn", "filetbl", "revtbl", "userprops", "mmathPr",
};

// Words that write one character of the text.
struct SCharWord {
    const char* word;
    wchar_t ch;
};
const SCharWord kCharWords[] = {
    {"tab", L'\t'},          {"emdash", 0x2014},   {"endash", 0x2013},  {"emspace", 0x2003},
    {"enspace", 0x2002},     {"qmspace", 0x2005},  {"bullet", 0x2022},  {"lquote", 0x2018},
    {"rquote", 0x2019},      {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"zwj", 0x200D},
    {"zwnj", 0x200C},        {"ltrmark", 0x200E},  {"rtlmark", 0x200F},
};

// Paragraph and line ends: the plain text writes them its own way.
bool IsBreak(wchar_t ch)
{
    return ch == L'\r' || ch == L'\n' || ch == L'\v' || ch == L'\f';
}

UINT CodePageOfCharset(int charset, UINT ansiCodePage)
{
    if (charset == DEFAULT_CHARSET)
        return ansiCodePage;
    if (charset == SYMBOL_CHARSET)
        return CP_SYMBOL;
    CHARSETINFO info = {};
    if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(charset)), &info, TCI_SRCCHARSET))
        return info.ciACP;
    return ansiCodePage;
}

class CRtfTextScanner {
public:
    explicit CRtfTextScanner(const CStdStr& rtf) : m_rtf(rtf) {}

    std::vector<SRtfChar> Scan()
    {
        std::vector<SGroupState> groups(1);
        while (m_at < m_rtf.size()) {
            const wchar_t ch = m_rtf[m_at];
            if (ch == L'{') {
                groups.push_back(groups.back());
                ++m_at;
                m_skipFallback = 0;
                continue;
            }
            if (ch == L'}') {
                if (groups.size() > 1)
                    groups.pop_back();
                ++m_at;
                m_skipFallback = 0;
                m_pendingLead.clear();
                if (groups.size() < m_fontTableDepth)
                    m_fontTableDepth = 0;
                continue;
            }
            // Line ends carry nothing; a writer may end with a NUL.
            if (ch == L'\r' || ch == L'\n' || ch == L'\0') {
                ++m_at;
                continue;
            }
            if (ch == L'\\')
                ControlToken(groups.back(), groups.size());
            else
                TextByte(groups.back(), m_at, m_at + 1, static_cast<unsigned char>(ch));
        }
        return std::move(m_chars);
    }

private:
    void ControlToken(SGroupState& state, size_t depth)
    {
        const size_t begin = m_at++;
        if (m_at >= m_rtf.size())
            return;
        const wchar_t next = m_rtf[m_at];
        if (!IsLetter(next)) {
            ++m_at;
            ControlSymbol(state, begin, next);
            return;
        }
        std::string word;
        while (m_at < m_rtf.size() && IsLetter(m_rtf[m_at]) && word.size() < 32)
            word += static_cast<char>(m_rtf[m_at++]);
        bool hasNumber = false;
        long number = 0;
        bool negative = false;
        if (m_at < m_rtf.size() && m_rtf[m_at] == L'-') {
            negative = true;
            ++m_at;
        }
        while (m_at < m_rtf.size() && m_rtf[m_at] >= L'0' && m_rtf[m_at] <= L'9') {
            hasNumber = true;
            if (number < 1000000000)
                number = number * 10 + (m_rtf[m_at] - L'0');
            ++m_at;
        }
        if (negative)
            number = -number;
        if (m_at < m_rtf.size() && m_rtf[m_at] == L' ')
            ++m_at;
        if (word == "fonttbl")
            m_fontTableDepth = depth;
        ControlWord(state, begin, word, hasNumber, number);
    }

    void ControlSymbol(SGroupState& state, size_t begin, wchar_t symbol)
    {
        switch (symbol) {
        case L'\'': {
            int value = 0;
            for (int digits = 0; digits < 2 && m_at < m_rtf.size() && HexValue(m_rtf[m_at]) >= 0; ++digits)
                value = value * 16 + HexValue(m_rtf[m_at++]);
            TextByte(state, begin, m_at, static_cast<unsigned char>(value));
            return;
        }
        case L'*':
            state.skip = true;
            return;
        case L'\\':
        case L'{':
        case L'}':
            TextChar(state, begin, symbol);
            return;
        case L'~':
            TextChar(state, begin, 0x00A0);
            return;
        case L'-':
            TextChar(state, begin, 0x00AD);
            return;
        case L'_':
            TextChar(state, begin, 0x2011);
            return;
        default:
            // "\" before a line end is a paragraph; any other symbol writes nothing.
            if (m_skipFallback > 0)
                ExtendFallback();
            return;
        }
    }

    void ControlWord(SGroupState& state, size_t begin, const std::string& word, bool hasNumber, long number)
    {
        if (m_skipFallback > 0) {
            ExtendFallback();
            return;
        }
        if (m_fontTableDepth > 0)
            FontTableWord(word, number);
        if (word == "ansicpg" && hasNumber)
            m_ansiCodePage = static_cast<UINT>(number);
        else if (word == "deff" && hasNumber)
            m_defaultFont = static_cast<int>(number);
        else if (word == "f" && !state.skip)
            state.font = static_cast<int>(number);
        else if (word == "plain")
            state.font = -1;
        else if (word == "uc" && hasNumber)
            state.uc = number < 0 ? 0 : static_cast<int>(number);
        else if (word == "u" && hasNumber)
            UnicodeChar(state, begin, number);
        else if (word == "object" || word == "pict")
            Picture(state, begin);
        for (const char* destination : kSkippedDestinations)
            if (word == destination)
                state.skip = true;
        for (const SCharWord& charWord : kCharWords)
            if (word == charWord.word)
                TextChar(state, begin, charWord.ch);
    }

    void FontTableWord(const std::string& word, long number)
    {
        if (word == "f")
            m_fontEntry = static_cast<int>(number);
        else if (word == "fcharset" && m_fontEntry >= 0)
            m_fontCharsets[m_fontEntry] = static_cast<int>(number);
        else if (word == "cpg" && m_fontEntry >= 0)
            m_fontCodePages[m_fontEntry] = static_cast<UINT>(number);
    }

    void Picture(SGroupState& state, size_t begin)
    {
        if (state.skip)
            return;
        m_chars.push_back({0, true, begin, m_at, state.uc});
        state.skip = true;
    }

    void UnicodeChar(const SGroupState& state, size_t begin, long number)
    {
        if (state.skip)
            return;
        m_pendingLead.clear();
        const wchar_t ch = static_cast<wchar_t>(number < 0 ? number + 65536 : number);
        m_chars.push_back({ch, false, begin, m_at, state.uc});
        m_skipFallback = state.uc;
    }

    // A byte of text from one token; a lead byte waits for its trail byte.
    void TextByte(const SGroupState& state, size_t begin, size_t end, unsigned char byte)
    {
        m_at = end;
        if (m_skipFallback > 0) {
            ExtendFallback();
            return;
        }
        if (state.skip)
            return;
        const UINT codePage = CodePage(state);
        if (m_pendingLead.empty() && byte < 0x80) {
            TextChar(state, begin, byte);
            return;
        }
        if (m_pendingLead.empty() && IsDBCSLeadByteEx(codePage, byte)) {
            m_pendingLead.assign(1, static_cast<char>(byte));
            m_leadBegin = begin;
            return;
        }
        std::string bytes = m_pendingLead;
        bytes += static_cast<char>(byte);
        const size_t from = m_pendingLead.empty() ? begin : m_leadBegin;
        m_pendingLead.clear();
        wchar_t decoded[2] = {};
        const int count = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), decoded, 2);
        m_chars.push_back({count >= 1 ? decoded[0] : L'?', false, from, end, state.uc});
    }

    void TextChar(const SGroupState& state, size_t begin, wchar_t ch)
    {
        if (m_skipFallback > 0) {
            ExtendFallback();
            return;
        }
        if (state.skip)
            return;
        m_pendingLead.clear();
        m_chars.push_back({ch, false, begin, m_at, state.uc});
    }

    // A fallback of \uN belongs to it: mending the character replaces both.
    void ExtendFallback()
    {
        --m_skipFallback;
        if (!m_chars.empty())
            m_chars.back().end = m_at;
    }

    UINT CodePage(const SGroupState& state) const
    {
        const int font = state.font >= 0 ? state.font : m_defaultFont;
        const auto codePage = m_fontCodePages.find(font);
        if (codePage != m_fontCodePages.end())
            return codePage->second;
        const auto charset = m_fontCharsets.find(font);
        if (charset != m_fontCharsets.end())
            return CodePageOfCharset(charset->second, m_ansiCodePage);
        return m_ansiCodePage;
    }

    static bool IsLetter(wchar_t ch) { return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z'); }
    static int HexValue(wchar_t ch)
    {
        if (ch >= L'0' && ch <= L'9')
            return ch - L'0';
        if (ch >= L'a' && ch <= L'f')
            return ch - L'a' + 10;
        if (ch >= L'A' && ch <= L'F')
            return ch - L'A' + 10;
        return -1;
    }

    const CStdStr& m_rtf;
    size_t m_at = 0;
    std::vector<SRtfChar> m_chars;
    int m_skipFallback = 0;
    std::string m_pendingLead;
    size_t m_leadBegin = 0;
    UINT m_ansiCodePage = 1252;
    int m_defaultFont = -1;
    // The depth of the font table's group while inside it, else 0.
    size_t m_fontTableDepth = 0;
    int m_fontEntry = -1;
    std::map<int, int> m_fontCharsets;
    std::map<int, UINT> m_fontCodePages;
};

void AppendEscape(CStdStr& out, wchar_t ch, int uc)
{
    // The "?" is the fallback a reader skips; under any other \uc it would be text.
    const std::wstring escape = L"\\u" + std::to_wstring(static_cast<short>(ch)) + L"?";
    if (uc == 1)
        out += escape;
    else
        out += L"{\\uc1" + escape + L"}";
}

}  // namespace

bool RestoreRtfCharacters(CStdStr& rtf, const CStdStr& plain, int& mended)
{
    mended = 0;
    const std::vector<SRtfChar> chars = CRtfTextScanner(rtf).Scan();
    std::wstring text;
    text.reserve(plain.size());
    for (const wchar_t ch : plain)
        if (!IsBreak(ch))
            text += ch;
    if (chars.size() != text.size())
        return false;
    CStdStr out;
    size_t copied = 0;
    for (size_t i = 0; i < chars.size(); ++i) {
        const SRtfChar& c = chars[i];
        if (c.any || c.ch == text[i])
            continue;
        out.append(rtf, copied, c.begin - copied);
        AppendEscape(out, text[i], c.uc);
        copied = c.end;
        ++mended;
    }
    if (mended == 0)
        return true;
    out.append(rtf, copied, CStdStr::npos);
    rtf = std::move(out);
    return true;
}
