#include "ImageListBox.h"

#include <memory>

#include "framework/GdiObject.h"
#include "toolkit/ColorMath.h"

namespace {

// Note colours carry a flag in their high byte that GDI must not see.
COLORREF Plain(COLORREF color)
{
    return color & 0x00FFFFFF;
}

int FontHeight(HDC dc, HFONT font)
{
    const HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    return metrics.tmHeight;
}

void Fill(HDC dc, const RECT& rect, COLORREF color)
{
    const CBrushHandle brush(CreateSolidBrush(Plain(color)));
    FillRect(dc, &rect, brush.Get());
}

// Keeps the device context's objects and modes as the system handed it over.
class CSavedDC {
public:
    explicit CSavedDC(HDC dc) : m_dc(dc), m_state(SaveDC(dc)) {}
    ~CSavedDC() { RestoreDC(m_dc, m_state); }
    CSavedDC(const CSavedDC&) = delete;
    CSavedDC& operator=(const CSavedDC&) = delete;

private:
    HDC m_dc;
    int m_state;
};

}  // namespace

bool CImageListBoxImpl::SubclassWindow(HWND list)
{
    if (!CWindowBase::SubclassWindow(list))
        return false;
    m_textColor = GetSysColor(COLOR_WINDOWTEXT);
    m_backColor = GetSysColor(COLOR_WINDOW);
    m_selectedTextColor = GetSysColor(COLOR_HIGHLIGHTTEXT);
    m_selectionColor = GetSysColor(COLOR_HIGHLIGHT);
    m_selectionBorderColor = m_selectionColor;
    m_subtextColor = AdjustColorByPercent(m_textColor, 70);
    return true;
}

int CImageListBoxImpl::InsertItem(const ImageListBoxItem& item)
{
    auto copy = std::make_unique<ImageListBoxItem>(item);
    const LRESULT position = Window().Send(LB_INSERTSTRING, static_cast<WPARAM>(item.index),
                                           reinterpret_cast<LPARAM>(copy.get()));
    if (position < 0)
        return -1;
    copy.release();  // the list's now: freed at WM_DELETEITEM
    return static_cast<int>(position);
}

const ImageListBoxItem* CImageListBoxImpl::GetItem(int index) const
{
    const LRESULT data = Window().Send(LB_GETITEMDATA, static_cast<WPARAM>(index));
    if (data == LB_ERR)
        return nullptr;
    return reinterpret_cast<const ImageListBoxItem*>(data);
}

HFONT CImageListBoxImpl::ListFont() const
{
    return reinterpret_cast<HFONT>(Window().Send(WM_GETFONT));
}

int CImageListBoxImpl::RowHeight() const
{
    const HDC dc = GetDC(GetHwnd());
    const int title = FontHeight(dc, ListFont());
    const int subtext = FontHeight(dc, m_subtextFont ? m_subtextFont : ListFont());
    ReleaseDC(GetHwnd(), dc);
    return title + 2 * subtext + m_subtextGap + 2 * (m_itemMargin.y + m_textMargin.y);
}

bool CImageListBoxImpl::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case OCM_MEASUREITEM:
        OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    case OCM_DRAWITEM:
        OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    case OCM_DELETEITEM:
        OnDeleteItem(*reinterpret_cast<const DELETEITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    case OCM_COMPAREITEM:
        result = 0;
        return true;
    case WM_ERASEBKGND:
        OnEraseBackground(reinterpret_cast<HDC>(wParam));
        result = TRUE;
        return true;
    case WM_SIZE:
        InvalidateRect(GetHwnd(), nullptr, TRUE);
        return false;
    case WM_DESTROY:
        Window().Send(LB_RESETCONTENT);
        return false;
    }
    return false;
}

void CImageListBoxImpl::OnMeasureItem(MEASUREITEMSTRUCT& measure) const
{
    measure.itemHeight = static_cast<UINT>(RowHeight());
}

void CImageListBoxImpl::OnDeleteItem(const DELETEITEMSTRUCT& deleted) const
{
    const std::unique_ptr<ImageListBoxItem> item(reinterpret_cast<ImageListBoxItem*>(deleted.itemData));
}

void CImageListBoxImpl::OnEraseBackground(HDC dc) const
{
    Fill(dc, Window().ClientRect(), m_backColor);
}

CImageListBoxImpl::SRowColors CImageListBoxImpl::RowColors(const ImageListBoxItem& item, bool selected) const
{
    if (selected)
        return { m_selectedTextColor, m_selectionColor };
    return { (item.mask & kIlbTextColor) ? item.textColor : m_textColor,
             (item.mask & kIlbBackColor) ? item.backColor : m_backColor };
}

void CImageListBoxImpl::OnDrawItem(const DRAWITEMSTRUCT& draw) const
{
    if (draw.itemID == static_cast<UINT>(-1) || !draw.itemData)
        return;
    const auto& item = *reinterpret_cast<const ImageListBoxItem*>(draw.itemData);
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const SRowColors colors = RowColors(item, selected);
    const CSavedDC saved(draw.hDC);

    RECT area = draw.rcItem;
    DrawRowBackground(draw.hDC, item, selected, colors.back, area);
    DrawImage(draw.hDC, item, selected, area);
    DrawTexts(draw.hDC, item, colors.text, area);
}

// Leaves area as the part inside the margins that the row's content takes.
void CImageListBoxImpl::DrawRowBackground(HDC dc, const ImageListBoxItem& item, bool selected, COLORREF back,
                                          RECT& area) const
{
    Fill(dc, area, m_backColor);
    InflateRect(&area, -m_itemMargin.x, -m_itemMargin.y);
    const bool rounded = (item.mask & kIlbStyle) && (item.style & kIlbStyleRounded);
    if (selected && rounded) {
        const CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, Plain(m_selectionBorderColor)));
        const CBrushHandle brush(CreateSolidBrush(Plain(m_selectionColor)));
        SelectObject(dc, pen.Get());
        SelectObject(dc, brush.Get());
        RoundRect(dc, area.left, area.top, area.right, area.bottom, m_corner.cx, m_corner.cy);
        SelectObject(dc, GetStockObject(NULL_PEN));
        SelectObject(dc, GetStockObject(NULL_BRUSH));
    } else {
        Fill(dc, area, back);
    }
    if (rounded)
        InflateRect(&area, -m_corner.cx, -m_corner.cy);
}

void CImageListBoxImpl::DrawImage(HDC dc, const ImageListBoxItem& item, bool selected, RECT& area) const
{
    if (!(item.mask & kIlbImage) || !m_images)
        return;
    const bool useSelected = selected && (item.mask & kIlbSelectedImage) && m_selectedImages;
    const HIMAGELIST list = useSelected ? m_selectedImages : m_images;
    const int index = useSelected ? item.selectedImage : item.image;
    int width = 0;
    int height = 0;
    ImageList_GetIconSize(list, &width, &height);
    const UINT style = (item.mask & kIlbStyle) ? item.style : 0;
    int x = area.left;
    int y = (area.top + area.bottom - height) / 2;
    if (style & kIlbStyleImageTop) {
        x = (area.left + area.right - width) / 2;
        y = area.top;
        area.top += height;
    } else if (style & kIlbStyleImageRight) {
        x = area.right - width;
        area.right -= width;
    } else {
        area.left += width;
    }
    ImageList_Draw(list, index, dc, x, y, ILD_TRANSPARENT);
}

void CImageListBoxImpl::DrawTexts(HDC dc, const ImageListBoxItem& item, COLORREF text, const RECT& area) const
{
    const UINT format = (item.mask & kIlbFormat) ? item.format : DT_NOPREFIX;
    RECT textArea = area;
    InflateRect(&textArea, -m_textMargin.x, -m_textMargin.y);
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, ListFont() ? ListFont() : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, Plain(text));

    RECT title = textArea;
    if (item.mask & kIlbText) {
        DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &title, format | DT_CALCRECT);
        title.right = textArea.right;
        DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &title, format);
    } else {
        title.bottom = title.top;
    }
    if (!(item.mask & kIlbSubtext))
        return;
    RECT subtext = textArea;
    subtext.top = title.bottom + m_subtextGap;
    subtext.left += m_subtextIndent;
    if (m_subtextFont)
        SelectObject(dc, m_subtextFont);
    SetTextColor(dc, Plain(m_subtextColor));
    DrawTextW(dc, item.subtext.c_str(), static_cast<int>(item.subtext.size()), &subtext,
              format | DT_WORDBREAK | DT_EDITCONTROL);
}
