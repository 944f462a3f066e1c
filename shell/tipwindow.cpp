#include "tipwindow.h"

#include <memory>

#include "foundation/ResModule.h"
#include "foundation/WinPlacement.h"
#include "framework/GdiObject.h"

namespace {

constexpr wchar_t kTooltipClass[] = L"QUILLT Tooltips";
constexpr COLORREF kTooltipBackground = 0x70FFFF;

struct STipWindowState {
    HWND toolbar = nullptr;
    CFontHandle font;
};

STipWindowState* TipStateOf(HWND tip)
{
    return reinterpret_cast<STipWindowState*>(GetWindowLongPtrW(tip, GWLP_USERDATA));
}

HFONT CreateTipFont(HWND tip)
{
    HDC dc = GetDC(tip);
    const int pixelsPerInch = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ReleaseDC(tip, dc);
    return CreateFontW(-MulDiv(8, pixelsPerInch, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH, nullptr);
}

LRESULT OnTipCreate(HWND tip, const CREATESTRUCTW* create)
{
    auto state = std::make_unique<STipWindowState>();
    state->toolbar = static_cast<HWND>(create->lpCreateParams);
    state->font.Reset(CreateTipFont(tip));
    SetWindowLongPtrW(tip, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
    return 0;
}

void OnTipNcDestroy(HWND tip)
{
    std::unique_ptr<STipWindowState> state(TipStateOf(tip));
    SetWindowLongPtrW(tip, GWLP_USERDATA, 0);
}

SIZE TextExtent(HWND tip, HFONT font, const wchar_t* text)
{
    SIZE extent = {};
    HDC dc = GetDC(tip);
    if (!dc)
        return extent;
    const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &extent);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(tip, dc);
    return extent;
}

// The tip takes the size of its text with a margin of borders.
void FitToText(HWND tip)
{
    const STipWindowState* state = TipStateOf(tip);
    wchar_t text[256] = {};
    GetWindowTextW(tip, text, ARRAYSIZE(text));
    const SIZE extent = TextExtent(tip, state ? state->font.Get() : nullptr, text);
    const int width = extent.cx + 4 * GetSystemMetrics(SM_CXBORDER);
    const int height = extent.cy + 3 * GetSystemMetrics(SM_CYBORDER);
    SetWindowPos(tip, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void OnTipPaint(HWND tip)
{
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(tip, &paint);
    if (!dc)
        return;
    const STipWindowState* state = TipStateOf(tip);
    wchar_t text[256] = {};
    const int length = GetWindowTextW(tip, text, ARRAYSIZE(text));
    const HGDIOBJ old = state && state->font ? SelectObject(dc, state->font.Get()) : nullptr;
    RECT client = {};
    GetClientRect(tip, &client);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text, length, &extent);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, client.right / 2, (client.bottom - extent.cy) / 2, text, length);
    if (old)
        SelectObject(dc, old);
    EndPaint(tip, &paint);
}

void OnTipTimer(HWND tip, UINT_PTR id)
{
    if (id != kTipDelayTimerId)
        return;
    if (const STipWindowState* state = TipStateOf(tip))
        SendMessageW(state->toolbar, WM_TIP_DELAY_ELAPSED, 0, 0);
}

LRESULT CALLBACK TipWndProc(HWND tip, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: return OnTipCreate(tip, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_NCDESTROY: OnTipNcDestroy(tip); break;
    case WM_PAINT: OnTipPaint(tip); return 0;
    case WM_TIMER: OnTipTimer(tip, wParam); return 0;
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcW(tip, message, wParam, lParam);
        FitToText(tip);
        return result;
    }
    }
    return DefWindowProcW(tip, message, wParam, lParam);
}

}  // namespace

bool RegisterTipClass(HINSTANCE instance)
{
    WNDCLASSW existing = {};
    if (GetClassInfoW(instance, kTooltipClass, &existing))
        return true;
    WNDCLASSW tips = {};
    tips.style = CS_HREDRAW | CS_VREDRAW | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
    tips.lpfnWndProc = &TipWndProc;
    tips.hInstance = instance;
    tips.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    tips.lpszClassName = kTooltipClass;
    // The class owns its brush for the life of the process.
    tips.hbrBackground = CreateSolidBrush(kTooltipBackground);
    if (RegisterClassW(&tips))
        return true;
    DeleteObject(tips.hbrBackground);
    return false;
}

HWND CreateTipWindow(HWND toolbar, HINSTANCE instance)
{
    return CreateWindowExW(WS_EX_TOPMOST, kTooltipClass, nullptr, WS_POPUP | WS_BORDER, 0, 0, 10, 10, toolbar,
                           nullptr, instance, toolbar);
}

void CTipWindowSurface::HideTip()
{
    if (IsWindowVisible(m_tip))
        ShowWindow(m_tip, SW_HIDE);
}

bool CTipWindowSurface::PrepareTip(int button, POINT cursor)
{
    if (!IsWindowVisible(m_main) || IsIconic(m_main) || button < 0 ||
        static_cast<size_t>(button) >= m_buttons.size())
        return false;
    SetWindowTextW(m_tip, LoadResString(static_cast<UINT>(m_buttons[button].command)));
    Sleep(100);
    RECT tip = {}, main = {}, desktop = {};
    GetWindowRect(m_tip, &tip);
    GetWindowRect(m_main, &main);
    GetWindowRect(GetDesktopWindow(), &desktop);
    const POINT at = TipPosition(cursor, GetSystemMetrics(SM_CYCURSOR), GetSystemMetrics(SM_CYBORDER),
                                 RectHeight(tip), desktop.bottom, main.top);
    RECT placed = {at.x, at.y, at.x + RectWidth(tip), at.y + RectHeight(tip)};
    FitRectToMonitor(placed, kFitWorkAreaOnPrimary);
    SetWindowPos(m_tip, nullptr, placed.left, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

void CTipWindowSurface::ShowTip()
{
    ShowWindow(m_tip, SW_SHOWNOACTIVATE);
}

bool CTipWindowSurface::StartDelay()
{
    return SetTimer(m_tip, kTipDelayTimerId, kTipDelay, nullptr) != 0;
}

void CTipWindowSurface::StopDelay()
{
    KillTimer(m_tip, kTipDelayTimerId);
}
