#include "SysFuncs.h"

#include "ResModule.h"

namespace {

FARPROC RealFindSystemFunction(const wchar_t* library, const char* function)
{
    const HMODULE module = LoadLibraryW(library);
    if (reinterpret_cast<ULONG_PTR>(module) <= 32)
        return nullptr;
    return GetProcAddress(module, function);
}

}  // namespace

SSystemLookupSeam g_systemLookupSeam = {&RealFindSystemFunction};

FARPROC FindSystemFunction(const wchar_t* library, const char* function)
{
    return g_systemLookupSeam.find(library, function);
}

BOOL MyGetPhysicalCursorPos(POINT* point)
{
    using Fn = BOOL(WINAPI*)(POINT*);
    const Fn getPhysicalCursorPos = FindSystemFunctionAs<Fn>(L"User32.dll", "GetPhysicalCursorPos");
    return getPhysicalCursorPos ? getPhysicalCursorPos(point) : GetCursorPos(point);
}

HWND MyWindowFromPhysicalPoint(POINT point)
{
    using Fn = HWND(WINAPI*)(POINT);
    const Fn windowFromPhysicalPoint = FindSystemFunctionAs<Fn>(L"User32.dll", "WindowFromPhysicalPoint");
    return windowFromPhysicalPoint ? windowFromPhysicalPoint(point) : WindowFromPoint(point);
}

HICON MyLoadIconWithScaleDown(const wchar_t* name, int width, int height)
{
    using Fn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    const Fn loadIconWithScaleDown = FindSystemFunctionAs<Fn>(L"Comctl32.dll", "LoadIconWithScaleDown");
    HICON icon = nullptr;
    if (loadIconWithScaleDown && SUCCEEDED(loadIconWithScaleDown(CResModule::GetInstance(), name, width, height, &icon)) && icon)
        return icon;
    return static_cast<HICON>(LoadImageW(CResModule::GetInstance(), name, IMAGE_ICON, width, height, LR_VGACOLOR));
}

int PointsToPixels(int points, HWND window)
{
    const HDC dc = GetDC(window);
    const int pixelsPerInch = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ReleaseDC(window, dc);
    return MulDiv(points, pixelsPerInch, 72);
}
