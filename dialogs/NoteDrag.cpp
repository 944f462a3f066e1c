#include "NoteDrag.h"

#include <windowsx.h>

#include <algorithm>

#include "dialogs/ShowHideDlg.h"
#include "foundation/Preferences.h"
#include "framework/ComPtr.h"
#include "framework/GlobalMemory.h"
#include "notestore/Note.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"

void DragNotesOut(HWND source, const std::vector<GUID>& guids)
{
    if (guids.empty())
        return;
    CGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE, guids.size() * sizeof(GUID)));
    void* const bytes = block ? GlobalLock(block.Get()) : nullptr;
    if (!bytes)
        return;
    std::copy(guids.begin(), guids.end(), static_cast<GUID*>(bytes));
    GlobalUnlock(block.Get());

    CComPtr<CIDropSource> dropSource;
    *dropSource.ReceiveTyped() = new CIDropSource();
    CComPtr<CIDataObject> data;
    *data.ReceiveTyped() = new CIDataObject(dropSource.Get());
    FORMATETC format = NoteDragFormatEtc();
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block.Get();
    if (FAILED(data->SetData(&format, &medium, TRUE)))
        return;
    block.Release();
    CDragSourceHelper image;
    POINT at = {};
    GetCursorPos(&at);
    image.InitializeFromWindow(source, at, data.Get());
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(data.Get(), dropSource.Get(), kNoteDragEffects, &effect);
}

CGroupListDropTarget::CGroupListDropTarget(HWND groupList) : CIDropTarget(groupList), m_groupList(groupList)
{
    AddFormat(NoteDragFormatEtc());
}

void CGroupListDropTarget::TrackDragPoint(POINTL point)
{
    if (!::IsWindow(m_groupList))
        return;
    if (!m_tracking) {
        m_tracking = true;
        m_savedSelection = ListBox_GetCurSel(m_groupList);
    }
    POINT client = {point.x, point.y};
    ScreenToClient(m_groupList, &client);
    m_lastPoint = client;
    const int position = DropPosition();
    if (position >= 0 && position != ListBox_GetCurSel(m_groupList))
        ListBox_SetCurSel(m_groupList, position);
}

void CGroupListDropTarget::ClearDragFeedback()
{
    RestoreSelection();
}

void CGroupListDropTarget::RestoreSelection()
{
    if (m_tracking && ::IsWindow(m_groupList))
        ListBox_SetCurSel(m_groupList, m_savedSelection);
    m_tracking = false;
    m_savedSelection = -1;
    m_lastPoint = {-1, -1};
}

int CGroupListDropTarget::DropPosition() const
{
    if (m_lastPoint.x < 0 || m_lastPoint.y < 0 || !::IsWindow(m_groupList))
        return -1;
    const LRESULT hit = SendMessageW(m_groupList, LB_ITEMFROMPOINT, 0, MAKELPARAM(m_lastPoint.x, m_lastPoint.y));
    // The high word says the point is outside every item (the nearest is named).
    if (HIWORD(hit) != 0)
        return -1;
    return LOWORD(hit);
}

bool CGroupListDropTarget::HandleDrop(const FORMATETC& format, STGMEDIUM& medium, DWORD* effect)
{
    const int position = DropPosition();
    if (format.cfFormat != kNoteDragClipFormat || medium.tymed != TYMED_HGLOBAL || position < 0) {
        *effect = DROPEFFECT_NONE;
        RestoreSelection();
        return true;
    }
    // The first and last items ("no group", "all notes") take the notes out of their group.
    const CGroup* const group = CGroups::GetAt(position - 1);
    const std::int64_t groupId = group ? group->GetId() : kNoGroup;
    const COLORREF color = group ? group->GetColor() : g_prefs.DefaultColor;

    std::vector<GUID> guids;
    if (const void* const bytes = GlobalLock(medium.hGlobal)) {
        const SIZE_T count = GlobalSize(medium.hGlobal) / sizeof(GUID);
        const GUID* const first = static_cast<const GUID*>(bytes);
        guids.assign(first, first + count);
        GlobalUnlock(medium.hGlobal);
    }
    CNoteManager& manager = NoteManager();
    const CDBUseGuard inUse(manager);
    std::vector<std::int64_t> moved;
    for (const GUID& guid : guids) {
        CNote* const note = manager.GetNoteByGuid(guid);
        if (!note)
            continue;
        note->SetGroup(groupId, color, false);
        if (!group)
            note->SetColor(color);
        if (note->IsModified())
            moved.push_back(note->GetId());
    }
    if (!moved.empty())
        manager.StoreNotes(manager.GetNotes(moved));
    if (CShowHideDlg* const organizer = GetNoteOrganizer())
        organizer->Refresh();
    RestoreSelection();
    return true;
}

