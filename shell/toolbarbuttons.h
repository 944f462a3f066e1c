// The toolbar's buttons as data: their table, the hit test over the bar, and
// the recolouring that turns the glyph strip's key colours into the current
// system colours. Pure, so the geometry and colours are testable without a
// window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Button state and style bits.
constexpr std::uint8_t kButtonEnabled = 0x04;
constexpr std::uint8_t kButtonPressed = 0x02;  // drawn sunken
constexpr std::uint8_t kButtonSeparator = 0x01;

// 12 bytes, as the bar keeps them.
struct SToolbarButton {
    std::int32_t image;    // a separator keeps its width here
    std::int32_t command;
    std::uint8_t state;
    std::uint8_t style;
    std::uint8_t spare[2];
};
static_assert(sizeof(SToolbarButton) == 12, "a button record is 12 bytes");

// Geometry of the bar, in pixels.
constexpr int kFirstButtonX = 8;
constexpr int kButtonStep = 23;  // neighbours share their border column
constexpr int kButtonWidth = 24;
constexpr int kButtonHeight = 18;
constexpr int kSeparatorDefaultWidth = 8;
constexpr int kGlyphWidth = 16;
constexpr int kGlyphHeight = 15;
constexpr int kGlyphCount = 11;

// The five buttons of the bar, in order.
std::vector<SToolbarButton> DefaultToolbarButtons();

// A separator record of the given width (0: the default width).
SToolbarButton MakeSeparator(int width);

// The width a record takes on the bar.
int ButtonAdvance(const SToolbarButton& button);

// The index of the button under a client point; -1 for a separator or none.
int HitTestButtons(const std::vector<SToolbarButton>& buttons, POINT client);

// The left edge of a button's cell, or -1 for an index outside the table.
int ButtonLeft(const std::vector<SToolbarButton>& buttons, int index);

// The colours the glyph strip's six key colours become.
struct SGlyphColours {
    COLORREF text;       // black
    COLORREF shadow;     // 0x808080
    COLORREF face;       // 0xC0C0C0
    COLORREF highlight;  // white
    COLORREF selection;  // blue
    COLORREF window;     // magenta
};

// The system colours of that mapping now.
SGlyphColours CurrentGlyphColours();

// Replaces each key colour of a DIB colour table; other entries stay.
void RecolourGlyphTable(RGBQUAD* table, size_t count, const SGlyphColours& colours);
