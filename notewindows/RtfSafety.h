// The one check every rich text passes before any rich edit reads it:
// pasted, received, stored or converted text that the control (Wine's
// above all) would crash or hang on is kept from it, and its caller falls
// back to the plain text.
#pragma once

#include <cstddef>

#include "foundation/StdStr.h"

// Wine 8's rich edit crashes on every nesting from 33 groups on (the
// document group counted; measured with a bare control for each depth up
// to 260, streamed and pasted): the bound keeps well below that.
constexpr size_t kMaxRtfDepth = 24;
// The RTF syntax allows no more; a 1 MB control word crashes the control.
constexpr size_t kMaxRtfWordLetters = 32;
// Ten digits and a sign; 32,764 digits crash the control.
constexpr size_t kMaxRtfParameterDigits = 10;
// Wine's control lays a paragraph out again for every piece it reads: the
// cost grows with the square of its length, escapes or not (measured on a
// 300-pixel control: 4,000 characters 0.3-1.2 s, 8,000 1.3-2.5 s, 16,000
// 7-12 s, 32,000 33-53 s).
constexpr size_t kMaxRtfParagraphLength = 4096;

enum class ERtfCheck {
    safe,
    tooDeep,
    longWord,
    longParameter,
    longParagraph,
};

// Text that does not begin "{\rtf" is no rich text and always safe.
ERtfCheck CheckRtf(const CStdStr& text);
inline bool IsRtfSafe(const CStdStr& text)
{
    return CheckRtf(text) == ERtfCheck::safe;
}
// Why a text failed, for the log: "nests deeper than 24 groups".
CStdStr DescribeRtfCheck(ERtfCheck check);
