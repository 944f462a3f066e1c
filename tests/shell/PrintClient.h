// What a window paints into a DIB through WM_PRINTCLIENT, as colours row by
// row: pixels read without a screen.
#pragma once

#include <windows.h>

#include <vector>

inline std::vector<COLORREF> PrintClientPixels(HWND window, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    std::vector<COLORREF> pixels;
    if (dib) {
        const HGDIOBJ old = SelectObject(dc, dib);
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
        GdiFlush();
        const BYTE* p = static_cast<const BYTE*>(bits);
        for (int i = 0; i < width * height; ++i)
            pixels.push_back(RGB(p[4 * i + 2], p[4 * i + 1], p[4 * i]));
        SelectObject(dc, old);
        DeleteObject(dib);
    }
    if (dc)
        DeleteDC(dc);
    pixels.resize(static_cast<size_t>(width) * height);
    return pixels;
}
