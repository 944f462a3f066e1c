#include "Screenshot.h"

#include <vector>

#include "framework/GdiObject.h"
#include "framework/KernelHandle.h"

namespace {

class CScreenDC {
public:
    CScreenDC() : m_dc(GetDC(nullptr)) {}
    ~CScreenDC() { ReleaseDC(nullptr, m_dc); }
    CScreenDC(const CScreenDC&) = delete;
    CScreenDC& operator=(const CScreenDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

// A memory DC holding the bitmap for its span; the bitmap is free again after.
class CBitmapDC {
public:
    CBitmapDC(HDC compatible, HBITMAP bitmap) : m_dc(CreateCompatibleDC(compatible)), m_old(SelectObject(m_dc, bitmap)) {}
    ~CBitmapDC()
    {
        SelectObject(m_dc, m_old);
        DeleteDC(m_dc);
    }
    CBitmapDC(const CBitmapDC&) = delete;
    CBitmapDC& operator=(const CBitmapDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

} // namespace

COLORREF SaveScreenshot(const wchar_t* path, POINT probe)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const CScreenDC screen;
    const CGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    COLORREF probed = CLR_INVALID;
    {
        const CBitmapDC memory(screen.Get(), bitmap.Get());
        if (!BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), 0, 0, SRCCOPY))
            return CLR_INVALID;
        probed = GetPixel(memory.Get(), probe.x, probe.y);
    }

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    info.biSizeImage = stride * height;
    std::vector<BYTE> pixels(info.biSizeImage);
    GetDIBits(screen.Get(), bitmap.Get(), 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    const CKernelHandle out(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(out.Get(), &file, sizeof file, &written, nullptr);
    WriteFile(out.Get(), &info, sizeof info, &written, nullptr);
    WriteFile(out.Get(), pixels.data(), info.biSizeImage, &written, nullptr);
    return probed;
}

COLORREF ScreenPixel(POINT point)
{
    const CScreenDC screen;
    return GetPixel(screen.Get(), point.x, point.y);
}
