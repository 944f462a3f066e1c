#include "Dialog.h"

#include "UiSeams.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "resources/resource.h"

namespace {

// The link from a box to its object: a property, so DWLP_USER and the user
// data stay free.
constexpr wchar_t kDialogProperty[] = L"QuilletDialogObject";

CFrameworkDialog* LinkedDialog(HWND window)
{
    return static_cast<CFrameworkDialog*>(GetPropW(window, kDialogProperty));
}

bool IsRadioButton(HWND control)
{
    return (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
}

// The radio buttons of the group that starts at the first.
std::vector<HWND> RadioGroup(HWND first)
{
    std::vector<HWND> group;
    for (HWND button = first; button && IsRadioButton(button); button = GetWindow(button, GW_HWNDNEXT)) {
        if (!group.empty() && (GetWindowLongPtrW(button, GWL_STYLE) & WS_GROUP))
            break;
        group.push_back(button);
    }
    return group;
}

}  // namespace

INT_PTR DialogProcResult(HWND window, UINT msg, LRESULT result)
{
    switch (msg) {
    case WM_INITDIALOG:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return static_cast<INT_PTR>(result);
    }
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

CFrameworkDialog::~CFrameworkDialog()
{
    const HWND window = GetHwnd();
    if (window && IsWindow(window)) {
        RemovePropW(window, kDialogProperty);
        DestroyWindow(window);
    }
}

INT_PTR CFrameworkDialog::DoModal(HWND owner)
{
    m_owner = owner;
    return RunModal(SModalRun{ m_templateId, owner, RealModalRun, this });
}

INT_PTR CFrameworkDialog::RealModalRun(void* context)
{
    auto* const dialog = static_cast<CFrameworkDialog*>(context);
    const INT_PTR result = CResModule::DialogBoxById(dialog->m_templateId, dialog->m_owner, DialogProc,
                                                     reinterpret_cast<LPARAM>(dialog));
    if (result == -1)
        WriteToLogFile(L"Dialog %u could not be run, error %u", dialog->m_templateId, GetLastError());
    return result;
}

bool CFrameworkDialog::Create(HWND owner)
{
    if (GetHwnd())
        return false;
    m_owner = owner;
    const HWND window = CResModule::CreateDialogParam(MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                                                      reinterpret_cast<LPARAM>(this));
    if (!window) {
        WriteToLogFile(L"Dialog %u could not be created, error %u", m_templateId, GetLastError());
        return false;
    }
    return true;
}

bool CFrameworkDialog::EndDialog(INT_PTR result)
{
    return ::EndDialog(GetHwnd(), result) != FALSE;
}

bool CFrameworkDialog::ExchangeData(bool save)
{
    CDataExchange exchange(GetHwnd(), save);
    DoDataExchange(exchange);
    if (exchange.Failed()) {
        OnDataExchangeError(exchange.FailedId());
        return false;
    }
    return exchange.Commit();
}

void CFrameworkDialog::DoDataExchange(CDataExchange&)
{
}

void CFrameworkDialog::OnDataExchangeError(int controlId)
{
    AppMessageBox(GetHwnd(), IDS_INCORRECT_NUMBER, MB_OK);
    const HWND control = GetDlgItem(GetHwnd(), controlId);
    SendMessageW(control, EM_SETSEL, 0, -1);
    SendMessageW(GetHwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

INT_PTR CALLBACK CFrameworkDialog::DialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CFrameworkDialog* const initializing =
        msg == WM_INITDIALOG ? reinterpret_cast<CFrameworkDialog*>(lParam) : nullptr;
    return RouteDialogMessage(window, msg, wParam, lParam, initializing);
}

INT_PTR CFrameworkDialog::RouteDialogMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                                             CFrameworkDialog* initializing)
{
    if (initializing) {
        SetPropW(window, kDialogProperty, initializing);
        initializing->Attach(window);
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) reach no handler.
    CFrameworkDialog* const dialog = LinkedDialog(window);
    if (!dialog)
        return FALSE;
    bool answered = false;
    const LRESULT result = dialog->Route(window, msg, wParam, lParam, true, answered, [window, msg] {
        if (msg == WM_NCDESTROY)
            RemovePropW(window, kDialogProperty);
        return LRESULT(0);
    });
    if (!answered)
        return msg == WM_INITDIALOG;  // the default focus
    return DialogProcResult(window, msg, result);
}

std::wstring CDataExchange::ItemText(int id) const
{
    return CWindowRef(Item(id)).Text();
}

void CDataExchange::Check(int id, int& value)
{
    if (!Active())
        return;
    if (!m_save) {
        SendMessageW(Item(id), BM_SETCHECK, static_cast<WPARAM>(value), 0);
        return;
    }
    const int state = static_cast<int>(SendMessageW(Item(id), BM_GETCHECK, 0, 0));
    Defer([&value, state] { value = state; });
}

void CDataExchange::Radio(int firstId, int& index)
{
    if (!Active())
        return;
    const std::vector<HWND> group = RadioGroup(Item(firstId));
    if (!m_save) {
        for (size_t i = 0; i < group.size(); ++i)
            SendMessageW(group[i], BM_SETCHECK, static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
        return;
    }
    int checked = -1;
    for (size_t i = 0; i < group.size() && checked < 0; ++i)
        if (SendMessageW(group[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
            checked = static_cast<int>(i);
    Defer([&index, checked] { index = checked; });
}

void CDataExchange::Int(int id, int& value)
{
    Int(id, value, INT_MIN, INT_MAX);
}

void CDataExchange::Int(int id, int& value, int minimum, int maximum)
{
    if (!Active())
        return;
    if (!m_save) {
        SetDlgItemInt(m_dialog, id, static_cast<UINT>(value), TRUE);
        return;
    }
    int number = 0;
    if (!ParseDecimal(ItemText(id).c_str(), number) || number < minimum || number > maximum) {
        Fail(id);
        return;
    }
    Defer([&value, number] { value = number; });
}

void CDataExchange::Text(int id, std::wstring& value, int maxChars)
{
    if (!Active())
        return;
    if (!m_save) {
        if (maxChars > 0)
            SendMessageW(Item(id), EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
        SetDlgItemTextW(m_dialog, id, value.c_str());
        return;
    }
    std::wstring text = ItemText(id);
    if (maxChars > 0 && text.size() > static_cast<size_t>(maxChars))
        text.resize(static_cast<size_t>(maxChars));
    Defer([&value, text] { value = text; });
}

void CDataExchange::Text(int id, wchar_t* buffer, int bufferChars)
{
    if (!Active() || bufferChars <= 0)
        return;
    if (!m_save) {
        SetDlgItemTextW(m_dialog, id, buffer);
        return;
    }
    std::wstring text = ItemText(id);
    if (text.size() >= static_cast<size_t>(bufferChars))
        text.resize(static_cast<size_t>(bufferChars) - 1);
    Defer([buffer, text] { wmemcpy(buffer, text.c_str(), text.size() + 1); });
}

void CDataExchange::ComboIndex(int id, int& index)
{
    if (!Active())
        return;
    if (!m_save) {
        SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return;
    }
    const int selected = static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0));
    Defer([&index, selected] { index = selected; });
}

void CDataExchange::ListIndex(int id, int& index)
{
    if (!Active())
        return;
    if (!m_save) {
        SendMessageW(Item(id), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return;
    }
    const int selected = static_cast<int>(SendMessageW(Item(id), LB_GETCURSEL, 0, 0));
    Defer([&index, selected] { index = selected; });
}

bool CDataExchange::Commit()
{
    if (Failed())
        return false;
    for (const auto& apply : m_pending)
        apply();
    m_pending.clear();
    return true;
}
