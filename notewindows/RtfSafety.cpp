#include "RtfSafety.h"

#include <algorithm>
#include <array>
#include <cwchar>

namespace {

bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsAsciiDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// Groups whose content is no text of the paragraph (tables, pictures'
// hex data); groups that begin with \* are skipped as well.
constexpr const wchar_t* kSkippedDestinations[] = {
    L"fonttbl", L"colortbl", L"stylesheet", L"info", L"pict", L"objdata", L"listtable",
    L"listoverridetable", L"filetbl", L"revtbl", L"rsidtbl", L"generator", L"themedata",
    L"colorschememapping", L"datastore", L"latentstyles", L"xmlnstbl",
};

// Words after which the control starts a new paragraph.
constexpr const wchar_t* kParagraphEnds[] = { L"par", L"sect", L"row", L"cell", L"nestcell" };

template <size_t N>
bool IsOneOf(const CStdStr& text, size_t begin, size_t end, const wchar_t* const (&words)[N])
{
    for (const wchar_t* word : words)
        if (wcslen(word) == end - begin && text.compare(begin, end - begin, word) == 0)
            return true;
    return false;
}

// One pass, no recursion: what a reader of the text would keep on its stack
// is one flag a level, and the deepest level refuses the text.
class CRtfChecker {
public:
    explicit CRtfChecker(const CStdStr& text) : m_text(text) {}

    ERtfCheck Run();

private:
    ERtfCheck OnControl(size_t& i);
    ERtfCheck OnWord(size_t& i);
    ERtfCheck CountCharacter();
    void SkipUnicodeFallback(size_t& i) const;
    // Only a group inside the document, at its start, can be one whose text
    // is not shown.
    bool StartsDestination() const { return m_groupStart && m_depth > 1; }

    const CStdStr& m_text;
    std::array<bool, kMaxRtfDepth + 1> m_skipped = {};  // per level: no paragraph text
    size_t m_depth = 0;
    size_t m_paragraph = 0;
    bool m_groupStart = false;  // nothing read yet in the newest group
};

ERtfCheck CRtfChecker::CountCharacter()
{
    m_groupStart = false;
    if (m_skipped[m_depth])
        return ERtfCheck::safe;
    return ++m_paragraph > kMaxRtfParagraphLength ? ERtfCheck::longParagraph : ERtfCheck::safe;
}

// The default \uc1: one character stands in for each \uN, and is not shown.
void CRtfChecker::SkipUnicodeFallback(size_t& i) const
{
    if (i >= m_text.size())
        return;
    if (m_text[i] == L'\\' && i + 1 < m_text.size() && m_text[i + 1] == L'\'')
        i = std::min(i + 4, m_text.size());
    else if (m_text[i] != L'\\' && m_text[i] != L'{' && m_text[i] != L'}')
        ++i;
}

ERtfCheck CRtfChecker::OnWord(size_t& i)
{
    const size_t begin = i;
    while (i < m_text.size() && IsAsciiLetter(m_text[i]))
        if (++i - begin > kMaxRtfWordLetters)
            return ERtfCheck::longWord;
    const size_t end = i;
    if (i < m_text.size() && m_text[i] == L'-')
        ++i;
    for (size_t digits = 0; i < m_text.size() && IsAsciiDigit(m_text[i]); ++i)
        if (++digits > kMaxRtfParameterDigits)
            return ERtfCheck::longParameter;
    if (i < m_text.size() && m_text[i] == L' ')
        ++i;
    if (StartsDestination() && IsOneOf(m_text, begin, end, kSkippedDestinations))
        m_skipped[m_depth] = true;
    m_groupStart = false;
    if (IsOneOf(m_text, begin, end, kParagraphEnds)) {
        m_paragraph = 0;
        return ERtfCheck::safe;
    }
    if (end - begin == 1 && m_text[begin] == L'u') {
        SkipUnicodeFallback(i);
        return CountCharacter();
    }
    return ERtfCheck::safe;
}

ERtfCheck CRtfChecker::OnControl(size_t& i)
{
    ++i;  // the backslash
    if (i >= m_text.size())
        return ERtfCheck::safe;
    const wchar_t symbol = m_text[i];
    if (IsAsciiLetter(symbol))
        return OnWord(i);
    ++i;
    if (symbol == L'*') {
        if (StartsDestination())
            m_skipped[m_depth] = true;
        return ERtfCheck::safe;
    }
    if (symbol == L'\'') {
        // Two hex digits, or what stands there instead.
        for (int digit = 0; digit < 2 && i < m_text.size() && m_text[i] != L'\\' && m_text[i] != L'{' &&
                            m_text[i] != L'}';
             ++digit)
            ++i;
        return CountCharacter();
    }
    if (symbol == L'\r' || symbol == L'\n')
        m_paragraph = 0;  // \<newline> is \par
    else
        return CountCharacter();
    return ERtfCheck::safe;
}

ERtfCheck CRtfChecker::Run()
{
    for (size_t i = 0; i < m_text.size();) {
        const wchar_t c = m_text[i];
        ERtfCheck check = ERtfCheck::safe;
        if (c == L'\\') {
            check = OnControl(i);
        } else {
            ++i;
            if (c == L'{') {
                if (++m_depth > kMaxRtfDepth)
                    return ERtfCheck::tooDeep;
                m_skipped[m_depth] = m_skipped[m_depth - 1];
                m_groupStart = true;
            } else if (c == L'}') {
                // Closing more groups than are open reads as the end of the text.
                if (m_depth > 0)
                    --m_depth;
                m_groupStart = false;
            } else if (c != L'\r' && c != L'\n') {
                check = CountCharacter();
            }
        }
        if (check != ERtfCheck::safe)
            return check;
    }
    return ERtfCheck::safe;
}

}  // namespace

ERtfCheck CheckRtf(const CStdStr& text)
{
    if (text.compare(0, 5, L"{\\rtf") != 0)
        return ERtfCheck::safe;
    return CRtfChecker(text).Run();
}

CStdStr DescribeRtfCheck(ERtfCheck check)
{
    CStdStr text;
    switch (check) {
    case ERtfCheck::safe:          text = L"is safe"; break;
    case ERtfCheck::tooDeep:       text.Format(L"nests deeper than %u groups", static_cast<unsigned>(kMaxRtfDepth)); break;
    case ERtfCheck::longWord:      text.Format(L"holds a control word longer than %u letters", static_cast<unsigned>(kMaxRtfWordLetters)); break;
    case ERtfCheck::longParameter: text.Format(L"holds a parameter longer than %u digits", static_cast<unsigned>(kMaxRtfParameterDigits)); break;
    case ERtfCheck::longParagraph: text.Format(L"holds a paragraph longer than %u characters", static_cast<unsigned>(kMaxRtfParagraphLength)); break;
    }
    return text;
}
