// A real OLE drag of notes onto a registered drop target: DoDragDrop needs
// real X input, so it runs under Xvfb.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "tests/support/ScopedUiScript.h"
#include "tests/toolkit/ToolkitTestWindows.h"
#include "toolkit/DragDrop.h"

namespace {

class COleSession {
public:
    COleSession() : m_initialised(SUCCEEDED(OleInitialize(nullptr))) {}
    ~COleSession()
    {
        if (m_initialised)
            OleUninitialize();
    }
    COleSession(const COleSession&) = delete;
    COleSession& operator=(const COleSession&) = delete;

    bool Initialised() const { return m_initialised; }

private:
    const bool m_initialised;
};

// Reads the dropped notes as the organizer's group list would.
class CNoteListTarget : public CIDropTarget {
public:
    explicit CNoteListTarget(HWND window) : CIDropTarget(window) {}

    std::vector<BYTE> received;
    std::vector<POINTL> points;

protected:
    bool HandleDrop(const FORMATETC&, STGMEDIUM& medium, DWORD*) override
    {
        // Only what the block really holds.
        const SIZE_T size = GlobalSize(medium.hGlobal);
        const BYTE* const bytes = static_cast<const BYTE*>(GlobalLock(medium.hGlobal));
        if (bytes) {
            received.assign(bytes, bytes + size);
            GlobalUnlock(medium.hGlobal);
        }
        return true;
    }
    void TrackDragPoint(POINTL point) override { points.push_back(point); }
};

TEST(NoteDrag, DropsTheNotesOnTheTargetWindow)
{
    CModalWatchdog watchdog;
    const COleSession ole;
    ASSERT_TRUE(ole.Initialised());
    const CTestWindow window(RECT{560, 420, 860, 620}, WS_EX_TOPMOST);
    ASSERT_TRUE(window.Get());
    CComPtr<CNoteListTarget> target;
    *target.ReceiveTyped() = new CNoteListTarget(window.Get());
    target->AddFormat(NoteDragFormatEtc());
    ASSERT_EQ(RegisterDragDrop(window.Get(), target.Get()), S_OK);

    GUID notes[2] = {};
    CoCreateGuid(&notes[0]);
    CoCreateGuid(&notes[1]);
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(notes));
    std::memcpy(GlobalLock(block), notes, sizeof(notes));
    GlobalUnlock(block);

    CComPtr<CIDropSource> source;
    *source.ReceiveTyped() = new CIDropSource();
    CComPtr<CIDataObject> data;
    *data.ReceiveTyped() = new CIDataObject(source.Get());
    FORMATETC format = NoteDragFormatEtc();
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    ASSERT_EQ(data->SetData(&format, &medium, TRUE), S_OK);

    POINT point = {710, 520};
    CDragSourceHelper image;
    image.InitializeFromWindow(window.Get(), point, data.Get());
    SetCursorPos(point.x, point.y);
    DWORD effect = DROPEFFECT_NONE;
    EXPECT_EQ(DoDragDrop(data.Get(), source.Get(), kNoteDragEffects, &effect), DRAGDROP_S_DROP);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));
    EXPECT_TRUE(source->Dropped());

    ASSERT_EQ(target->received.size(), sizeof(notes));
    EXPECT_EQ(std::memcmp(target->received.data(), notes, sizeof(notes)), 0);
    ASSERT_FALSE(target->points.empty());
    EXPECT_EQ(target->points.back().x, point.x);
    EXPECT_EQ(target->points.back().y, point.y);
    EXPECT_EQ(RevokeDragDrop(window.Get()), S_OK);
}

}  // namespace
