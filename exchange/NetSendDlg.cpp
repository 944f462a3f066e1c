#include "NetSendDlg.h"

#include "NetLists.h"
#include "detect.h"
#include "netsend.h"
#include "dialogs/DlgUtils.h"
#include "foundation/ResModule.h"
#include "foundation/ShellServices.h"
#include "framework/UiSeams.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr DWORD kNetSendHelpContext = 269;
constexpr int kRowTextChars = 512;

void AddColumn(HWND list, int index, UINT textId, int width)
{
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(LoadResString(textId));
    ListView_InsertColumn(list, index, &column);
}

HWND PrepareList(HWND list, std::initializer_list<std::pair<UINT, int>> columns)
{
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (const auto& [textId, width] : columns)
        AddColumn(list, index++, textId, width);
    return list;
}

std::wstring RowText(HWND list, int row, int column)
{
    wchar_t text[kRowTextChars] = {};
    ListView_GetItemText(list, row, column, text, kRowTextChars);
    return text;
}

std::vector<int> SelectedRows(HWND list)
{
    std::vector<int> rows;
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list, row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

LPARAM RowData(HWND list, int row)
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    ListView_GetItem(list, &item);
    return item.lParam;
}

// The list notifications both editors and the send dialog act on.
struct SListAction {
    int activatedRow = -1;   // double-clicked
    bool deleteKey = false;
};

bool ReadListAction(const NMHDR* header, HWND list, SListAction& action)
{
    if (header->hwndFrom != list)
        return false;
    if (header->code == NM_DBLCLK) {
        action.activatedRow = reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem;
        return action.activatedRow >= 0;
    }
    if (header->code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) {
        action.deleteKey = true;
        return true;
    }
    return false;
}

UINT StatusTextId(int status)
{
    switch (status) {
    case kNetSendSending: return IDS_NETSEND_SENDING;
    case kNetSendSent: return IDS_NETSEND_SENT;
    default: return IDS_NETSEND_FAILED;
    }
}

}  // namespace

bool ShowNetSendDlg(HWND noteWindow)
{
    CNetSendDlg dialog(noteWindow);
    return dialog.DoModal() > 0;
}

// ---- CNetSendDlg

CNetSendDlg::CNetSendDlg(HWND noteWindow) : CQLDialog(IDD_NET_SEND, noteWindow)
{
    if (const CNote* const note = NoteManager().GetNoteFromWindow(noteWindow)) {
        m_noteId = note->GetId();
        m_hasNote = true;
    }
}

int CNetSendDlg::OnInitDialog()
{
    CenterOnScreen(false);
    SetDialogIcons(GetHwnd());
    m_history = PrepareList(GetItem(IDC_NETSEND_HISTORY), {{IDS_COLUMN_HOST, 200}, {IDS_COLUMN_STATUS, 120}});
    m_images.Reset(ImageList_Create(16, 16, ILC_COLOR4 | ILC_MASK, 3, 3));
    const HBITMAP strip = CResModule::LoadBitmap(MAKEINTRESOURCEW(IDB_NET_SEND_IMAGES));
    if (m_images && strip)
        ImageList_AddMasked(m_images.Get(), strip, RGB(0xFF, 0x00, 0xFF));
    if (strip)
        DeleteObject(strip);
    ListView_SetImageList(m_history, m_images.Get(), LVSIL_SMALL);
    FillHistory();
    FillRecipients();
    return 1;
}

void CNetSendDlg::FillHistory()
{
    ListView_DeleteAllItems(m_history);
    const CNetLists& lists = NetLists();
    SNetSend entry;
    for (int index = 0; lists.GetNetSend(index, entry); ++index) {
        const int status = entry.status == kNetSendSending || entry.status == kNetSendSent ? entry.status
                                                                                            : kNetSendFailed;
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = index;
        item.pszText = const_cast<wchar_t*>(entry.host.c_str());
        item.iImage = status;
        item.lParam = index;
        const int row = ListView_InsertItem(m_history, &item);
        ListView_SetItemText(m_history, row, 1, const_cast<wchar_t*>(LoadResString(StatusTextId(status))));
    }
}

void CNetSendDlg::FillRecipients()
{
    const HWND combo = GetItem(IDC_NETSEND_RECIPIENT);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const SAlias& alias : NetLists().Aliases())
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(alias.name.c_str()));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

void CNetSendDlg::OnOK()
{
    CStdStr recipient = GetItemText(IDC_NETSEND_RECIPIENT);
    recipient.Trim();
    // An empty name would resolve to this machine.
    if (recipient.empty()) {
        SeamedMessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    if (CNote* const note = m_hasNote ? NoteManager().GetNote(m_noteId) : nullptr)
        note->NetSend(recipient.c_str());
    EndDialog(1);
}

int CNetSendDlg::OnCommand(int id, HWND control, int code)
{
    if (code != BN_CLICKED)
        return CQLDialog::OnCommand(id, control, code);
    switch (id) {
    case IDC_NETSEND_EDIT_ALIASES: {
        CEditAliasDlg editor(GetHwnd());
        editor.DoModal();
        FillRecipients();
        StoreNetSends();
        return 1;
    }
    case IDC_NETSEND_EDIT_IGNORE: {
        CEditIgnoreListDlg editor(GetHwnd());
        editor.DoModal();
        StoreNetSends();
        return 1;
    }
    case IDC_NETSEND_HELP: ShowHelp(kNetSendHelpContext); return 1;
    default: return CQLDialog::OnCommand(id, control, code);
    }
}

bool CNetSendDlg::OnNotify(int, NMHDR* header, LRESULT*)
{
    SListAction action;
    if (!ReadListAction(header, m_history, action))
        return false;
    if (action.deleteKey) {
        DeleteSelectedSends();
        return true;
    }
    SetItemText(IDC_NETSEND_RECIPIENT, RowText(m_history, action.activatedRow, 0).c_str());
    PostMessageW(GetHwnd(), WM_COMMAND, IDOK, 0);
    return true;
}

void CNetSendDlg::DeleteSelectedSends()
{
    std::vector<int> indexes;
    for (const int row : SelectedRows(m_history))
        indexes.push_back(static_cast<int>(RowData(m_history, row)));
    // From the end, so that the indexes still to go stay valid.
    std::sort(indexes.rbegin(), indexes.rend());
    for (const int index : indexes)
        NetLists().RemoveNetSend(index);
    FillHistory();
}

// ---- CListEditorDlg

int CListEditorDlg::OnCommand(int id, HWND control, int code)
{
    if (code != BN_CLICKED)
        return CQLDialog::OnCommand(id, control, code);
    switch (id) {
    case IDC_LIST_ADD: AddEntry(); return 1;
    case IDC_LIST_EDIT: EditRow(ListView_GetNextItem(m_list, -1, LVNI_SELECTED)); return 1;
    case IDC_LIST_DELETE: DeleteSelectedRows(); return 1;
    default: return CQLDialog::OnCommand(id, control, code);
    }
}

bool CListEditorDlg::OnNotify(int, NMHDR* header, LRESULT*)
{
    SListAction action;
    if (!ReadListAction(header, m_list, action))
        return false;
    if (action.deleteKey)
        DeleteSelectedRows();
    else
        EditRow(action.activatedRow);
    return true;
}

// ---- CEditAliasDlg

CEditAliasDlg::CEditAliasDlg(HWND parent) : CListEditorDlg(IDD_EDIT_ALIAS, parent) {}

int CEditAliasDlg::OnInitDialog()
{
    m_list = PrepareList(GetItem(IDC_ALIAS_LIST), {{IDS_COLUMN_ALIAS, 150}, {IDS_COLUMN_HOST, 150}});
    NetLists().FillAliasListView(m_list);
    SetDialogIcons(GetHwnd());
    return 1;
}

int CEditAliasDlg::OnCommand(int id, HWND control, int code)
{
    if (code != BN_CLICKED || id != IDC_AUTO_DETECT)
        return CListEditorDlg::OnCommand(id, control, code);
    ReadDetectedInstances();
    ScanForInstances();
    NetLists().FillAliasListView(m_list);
    return 1;
}

void CEditAliasDlg::AddEntry()
{
    CAddAliasDlg entry(GetHwnd(), L"", L"");
    if (entry.DoModal() != 1)
        return;
    NetLists().AddAlias(entry.Host().c_str(), entry.Name().c_str());
    NetLists().FillAliasListView(m_list);
}

void CEditAliasDlg::EditRow(int row)
{
    if (row < 0)
        return;
    const std::wstring oldName = RowText(m_list, row, 0);
    const std::wstring oldHost = RowText(m_list, row, 1);
    CAddAliasDlg entry(GetHwnd(), oldName, oldHost);
    if (entry.DoModal() != 1 || (entry.Name() == oldName && entry.Host() == oldHost))
        return;
    // The old entry goes only once the new one is in: a refused pair loses nothing.
    CNetLists& lists = NetLists();
    if (lists.AddAlias(entry.Host().c_str(), entry.Name().c_str()))
        lists.DeleteAlias(oldName.c_str(), oldHost.c_str());
    lists.FillAliasListView(m_list);
}

void CEditAliasDlg::DeleteSelectedRows()
{
    CNetLists& lists = NetLists();
    for (const int row : SelectedRows(m_list)) {
        const std::wstring name = RowText(m_list, row, 0);
        if (!name.empty())
            lists.DeleteAlias(name.c_str(), RowText(m_list, row, 1).c_str());
    }
    lists.FillAliasListView(m_list);
}

// ---- CAddAliasDlg

CAddAliasDlg::CAddAliasDlg(HWND parent, std::wstring name, std::wstring host)
    : CQLDialog(IDD_ADD_ALIAS, parent), m_name(std::move(name)), m_host(std::move(host))
{
}

int CAddAliasDlg::OnInitDialog()
{
    SetItemText(IDC_ALIAS_NAME, m_name.c_str());
    SetItemText(IDC_ALIAS_HOST, m_host.c_str());
    return 1;
}

void CAddAliasDlg::OnOK()
{
    m_name = GetItemText(IDC_ALIAS_NAME);
    m_host = GetItemText(IDC_ALIAS_HOST);
    EndDialog(1);
}

// ---- CEditIgnoreListDlg

CEditIgnoreListDlg::CEditIgnoreListDlg(HWND parent) : CListEditorDlg(IDD_EDIT_IGNORE_LIST, parent) {}

int CEditIgnoreListDlg::OnInitDialog()
{
    m_list = PrepareList(GetItem(IDC_ALIAS_LIST), {{IDS_COLUMN_IP_HOST, 150}});
    NetLists().FillIgnoreListView(m_list);
    SetDialogIcons(GetHwnd());
    return 1;
}

void CEditIgnoreListDlg::AddEntry()
{
    CAddIgnoreDlg entry(GetHwnd(), L"");
    if (entry.DoModal() != 1)
        return;
    NetLists().AddIgnore(entry.Text().c_str());
    NetLists().FillIgnoreListView(m_list);
}

void CEditIgnoreListDlg::EditRow(int row)
{
    if (row < 0)
        return;
    const std::wstring oldKey = RowText(m_list, row, 0);
    CAddIgnoreDlg entry(GetHwnd(), oldKey);
    if (entry.DoModal() != 1 || entry.Text() == oldKey)
        return;
    // An alias name stands for its address: the key may be the old one.
    CNetLists& lists = NetLists();
    const CStdStr key = lists.AddIgnore(entry.Text().c_str());
    if (!key.empty() && key != oldKey)
        lists.RemoveIgnore(oldKey.c_str());
    lists.FillIgnoreListView(m_list);
}

void CEditIgnoreListDlg::DeleteSelectedRows()
{
    CNetLists& lists = NetLists();
    for (const int row : SelectedRows(m_list)) {
        const std::wstring key = RowText(m_list, row, 0);
        if (!key.empty())
            lists.RemoveIgnore(key.c_str());
    }
    lists.FillIgnoreListView(m_list);
}

// ---- CAddIgnoreDlg

CAddIgnoreDlg::CAddIgnoreDlg(HWND parent, std::wstring text) : CQLDialog(IDD_ADD_IGNORE, parent), m_text(std::move(text))
{
}

int CAddIgnoreDlg::OnInitDialog()
{
    SetItemText(IDC_IGNORE_NAME, m_text.c_str());
    return 1;
}

void CAddIgnoreDlg::OnOK()
{
    m_text = GetItemText(IDC_IGNORE_NAME);
    EndDialog(1);
}
