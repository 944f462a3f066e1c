// Alpha-blended windows: small layered pop-ups that show a 32-bit picture with
// per-pixel alpha over the desktop, never take the focus and let the mouse
// pass through. The image window shows the picker's corner marks and the note
// frame's docking guides; four edge windows make a note's soft shadow. Each
// runs on the thread that creates it.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <vector>

#include "framework/GdiObject.h"

// The client or whole-window device context of a window, released on it.
class CWindowDC {
public:
    CWindowDC(HWND window, bool wholeWindow);
    ~CWindowDC();
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;

    HDC Get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// A memory device context compatible with another; what was selected into it
// goes back before it is deleted, so the caller's bitmaps stay deletable.
class CMemoryDC {
public:
    explicit CMemoryDC(HDC compatible);
    ~CMemoryDC();
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    HDC Get() const { return m_dc; }
    bool Select(HGDIOBJ object);

private:
    HDC m_dc;
    HGDIOBJ m_original = nullptr;
};

// The state of a device context, saved for the life of the object: what was
// selected into it goes back before the objects are deleted.
class CSavedDC {
public:
    explicit CSavedDC(HDC dc) : m_dc(dc), m_saved(SaveDC(dc)) {}
    ~CSavedDC()
    {
        if (m_saved)
            RestoreDC(m_dc, m_saved);
    }
    CSavedDC(const CSavedDC&) = delete;
    CSavedDC& operator=(const CSavedDC&) = delete;

private:
    HDC m_dc;
    int m_saved;
};

using CBitmapHandle = CGdiObject<HBITMAP>;

// The header of a 32-bit BI_RGB bitmap, bottom-up.
BITMAPINFO Dib32Info(int width, int height);
// A 32-bit BI_RGB DIB section, bottom-up; its pixels through bits.
HBITMAP CreateDib32(int width, int height, void** bits);

// A window's layered attributes as read before an animation: alpha 255, key
// and flags 0 when it is not layered or they cannot be read (a window drawn
// through UpdateLayeredWindow has none).
struct SLayeredState {
    COLORREF colorKey;
    BYTE alpha;
    DWORD flags;
};
SLayeredState ReadLayeredState(HWND window);
// Puts a window's layered state back after an animation: at alpha 255 it is
// no longer layered; any other alpha goes back with the key and the flags
// (LWA_ALPHA when there were none).
void RestoreLayeredState(HWND window, const SLayeredState& state);

// Adds and removes extended styles. False only for a real failure: a window
// whose previous extended style was 0 also gets 0 back.
bool ChangeExStyle(HWND window, DWORD add, DWORD remove);

// The base of every alpha window: the class "AlphaBaseWnd" and one window.
class CAlphaBaseWnd {
public:
    CAlphaBaseWnd() = default;
    virtual ~CAlphaBaseWnd();
    CAlphaBaseWnd(const CAlphaBaseWnd&) = delete;
    CAlphaBaseWnd& operator=(const CAlphaBaseWnd&) = delete;

    // Destroys the window, if any, and clears the handle.
    virtual void DestroyWindow();

    static constexpr DWORD kExStyle =
        WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_TOPMOST;

    // Registers the class and creates the window when there is none (again
    // after the window went with its owner); whether the window exists.
    bool Create(HWND owner) { return Create(owner, kExStyle); }
    // Shows the bitmap at a screen position with the constant alpha on top of
    // its per-pixel alpha; alpha 0 hides the window.
    void UpdateLayered(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, BYTE alpha);

    HWND GetHwnd() const { return m_hwnd; }

protected:
    bool Create(HWND owner, DWORD exStyle);

private:
    static LRESULT CALLBACK AlphaBaseWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
};

// TGA pictures as the image resources hold them (type RT_QUILLET_TGA, by
// name): uncompressed true colour, 32 bits, 8 alpha bits, rows from the bottom.
constexpr DWORD kTgaBufferBytes = 50000;   // a resource is read cut at this size
constexpr size_t kTgaHeaderBytes = 18;

// Pixels B, G, R, A with the colours premultiplied by alpha, rows from the
// bottom: a DIB section takes them as they are.
struct STgaImage {
    int width = 0;
    int height = 0;
    std::vector<BYTE> pixels;
};

// False, with the image untouched, for a header not as required, an empty
// size or more pixels than the bytes held (counted in 64 bits, at most the
// 50,000 a resource is cut to).
bool DecodeTga(const BYTE* data, size_t held, STgaImage& image);

// Shows one of four images from the program's resources.
class CAlphaNotifierWnd : public CAlphaBaseWnd {
public:
    static constexpr int kSlots = 4;

    // Loads the named TGA resources into slots 0-3 in order, stopping at the
    // first that is missing or malformed; true when all four loaded. The
    // slots loaded before a failure stay usable.
    bool LoadImages(LPCWSTR name0, LPCWSTR name1, LPCWSTR name2, LPCWSTR name3);
    // Shows slot 0-3 with its top-left corner at the screen point and stays
    // topmost; alpha 0 hides the window whatever the slot. Other or empty
    // slots do nothing.
    void ShowImage(int x, int y, BYTE alpha, int slot);

    bool HasImage(int slot) const;
    SIZE ImageSize(int slot) const;

private:
    bool LoadImage(int slot, LPCWSTR name);

    std::array<CBitmapHandle, kSlots> m_images;
    std::array<RECT, kSlots> m_imageRects = {};
};

// A caller's 32-bit pixel buffer, rows from the bottom.
struct SPixelBuffer {
    BYTE* bits;
    int width;
    int height;
};

// Writes black with alpha a / 3 at (x, y), counted from the bottom-left, only
// inside both the clip and the buffer.
void SetPixelInRect(const SPixelBuffer& buffer, int x, int y, BYTE a, const RECT& clip);
// Every point closer than radius to the centre gets 256 (radius - d) / radius.
void DrawSoftSpot(const SPixelBuffer& buffer, int centreX, int centreY, int radius, const RECT& clip);
// The shadow of one edge of width x height: directions horizontal (1 grows
// towards the right, -1 towards the left) and vertical (1 a strip below the
// window, -1 above). The buffer holds max(width, r) x max(height, r) pixels,
// r = max(thickness1, thickness2), zero-filled.
void FillEdgeShadow(const SPixelBuffer& buffer, int thickness1, int thickness2, int width, int height,
                    int horizontal, int vertical);
// A DIB section with that shadow; null when none can be made.
HBITMAP CreateEdgeShadowBitmap(int thickness1, int thickness2, int width, int height, int horizontal,
                               int vertical);

// Shadow thicknesses: 1, 2 and 5 points at the resolution (top at least 2).
struct SEdgeThickness {
    int top;
    int side;
    int bottom;
};
SEdgeThickness EdgeThicknessAt(int pixelsPerInch);

// Where one edge goes: its two thicknesses and its screen rectangle.
struct SEdgePlacement {
    int thickness1;
    int thickness2;
    int x;
    int y;
    int width;
    int height;
};

// The frame's edges, in its order.
enum EEdge { kEdgeTop, kEdgeLeft, kEdgeBottom, kEdgeRight, kEdgeCount };
std::array<SEdgePlacement, kEdgeCount> PlaceEdges(const RECT& window, const SEdgeThickness& thickness);

// One soft shadow strip beside a window.
class CAlphaEdgeWnd : public CAlphaBaseWnd {
public:
    CAlphaEdgeWnd(int horizontal, int vertical) : m_horizontal(horizontal), m_vertical(vertical) {}

    // Also deletes the shadow bitmap.
    void DestroyWindow() override;
    // Paints the shadow at the rectangle when it moved, the alpha changed or
    // force is set, and puts the strip next to the owner in z-order, topmost
    // only beside a topmost owner.
    // False when the window cannot be created.
    bool Update(HWND owner, bool force, int thickness1, int thickness2, int x, int y, int width, int height,
                BYTE alpha);

private:
    const int m_horizontal;
    const int m_vertical;
    CBitmapHandle m_bitmap;
    RECT m_bitmapRect = {};
    BYTE m_lastAlpha = 0;
};

// The four shadow strips around a note window, sharing one alpha.
class CAlphaEdgeFrame {
public:
    CAlphaEdgeFrame();

    void SetAlpha(BYTE alpha) { m_alpha = alpha; }
    BYTE GetAlpha() const { return m_alpha; }
    // Places the strips around the window; false for a null or destroyed
    // window, which changes nothing.
    bool Update(HWND window, bool force);
    void DestroyWindows();

    HWND EdgeWindow(EEdge edge) const { return m_edges[edge].GetHwnd(); }

private:
    std::array<CAlphaEdgeWnd, kEdgeCount> m_edges;
    BYTE m_alpha = 0;
};
