// The window picker: the user points at another program's window with the
// mouse to attach a note to it. While its owner's window holds the mouse, the
// picker inverts the frame of the window under the cursor, reports its handle,
// title and class, and shows a fading corner mark in the quarter of that
// window nearest to the cursor. The owner feeds it the messages of its
// capturing window. UI thread only.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "toolkit/AlphaNotifierWnd.h"

// Corners in the order of the images: top-left, top-right, bottom-left,
// bottom-right; kNoCorner when the cursor is outside or too far from any.
constexpr int kNoCorner = -1;

// Where the corner mark goes for a cursor over a window's visible rectangle.
struct SPickCorner {
    int corner;   // 0-3 or kNoCorner
    int zone;     // corner + 1: 0 when there is no corner
    BYTE alpha;   // 255 near the corner, fading to 63 at 256 pixels
    POINT image;  // top-left of the corner's image, 8 pixels inside the corner
};
SPickCorner LocatePickCorner(const RECT& frame, POINT cursor, const std::array<SIZE, 4>& imageSizes);

// The window a pick means: the window itself when it is a sizable top-level
// frame with both boxes, else the first such parent, else the last parent.
HWND GetPickableFrameWindow(HWND window);

// Inverts a thick band along the window's outer edge; a second call restores it.
void InvertWindowFrame(HWND window);

class CWindowPicker {
public:
    CWindowPicker() = default;
    CWindowPicker(const CWindowPicker&) = delete;
    CWindowPicker& operator=(const CWindowPicker&) = delete;

    // Forgets the last pick: no target, zone -1. The owner's thread's own
    // windows cannot be picked.
    void Reset(HWND owner);
    // Captures the mouse on the window and shows the picker cursor.
    void BeginPick(HWND capturingWindow);
    // Ends a pick: releases the mouse (when the capturing window still holds
    // it), restores the frame and the cursor and hides the mark. The target
    // and zone stay for the owner. Does nothing when no pick runs.
    void EndPick();
    // Every message of the capturing window; always 0.
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    bool IsPicking() const { return m_picking; }
    // Whether the last pick ended with Esc, which owners take as a cancel.
    bool EndedByEscape() const { return m_endedByEscape; }

    HWND GetTarget() const { return m_target; }
    // -1 while nothing was pointed at, else the corner + 1 (0 outside).
    int GetZone() const { return m_zone; }
    const std::wstring& GetTitle() const { return m_title; }
    const std::wstring& GetHandleText() const { return m_handleText; }
    const std::wstring& GetPositionText() const { return m_positionText; }
    const std::wstring& GetClassText() const { return m_classText; }
    void SetTitle(const wchar_t* title) { m_title = title ? title : L""; }

    HWND GetIndicatorWindow() const { return m_indicator.GetHwnd(); }

private:
    void OnMouseMove(POINT point);
    void LoadResources();
    void UninvertFrame();
    void HideIndicator();
    void ReadTargetTexts(HWND frame);
    void ShowCorner(HWND frame, POINT cursor);

    HWND m_owner = nullptr;
    bool m_picking = false;
    bool m_endedByEscape = false;
    HCURSOR m_pickerCursor = nullptr;  // a shared resource cursor: never destroyed
    HCURSOR m_previousCursor = nullptr;
    std::wstring m_title;
    std::wstring m_handleText;
    std::wstring m_positionText;
    std::wstring m_classText;
    CAlphaNotifierWnd m_indicator;
    int m_zone = -1;
    HWND m_invertedWindow = nullptr;
    HWND m_target = nullptr;
    HWND m_capturingWindow = nullptr;
};
