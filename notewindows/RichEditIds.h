// Interface ids of the rich-edit control's object model, under our own names:
// MinGW's import libraries lack them.
#pragma once

#include <windows.h>

// IRichEditOleCallback, {00020D03-0000-0000-C000-000000000046}.
inline constexpr IID kIidRichEditOleCallback = {
    0x00020D03, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// ITextDocument, {8CC497C0-A1DF-11CE-8098-00AA0047BE5D}.
inline constexpr IID kIidTextDocument = {
    0x8CC497C0, 0xA1DF, 0x11CE, {0x80, 0x98, 0x00, 0xAA, 0x00, 0x47, 0xBE, 0x5D}};
