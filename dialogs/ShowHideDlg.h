// The note organizer: one modeless window that lists the notes (all, one
// group's, or those without a group), shows and hides them, switches their
// alarms, deletes them, opens a note's menu, and regroups notes dragged onto
// the group list. It follows changes made elsewhere as a display listener.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/NoteDrag.h"
#include "framework/ComPtr.h"
#include "framework/GdiObject.h"
#include "framework/ImageListHandle.h"
#include "notestore/NoteLists.h"
#include "notestore/notemgr.h"
#include "toolkit/QLDialog.h"

// The list's columns, in order; sort values compare by these.
enum EOrganizerColumn : int {
    kColumnGroup = 0,
    kColumnStatus,
    kColumnTitle,
    kColumnAlarm,
    kColumnCreated,
    kColumnUpdated,
    kColumnAttached,
    kColumnCount
};

// The status image of a row: 3 or 4 with an active alarm, else 5 or 6; the
// lower one for a visible note.
int OrganizerStatusImage(const CNoteDisplayInfo& record);
// Negative when first sorts before second by that column; ascending 0
// reverses the column's order. Any other column gives 0.
int CompareDisplayRecords(const CNoteDisplayInfo& first, const CNoteDisplayInfo& second, int column, int ascending);

class CShowHideDlg : public CQLDialog {
public:
    CShowHideDlg();
    ~CShowHideDlg() override;

    // Refills the rows for the group filter, keeping selection and position;
    // a failed read leaves rows and records as they are.
    void Refresh();
    // After the groups were edited: a vanished filter group becomes "no group".
    void RefreshGroups();
    void FillGroupList(HWND groupList);
    static int CALLBACK CompareItems(LPARAM first, LPARAM second, LPARAM sortValue);
    bool OnNoteDisplayChange(CNote* note, CNoteManager::eNoteDisplay event);
    void OnGlobalSearch();

    HWND ListWindow() const { return m_list; }
    HWND GroupListWindow() const { return m_groupList; }
    CGroupListDropTarget* DropTarget() const { return m_dropTarget.Get(); }
    const std::vector<CNoteDisplayInfo>& Rows() const { return m_rows; }
    std::int64_t GroupFilter() const { return m_groupFilter; }
    int SortColumn() const { return m_sortColumn; }
    int SortAscending() const { return m_sortAscending; }

protected:
    int OnInitDialog() override;
    int OnCommand(int id, HWND control, int code) override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT OnUserMessage() override;
    bool OnNotify(int id, NMHDR* header, LRESULT* result) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnMove(int x, int y) override;
    int OnEraseBkgnd(HDC dc) override;
    void OnTimer(UINT_PTR id) override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    void OnActivate(UINT state, HWND other, bool minimized) override;
    void OnDestroy() override;

private:
    struct SMargins {
        int listLeft = 0;
        int listBottom = 0;  // client height minus list height
        int gap = 0;         // between list and buttons
        int buttonWidth = 0;
        int buttonRight = 0;
    };

    void MeasureLayout();
    void SetUpList();
    void ReadSettings();
    void WriteSettings() const;
    bool RegisterDropTarget();
    void SelectFilterItem();

    CNoteManager::CDisplayListener Listener();
    void PostRefresh();
    int RowOfNote(std::int64_t id) const;
    void FillRow(int row, const CNoteDisplayInfo& record);
    void UpdateRowInPlace(int row, CNote& note);
    void SetSortMark(int column, bool on) const;
    void OnHeaderClick(int column);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw) const;
    void OnContextMenu(int row);
    void OnBeginDrag();

    std::vector<std::int64_t> SelectedNoteIds() const;
    void OnShowHideNotes();
    void OnToggleAlarms();
    void OnDeleteNotes();
    void OnGroupSelected();
    void OnEditGroup();
    // Selects exactly the rows that hold the search text; their note ids.
    std::vector<std::int64_t> SelectGlobalMatches(DWORD compareFlags, const std::wstring& search);

    HWND m_list = nullptr;
    HWND m_groupList = nullptr;
    RECT m_initialRect = {-1, 0, 0, 0};
    SMargins m_margins;
    CImageListHandle m_images;
    CGdiObject<HBITMAP> m_sortBitmaps[2];
    CComPtr<CGroupListDropTarget> m_dropTarget;  // while registered on the group list
    bool m_opened = false;
    bool m_listening = false;
    bool m_refreshPosted = false;

    std::vector<CNoteDisplayInfo> m_rows;
    std::int64_t m_groupFilter = kNoGroup;
    int m_sortColumn = kColumnTitle;
    int m_sortAscending = 1;
};

// The open organizer, or null.
CShowHideDlg* GetNoteOrganizer();
// Opens the organizer without a parent, or closes it when it is open.
void ToggleNoteOrganizer();
