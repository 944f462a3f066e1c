// Owner-drawn pop-up menus.
#include "CustomMenu.h"

#include "foundation/LogFile.h"
#include "foundation/ResModule.h"
#include "framework/UiSeams.h"
#include "resources/resource.h"
#include "toolkit/AlphaNotifierWnd.h"
#include "toolkit/SystemFonts.h"

#include <algorithm>

CCustomMenu g_trayMenu;
CCustomMenu g_noteMenu;

namespace {

const int kSeparatorHeight = 10;
const int kShortcutGap = 32;
const int kMinimumColumn = 20;
const int kMinimumImageHeight = 20;
const UINT kReadMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_TYPE | MIIM_DATA;

// The width of the image column left of the text.
int ImageColumnWidth()
{
    return std::max(GetSystemMetrics(SM_CXMENUCHECK) + 4, kMinimumColumn);
}

std::wstring MenuItemText(HMENU menu, UINT position)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    if (!GetMenuItemInfoW(menu, position, TRUE, &info) || info.cch == 0)
        return std::wstring();
    std::wstring text(info.cch + 1, L'\0');
    info.dwTypeData = &text[0];
    info.cch = static_cast<UINT>(text.size());
    if (!GetMenuItemInfoW(menu, position, TRUE, &info))
        return std::wstring();
    text.resize(info.cch);
    return text;
}

// The item as it was before tracking, so that it can be given back.
CustomMenuItem TrackedItem(HMENU menu, UINT position, const MENUITEMINFOW& info, bool inSubmenu)
{
    CustomMenuItem item;
    item.type = info.fType;
    item.state = info.fState;
    item.inSubmenu = inSubmenu;
    item.menu = menu;
    item.commandId = info.wID;
    item.position = position;
    item.text = MenuItemText(menu, position);
    item.itemData = info.dwItemData;
    return item;
}

bool FillImageList(CImageListHandle& list, HBITMAP strip)
{
    list.Reset();
    if (!strip)
        return false;
    list.Reset(ImageList_Create(CCustomMenu::kImageWidth, CCustomMenu::kImageHeight, ILC_COLOR24 | ILC_MASK, 0, 32));
    if (list.Get() && ImageList_AddMasked(list.Get(), strip, CCustomMenu::kMaskColor) >= 0)
        return true;
    list.Reset();
    return false;
}

// The label before the first tab and the shortcut after it.
struct SMenuText {
    std::wstring label;
    std::wstring shortcut;
    bool hasShortcut;
};

SMenuText SplitMenuText(const std::wstring& text)
{
    const size_t tab = text.find(L'\t');
    if (tab == std::wstring::npos)
        return SMenuText{text, std::wstring(), false};
    return SMenuText{text.substr(0, tab), text.substr(tab + 1), true};
}

SIZE MeasureText(HDC dc, const std::wstring& text, UINT format)
{
    RECT rect = {};
    const int height = DrawTextW(dc, text.c_str(), -1, &rect, DT_CALCRECT | format);
    return SIZE{rect.right - rect.left, std::max<LONG>(rect.bottom - rect.top, height)};
}

// The label's width, and the shortcut's with the gap before it; the larger
// of their heights.
SIZE MeasureMenuText(HDC dc, const std::wstring& text)
{
    const SMenuText parts = SplitMenuText(text);
    SIZE size = MeasureText(dc, parts.label, DT_VCENTER);
    if (parts.hasShortcut) {
        const SIZE shortcut = MeasureText(dc, parts.shortcut, DT_VCENTER | DT_RIGHT);
        size.cx += shortcut.cx + kShortcutGap;
        size.cy = std::max(size.cy, shortcut.cy);
    }
    return size;
}

// DT_VCENTER centres only a single line.
void DrawMenuText(HDC dc, const std::wstring& text, RECT rect)
{
    const SMenuText parts = SplitMenuText(text);
    DrawTextW(dc, parts.label.c_str(), -1, &rect, DT_VCENTER | DT_SINGLELINE);
    if (parts.hasShortcut)
        DrawTextW(dc, parts.shortcut.c_str(), -1, &rect, DT_VCENTER | DT_SINGLELINE | DT_RIGHT);
}

void DrawSeparator(HDC dc, const RECT& item)
{
    const int middle = (item.top + item.bottom) / 2;
    const RECT shadow = {item.left + 2, middle, item.right - 2, middle + 1};
    const RECT light = {item.left + 2, middle + 1, item.right - 2, middle + 2};
    FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
    FillRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
}

void DrawCheckBox(HDC dc, const RECT& item, int column, bool checked)
{
    const int width = GetSystemMetrics(SM_CXMENUCHECK);
    const int height = GetSystemMetrics(SM_CYMENUCHECK);
    const int left = item.left + (column - width) / 2;
    RECT box = {left, item.top + (item.bottom - item.top - height) / 2, left + width, item.bottom};
    DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0));
}

}  // namespace

void SetTrayMenuCommandColor(UINT commandId, COLORREF color)
{
    g_trayMenu.SetCommandColor(commandId, color);
}

const CustomMenuItem* CCustomMenu::FindCommand(UINT commandId) const
{
    const auto found = m_commands.find(commandId);
    return found == m_commands.end() ? nullptr : &found->second;
}

bool CCustomMenu::LoadImageLists()
{
    const CBitmapHandle normal(CResModule::LoadBitmap(MAKEINTRESOURCEW(IDB_MENU_IMAGES)));
    const CBitmapHandle grayed(CResModule::LoadBitmap(MAKEINTRESOURCEW(IDB_MENU_IMAGES_GRAYED)));
    return LoadImageLists(normal.Get(), grayed.Get());
}

// ImageList_AddMasked blacks out the mask colour in the strips.
bool CCustomMenu::LoadImageLists(HBITMAP normalStrip, HBITMAP grayedStrip)
{
    m_grayedImages.Reset();
    return FillImageList(m_normalImages, normalStrip) && FillImageList(m_grayedImages, grayedStrip);
}

void CCustomMenu::SetCommandImage(UINT commandId, int imageIndex, bool checkBox)
{
    if (!m_menu)
        return;
    CustomMenuItem entry;
    entry.imageIndex = imageIndex;
    entry.checkBox = checkBox;
    m_commands[commandId] = entry;
}

void CCustomMenu::SetCommandColor(UINT commandId, COLORREF color)
{
    if (!m_menu)
        return;
    CustomMenuItem entry;
    entry.isSwatch = true;
    entry.imageIndex = 0;
    entry.swatchColor = color;
    m_commands[commandId] = entry;
}

void CCustomMenu::MakeOwnerDraw(HMENU menu, bool inSubmenu)
{
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = kReadMask;
        if (!GetMenuItemInfoW(menu, position, TRUE, &info))
            continue;
        if (info.hSubMenu)
            MakeOwnerDraw(info.hSubMenu, true);
        CustomMenuItem item = TrackedItem(menu, static_cast<UINT>(position), info, inSubmenu);
        const auto entry = m_commands.find(info.wID);
        if (entry != m_commands.end()) {
            item.imageIndex = entry->second.imageIndex;
            item.checkBox = entry->second.checkBox;
            item.swatchColor = entry->second.swatchColor;
            item.isSwatch = entry->second.isSwatch;
        }
        m_items.push_back(item);

        MENUITEMINFOW owner = {};
        owner.cbSize = sizeof owner;
        owner.fMask = MIIM_FTYPE | MIIM_DATA;
        owner.fType = info.fType | MFT_OWNERDRAW;
        owner.dwItemData = m_items.size() - 1;
        SetMenuItemInfoW(menu, position, TRUE, &owner);
    }
}

// By position in each item's own menu, and through SetMenuItemInfoW, which
// leaves the id, the state and a submenu alone: a plain string item put back
// by ModifyMenuW would lose its submenu, its grey state and its column break,
// and by command the first of two items with one id would take both.
void CCustomMenu::RestoreItems() const
{
    for (const CustomMenuItem& item : m_items) {
        std::wstring text = item.text;
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        info.fType = item.type & ~MFT_OWNERDRAW;
        info.dwItemData = item.itemData;
        if (!(item.type & MFT_SEPARATOR)) {
            info.fMask |= MIIM_STRING;
            info.dwTypeData = &text[0];
        }
        if (!SetMenuItemInfoW(item.menu, item.position, TRUE, &info))
            QLOG(L"Failed to restore menu item %u at %u, %lu", item.commandId, item.position, GetLastError());
    }
}

void CCustomMenu::RefreshMenuFont()
{
    m_menuFont.Reset();
    NONCLIENTMETRICSW metrics;
    if (ReadNonClientMetrics(metrics))
        m_menuFont.Reset(CreateFontIndirectW(&metrics.lfMenuFont));
}

BOOL CCustomMenu::TrackPopupMenu(UINT flags, int x, int y, HWND owner)
{
    m_items.clear();
    MakeOwnerDraw(m_menu, false);
    DrawMenuBar(owner);
    RefreshMenuFont();
    SetForegroundWindow(owner);
    const BOOL result = SeamedTrackPopupMenu(m_menu, flags, x, y, owner);
    // Without it the menu would not close when the user clicks elsewhere.
    PostMessageW(owner, WM_NULL, 0, 0);
    RestoreItems();
    return result;
}

LRESULT CCustomMenu::OnOwnerDrawMessage(HWND window, UINT message, LPARAM lParam)
{
    switch (message) {
    case WM_MEASUREITEM:
        return MeasureItem(window, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)) ? 1 : 0;
    case WM_DRAWITEM:
        return DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? 1 : 0;
    }
    return 0;
}

const CustomMenuItem* CCustomMenu::ItemFor(ULONG_PTR itemData) const
{
    return itemData < m_items.size() ? &m_items[itemData] : nullptr;
}

bool CCustomMenu::MeasureItem(HWND window, MEASUREITEMSTRUCT* measure) const
{
    if (!measure || measure->CtlType != ODT_MENU)
        return false;
    const CustomMenuItem* const item = ItemFor(measure->itemData);
    if (!item)
        return false;
    if (item->type & MFT_SEPARATOR) {
        measure->itemHeight = kSeparatorHeight;
        return true;
    }
    const CWindowDC dc(window, false);
    const CSavedDC saved(dc.Get());
    SetMapMode(dc.Get(), MM_TEXT);
    if (m_menuFont)
        SelectObject(dc.Get(), m_menuFont.Get());
    const SIZE text = MeasureMenuText(dc.Get(), item->text);
    const int checkWidth = GetSystemMetrics(SM_CXMENUCHECK);
    int width = text.cx;
    int height = std::max<int>(GetSystemMetrics(SM_CYMENUCHECK), text.cy + 4);
    if (item->imageIndex != -1) {
        width += ImageColumnWidth();
        height = std::max(height, kMinimumImageHeight);
    }
    measure->itemHeight = std::max<UINT>(static_cast<UINT>(height), measure->itemHeight);
    measure->itemWidth = static_cast<UINT>(width + 2 * checkWidth + 4);
    return true;
}

bool CCustomMenu::DrawItem(const DRAWITEMSTRUCT* draw) const
{
    if (!draw || draw->CtlType != ODT_MENU)
        return false;
    const CustomMenuItem* const item = ItemFor(draw->itemData);
    if (!item)
        return false;
    const HDC dc = draw->hDC;
    const CSavedDC saved(dc);
    SetMapMode(dc, MM_TEXT);
    const bool selected = (draw->itemState & ODS_SELECTED) != 0;
    const bool grayed = (draw->itemState & ODS_GRAYED) != 0;
    SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    SetTextColor(dc, GetSysColor(grayed ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    const RECT& rect = draw->rcItem;
    if (item->type & MFT_SEPARATOR) {
        DrawSeparator(dc, rect);
        return true;
    }
    const int column = ImageColumnWidth();
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    if (m_menuFont)
        SelectObject(dc, m_menuFont.Get());
    SetTextAlign(dc, 0);
    DrawMenuText(dc, item->text, RECT{rect.left + column, rect.top + 2, rect.right - column, rect.bottom - 2});
    if (item->imageIndex != -1)
        DrawItemImage(*draw, *item, column);
    else if (item->checkBox)
        DrawCheckBox(dc, rect, column, (draw->itemState & ODS_CHECKED) != 0);
    return true;
}

void CCustomMenu::DrawItemImage(const DRAWITEMSTRUCT& draw, const CustomMenuItem& item, int column) const
{
    const HDC dc = draw.hDC;
    const RECT& rect = draw.rcItem;
    if (item.checkBox && (draw.itemState & ODS_CHECKED)) {
        RECT edge = {rect.left, rect.top, rect.left + column, rect.bottom};
        DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT | BF_FLAT);
    }
    const int x = rect.left + (column - kImageWidth) / 2;
    const int y = rect.top + (rect.bottom - rect.top - kImageHeight) / 2;
    if (item.isSwatch) {
        const RECT swatch = {x, y, x + kImageWidth, y + kImageHeight};
        const CBrushHandle brush(CreateSolidBrush(item.swatchColor));
        FillRect(dc, &swatch, brush.Get());
        return;
    }
    const HIMAGELIST list = (draw.itemState & ODS_GRAYED) ? m_grayedImages.Get() : m_normalImages.Get();
    // A language module's strip may hold fewer images than the index asks.
    if (list && item.imageIndex < ImageList_GetImageCount(list))
        ImageList_DrawEx(list, item.imageIndex, dc, x, y, kImageWidth, kImageHeight, CLR_NONE, CLR_NONE,
                         ILD_TRANSPARENT);
}
