// The organizer's note drags: the selected notes dragged out of its list as
// a block of GUIDs, and the group list that takes such a drop and moves the
// notes into the group under the pointer.
#pragma once

#include <windows.h>

#include <vector>

#include "toolkit/DragDrop.h"

// Runs the drag of the notes' GUIDs from the window; returns when it ends.
void DragNotesOut(HWND source, const std::vector<GUID>& guids);

// The group list as a drop target of note drags: the item under the last
// drag point decides the group the dropped notes join.
class CGroupListDropTarget : public CIDropTarget {
public:
    explicit CGroupListDropTarget(HWND groupList);

    // The hooks are public so that a drop can be played without a real drag.
    bool HandleDrop(const FORMATETC& format, STGMEDIUM& medium, DWORD* effect) override;
    void TrackDragPoint(POINTL point) override;
    void ClearDragFeedback() override;

protected:
    ~CGroupListDropTarget() override = default;

private:
    // The list position under the last drag point; -1 for none.
    int DropPosition() const;
    void RestoreSelection();

    const HWND m_groupList;
    POINT m_lastPoint = {-1, -1};
    int m_savedSelection = -1;
    bool m_tracking = false;
};

