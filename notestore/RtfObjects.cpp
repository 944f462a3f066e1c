#include "RtfObjects.h"

#include <algorithm>
#include <vector>

namespace {

// An RTF parameter has at most ten characters, its sign included.
constexpr size_t kMaxParameterDigits = 10;

bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsAsciiDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// The editor may read control words regardless of case, so object words
// are matched that way; exact is the safe reading of every other word.
bool IsWord(const CStdStr& rtf, size_t begin, size_t end, const wchar_t* word, bool anyCase)
{
    for (size_t i = begin; i < end; ++i, ++word)
        if (!*word || (anyCase ? rtf[i] | 0x20 : rtf[i]) != *word)
            return false;
    return !*word;
}

// One control word or symbol: the text [begin, end), with the data of \binN.
struct SControl {
    size_t end = 0;
    size_t wordBegin = 0;
    size_t wordEnd = 0;      // wordBegin for a control symbol
    bool binary = false;
};

struct SParameter {
    size_t value = 0;
    size_t digits = 0;
    bool negative = false;
};

// The parameter of a control word at i, and its blank delimiter; i moves past both.
SParameter ReadParameter(const CStdStr& rtf, size_t& i)
{
    SParameter parameter;
    parameter.negative = i < rtf.size() && rtf[i] == L'-';
    if (parameter.negative)
        ++i;
    for (; i < rtf.size() && IsAsciiDigit(rtf[i]); ++i, ++parameter.digits)
        if (parameter.digits < kMaxParameterDigits)
            parameter.value = parameter.value * 10 + (rtf[i] - L'0');
    if (i < rtf.size() && rtf[i] == L' ')
        ++i;
    return parameter;
}

// The control at pos (a backslash).
SControl ReadControl(const CStdStr& rtf, size_t pos)
{
    SControl control;
    size_t i = pos + 1;
    control.wordBegin = control.wordEnd = i;
    if (i >= rtf.size() || !IsAsciiLetter(rtf[i])) {
        control.end = std::min(i + 1, rtf.size());
        return control;
    }
    while (i < rtf.size() && IsAsciiLetter(rtf[i]))
        ++i;
    control.wordEnd = i;
    const SParameter parameter = ReadParameter(rtf, i);
    control.end = i;
    control.binary = IsWord(rtf, control.wordBegin, control.wordEnd, L"bin", false);
    if (control.binary) {
        // A count that is negative or longer than a parameter may be runs to the end.
        const bool malformed = parameter.negative || parameter.digits > kMaxParameterDigits;
        control.end = malformed ? rtf.size() : i + std::min(parameter.value, rtf.size() - i);
    }
    return control;
}

// One pass over the text with a stack of open groups, no recursion. Output
// of a group that turns out to be an object is taken back: each group
// remembers where its brace was written.
class CObjectFilter {
public:
    explicit CObjectFilter(const CStdStr& rtf) : m_rtf(rtf) {}

    CStdStr Run();

private:
    enum class EKind {
        kept,       // written out
        object,     // an object: only its result is written
        candidate,  // a direct child of an object, written until it proves not to be the result
        result,     // the result of an object, written
        dropped,    // nothing written
    };
    struct SGroup {
        EKind kind;
        size_t start;             // where its brace is in the output
        bool resultTaken = false; // of an object
    };

    bool Writes() const;
    void OnControl(const SControl& control);
    void OnObjectWord();
    void OnResultWord();
    void OnOpen();
    void OnClose();
    void TakeBack(SGroup& group, EKind kind);

    const CStdStr& m_rtf;
    CStdStr m_out;
    std::vector<SGroup> m_groups;
};

bool CObjectFilter::Writes() const
{
    return m_groups.empty() || (m_groups.back().kind != EKind::object && m_groups.back().kind != EKind::dropped);
}

void CObjectFilter::TakeBack(SGroup& group, EKind kind)
{
    if (group.kind != EKind::object && group.kind != EKind::dropped)
        m_out.resize(group.start);
    group.kind = kind;
}

void CObjectFilter::OnObjectWord()
{
    // Outside every group the word alone goes.
    if (m_groups.empty())
        return;
    SGroup& group = m_groups.back();
    if (group.kind == EKind::kept || group.kind == EKind::result)
        TakeBack(group, EKind::object);
    else if (group.kind == EKind::candidate)
        TakeBack(group, EKind::dropped);
}

void CObjectFilter::OnResultWord()
{
    SGroup& group = m_groups.back();
    TakeBack(group, EKind::result);
    m_out += L'{';
    m_groups[m_groups.size() - 2].resultTaken = true;
}

void CObjectFilter::OnControl(const SControl& control)
{
    const size_t begin = control.wordBegin;
    const size_t end = control.wordEnd;
    if (IsWord(m_rtf, begin, end, L"object", true) || IsWord(m_rtf, begin, end, L"objdata", true))
        OnObjectWord();
    else if (!m_groups.empty() && m_groups.back().kind == EKind::candidate &&
             IsWord(m_rtf, begin, end, L"result", false))
        OnResultWord();
    // Binary data is never written: a reader that counts it otherwise (the
    // editor counts bytes of UTF-8) would read part of it as rich text.
    else if (Writes() && !control.binary)
        m_out.append(m_rtf, begin - 1, control.end - (begin - 1));
}

void CObjectFilter::OnOpen()
{
    EKind kind = EKind::kept;
    if (!m_groups.empty()) {
        SGroup& parent = m_groups.back();
        if (parent.kind == EKind::object)
            kind = parent.resultTaken ? EKind::dropped : EKind::candidate;
        else if (parent.kind == EKind::candidate || parent.kind == EKind::dropped)
            kind = EKind::dropped;
        // A result holds no groups before its \result.
        if (parent.kind == EKind::candidate)
            TakeBack(parent, EKind::dropped);
    }
    m_groups.push_back({kind, m_out.size()});
    if (kind != EKind::dropped)
        m_out += L'{';
}

void CObjectFilter::OnClose()
{
    if (m_groups.empty()) {
        m_out += L'}';
        return;
    }
    SGroup& group = m_groups.back();
    if (group.kind == EKind::kept || group.kind == EKind::result)
        m_out += L'}';
    else if (group.kind == EKind::candidate)
        TakeBack(group, EKind::dropped);
    m_groups.pop_back();
}

CStdStr CObjectFilter::Run()
{
    for (size_t i = 0; i < m_rtf.size();) {
        const wchar_t c = m_rtf[i];
        if (c == L'\\') {
            const SControl control = ReadControl(m_rtf, i);
            OnControl(control);
            i = control.end;
            continue;
        }
        if (c == L'{')
            OnOpen();
        else if (c == L'}')
            OnClose();
        else if (Writes())
            m_out += c;
        ++i;
    }
    // A result candidate left open is no result.
    if (!m_groups.empty() && m_groups.back().kind == EKind::candidate)
        TakeBack(m_groups.back(), EKind::dropped);
    return std::move(m_out);
}

}  // namespace

CStdStr RemoveRtfObjects(const CStdStr& rtf)
{
    if (rtf.compare(0, 5, L"{\\rtf") != 0)
        return rtf;
    return CObjectFilter(rtf).Run();
}
