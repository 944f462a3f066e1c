// Magnetic docking of note windows: where a moving note would snap to a
// neighbour, how far two rectangles lie apart, and whether a window can be
// seen at all. The geometry is pure; the note manager walks its note windows
// with it (FindSnapTarget, CollectDockedNotes).
#pragma once

#include <windows.h>

// Relation flags of a moving rectangle M to another rectangle O.
enum : unsigned {
    kEdgeRightOf = 0x1,        // M.left >= O.right
    kEdgeLeftOf = 0x2,         // O.left >= M.right
    kEdgeBelow = 0x4,          // M.top >= O.bottom
    kEdgeAbove = 0x8,          // O.top >= M.bottom
    kEdgeTopFromBelow = 0x100, // tops aligned, M's top at or below O's
    kEdgeTopFromAbove = 0x200, // tops aligned, M's top above O's
    kEdgeLeftFromRight = 0x400,
    kEdgeLeftFromLeft = 0x800,
};

struct SEdgeRelation {
    unsigned flags = 0;
    POINT position = {};   // where M's top-left corner would snap to
    POINT guide = {};      // where the guide image goes
    int dx = 0;
    int dy = 0;
    // Whether the offsets were set at all: 0 is an exactly aligned neighbour.
    bool hasDx = false;
    bool hasDy = false;
};

SEdgeRelation GetEdgeRelation(const RECT& moving, const RECT& other, int guideWidth, int guideHeight);

// Horizontal and vertical distance of two rectangles; both negative (the
// overlap's width and height) when they overlap.
struct SRectDistances {
    int horizontal = 0;
    int vertical = 0;
};
SRectDistances GetRectDistances(const RECT& a, const RECT& b);

// 0 hidden or no window, 1 fully visible, -1 partly covered.
int GetWindowClipState(HWND window);
// The classification of a window's clip box: the region kind GetClipBox
// returned, the clip box and the window's rectangle moved to 0, 0.
int ClassifyClipBox(int regionKind, const RECT& clipBox, const RECT& windowAtOrigin);

// What the note frame asks (the guide image's size) and what it gets back.
class CNote;
struct SSnapQuery {
    int guideWidth = 0;
    int guideHeight = 0;
    // 0 the note docks with its top edge (it lies below the target), 1 with
    // its bottom edge, 2 with its left edge, 3 with its right edge.
    int orientation = 0;
    POINT position = {};
    POINT guide = {};
    SIZE extent = {};
    int distance = 0;      // whole pixels; INT_MAX without a target
    CNote* target = nullptr;
};
