// The window-event helper program (see WindowEventHelper.h). Arguments: the
// title, then optionally the frame's left, top, width and height.
#include "WindowEventHelper.h"

#include <shellapi.h>

#include <cwchar>

namespace {

HWND g_windows[3] = {};

void RaiseEvent(DWORD event, LPARAM which)
{
    if (which >= 0 && which < 3)
        NotifyWinEvent(event, g_windows[which], OBJID_WINDOW, CHILDID_SELF);
}

void ShowFrame(int command)
{
    ShowWindow(g_windows[eHelperFrame], command);
    if (command == SW_MINIMIZE || command == SW_SHOWMINIMIZED)
        RaiseEvent(EVENT_SYSTEM_MINIMIZESTART, eHelperFrame);
    else if (command == SW_RESTORE)
        RaiseEvent(EVENT_SYSTEM_MINIMIZEEND, eHelperFrame);
}

LRESULT CALLBACK FrameProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_HELPER_RAISE_EVENT: RaiseEvent(static_cast<DWORD>(wParam), lParam); return 0;
    case WM_HELPER_SHOW: ShowFrame(static_cast<int>(wParam)); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

void Register(const wchar_t* className, WNDPROC procedure)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = className;
    RegisterClassW(&wc);
}

HWND Open(DWORD exStyle, const wchar_t* className, const std::wstring& title, DWORD style, const RECT& rect)
{
    return CreateWindowExW(exStyle, className, title.c_str(), style | WS_VISIBLE, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    int count = 0;
    LPWSTR* const arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring title = count > 1 ? arguments[1] : L"Window event helper";
    RECT frame = {300, 200, 700, 500};
    if (count > 5)
        frame = {_wtoi(arguments[2]), _wtoi(arguments[3]), _wtoi(arguments[2]) + _wtoi(arguments[4]),
                 _wtoi(arguments[3]) + _wtoi(arguments[5])};
    LocalFree(arguments);

    Register(kHelperFrameClass, FrameProc);
    Register(kHelperDialogClass, DefWindowProcW);
    Register(kHelperToolClass, DefWindowProcW);
    g_windows[eHelperFrame] = Open(0, kHelperFrameClass, title, WS_OVERLAPPEDWINDOW, frame);
    g_windows[eHelperDialog] = Open(WS_EX_DLGMODALFRAME, kHelperDialogClass, title + L" dialog",
                                    WS_POPUP | WS_CAPTION | WS_SYSMENU, {40, 40, 240, 160});
    g_windows[eHelperTool] = Open(WS_EX_TOOLWINDOW, kHelperToolClass, title + L" tool",
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, {40, 200, 240, 320});
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}
