// The toolbar window. Its buttons, drawing and tips are not part of this
// build yet: it is a bare child that passes its owner's messages on and
// keeps its place on the bar.
#include "toolbar.h"

#include <memory>

#include "MainCommands.h"
#include "foundation/WinPlacement.h"

namespace {

constexpr wchar_t kToolbarClass[] = L"QUILLT_Toolbar";
constexpr wchar_t kTooltipClass[] = L"QUILLT Tooltips";
constexpr COLORREF kTooltipBackground = 0x70FFFF;

// One block per toolbar window, in its extra bytes.
struct SToolbarState {
    HWND owner = nullptr;
};

SToolbarState* StateOf(HWND window)
{
    return reinterpret_cast<SToolbarState*>(GetWindowLongPtrW(window, 0));
}

LRESULT OnCreate(HWND window, const CREATESTRUCTW* create)
{
    auto state = std::make_unique<SToolbarState>();
    state->owner = static_cast<HWND>(create->lpCreateParams);
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(state.release()));
    return 0;
}

void OnNcDestroy(HWND window)
{
    std::unique_ptr<SToolbarState> state(StateOf(window));
    SetWindowLongPtrW(window, 0, 0);
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

LRESULT CALLBACK ToolbarWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: return OnCreate(window, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_NCDESTROY: OnNcDestroy(window); break;
    case WM_SIZE: FitToOwner(window); return 0;
    }
    if (IsForwarded(message))
        if (const SToolbarState* state = StateOf(window))
            return SendMessageW(state->owner, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterOnce(const WNDCLASSW& windowClass)
{
    WNDCLASSW existing = {};
    if (GetClassInfoW(windowClass.hInstance, windowClass.lpszClassName, &existing))
        return true;
    return RegisterClassW(&windowClass) != 0;
}

}  // namespace

bool RegisterToolbarClasses(HINSTANCE instance)
{
    WNDCLASSW toolbar = {};
    toolbar.style = CS_DBLCLKS;
    toolbar.lpfnWndProc = &ToolbarWndProc;
    toolbar.cbWndExtra = sizeof(SToolbarState*);
    toolbar.hInstance = instance;
    toolbar.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    toolbar.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    toolbar.lpszClassName = kToolbarClass;

    WNDCLASSW tips = {};
    tips.style = CS_HREDRAW | CS_VREDRAW | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
    tips.lpfnWndProc = &DefWindowProcW;
    tips.hInstance = instance;
    tips.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    tips.lpszClassName = kTooltipClass;
    WNDCLASSW existingTips = {};
    if (!GetClassInfoW(instance, kTooltipClass, &existingTips)) {
        // The class owns its brush for the life of the process.
        tips.hbrBackground = CreateSolidBrush(kTooltipBackground);
        if (!RegisterClassW(&tips)) {
            DeleteObject(tips.hbrBackground);
            return false;
        }
    }
    return RegisterOnce(toolbar);
}

HWND CreateToolbar(HWND mainWindow, HINSTANCE instance)
{
    if (!RegisterToolbarClasses(instance))
        return nullptr;
    return CreateWindowExW(0, kToolbarClass, nullptr, WS_CHILD, 0, 0, 10, 10, mainWindow,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolbarControlId)), instance, mainWindow);
}
