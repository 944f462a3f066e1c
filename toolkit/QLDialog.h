// The program's own dialog base: one dialog box from a template of the
// language module, modal or modeless, whose messages arrive as virtual
// handlers; a few operations on its controls; and the box's placement, kept
// in the settings file under "Dialogs_<name>".
#pragma once

#include <windows.h>

#include <string>

class CQLDialog {
public:
    CQLDialog() = default;
    CQLDialog(int templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}
    // A modeless box that still exists is destroyed. Owners destroy it first:
    // from here on only the base's handlers run.
    virtual ~CQLDialog();
    CQLDialog(const CQLDialog&) = delete;
    CQLDialog& operator=(const CQLDialog&) = delete;

    virtual INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    // 1 from OnOK, 0 from OnCancel, -1 when the template cannot be loaded.
    INT_PTR DoModal();
    // Modeless; whether the box exists. A box already open is kept.
    bool Create(HWND parent);

    void SetTemplateId(int templateId) { m_templateId = templateId; }
    int TemplateId() const { return m_templateId; }
    HWND GetHwnd() const { return m_window; }
    bool IsModal() const { return m_modal; }
    bool EndDialog(INT_PTR result) { return ::EndDialog(m_window, result) != FALSE; }
    HWND GetItem(int id) const { return GetDlgItem(m_window, id); }
    bool IsWindow() const { return m_window && ::IsWindow(m_window); }

    // Empty when the control does not exist.
    std::wstring GetItemText(int id) const;
    // 0 when the control does not exist.
    BOOL SetItemText(int id, const wchar_t* text);
    void CenterOnScreen(bool topmost);
    void SavePlacement(const wchar_t* name);
    void RestorePlacement(const wchar_t* name);

protected:
    virtual int OnInitDialog();
    virtual int OnCommand(int id, HWND control, int code);
    virtual void OnOK();
    virtual void OnCancel();
    virtual LRESULT OnUserMessage();
    virtual bool OnNotify(int id, NMHDR* header, LRESULT* result);
    virtual void OnSize(UINT type, int cx, int cy);
    virtual void OnMove(int x, int y);
    virtual int OnEraseBkgnd(HDC dc);
    virtual void OnTimer(UINT_PTR id);
    virtual void OnGetMinMaxInfo(MINMAXINFO* info);
    virtual void OnActivate(UINT state, HWND other, bool minimized);
    virtual void OnMouseMove(UINT keys, POINT point);
    virtual void OnLButtonUp(UINT keys, POINT point);
    virtual void OnLButtonDown(UINT keys, POINT point);
    virtual void OnKeyDown(UINT key, UINT repeat, UINT flags);
    virtual void OnDestroy();

    static INT_PTR CALLBACK DialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    INT_PTR OnNotifyMessage(WPARAM wParam, LPARAM lParam);
    void EndBox(INT_PTR result);
    static INT_PTR RealModalRun(void* context);

    int m_templateId = 0;
    HWND m_parent = nullptr;
    bool m_modal = true;
    HWND m_window = nullptr;
};

// Placement of any dialog box, shared with the windows that keep theirs the
// same way. The save stores the normal rectangle in screen coordinates.
void SaveDialogPlacement(HWND window, const wchar_t* name);
void RestoreDialogPlacement(HWND window, const wchar_t* name);
// The same in a section of the caller's own; the size read is never smaller
// than the window's.
void SaveDialogPlacementToSection(HWND window, const wchar_t* section);
void RestoreDialogPlacementFromSection(HWND window, const wchar_t* section);
// Centres the box on the primary screen, size unchanged; topmost on request.
void CenterWindowOnScreen(HWND window, bool topmost);
// A normal-position rectangle in screen coordinates: GetWindowPlacement gives
// it in workspace coordinates, which are off by the taskbar when it sits at
// the left or top.
RECT WorkspaceToScreen(const RECT& normal, const RECT& workArea, const RECT& monitor);
