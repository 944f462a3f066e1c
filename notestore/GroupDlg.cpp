#include "GroupDlg.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Note.h"
#include "groups.h"
#include "notemgr.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "framework/Dialog.h"
#include "framework/GdiObject.h"
#include "framework/ImageListHandle.h"
#include "resources/resource.h"
#include "toolkit/ColorButton.h"
#include "toolkit/QLDialog.h"

namespace {

constexpr int kSwatchColumnWidth = 24;
constexpr int kNameColumnWidth = 200;
constexpr int kSwatchWidth = 10;
constexpr int kSwatchInset = 3;
constexpr int kImageSize = 16;
constexpr COLORREF kImageMask = RGB(0xFF, 0x00, 0xFF);

// The images from their bitmap; without it the swatch goes unframed.
HIMAGELIST LoadSwatchImages()
{
    const HIMAGELIST images =
        ImageList_Create(kImageSize, kImageSize, ILC_COLOR24 | ILC_MASK, GROUP_SWATCH_FRAME_IMAGE + 1, 0);
    const CGdiObject<HBITMAP> strip(CResModule::LoadBitmap(MAKEINTRESOURCEW(IDB_GROUP_SWATCH)));
    if (images && strip)
        ImageList_AddMasked(images, strip.Get(), kImageMask);
    else
        WriteToLogFile(L"Group list - the swatch images could not be loaded");
    return images;
}

void SaveGroups()
{
    if (!CGroups::SaveAll())
        WriteToLogFile(L"Group list - the groups could not be saved");
}

// One group's name and colour. A framework dialog: the colour button draws
// through reflected messages, which the program's dialog base does not send.
class CEditGroupDlg : public CFrameworkDialog {
public:
    CEditGroupDlg(const std::wstring& name, COLORREF color)
        : CFrameworkDialog(IDD_EDIT_GROUP), m_name(name), m_color(color)
    {
    }

    const std::wstring& Name() const { return m_name; }
    COLORREF Color() const { return m_color; }

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        switch (msg) {
        case WM_INITDIALOG:
            result = OnInitDialog();
            return true;
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam));
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_CTLCOLORSTATIC:
            return OnPreviewColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), result);
        }
        return false;
    }

private:
    HWND Item(int id) const { return GetDlgItem(GetHwnd(), id); }

    LRESULT OnInitDialog()
    {
        m_brush.Reset(CreateSolidBrush(m_color));
        m_button.SubclassWindow(Item(IDC_GROUP_COLOR_BUTTON));
        // Automatic is the colour a new note gets.
        m_button.SetDefaultColor(g_prefs.DefaultColor);
        m_button.SetColor(m_color);
        SetDlgItemTextW(GetHwnd(), IDC_GROUP_NAME, m_name.c_str());
        EnableOk();
        InvalidateRect(Item(IDC_GROUP_PREVIEW), nullptr, TRUE);
        return TRUE;
    }

    std::wstring TypedName() const
    {
        const HWND edit = Item(IDC_GROUP_NAME);
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        GetWindowTextW(edit, text.data(), static_cast<int>(text.size()));
        text.resize(wcslen(text.c_str()));
        return text;
    }

    void EnableOk() { EnableWindow(Item(IDOK), !TypedName().empty()); }

    bool OnCommand(UINT id, UINT code)
    {
        switch (id) {
        case IDC_GROUP_NAME:
            if (code == EN_CHANGE)
                EnableOk();
            return true;
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            EndDialog(IDCANCEL);
            return true;
        }
        return false;
    }

    void OnOK()
    {
        const std::wstring name = TypedName();
        // A group without a name could not be told from the others.
        if (name.empty())
            return;
        m_name = name;
        m_color = m_button.GetResolvedColor();
        EndDialog(IDOK);
    }

    bool OnNotify(const NMHDR& header)
    {
        if (header.idFrom != IDC_GROUP_COLOR_BUTTON || header.code != CLRBN_CHOSEN)
            return false;
        m_color = m_button.GetResolvedColor();
        m_brush.Reset(CreateSolidBrush(m_color));
        InvalidateRect(Item(IDC_GROUP_PREVIEW), nullptr, TRUE);
        return true;
    }

    bool OnPreviewColor(HDC dc, HWND control, LRESULT& result)
    {
        if (control != Item(IDC_GROUP_PREVIEW))
            return false;
        SetBkColor(dc, m_color);
        result = reinterpret_cast<LRESULT>(m_brush.Get());
        return true;
    }

    std::wstring m_name;
    COLORREF m_color;
    CColorButton m_button;
    CGdiObject<HBRUSH> m_brush;
};

// Runs the editor; true with the values on OK.
bool RunGroupEditor(HWND owner, std::wstring& name, COLORREF& color)
{
    CEditGroupDlg dialog(name, color);
    if (dialog.DoModal(owner) != IDOK)
        return false;
    name = dialog.Name();
    color = dialog.Color();
    return true;
}

// Edits the group of that id; false when it was cancelled or the group is
// gone (also while the editor ran).
bool EditGroupById(HWND owner, std::int64_t id)
{
    const CGroup* const group = CGroups::FindById(id);
    if (!group)
        return false;
    std::wstring name = group->GetName().c_str();
    COLORREF color = group->GetColor();
    if (!RunGroupEditor(owner, name, color))
        return false;
    CGroup* const again = CGroups::FindById(id);
    if (!again)
        return false;
    again->SetName(name.c_str());
    again->SetColor(color);
    SaveGroups();
    NoteManager().ApplyGroupToNotes(id);
    return true;
}

class CGroupListDlg : public CQLDialog {
public:
    explicit CGroupListDlg(HWND owner) : CQLDialog(IDD_GROUP_LIST, owner) {}

protected:
    int OnInitDialog() override
    {
        const HWND list = List();
        m_images.Reset(LoadSwatchImages());
        // The 16-pixel images make the rows as tall as the framed swatch.
        ListView_SetImageList(list, m_images.Get(), LVSIL_SMALL);
        ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
        AddColumn(0, kNameColumnWidth, LoadResString(IDS_GROUP_COLUMN));
        AddColumn(1, kSwatchColumnWidth, L"");
        // The swatch shows first; the name stays the item's text, so the
        // rename edit starts with it and is as wide as its column.
        int order[] = { 1, 0 };
        ListView_SetColumnOrderArray(list, 2, order);
        Fill(false);
        return TRUE;
    }

    int OnCommand(int id, HWND control, int code) override
    {
        switch (id) {
        case IDC_GROUP_NEW:       OnNew(); return 1;
        case IDC_GROUP_DELETE:    OnDelete(); return 1;
        case IDC_GROUP_EDIT:      OnEdit(FirstSelected()); return 1;
        case IDC_GROUP_MOVE_UP:   OnMove(-1); return 1;
        case IDC_GROUP_MOVE_DOWN: OnMove(1); return 1;
        }
        return CQLDialog::OnCommand(id, control, code);
    }

    bool OnNotify(int id, NMHDR* header, LRESULT* result) override
    {
        if (id != IDC_GROUP_LIST)
            return false;
        switch (header->code) {
        case NM_CUSTOMDRAW:
            *result = OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(header));
            return true;
        case NM_DBLCLK:
            OnEdit(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
            return true;
        case LVN_KEYDOWN:
            if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE)
                OnDelete();
            return true;
        case LVN_BEGINLABELEDITW:
            *result = FALSE;
            return true;
        case LVN_ENDLABELEDITW:
            *result = OnRenamed(reinterpret_cast<NMLVDISPINFOW*>(header)->item);
            return true;
        }
        return false;
    }

private:
    HWND List() const { return GetItem(IDC_GROUP_LIST); }

    void AddColumn(int index, int width, const wchar_t* title)
    {
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.cx = width;
        column.pszText = const_cast<wchar_t*>(title);
        column.iSubItem = index;
        ListView_InsertColumn(List(), index, &column);
    }

    std::int64_t IdAt(int item) const
    {
        LVITEMW entry = {};
        entry.mask = LVIF_PARAM;
        entry.iItem = item;
        return ListView_GetItem(List(), &entry) ? static_cast<std::int64_t>(entry.lParam) : 0;
    }

    int FirstSelected() const { return ListView_GetNextItem(List(), -1, LVNI_SELECTED); }

    std::vector<std::int64_t> SelectedIds() const
    {
        std::vector<std::int64_t> ids;
        for (int item = FirstSelected(); item >= 0; item = ListView_GetNextItem(List(), item, LVNI_SELECTED))
            ids.push_back(IdAt(item));
        return ids;
    }

    void Fill(bool keepSelection)
    {
        const HWND list = List();
        const std::vector<std::int64_t> selected = keepSelection ? SelectedIds() : std::vector<std::int64_t>();
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        ListView_DeleteAllItems(list);
        for (int position = 0; position < CGroups::GetCount(); ++position) {
            const CGroup* const group = CGroups::GetAt(position);
            if (!group)
                continue;
            const std::wstring name = group->GetName().c_str();
            LVITEMW entry = {};
            entry.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
            entry.iItem = position;
            entry.iImage = I_IMAGENONE;
            entry.pszText = const_cast<wchar_t*>(name.c_str());
            entry.lParam = static_cast<LPARAM>(group->GetId());
            const int item = ListView_InsertItem(list, &entry);
            if (item >= 0 && std::find(selected.begin(), selected.end(), group->GetId()) != selected.end()) {
                ListView_SetItemState(list, item, LVIS_SELECTED, LVIS_SELECTED);
                ListView_EnsureVisible(list, item, FALSE);
            }
        }
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }

    void OnNew()
    {
        std::wstring name;
        COLORREF color = NewNoteColor();
        if (!RunGroupEditor(GetHwnd(), name, color))
            return;
        if (!CGroups::AddGroup(-1, name.c_str(), color))
            WriteToLogFile(L"Group list - the new group could not be stored");
        SaveGroups();
        Fill(false);
    }

    // A group gone meanwhile does nothing but show the list as it is.
    void OnEdit(int item)
    {
        if (item < 0)
            return;
        EditGroupById(GetHwnd(), IdAt(item));
        Fill(true);
    }

    // Ids first: the list changes while the groups go.
    void OnDelete()
    {
        CNoteManager& manager = NoteManager();
        for (const std::int64_t id : SelectedIds()) {
            CGroup* const group = CGroups::FindById(id);
            if (!group)
                continue;
            // Its notes leave first; notes that could not leave keep it.
            manager.RemoveGroupFromNote(id);
            if (!manager.GetGroupNoteIDs(id).empty()) {
                WriteToLogFile(L"Group list - group %I64d keeps its notes and stays", id);
                continue;
            }
            group->Remove();
        }
        SaveGroups();
        Fill(false);
    }

    void OnMove(int step)
    {
        const int position = FirstSelected();
        const int other = position + step;
        if (position < 0 || other < 0 || other >= CGroups::GetCount())
            return;
        CGroups::Swap(position, other);
        SaveGroups();
        CGroups::LoadGroups();
        Fill(true);
    }

    LRESULT OnRenamed(const LVITEMW& item)
    {
        // Cancelled, or nothing left to tell the group by.
        if (!item.pszText || !*item.pszText)
            return FALSE;
        CGroup* const group = CGroups::FindById(IdAt(item.iItem));
        if (!group) {
            Fill(false);
            return FALSE;
        }
        group->SetName(item.pszText);
        return TRUE;
    }

    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw)
    {
        switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            break;
        default:
            return CDRF_DODEFAULT;
        }
        const int item = static_cast<int>(draw.nmcd.dwItemSpec);
        if (draw.iSubItem == 1) {
            DrawSwatch(draw.nmcd.hdc, item);
            return CDRF_SKIPDEFAULT;
        }
        const bool selected = (ListView_GetItemState(List(), item, LVIS_SELECTED | LVIS_FOCUSED)) != 0;
        if (selected) {
            const bool focused = GetFocus() == List();
            draw.clrTextBk = GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
            draw.clrText = GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
        } else {
            draw.clrTextBk = GetSysColor(COLOR_WINDOW);
            draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
        }
        return CDRF_NEWFONT;
    }

    void DrawSwatch(HDC dc, int item)
    {
        RECT cell = {};
        if (!ListView_GetSubItemRect(List(), item, 1, LVIR_BOUNDS, &cell))
            return;
        FillRect(dc, &cell, GetSysColorBrush(COLOR_WINDOW));
        const CGroup* const group = CGroups::FindById(IdAt(item));
        if (!group)
            return;
        const int centre = (cell.left + cell.right) / 2;
        RECT swatch = { centre - kSwatchWidth / 2, cell.top + kSwatchInset, centre + kSwatchWidth / 2,
                        cell.bottom - kSwatchInset };
        const CGdiObject<HBRUSH> brush(CreateSolidBrush(group->GetColor()));
        FillRect(dc, &swatch, brush.Get());
        ImageList_Draw(m_images.Get(), GROUP_SWATCH_FRAME_IMAGE, dc, swatch.left - kSwatchInset,
                       swatch.top - kSwatchInset, ILD_TRANSPARENT);
    }

    CImageListHandle m_images;
};

}  // namespace

bool EditGroup(CGroup* group)
{
    return group && EditGroupById(GetActiveWindow(), group->GetId());
}

int ShowGroupList(HWND owner)
{
    const INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_LISTVIEW_CLASSES };
    InitCommonControlsEx(&controls);
    {
        CGroupListDlg dialog(owner);
        dialog.DoModal();
    }
    SaveGroups();
    return 1;
}
