// Keeps a resizable dialog's controls in place as it grows: each rule moves a
// control with the right or bottom edge, or grows it with them. The dialog
// never becomes smaller than it was when the resizer started (its template
// size), and a size gripper sits in its bottom-right corner.
#pragma once

#include <windows.h>

#include <vector>

// ResizeRule flags.
constexpr UINT kResizeMoveX = 1;
constexpr UINT kResizeMoveY = 2;
constexpr UINT kResizeSizeX = 4;
constexpr UINT kResizeSizeY = 8;

struct ResizeRule {
    int controlId;
    UINT flags;
};

class CDialogResizer {
public:
    // Takes the dialog's present layout as the base of every rule.
    void Init(HWND dialog, const std::vector<ResizeRule>& rules, bool gripper = true);

    // For the dialog's map; neither answers its message for the dialog.
    void OnSize(UINT type, int cx, int cy);
    void OnGetMinMaxInfo(MINMAXINFO* info) const;

private:
    struct Placed {
        HWND control;
        UINT flags;
        RECT rect;  // client coordinates at Init
    };

    HWND m_dialog = nullptr;
    SIZE m_client = {};
    SIZE m_minimum = {};
    std::vector<Placed> m_controls;
};
