#include "ColorButton.h"

#include <commdlg.h>

#include <algorithm>

#include "ColorPicker.h"
#include "framework/CommonDialogs.h"
#include "framework/GdiObject.h"

// The trailing blank of "Pale green " is the name's own: language modules
// translate the names by their text.
const PickerColor g_pickerColors[kPickerColorCount] = {
    { RGB(0, 0, 0), L"Black" },
    { RGB(165, 42, 0), L"Brown" },
    { RGB(0, 64, 64), L"Dark Olive Green" },
    { RGB(0, 85, 0), L"Dark Green" },
    { RGB(0, 0, 94), L"Dark Teal" },
    { RGB(0, 0, 139), L"Dark blue" },
    { RGB(75, 0, 130), L"Indigo" },
    { RGB(40, 40, 40), L"Dark grey" },
    { RGB(139, 0, 0), L"Dark red" },
    { RGB(255, 104, 32), L"Orange" },
    { RGB(139, 139, 0), L"Dark yellow" },
    { RGB(0, 147, 0), L"Green" },
    { RGB(56, 142, 142), L"Teal" },
    { RGB(0, 0, 255), L"Blue" },
    { RGB(123, 123, 192), L"Blue-grey" },
    { RGB(102, 102, 102), L"Grey - 40" },
    { RGB(255, 0, 0), L"Red" },
    { RGB(255, 173, 91), L"Light orange" },
    { RGB(50, 205, 50), L"Lime" },
    { RGB(60, 179, 113), L"Sea green" },
    { RGB(127, 255, 212), L"Aqua" },
    { RGB(125, 158, 192), L"Light blue" },
    { RGB(128, 0, 128), L"Violet" },
    { RGB(127, 127, 127), L"Grey - 50" },
    { RGB(255, 192, 203), L"Pink" },
    { RGB(255, 215, 0), L"Gold" },
    { RGB(255, 255, 0), L"Yellow" },
    { RGB(0, 255, 0), L"Bright green" },
    { RGB(64, 224, 208), L"Turquoise" },
    { RGB(192, 255, 255), L"Skyblue" },
    { RGB(72, 0, 72), L"Plum" },
    { RGB(192, 192, 192), L"Light grey" },
    { RGB(255, 228, 225), L"Rose" },
    { RGB(210, 180, 140), L"Tan" },
    { RGB(255, 255, 224), L"Light yellow" },
    { RGB(152, 251, 152), L"Pale green " },
    { RGB(175, 238, 238), L"Pale turquoise" },
    { RGB(104, 131, 139), L"Pale blue" },
    { RGB(230, 230, 250), L"Lavender" },
    { RGB(255, 255, 255), L"White" },
};

namespace {

// One step without skipping: what the arrow keys do from each kind of cell.
int StepPickerCell(int cell, bool backwards, int delta)
{
    if (cell == kNoCell || cell == kAutomaticCell)
        return backwards ? kCustomCell : (cell == kNoCell ? kAutomaticCell : 0);
    if (cell == kCustomCell)
        return backwards ? kPickerColorCount - 1 : kAutomaticCell;
    const int next = cell + delta;
    if (next < 0)
        return kAutomaticCell;
    return next >= kPickerColorCount ? kCustomCell : next;
}

RECT LabelRow(int left, int top, int width, int height, bool present)
{
    return present ? RECT{ left, top, left + width, top + height } : RECT{ left, top, left, top };
}

}  // namespace

int NextPickerCell(int cell, UINT key, bool hasAutomatic, bool hasCustom)
{
    int delta = 0;
    switch (key) {
    case VK_LEFT: delta = -1; break;
    case VK_RIGHT: delta = 1; break;
    case VK_UP: delta = -kPickerColumns; break;
    case VK_DOWN: delta = kPickerColumns; break;
    default: return cell;
    }
    // At most both label rows lie between two colour cells, so this ends.
    int next = cell;
    do
        next = StepPickerCell(next, delta < 0, delta);
    while ((next == kAutomaticCell && !hasAutomatic) || (next == kCustomCell && !hasCustom));
    return next;
}

PickerLayout LayoutColorPicker(SIZE automaticText, SIZE customText, int cxEdge, int cyEdge)
{
    const bool hasAutomatic = automaticText.cx > 0 || automaticText.cy > 0;
    const bool hasCustom = customText.cx > 0 || customText.cy > 0;
    SIZE text = {};
    if (hasAutomatic || hasCustom) {
        text.cx = std::max(automaticText.cx, customText.cx) + 10;
        text.cy = std::max(automaticText.cy, customText.cy) + 10;
    }
    const int gridWidth = kPickerColumns * kPickerCellSize;
    const int width = std::max(gridWidth, static_cast<int>(text.cx));
    PickerLayout layout = {};
    int top = cyEdge;
    layout.automatic = LabelRow(cxEdge, top, width, text.cy, hasAutomatic);
    top = layout.automatic.bottom;
    const int gridLeft = cxEdge + (width - gridWidth) / 2;
    for (int i = 0; i < kPickerColorCount; ++i) {
        const int x = gridLeft + (i % kPickerColumns) * kPickerCellSize;
        const int y = top + (i / kPickerColumns) * kPickerCellSize;
        layout.cells[i] = { x, y, x + kPickerCellSize, y + kPickerCellSize };
    }
    top += (kPickerColorCount / kPickerColumns) * kPickerCellSize;
    layout.custom = LabelRow(cxEdge, top, width, text.cy, hasCustom);
    layout.window = { width + 2 * cxEdge, layout.custom.bottom + cyEdge };
    return layout;
}

int PickerCellAt(const PickerLayout& layout, POINT point)
{
    if (PtInRect(&layout.automatic, point))
        return kAutomaticCell;
    if (PtInRect(&layout.custom, point))
        return kCustomCell;
    for (int i = 0; i < kPickerColorCount; ++i)
        if (PtInRect(&layout.cells[i], point))
            return i;
    return kNoCell;
}

RECT PlaceColorPicker(SIZE window, const RECT& button, const RECT& workArea)
{
    RECT place = { button.left, button.bottom, button.left + window.cx, button.bottom + window.cy };
    if (place.right > workArea.right)
        OffsetRect(&place, workArea.right - place.right, 0);
    if (place.left < workArea.left)
        OffsetRect(&place, workArea.left - place.left, 0);
    if (place.bottom > workArea.bottom)
        OffsetRect(&place, 0, button.top - place.bottom);
    return place;
}

CColorButton::CColorButton() : m_defaultColor(GetSysColor(COLOR_APPWORKSPACE))
{
}

void CColorButton::SetColor(COLORREF color)
{
    m_color = color;
    if (GetHwnd())
        InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void CColorButton::SetDefaultColor(COLORREF color)
{
    m_defaultColor = color;
    if (GetHwnd())
        InvalidateRect(GetHwnd(), nullptr, FALSE);
}

COLORREF CColorButton::GetResolvedColor() const
{
    return m_color == kAutomaticColor ? m_defaultColor : m_color;
}

bool CColorButton::ShowPicker()
{
    // The dialog starts at what the button showed, never at the automatic
    // sentinel, which it would read as black.
    COLORREF chosen = GetResolvedColor();
    const int cell = RunColorPicker(*this);
    if (cell == kNoCell)
        return false;
    if (cell == kCustomCell) {
        if (!ChooseColorDialog(GetActiveWindow(), chosen, CC_FULLOPEN | CC_ANYCOLOR | CC_RGBINIT))
            return false;
    } else {
        chosen = cell == kAutomaticCell ? kAutomaticColor : g_pickerColors[cell].color;
    }
    SetColor(chosen);
    return true;
}

void CColorButton::PreviewCell(int cell)
{
    if (cell == kNoCell) {
        Notify(CLRBN_CHANGED, false);
        return;
    }
    if (cell == kAutomaticCell)
        SetColor(kAutomaticColor);
    else if (cell == kCustomCell)
        SetColor(m_defaultColor);
    else
        SetColor(g_pickerColors[cell].color);
    Notify(CLRBN_CHANGED);
}

bool CColorButton::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case OCM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            break;
        OnClicked();
        result = 0;
        return true;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
        result = DefaultProc(msg, wParam, lParam);
        if (msg == WM_QUERYNEWPALETTE || reinterpret_cast<HWND>(wParam) != GetHwnd())
            InvalidateRect(GetHwnd(), nullptr, FALSE);
        return true;
    }
    return CDropButtonBase::ProcessWindowMessage(msg, wParam, lParam, result);
}

void CColorButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    RECT swatch = DrawDropButtonChrome(item.hDC, item.rcItem, item.itemState, Theme(),
                                       ColorButtonThemeState(item.itemState, IsHot()));
    if (item.itemState & ODS_DISABLED)
        return;
    const CBrushHandle fill(CreateSolidBrush(GetResolvedColor()));
    FillRect(item.hDC, &swatch, fill.Get());
    FrameRect(item.hDC, &swatch, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void CColorButton::OnClicked()
{
    Notify(CLRBN_DROPDOWN);
    const COLORREF remembered = m_color;
    const bool chosen = ShowPicker();
    if (m_color != remembered && (chosen || m_trackSelection)) {
        if (!chosen)
            SetColor(remembered);
        Notify(CLRBN_CHANGED);
    }
    Notify(CLRBN_CLOSEUP);
    Notify(chosen ? CLRBN_CHOSEN : CLRBN_CANCELLED);
    InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void CColorButton::Notify(UINT code, bool valid)
{
    NMCLRBUTTON record = {};
    record.hdr.hwndFrom = GetHwnd();
    record.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(GetHwnd()));
    record.hdr.code = code;
    record.clr = m_color;
    record.bValid = valid ? TRUE : FALSE;
    SendMessageW(GetParent(GetHwnd()), WM_NOTIFY, record.hdr.idFrom, reinterpret_cast<LPARAM>(&record));
}
