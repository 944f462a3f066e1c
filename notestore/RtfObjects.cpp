#include "RtfObjects.h"

#include <cwctype>

namespace {

bool StartsControlWord(const CStdStr& rtf, size_t pos, const wchar_t* word)
{
    const size_t length = wcslen(word);
    if (rtf.compare(pos, length, word) != 0)
        return false;
    const size_t after = pos + length;
    return after >= rtf.size() || !std::iswalpha(rtf[after]);
}

// After a backslash at pos: the position past the control symbol or word,
// skipping the data of \binN, which may hold braces.
size_t SkipControl(const CStdStr& rtf, size_t pos)
{
    size_t i = pos + 1;
    if (i >= rtf.size())
        return i;
    if (!std::iswalpha(rtf[i]))
        return i + 1;
    const size_t wordStart = i;
    while (i < rtf.size() && std::iswalpha(rtf[i]))
        ++i;
    const bool binary = rtf.compare(wordStart, i - wordStart, L"bin") == 0;
    size_t count = 0;
    if (i < rtf.size() && rtf[i] == L'-')
        ++i;
    while (i < rtf.size() && std::iswdigit(rtf[i]))
        count = count * 10 + (rtf[i++] - L'0');
    if (i < rtf.size() && rtf[i] == L' ')
        ++i;
    if (binary)
        i += count < rtf.size() - i ? count : rtf.size() - i;
    return i;
}

// The position past the group that opens at pos (an unclosed group runs to
// the end of the text).
size_t GroupEnd(const CStdStr& rtf, size_t pos)
{
    int depth = 0;
    for (size_t i = pos; i < rtf.size();) {
        const wchar_t c = rtf[i];
        if (c == L'\\') {
            i = SkipControl(rtf, i);
            continue;
        }
        if (c == L'{')
            ++depth;
        else if (c == L'}' && --depth == 0)
            return i + 1;
        ++i;
    }
    return rtf.size();
}

bool OpensGroup(const CStdStr& rtf, size_t pos, const wchar_t* word)
{
    return rtf[pos] == L'{' && pos + 1 < rtf.size() && StartsControlWord(rtf, pos + 1, word);
}

// The {\result ...} child of the object group [begin, end), as "{content}".
CStdStr ObjectResult(const CStdStr& rtf, size_t begin, size_t end);

CStdStr RemoveObjectsIn(const CStdStr& rtf, size_t begin, size_t end)
{
    CStdStr clean;
    for (size_t i = begin; i < end;) {
        if (rtf[i] == L'\\') {
            const size_t next = SkipControl(rtf, i);
            clean.append(rtf, i, next - i);
            i = next;
        } else if (OpensGroup(rtf, i, L"\\object")) {
            const size_t groupEnd = GroupEnd(rtf, i);
            clean += ObjectResult(rtf, i, groupEnd);
            i = groupEnd;
        } else {
            clean += rtf[i++];
        }
    }
    return clean;
}

CStdStr ObjectResult(const CStdStr& rtf, size_t begin, size_t end)
{
    for (size_t i = begin + 1; i < end;) {
        if (rtf[i] == L'\\') {
            i = SkipControl(rtf, i);
        } else if (OpensGroup(rtf, i, L"\\result")) {
            const size_t resultEnd = GroupEnd(rtf, i);
            size_t contentBegin = i + 1 + wcslen(L"\\result");
            if (contentBegin < resultEnd && rtf[contentBegin] == L' ')
                ++contentBegin;   // the delimiter of the control word
            const size_t contentEnd = resultEnd > contentBegin && rtf[resultEnd - 1] == L'}' ? resultEnd - 1
                                                                                              : resultEnd;
            return L"{" + RemoveObjectsIn(rtf, contentBegin, contentEnd) + L"}";
        } else if (rtf[i] == L'{') {
            i = GroupEnd(rtf, i);
        } else {
            ++i;
        }
    }
    return CStdStr();
}

}  // namespace

CStdStr RemoveRtfObjects(const CStdStr& rtf)
{
    if (rtf.compare(0, 5, L"{\\rtf") != 0)
        return rtf;
    return RemoveObjectsIn(rtf, 0, rtf.size());
}
