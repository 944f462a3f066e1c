// The colour button's drop-down: the "ColorPicker" pop-up window, registered
// for one pick, with its own mouse-capture loop.
#pragma once

#include <windows.h>

class CColorButton;

// The class name, for whoever must find the open picker.
constexpr wchar_t kColorPickerClass[] = L"ColorPicker";

// Runs one pick below the button; the chosen cell, or kNoCell when the pick
// was cancelled or no picker could be made.
int RunColorPicker(CColorButton& button);
