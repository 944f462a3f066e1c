#include "QLDialog.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/TextFormat.h"
#include "foundation/WinPlacement.h"
#include "framework/UiSeams.h"

namespace {

constexpr int kSectionChars = 128;

struct PlacementSection {
    wchar_t text[kSectionChars] = {};
};

PlacementSection SectionOf(const wchar_t* name)
{
    PlacementSection section;
    FormatText(section.text, kSectionChars, L"Dialogs_%s", name);
    return section;
}

POINT PointOf(LPARAM lParam)
{
    return { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
}

}  // namespace

CQLDialog::~CQLDialog()
{
    if (!m_modal && IsWindow())
        DestroyWindow(m_window);
}

INT_PTR CALLBACK CQLDialog::DialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
        reinterpret_cast<CQLDialog*>(lParam)->m_window = window;
    }
    auto* const dialog = reinterpret_cast<CQLDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!dialog)
        return 0;
    const INT_PTR result = dialog->HandleMessage(msg, wParam, lParam);
    // The box's last message: nothing after it may reach the object, which
    // may be gone by then.
    if (msg == WM_NCDESTROY)
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return result;
}

INT_PTR CQLDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:    return OnInitDialog();
    case WM_COMMAND:       return OnCommand(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
    case WM_USER:          return OnUserMessage();
    case WM_NOTIFY:        return OnNotifyMessage(wParam, lParam);
    case WM_SIZE:          OnSize(static_cast<UINT>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOVE:          OnMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_ERASEBKGND:    return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_TIMER:         OnTimer(wParam); return 0;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam) != 0);
        return 0;
    case WM_MOUSEMOVE:     OnMouseMove(static_cast<UINT>(wParam), PointOf(lParam)); return 0;
    case WM_LBUTTONUP:     OnLButtonUp(static_cast<UINT>(wParam), PointOf(lParam)); return 0;
    case WM_LBUTTONDOWN:   OnLButtonDown(static_cast<UINT>(wParam), PointOf(lParam)); return 0;
    case WM_KEYDOWN:
        OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_DESTROY:
        OnDestroy();
        m_window = nullptr;
        return 0;
    }
    return 0;
}

INT_PTR CQLDialog::OnNotifyMessage(WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnNotify(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam), &result))
        return 0;
    SetWindowLongPtrW(m_window, DWLP_MSGRESULT, result);
    return 1;
}

INT_PTR CQLDialog::DoModal()
{
    // A modeless box still open would lose its link to this object and outlive
    // it; one box at a time.
    if (!m_modal && IsWindow())
        DestroyWindow(m_window);
    // An object that ran modeless before would destroy this box on OK instead of ending it.
    m_modal = true;
    return RunModal(SModalRun{ static_cast<UINT>(m_templateId), m_parent, RealModalRun, this });
}

INT_PTR CQLDialog::RealModalRun(void* context)
{
    auto* const dialog = static_cast<CQLDialog*>(context);
    const INT_PTR result = CResModule::DialogBoxById(static_cast<UINT>(dialog->m_templateId), dialog->m_parent,
                                                     DialogProc, reinterpret_cast<LPARAM>(dialog));
    if (result == -1)
        WriteToLogFile(L"Dialog %d could not be run, error %u", dialog->m_templateId, GetLastError());
    return result;
}

bool CQLDialog::Create(HWND parent)
{
    // A second box would be lost to the destructor yet stay linked to this object.
    if (IsWindow())
        return true;
    m_parent = parent;
    m_modal = false;
    const HWND window = CResModule::CreateDialogParam(MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                                                      reinterpret_cast<LPARAM>(this));
    // A box that ended itself while it opened leaves a dead handle behind.
    m_window = window && ::IsWindow(window) ? window : nullptr;
    if (!m_window)
        WriteToLogFile(L"Dialog %d could not be created, error %u", m_templateId, GetLastError());
    return IsWindow();
}

std::wstring CQLDialog::GetItemText(int id) const
{
    const HWND control = GetItem(id);
    if (!control)
        return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(GetWindowTextLengthW(control)) + 1);
    GetWindowTextW(control, buffer.data(), static_cast<int>(buffer.size()));
    return std::wstring(buffer.data());
}

BOOL CQLDialog::SetItemText(int id, const wchar_t* text)
{
    const HWND control = GetItem(id);
    return control ? SetWindowTextW(control, text) : 0;
}

void CQLDialog::CenterOnScreen(bool topmost)
{
    CenterWindowOnScreen(m_window, topmost);
}

void CQLDialog::SavePlacement(const wchar_t* name)
{
    SaveDialogPlacement(m_window, name);
}

void CQLDialog::RestorePlacement(const wchar_t* name)
{
    RestoreDialogPlacement(m_window, name);
}

void CQLDialog::EndBox(INT_PTR result)
{
    if (m_modal) {
        EndDialog(result);
        return;
    }
    if (IsWindow())
        DestroyWindow(m_window);
    m_window = nullptr;
}

int CQLDialog::OnInitDialog()
{
    return 1;
}

int CQLDialog::OnCommand(int id, HWND, int code)
{
    if (code != 0)
        return 0;
    if (id == IDOK) {
        OnOK();
        return 1;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return 1;
    }
    return 0;
}

void CQLDialog::OnOK()
{
    EndBox(1);
}

void CQLDialog::OnCancel()
{
    EndBox(0);
}

LRESULT CQLDialog::OnUserMessage()
{
    return 0;
}

bool CQLDialog::OnNotify(int, NMHDR*, LRESULT*)
{
    return false;
}

void CQLDialog::OnSize(UINT, int, int) {}
void CQLDialog::OnMove(int, int) {}

int CQLDialog::OnEraseBkgnd(HDC)
{
    return 0;
}

void CQLDialog::OnTimer(UINT_PTR) {}
void CQLDialog::OnGetMinMaxInfo(MINMAXINFO*) {}
void CQLDialog::OnActivate(UINT, HWND, bool) {}
void CQLDialog::OnMouseMove(UINT, POINT) {}
void CQLDialog::OnLButtonUp(UINT, POINT) {}
void CQLDialog::OnLButtonDown(UINT, POINT) {}
void CQLDialog::OnKeyDown(UINT, UINT, UINT) {}
void CQLDialog::OnDestroy() {}

RECT WorkspaceToScreen(const RECT& normal, const RECT& workArea, const RECT& monitor)
{
    RECT screen = normal;
    OffsetRect(&screen, workArea.left - monitor.left, workArea.top - monitor.top);
    return screen;
}

void SaveDialogPlacement(HWND window, const wchar_t* name)
{
    SaveDialogPlacementToSection(window, SectionOf(name).text);
}

void RestoreDialogPlacement(HWND window, const wchar_t* name)
{
    RestoreDialogPlacementFromSection(window, SectionOf(name).text);
}

void SaveDialogPlacementToSection(HWND window, const wchar_t* section)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!GetWindowPlacement(window, &placement) ||
        !GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT rect = WorkspaceToScreen(placement.rcNormalPosition, monitor.rcWork, monitor.rcMonitor);
    const wchar_t* const ini = g_prefs.IniPath();
    MyWritePrivateProfileInt(section, L"X", rect.left, ini);
    MyWritePrivateProfileInt(section, L"Y", rect.top, ini);
    MyWritePrivateProfileInt(section, L"Width", rect.right - rect.left, ini);
    MyWritePrivateProfileInt(section, L"Height", rect.bottom - rect.top, ini);
}

void RestoreDialogPlacementFromSection(HWND window, const wchar_t* section)
{
    RECT current = {};
    if (!GetWindowRect(window, &current))
        return;
    const wchar_t* const ini = g_prefs.IniPath();
    const int x = ReadPrivateProfileInt(section, L"X", current.left, ini);
    const int y = ReadPrivateProfileInt(section, L"Y", current.top, ini);
    const int width = std::max<int>(ReadPrivateProfileInt(section, L"Width", current.right - current.left, ini),
                                    current.right - current.left);
    const int height = std::max<int>(ReadPrivateProfileInt(section, L"Height", current.bottom - current.top, ini),
                                     current.bottom - current.top);
    const bool sizable = (GetWindowLongPtrW(window, GWL_STYLE) & WS_THICKFRAME) != 0;
    SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | (sizable ? 0 : SWP_NOSIZE));
    KeepWindowOnScreen(window);
}

void CenterWindowOnScreen(HWND window, bool topmost)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - (rect.right - rect.left) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - (rect.bottom - rect.top) / 2;
    SetWindowPos(window, topmost ? HWND_TOPMOST : nullptr, x, y, 0, 0,
                 SWP_NOSIZE | (topmost ? 0 : SWP_NOZORDER));
}
