// The dialog that attaches a note to another program's window: the user drags
// the finder over the window (or types its title) and picks the corner the
// note keeps beside it.
#pragma once

#include "toolkit/QLDialog.h"
#include "toolkit/WindowPicker.h"

#include <windows.h>

#include <cstdint>
#include <string>

// True when the dialog ended with OK.
bool ShowAttachNoteToWndDlg(HWND noteWindow);

class CAttachNoteToWndDlg : public CQLDialog {
public:
    // Keeps the note's id: the note is looked up again on OK.
    CAttachNoteToWndDlg(std::int64_t noteId, HWND owner);

    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    int OnInitDialog() override;
    int OnCommand(int id, HWND control, int code) override;
    void OnOK() override;
    void OnCancel() override;
    void OnLButtonDown(UINT keys, POINT point) override;
    void OnLButtonUp(UINT keys, POINT point) override;
    void OnDestroy() override;

private:
    void CheckMoveWith(int moveWith);
    int CheckedMoveWith() const;
    void ShowFinder(bool picking);
    void EndPickUnchanged();
    HWND TargetFor(const std::wstring& title) const;

    std::int64_t m_noteId;
    CWindowPicker m_picker;
    HWND m_finder = nullptr;
    HICON m_finderWithTarget = nullptr;   // shared resource icons: never destroyed
    HICON m_finderEmpty = nullptr;
    bool m_picking = false;
    // The last pick the dialog took: sent on OK while the title still names it.
    HWND m_pickedWindow = nullptr;
    std::wstring m_pickedTitle;
};
