#include "CommonDialogs.h"

#include <commdlg.h>

#include "UiSeams.h"
#include "foundation/CustomColors.h"
#include "foundation/SysFuncs.h"

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr LONG kTwipsPerTenthPoint = 2;
constexpr int kPointsPerInch = 72;

bool Has(const CHARFORMAT2W& format, DWORD mask, DWORD effect)
{
    return (format.dwMask & mask) && (format.dwEffects & effect);
}

}  // namespace

LOGFONTW CharFormatToLogFont(const CHARFORMAT2W& format, int dpi)
{
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(format.yHeight, dpi, kTwipsPerInch);
    font.lfWeight = Has(format, CFM_BOLD, CFE_BOLD) ? FW_BOLD : FW_NORMAL;
    if (format.dwMask & CFM_WEIGHT && format.wWeight)
        font.lfWeight = format.wWeight;
    font.lfItalic = Has(format, CFM_ITALIC, CFE_ITALIC);
    font.lfUnderline = Has(format, CFM_UNDERLINE, CFE_UNDERLINE);
    font.lfStrikeOut = Has(format, CFM_STRIKEOUT, CFE_STRIKEOUT);
    font.lfCharSet = format.bCharSet;
    font.lfPitchAndFamily = format.bPitchAndFamily;
    if (format.dwMask & CFM_FACE)
        lstrcpynW(font.lfFaceName, format.szFaceName, LF_FACESIZE);
    return font;
}

DWORD MixedAttributeFlags(const CHARFORMAT2W& format)
{
    DWORD flags = 0;
    if (!(format.dwMask & CFM_FACE))
        flags |= CF_NOFACESEL;
    if (!(format.dwMask & CFM_SIZE))
        flags |= CF_NOSIZESEL;
    if ((format.dwMask & (CFM_BOLD | CFM_ITALIC)) != (CFM_BOLD | CFM_ITALIC))
        flags |= CF_NOSTYLESEL;
    if (!(format.dwMask & CFM_CHARSET))
        flags |= CF_NOSCRIPTSEL;
    return flags;
}

CHARFORMAT2W ChosenCharFormat(const CHOOSEFONTW& choice)
{
    const LOGFONTW& font = *choice.lpLogFont;
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_UNDERLINE | CFM_STRIKEOUT | CFM_COLOR;
    format.dwEffects = (font.lfUnderline ? CFE_UNDERLINE : 0) | (font.lfStrikeOut ? CFE_STRIKEOUT : 0);
    format.crTextColor = choice.rgbColors;
    if (!(choice.Flags & CF_NOFACESEL)) {
        format.dwMask |= CFM_FACE;
        lstrcpynW(format.szFaceName, font.lfFaceName, LF_FACESIZE);
        format.bPitchAndFamily = font.lfPitchAndFamily;
    }
    if (!(choice.Flags & CF_NOSIZESEL)) {
        format.dwMask |= CFM_SIZE;
        format.yHeight = choice.iPointSize * kTwipsPerTenthPoint;
    }
    if (!(choice.Flags & CF_NOSTYLESEL)) {
        format.dwMask |= CFM_BOLD | CFM_ITALIC;
        format.dwEffects |= (font.lfWeight >= FW_BOLD ? CFE_BOLD : 0) | (font.lfItalic ? CFE_ITALIC : 0);
    }
    if (!(choice.Flags & CF_NOSCRIPTSEL)) {
        format.dwMask |= CFM_CHARSET;
        format.bCharSet = font.lfCharSet;
    }
    return format;
}

bool ChooseRichEditFont(HWND owner, CHARFORMAT2W& format)
{
    LOGFONTW font = CharFormatToLogFont(format, PointsToPixels(kPointsPerInch, nullptr));
    CHOOSEFONTW choice = {};
    choice.lStructSize = sizeof(choice);
    choice.hwndOwner = owner;
    choice.lpLogFont = &font;
    choice.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | MixedAttributeFlags(format);
    choice.rgbColors = format.crTextColor;
    if (!g_commonDialogSeam.chooseFont(&choice))
        return false;
    format = ChosenCharFormat(choice);
    return true;
}

bool ChooseColorDialog(HWND owner, COLORREF& color, DWORD flags)
{
    CHOOSECOLORW choice = {};
    choice.lStructSize = sizeof(choice);
    choice.hwndOwner = owner;
    choice.rgbResult = color;
    choice.lpCustColors = CustomColors().data();
    choice.Flags = flags;
    if (!g_commonDialogSeam.chooseColor(&choice))
        return false;
    color = choice.rgbResult;
    return true;
}
