// Docking geometry and the note manager's walks over its note windows.
#include "docking.h"

#include "Note.h"
#include "notemgr.h"
#include "foundation/WinPlacement.h"
#include "toolkit/AlphaNotifierWnd.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

unsigned SideFlags(const RECT& m, const RECT& o)
{
    unsigned flags = 0;
    if (m.left >= o.right)
        flags |= kEdgeRightOf;
    if (o.left >= m.right)
        flags |= kEdgeLeftOf;
    if (m.top >= o.bottom)
        flags |= kEdgeBelow;
    if (o.top >= m.bottom)
        flags |= kEdgeAbove;
    return flags;
}

// One axis of both rectangles: near and far edges (left and right, or top
// and bottom) and the guide's size along it.
struct SAxis {
    int mNear, mFar, oNear, oFar, guideSize;
};

// The offset to the facing edge when M lies wholly after O on the axis (right
// of or below it), or wholly before it.
void FaceEdge(const SAxis& a, bool after, int& offset, LONG& position, LONG& guide)
{
    if (after) {
        offset = a.mNear - a.oFar;
        position = guide = a.oFar + 1;
    } else {
        offset = a.oNear - a.mFar;
        position = a.oNear - (a.mFar - a.mNear) - 1;
        guide = a.oNear - a.guideSize - 1;
    }
}

// M's near edge to O's near edge, or its far edge to O's far edge when that
// is closer.
void AlignAxis(const SAxis& a, unsigned nearFromInside, unsigned nearFromOutside, unsigned& flags, int& offset,
               LONG& position, LONG& guide)
{
    offset = a.mNear - a.oNear;
    position = guide = a.oNear;
    flags |= a.mNear >= a.oNear ? nearFromInside : nearFromOutside;
    if (a.mFar < a.oFar && a.oFar - a.mFar < std::abs(offset)) {
        offset = a.oFar - a.mFar;
        position = a.mNear + a.oFar - a.mFar;
        guide = a.oFar - a.guideSize;
    }
}

} // namespace

SEdgeRelation GetEdgeRelation(const RECT& moving, const RECT& other, int guideWidth, int guideHeight)
{
    const SAxis horizontal = {moving.left, moving.right, other.left, other.right, guideWidth};
    const SAxis vertical = {moving.top, moving.bottom, other.top, other.bottom, guideHeight};
    SEdgeRelation r;
    r.position = r.guide = {other.left, other.top};
    r.flags = SideFlags(moving, other);
    const unsigned sides = r.flags;
    // Only a rectangle on exactly one side faces an edge.
    if (sides == kEdgeRightOf || sides == kEdgeLeftOf) {
        FaceEdge(horizontal, sides == kEdgeRightOf, r.dx, r.position.x, r.guide.x);
        r.hasDx = true;
    } else if (sides == kEdgeBelow || sides == kEdgeAbove) {
        FaceEdge(vertical, sides == kEdgeBelow, r.dy, r.position.y, r.guide.y);
        r.hasDy = true;
    }
    if (!(sides & (kEdgeBelow | kEdgeAbove))) {
        AlignAxis(vertical, kEdgeTopFromBelow, kEdgeTopFromAbove, r.flags, r.dy, r.position.y, r.guide.y);
        r.hasDy = true;
    }
    if (!(sides & (kEdgeRightOf | kEdgeLeftOf))) {
        AlignAxis(horizontal, kEdgeLeftFromRight, kEdgeLeftFromLeft, r.flags, r.dx, r.position.x, r.guide.x);
        r.hasDx = true;
    }
    return r;
}

SRectDistances GetRectDistances(const RECT& a, const RECT& b)
{
    auto normalised = [](RECT r) {
        if (r.left > r.right)
            std::swap(r.left, r.right);
        if (r.top > r.bottom)
            std::swap(r.top, r.bottom);
        return r;
    };
    const RECT na = normalised(a);
    const RECT nb = normalised(b);
    RECT overlap = {};
    if (IntersectRect(&overlap, &na, &nb))
        return {-RectWidth(overlap), -RectHeight(overlap)};
    SRectDistances d;
    d.horizontal = std::min({std::abs(na.right - nb.left), std::abs(nb.right - na.left), std::abs(na.left - nb.left),
                             std::abs(na.right - nb.right)});
    d.vertical = std::min({std::abs(na.bottom - nb.top), std::abs(nb.bottom - na.top), std::abs(na.top - nb.top),
                           std::abs(nb.bottom - na.bottom)});
    return d;
}

int ClassifyClipBox(int regionKind, const RECT& clipBox, const RECT& windowAtOrigin)
{
    if (regionKind == NULLREGION || regionKind == ERROR)
        return 0;
    return regionKind == SIMPLEREGION && EqualRect(&clipBox, &windowAtOrigin) ? 1 : -1;
}

int GetWindowClipState(HWND window)
{
    // A hidden window clips nothing under Wine; Windows reports it empty.
    if (!window || !IsWindow(window) || !IsWindowVisible(window))
        return 0;
    RECT rect = {};
    GetWindowRect(window, &rect);
    OffsetRect(&rect, -rect.left, -rect.top);
    const CWindowDC dc(window, true);
    if (!dc.Get())
        return 0;
    RECT clip = {};
    return ClassifyClipBox(GetClipBox(dc.Get(), &clip), clip, rect);
}

// ---------------------------------------------------------------- the manager's walks

namespace {

// A shown note whose window can be seen, other than the ones named.
bool IsDockCandidate(const CNote* note, HWND window, const CNote* first, const CNote* second)
{
    return note != first && note != second && note->IsVisible() && GetWindowClipState(window) != 0;
}

void TakeCandidate(const SEdgeRelation& relation, double distance, const RECT& moving, const RECT& other,
                   CNote* note, SSnapQuery& snap)
{
    snap.distance = static_cast<int>(distance);
    snap.position = relation.position;
    snap.guide = relation.guide;
    snap.target = note;
    if (relation.flags & (kEdgeBelow | kEdgeAbove)) {
        snap.extent = {RectWidth(other), RectHeight(moving)};
        snap.orientation = relation.flags & kEdgeAbove ? 1 : 0;
    } else {
        snap.extent = {RectWidth(moving), RectHeight(other)};
        snap.orientation = relation.flags & kEdgeRightOf ? 2 : 3;
    }
}

} // namespace

void CNoteManager::FindSnapTarget(const RECT& proposed, const CNote* moving, SSnapQuery& snap)
{
    snap.orientation = 0;
    snap.distance = INT_MAX;
    snap.target = nullptr;
    CLockedStlGuard inUse(m_windowNotes);
    for (const auto& [window, note] : m_windowNotes) {
        if (!IsDockCandidate(note, window, moving, nullptr))
            continue;
        RECT other = {};
        GetWindowRect(window, &other);
        const SEdgeRelation relation = GetEdgeRelation(proposed, other, snap.guideWidth, snap.guideHeight);
        if (!relation.hasDx && !relation.hasDy)
            continue;
        const double distance = std::hypot(static_cast<double>(relation.dx), static_cast<double>(relation.dy));
        if (distance < snap.distance)
            TakeCandidate(relation, distance, proposed, other, note, snap);
    }
}

int CNoteManager::CollectDockedNotes(CNote* note, CNote* exclude, std::set<std::int64_t>& docked)
{
    if (note)
        CollectDockedFrom(note, exclude, note, docked);
    return static_cast<int>(docked.size());
}

// The origin is never collected: around a ring of notes the walk comes back
// to it, and the frame would move the dragged note a second time.
void CNoteManager::CollectDockedFrom(CNote* note, CNote* exclude, const CNote* origin, std::set<std::int64_t>& docked)
{
    const HWND window = note->GetHwnd();
    if (!window)
        return;
    RECT rect = {};
    GetWindowRect(window, &rect);
    std::vector<CNote*> found;
    {
        CLockedStlGuard inUse(m_windowNotes);
        for (const auto& [otherWindow, other] : m_windowNotes) {
            if (other == origin || !IsDockCandidate(other, otherWindow, note, exclude))
                continue;
            RECT otherRect = {};
            GetWindowRect(otherWindow, &otherRect);
            const SRectDistances distances = GetRectDistances(rect, otherRect);
            if (distances.horizontal <= 1 && distances.vertical <= 1 && docked.insert(other->GetId()).second)
                found.push_back(other);
        }
    }
    for (CNote* other : found)
        CollectDockedFrom(other, note, origin, docked);
}
