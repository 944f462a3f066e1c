#include "ShowHideDlg.h"

#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <unordered_map>

#include "dialogs/AlarmDlg.h"
#include "dialogs/DlgUtils.h"
#include "dialogs/FindDlg.h"
#include "dialogs/GlobalFindDlg.h"
#include "foundation/AppWindow.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/ShellServices.h"
#include "foundation/SoundPlayer.h"
#include "foundation/TextFormat.h"
#include "foundation/WinPlacement.h"
#include "framework/AppModule.h"
#include "framework/EditCommands.h"
#include "framework/UiSeams.h"
#include "notestore/GroupDlg.h"
#include "notestore/Note.h"
#include "dialogs/NoteDialogs.h"
#include "notestore/groups.h"
#include "notewindows/NoteCommandIds.h"
#include "notewindows/itsycmd.h"
#include "resources/resource.h"

namespace {

const wchar_t kSection[] = L"ShowHide";
constexpr UINT_PTR kMoveTimer = 162;
constexpr UINT kMoveTimerMs = 100;
constexpr DWORD kHelpContext = 268;
constexpr UINT kHelpKeyCommand = 20012;   // F1 of the main accelerators
constexpr int kSwatchImage = 9;
constexpr int kImageSize = 16;
constexpr int kSwatchInset = 3;
constexpr int kCellTextChars = 256;
constexpr int kGroupTextChars = 256;
constexpr int kRowImageCount = 10;
constexpr COLORREF kRowImagesMask = RGB(255, 0, 255);

// The note-menu commands a hidden note cannot carry out.
constexpr UINT kHiddenNoteGreyed[] = {ID_PRINT_NOTE,  ID_DUPLICATE_NOTE, ID_EXPORT_NOTE,
                                      ID_INSERT_DATE, ID_INSERT_TIME,    ID_ALIGN_LEFT,
                                      ID_ALIGN_RIGHT, ID_ALIGN_CENTER,   ID_SELECT_FONT};

// Buttons that follow the right edge when the window is sized.
constexpr int kRightButtons[] = {IDC_ORGANIZER_NEW_NOTE,    IDC_ORGANIZER_SHOW_HIDE,   IDC_ORGANIZER_TOGGLE_ALARM,
                                 IDC_ORGANIZER_DELETE,      IDC_ORGANIZER_EDIT_GROUPS, IDC_ORGANIZER_PREFERENCES,
                                 IDC_ORGANIZER_GLOBAL_SEARCH, IDC_ORGANIZER_HELP,       IDCANCEL};

struct SColumn {
    const wchar_t* key;
    int defaultWidth;
    UINT textId;  // 0: an image header
    int image;
};
constexpr SColumn kColumns[kColumnCount] = {
    {L"ColumnGroup", 50, 0, 7},
    {L"ColumnStatus", 50, 0, 8},
    {L"ColumnTitle", 150, IDS_COLUMN_TITLE, -1},
    {L"ColumnAlarm", 180, IDS_COLUMN_ALARM, -1},
    {L"ColumnCreated", 80, IDS_COLUMN_CREATED, -1},
    {L"ColumnLastUpdated", 80, IDS_COLUMN_LAST_UPDATED, -1},
    {L"ColumnNoteAttachment", 80, IDS_NOTE_ATTACHED_TO, -1},
};

// The one organizer of the process; it outlives its window, so the filter,
// the sort and the records carry over to the next opening.
CShowHideDlg& Organizer()
{
    static CShowHideDlg organizer;
    return organizer;
}

bool IsOpen()
{
    return Organizer().IsWindow();
}

int Sign(double difference)
{
    return difference < 0 ? -1 : (difference > 0 ? 1 : 0);
}

template <class T>
int ReverseOrder(T first, T second)
{
    return first < second ? 1 : (second < first ? -1 : 0);
}

// Signed 64-bit decimal text, blanks around it allowed; anything else gives 0.
std::int64_t ParseGroupId(const wchar_t* text)
{
    wchar_t* end = nullptr;
    errno = 0;
    const long long value = std::wcstoll(text, &end, 10);
    if (end == text || errno == ERANGE)
        return kNoGroup;
    while (*end == L' ' || *end == L'\t')
        ++end;
    return *end ? kNoGroup : static_cast<std::int64_t>(value);
}

LPARAM ItemData(HWND list, int row)
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    return ListView_GetItem(list, &item) ? item.lParam : -1;
}

void SetCellText(HWND list, int row, int column, const wchar_t* text)
{
    ListView_SetItemText(list, row, column, const_cast<wchar_t*>(text));
}

void SetStatusImage(HWND list, int row, int image)
{
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iSubItem = kColumnStatus;
    item.iImage = image;
    ListView_SetItem(list, &item);
}

CStdStr ShortDate(const COleDateTime& date)
{
    wchar_t text[64] = {};
    FormatDateShort(date.m_dt, text, 64);
    return text;
}

// A strip of images in the mask colour alone: every image transparent.
HBITMAP BlankImageStrip()
{
    const HDC screen = GetDC(nullptr);
    const HBITMAP strip = CreateCompatibleBitmap(screen, kImageSize * kRowImageCount, kImageSize);
    const HDC dc = CreateCompatibleDC(screen);
    const HGDIOBJ old = SelectObject(dc, strip);
    const RECT all = {0, 0, kImageSize * kRowImageCount, kImageSize};
    const CBrushHandle mask(CreateSolidBrush(kRowImagesMask));
    FillRect(dc, &all, mask.Get());
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return strip;
}

HIMAGELIST LoadRowImages()
{
    const HIMAGELIST images = ImageList_Create(kImageSize, kImageSize, ILC_COLOR24 | ILC_MASK, kRowImageCount, 0);
    if (!images)
        return nullptr;
    CGdiObject<HBITMAP> strip(CResModule::LoadBitmap(MAKEINTRESOURCEW(IDB_NET_SEND_IMAGES)));
    if (!strip)
        strip.Reset(BlankImageStrip());
    ImageList_AddMasked(images, strip.Get(), kRowImagesMask);
    return images;
}

HBITMAP LoadSortBitmap(UINT id)
{
    COLORMAP map = {RGB(0xC0, 0xC0, 0xC0), GetSysColor(COLOR_BTNFACE)};
    return CResModule::CreateMappedBitmap(id, map);
}

// The notes of the ids that are still there; each looked up afresh.
template <class Action>
void ForEachNote(const std::vector<std::int64_t>& ids, Action action)
{
    for (const std::int64_t id : ids)
        if (CNote* note = NoteManager().GetNote(id))
            action(*note);
}

}  // namespace

// ---------------------------------------------------------------- records

int OrganizerStatusImage(const CNoteDisplayInfo& record)
{
    const int base = (record.alarmFlags & kAlarmActive) ? 3 : 5;
    return record.visible ? base : base + 1;
}

int CompareDisplayRecords(const CNoteDisplayInfo& first, const CNoteDisplayInfo& second, int column, int ascending)
{
    int base = 0;
    switch (column) {
    case kColumnGroup:    base = ReverseOrder(first.group, second.group); break;
    case kColumnStatus:   base = ReverseOrder(OrganizerStatusImage(first), OrganizerStatusImage(second)); break;
    case kColumnTitle:    base = lstrcmpiW(first.name.c_str(), second.name.c_str()); break;
    case kColumnAlarm:    base = Sign(first.calculatedDate.m_dt - second.calculatedDate.m_dt); break;
    case kColumnCreated:  base = Sign(first.creationDate.m_dt - second.creationDate.m_dt); break;
    case kColumnUpdated:  base = Sign(first.lastUpdateDate.m_dt - second.lastUpdateDate.m_dt); break;
    case kColumnAttached: base = lstrcmpiW(first.attachedTitle.c_str(), second.attachedTitle.c_str()); break;
    default:              return 0;
    }
    return ascending == 1 ? base : -base;
}

// ---------------------------------------------------------------- the organizer

CShowHideDlg::CShowHideDlg() : CQLDialog(IDD_NOTE_ORGANIZER, nullptr)
{
}

CShowHideDlg::~CShowHideDlg() = default;

CShowHideDlg* GetNoteOrganizer()
{
    return IsOpen() ? &Organizer() : nullptr;
}

void ToggleNoteOrganizer()
{
    CShowHideDlg& organizer = Organizer();
    if (organizer.IsWindow()) {
        SendMessageW(organizer.GetHwnd(), WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (organizer.Create(nullptr))
        g_appModule.SetShowHideDlg(organizer.GetHwnd());
}

CNoteManager::CDisplayListener CShowHideDlg::Listener()
{
    return CNoteManager::CDisplayListener::Bind<&CShowHideDlg::OnNoteDisplayChange>(this);
}

int CShowHideDlg::OnInitDialog()
{
    m_opened = false;
    MeasureLayout();
    SetUpList();
    ReadSettings();
    SetSortMark(m_sortColumn, true);
    CenterOnScreen(false);
    Refresh();
    FillGroupList(m_groupList);
    SelectFilterItem();
    if (!RegisterDropTarget()) {
        // The window goes at once: a modeless box cannot refuse to be made.
        DestroyWindow(GetHwnd());
        return 0;
    }
    RestoreDialogPlacementFromSection(GetHwnd(), kSection);
    SetDialogIcons(GetHwnd());
    ShowWindow(GetHwnd(), SW_SHOW);
    SendMessageW(GetHwnd(), DM_SETDEFID, IDC_ORGANIZER_SHOW_HIDE, 0);
    NoteManager().AddDisplayListener(Listener());
    m_listening = true;
    m_opened = true;
    return 1;
}

void CShowHideDlg::MeasureLayout()
{
    m_list = GetItem(IDC_ORGANIZER_LIST);
    m_groupList = GetItem(IDC_ORGANIZER_GROUPS);
    GetWindowRect(GetHwnd(), &m_initialRect);
    RECT client = {};
    GetClientRect(GetHwnd(), &client);
    RECT list = {};
    GetWindowRect(m_list, &list);
    MapWindowPoints(nullptr, GetHwnd(), reinterpret_cast<POINT*>(&list), 2);
    RECT button = {};
    GetWindowRect(GetItem(IDC_ORGANIZER_SHOW_HIDE), &button);
    MapWindowPoints(nullptr, GetHwnd(), reinterpret_cast<POINT*>(&button), 2);
    m_margins.listLeft = list.left;
    m_margins.listBottom = client.bottom - (list.bottom - list.top);
    m_margins.gap = button.left - list.right;
    m_margins.buttonWidth = button.right - button.left;
    m_margins.buttonRight = client.right - button.right;
}

void CShowHideDlg::SetUpList()
{
    m_images.Reset(LoadRowImages());
    ListView_SetImageList(m_list, m_images.Get(), LVSIL_SMALL);
    ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES | LVS_EX_DOUBLEBUFFER);
    const wchar_t* const ini = g_prefs.IniPath();
    for (int index = 0; index < kColumnCount; ++index) {
        const SColumn& spec = kColumns[index];
        LVCOLUMNW column = {};
        column.cx = ReadPrivateProfileInt(kSection, spec.key, spec.defaultWidth, ini);
        if (spec.textId) {
            column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
            column.fmt = LVCFMT_LEFT;
            column.pszText = const_cast<wchar_t*>(LoadResString(spec.textId));
        } else {
            column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_IMAGE;
            column.fmt = LVCFMT_CENTER | (index == kColumnGroup ? LVCFMT_IMAGE : 0);
            column.iImage = spec.image;
        }
        ListView_InsertColumn(m_list, index, &column);
    }
    m_sortBitmaps[0].Reset(LoadSortBitmap(IDB_SORT_DESCENDING));
    m_sortBitmaps[1].Reset(LoadSortBitmap(IDB_SORT_ASCENDING));
}

void CShowHideDlg::ReadSettings()
{
    const wchar_t* const ini = g_prefs.IniPath();
    m_sortColumn = ReadPrivateProfileInt(kSection, L"Sorting", kColumnTitle, ini);
    if (m_sortColumn < 0 || m_sortColumn >= kColumnCount)
        m_sortColumn = kColumnTitle;
    m_sortAscending = ReadPrivateProfileInt(kSection, L"SortingAscending", 1, ini);
    if (m_sortAscending != 0 && m_sortAscending != 1)
        m_sortAscending = 1;
    wchar_t text[kGroupTextChars] = {};
    GetPrivateProfileStringW(kSection, L"GroupDisplayed", L"0", text, kGroupTextChars, ini);
    m_groupFilter = ParseGroupId(text);
}

void CShowHideDlg::WriteSettings() const
{
    const wchar_t* const ini = g_prefs.IniPath();
    SaveDialogPlacementToSection(GetHwnd(), kSection);
    wchar_t text[32] = {};
    FormatText(text, 32, L"%I64d", static_cast<long long>(m_groupFilter));
    MyWritePrivateProfileString(kSection, L"GroupDisplayed", text, ini);
    MyWritePrivateProfileInt(kSection, L"Sorting", m_sortColumn, ini);
    MyWritePrivateProfileInt(kSection, L"SortingAscending", m_sortAscending, ini);
    for (int index = 0; index < kColumnCount; ++index)
        MyWritePrivateProfileInt(kSection, kColumns[index].key, ListView_GetColumnWidth(m_list, index), ini);
}

bool CShowHideDlg::RegisterDropTarget()
{
    *m_dropTarget.ReceiveTyped() = new CGroupListDropTarget(m_groupList);
    const HRESULT result = RegisterDragDrop(m_groupList, m_dropTarget.Get());
    if (SUCCEEDED(result))
        return true;
    QLOG(L"Note organizer: the group list cannot take drops (RegisterDragDrop 0x%08X), not opened",
         static_cast<unsigned>(result));
    m_dropTarget.Reset();
    return false;
}

void CShowHideDlg::SelectFilterItem()
{
    const int count = ListBox_GetCount(m_groupList);
    for (int position = 0; position < count; ++position) {
        if (static_cast<std::int64_t>(ListBox_GetItemData(m_groupList, position)) == m_groupFilter) {
            ListBox_SetCurSel(m_groupList, position);
            return;
        }
    }
    // A group that went since: its notes would never show, so no group instead.
    if (m_groupFilter != kNoGroup) {
        m_groupFilter = kNoGroup;
        Refresh();
    }
    ListBox_SetCurSel(m_groupList, 0);
}

void CShowHideDlg::FillGroupList(HWND groupList)
{
    const int selected = ListBox_GetCurSel(groupList);
    SetWindowRedraw(groupList, FALSE);
    ListBox_ResetContent(groupList);
    const auto add = [groupList](const wchar_t* text, std::int64_t data) {
        const int position = ListBox_AddString(groupList, text);
        SendMessageW(groupList, LB_SETITEMDATA, position, static_cast<LPARAM>(data));
    };
    add(LoadResString(IDS_NO_GROUP_ASSIGNED), kNoGroup);
    for (int index = 0; index < CGroups::GetCount(); ++index)
        if (const CGroup* const group = CGroups::GetAt(index))
            add(group->GetName().c_str(), group->GetId());
    add(LoadResString(IDS_DISPLAY_ALL_NOTES), kAllGroups);
    if (selected >= 0)
        ListBox_SetCurSel(groupList, std::min(selected, ListBox_GetCount(groupList) - 1));
    SetWindowRedraw(groupList, TRUE);
}

void CShowHideDlg::RefreshGroups()
{
    if (!m_list)
        return;
    if (m_groupFilter > 0 && !CGroups::FindById(m_groupFilter))
        m_groupFilter = kNoGroup;
    FillGroupList(m_groupList);
    int position = 0;
    if (m_groupFilter == kAllGroups)
        position = ListBox_GetCount(m_groupList) - 1;
    else if (const CGroup* const group = CGroups::FindById(m_groupFilter))
        position = CGroups::IndexOf(group) + 1;
    ListBox_SetCurSel(m_groupList, position);
    Refresh();
}

// ---------------------------------------------------------------- rows

void CShowHideDlg::Refresh()
{
    m_refreshPosted = false;
    if (!m_list)
        return;
    std::vector<CNoteDisplayInfo> fresh;
    if (!CNote::GetNotesForDisplay(fresh, m_groupFilter, -1))
        return;

    // Remembered by note id: rows move when they are sorted again.
    const auto idOfRow = [this](int row) -> std::int64_t {
        const LPARAM data = ItemData(m_list, row);
        return data >= 0 && static_cast<size_t>(data) < m_rows.size() ? m_rows[data].id : -1;
    };
    const int topRow = ListView_GetTopIndex(m_list);
    const std::int64_t topId = ListView_GetItemCount(m_list) > 0 ? idOfRow(topRow) : -1;
    std::unordered_map<std::int64_t, int> selected;
    for (int row = ListView_GetNextItem(m_list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(m_list, row, LVNI_SELECTED))
        selected.emplace(idOfRow(row), -1);
    m_rows.swap(fresh);

    SetWindowRedraw(m_list, FALSE);
    ListView_DeleteAllItems(m_list);
    for (size_t index = 0; index < m_rows.size(); ++index) {
        LVITEMW item = {};
        item.mask = LVIF_IMAGE | LVIF_PARAM;
        item.iItem = static_cast<int>(index);
        item.iImage = kSwatchImage;
        item.lParam = static_cast<LPARAM>(index);
        const int row = ListView_InsertItem(m_list, &item);
        if (row >= 0)
            FillRow(row, m_rows[index]);
    }
    ListView_SortItems(m_list, CompareItems, (m_sortColumn << 8) | m_sortAscending);

    int visible = -1;
    for (int row = 0; row < ListView_GetItemCount(m_list); ++row) {
        const std::int64_t id = idOfRow(row);
        if (selected.count(id)) {
            ListView_SetItemState(m_list, row, LVIS_SELECTED, LVIS_SELECTED);
            visible = row;
        } else if (id == topId && visible < 0) {
            visible = row;
        }
    }
    if (visible >= 0)
        ListView_EnsureVisible(m_list, visible, FALSE);
    SetWindowRedraw(m_list, TRUE);
    InvalidateRect(m_list, nullptr, TRUE);
}

void CShowHideDlg::FillRow(int row, const CNoteDisplayInfo& record)
{
    SetStatusImage(m_list, row, OrganizerStatusImage(record));
    SetCellText(m_list, row, kColumnTitle, record.name.c_str());
    SetCellText(m_list, row, kColumnAlarm, record.alarmText.c_str());
    SetCellText(m_list, row, kColumnCreated, ShortDate(record.creationDate).c_str());
    SetCellText(m_list, row, kColumnUpdated, ShortDate(record.lastUpdateDate).c_str());
    SetCellText(m_list, row, kColumnAttached, record.attachedTitle.c_str());
}

int CALLBACK CShowHideDlg::CompareItems(LPARAM first, LPARAM second, LPARAM sortValue)
{
    // The records alone: the control may not be asked while it sorts.
    const std::vector<CNoteDisplayInfo>& rows = Organizer().m_rows;
    const auto inRange = [&rows](LPARAM index) { return index >= 0 && static_cast<size_t>(index) < rows.size(); };
    if (!inRange(first) || !inRange(second))
        return 0;
    return CompareDisplayRecords(rows[first], rows[second], static_cast<int>(sortValue >> 8),
                                 static_cast<int>(sortValue & 0xFF));
}

int CShowHideDlg::RowOfNote(std::int64_t id) const
{
    for (size_t index = 0; index < m_rows.size(); ++index) {
        if (m_rows[index].id != id)
            continue;
        LVFINDINFOW find = {};
        find.flags = LVFI_PARAM;
        find.lParam = static_cast<LPARAM>(index);
        return ListView_FindItem(m_list, -1, &find);
    }
    return -1;
}

void CShowHideDlg::UpdateRowInPlace(int row, CNote& note)
{
    const LPARAM index = ItemData(m_list, row);
    if (index < 0 || static_cast<size_t>(index) >= m_rows.size())
        return;
    std::vector<CNoteDisplayInfo> fresh;
    if (CNote::GetNotesForDisplay(fresh, kAllGroups, note.GetId()) && !fresh.empty())
        m_rows[index] = fresh.front();
    // What the note holds now, stored or not yet.
    m_rows[index].visible = note.IsVisible();
    m_rows[index].alarmFlags = note.Alarm().flags;
    FillRow(row, m_rows[index]);
}

void CShowHideDlg::PostRefresh()
{
    if (m_refreshPosted)
        return;
    m_refreshPosted = PostMessageW(GetHwnd(), WM_USER, 0, 0) != FALSE;
}

LRESULT CShowHideDlg::OnUserMessage()
{
    if (m_refreshPosted)
        Refresh();
    return 0;
}

bool CShowHideDlg::OnNoteDisplayChange(CNote* note, CNoteManager::eNoteDisplay event)
{
    if (!m_list || !note)
        return true;
    // A hidden note's menu frame comes and goes without the note changing.
    if (note->GetHwnd() && !note->GetEditHwnd())
        return true;
    const int row = RowOfNote(note->GetId());
    switch (event) {
    case CNoteManager::eNoteShown:
    case CNoteManager::eNoteHidden:
        if (row >= 0)
            UpdateRowInPlace(row, *note);
        else
            PostRefresh();
        break;
    case CNoteManager::eNoteDeleted:
        if (row >= 0) {
            const LPARAM index = ItemData(m_list, row);
            ListView_DeleteItem(m_list, row);
            if (index >= 0 && static_cast<size_t>(index) < m_rows.size())
                m_rows[index].id = -1;
        }
        break;
    default:
        PostRefresh();
        break;
    }
    return true;
}

// ---------------------------------------------------------------- commands

std::vector<std::int64_t> CShowHideDlg::SelectedNoteIds() const
{
    std::vector<std::int64_t> ids;
    for (int row = ListView_GetNextItem(m_list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(m_list, row, LVNI_SELECTED)) {
        const LPARAM index = ItemData(m_list, row);
        if (index >= 0 && static_cast<size_t>(index) < m_rows.size() && m_rows[index].id >= 0)
            ids.push_back(m_rows[index].id);
    }
    return ids;
}

int CShowHideDlg::OnCommand(int id, HWND control, int code)
{
    switch (id) {
    case IDC_ORGANIZER_SHOW_HIDE:     OnShowHideNotes(); return 1;
    case IDC_ORGANIZER_TOGGLE_ALARM:  OnToggleAlarms(); return 1;
    case IDC_ORGANIZER_DELETE:        OnDeleteNotes(); return 1;
    case IDC_ORGANIZER_GLOBAL_SEARCH: OnGlobalSearch(); return 1;
    case IDC_ORGANIZER_NEW_NOTE:      PostMessageW(g_hwndApp, WM_COMMAND, ID_NEW_NOTE, 0); return 1;
    case IDC_ORGANIZER_PREFERENCES:
        SendMessageW(g_hwndApp, WM_COMMAND, ID_PREFERENCES, 0);
        RefreshGroups();
        return 1;
    case IDC_ORGANIZER_EDIT_GROUPS:
        ShowGroupList(GetHwnd());
        RefreshGroups();
        return 1;
    case IDC_ORGANIZER_LIST:
        if (code == 2)
            PostMessageW(GetHwnd(), WM_COMMAND, IDC_ORGANIZER_SHOW_HIDE, 0);
        return 1;
    case IDC_ORGANIZER_GROUPS:
        if (code == LBN_SELCHANGE)
            OnGroupSelected();
        else if (code == LBN_DBLCLK)
            OnEditGroup();
        return 1;
    case kHelpKeyCommand:
    case IDC_ORGANIZER_HELP:
        ShowHelp(kHelpContext);
        return 1;
    case ID_EDIT_SELECT_ALL:
        ListView_SetItemState(m_list, -1, LVIS_SELECTED, LVIS_SELECTED);
        return 1;
    default:
        return CQLDialog::OnCommand(id, control, code);
    }
}

void CShowHideDlg::OnShowHideNotes()
{
    const std::vector<std::int64_t> ids = SelectedNoteIds();
    CNoteManager& manager = NoteManager();
    const CDBUseGuard inUse(manager);
    if (!manager.GetDB())
        return;
    ForEachNote(ids, [](CNote& note) {
        if (note.IsVisible())
            note.HideSticky(false);
        else
            note.ShowSticky();
    });
    PlaySoundFile(g_prefs.ShowHideNote);
}

void CShowHideDlg::OnToggleAlarms()
{
    const std::vector<std::int64_t> ids = SelectedNoteIds();
    CNoteManager& manager = NoteManager();
    const CDBUseGuard inUse(manager);
    if (!manager.GetDB())
        return;
    std::vector<CNote*> toggled;
    std::vector<std::int64_t> neverSet;
    ForEachNote(ids, [&](CNote& note) {
        if (note.Alarm().ToggleActive()) {
            note.SetModified(true);
            toggled.push_back(&note);
        } else {
            neverSet.push_back(note.GetId());
        }
    });
    // Stored before any dialog runs: a switched-off alarm must not fire.
    if (!toggled.empty()) {
        manager.StoreNotes(toggled);
        manager.ResetNextAlarm();
    }
    const HWND window = GetHwnd();
    for (const std::int64_t id : neverSet) {
        if (CNote* const note = manager.GetNote(id))
            ShowAlarmDlg(note, window);
        if (!::IsWindow(window))
            return;
    }
    Refresh();
}

void CShowHideDlg::OnDeleteNotes()
{
    const std::vector<std::int64_t> ids = SelectedNoteIds();
    CNoteManager& manager = NoteManager();
    const CDBUseGuard inUse(manager);
    if (ids.empty() || !manager.GetDB())
        return;
    if (AppMessageBox(GetHwnd(), IDS_CONFIRM_DELETE_NOTES, MB_ICONQUESTION | MB_YESNO) != IDYES)
        return;
    for (const std::int64_t id : ids) {
        CNote* note = manager.GetNote(id);
        if (!note)
            continue;
        if (note->IsLocked()) {
            // A hidden note asks through a frame of its own, which goes again when refused.
            const bool bare = !note->GetHwnd();
            if (bare && note->CreateBareWindow())
                manager.AddWindow(note);
            const bool unlocked = note->GetHwnd() && ShowUnlockNoteDlg(note->GetHwnd(), LoadResString(IDS_UNLOCK_TO_DELETE));
            note = manager.GetNote(id);
            if (!note)
                continue;
            if (!unlocked) {
                if (bare && note->GetHwnd())
                    note->HideSticky(true);
                continue;
            }
        }
        PlaySoundFile(g_prefs.DeleteNote);
        note->Delete();
    }
}

void CShowHideDlg::OnGroupSelected()
{
    const int position = ListBox_GetCurSel(m_groupList);
    if (position < 0)
        return;
    m_groupFilter = static_cast<std::int64_t>(ListBox_GetItemData(m_groupList, position));
    Refresh();
}

void CShowHideDlg::OnEditGroup()
{
    const int position = ListBox_GetCurSel(m_groupList);
    if (position < 0)
        return;
    CGroup* const group = CGroups::FindById(static_cast<std::int64_t>(ListBox_GetItemData(m_groupList, position)));
    const HWND window = GetHwnd();
    if (group && EditGroup(group) && ::IsWindow(window))
        FillGroupList(m_groupList);
}

void CShowHideDlg::OnGlobalSearch()
{
    CloseFindDlg();
    const HWND window = GetHwnd();
    CGlobalFindDlg dialog(window);
    // The organizer may have gone while the box ran.
    if (dialog.DoModal() != 1 || !::IsWindow(window) || !m_list)
        return;
    const std::wstring& search = dialog.SearchText();
    const std::vector<std::int64_t> found = SelectGlobalMatches(dialog.MatchCase() ? 0 : NORM_IGNORECASE, search);
    const CStdStr caption = LoadResString(IDS_GLOBAL_SEARCH);
    CStdStr text;
    if (found.empty()) {
        text.Format(LoadResString(IDS_CANNOT_FIND), search.c_str());
        g_messageBoxSeam.messageBox(window, text.c_str(), caption.c_str(), MB_OK);
        return;
    }
    text.Format(LoadResString(IDS_FOUND_INSTANCES), static_cast<int>(found.size()), search.c_str());
    if (g_messageBoxSeam.messageBox(window, text.c_str(), caption.c_str(), MB_YESNO) == IDYES)
        ShowFoundNotes(found);
    if (!::IsWindow(window) || !m_list)
        return;
    const int first = RowOfNote(found.front());
    if (first >= 0)
        ListView_EnsureVisible(m_list, first, FALSE);
}

std::vector<std::int64_t> CShowHideDlg::SelectGlobalMatches(DWORD compareFlags, const std::wstring& search)
{
    std::vector<std::int64_t> found;
    for (int row = 0; row < ListView_GetItemCount(m_list); ++row) {
        ListView_SetItemState(m_list, row, 0, LVIS_SELECTED);
        const LPARAM index = ItemData(m_list, row);
        if (index < 0 || static_cast<size_t>(index) >= m_rows.size() || m_rows[index].id < 0)
            continue;
        if (!MatchesGlobalSearch(m_rows[index], compareFlags, search.c_str()))
            continue;
        ListView_SetItemState(m_list, row, LVIS_SELECTED, LVIS_SELECTED);
        found.push_back(m_rows[index].id);
    }
    return found;
}

void CShowHideDlg::OnOK()
{
    SendMessageW(GetHwnd(), WM_COMMAND, IDC_ORGANIZER_SHOW_HIDE, 0);
    SetForegroundWindow(GetHwnd());
}

void CShowHideDlg::OnCancel()
{
    CQLDialog::OnCancel();
}

// ---------------------------------------------------------------- notifications

bool CShowHideDlg::OnNotify(int id, NMHDR* header, LRESULT* result)
{
    const HWND listHeader = m_list ? ListView_GetHeader(m_list) : nullptr;
    // Wine also sends LVN_COLUMNCLICK: only the header's own click sorts.
    if ((header->code == HDN_ITEMCLICKW || header->code == HDN_ITEMCLICKA) && header->hwndFrom == listHeader) {
        OnHeaderClick(reinterpret_cast<NMHEADERW*>(header)->iItem);
        return true;
    }
    if (id != IDC_ORGANIZER_LIST)
        return false;
    switch (header->code) {
    case LVN_KEYDOWN:
        if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE)
            PostMessageW(GetHwnd(), WM_COMMAND, IDC_ORGANIZER_DELETE, 0);
        return true;
    case LVN_BEGINDRAG:
        OnBeginDrag();
        return true;
    case NM_CUSTOMDRAW:
        *result = OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        return true;
    case NM_RCLICK:
        OnContextMenu(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
        return true;
    case NM_DBLCLK:
        PostMessageW(GetHwnd(), WM_COMMAND, IDC_ORGANIZER_SHOW_HIDE, 0);
        return true;
    default:
        return false;
    }
}

void CShowHideDlg::SetSortMark(int column, bool on) const
{
    const HWND header = ListView_GetHeader(m_list);
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    if (!header || !Header_GetItem(header, column, &item))
        return;
    item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
    if (on) {
        item.mask |= HDI_BITMAP;
        item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
        item.hbm = m_sortBitmaps[m_sortAscending ? 1 : 0].Get();
    }
    Header_SetItem(header, column, &item);
}

void CShowHideDlg::OnHeaderClick(int column)
{
    if (column < 0 || column >= kColumnCount)
        return;
    SetSortMark(m_sortColumn, false);
    m_sortAscending = column == m_sortColumn ? !m_sortAscending : 0;
    m_sortColumn = column;
    SetSortMark(m_sortColumn, true);
    Refresh();
}

LRESULT CShowHideDlg::OnCustomDraw(NMLVCUSTOMDRAW& draw) const
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        break;
    default:
        return CDRF_DODEFAULT;
    }
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    const bool selected = (ListView_GetItemState(m_list, row, LVIS_SELECTED | LVIS_DROPHILITED)) != 0;
    const int colorIndex = selected ? (GetFocus() == m_list ? COLOR_HIGHLIGHT : COLOR_BTNFACE) : COLOR_WINDOW;
    const COLORREF cellColor = GetSysColor(colorIndex);
    const LPARAM index = draw.nmcd.lItemlParam;
    const CNoteDisplayInfo* const record =
        index >= 0 && static_cast<size_t>(index) < m_rows.size() ? &m_rows[index] : nullptr;
    if (draw.iSubItem > kColumnStatus) {
        draw.clrTextBk = cellColor;
        return CDRF_DODEFAULT;
    }
    RECT cell = {};
    ListView_GetSubItemRect(m_list, row, draw.iSubItem, LVIR_BOUNDS, &cell);
    if (draw.iSubItem == kColumnGroup) {
        RECT next = {};
        ListView_GetSubItemRect(m_list, row, kColumnStatus, LVIR_BOUNDS, &next);
        cell.right = next.left;
    }
    const CBrushHandle cellBrush(CreateSolidBrush(cellColor));
    FillRect(draw.nmcd.hdc, &cell, cellBrush.Get());
    const int left = cell.left + (cell.right - cell.left - kImageSize) / 2;
    const int top = cell.top + (cell.bottom - cell.top - kImageSize) / 2;
    if (draw.iSubItem == kColumnGroup) {
        const CGroup* const group = record && record->group > 0 ? CGroups::FindById(record->group) : nullptr;
        if (group) {
            const RECT swatch = {left + kSwatchInset, top + kSwatchInset, left + kImageSize - kSwatchInset,
                                 top + kImageSize - kSwatchInset};
            const CBrushHandle groupBrush(CreateSolidBrush(group->GetColor() & 0xFFFFFF));
            FillRect(draw.nmcd.hdc, &swatch, groupBrush.Get());
            ImageList_Draw(m_images.Get(), kSwatchImage, draw.nmcd.hdc, left, top, ILD_TRANSPARENT);
        }
    } else if (record) {
        ImageList_Draw(m_images.Get(), OrganizerStatusImage(*record), draw.nmcd.hdc, left, top, ILD_TRANSPARENT);
    }
    return CDRF_SKIPDEFAULT;
}

void CShowHideDlg::OnContextMenu(int row)
{
    const LPARAM index = row >= 0 ? ItemData(m_list, row) : -1;
    if (index < 0 || static_cast<size_t>(index) >= m_rows.size() || m_rows[index].id < 0)
        return;
    const std::int64_t id = m_rows[index].id;
    CNoteManager& manager = NoteManager();
    const CDBUseGuard inUse(manager);
    CNote* note = manager.GetNote(id);
    const HMENU menu = GetNoteFrameMenu();
    if (!note || !menu)
        return;
    const bool hidden = !note->IsVisible() || !note->GetHwnd();
    for (const UINT command : kHiddenNoteGreyed)
        EnableMenuItem(menu, command, MF_BYCOMMAND | (hidden ? MF_GRAYED : MF_ENABLED));
    note->FillGroupMenu();
    POINT at = {};
    GetCursorPos(&at);
    if (!hidden) {
        UpdateNoteMenuChecks(note->GetHwnd());
        SeamedTrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, note->GetHwnd());
        return;
    }
    if (!note->CreateBareWindow())
        return;
    manager.AddWindow(note);
    const HWND frame = note->GetHwnd();
    UpdateNoteMenuChecks(frame);
    const UINT command = static_cast<UINT>(
        SeamedTrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, frame));
    // The menu's loop may have freed the note or taken its frame.
    note = manager.GetNote(id);
    if (!note || note->GetHwnd() != frame)
        return;
    if (command)
        SendMessageW(frame, WM_COMMAND, command, 0);
    else
        note->HideSticky(true);
}

void CShowHideDlg::OnBeginDrag()
{
    std::vector<GUID> guids;
    ForEachNote(SelectedNoteIds(), [&guids](CNote& note) { guids.push_back(note.GetGuid()); });
    DragNotesOut(m_list, guids);
}

// ---------------------------------------------------------------- the window

void CShowHideDlg::OnSize(UINT type, int cx, int cy)
{
    if (type == SIZE_MINIMIZED || !m_list || m_initialRect.left == -1)
        return;
    const SMargins& m = m_margins;
    RECT list = {};
    GetWindowRect(m_list, &list);
    MapWindowPoints(nullptr, GetHwnd(), reinterpret_cast<POINT*>(&list), 2);
    const int listWidth = cx - m.listLeft - m.gap - m.buttonWidth - m.buttonRight;
    const int listHeight = cy - m.listBottom;
    SetWindowPos(m_list, nullptr, 0, 0, listWidth, listHeight, SWP_NOZORDER | SWP_NOMOVE);
    RECT groups = {};
    GetWindowRect(m_groupList, &groups);
    MapWindowPoints(nullptr, GetHwnd(), reinterpret_cast<POINT*>(&groups), 2);
    SetWindowPos(m_groupList, nullptr, 0, 0, groups.right - groups.left, list.top + listHeight - groups.top,
                 SWP_NOZORDER | SWP_NOMOVE);
    for (const int id : kRightButtons) {
        const HWND button = GetItem(id);
        RECT rect = {};
        GetWindowRect(button, &rect);
        MapWindowPoints(nullptr, GetHwnd(), reinterpret_cast<POINT*>(&rect), 2);
        SetWindowPos(button, nullptr, cx - m.buttonRight - m.buttonWidth, rect.top, 0, 0,
                     SWP_NOZORDER | SWP_NOSIZE);
    }
    InvalidateRect(GetHwnd(), nullptr, TRUE);
}

void CShowHideDlg::OnMove(int, int)
{
    SetTimer(GetHwnd(), kMoveTimer, kMoveTimerMs, nullptr);
}

int CShowHideDlg::OnEraseBkgnd(HDC)
{
    return 0;
}

void CShowHideDlg::OnTimer(UINT_PTR id)
{
    if (id != kMoveTimer || (GetAsyncKeyState(VK_LBUTTON) & 0x8000))
        return;
    KillTimer(GetHwnd(), kMoveTimer);
    KeepWindowOnScreen(GetHwnd());
}

void CShowHideDlg::OnGetMinMaxInfo(MINMAXINFO* info)
{
    if (m_initialRect.left == -1)
        return;
    info->ptMinTrackSize.x = m_initialRect.right - m_initialRect.left;
    info->ptMinTrackSize.y = m_initialRect.bottom - m_initialRect.top;
}

void CShowHideDlg::OnActivate(UINT, HWND, bool)
{
}

void CShowHideDlg::OnDestroy()
{
    KillTimer(GetHwnd(), kMoveTimer);
    if (m_opened)
        WriteSettings();
    m_opened = false;
    if (m_listening)
        NoteManager().RemoveDisplayListener(Listener());
    m_listening = false;
    m_refreshPosted = false;
    if (m_dropTarget) {
        RevokeDragDrop(m_groupList);
        m_dropTarget.Reset();
    }
    ListView_SetImageList(m_list, nullptr, LVSIL_SMALL);
    m_images.Reset();
    m_sortBitmaps[0].Reset();
    m_sortBitmaps[1].Reset();
    m_list = nullptr;
    m_groupList = nullptr;
    m_initialRect = {-1, 0, 0, 0};
    if (g_appModule.GetShowHideDlg() == GetHwnd())
        g_appModule.SetShowHideDlg(nullptr);
}
