// The colour button: an owner-drawn drop-down button showing a colour swatch
// that, when clicked, drops down a picker of 40 named colours with an
// "Automatic" row above and a "More Colors..." row below, the latter opening
// the system colour dialog. It reports to its parent through WM_NOTIFY.
#pragma once

#include <windows.h>

#include <string>

#include "ArrowButton.h"

// The colour of a button left to its owner's default.
constexpr COLORREF kAutomaticColor = 0xFF000000;

struct NMCLRBUTTON {
    NMHDR hdr;
    COLORREF clr;
    BOOL bValid;  // 1: the colour is a colour
};

constexpr UINT CLRBN_CHANGED = 0x8000;    // also for previews and a cancel's restore
constexpr UINT CLRBN_DROPDOWN = 0x8001;
constexpr UINT CLRBN_CLOSEUP = 0x8002;
constexpr UINT CLRBN_CHOSEN = 0x8003;
constexpr UINT CLRBN_CANCELLED = 0x8004;

constexpr int kPickerColorCount = 40;
constexpr int kPickerColumns = 8;
constexpr int kPickerCellSize = 18;

struct PickerColor {
    COLORREF color;
    const wchar_t* name;
};
extern const PickerColor g_pickerColors[kPickerColorCount];

// Picker cells: the colours are 0 to 39.
constexpr int kNoCell = -1;
constexpr int kAutomaticCell = kPickerColorCount;
constexpr int kCustomCell = kPickerColorCount + 1;

// The hover cell after an arrow key (any other key keeps it); rows without a
// label are skipped in the same direction.
int NextPickerCell(int cell, UINT key, bool hasAutomatic, bool hasCustom);

// Where everything sits in the picker's client area; an empty label's row
// is empty.
struct PickerLayout {
    RECT automatic;
    RECT cells[kPickerColorCount];
    RECT custom;
    SIZE window;
};
// From the extents of the two labels in the picker font (zero for an empty
// label) and the edge metrics.
PickerLayout LayoutColorPicker(SIZE automaticText, SIZE customText, int cxEdge, int cyEdge);
// The cell at a client point, or kNoCell.
int PickerCellAt(const PickerLayout& layout, POINT point);
// The picker's window rectangle: first at the button's bottom-left corner,
// then kept inside the work area, above the button when it would pass the
// bottom.
RECT PlaceColorPicker(SIZE window, const RECT& button, const RECT& workArea);

class CColorButton : public CDropButtonBase {
public:
    CColorButton();

    COLORREF GetColor() const { return m_color; }
    void SetColor(COLORREF color);
    COLORREF GetDefaultColor() const { return m_defaultColor; }
    void SetDefaultColor(COLORREF color);
    // The colour the button shows: the default colour while automatic.
    COLORREF GetResolvedColor() const;
    // An empty label leaves its row out of the picker.
    void SetDefaultText(const wchar_t* text) { m_defaultText = text ? text : L""; }
    void SetCustomText(const wchar_t* text) { m_customText = text ? text : L""; }
    const std::wstring& DefaultText() const { return m_defaultText; }
    const std::wstring& CustomText() const { return m_customText; }
    bool GetTrackSelection() const { return m_trackSelection; }
    void SetTrackSelection(bool track) { m_trackSelection = track; }

    // Runs the picker; true when a colour was chosen (the button has it).
    bool ShowPicker();

    // The picker's preview of a hover cell, for the picker alone.
    void PreviewCell(int cell);

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    void OnClicked();
    void Notify(UINT code, bool valid = true);

    COLORREF m_color = kAutomaticColor;
    COLORREF m_defaultColor;
    std::wstring m_defaultText = L"Automatic";
    std::wstring m_customText = L"More Colors...";
    bool m_trackSelection = false;
};
