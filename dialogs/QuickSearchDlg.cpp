#include "QuickSearchDlg.h"

#include <algorithm>

#include "DlgUtils.h"
#include "foundation/ResModule.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"
#include "toolkit/SystemFonts.h"

namespace {

constexpr UINT kSearchRowMask = kIlbText | kIlbSubtext | kIlbTextColor | kIlbBackColor;

const std::vector<ResizeRule> kResizeRules = {
    { IDC_QUICK_SEARCH_LIST, kResizeSizeX | kResizeSizeY },
    { IDC_QUICK_SEARCH_TEXT, kResizeSizeX | kResizeMoveY },
    { IDOK, kResizeMoveX | kResizeMoveY },
};

ImageListBoxItem RowOf(const QuickSearchResult& result)
{
    ImageListBoxItem item;
    item.mask = kSearchRowMask;
    item.text = result.title;
    item.subtext = result.locked ? LoadResString(IDS_LOCKED) : result.snippet;
    item.textColor = result.textColor;
    item.backColor = result.color;
    return item;
}

// Stops a list from repainting while it is refilled.
class CRedrawOff {
public:
    explicit CRedrawOff(HWND window) : m_window(window) { SendMessageW(window, WM_SETREDRAW, FALSE, 0); }
    ~CRedrawOff()
    {
        SendMessageW(m_window, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(m_window, nullptr, TRUE);
    }
    CRedrawOff(const CRedrawOff&) = delete;
    CRedrawOff& operator=(const CRedrawOff&) = delete;

private:
    HWND m_window;
};

}  // namespace

CQuickSearchDlg::CQuickSearchDlg(std::wstring recentKey)
    : CFrameworkDialog(IDD_QUICK_SEARCH), m_recentKey(std::move(recentKey))
{
}

CQuickSearchDlg::~CQuickSearchDlg()
{
    ReleaseRecent();
}

bool CQuickSearchDlg::DoSearch(const std::wstring& text, std::vector<QuickSearchResult>& results)
{
    return DoQuickSearch(text, results);
}

bool CQuickSearchDlg::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case WM_INITDIALOG:
        result = OnInitDialog();
        return true;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam));
        return false;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return false;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return false;
    }
    return false;
}

LRESULT CQuickSearchDlg::OnInitDialog()
{
    const HWND window = GetHwnd();
    m_list.SubclassWindow(GetDlgItem(window, IDC_QUICK_SEARCH_LIST));
    SetDialogIcons(window);
    // The full-text rows must hold what the notes show now.
    NoteManager().SaveModifiedNotes();
    Init(window, kResizeRules);

    NONCLIENTMETRICSW metrics = {};
    if (ReadNonClientMetrics(metrics))
        m_subtextFont.Reset(CreateFontIndirectW(&metrics.lfMessageFont));
    m_list.SetSubtextFont(m_subtextFont.Get());
    m_list.SetItemMargins(0, 2);
    m_list.SetTextMargins(16, 0);

    const HWND edit = GetDlgItem(window, IDC_QUICK_SEARCH_TEXT);
    // The new object comes with the one reference we hold.
    *m_recent.ReceiveTyped() = new CCustomAutoComplete(m_recentKey);
    m_recent->OpenKey();
    m_recent->LoadItems();
    m_recent->Attach(edit);
    SetFocus(edit);
    return FALSE;
}

bool CQuickSearchDlg::OnCommand(UINT id, UINT code)
{
    switch (id) {
    case IDOK:
        Close(IDOK);
        ShowChosen();
        return true;
    case IDCANCEL:
        Close(IDCANCEL);
        return true;
    case IDC_QUICK_SEARCH_TEXT:
        if (code == EN_CHANGE)
            Search();
        return true;
    case IDC_QUICK_SEARCH_LIST:
        if (code == LBN_DBLCLK)
            OnDoubleClick();
        return true;
    }
    return false;
}

void CQuickSearchDlg::OnActivate(UINT state)
{
    if (state == WA_INACTIVE)
        Close(IDCANCEL);
}

void CQuickSearchDlg::OnDoubleClick()
{
    const LRESULT caret = m_list.Window().Send(LB_GETCARETINDEX);
    if (caret >= 0 && static_cast<size_t>(caret) < m_results.size())
        Window().Post(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

std::wstring CQuickSearchDlg::SearchText() const
{
    return Window().Item(IDC_QUICK_SEARCH_TEXT).Text();
}

void CQuickSearchDlg::Search()
{
    const std::wstring text = SearchText();
    const CRedrawOff quiet(m_list.GetHwnd());
    m_list.Window().Send(LB_RESETCONTENT);
    // The search refills the last rows in place and drops what it does not list.
    DoSearch(text, m_results);
    for (const QuickSearchResult& result : m_results)
        m_list.InsertItem(RowOf(result));
}

std::vector<std::int64_t> CQuickSearchDlg::ChosenIds() const
{
    const CWindowRef list = m_list.Window();
    const LRESULT count = list.Send(LB_GETSELCOUNT);
    std::vector<int> selected(count > 0 ? static_cast<size_t>(count) : 0);
    if (!selected.empty())
        list.Send(LB_GETSELITEMS, selected.size(), reinterpret_cast<LPARAM>(selected.data()));
    std::vector<std::int64_t> ids;
    for (size_t row = 0; row < m_results.size(); ++row) {
        if (selected.empty() || std::find(selected.begin(), selected.end(), static_cast<int>(row)) != selected.end())
            ids.push_back(m_results[row].id);
    }
    return ids;
}

void CQuickSearchDlg::ShowChosen()
{
    // Showing a note can free others: each is looked up by id in turn.
    for (const std::int64_t id : ChosenIds()) {
        if (CNote* const note = NoteManager().GetNote(id))
            note->Show(true, true);
    }
}

void CQuickSearchDlg::Close(INT_PTR result)
{
    // The note Show activates deactivates the box after IDOK has closed it.
    if (m_closed)
        return;
    m_closed = true;
    const std::wstring text = SearchText();
    if (m_recent && !text.empty())
        m_recent->AddRecent(text);
    ReleaseRecent();
    EndDialog(result);
}

void CQuickSearchDlg::ReleaseRecent()
{
    if (!m_recent)
        return;
    m_recent->Detach();
    m_recent.Reset();
}

void RunQuickSearchDlg(HWND owner)
{
    CQuickSearchDlg dialog;
    dialog.DoModal(owner);
}
