// The 16 custom colours of the colour picker and of the system colour dialog:
// one process-wide array that the settings load fills and the save reads back.
#pragma once

#include <windows.h>
#include <array>

constexpr int kCustomColorCount = 16;

using CustomColorArray = std::array<COLORREF, kCustomColorCount>;

// The process-wide array; its data() is what CHOOSECOLORW::lpCustColors takes.
CustomColorArray& CustomColors();
