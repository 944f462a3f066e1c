// The one way the program formats and measures rich text outside the screen:
// auto-size, snapshots of a note's text and printing lay out a range of a
// rich edit into a rectangle through here. When the control cannot format
// (it fits nothing of a range that has text), measuring falls back to the
// control's own layout; a call that makes no progress fails, so every
// pagination or measuring loop ends.
#pragma once

#include <windows.h>

struct SFormatRangeResult {
    LONG next = 0;    // the first character that did not fit
    int height = 0;   // twips used from the rectangle's top
};

// The formatter as a replaceable table; the real one is the default.
struct SRichTextFormatterSeam {
    // Formats characters [first, last) of the editor (last -1: to the end)
    // into the rectangle (twips) for the target device; with a render DC it
    // also draws them there. False when nothing of a non-empty range fits.
    bool (*formatRange)(HWND editor, HDC target, HDC render, const RECT& twips, LONG first, LONG last,
                        SFormatRangeResult& result);
    // Frees what the editor keeps from the last formatting.
    void (*releaseCache)(HWND editor);
};
extern SRichTextFormatterSeam g_richTextFormatterSeam;

inline bool FormatRange(HWND editor, HDC target, HDC render, const RECT& twips, LONG first, LONG last,
                        SFormatRangeResult& result)
{
    return g_richTextFormatterSeam.formatRange(editor, target, render, twips, first, last, result);
}

inline void ReleaseCache(HWND editor)
{
    g_richTextFormatterSeam.releaseCache(editor);
}

// The hidden window under which measuring controls are made: the fallback
// reads their layout through it (and sets their width to the rectangle's).
// A control elsewhere, such as a note's own editor, is never resized: there
// the fallback fails. Made on first use, for the rest of the run; null when
// it cannot be made.
HWND GetFormatterParent();
