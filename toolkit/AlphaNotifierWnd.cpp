// Alpha-blended windows, their TGA images and the shadow strips of notes.
#include "AlphaNotifierWnd.h"

#include "foundation/LogFile.h"
#include "foundation/ResModule.h"
#include "foundation/SysFuncs.h"
#include "resources/resource.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

const wchar_t kAlphaClassName[] = L"AlphaBaseWnd";
const UINT kShowHideFlags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS;

// 0 when the class exists or was registered, else the error.
DWORD RegisterAlphaClass(WNDPROC proc)
{
    const HINSTANCE instance = CResModule::GetInstance();
    WNDCLASSW existing = {};
    if (GetClassInfoW(instance, kAlphaClassName, &existing))
        return 0;
    QLOG(L"Creating AlphaNotifierBaseWnd window class");
    WNDCLASSW wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = 4;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = kAlphaClassName;
    if (RegisterClassW(&wc))
        return 0;
    const DWORD error = GetLastError();
    // The pop-up's thread may have registered it in the meantime.
    return error == ERROR_CLASS_ALREADY_EXISTS ? 0 : error;
}

void PutPixel(const SPixelBuffer& buffer, int x, int y, BYTE a)
{
    BYTE* const pixel = buffer.bits + (static_cast<size_t>(y) * buffer.width + x) * 4;
    pixel[0] = pixel[1] = pixel[2] = 0;
    pixel[3] = static_cast<BYTE>(a / 3);
}

// floor(256 * numerator / denominator) as the byte the shadow takes.
BYTE Ramp(int numerator, int denominator)
{
    return static_cast<BYTE>(std::min(255, 256 * numerator / denominator));
}

void FillSideShadow(const SPixelBuffer& buffer, int width, int height, int horizontal)
{
    const RECT clip = {0, 0, width, height};
    for (int x = 0; x < width; ++x) {
        BYTE value = Ramp(x + 1, width + 1);
        if (horizontal < 0)
            value = static_cast<BYTE>(~value);
        for (int y = 0; y < height; ++y)
            SetPixelInRect(buffer, x, y, horizontal ? value : 0, clip);
    }
}

// A strip above or below: two round corner spots, a band of rows written
// between them only, and side ramps on the rows beyond the band.
void FillStripShadow(const SPixelBuffer& buffer, int thickness1, int radius, int width, int height, int vertical)
{
    const int spotRow = vertical == -1 ? -1 : radius;
    DrawSoftSpot(buffer, radius - 1, spotRow, radius, RECT{0, 0, radius, radius});
    DrawSoftSpot(buffer, width - radius, spotRow, radius, RECT{width - radius, 0, width, radius});
    const RECT clip = {0, 0, width, height};
    for (int y = 0; y < height; ++y) {
        BYTE rowValue = Ramp(y + 1, height + 1);
        if (vertical < 0)
            rowValue = static_cast<BYTE>(~rowValue);
        const bool inBand = vertical == 1 ? y < radius : y >= height - radius;
        for (int x = 0; x < width; ++x) {
            if (inBand) {
                if (x >= radius && x < width - radius)
                    SetPixelInRect(buffer, x, y, rowValue, clip);
            } else if (x < thickness1) {
                SetPixelInRect(buffer, x, y, Ramp(x + 1, radius + 1), clip);
            } else if (x >= width - radius) {
                SetPixelInRect(buffer, x, y, Ramp(width - x, radius + 1), clip);
            } else {
                SetPixelInRect(buffer, x, y, rowValue, clip);
            }
        }
    }
}

bool IsTopmost(HWND window)
{
    return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

}  // namespace

CWindowDC::CWindowDC(HWND window, bool wholeWindow)
    : m_window(window), m_dc(wholeWindow ? GetWindowDC(window) : GetDC(window))
{
}

CWindowDC::~CWindowDC()
{
    if (m_dc)
        ReleaseDC(m_window, m_dc);
}

CMemoryDC::CMemoryDC(HDC compatible) : m_dc(CreateCompatibleDC(compatible))
{
}

CMemoryDC::~CMemoryDC()
{
    if (!m_dc)
        return;
    if (m_original)
        SelectObject(m_dc, m_original);
    DeleteDC(m_dc);
}

bool CMemoryDC::Select(HGDIOBJ object)
{
    if (!m_dc || !object)
        return false;
    const HGDIOBJ previous = SelectObject(m_dc, object);
    if (!previous || previous == HGDI_ERROR)
        return false;
    if (!m_original)
        m_original = previous;
    return true;
}

BITMAPINFO Dib32Info(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;   // positive: bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

HBITMAP CreateDib32(int width, int height, void** bits)
{
    const BITMAPINFO info = Dib32Info(width, height);
    *bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    if (bitmap && !*bits) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

SLayeredState ReadLayeredState(HWND window)
{
    SLayeredState state = {0, 255, 0};
    if (!(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED))
        return state;
    COLORREF key = 0;
    BYTE alpha = 255;
    DWORD flags = 0;
    if (GetLayeredWindowAttributes(window, &key, &alpha, &flags))
        state = SLayeredState{key, alpha, flags};
    return state;
}

// A window drawn through UpdateLayeredWindow may refuse attributes until its
// layered style is set anew.
void RestoreLayeredState(HWND window, const SLayeredState& state)
{
    if (state.alpha == 255) {
        ChangeExStyle(window, 0, WS_EX_LAYERED);
        return;
    }
    const DWORD flags = state.flags ? state.flags : LWA_ALPHA;
    if (SetLayeredWindowAttributes(window, state.colorKey, state.alpha, flags))
        return;
    ChangeExStyle(window, 0, WS_EX_LAYERED);
    ChangeExStyle(window, WS_EX_LAYERED, 0);
    SetLayeredWindowAttributes(window, state.colorKey, state.alpha, flags);
}

bool ChangeExStyle(HWND window, DWORD add, DWORD remove)
{
    const DWORD style = (static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)) | add) & ~remove;
    SetLastError(0);
    const LONG previous = SetWindowLongW(window, GWL_EXSTYLE, static_cast<LONG>(style));
    if (previous != 0 || GetLastError() == 0)
        return true;
    // Wine reports an error for a visible window whose style did change: the
    // style itself decides.
    return IsWindow(window) && static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)) == style;
}

// ---- CAlphaBaseWnd ----

CAlphaBaseWnd::~CAlphaBaseWnd()
{
    CAlphaBaseWnd::DestroyWindow();
}

void CAlphaBaseWnd::DestroyWindow()
{
    if (m_hwnd) {
        const HWND hwnd = m_hwnd;
        m_hwnd = nullptr;
        ::DestroyWindow(hwnd);
    }
}

bool CAlphaBaseWnd::Create(HWND owner, DWORD exStyle)
{
    if (m_hwnd)
        return true;
    if (RegisterAlphaClass(&CAlphaBaseWnd::AlphaBaseWndProc) != 0) {
        QLOG(L"Failed to create AlphaNotifierBaseWnd window class");
        return false;
    }
    CreateWindowExW(exStyle, kAlphaClassName, L"", WS_POPUP, 0, 0, 1, 1, owner, nullptr,
                    CResModule::GetInstance(), this);
    if (!m_hwnd) {
        QLOG(L"Failed to create AlphaNotifierBaseWnd window");
        return false;
    }
    return true;
}

// The handle is taken at creation and dropped when the window goes, also
// with its owner, so the next show or update makes a new one.
LRESULT CALLBACK CAlphaBaseWnd::AlphaBaseWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCCREATE: {
        auto* const self = static_cast<CAlphaBaseWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self)
            self->m_hwnd = hwnd;
        break;
    }
    case WM_NCDESTROY: {
        auto* const self = reinterpret_cast<CAlphaBaseWnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && self->m_hwnd == hwnd)
            self->m_hwnd = nullptr;
        break;
    }
    case WM_NCHITTEST:
        return HTCAPTION;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void CAlphaBaseWnd::UpdateLayered(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, BYTE alpha)
{
    if (!m_hwnd)
        return;
    if (!IsWindowVisible(m_hwnd) || alpha == 0)
        SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0, kShowHideFlags | (alpha ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    if (!bitmap)
        return;
    CMemoryDC memory(dc);
    if (!memory.Select(bitmap))
        return;
    POINT position = {x, y};
    SIZE size = {width, height};
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    UpdateLayeredWindow(m_hwnd, dc, &position, &size, memory.Get(), &source, 0, &blend, ULW_ALPHA);
}

// ---- TGA images ----

bool DecodeTga(const BYTE* data, size_t held, STgaImage& image)
{
    if (!data || held < kTgaHeaderBytes)
        return false;
    if (data[0] != 0 || data[1] != 0 || data[2] != 2 || data[16] != 32 || data[17] != 8)
        return false;
    const int width = data[12] | (data[13] << 8);
    const int height = data[14] | (data[15] << 8);
    if (width == 0 || height == 0)
        return false;
    // 64 bits: 32768 x 32768 x 4 wraps to 0 in 32.
    const uint64_t pixelBytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4;
    const uint64_t available = std::min<uint64_t>(held, kTgaBufferBytes);
    if (kTgaHeaderBytes + pixelBytes > available)
        return false;
    std::vector<BYTE> pixels(data + kTgaHeaderBytes, data + kTgaHeaderBytes + pixelBytes);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        const unsigned alpha = pixels[i + 3];
        for (size_t channel = 0; channel < 3; ++channel)
            pixels[i + channel] = static_cast<BYTE>(pixels[i + channel] * alpha / 255);
    }
    image.width = width;
    image.height = height;
    image.pixels.swap(pixels);
    return true;
}

// ---- CAlphaNotifierWnd ----

bool CAlphaNotifierWnd::LoadImages(LPCWSTR name0, LPCWSTR name1, LPCWSTR name2, LPCWSTR name3)
{
    for (int slot = 0; slot < kSlots; ++slot) {
        m_images[slot].Reset();
        m_imageRects[slot] = RECT{};
    }
    const LPCWSTR names[kSlots] = {name0, name1, name2, name3};
    for (int slot = 0; slot < kSlots; ++slot)
        if (!LoadImage(slot, names[slot]))
            return false;
    return true;
}

bool CAlphaNotifierWnd::LoadImage(int slot, LPCWSTR name)
{
    std::vector<BYTE> buffer(kTgaBufferBytes);
    const DWORD size = CResModule::LoadRawResource(name, buffer.data(), kTgaBufferBytes,
                                                   MAKEINTRESOURCEW(RT_QUILLET_TGA));
    if (size == 0xFFFFFFFF)
        return false;
    STgaImage image;
    if (!DecodeTga(buffer.data(), std::min<DWORD>(size, kTgaBufferBytes), image))
        return false;
    void* bits = nullptr;
    CBitmapHandle bitmap(CreateDib32(image.width, image.height, &bits));
    if (!bitmap)
        return false;
    std::memcpy(bits, image.pixels.data(), image.pixels.size());
    m_images[slot].Reset(bitmap.Release());
    m_imageRects[slot] = RECT{0, 0, image.width, image.height};
    return true;
}

bool CAlphaNotifierWnd::HasImage(int slot) const
{
    return slot >= 0 && slot < kSlots && m_images[slot];
}

SIZE CAlphaNotifierWnd::ImageSize(int slot) const
{
    if (!HasImage(slot))
        return SIZE{0, 0};
    return SIZE{m_imageRects[slot].right, m_imageRects[slot].bottom};
}

void CAlphaNotifierWnd::ShowImage(int x, int y, BYTE alpha, int slot)
{
    if (alpha == 0) {
        // Hiding needs no image: the frame hides its guide this way.
        if (GetHwnd())
            UpdateLayered(nullptr, x, y, 0, 0, nullptr, 0);
        return;
    }
    if (!HasImage(slot) || !Create(nullptr))
        return;
    const SIZE size = ImageSize(slot);
    {
        const CWindowDC dc(GetHwnd(), false);
        UpdateLayered(dc.Get(), x, y, size.cx, size.cy, m_images[slot].Get(), alpha);
    }
    SetWindowPos(GetHwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---- The shadow fill ----

void SetPixelInRect(const SPixelBuffer& buffer, int x, int y, BYTE a, const RECT& clip)
{
    // The buffer too: a strip narrower than its spots clips left of 0.
    if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom)
        return;
    if (x < 0 || x >= buffer.width || y < 0 || y >= buffer.height)
        return;
    PutPixel(buffer, x, y, a);
}

void DrawSoftSpot(const SPixelBuffer& buffer, int centreX, int centreY, int radius, const RECT& clip)
{
    if (radius <= 0)
        return;
    const float r = static_cast<float>(radius);
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const float distance = std::sqrt(static_cast<float>(dx * dx + dy * dy));
            if (distance >= r)
                continue;
            const int value = static_cast<int>(256.0f * (r - distance) / r);
            SetPixelInRect(buffer, centreX + dx, centreY + dy, static_cast<BYTE>(std::min(value, 255)), clip);
        }
    }
}

void FillEdgeShadow(const SPixelBuffer& buffer, int thickness1, int thickness2, int width, int height,
                    int horizontal, int vertical)
{
    if (vertical == 0)
        FillSideShadow(buffer, width, height, horizontal);
    else
        FillStripShadow(buffer, thickness1, std::max(thickness1, thickness2), width, height, vertical);
}

HBITMAP CreateEdgeShadowBitmap(int thickness1, int thickness2, int width, int height, int horizontal,
                               int vertical)
{
    const int radius = std::max(thickness1, thickness2);
    const int bitmapWidth = std::max(width, radius);
    const int bitmapHeight = std::max(height, radius);
    if (bitmapWidth <= 0 || bitmapHeight <= 0)
        return nullptr;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDib32(bitmapWidth, bitmapHeight, &bits);
    if (!bitmap)
        return nullptr;
    // A new DIB section is zero-filled already.
    FillEdgeShadow(SPixelBuffer{static_cast<BYTE*>(bits), bitmapWidth, bitmapHeight}, thickness1, thickness2,
                   width, height, horizontal, vertical);
    return bitmap;
}

// ---- Edge geometry ----

SEdgeThickness EdgeThicknessAt(int pixelsPerInch)
{
    const int onePoint = MulDiv(1, pixelsPerInch, 72);
    return SEdgeThickness{onePoint > 1 ? onePoint : 2, MulDiv(2, pixelsPerInch, 72), MulDiv(5, pixelsPerInch, 72)};
}

std::array<SEdgePlacement, kEdgeCount> PlaceEdges(const RECT& window, const SEdgeThickness& thickness)
{
    const int s = thickness.side;
    const int t = thickness.top;
    const int u = thickness.bottom;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    std::array<SEdgePlacement, kEdgeCount> edges = {};
    edges[kEdgeTop] = {s, t, window.left - s, window.top - t, width + 2 * s, t};
    edges[kEdgeLeft] = {s, s, window.left - s, window.top, s, height};
    edges[kEdgeBottom] = {s, u, window.left - s, window.bottom, width + 2 * s, u};
    edges[kEdgeRight] = {s, s, window.right, window.top, s, height};
    return edges;
}

// ---- CAlphaEdgeWnd ----

void CAlphaEdgeWnd::DestroyWindow()
{
    CAlphaBaseWnd::DestroyWindow();
    m_bitmap.Reset();
    m_bitmapRect = RECT{};
}

bool CAlphaEdgeWnd::Update(HWND owner, bool force, int thickness1, int thickness2, int x, int y, int width,
                           int height, BYTE alpha)
{
    // The strip shares its note's level: a topmost strip beside a note covered
    // by another program would show over that program. Placed beside its
    // owner, an owned window keeps the level of its neighbour, so a strip
    // whose note changed level is made anew.
    const bool ownerTopmost = IsTopmost(owner);
    if (GetHwnd() && IsTopmost(GetHwnd()) != ownerTopmost)
        DestroyWindow();
    if (!Create(owner, ownerTopmost ? kExStyle : kExStyle & ~WS_EX_TOPMOST))
        return false;
    // A shadow that could not be made is tried again at the next update.
    if (!m_bitmap || width != m_bitmapRect.right || height != m_bitmapRect.bottom) {
        m_bitmap.Reset(CreateEdgeShadowBitmap(thickness1, thickness2, width, height, m_horizontal, m_vertical));
        m_bitmapRect = m_bitmap ? RECT{0, 0, width, height} : RECT{};
    }
    RECT current = {};
    GetWindowRect(GetHwnd(), &current);
    const RECT wanted = {x, y, x + width, y + height};
    if (force || alpha != m_lastAlpha || !EqualRect(&current, &wanted)) {
        const CWindowDC dc(GetHwnd(), false);
        UpdateLayered(dc.Get(), x, y, width, height, m_bitmap.Get(), alpha);
    }
    // An owned window cannot go below its owner: this puts it right above.
    SetWindowPos(GetHwnd(), owner, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_lastAlpha = alpha;
    return true;
}

// ---- CAlphaEdgeFrame ----

CAlphaEdgeFrame::CAlphaEdgeFrame() : m_edges{{{0, -1}, {1, 0}, {0, 1}, {-1, 0}}}
{
}

bool CAlphaEdgeFrame::Update(HWND window, bool force)
{
    if (!window || !IsWindow(window))
        return false;
    RECT rect = {};
    GetWindowRect(window, &rect);
    // 72 points are the window's resolution in pixels.
    const auto edges = PlaceEdges(rect, EdgeThicknessAt(PointsToPixels(72, window)));
    bool updated = true;
    for (int i = 0; i < kEdgeCount; ++i) {
        const SEdgePlacement& e = edges[i];
        if (!m_edges[i].Update(window, force, e.thickness1, e.thickness2, e.x, e.y, e.width, e.height, m_alpha))
            updated = false;
    }
    return updated;
}

void CAlphaEdgeFrame::DestroyWindows()
{
    for (const EEdge edge : {kEdgeTop, kEdgeBottom, kEdgeLeft, kEdgeRight})
        m_edges[edge].DestroyWindow();
}
