#include "toolbarbuttons.h"

#include "MainCommands.h"

namespace {

constexpr SToolbarButton Button(int image, UINT command)
{
    return SToolbarButton{image, static_cast<std::int32_t>(command), kButtonEnabled, 0, {0, 0}};
}

RGBQUAD Quad(COLORREF colour)
{
    return RGBQUAD{GetBValue(colour), GetGValue(colour), GetRValue(colour), 0};
}

bool SameColour(const RGBQUAD& a, const RGBQUAD& b)
{
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

}  // namespace

std::vector<SToolbarButton> DefaultToolbarButtons()
{
    return {Button(0, ID_MAIN_MENU), Button(1, ID_NEW_NOTE_TOOLBAR), Button(2, ID_PREFERENCES_TOOLBAR),
            Button(3, ID_SAVE_ALL_TOOLBAR), Button(9, ID_HELP_TOOLBAR)};
}

SToolbarButton MakeSeparator(int width)
{
    return SToolbarButton{width > 0 ? width : kSeparatorDefaultWidth, 0, 0, kButtonSeparator, {0, 0}};
}

int ButtonAdvance(const SToolbarButton& button)
{
    return (button.style & kButtonSeparator) ? button.image : kButtonStep;
}

int HitTestButtons(const std::vector<SToolbarButton>& buttons, POINT client)
{
    if (client.y < 0 || client.y >= kButtonHeight)
        return -1;
    int offset = client.x - kFirstButtonX;
    if (offset < 0)
        return -1;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const int advance = ButtonAdvance(buttons[i]);
        if (offset < advance)
            return (buttons[i].style & kButtonSeparator) ? -1 : static_cast<int>(i);
        offset -= advance;
    }
    return -1;
}

int ButtonLeft(const std::vector<SToolbarButton>& buttons, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= buttons.size())
        return -1;
    int x = kFirstButtonX;
    for (int i = 0; i < index; ++i)
        x += ButtonAdvance(buttons[i]);
    return x;
}

SGlyphColours CurrentGlyphColours()
{
    return SGlyphColours{GetSysColor(COLOR_BTNTEXT),   GetSysColor(COLOR_BTNSHADOW),
                         GetSysColor(COLOR_BTNFACE),   GetSysColor(COLOR_BTNHIGHLIGHT),
                         GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW)};
}

void RecolourGlyphTable(RGBQUAD* table, size_t count, const SGlyphColours& colours)
{
    const struct {
        RGBQUAD key;
        COLORREF target;
    } map[] = {
        {Quad(RGB(0, 0, 0)), colours.text},
        {Quad(RGB(0x80, 0x80, 0x80)), colours.shadow},
        {Quad(RGB(0xC0, 0xC0, 0xC0)), colours.face},
        {Quad(RGB(0xFF, 0xFF, 0xFF)), colours.highlight},
        {Quad(RGB(0, 0, 0xFF)), colours.selection},
        {Quad(RGB(0xFF, 0, 0xFF)), colours.window},
    };
    for (size_t i = 0; i < count; ++i)
        for (const auto& entry : map)
            if (SameColour(table[i], entry.key)) {
                table[i] = Quad(entry.target);
                break;
            }
}
