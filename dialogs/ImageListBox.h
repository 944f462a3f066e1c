// An owner-drawn list box whose rows carry a title over a smaller subtext,
// each row in colours of its own, with an optional image; the quick search
// lists its notes in one. The owner reflects the owner-draw messages back.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "framework/Window.h"

// ImageListBoxItem::mask: which fields hold a value.
constexpr UINT kIlbText = 0x1;
constexpr UINT kIlbSubtext = 0x2;
constexpr UINT kIlbImage = 0x4;
constexpr UINT kIlbSelectedImage = 0x8;
constexpr UINT kIlbStyle = 0x10;
constexpr UINT kIlbFormat = 0x20;
constexpr UINT kIlbParam = 0x40;
constexpr UINT kIlbTextColor = 0x80;
constexpr UINT kIlbBackColor = 0x100;

// ImageListBoxItem::style.
constexpr UINT kIlbStyleImageRight = 0x1;
constexpr UINT kIlbStyleImageTop = 0x2;
constexpr UINT kIlbStyleRounded = 0x10;  // rounded selection, inset by the corner size

struct ImageListBoxItem {
    int index = -1;  // where to insert; -1 at the end
    UINT mask = 0;
    UINT style = 0;
    UINT format = DT_NOPREFIX;
    COLORREF textColor = 0;
    COLORREF backColor = 0;
    std::wstring text;
    std::wstring subtext;
    int image = -1;
    int selectedImage = -1;
    LPARAM param = 0;
};

class CImageListBoxImpl : public CWindowBase {
public:
    // Takes over the list and its colours from the system's; the list's own
    // styles come from its template (owner-draw variable, no strings).
    bool SubclassWindow(HWND list);

    // A copy of the item goes in; its position, or -1.
    int InsertItem(const ImageListBoxItem& item);
    // The item at the position, or null.
    const ImageListBoxItem* GetItem(int index) const;

    // The font of the subtext, owned by the caller.
    void SetSubtextFont(HFONT font) { m_subtextFont = font; }
    void SetItemMargins(int x, int y) { m_itemMargin = { x, y }; }
    void SetTextMargins(int x, int y) { m_textMargin = { x, y }; }
    void SetImageLists(HIMAGELIST images, HIMAGELIST selectedImages)
    {
        m_images = images;
        m_selectedImages = selectedImages;
    }

    // One title line and two subtext lines in the fonts they are drawn in,
    // with the margins around them.
    int RowHeight() const;

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct SRowColors {
        COLORREF text;
        COLORREF back;
    };

    void OnMeasureItem(MEASUREITEMSTRUCT& measure) const;
    void OnDrawItem(const DRAWITEMSTRUCT& draw) const;
    void OnDeleteItem(const DELETEITEMSTRUCT& deleted) const;
    void OnEraseBackground(HDC dc) const;

    SRowColors RowColors(const ImageListBoxItem& item, bool selected) const;
    void DrawRowBackground(HDC dc, const ImageListBoxItem& item, bool selected, COLORREF back, RECT& area) const;
    void DrawImage(HDC dc, const ImageListBoxItem& item, bool selected, RECT& area) const;
    void DrawTexts(HDC dc, const ImageListBoxItem& item, COLORREF text, const RECT& area) const;
    HFONT ListFont() const;

    COLORREF m_textColor = 0;
    COLORREF m_backColor = 0;
    COLORREF m_selectionColor = 0;
    COLORREF m_selectedTextColor = 0;
    COLORREF m_selectionBorderColor = 0;
    COLORREF m_subtextColor = 0;
    POINT m_itemMargin = {};
    POINT m_textMargin = {};
    int m_subtextIndent = 0;
    int m_subtextGap = 0;
    SIZE m_corner = { 8, 8 };
    HIMAGELIST m_images = nullptr;
    HIMAGELIST m_selectedImages = nullptr;
    HFONT m_subtextFont = nullptr;
};

// The result list of the quick search dialog (its list 1124).
class CImageListBoxCtrl : public CImageListBoxImpl {
};
