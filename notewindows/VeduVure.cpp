// The small caption bars of note windows.
#include "VeduVure.h"

#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <string>

#include "foundation/Preferences.h"
#include "foundation/ShellServices.h"
#include "foundation/SysFuncs.h"
#include "foundation/WinVersion.h"
#include "framework/AppModule.h"
#include "framework/GdiObject.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "toolkit/AlphaNotifierWnd.h"
#include "toolkit/ColorMath.h"

namespace {

const wchar_t kSizeProp[] = L"ibSize";
const wchar_t kColorLowProp[] = L"ibColorL";
const wchar_t kColorHighProp[] = L"ibColorH";
const wchar_t kFlagProp[] = L"ibFlag";

constexpr UINT kRecomputeFrame = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
constexpr COLORREF kInitialCaptionColorHigh = 0xFF;
constexpr UINT kLastMouseMessage = 0x20E;
// The button tracking also looks at the capture this often while no mouse
// message comes, so a capture taken away without a message still ends it.
constexpr DWORD kCaptureCheckMilliseconds = 100;

constexpr int kStripPoints = 9;       // the bottom strip, and the corner reach of the borders
constexpr int kNarrowGrabPoints = 2;  // the border grab along the top
constexpr int kNarrowGrabMinScreenX = 24;
constexpr int kDotScalePoints = 100;  // the grip's dots: P(100) / 100 pixels

// ---------------------------------------------------------------- small helpers

INT_PTR GetIntProp(HWND window, const wchar_t* name)
{
    return reinterpret_cast<INT_PTR>(GetPropW(window, name));
}

BOOL SetIntProp(HWND window, const wchar_t* name, INT_PTR value)
{
    return SetPropW(window, name, reinterpret_cast<HANDLE>(value));
}

DWORD StyleOf(HWND window)
{
    return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
}

bool HasCaption(DWORD style)
{
    return (style & (ITSY_VERTICALCAPTION | ITSY_TOPCAPTION)) != 0;
}

bool IsVertical(DWORD style)
{
    return (style & ITSY_VERTICALCAPTION) != 0;
}

bool HasSysMenu(DWORD style)
{
    return (style & (ITSY_SYSMENUBOX | WS_SYSMENU)) != 0;
}

int P(int points, HWND window)
{
    return PointsToPixels(points, window);
}

// The note of a note window; null for any other window.
const CNote* NoteOf(HWND window)
{
    return NoteManager().GetNoteFromWindow(window);
}

bool IsUnrolledNote(HWND window)
{
    const CNote* note = NoteOf(window);
    return note && (note->Alarm().flags & kNoteRolledUp) == 0;
}

RECT WindowRectOf(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

// A screen rectangle in the window's own coordinates.
RECT ToWindowCoordinates(HWND window, RECT rect)
{
    const RECT frame = WindowRectOf(window);
    OffsetRect(&rect, -frame.left, -frame.top);
    return rect;
}

SIZE BorderOf(DWORD style)
{
    if (style & WS_THICKFRAME)
        return {GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)};
    if (style & WS_BORDER)
        return {GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER)};
    return {0, 0};
}

// The caller's DC, or the window's own, for the span of a drawing; with the
// program's palette realised on a 256-colour screen.
class CTargetDC {
public:
    CTargetDC(HDC given, HWND window)
    {
        if (!given)
            m_own.emplace(window, true);
        m_dc = given ? given : m_own->Get();
        m_saved.emplace(m_dc);
        if (const HPALETTE palette = g_appModule.GetPalette()) {
            SelectPalette(m_dc, palette, FALSE);
            RealizePalette(m_dc);
        }
    }
    HDC Get() const { return m_dc; }

private:
    std::optional<CWindowDC> m_own;
    std::optional<CSavedDC> m_saved;
    HDC m_dc = nullptr;
};

// Takes style bits away (or adds them) for the span of a call.
class CStyleScope {
public:
    CStyleScope(HWND window, DWORD add, DWORD remove) : m_window(window), m_original(StyleOf(window))
    {
        SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>((m_original | add) & ~remove));
        m_changed = add | remove;
    }
    ~CStyleScope()
    {
        const DWORD now = StyleOf(m_window);
        SetWindowLongPtrW(m_window, GWL_STYLE, static_cast<LONG_PTR>((now & ~m_changed) | (m_original & m_changed)));
    }
    CStyleScope(const CStyleScope&) = delete;
    CStyleScope& operator=(const CStyleScope&) = delete;

private:
    HWND m_window;
    DWORD m_original;
    DWORD m_changed = 0;
};

void FillSolid(HDC dc, const RECT& rect, COLORREF color)
{
    const CBrushHandle brush(CreateSolidBrush(color));
    FillRect(dc, &rect, brush.Get());
}

void FillSysColor(HDC dc, const RECT& rect, int sysColor)
{
    FillRect(dc, &rect, GetSysColorBrush(sysColor));
}

COLORREF CaptionShade(HWND window)
{
    return AdjustColorByPercent(ItsyGetCaptionColor(window), -5);
}

// ---------------------------------------------------------------- geometry

// The button's place counted from the caption's far end; -1 when absent.
int ButtonPlace(DWORD style, EItsyButton kind)
{
    const bool maximize = (style & WS_MAXIMIZEBOX) != 0;
    const bool minimize = (style & WS_MINIMIZEBOX) != 0;
    int place = -1;
    switch (kind) {
    case kItsyClose: place = HasSysMenu(style) ? 0 : -1; break;
    case kItsyMaximize: place = maximize ? 1 : -1; break;
    case kItsyMinimize: place = minimize ? (maximize ? 2 : 1) : -1; break;
    case kItsyMenu: place = (style & ITSY_MENUBUTTON) ? (minimize ? 3 : maximize ? 2 : 1) : -1; break;
    }
    // Before XP there is no close button, and the others move up into its place.
    if (place < 0 || WindowsVersion().winXP)
        return place;
    return kind == kItsyClose ? -1 : place - 1;
}

bool ButtonRect(HWND window, EItsyButton kind, RECT& rect)
{
    const int place = ButtonPlace(StyleOf(window), kind);
    if (place < 0) {
        SetRectEmpty(&rect);
        return false;
    }
    return ItsyGetButtonRect(window, place, rect) != FALSE;
}

// The length of an item along the caption; 0 when absent.
int ExtentAlongCaption(DWORD style, const RECT& rect)
{
    return IsVertical(style) ? rect.bottom - rect.top : rect.right - rect.left;
}

int ButtonExtent(HWND window, EItsyButton kind)
{
    RECT rect;
    return ButtonRect(window, kind, rect) ? ExtentAlongCaption(StyleOf(window), rect) : 0;
}

EItsyButton ButtonOfHit(LRESULT hit)
{
    switch (hit) {
    case HTMINBUTTON: return kItsyMinimize;
    case HTMAXBUTTON: return kItsyMaximize;
    case HTITSYMENU: return kItsyMenu;
    default: return kItsyClose;
    }
}

// ---------------------------------------------------------------- hit testing

LRESULT CaptionHitTest(HWND window, POINT point, LRESULT hit)
{
    RECT caption;
    if (!ItsyGetCaptionRect(window, caption) || !PtInRect(&caption, point))
        return hit;
    // Ctrl turns a press on the caption into a client press: the frame starts
    // attaching the note to another window.
    hit = GetKeyState(VK_CONTROL) < 0 ? HTCLIENT : HTCAPTION;
    struct ButtonHit {
        EItsyButton kind;
        LRESULT code;
    };
    static const ButtonHit buttons[] = {
        {kItsyMenu, HTITSYMENU}, {kItsyMinimize, HTMINBUTTON}, {kItsyMaximize, HTMAXBUTTON}, {kItsyClose, HTITSYCLOSE}};
    for (const ButtonHit& button : buttons) {
        RECT rect;
        if (ButtonRect(window, button.kind, rect) && PtInRect(&rect, point))
            return button.code;
    }
    return hit;
}

// Distance to the nearer of two edges, and whether that is the first.
struct SNearerEdge {
    int distance;
    bool first;
};

SNearerEdge NearerEdge(int value, int first, int last)
{
    const bool nearFirst = value - first < last - value;
    return {nearFirst ? value - first : last - value, nearFirst};
}

// The side of the size grip's square in the strip's right corner.
int GripSide(HWND window)
{
    return 3 * (P(kStripPoints, window) / 3);
}

// A note has no sizing frame, so its borders answer the sizing codes here.
LRESULT BorderHitTest(HWND window, POINT point, LRESULT hit)
{
    const RECT frame = WindowRectOf(window);
    const int strip = P(kStripPoints, window);
    // Along the top the grab is narrow, so that the caption stays easy to
    // drag; the screen's left 24 pixels keep the wide one, as stored layouts
    // expect.
    const bool narrow = point.y <= frame.top + strip && point.x >= kNarrowGrabMinScreenX;
    const int grabX = narrow ? P(kNarrowGrabPoints, window) : GetSystemMetrics(SM_CXFRAME);
    const int grabY = narrow ? P(kNarrowGrabPoints, window) : GetSystemMetrics(SM_CYFRAME);

    enum { kLeft = 1, kRight = 2, kTop = 4, kBottom = 8 };
    int edges = (point.x <= frame.left + grabX ? kLeft : 0) | (point.x >= frame.right - grabX ? kRight : 0) |
                (point.y <= frame.top + grabY ? kTop : 0) | (point.y >= frame.bottom - grabY ? kBottom : 0);
    const int reach = edges == (kTop | kRight) ? P(kNarrowGrabPoints, window) : strip;
    // The side is the nearer edge's, not the distance's sign: on the outermost
    // row or column the distance is 0, and a corner pixel must still size.
    // All of the drawn grip sizes both ways, not only the rows on the border.
    const int grip = GripSide(window);
    if (point.x >= frame.right - 2 - grip && point.y >= frame.bottom - 2 - grip)
        return HTBOTTOMRIGHT;
    const SNearerEdge horizontal = NearerEdge(point.x, frame.left, frame.right);
    const SNearerEdge vertical = NearerEdge(point.y, frame.top, frame.bottom);
    const int found = edges;
    if ((found & (kLeft | kRight)) && vertical.distance < reach)
        edges |= vertical.first ? kTop : kBottom;
    if ((found & (kTop | kBottom)) && horizontal.distance < reach)
        edges |= horizontal.first ? kLeft : kRight;

    switch (edges) {
    case kLeft: return HTLEFT;
    case kRight: return HTRIGHT;
    case kTop: return HTTOP;
    case kTop | kLeft: return HTTOPLEFT;
    case kTop | kRight: return HTTOPRIGHT;
    case kBottom: return HTBOTTOM;
    case kBottom | kLeft: return HTBOTTOMLEFT;
    case kBottom | kRight: return HTBOTTOMRIGHT;
    default: return hit;
    }
}

// ---------------------------------------------------------------- drawing

void DrawOutline(HDC dc, const RECT& rect, COLORREF color)
{
    const RECT sides[] = {
        {rect.left, rect.top, rect.right, rect.top + 1},
        {rect.left, rect.bottom - 1, rect.right, rect.bottom},
        {rect.left, rect.top, rect.left + 1, rect.bottom},
        {rect.right - 1, rect.top, rect.right, rect.bottom},
    };
    for (const RECT& side : sides)
        FillSolid(dc, side, color);
}

// The size grip: a triangle of 3-D dots in the strip's right corner.
void DrawGrip(HDC dc, HWND window, const RECT& corner, COLORREF back)
{
    const int side = GripSide(window);
    const int cell = side / 3;
    const int dot = std::max(1, P(kDotScalePoints, window) / 100);
    const COLORREF light = AdjustColorByPercent(back, 80);
    const COLORREF dark = AdjustColorByPercent(back, 60);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            if (row + column < 2)
                continue;
            const int x = corner.right - side + column * cell;
            const int y = corner.bottom - side + row * cell;
            FillSolid(dc, {x + dot, y + dot, x + 2 * dot, y + 2 * dot}, back);
            FillSolid(dc, {x + dot, y, x + 2 * dot, y + dot}, light);
            FillSolid(dc, {x, y + dot, x + dot, y + 2 * dot}, dark);
        }
    }
}

// The note's inner outline, bottom strip and grip below the caption.
void DrawNoteEdges(HDC dc, HWND window, const CNote& note, int captionBottom)
{
    const RECT frame = ToWindowCoordinates(window, WindowRectOf(window));
    const int strip = P(kStripPoints, window);
    const COLORREF color = note.GetColor();
    FillSolid(dc, {1, captionBottom, 2, frame.bottom - 1}, color);
    FillSolid(dc, {frame.right - 2, captionBottom, frame.right - 1, frame.bottom - 1}, color);
    FillSolid(dc, {1, frame.bottom - 2 - strip, frame.right - 1, frame.bottom - 1}, color);
    DrawGrip(dc, window, {2, frame.bottom - 2 - strip, frame.right - 2, frame.bottom - 2}, note.GetColorBk());
}

// The glyphs' colour: the caption colour at half (or double) its lightness.
COLORREF GlyphColor(HWND window)
{
    float hue = 0, saturation = 0, lightness = 0;
    RgbToHsl(ItsyGetCaptionColor(window), hue, saturation, lightness);
    lightness = lightness > 0.25f ? lightness / 2 : 2 * lightness;
    if (lightness < 0.01f)
        lightness = 0.25f;
    return HslToRgb(hue, saturation, lightness);
}

void DrawMenuGlyph(HDC dc, const RECT& area, COLORREF color)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const int middleX = area.left + width / 2;
    const int middleY = area.top + height / 2;
    FillSolid(dc, {area.left, area.top + height / 4, middleX, middleY}, color);
    FillSolid(dc, {middleX, middleY, area.right, area.bottom - height / 4}, color);
}

void DrawCloseGlyph(HDC dc, const RECT& area, COLORREF color)
{
    const CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, color));
    const CSavedDC saved(dc);
    SelectObject(dc, pen.Get());
    const int side = std::min(area.right - area.left, area.bottom - area.top) - 1;
    for (int thickness = 0; thickness < 2; ++thickness) {
        MoveToEx(dc, area.left + thickness, area.top, nullptr);
        LineTo(dc, area.left + side + 1, area.top + side + 1 - thickness);
        MoveToEx(dc, area.left + side - thickness, area.top, nullptr);
        LineTo(dc, area.left - 1, area.top + side + 1 - thickness);
    }
}

void DrawButtonGlyph(HDC dc, HWND window, EItsyButton kind, const RECT& area)
{
    const COLORREF color = GlyphColor(window);
    switch (kind) {
    case kItsyMaximize: {
        const CNote* note = NoteOf(window);
        const bool rolled = note && (note->Alarm().flags & (kNoteRollStateKnown | kNoteRolledUp)) ==
                                        (kNoteRollStateKnown | kNoteRolledUp);
        ItsyDrawArrow(dc, area, IsZoomed(window) ? kItsyArrowRestore : rolled ? kItsyArrowDown : kItsyArrowUp,
                      color);
        break;
    }
    case kItsyMinimize: ItsyDrawArrow(dc, area, kItsyArrowDown, color); break;
    case kItsyMenu: DrawMenuGlyph(dc, area, color); break;
    case kItsyClose: DrawCloseGlyph(dc, area, color); break;
    }
}

// The edges of a pressed or hovered button; returns the glyph's area.
RECT DrawButtonEdges(HDC dc, const RECT& button, int depth, bool pressed, bool hovered)
{
    const int thickness = depth < 20 ? 1 : 2;
    RECT glyph = {button.left + 1, button.top + 1, button.right - thickness, button.bottom - 1 - thickness};
    if (pressed) {
        FillSysColor(dc, {button.left, button.top, button.right, button.top + thickness}, COLOR_BTNSHADOW);
        FillSysColor(dc, {button.left, button.top, button.left + thickness, button.bottom - 1}, COLOR_BTNSHADOW);
        const int shift = depth < 20 ? 2 : 4;
        OffsetRect(&glyph, shift, shift);
    } else if (hovered) {
        const int shadow = depth > 20 ? 2 : 1;
        FillSysColor(dc, {button.left, button.top, button.right, button.top + 1}, COLOR_BTNHIGHLIGHT);
        FillSysColor(dc, {button.left, button.top, button.left + 1, button.bottom - 1}, COLOR_BTNHIGHLIGHT);
        FillSysColor(dc, {button.right - shadow, button.top, button.right, button.bottom - 1}, COLOR_BTNSHADOW);
        FillSysColor(dc, {button.left, button.bottom - 1 - shadow, button.right, button.bottom - 1}, COLOR_BTNSHADOW);
    }
    const int excess = glyph.right - glyph.left - GetSystemMetrics(SM_CYCAPTION) * 3 / 4;
    if (excess > 0)
        InflateRect(&glyph, -(excess / 2 + 1), -(excess / 2 + 1));
    return glyph;
}

// The alarm and read-only icons before the title; returns where the title starts.
int DrawCaptionIcons(HDC dc, const CNote& note, const RECT& caption)
{
    struct Icon {
        bool shown;
        POINT cell;
    };
    const std::uint32_t flags = note.Alarm().flags;
    const Icon icons[] = {
        {(flags & (kAlarmActive | kAlarmSet)) == (kAlarmActive | kAlarmSet), {0, 0}},
        {(flags & kNoteReadOnly) != 0, {26, 0}},
    };
    const int height = caption.bottom - caption.top;
    int inset = height / 5;
    if (height - 2 * inset < 11)
        inset = std::max(0, (height - 11) / 2);
    int x = caption.left;
    for (const Icon& icon : icons) {
        if (!icon.shown || !GetCaptionBitmap())
            continue;
        const RECT square = {x + inset, caption.top + inset, x + height - inset, caption.bottom - inset};
        ItsyBlitBitmap(dc, square, {11, 12}, icon.cell);
        x = square.right + 1;
    }
    return x;
}

void DrawCaptionTitle(HDC dc, HWND window, const RECT& caption)
{
    const CNote* note = NoteOf(window);
    const int start = note ? DrawCaptionIcons(dc, *note, caption) : caption.left;
    const int length = GetWindowTextLengthW(window);
    std::wstring title(static_cast<size_t>(length) + 1, L'\0');
    title.resize(static_cast<size_t>(GetWindowTextW(window, title.data(), length + 1)));

    LOGFONTW logFont = g_prefs.TitleFont;
    logFont.lfCharSet = 0;
    const CFontHandle font(CreateFontIndirectW(&logFont));
    const CSavedDC saved(dc);
    SelectObject(dc, font.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, note ? note->GetColorText() : RGB(255, 255, 255));
    SIZE extent = {};
    GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &extent);
    const RECT room = {start, caption.top, caption.right, caption.bottom};
    const int x = std::max(start, start + static_cast<int>(room.right - room.left - extent.cx) / 2);
    const int y = caption.top + static_cast<int>(caption.bottom - caption.top - extent.cy) / 2;
    ExtTextOutW(dc, x, y, ETO_CLIPPED, &room, title.c_str(), static_cast<UINT>(title.size()), nullptr);
}

// ---------------------------------------------------------------- messages

LRESULT OnNcCreate(HWND window, WPARAM wParam, LPARAM lParam)
{
    SetIntProp(window, kSizeProp, ItsyCaptionHeightFromFont(g_prefs.TitleFont));
    SetIntProp(window, kColorLowProp, 0);
    SetIntProp(window, kColorHighProp, kInitialCaptionColorHigh);
    SetIntProp(window, kFlagProp, 0);
    const DWORD style = StyleOf(window);
    if (HasCaption(style) && (style & WS_DLGFRAME))
        SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>(style & ~WS_DLGFRAME));
    return DefWindowProcW(window, WM_NCCREATE, wParam, lParam);
}

LRESULT OnNcDestroy(HWND window, WPARAM wParam, LPARAM lParam)
{
    for (const wchar_t* property : {kSizeProp, kColorLowProp, kColorHighProp, kFlagProp})
        RemovePropW(window, property);
    return DefWindowProcW(window, WM_NCDESTROY, wParam, lParam);
}

LRESULT OnNcCalcSize(HWND window, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefWindowProcW(window, WM_NCCALCSIZE, wParam, lParam);
    const DWORD style = StyleOf(window);
    if (IsIconic(window) || !HasCaption(style))
        return result;
    // Both forms of lParam start with the client rectangle.
    RECT& client = *reinterpret_cast<RECT*>(lParam);
    const int depth = ItsyGetCaptionSize(window);
    if (IsVertical(style)) {
        client.left += depth;
        return result;
    }
    client.top += depth;
    client.left += 1;
    client.right -= 1;
    client.bottom -= 1;
    if (IsUnrolledNote(window))
        client.bottom -= P(kStripPoints, window);
    return result;
}

LRESULT OnNcHitTest(HWND window, WPARAM wParam, LPARAM lParam)
{
    LRESULT hit = DefWindowProcW(window, WM_NCHITTEST, wParam, lParam);
    const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // The frame that this layer adds (the strip, the inner outline) is
    // nowhere to the default answer, and a press there would be dropped: it
    // is border, so that a double-click on it rolls the note too.
    const RECT frame = WindowRectOf(window);
    if (hit == HTNOWHERE && PtInRect(&frame, point))
        hit = HTBORDER;
    if (HasCaption(StyleOf(window)) && !IsIconic(window))
        hit = CaptionHitTest(window, point, hit);
    if (IsUnrolledNote(window))
        hit = BorderHitTest(window, point, hit);
    if (hit != HTSYSMENU)
        SetIntProp(window, kFlagProp, 0);
    return hit;
}

LRESULT OnNcPaint(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (IsIconic(window))
        return DefWindowProcW(window, WM_NCPAINT, wParam, lParam);
    ItsyDrawFrame(nullptr, window, GetActiveWindow() == window);
    return 0;
}

LRESULT OnPrint(HWND window, WPARAM wParam, LPARAM flags)
{
    const HDC dc = reinterpret_cast<HDC>(wParam);
    if (flags & PRF_ERASEBKGND) {
        const RECT frame = ToWindowCoordinates(window, WindowRectOf(window));
        FillSolid(dc, frame, ItsyGetCaptionColor(window));
    }
    ItsyDrawFrame(dc, window, GetActiveWindow() == window);
    if (flags & PRF_CHILDREN)
        SendMessageW(window, WM_PRINTCLIENT, wParam, flags);
    return 0;
}

LRESULT OnNcActivate(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (IsIconic(window))
        return DefWindowProcW(window, WM_NCACTIVATE, wParam, lParam);
    // The caption is non-client: an invalidation would reach only the client area.
    ItsyDrawFrame(nullptr, window, wParam != FALSE);
    return TRUE;
}

void RedrawHoverButtons(HWND window)
{
    for (const EItsyButton kind : {kItsyMenu, kItsyMaximize, kItsyClose})
        ItsyDrawCaptionButton(nullptr, window, kind, false);
}

LRESULT OnNcMouseMove(HWND window, WPARAM hit)
{
    RedrawHoverButtons(window);
    if (hit == HTMAXBUTTON || hit == static_cast<WPARAM>(HTITSYMENU) || hit == static_cast<WPARAM>(HTITSYCLOSE)) {
        TRACKMOUSEEVENT track = {sizeof track, TME_NONCLIENT | TME_LEAVE, window, HOVER_DEFAULT};
        TrackMouseEvent(&track);
    }
    return 0;
}

bool TrackButton(HWND window, LRESULT hit)
{
    RECT button;
    return ButtonRect(window, ButtonOfHit(hit), button) && ItsyTrackCaptionButton(window, hit, button);
}

// A second press on the system-menu box closes the menu instead of opening it again.
void OnSysMenuPress(HWND window)
{
    if (GetIntProp(window, kFlagProp) == 0)
        SetIntProp(window, kFlagProp, ItsyShowSystemMenu(window));
    else
        SetIntProp(window, kFlagProp, 0);
}

LRESULT OnNcLButtonDown(HWND window, WPARAM hit, LPARAM lParam)
{
    if (!HasCaption(StyleOf(window)) || IsIconic(window))
        return DefWindowProcW(window, WM_NCLBUTTONDOWN, hit, lParam);
    switch (static_cast<LRESULT>(hit)) {
    case HTSYSMENU:
        OnSysMenuPress(window);
        return 0;
    case HTMINBUTTON:
        if (TrackButton(window, HTMINBUTTON))
            SendMessageW(window, WM_ITSY_MINIMIZE, HTMINBUTTON, lParam);
        return 0;
    case HTMAXBUTTON:
        if (TrackButton(window, HTMAXBUTTON)) {
            if (IsZoomed(window))
                SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, lParam);
            else
                SendMessageW(window, WM_ITSY_MAXIMIZE, HTMAXBUTTON, lParam);
        }
        return 0;
    case HTITSYMENU:
        if (TrackButton(window, HTITSYMENU))
            SendMessageW(window, WM_ITSY_MENU, 0, lParam);
        return 0;
    case HTITSYCLOSE:
        if (TrackButton(window, HTITSYCLOSE))
            SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, lParam);
        return 0;
    }
    return DefWindowProcW(window, WM_NCLBUTTONDOWN, hit, lParam);
}

LRESULT OnNcLButtonDblClk(HWND window, WPARAM hit, LPARAM lParam)
{
    if (HasCaption(StyleOf(window)) && !IsIconic(window) && hit == HTSYSMENU)
        SendMessageW(window, WM_CLOSE, 0, 0);
    else
        SendMessageW(window, WM_ITSY_MINIMIZE, hit, lParam);
    return 0;
}

// The default system menu never opens from the keyboard.
LRESULT KeyWithoutSysMenu(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const CStyleScope noSysMenu(window, 0, WS_SYSMENU);
    return DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT OnSysChar(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (HasCaption(StyleOf(window)) && wParam == L' ') {
        ItsyShowSystemMenu(window);
        return 0;
    }
    return KeyWithoutSysMenu(window, WM_SYSCHAR, wParam, lParam);
}

LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    // The system menu was tracked as a pop-up, so its choice comes as a command.
    if (wParam > 0xEFFF)
        PostMessageW(window, WM_SYSCOMMAND, wParam, lParam);
    return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
}

void OnGetMinMaxInfo(HWND window, MINMAXINFO& info)
{
    const DWORD style = StyleOf(window);
    if (!HasCaption(style))
        return;
    int depth = ItsyGetCaptionSize(window);
    if (depth == 0)
        depth = GetSystemMetrics(SM_CYCAPTION) / 2 + 4;
    SIZE frame = {0, 0};
    if (style & WS_THICKFRAME)
        frame = {GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)};
    else if (style & WS_BORDER)
        frame = {GetSystemMetrics(SM_CXBORDER) + 1, GetSystemMetrics(SM_CYBORDER)};
    RECT box;
    const int sysMenuBox = ItsyGetSysMenuRect(window, box) ? ExtentAlongCaption(style, box) : 0;
    const int buttons = 2 * ButtonExtent(window, kItsyMenu) + ButtonExtent(window, kItsyClose) + sysMenuBox;
    if (IsVertical(style)) {
        info.ptMinTrackSize = {depth + 2 * frame.cx - 1, buttons + 2 * depth};
        return;
    }
    const int strip = IsUnrolledNote(window) ? P(kStripPoints, window) : 0;
    info.ptMinTrackSize = {buttons + 3 * depth, depth + 2 * (frame.cy + strip) - 1};
}

} // namespace

// ---------------------------------------------------------------- interface

LRESULT CALLBACK VeduVureWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCCREATE: return OnNcCreate(window, wParam, lParam);
    case WM_NCDESTROY: return OnNcDestroy(window, wParam, lParam);
    case WM_NCCALCSIZE: return OnNcCalcSize(window, wParam, lParam);
    case WM_NCHITTEST: return OnNcHitTest(window, wParam, lParam);
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcW(window, msg, wParam, lParam);
        OnNcPaint(window, 1, 0);
        return result;
    }
    case WM_NCPAINT: return OnNcPaint(window, wParam, lParam);
    case WM_PRINT: return OnPrint(window, wParam, lParam);
    case WM_NCACTIVATE: return OnNcActivate(window, wParam, lParam);
    case WM_NCMOUSEMOVE: return OnNcMouseMove(window, wParam);
    case WM_NCMOUSELEAVE: RedrawHoverButtons(window); return 0;
    case WM_NCLBUTTONDOWN: return OnNcLButtonDown(window, wParam, lParam);
    case WM_NCLBUTTONDBLCLK: return OnNcLButtonDblClk(window, wParam, lParam);
    case WM_SYSCHAR: return OnSysChar(window, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: return KeyWithoutSysMenu(window, msg, wParam, lParam);
    case WM_COMMAND: return OnCommand(window, wParam, lParam);
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(window, *reinterpret_cast<MINMAXINFO*>(lParam));
        return DefWindowProcW(window, msg, wParam, lParam);
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

int ItsyGetCaptionSize(HWND window)
{
    return static_cast<int>(GetIntProp(window, kSizeProp));
}

// The depth is stored as given, so that what a caller sets is what the
// geometry and ItsyGetCaptionSize use.
int ItsySetCaptionSize(HWND window, int height)
{
    if (height == 0)
        return 0;
    const BOOL stored = SetIntProp(window, kSizeProp, height);
    SetWindowPos(window, nullptr, 0, 0, 0, 0, kRecomputeFrame);
    return stored;
}

COLORREF ItsyGetCaptionColor(HWND window)
{
    const auto high = static_cast<COLORREF>(GetIntProp(window, kColorHighProp));
    const auto low = static_cast<COLORREF>(GetIntProp(window, kColorLowProp));
    return (high << 16) | (low & 0xFFFF);
}

BOOL ItsySetCaptionColor(HWND window, COLORREF color)
{
    const BOOL stored = SetIntProp(window, kColorHighProp, color / 0x10000) &&
                        SetIntProp(window, kColorLowProp, color & 0xFFFF);
    SetWindowPos(window, nullptr, 0, 0, 0, 0, kRecomputeFrame);
    return stored;
}

int ItsyCaptionHeightFromFont(const LOGFONTW& font)
{
    const CWindowDC screen(nullptr, false);
    const CFontHandle handle(CreateFontIndirectW(&font));
    const CSavedDC saved(screen.Get());
    SelectObject(screen.Get(), handle.Get());
    SIZE extent = {};
    GetTextExtentPoint32W(screen.Get(), L"OOO", 3, &extent);
    return extent.cy + 3;
}

void ItsyAdjustWindowRect(HWND window, RECT& rect)
{
    const DWORD style = StyleOf(window);
    if (style & WS_THICKFRAME)
        return;
    if (style & WS_BORDER)
        InflateRect(&rect, GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER));
    if (!HasCaption(style))
        return;
    const int depth = ItsyGetCaptionSize(window);
    if (IsVertical(style)) {
        rect.left -= depth;
        return;
    }
    rect.top -= depth;
    InflateRect(&rect, 1, 0);
    rect.bottom += 1;
    if (IsUnrolledNote(window))
        rect.bottom += P(kStripPoints, window);
}

BOOL ItsyGetCaptionRect(HWND window, RECT& rect)
{
    SetRectEmpty(&rect);
    const DWORD style = StyleOf(window);
    if (!HasCaption(style))
        return FALSE;
    rect = WindowRectOf(window);
    const SIZE border = BorderOf(style);
    InflateRect(&rect, -border.cx, -border.cy);
    const int depth = ItsyGetCaptionSize(window);
    if (IsVertical(style))
        rect.right = rect.left + depth;
    else
        rect.bottom = rect.top + depth;
    return TRUE;
}

BOOL ItsyGetSysMenuRect(HWND window, RECT& rect)
{
    RECT caption;
    if (!HasSysMenu(StyleOf(window)) || !ItsyGetCaptionRect(window, caption)) {
        SetRectEmpty(&rect);
        return FALSE;
    }
    const int depth = ItsyGetCaptionSize(window);
    rect = {caption.left, caption.top, caption.left + depth - 1, caption.top + depth - 1};
    return TRUE;
}

BOOL ItsyGetButtonRect(HWND window, int n, RECT& rect)
{
    RECT caption;
    if (n < 0 || !ItsyGetCaptionRect(window, caption)) {
        SetRectEmpty(&rect);
        return FALSE;
    }
    const int depth = ItsyGetCaptionSize(window);
    rect = caption;
    if (IsVertical(StyleOf(window))) {
        rect.bottom = caption.bottom - depth * n;
        rect.top = rect.bottom - depth + 1;
    } else {
        rect.right = caption.right - depth * n;
        rect.left = rect.right - depth + 1;
    }
    return TRUE;
}

void ItsyDrawFrame(HDC dc, HWND window, bool /*active*/)
{
    if (!HasCaption(StyleOf(window)))
        return;
    const CTargetDC target(dc, window);
    ItsyDrawCaption(target.Get(), window);
    const RECT frame = ToWindowCoordinates(window, WindowRectOf(window));
    DrawOutline(target.Get(), frame, CaptionShade(window));
    const CNote* note = NoteOf(window);
    RECT caption;
    if (note && (note->Alarm().flags & kNoteRolledUp) == 0 && ItsyGetCaptionRect(window, caption))
        DrawNoteEdges(target.Get(), window, *note, ToWindowCoordinates(window, caption).bottom);
}

void ItsyDrawCaption(HDC dc, HWND window)
{
    RECT caption;
    if (!ItsyGetCaptionRect(window, caption))
        return;
    caption = ToWindowCoordinates(window, caption);
    const DWORD style = StyleOf(window);
    const COLORREF shade = CaptionShade(window);
    const bool vertical = IsVertical(style);
    // The caption's inner edge runs under the buttons too.
    FillSolid(dc,
              vertical ? RECT{caption.right - 1, caption.top, caption.right, caption.bottom}
                       : RECT{caption.left, caption.bottom - 1, caption.right, caption.bottom},
              shade);
    int buttons = 0;
    for (const EItsyButton kind : {kItsyMaximize, kItsyMinimize, kItsyMenu, kItsyClose})
        buttons += ButtonPlace(style, kind) >= 0 ? 1 : 0;
    RECT body = caption;
    (vertical ? body.bottom : body.right) -= ItsyGetCaptionSize(window) * buttons;
    FillSolid(dc, body, shade);
    DrawCaptionTitle(dc, window, body);
    for (const EItsyButton kind : {kItsyClose, kItsyMenu, kItsyMinimize, kItsyMaximize})
        ItsyDrawCaptionButton(dc, window, kind, false);
}

void ItsyDrawCaptionButton(HDC dc, HWND window, EItsyButton kind, bool pressed)
{
    RECT screenButton;
    if (!ButtonRect(window, kind, screenButton))
        return;
    const CTargetDC target(dc, window);
    const RECT button = ToWindowCoordinates(window, screenButton);
    const int depth = ItsyGetCaptionSize(window);
    FillSolid(target.Get(), {button.left - 1, button.top, button.right, button.bottom - 1}, CaptionShade(window));
    // A button hidden by LessButtons keeps its room as plain caption, not as
    // whatever the screen held there before.
    if (g_prefs.LessButtons && kind != kItsyClose)
        return;
    POINT cursor = {};
    const bool hovered = GetCursorPos(&cursor) && PtInRect(&screenButton, cursor);
    const RECT glyph = DrawButtonEdges(target.Get(), button, depth, pressed, hovered);
    // A pressed glyph moves; it stays on its own button.
    const CSavedDC saved(target.Get());
    IntersectClipRect(target.Get(), button.left, button.top, button.right, button.bottom);
    DrawButtonGlyph(target.Get(), window, kind, glyph);
}

void ItsyDrawArrow(HDC dc, const RECT& rect, EItsyArrow glyph, COLORREF color)
{
    const int height = rect.bottom - rect.top;
    if (glyph == kItsyArrowRestore) {
        const int middle = rect.top + height / 2;
        ItsyDrawArrow(dc, {rect.left, rect.top, rect.right, middle}, kItsyArrowUp, color);
        ItsyDrawArrow(dc, {rect.left, middle, rect.right, rect.bottom}, kItsyArrowDown, color);
        return;
    }
    const int rows = height / 2;
    const int centre = (rect.left + rect.right) / 2;
    const int top = rect.top + height / 4;
    for (int row = 0; row < rows; ++row) {
        const int half = glyph == kItsyArrowUp ? row : rows - 1 - row;
        FillSolid(dc, {centre - half, top + row, centre + half + 1, top + row + 1}, color);
    }
}

void ItsyBlitBitmap(HDC dc, const RECT& destination, SIZE sourceSize, POINT sourceOrigin)
{
    const HBITMAP bitmap = GetCaptionBitmap();
    if (!bitmap)
        return;
    CMemoryDC source(dc);
    if (!source.Select(bitmap))
        return;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, destination.left, destination.top, destination.right - destination.left,
               destination.bottom - destination.top, source.Get(), sourceOrigin.x, sourceOrigin.y, sourceSize.cx,
               sourceSize.cy, SRCCOPY);
}

void ItsyDrawSysMenuBox(HDC dc, HWND window, bool pressed)
{
    RECT box;
    if (!ItsyGetSysMenuRect(window, box))
        return;
    const CTargetDC target(dc, window);
    const bool small = ItsyGetCaptionSize(window) < 22;
    const SIZE cell = small ? SIZE{17, 17} : SIZE{32, 32};
    const POINT origin = small ? POINT{pressed ? 16 : 0, 64} : POINT{pressed ? 32 : 0, 32};
    ItsyBlitBitmap(target.Get(), ToWindowCoordinates(window, box), cell, origin);
}

bool ItsyTrackCaptionButton(HWND window, LRESULT hitCode, const RECT& button)
{
    const EItsyButton kind = ButtonOfHit(hitCode);
    bool shownPressed = true;
    ItsyDrawCaptionButton(nullptr, window, kind, true);
    SetCapture(window);
    for (;;) {
        if (GetCapture() != window) {
            // Another window took the mouse: the press ends outside, and the
            // capture is not ours to release.
            if (shownPressed)
                ItsyDrawCaptionButton(nullptr, window, kind, false);
            return false;
        }
        MSG msg;
        if (!PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, kLastMouseMessage, PM_REMOVE)) {
            MsgWaitForMultipleObjectsEx(0, nullptr, kCaptureCheckMilliseconds, QS_MOUSE | QS_SENDMESSAGE,
                                        MWMO_INPUTAVAILABLE);
            continue;
        }
        if (msg.message != WM_MOUSEMOVE && msg.message != WM_LBUTTONUP)
            continue;
        POINT point = {GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        ClientToScreen(msg.hwnd, &point);
        const bool inside = PtInRect(&button, point) != FALSE;
        if (msg.message == WM_LBUTTONUP) {
            if (shownPressed)
                ItsyDrawCaptionButton(nullptr, window, kind, false);
            ReleaseCapture();
            return inside;
        }
        if (inside != shownPressed) {
            shownPressed = inside;
            ItsyDrawCaptionButton(nullptr, window, kind, inside);
        }
    }
}

int ItsyShowSystemMenu(HWND window)
{
    const DWORD style = StyleOf(window);
    if (!HasSysMenu(style))
        return 0;
    ItsyDrawSysMenuBox(nullptr, window, true);
    POINT anchor = IsVertical(style) ? POINT{-1, 0} : POINT{0, -1};
    ClientToScreen(window, &anchor);
    HMENU menu = nullptr;
    {
        // The system keeps no system menu for a window without WS_SYSMENU.
        const CStyleScope withSysMenu(window, WS_SYSMENU, 0);
        menu = GetSystemMenu(window, FALSE);
        ItsySetupSystemMenu(window, menu);
    }
    TrackMenuInForeground(menu, anchor.x, anchor.y, window, nullptr);
    ItsyDrawSysMenuBox(nullptr, window, false);
    return 1;
}

void ItsySetupSystemMenu(HWND window, HMENU menu)
{
    const DWORD style = StyleOf(window);
    const bool iconic = IsIconic(window) != FALSE;
    const bool zoomed = IsZoomed(window) != FALSE;
    struct Item {
        UINT command;
        bool grey;
    };
    const Item items[] = {
        {SC_MINIMIZE, true},
        {SC_SIZE, !((style & WS_THICKFRAME) && !iconic && !zoomed)},
        {SC_MOVE, zoomed || iconic || !(style & (WS_BORDER | WS_DLGFRAME))},
        {SC_MAXIMIZE, !((style & WS_MAXIMIZEBOX) || iconic)},
        {SC_RESTORE, !zoomed},
    };
    for (const Item& item : items)
        EnableMenuItem(menu, item.command, MF_BYCOMMAND | (item.grey ? MF_GRAYED : MF_ENABLED));
}
