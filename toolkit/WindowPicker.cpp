// The window picker and its corner mark.
#include "WindowPicker.h"

#include <windowsx.h>

#include <cmath>

#include "foundation/ResModule.h"
#include "foundation/StdStr.h"
#include "foundation/SysFuncs.h"
#include "foundation/WinPlacement.h"
#include "framework/GdiObject.h"
#include "resources/resource.h"

namespace {

constexpr int kImageInset = 8;        // the mark keeps this gap inside its corner
constexpr double kOpaqueDistance = 64;
constexpr double kFarthestDistance = 256;
constexpr int kFadeBase = 319;        // alpha 319 - d: 255 at 64 pixels, 63 at 256
constexpr DWORD kFrameBoxes = WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr int kTextChars = 256;

bool IsPickableFrame(HWND window)
{
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    return (style & kFrameBoxes) == kFrameBoxes && !(style & WS_CHILD);
}

}  // namespace

SPickCorner LocatePickCorner(const RECT& frame, POINT cursor, const std::array<SIZE, 4>& imageSizes)
{
    const SPickCorner none = {kNoCorner, 0, 0, {0, 0}};
    if (!PtInRect(&frame, cursor))
        return none;
    const bool right = cursor.x > frame.left + (frame.right - frame.left) / 2;
    const bool bottom = cursor.y > frame.top + (frame.bottom - frame.top) / 2;
    const double dx = right ? frame.right - cursor.x : cursor.x - frame.left;
    const double dy = bottom ? frame.bottom - cursor.y : cursor.y - frame.top;
    const double distance = std::sqrt(dx * dx + dy * dy);
    if (distance > kFarthestDistance)
        return none;
    SPickCorner located = {};
    located.corner = (right ? 1 : 0) + (bottom ? 2 : 0);
    located.zone = located.corner + 1;
    located.alpha = distance < kOpaqueDistance ? 255 : static_cast<BYTE>(kFadeBase - distance);
    const SIZE image = imageSizes[located.corner];
    located.image.x = right ? frame.right - image.cx - kImageInset : frame.left + kImageInset;
    located.image.y = bottom ? frame.bottom - image.cy - kImageInset : frame.top + kImageInset;
    return located;
}

HWND GetPickableFrameWindow(HWND window)
{
    while (!IsPickableFrame(window)) {
        const HWND parent = GetParent(window);
        if (!IsWindow(parent))
            break;
        window = parent;
    }
    return window;
}

void InvertWindowFrame(HWND window)
{
    RECT rect = {};
    if (!IsWindow(window) || !GetWindowRect(window, &rect))
        return;
    const CGdiObject<HPEN> pen(CreatePen(PS_INSIDEFRAME, 8 * GetSystemMetrics(SM_CXBORDER), RGB(0, 0, 0)));
    const CWindowDC dc(window, true);
    if (!dc.Get() || !pen)
        return;
    const CSavedDC saved(dc.Get());
    SetROP2(dc.Get(), R2_NOT);
    SelectObject(dc.Get(), pen.Get());
    SelectObject(dc.Get(), GetStockObject(NULL_BRUSH));
    Rectangle(dc.Get(), 0, 0, rect.right - rect.left, rect.bottom - rect.top);
}

void CWindowPicker::Reset(HWND owner)
{
    UninvertFrame();
    m_owner = owner;
    m_zone = -1;
    m_target = nullptr;
}

void CWindowPicker::BeginPick(HWND capturingWindow)
{
    EndPick();
    LoadResources();
    m_capturingWindow = capturingWindow;
    SetCapture(capturingWindow);
    m_zone = -1;
    m_endedByEscape = false;
    m_picking = true;
    // Without its cursor the pick keeps the current one rather than none.
    m_previousCursor = m_pickerCursor ? SetCursor(m_pickerCursor) : GetCursor();
}

void CWindowPicker::EndPick()
{
    if (!m_picking)
        return;
    // First: releasing the mouse sends WM_CAPTURECHANGED back through OnMessage.
    m_picking = false;
    if (GetCapture() == m_capturingWindow)
        ReleaseCapture();
    UninvertFrame();
    InvalidateRect(nullptr, nullptr, FALSE);
    HideIndicator();
    SetCursor(m_previousCursor);
}

LRESULT CWindowPicker::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_MOUSEMOVE:
        if (m_picking)
            OnMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        break;
    case WM_KEYDOWN:
        // Only a running pick: the owner feeds every key of its window.
        if (wParam == VK_ESCAPE && m_picking) {
            m_endedByEscape = true;
            EndPick();
        }
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        EndPick();
        break;
    }
    return 0;
}

void CWindowPicker::OnMouseMove(POINT point)
{
    CStdStr position;
    position.Format(L"X=%ld, Y=%ld", static_cast<long>(point.x), static_cast<long>(point.y));
    m_positionText = position;
    m_handleText.clear();
    m_classText.clear();

    POINT cursor = {};
    if (!MyGetPhysicalCursorPos(&cursor))
        return;
    const HWND under = MyWindowFromPhysicalPoint(cursor);
    if (!under)
        return;
    if (GetWindowThreadProcessId(under, nullptr) == GetWindowThreadProcessId(m_owner, nullptr)) {
        UninvertFrame();
        m_zone = -1;
        m_title.clear();
        // A mark left at the last window's corner would promise a pick.
        HideIndicator();
        return;
    }
    const HWND frame = GetPickableFrameWindow(under);
    if (frame != m_invertedWindow) {
        UninvertFrame();
        InvertWindowFrame(frame);
        m_invertedWindow = frame;
    }
    ReadTargetTexts(frame);
    ShowCorner(frame, cursor);
    m_target = frame;
}

void CWindowPicker::LoadResources()
{
    if (!m_indicator.HasImage(0))
        m_indicator.LoadImages(L"ATTACHTOPLEFT", L"ATTACHTOPRIGHT", L"ATTACHBOTTOMLEFT", L"ATTACHBOTTOMRIGHT");
    if (!m_pickerCursor)
        m_pickerCursor = CResModule::LoadCursor(MAKEINTRESOURCEW(IDC_PICKER));
}

void CWindowPicker::UninvertFrame()
{
    // A window destroyed since it was inverted needs nothing, and a null
    // handle would draw on the whole screen.
    if (m_invertedWindow && IsWindow(m_invertedWindow))
        InvertWindowFrame(m_invertedWindow);
    m_invertedWindow = nullptr;
}

void CWindowPicker::HideIndicator()
{
    m_indicator.ShowImage(0, 0, 0, 0);
}

void CWindowPicker::ReadTargetTexts(HWND frame)
{
    CStdStr handle;
    handle.Format(L"0x%08X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(frame)));
    m_handleText = handle;
    wchar_t buffer[kTextChars] = {};
    // An empty title is a title; only a failed call keeps the last one.
    SetLastError(ERROR_SUCCESS);
    const int titleLength = GetWindowTextW(frame, buffer, kTextChars);
    if (titleLength > 0 || GetLastError() == ERROR_SUCCESS)
        m_title.assign(buffer, titleLength);
    const int classLength = GetClassNameW(frame, buffer, kTextChars);
    if (classLength > 0)
        m_classText.assign(buffer, classLength);
}

void CWindowPicker::ShowCorner(HWND frame, POINT cursor)
{
    // A window gone since it was found has an empty rectangle: no corner.
    RECT visible = {};
    GetVisibleWindowRect(frame, visible);
    std::array<SIZE, 4> sizes = {};
    for (int slot = 0; slot < CAlphaNotifierWnd::kSlots; ++slot)
        sizes[slot] = m_indicator.ImageSize(slot);
    const SPickCorner located = LocatePickCorner(visible, cursor, sizes);
    if (located.corner == kNoCorner)
        HideIndicator();
    else
        m_indicator.ShowImage(located.image.x, located.image.y, located.alpha, located.corner);
    m_zone = located.zone;
}
