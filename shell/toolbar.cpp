// The toolbar window: five owner-drawn buttons on the main window, a press
// that sends a command on release, a right-button drag that moves the main
// window, and a tip over the button the cursor rests on.
#include "toolbar.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <memory>
#include <new>
#include <vector>

#include "MainCommands.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/WinPlacement.h"
#include "framework/GdiObject.h"
#include "resources/resource.h"
#include "tiplogic.h"
#include "tipwindow.h"
#include "toolbarbuttons.h"

namespace {

constexpr wchar_t kToolbarClass[] = L"QUILLT_Toolbar";
constexpr UINT_PTR kTipTimerId = 1;
constexpr UINT kTipTimerPeriod = 200;

// A strip of glyphs, loaded and recoloured on first use.
struct SToolbarBitmap {
    int imageCount = 0;
    HINSTANCE module = nullptr;
    UINT resourceId = 0;
    CGdiObject<HBITMAP> loaded;
    bool failed = false;  // logged once; the buttons stay blank
};

// One block per toolbar window, in its extra bytes.
struct SToolbarState {
    explicit SToolbarState(HWND ownerWindow) : owner(ownerWindow) {}

    bool dragging = false;
    POINT dragStart = {};    // client point held under the cursor
    RECT dragFrom = {};      // the owner's rectangle when the drag began
    int pressed = -1;
    HWND owner;
    std::deque<SToolbarBitmap> bitmaps;  // records own their bitmaps: never moved
    std::vector<SToolbarButton> buttons;
    SGlyphColours colours = {};
    COLORREF frame = CLR_INVALID;
    HWND tip = nullptr;
    std::unique_ptr<CTipWindowSurface> surface;
    std::unique_ptr<CTipLogic> tips;
};

SToolbarState* StateOf(HWND window)
{
    return reinterpret_cast<SToolbarState*>(GetWindowLongPtrW(window, 0));
}

// ---- The glyph DC, shared by every toolbar of the thread ----

HDC g_glyphDC = nullptr;
int g_glyphDCUsers = 0;

bool AcquireGlyphDC()
{
    if (g_glyphDCUsers == 0) {
        g_glyphDC = CreateCompatibleDC(nullptr);
        if (!g_glyphDC)
            return false;
    }
    ++g_glyphDCUsers;
    return true;
}

void ReleaseGlyphDC()
{
    if (g_glyphDCUsers > 0 && --g_glyphDCUsers == 0) {
        DeleteDC(g_glyphDC);
        g_glyphDC = nullptr;
    }
}

// ---- The keyboard hook: any key ends tip mode ----

HHOOK g_keyboardHook = nullptr;
std::vector<HWND> g_hookedToolbars;

LRESULT CALLBACK ToolbarKeyboardHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && !(lParam & 0x80000000))
        for (const HWND toolbar : g_hookedToolbars)
            if (SToolbarState* state = StateOf(toolbar))
                if (state->tips->InTipMode())
                    state->tips->EndTipMode();
    return CallNextHookEx(g_keyboardHook, code, wParam, lParam);
}

void HookKeyboard(HWND toolbar)
{
    if (g_hookedToolbars.empty()) {
        g_keyboardHook = SetWindowsHookExW(WH_KEYBOARD, &ToolbarKeyboardHook, nullptr, GetCurrentThreadId());
        if (!g_keyboardHook) {
            QLOG(L"Toolbar: keyboard hook not installed (%lu); keys leave tips alone", GetLastError());
            return;
        }
    }
    g_hookedToolbars.push_back(toolbar);
}

void UnhookKeyboard(HWND toolbar)
{
    const auto found = std::find(g_hookedToolbars.begin(), g_hookedToolbars.end(), toolbar);
    if (found == g_hookedToolbars.end())
        return;
    g_hookedToolbars.erase(found);
    if (g_hookedToolbars.empty() && g_keyboardHook) {
        UnhookWindowsHookEx(g_keyboardHook);
        g_keyboardHook = nullptr;
    }
}

// ---- Glyphs ----

// A copy of a 1-8 bit BI_RGB bitmap resource with its colour table
// recoloured, as a bitmap for the screen; null when the resource is missing
// or not such a bitmap.
HBITMAP LoadRecolouredStrip(HINSTANCE module, UINT id, const SGlyphColours& colours)
{
    const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), RT_BITMAP);
    const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    if (!data || size < sizeof(BITMAPINFOHEADER))
        return nullptr;
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(copy.data());
    if (header->biSize < sizeof(BITMAPINFOHEADER) || header->biSize > size || header->biCompression != BI_RGB ||
        header->biBitCount < 1 || header->biBitCount > 8 || header->biWidth <= 0 || header->biHeight == 0 ||
        header->biWidth > 0x10000 || header->biHeight > 0x10000 || header->biHeight < -0x10000)
        return nullptr;
    const size_t colourCount = header->biClrUsed ? header->biClrUsed : (size_t{1} << header->biBitCount);
    const size_t stride = ((static_cast<size_t>(header->biWidth) * header->biBitCount + 31) / 32) * 4;
    const size_t height = static_cast<size_t>(std::abs(header->biHeight));
    const size_t bitsOffset = header->biSize + colourCount * sizeof(RGBQUAD);
    if (colourCount > 256 || bitsOffset > size || stride * height > size - bitsOffset)
        return nullptr;
    auto* table = reinterpret_cast<RGBQUAD*>(copy.data() + header->biSize);
    RecolourGlyphTable(table, colourCount, colours);

    HDC screen = GetDC(nullptr);
    if (!screen)
        return nullptr;
    HBITMAP bitmap = CreateDiscardableBitmap(screen, header->biWidth, static_cast<int>(height));
    if (bitmap && !SetDIBits(screen, bitmap, 0, static_cast<UINT>(height), copy.data() + bitsOffset,
                             reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS)) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    ReleaseDC(nullptr, screen);
    return bitmap;
}

void DropGlyphs(SToolbarState& state)
{
    for (SToolbarBitmap& strip : state.bitmaps)
        strip.loaded.Reset();
}

// The strip that holds the image, loaded now when need be, and the image's
// place in it; null when none holds it or it can't be loaded.
HBITMAP GlyphStripFor(SToolbarState& state, int image, int& indexInStrip)
{
    for (SToolbarBitmap& strip : state.bitmaps) {
        if (image >= strip.imageCount) {
            image -= strip.imageCount;
            continue;
        }
        if (!strip.loaded && !strip.failed) {
            strip.loaded.Reset(LoadRecolouredStrip(strip.module, strip.resourceId, state.colours));
            if (!strip.loaded) {
                strip.failed = true;
                QLOG(L"Toolbar: glyph bitmap %u could not be loaded (%lu)", strip.resourceId, GetLastError());
            }
        }
        indexInStrip = image;
        return strip.loaded.Get();
    }
    return nullptr;
}

// ---- Painting ----

// A changed colour scheme recolours the glyphs at the next paint.
void RefreshColours(SToolbarState& state)
{
    const SGlyphColours now = CurrentGlyphColours();
    const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
    const bool changed = now.text != state.colours.text || now.shadow != state.colours.shadow ||
                         now.face != state.colours.face || now.highlight != state.colours.highlight ||
                         now.selection != state.colours.selection || now.window != state.colours.window;
    if (changed)
        DropGlyphs(state);
    state.colours = now;
    state.frame = frame;
}

void Fill(HDC dc, int x, int y, int width, int height, COLORREF colour)
{
    const RECT rect = {x, y, x + width, y + height};
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void DrawButton(HDC dc, SToolbarState& state, const SToolbarButton& button, int x)
{
    const SGlyphColours& c = state.colours;
    Fill(dc, x, 0, kButtonWidth, kButtonHeight, c.face);
    Fill(dc, x, 0, 1, kButtonHeight, state.frame);
    const bool pressed = (button.state & kButtonPressed) != 0;
    if (pressed) {
        Fill(dc, x + 1, 0, 1, kButtonHeight - 1, c.shadow);
        Fill(dc, x + 1, 0, kButtonWidth - 2, 1, c.shadow);
    } else {
        Fill(dc, x + 1, 0, 1, kButtonHeight, c.highlight);
        Fill(dc, x + 1, 0, kButtonWidth - 1, 1, c.highlight);
        Fill(dc, x + kButtonWidth - 1, 1, 1, kButtonHeight - 1, c.shadow);
        Fill(dc, x + 1, kButtonHeight - 1, kButtonWidth - 1, 1, c.shadow);
    }
    int index = 0;
    const HBITMAP strip = GlyphStripFor(state, button.image, index);
    if (!strip || !g_glyphDC)
        return;
    const int shift = pressed ? 1 : 0;
    const HGDIOBJ old = SelectObject(g_glyphDC, strip);
    BitBlt(dc, x + 2 + shift, 2 + shift, kGlyphWidth, kGlyphHeight, g_glyphDC, kGlyphWidth * index, 0, SRCCOPY);
    SelectObject(g_glyphDC, old);
}

void PaintButtons(HDC dc, SToolbarState& state)
{
    RefreshColours(state);
    int x = kFirstButtonX;
    for (const SToolbarButton& button : state.buttons) {
        if (button.style & kButtonSeparator) {
            x += button.image;
            continue;
        }
        const RECT cell = {x, 0, x + kButtonWidth, kButtonHeight};
        if (RectVisible(dc, &cell))
            DrawButton(dc, state, button, x);
        x += kButtonStep;
    }
}

void OnPaint(HWND window)
{
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(window, &paint);
    if (!dc)
        return;
    if (SToolbarState* state = StateOf(window))
        PaintButtons(dc, *state);
    EndPaint(window, &paint);
}

void OnPrintClient(HWND window, HDC dc, LPARAM options)
{
    SToolbarState* state = StateOf(window);
    if (!state)
        return;
    if (options & PRF_ERASEBKGND) {
        RECT client = {};
        GetClientRect(window, &client);
        Fill(dc, 0, 0, client.right, client.bottom, GetSysColor(COLOR_BTNFACE));
    }
    PaintButtons(dc, *state);
}

void RepaintButton(HWND window, const SToolbarState& state, int index)
{
    const int left = ButtonLeft(state.buttons, index);
    if (left < 0)
        return;
    const RECT cell = {left, 0, left + kButtonWidth, kButtonHeight};
    InvalidateRect(window, &cell, FALSE);
    UpdateWindow(window);
}

void SetPressedBit(HWND window, SToolbarState& state, int index, bool pressed)
{
    std::uint8_t& bits = state.buttons[index].state;
    const std::uint8_t wanted = pressed ? (bits | kButtonPressed) : (bits & ~kButtonPressed);
    if (wanted == bits)
        return;
    bits = wanted;
    RepaintButton(window, state, index);
}

// ---- Mouse ----

POINT ClientPoint(LPARAM lParam)
{
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

bool IsEnabled(const SToolbarState& state, int index)
{
    return (state.buttons[index].state & kButtonEnabled) != 0;
}

void OnLButtonDown(HWND window, SToolbarState& state, POINT client)
{
    state.tips->EndTipMode();
    const int hit = HitTestButtons(state.buttons, client);
    if (hit < 0)
        return;
    state.pressed = hit;
    SetCapture(window);
    if (IsEnabled(state, hit))
        SetPressedBit(window, state, hit, true);
}

void OnLButtonUp(HWND window, SToolbarState& state, POINT client)
{
    state.tips->EndTipMode();
    const int index = state.pressed;
    if (index < 0)
        return;
    state.pressed = -1;  // before the release, whose capture change would cancel it
    ReleaseCapture();
    if (!IsEnabled(state, index) || HitTestButtons(state.buttons, client) != index)
        return;
    SetPressedBit(window, state, index, false);
    SendMessageW(state.owner, WM_COMMAND, MAKEWPARAM(state.buttons[index].command, 0), 0);
}

// A press that loses the capture is forgotten and sends nothing.
void CancelPress(HWND window, SToolbarState& state)
{
    const int index = state.pressed;
    state.pressed = -1;
    if (index >= 0)
        SetPressedBit(window, state, index, false);
}

void OnRButtonDown(HWND window, SToolbarState& state, POINT client)
{
    state.tips->EndTipMode();
    state.dragging = true;
    state.dragStart = client;
    GetWindowRect(state.owner, &state.dragFrom);
    SetCapture(window);
}

void DragTo(const SToolbarState& state, POINT client)
{
    RECT owner = {};
    GetWindowRect(state.owner, &owner);
    // The bar's place within its owner stays; the held point follows the cursor.
    const int x = owner.left + client.x - state.dragStart.x;
    const int y = owner.top + client.y - state.dragStart.y;
    if (x != owner.left || y != owner.top)
        SetWindowPos(state.owner, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Brings the bar back on screen and keeps where it went. A right-click that
// moved nothing stores nothing: a stored point would win over the corner.
void FinishDrag(SToolbarState& state)
{
    if (!state.dragging)
        return;
    state.dragging = false;
    KeepWindowOnScreen(state.owner);
    RECT now = {};
    if (!GetWindowRect(state.owner, &now) || EqualRect(&now, &state.dragFrom))
        return;
    g_prefs.PositionX = now.left;
    g_prefs.PositionY = now.top;
    if (!g_prefs.Save())
        QLOG(L"Toolbar: the moved position could not be saved");
}

void OnRButtonUp(SToolbarState& state)
{
    state.tips->EndTipMode();
    if (!state.dragging)
        return;
    FinishDrag(state);
    ReleaseCapture();
}

void OnMouseMove(HWND window, SToolbarState& state, POINT client)
{
    if (state.dragging) {
        DragTo(state, client);
        return;
    }
    if (state.pressed >= 0 && IsEnabled(state, state.pressed))
        SetPressedBit(window, state, state.pressed, HitTestButtons(state.buttons, client) == state.pressed);
}

// Capture taken away (another window, a menu, a dialog) ends a drag and a
// press alike; otherwise the bar would follow the mouse or a button stick.
void OnCaptureLost(HWND window, SToolbarState& state)
{
    state.tips->EndTipMode();
    CancelPress(window, state);
    FinishDrag(state);
}

bool IsMouseMessage(UINT message)
{
    return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST;
}

LRESULT OnMouse(HWND window, SToolbarState& state, UINT message, WPARAM wParam, LPARAM lParam)
{
    const POINT client = ClientPoint(lParam);
    switch (message) {
    case WM_LBUTTONDOWN: OnLButtonDown(window, state, client); break;
    case WM_LBUTTONUP: OnLButtonUp(window, state, client); break;
    case WM_RBUTTONDOWN: OnRButtonDown(window, state, client); break;
    case WM_RBUTTONUP: OnRButtonUp(state); break;
    case WM_MOUSEMOVE: OnMouseMove(window, state, client); break;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
    return 0;
}

// ---- Tips ----

void OnTipTimer(HWND window, SToolbarState& state)
{
    POINT cursor = {};
    if (!GetCursorPos(&cursor))
        return;
    RECT bar = {}, tip = {};
    GetWindowRect(window, &bar);
    GetWindowRect(state.tip, &tip);
    POINT client = cursor;
    ScreenToClient(window, &client);
    STipTick tick = {};
    tick.cursor = cursor;
    tick.cursorOnBar = PtInRect(&bar, cursor) != FALSE;
    tick.cursorInTip = IsWindowVisible(state.tip) && PtInRect(&tip, cursor);
    tick.barHasCapture = GetCapture() == window;
    tick.button = HitTestButtons(state.buttons, client);
    state.tips->OnTick(tick);
}

void OnShowWindow(HWND window, SToolbarState& state, bool shown)
{
    state.tips->Arm(shown);
    if (shown)
        SetTimer(window, kTipTimerId, kTipTimerPeriod, nullptr);
    else
        KillTimer(window, kTipTimerId);
}

// ---- Life ----

LRESULT OnCreate(HWND window, const CREATESTRUCTW* create)
{
    if (!AcquireGlyphDC()) {
        QLOG(L"Toolbar: no memory DC for the glyphs (%lu)", GetLastError());
        return -1;
    }
    try {
        auto state = std::make_unique<SToolbarState>(static_cast<HWND>(create->lpCreateParams));
        state->tip = CreateTipWindow(window, create->hInstance);
        if (!state->tip)
            QLOG(L"Toolbar: no tip window (%lu)", GetLastError());
        state->surface = std::make_unique<CTipWindowSurface>(state->tip, state->owner, state->buttons);
        state->tips = std::make_unique<CTipLogic>(*state->surface);
        SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(state.release()));
    } catch (const std::bad_alloc&) {
        QLOG(L"Toolbar: out of memory for its state");
        ReleaseGlyphDC();
        return -1;
    }
    HookKeyboard(window);
    return 0;
}

void OnDestroy(HWND window)
{
    KillTimer(window, kTipTimerId);
    UnhookKeyboard(window);
    if (SToolbarState* state = StateOf(window)) {
        if (state->tip)
            DestroyWindow(state->tip);
        state->tip = nullptr;
        DropGlyphs(*state);
    }
}

void OnNcDestroy(HWND window)
{
    std::unique_ptr<SToolbarState> state(StateOf(window));
    SetWindowLongPtrW(window, 0, 0);
    if (state)
        ReleaseGlyphDC();
}

// The bar spans the owner's client area and its borders.
void FitToOwner(HWND window)
{
    const SToolbarState* state = StateOf(window);
    RECT client = {};
    if (!state || !GetClientRect(state->owner, &client))
        return;
    const int width = client.right + 2 * GetSystemMetrics(SM_CXBORDER);
    SetWindowPos(window, nullptr, 0, 0, width, kToolbarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsForwarded(UINT message)
{
    return message == WM_COMMAND || message == WM_DRAWITEM || message == WM_MEASUREITEM ||
           message == WM_VKEYTOITEM || message == WM_CHARTOITEM;
}

LRESULT OnStateMessage(HWND window, SToolbarState& state, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsMouseMessage(message))
        return IsIconic(state.owner) ? DefWindowProcW(window, message, wParam, lParam)
                                     : OnMouse(window, state, message, wParam, lParam);
    switch (message) {
    case WM_PAINT: OnPaint(window); return 0;
    case WM_PRINTCLIENT: OnPrintClient(window, reinterpret_cast<HDC>(wParam), lParam); return 0;
    case WM_TIMER:
        if (wParam == kTipTimerId)
            OnTipTimer(window, state);
        return 0;
    case WM_TIP_DELAY_ELAPSED: state.tips->OnDelayElapsed(); return 0;
    case WM_SHOWWINDOW: OnShowWindow(window, state, wParam != FALSE); break;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != window)
            OnCaptureLost(window, state);
        return 0;
    case WM_CANCELMODE:
        OnCaptureLost(window, state);
        if (GetCapture() == window)
            ReleaseCapture();
        return 0;
    }
    if (IsForwarded(message))
        return SendMessageW(state.owner, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ToolbarWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: return OnCreate(window, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_NCDESTROY: OnNcDestroy(window); break;
    case WM_SIZE: FitToOwner(window); return 0;
    }
    if (SToolbarState* state = StateOf(window))
        return OnStateMessage(window, *state, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

void AddBitmap(SToolbarState& state, int imageCount, HINSTANCE module, UINT resourceId)
{
    SToolbarBitmap& strip = state.bitmaps.emplace_back();
    strip.imageCount = imageCount;
    strip.module = module;
    strip.resourceId = resourceId;
}

}  // namespace

bool RegisterToolbarClasses(HINSTANCE instance)
{
    if (!RegisterTipClass(instance))
        return false;
    WNDCLASSW existing = {};
    if (GetClassInfoW(instance, kToolbarClass, &existing))
        return true;
    WNDCLASSW toolbar = {};
    toolbar.style = CS_DBLCLKS;
    toolbar.lpfnWndProc = &ToolbarWndProc;
    toolbar.cbWndExtra = 8;
    toolbar.hInstance = instance;
    toolbar.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    toolbar.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    toolbar.lpszClassName = kToolbarClass;
    return RegisterClassW(&toolbar) != 0;
}

HWND CreateToolbar(HWND mainWindow, HINSTANCE instance)
{
    if (!RegisterToolbarClasses(instance))
        return nullptr;
    const HWND toolbar =
        CreateWindowExW(0, kToolbarClass, nullptr, WS_CHILD, 0, 0, 10, 10, mainWindow,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolbarControlId)), instance, mainWindow);
    SToolbarState* state = toolbar ? StateOf(toolbar) : nullptr;
    if (!state)
        return nullptr;
    AddBitmap(*state, kGlyphCount, instance, IDB_TOOLBAR_GLYPHS);
    state->buttons = DefaultToolbarButtons();
    return toolbar;
}
