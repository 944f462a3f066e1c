// What the colour button tests share: the owner dialog of the buttons, and
// picks scripted from a thread timer, which the picker's loop dispatches.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <ostream>
#include <vector>

#include "tests/toolkit/ColorButtonTestIds.h"
#include "toolkit/ColorButton.h"
#include "toolkit/ColorPicker.h"

struct Notice {
    UINT code;
    COLORREF color;
    BOOL valid;
    bool operator==(const Notice& other) const
    {
        return code == other.code && color == other.color && valid == other.valid;
    }
};

inline void PrintTo(const Notice& notice, std::ostream* out)
{
    *out << "{0x" << std::hex << notice.code << ", 0x" << notice.color << ", " << std::dec << notice.valid << "}";
}

// The owner of the buttons: records what they tell it and reflects what it
// leaves unhandled back to them, as the program's dialogs do.
class CButtonDialog {
public:
    CButtonDialog()
    {
        m_window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_T_COLOR_BUTTONS), nullptr,
                                      &DialogProc, reinterpret_cast<LPARAM>(this));
        color.SubclassWindow(ColorHwnd());
        color.SetDefaultColor(kDefault);
        arrow.SubclassWindow(ArrowHwnd());
        ShowWindow(m_window, SW_SHOWNOACTIVATE);
    }
    ~CButtonDialog() { DestroyWindow(m_window); }
    CButtonDialog(const CButtonDialog&) = delete;
    CButtonDialog& operator=(const CButtonDialog&) = delete;

    HWND Get() const { return m_window; }
    HWND ColorHwnd() const { return GetDlgItem(m_window, IDC_T_COLOR); }
    HWND ArrowHwnd() const { return GetDlgItem(m_window, IDC_T_ARROW); }

    static constexpr COLORREF kDefault = RGB(10, 20, 30);
    CColorButton color;
    CArrowButton arrow;
    std::vector<Notice> notices;
    int arrowClicks = 0;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_INITDIALOG) {
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            return TRUE;
        }
        auto* const self = reinterpret_cast<CButtonDialog*>(GetWindowLongPtrW(window, DWLP_USER));
        if (!self)
            return FALSE;
        if (msg == WM_NOTIFY) {
            const auto* notice = reinterpret_cast<const NMCLRBUTTON*>(lParam);
            self->notices.push_back({ notice->hdr.code, notice->clr, notice->bValid });
            return TRUE;
        }
        if (msg == WM_COMMAND && LOWORD(wParam) == IDC_T_ARROW && HIWORD(wParam) == BN_CLICKED) {
            ++self->arrowClicks;
            return TRUE;
        }
        LRESULT result = 0;
        if (!ReflectToChild(window, msg, wParam, lParam, result))
            return FALSE;
        SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }

    HWND m_window = nullptr;
};

inline HWND FindPicker()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (wcscmp(name, kColorPickerClass) != 0 || !IsWindowVisible(window))
                return TRUE;
            *reinterpret_cast<HWND*>(context) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The centre of a cell in the open picker, from its client size: the two
// label rows share the height left by the grid.
inline POINT CellCentre(HWND picker, int cell)
{
    RECT client = {};
    GetClientRect(picker, &client);
    const int cyEdge = GetSystemMetrics(SM_CYEDGE);
    const int gridHeight = 5 * kPickerCellSize;
    const int rowHeight = (client.bottom - 2 * cyEdge - gridHeight) / 2;
    if (cell == kAutomaticCell)
        return { client.right / 2, cyEdge + rowHeight / 2 };
    if (cell == kCustomCell)
        return { client.right / 2, cyEdge + rowHeight + gridHeight + rowHeight / 2 };
    const int gridLeft = (client.right - kPickerColumns * kPickerCellSize) / 2;
    return { gridLeft + (cell % kPickerColumns) * kPickerCellSize + kPickerCellSize / 2,
             cyEdge + rowHeight + (cell / kPickerColumns) * kPickerCellSize + kPickerCellSize / 2 };
}

using Action = std::function<void(HWND picker)>;

inline Action Mouse(UINT msg, int cell)
{
    return [msg, cell](HWND picker) {
        const POINT at = CellCentre(picker, cell);
        PostMessageW(picker, msg, 0, MAKELPARAM(at.x, at.y));
    };
}
inline Action Move(int cell) { return Mouse(WM_MOUSEMOVE, cell); }
inline Action Up(int cell) { return Mouse(WM_LBUTTONUP, cell); }
inline Action UpAt(short x, short y)
{
    return [x, y](HWND picker) { PostMessageW(picker, WM_LBUTTONUP, 0, MAKELPARAM(x, y)); };
}
inline Action Key(UINT key)
{
    return [key](HWND picker) { PostMessageW(picker, WM_KEYDOWN, key, 0); };
}
inline Action RightClick()
{
    return [](HWND picker) { PostMessageW(picker, WM_RBUTTONDOWN, 0, 0); };
}
// Another window of the program takes the mouse.
inline Action TakeCapture()
{
    return [](HWND picker) { SetCapture(GetWindow(picker, GW_OWNER)); };
}

// Runs the actions one per tick against the open picker.
class CPickerScript {
public:
    explicit CPickerScript(std::vector<Action> actions) : m_actions(std::move(actions))
    {
        s_active = this;
        m_timer = SetTimer(nullptr, 0, 20, &Tick);
    }
    ~CPickerScript()
    {
        KillTimer(nullptr, m_timer);
        s_active = nullptr;
    }
    CPickerScript(const CPickerScript&) = delete;
    CPickerScript& operator=(const CPickerScript&) = delete;

    bool Finished() const { return m_next == m_actions.size(); }
    // The picker's window rectangle as the first action found it.
    RECT PickerRect() const { return m_pickerRect; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        CPickerScript* const self = s_active;
        const HWND picker = FindPicker();
        if (!self || !picker || self->Finished())
            return;
        if (self->m_next == 0)
            GetWindowRect(picker, &self->m_pickerRect);
        self->m_actions[self->m_next++](picker);
    }

    static inline CPickerScript* s_active = nullptr;
    std::vector<Action> m_actions;
    size_t m_next = 0;
    UINT_PTR m_timer = 0;
    RECT m_pickerRect = {};
};

inline void ClickColorButton(CButtonDialog& dialog)
{
    SendMessageW(dialog.ColorHwnd(), BM_CLICK, 0, 0);
}


constexpr COLORREF kRed = RGB(255, 0, 0);     // cell 16
constexpr COLORREF kBlue = RGB(0, 0, 255);    // cell 13
