// Makes a rich edit's streamed-out RTF hold every character of its text.
// Some RTF writers (Wine's) put a character that the font's code page lacks
// as a "best fit" look-alike ("ż" as "z", "ℓ" as "l") instead of \uN; read
// back, the note has lost it. The RTF's own characters are lined up with the
// plain text the control streamed out for the same range, and each one that
// differs is written again as \uN?.
#pragma once

#include "foundation/StdStr.h"

// rtf holds one byte a character (as the control wrote it); plain the text.
// False, rtf untouched, when the two cannot be lined up (a different count of
// characters outside paragraph breaks); true otherwise, with mended the
// number of characters written again.
bool RestoreRtfCharacters(CStdStr& rtf, const CStdStr& plain, int& mended);
