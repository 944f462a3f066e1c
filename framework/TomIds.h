// The interface ids of rich edit's text object model, under our own names:
// MinGW's tom.h declares them but its import libraries lack them.
#pragma once

#include <windows.h>

inline constexpr IID kIidTextDocument = {
    0x8CC497C0, 0xA1DF, 0x11CE, {0x80, 0x98, 0x00, 0xAA, 0x00, 0x47, 0xBE, 0x5D}};
