// Interface ids of the rich-edit control's object model, under our own names:
// MinGW's import libraries lack them.
#pragma once

#include <windows.h>

#include "framework/TomIds.h"

// IRichEditOleCallback, {00020D03-0000-0000-C000-000000000046}.
inline constexpr IID kIidRichEditOleCallback = {
    0x00020D03, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
