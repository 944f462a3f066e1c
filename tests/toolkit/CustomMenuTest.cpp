#include <gtest/gtest.h>

#include "foundation/Seams.h"
#include "framework/UiSeams.h"
#include "tests/support/ScopedUiScript.h"
#include "toolkit/AlphaNotifierWnd.h"
#include "toolkit/CustomMenu.h"
#include "toolkit/SystemFonts.h"

#include "MenuSnapshot.h"
#include "ToolkitTestWindows.h"

#include <algorithm>
#include <functional>

using namespace menutest;

TEST(CCustomMenu, TrackingGivesTheMenuBackAsItWas)
{
    const CTestWindow owner(RECT{100, 100, 300, 300});
    const HMENU menu = BuildTestMenu();
    const std::vector<std::wstring> before = SnapshotMenu(menu);
    CCustomMenu custom;
    custom.SetMenu(menu);
    custom.SetCommandImage(kNewNote, 0, false);
    custom.SetCommandImage(kAlwaysOnTop, -1, true);
    custom.SetCommandImage(kOrganizer, 33, false);
    {
        ScopedUiScript script;
        script.AnswerMenu(kPrint);
        script.AnswerMenu(0);
        EXPECT_EQ(custom.TrackPopupMenu(TPM_RETURNCMD, 10, 10, owner.Get()), static_cast<BOOL>(kPrint));
        EXPECT_EQ(Narrow(SnapshotMenu(menu)), Narrow(before));
        // The same object and menu again.
        EXPECT_EQ(custom.TrackPopupMenu(TPM_RETURNCMD, 10, 10, owner.Get()), 0);
        EXPECT_EQ(Narrow(SnapshotMenu(menu)), Narrow(before));
    }
    DestroyMenu(menu);
}

namespace {

// Runs body while the menu is tracked: every item is owner-drawn then.
std::function<void(HMENU menu)> g_whileTracked;

BOOL TrackWithBody(HMENU menu, UINT, int, int, HWND, const RECT*)
{
    g_whileTracked(menu);
    return 0;
}

void WhileTracked(CCustomMenu& custom, HWND owner, std::function<void(HMENU menu)> body)
{
    g_whileTracked = std::move(body);
    const CSeamOverride<SPopupMenuSeam> seam(g_popupMenuSeam, SPopupMenuSeam{&TrackWithBody});
    custom.TrackPopupMenu(TPM_RETURNCMD, 0, 0, owner);
    g_whileTracked = nullptr;
}

// The first item of the menu tree with the id: its menu and item data.
struct SFoundItem {
    HMENU menu = nullptr;
    ULONG_PTR data = 0;
    UINT type = 0;
};

SFoundItem FindItem(HMENU menu, UINT id)
{
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_DATA | MIIM_FTYPE | MIIM_SUBMENU;
        GetMenuItemInfoW(menu, position, TRUE, &info);
        if (info.hSubMenu) {
            const SFoundItem inner = FindItem(info.hSubMenu, id);
            if (inner.menu)
                return inner;
        } else if (info.wID == id && !(info.fType & MFT_SEPARATOR)) {
            return SFoundItem{menu, info.dwItemData, info.fType};
        }
    }
    return SFoundItem{};
}

COLORREF NormalColour(int index) { return RGB(20 + index * 6, 90, 160); }
COLORREF GrayedColour(int index) { return RGB(160, 20 + index * 6, 90); }

// A strip of cells of 16 x 15, each one solid colour.
HBITMAP MakeStrip(int cells, COLORREF (*colour)(int index))
{
    BITMAPINFO info = Dib32Info(cells * 16, 15);
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    const HBITMAP strip = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    BYTE* const bytes = static_cast<BYTE*>(bits);
    for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < cells * 16; ++x) {
            BYTE* const pixel = bytes + (y * cells * 16 + x) * 3;
            const COLORREF c = colour(x / 16);
            pixel[0] = GetBValue(c);
            pixel[1] = GetGValue(c);
            pixel[2] = GetRValue(c);
        }
    }
    return strip;
}

// A 32-bit drawing surface for one menu item.
class CItemCanvas {
public:
    static constexpr int kWidth = 160;
    static constexpr int kHeight = 24;

    CItemCanvas() : m_bitmap(CreateDib32(kWidth, kHeight, &m_bits)), m_dc(nullptr) { m_dc.Select(m_bitmap.Get()); }

    HDC Dc() const { return m_dc.Get(); }
    COLORREF Pixel(int x, int y) const
    {
        GdiFlush();
        const BYTE* const p = static_cast<const BYTE*>(m_bits) + ((kHeight - 1 - y) * kWidth + x) * 4;
        return RGB(p[2], p[1], p[0]);
    }

private:
    void* m_bits = nullptr;
    CBitmapHandle m_bitmap;
    CMemoryDC m_dc;
};

LRESULT DrawItem(CCustomMenu& custom, const CItemCanvas& canvas, const SFoundItem& item, UINT state)
{
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_MENU;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = state;
    draw.hwndItem = reinterpret_cast<HWND>(item.menu);
    draw.hDC = canvas.Dc();
    draw.rcItem = RECT{0, 0, CItemCanvas::kWidth, CItemCanvas::kHeight};
    draw.itemData = item.data;
    return custom.OnOwnerDrawMessage(nullptr, WM_DRAWITEM, reinterpret_cast<LPARAM>(&draw));
}

int ImageColumn()
{
    return std::max(GetSystemMetrics(SM_CXMENUCHECK) + 4, 20);
}

// The top-left corner of the 16 x 15 image in the canvas.
POINT ImageCorner()
{
    return POINT{(ImageColumn() - 16) / 2, (CItemCanvas::kHeight - 15) / 2};
}

// How many pixels of the image rectangle differ from the colour.
int ImagePixelsOtherThan(const CItemCanvas& canvas, COLORREF colour)
{
    const POINT corner = ImageCorner();
    int count = 0;
    for (int y = corner.y; y < corner.y + 15; ++y)
        for (int x = corner.x; x < corner.x + 16; ++x)
            count += canvas.Pixel(x, y) != colour;
    return count;
}

bool ImageAll(const CItemCanvas& canvas, COLORREF colour)
{
    return ImagePixelsOtherThan(canvas, colour) == 0;
}

bool ImageDiffersFrom(const CItemCanvas& canvas, COLORREF colour)
{
    return ImagePixelsOtherThan(canvas, colour) > 0;
}

const COLORREF kSwatch = RGB(1, 2, 3);

class CustomMenuDrawing : public testing::Test {
protected:
    void SetUp() override
    {
        m_menu = BuildTestMenu();
        m_custom.SetMenu(m_menu);
        m_custom.SetCommandImage(kNewNote, 5, false);
        m_custom.SetCommandImage(kGroupWork, 7, true);
        m_custom.SetCommandImage(kAlwaysOnTop, -1, true);
        m_custom.SetCommandImage(kPrint, 40, false);   // beyond the 35 cells
        m_custom.SetCommandColor(kVisible, kSwatch);
    }
    void TearDown() override { DestroyMenu(m_menu); }

    // Loads strips of 35 solid cells, or leaves the lists alone.
    void LoadTestStrips()
    {
        const CBitmapHandle normal(MakeStrip(35, &NormalColour));
        const CBitmapHandle grayed(MakeStrip(35, &GrayedColour));
        ASSERT_TRUE(m_custom.LoadImageLists(normal.Get(), grayed.Get()));
    }

    const CTestWindow m_owner{RECT{100, 100, 300, 300}};
    HMENU m_menu = nullptr;
    CCustomMenu m_custom;
};

}  // namespace

TEST_F(CustomMenuDrawing, MeasuresLabelShortcutAndImageColumn)
{
    NONCLIENTMETRICSW metrics;
    ASSERT_TRUE(ReadNonClientMetrics(metrics));
    const CFontHandle font(CreateFontIndirectW(&metrics.lfMenuFont));
    const CWindowDC dc(m_owner.Get(), false);
    SelectObject(dc.Get(), font.Get());
    const auto width = [&](const wchar_t* text) {
        RECT rect = {};
        DrawTextW(dc.Get(), text, -1, &rect, DT_CALCRECT);
        return static_cast<UINT>(rect.right);
    };
    const UINT check = static_cast<UINT>(GetSystemMetrics(SM_CXMENUCHECK));

    WhileTracked(m_custom, m_owner.Get(), [&](HMENU menu) {
        const auto measure = [&](UINT id, UINT position) {
            MEASUREITEMSTRUCT item = {};
            item.CtlType = ODT_MENU;
            if (id) {
                item.itemData = FindItem(menu, id).data;
            } else {
                MENUITEMINFOW info = {};
                info.cbSize = sizeof info;
                info.fMask = MIIM_DATA;
                GetMenuItemInfoW(menu, position, TRUE, &info);
                item.itemData = info.dwItemData;
            }
            EXPECT_EQ(m_custom.OnOwnerDrawMessage(m_owner.Get(), WM_MEASUREITEM, reinterpret_cast<LPARAM>(&item)), 1);
            return item;
        };
        EXPECT_TRUE(FindItem(menu, kCopy).type & MFT_OWNERDRAW);
        const MEASUREITEMSTRUCT copy = measure(kCopy, 0);
        EXPECT_EQ(copy.itemWidth, width(L"Copy") + width(L"Ctrl+C") + 32 + 2 * check + 4);
        EXPECT_EQ(measure(0, 1).itemHeight, 10u);   // the separator
        const MEASUREITEMSTRUCT newNote = measure(kNewNote, 0);
        EXPECT_GE(newNote.itemHeight, 20u);
        EXPECT_EQ(newNote.itemWidth,
                  width(L"&New Note") + width(L"Alt+Ctrl+N") + 32 + static_cast<UINT>(ImageColumn()) + 2 * check + 4);
    });
}

TEST_F(CustomMenuDrawing, DrawsImagesSwatchesAndCheckBoxes)
{
    LoadTestStrips();
    const COLORREF menuColour = GetSysColor(COLOR_MENU);
    WhileTracked(m_custom, m_owner.Get(), [&](HMENU menu) {
        struct Case { const char* what; UINT id; UINT state; COLORREF all; };
        const Case cases[] = {
            {"the normal list at the index", kNewNote, 0, NormalColour(5)},
            {"a grayed item: the grayed list at the same index", kNewNote, ODS_GRAYED, GrayedColour(5)},
            {"a swatch fills 16 x 15", kVisible, 0, kSwatch},
            {"an index beyond the strip draws no image", kPrint, 0, menuColour},
            {"no table entry: no image, no check mark when checked", 30001, ODS_CHECKED, menuColour},
        };
        for (const Case& c : cases) {
            const CItemCanvas canvas;
            EXPECT_EQ(DrawItem(m_custom, canvas, FindItem(menu, c.id), c.state), 1) << c.what;
            EXPECT_TRUE(ImageAll(canvas, c.all)) << c.what;
        }

        // A checked check-box item with an image gets a raised column; a
        // check-box item without an image gets a box, checked or not.
        const CItemCanvas checkedImage;
        DrawItem(m_custom, checkedImage, FindItem(menu, kGroupWork), ODS_CHECKED);
        EXPECT_NE(checkedImage.Pixel(0, CItemCanvas::kHeight / 2), menuColour);
        EXPECT_TRUE(ImageAll(checkedImage, NormalColour(7)));
        const CItemCanvas uncheckedImage;
        DrawItem(m_custom, uncheckedImage, FindItem(menu, kGroupWork), 0);
        EXPECT_EQ(uncheckedImage.Pixel(0, CItemCanvas::kHeight / 2), menuColour);
        const CItemCanvas box;
        DrawItem(m_custom, box, FindItem(menu, kAlwaysOnTop), 0);
        EXPECT_TRUE(ImageDiffersFrom(box, menuColour));
    });
}

TEST_F(CustomMenuDrawing, LeavesOtherMessagesToTheOwner)
{
    WhileTracked(m_custom, m_owner.Get(), [&](HMENU menu) {
        const ULONG_PTR valid = FindItem(menu, kNewNote).data;
        struct Case { const char* what; bool present; UINT type; ULONG_PTR data; };
        const Case cases[] = {
            {"no structure", false, ODT_MENU, valid},
            {"another control type", true, ODT_BUTTON, valid},
            {"item data outside the list", true, ODT_MENU, 999},
        };
        for (const Case& c : cases) {
            MEASUREITEMSTRUCT measure = {};
            measure.CtlType = c.type;
            measure.itemData = c.data;
            DRAWITEMSTRUCT draw = {};
            draw.CtlType = c.type;
            draw.itemData = c.data;
            const LPARAM measureParam = c.present ? reinterpret_cast<LPARAM>(&measure) : 0;
            const LPARAM drawParam = c.present ? reinterpret_cast<LPARAM>(&draw) : 0;
            EXPECT_EQ(m_custom.OnOwnerDrawMessage(m_owner.Get(), WM_MEASUREITEM, measureParam), 0) << c.what;
            EXPECT_EQ(m_custom.OnOwnerDrawMessage(m_owner.Get(), WM_DRAWITEM, drawParam), 0) << c.what;
            EXPECT_EQ(measure.itemHeight, 0u) << c.what;
        }
        EXPECT_EQ(m_custom.OnOwnerDrawMessage(m_owner.Get(), WM_PAINT, 0), 0);
    });
}

TEST_F(CustomMenuDrawing, ImagesNeedAMenuAndBothStrips)
{
    // Set before a menu is: ignored.
    CCustomMenu early;
    early.SetCommandImage(kNewNote, 5, false);
    early.SetMenu(m_menu);
    {
        const CBitmapHandle normal(MakeStrip(35, &NormalColour));
        const CBitmapHandle grayed(MakeStrip(35, &GrayedColour));
        ASSERT_TRUE(early.LoadImageLists(normal.Get(), grayed.Get()));
    }
    const COLORREF menuColour = GetSysColor(COLOR_MENU);
    WhileTracked(early, m_owner.Get(), [&](HMENU menu) {
        const CItemCanvas canvas;
        DrawItem(early, canvas, FindItem(menu, kNewNote), 0);
        EXPECT_TRUE(ImageAll(canvas, menuColour));
    });

    // A missing first strip: false, and no grayed list either.
    const CBitmapHandle grayed(MakeStrip(35, &GrayedColour));
    EXPECT_FALSE(m_custom.LoadImageLists(nullptr, grayed.Get()));
    WhileTracked(m_custom, m_owner.Get(), [&](HMENU menu) {
        const CItemCanvas canvas;
        DrawItem(m_custom, canvas, FindItem(menu, kNewNote), ODS_GRAYED);
        EXPECT_TRUE(ImageAll(canvas, menuColour));
    });
}

TEST_F(CustomMenuDrawing, TheProgramStripsHoldThirtyFiveCells)
{
    ASSERT_TRUE(m_custom.LoadImageLists());
    m_custom.SetCommandImage(kNewNote, 34, false);
    const COLORREF menuColour = GetSysColor(COLOR_MENU);
    WhileTracked(m_custom, m_owner.Get(), [&](HMENU menu) {
        for (const UINT state : {0u, static_cast<UINT>(ODS_GRAYED)}) {
            const CItemCanvas canvas;
            DrawItem(m_custom, canvas, FindItem(menu, kNewNote), state);
            EXPECT_TRUE(ImageDiffersFrom(canvas, menuColour)) << state;
        }
    });
}

TEST(SetTrayMenuCommandColor, GivesTheMainMenuASwatch)
{
    const HMENU menu = BuildTestMenu();
    SetTrayMenuCommandColor(kNewNote, kSwatch);   // no menu set yet: ignored
    g_trayMenu.SetMenu(menu);
    SetTrayMenuCommandColor(kVisible, kSwatch);
    const CTestWindow owner(RECT{100, 100, 300, 300});
    WhileTracked(g_trayMenu, owner.Get(), [&](HMENU tracked) {
        const CItemCanvas swatch;
        DrawItem(g_trayMenu, swatch, FindItem(tracked, kVisible), 0);
        EXPECT_TRUE(ImageAll(swatch, kSwatch));
        const CItemCanvas none;
        DrawItem(g_trayMenu, none, FindItem(tracked, kNewNote), 0);
        EXPECT_TRUE(ImageAll(none, GetSysColor(COLOR_MENU)));
    });
    g_trayMenu.SetMenu(nullptr);
    DestroyMenu(menu);
}
