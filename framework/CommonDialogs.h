// The system's font and colour dialogs as the program uses them: the font
// dialog on a rich edit's character format, the colour dialog with the
// process-wide custom colours. Both go through the common-dialog seam.
#pragma once

#include <windows.h>
#include <richedit.h>

// The character format as a font, for a screen of dpi pixels per inch.
LOGFONTW CharFormatToLogFont(const CHARFORMAT2W& format, int dpi);
// What the font dialog's flags leave undecided when the format's mask says an
// attribute is mixed over the selection.
DWORD MixedAttributeFlags(const CHARFORMAT2W& format);
// The dialog's choice as a character format; only what the dialog decided
// gets its mask bit.
CHARFORMAT2W ChosenCharFormat(const CHOOSEFONTW& choice);

// Opens the font dialog on the format; on OK the format is replaced by the
// choice. False when cancelled.
bool ChooseRichEditFont(HWND owner, CHARFORMAT2W& format);

// Opens the colour dialog on the colour with the 16 custom colours; on OK the
// colour is the choice. False when cancelled.
bool ChooseColorDialog(HWND owner, COLORREF& color, DWORD flags = CC_RGBINIT | CC_ANYCOLOR);
