// The result list's owner draw: rows measured from the fonts they are drawn
// in, drawn into a 32-bit bitmap through the owner's reflection: each row in
// its own background, a selected one in the highlight, item -1 not at all.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "dialogs/ImageListBox.h"
#include "framework/GdiObject.h"

namespace {

constexpr int kListId = 1124;
constexpr COLORREF kRowBack = RGB(250, 230, 120);
constexpr COLORREF kRowText = RGB(20, 40, 200);
constexpr COLORREF kUntouched = RGB(1, 2, 3);
constexpr int kWidth = 240;

WindowClassInfo g_ownerClass = { L"QuilletTestListOwner", nullptr, 0, nullptr, nullptr, 0, nullptr };

class COwner : public CWindowBase {};

int TextHeight(HFONT font)
{
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return metrics.tmHeight;
}

// A top-down 32-bit bitmap selected into a memory DC, filled with one colour.
class CTestBitmap {
public:
    CTestBitmap(int width, int height) : m_width(width), m_dc(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info = {};
        info.bmiHeader = { sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
        void* bits = nullptr;
        m_bitmap.Reset(CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_bits = static_cast<DWORD*>(bits);
        m_old = SelectObject(m_dc, m_bitmap.Get());
        const RECT all = { 0, 0, width, height };
        const CBrushHandle brush(CreateSolidBrush(kUntouched));
        FillRect(m_dc, &all, brush.Get());
        GdiFlush();
        m_count = static_cast<size_t>(width) * height;
    }
    ~CTestBitmap()
    {
        SelectObject(m_dc, m_old);
        DeleteDC(m_dc);
    }

    HDC DC() const { return m_dc; }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        const DWORD pixel = m_bits[static_cast<size_t>(y) * m_width + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    bool AllAre(COLORREF color) const
    {
        GdiFlush();
        for (size_t i = 0; i < m_count; ++i)
            if (RGB((m_bits[i] >> 16) & 0xFF, (m_bits[i] >> 8) & 0xFF, m_bits[i] & 0xFF) != color)
                return false;
        return true;
    }

private:
    int m_width;
    HDC m_dc;
    CGdiObject<HBITMAP> m_bitmap;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
    size_t m_count = 0;
};

class ImageListBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WindowCreateArgs args;
        args.style = WS_OVERLAPPEDWINDOW;
        args.width = 300;
        args.height = 400;
        ASSERT_TRUE(m_owner.Create(g_ownerClass, args));
        const HWND list = CreateWindowExW(0, L"ListBox", L"",
                                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_OWNERDRAWVARIABLE |
                                              LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                          0, 0, kWidth, 300, m_owner.GetHwnd(), reinterpret_cast<HMENU>(kListId),
                                          GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(list, nullptr);
        // Fonts far from the DC's own, so a height from the wrong font shows.
        m_titleFont.Reset(CreateFontW(-30, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
        m_subtextFont.Reset(CreateFontW(-22, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
        SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(m_titleFont.Get()), FALSE);
        ASSERT_TRUE(m_list.SubclassWindow(list));
        m_list.SetSubtextFont(m_subtextFont.Get());
        m_list.SetItemMargins(0, 2);
        m_list.SetTextMargins(16, 0);
    }
    void TearDown() override { m_owner.Window().Destroy(); }

    int AddRow(const wchar_t* title, const wchar_t* subtext)
    {
        ImageListBoxItem item;
        item.mask = kIlbText | kIlbSubtext | kIlbTextColor | kIlbBackColor;
        item.text = title;
        item.subtext = subtext;
        item.textColor = kRowText | 0x02000000;   // as notes store their colours
        item.backColor = kRowBack | 0x02000000;
        return m_list.InsertItem(item);
    }

    // WM_DRAWITEM to the owner, as the list sends it.
    void Draw(const CTestBitmap& bitmap, int item, UINT state, int height)
    {
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = ODT_LISTBOX;
        draw.CtlID = kListId;
        draw.itemID = static_cast<UINT>(item);
        draw.itemAction = ODA_DRAWENTIRE;
        draw.itemState = state;
        draw.hwndItem = m_list.GetHwnd();
        draw.hDC = bitmap.DC();
        draw.rcItem = { 0, 0, kWidth, height };
        draw.itemData = item >= 0 ? reinterpret_cast<ULONG_PTR>(m_list.GetItem(item)) : 0;
        SendMessageW(m_owner.GetHwnd(), WM_DRAWITEM, kListId, reinterpret_cast<LPARAM>(&draw));
    }

    COwner m_owner;
    CImageListBoxCtrl m_list;
    CFontHandle m_titleFont;
    CFontHandle m_subtextFont;
};

TEST_F(ImageListBoxTest, ARowIsOneTitleLineAndTwoSubtextLinesHigh)
{
    ASSERT_EQ(AddRow(L"Title", L"first line of the snippet, then more"), 0);
    const int height = static_cast<int>(m_list.Window().Send(LB_GETITEMHEIGHT, 0));
    const int title = TextHeight(m_titleFont.Get());
    const int subtext = TextHeight(m_subtextFont.Get());
    EXPECT_GE(height, title + 2 * subtext) << "title " << title << ", subtext " << subtext;
    EXPECT_LE(height, title + 2 * subtext + 8) << "only the margins besides";
    EXPECT_EQ(height, m_list.RowHeight());
}

TEST_F(ImageListBoxTest, UnselectedRowsShowTheirOwnBackgroundSelectedTheHighlight)
{
    ASSERT_EQ(AddRow(L"Shopping", L"[milk] and bread"), 0);
    const int height = m_list.RowHeight();
    struct Case { const char* what; UINT state; COLORREF back; };
    const Case cases[] = {
        { "unselected", 0, kRowBack },
        { "selected", ODS_SELECTED, GetSysColor(COLOR_HIGHLIGHT) },
    };
    for (const Case& c : cases) {
        CTestBitmap bitmap(kWidth, height);
        Draw(bitmap, 0, c.state, height);
        // Left of the text margin and inside the item margins: background only.
        EXPECT_EQ(bitmap.At(4, height / 2), c.back) << c.what;
        EXPECT_EQ(bitmap.At(kWidth - 3, height - 4), c.back) << c.what;
        bool textDrawn = false;
        for (int x = 16; x < kWidth && !textDrawn; ++x)
            for (int y = 2; y < height - 2 && !textDrawn; ++y)
                textDrawn = bitmap.At(x, y) != c.back;
        EXPECT_TRUE(textDrawn) << c.what << ": the texts are drawn over it";
    }
}

TEST_F(ImageListBoxTest, ItemMinusOneDrawsNothing)
{
    AddRow(L"Shopping", L"milk");
    CTestBitmap bitmap(kWidth, 60);
    Draw(bitmap, -1, ODS_FOCUS, 60);
    EXPECT_TRUE(bitmap.AllAre(kUntouched));
}

}  // namespace
