// The small caption bars of note windows: the caption depth kept on the
// frame, and the depth that a title font needs.
#pragma once

#include <windows.h>

// Stores the caption depth n (in pixels) on the window and recomputes its
// frame; n = 0 changes nothing and returns 0.
int ItsySetCaptionSize(HWND window, int height);
// The caption depth that fits a title in that font.
int ItsyCaptionHeightFromFont(const LOGFONTW& font);
