#include "ColorPicker.h"

#include <commctrl.h>

#include <memory>
#include <type_traits>

#include "AlphaNotifierWnd.h"
#include "ColorButton.h"
#include "SystemFonts.h"
#include "foundation/LogFile.h"
#include "foundation/WinVersion.h"
#include "framework/GdiObject.h"

namespace {

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using COwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
using CPaletteHandle = CGdiObject<HPALETTE>;

struct PickerColors {
    COLORREF background;
    COLORREF border;
    COLORREF hoverFill;
    COLORREF hoverText;
    COLORREF text;
    COLORREF markFill;   // the cell of the button's colour
    bool flat;
};

BYTE MixChannel(BYTE background, BYTE highlight)
{
    return static_cast<BYTE>((background * 207 + highlight * 48) >> 8);
}

PickerColors ReadPickerColors()
{
    const bool xp = WindowsVersion().winXP;
    PickerColors colors = {};
    colors.background = GetSysColor(COLOR_MENU);
    colors.border = GetSysColor(COLOR_HIGHLIGHT);
    colors.hoverFill = GetSysColor(xp ? COLOR_MENUHILIGHT : COLOR_HIGHLIGHT);
    colors.hoverText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    colors.text = GetSysColor(COLOR_MENUTEXT);
    colors.markFill = RGB(MixChannel(GetRValue(colors.background), GetRValue(colors.border)),
                          MixChannel(GetGValue(colors.background), GetGValue(colors.border)),
                          MixChannel(GetBValue(colors.background), GetBValue(colors.border)));
    BOOL flat = FALSE;
    colors.flat = xp && SystemParametersInfoW(SPI_GETFLATMENU, 0, &flat, 0) && flat;
    return colors;
}

// The menu font; null (the device context's own) when it cannot be read.
HFONT CreatePickerFont()
{
    NONCLIENTMETRICSW metrics;
    if (!ReadNonClientMetrics(metrics))
        return nullptr;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

HPALETTE CreatePickerPalette()
{
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[kPickerColorCount];
    } palette = { 0x300, kPickerColorCount, {} };
    for (int i = 0; i < kPickerColorCount; ++i) {
        const COLORREF color = g_pickerColors[i].color;
        palette.entries[i] = { GetRValue(color), GetGValue(color), GetBValue(color), 0 };
    }
    return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette));
}

RECT WorkAreaOf(HWND window)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return monitor.rcWork;
    RECT workArea = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    return workArea;
}

SIZE LabelExtent(HDC dc, const std::wstring& label)
{
    SIZE extent = {};
    if (!label.empty())
        GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &extent);
    return extent;
}

void FillWith(HDC dc, const RECT& rect, COLORREF color)
{
    const CBrushHandle brush(CreateSolidBrush(color));
    FillRect(dc, &rect, brush.Get());
}

void FrameWith(HDC dc, const RECT& rect, COLORREF color)
{
    const CBrushHandle brush(CreateSolidBrush(color));
    FrameRect(dc, &rect, brush.Get());
}

// The class lives for one pick: registered here, unregistered in any case.
class CPickerClass {
public:
    explicit CPickerClass(WNDPROC windowProc)
    {
        BOOL dropShadow = FALSE;
        const bool shadow = WindowsVersion().winXP && SystemParametersInfoW(SPI_GETDROPSHADOW, 0, &dropShadow, 0) &&
                            dropShadow;
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_CLASSDC | CS_SAVEBITS | (shadow ? CS_DROPSHADOW : 0);
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));
        windowClass.lpszClassName = kColorPickerClass;
        if (!RegisterClassExW(&windowClass))
            WriteToLogFile(L"Window class %s not registered, error %u", kColorPickerClass, GetLastError());
    }
    ~CPickerClass() { UnregisterClassW(kColorPickerClass, GetModuleHandleW(nullptr)); }
    CPickerClass(const CPickerClass&) = delete;
    CPickerClass& operator=(const CPickerClass&) = delete;
};

class CPicker {
public:
    explicit CPicker(CColorButton& button);
    int Run();

private:
    bool Create();
    void Arrange();
    void AddTools();
    int MarkedCell() const;
    void Loop();
    void OnLoopMessage(const MSG& msg);
    void OnKey(UINT key);
    int CellAtMessage(const MSG& msg) const;
    void SetHover(int cell);
    void End(int cell);
    RECT CellRect(int cell) const;
    void Paint(HDC dc);
    void PaintLabel(HDC dc, int cell, const std::wstring& label);
    void PaintColorCell(HDC dc, int cell, bool palette);
    bool IsHighlighted(int cell) const { return cell == m_hover || cell == m_marked; }
    static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    CColorButton& m_button;
    const PickerColors m_colors;
    CFontHandle m_font;
    CPaletteHandle m_palette;
    PickerLayout m_layout = {};
    int m_hover = kNoCell;
    int m_marked = kNoCell;
    int m_result = kNoCell;
    // Declared before the windows, so they go before their class.
    CPickerClass m_class;
    COwnedWindow m_window;
    COwnedWindow m_tooltip;
};

CPicker::CPicker(CColorButton& button)
    : m_button(button), m_colors(ReadPickerColors()), m_font(CreatePickerFont()), m_palette(CreatePickerPalette()),
      m_class(WindowProc)
{
}

int CPicker::Run()
{
    if (!Create())
        return kNoCell;
    Arrange();
    AddTools();
    m_marked = MarkedCell();
    ShowWindow(m_window.get(), SW_SHOWNA);
    UpdateWindow(m_window.get());
    Loop();
    m_tooltip.reset();
    m_window.reset();
    return m_result;
}

bool CPicker::Create()
{
    const RECT button = m_button.Window().WindowRect();
    m_window.reset(CreateWindowExW(0, kColorPickerClass, L"", WS_POPUP, button.left, button.bottom, 100, 100,
                                   m_button.Window().Parent(), nullptr, GetModuleHandleW(nullptr), this));
    if (!m_window) {
        WriteToLogFile(L"Window of class %s not created, error %u", kColorPickerClass, GetLastError());
        return false;
    }
    return true;
}

void CPicker::Arrange()
{
    SIZE automatic = {};
    SIZE custom = {};
    {
        const CWindowDC dc(m_window.get(), false);
        const CSavedDC saved(dc.Get());
        if (m_font)
            SelectObject(dc.Get(), m_font.Get());
        automatic = LabelExtent(dc.Get(), m_button.DefaultText());
        custom = LabelExtent(dc.Get(), m_button.CustomText());
    }
    m_layout = LayoutColorPicker(automatic, custom, GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE));
    const RECT place = PlaceColorPicker(m_layout.window, m_button.Window().WindowRect(), WorkAreaOf(m_window.get()));
    MoveWindow(m_window.get(), place.left, place.top, place.right - place.left, place.bottom - place.top, FALSE);
}

// A picker without tooltips still works: a failure here is only logged.
void CPicker::AddTools()
{
    const INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_BAR_CLASSES };
    InitCommonControlsEx(&controls);
    m_tooltip.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_window.get(), nullptr,
                                    GetModuleHandleW(nullptr), nullptr));
    if (!m_tooltip) {
        WriteToLogFile(L"Colour picker has no tooltips, error %u", GetLastError());
        return;
    }
    for (int i = 0; i < kPickerColorCount; ++i) {
        TOOLINFOW tool = {};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = m_window.get();
        tool.uId = static_cast<UINT_PTR>(i);
        tool.rect = m_layout.cells[i];
        tool.lpszText = const_cast<wchar_t*>(g_pickerColors[i].name);
        SendMessageW(m_tooltip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

int CPicker::MarkedCell() const
{
    const COLORREF color = m_button.GetColor();
    if (color == kAutomaticColor && !m_button.DefaultText().empty())
        return kAutomaticCell;
    for (int i = 0; i < kPickerColorCount; ++i)
        if (g_pickerColors[i].color == color)
            return i;
    return m_button.CustomText().empty() ? kNoCell : kCustomCell;
}

// Runs while the picker holds the capture: whatever takes it away (another
// window, a switch to another program) ends the pick as cancelled.
void CPicker::Loop()
{
    const HWND window = m_window.get();
    SetCapture(window);
    MSG msg = {};
    while (GetCapture() == window) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1)
            break;
        if (m_tooltip)
            SendMessageW(m_tooltip.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
        OnLoopMessage(msg);
    }
    if (GetCapture() == window)
        ReleaseCapture();
}

void CPicker::OnLoopMessage(const MSG& msg)
{
    switch (msg.message) {
    case WM_KEYDOWN: OnKey(static_cast<UINT>(msg.wParam)); return;
    case WM_KEYUP: return;
    case WM_MOUSEMOVE: SetHover(CellAtMessage(msg)); return;
    case WM_LBUTTONUP: End(CellAtMessage(msg)); return;
    case WM_RBUTTONDOWN: End(kNoCell); return;
    }
    DispatchMessageW(&msg);
}

void CPicker::OnKey(UINT key)
{
    switch (key) {
    case VK_RETURN:
    case VK_SPACE:
        End(m_hover);
        return;
    case VK_ESCAPE:
        End(kNoCell);
        return;
    }
    SetHover(NextPickerCell(m_hover, key, !m_button.DefaultText().empty(), !m_button.CustomText().empty()));
}

int CPicker::CellAtMessage(const MSG& msg) const
{
    POINT point = { static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam)) };
    if (msg.hwnd != m_window.get())
        MapWindowPoints(msg.hwnd, m_window.get(), &point, 1);
    return PickerCellAt(m_layout, point);
}

void CPicker::SetHover(int cell)
{
    if (cell == m_hover)
        return;
    for (const int changed : { m_hover, cell }) {
        const RECT rect = CellRect(changed);
        InvalidateRect(m_window.get(), &rect, FALSE);
    }
    m_hover = cell;
    UpdateWindow(m_window.get());
    if (m_button.GetTrackSelection())
        m_button.PreviewCell(cell);
}

void CPicker::End(int cell)
{
    m_result = cell;
    ReleaseCapture();
}

RECT CPicker::CellRect(int cell) const
{
    if (cell == kAutomaticCell)
        return m_layout.automatic;
    if (cell == kCustomCell)
        return m_layout.custom;
    return cell >= 0 && cell < kPickerColorCount ? m_layout.cells[cell] : RECT{};
}

void CPicker::Paint(HDC dc)
{
    RECT client = {};
    GetClientRect(m_window.get(), &client);
    if (m_colors.flat)
        FrameWith(dc, client, GetSysColor(COLOR_GRAYTEXT));
    else
        DrawEdge(dc, &client, EDGE_RAISED, BF_RECT);
    const CSavedDC saved(dc);
    if (m_font)
        SelectObject(dc, m_font.Get());
    SetBkMode(dc, TRANSPARENT);
    const bool palette = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) && m_palette;
    if (palette) {
        SelectPalette(dc, m_palette.Get(), FALSE);
        RealizePalette(dc);
    }
    PaintLabel(dc, kAutomaticCell, m_button.DefaultText());
    for (int i = 0; i < kPickerColorCount; ++i)
        PaintColorCell(dc, i, palette);
    PaintLabel(dc, kCustomCell, m_button.CustomText());
}

void CPicker::PaintLabel(HDC dc, int cell, const std::wstring& label)
{
    if (label.empty())
        return;
    RECT rect = CellRect(cell);
    FillWith(dc, rect, m_colors.background);
    if (IsHighlighted(cell)) {
        InflateRect(&rect, -3, -3);
        FrameWith(dc, rect, m_colors.border);
        InflateRect(&rect, -1, -1);
        FillWith(dc, rect, cell == m_hover ? m_colors.hoverFill : m_colors.markFill);
        InflateRect(&rect, -1, -1);
    } else {
        InflateRect(&rect, -5, -5);
    }
    SetTextColor(dc, cell == m_hover ? m_colors.hoverText : m_colors.text);
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &rect, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void CPicker::PaintColorCell(HDC dc, int cell, bool palette)
{
    RECT rect = CellRect(cell);
    if (IsHighlighted(cell)) {
        FrameWith(dc, rect, m_colors.border);
        InflateRect(&rect, -1, -1);
        FillWith(dc, rect, cell == m_hover ? m_colors.hoverFill : m_colors.markFill);
        InflateRect(&rect, -1, -1);
    } else {
        FillWith(dc, rect, m_colors.background);
        InflateRect(&rect, -2, -2);
    }
    FrameWith(dc, rect, GetSysColor(COLOR_BTNSHADOW));
    InflateRect(&rect, -1, -1);
    const COLORREF color = g_pickerColors[cell].color;
    FillWith(dc, rect, palette ? PALETTERGB(GetRValue(color), GetGValue(color), GetBValue(color)) : color);
}

LRESULT CALLBACK CPicker::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* const picker = reinterpret_cast<CPicker*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT paint = {};
        const HDC dc = BeginPaint(window, &paint);
        if (picker)
            picker->Paint(dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        if (picker)
            picker->Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_CAPTURECHANGED:
        // Wakes the loop, which waits for a posted message.
        PostMessageW(window, WM_NULL, 0, 0);
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

}  // namespace

int RunColorPicker(CColorButton& button)
{
    CPicker picker(button);
    return picker.Run();
}
