// The character format the whole of an editor's text shares, read without
// the user seeing the selection or the scroll position move: a format set
// over all text lays the text out again, which text that holds it already
// is spared.
#pragma once

#include <windows.h>
#include <richedit.h>

// Keeps the selection and the scroll position, and silences notifications,
// while the program selects text of its own.
class CQuietSelectionScope {
public:
    explicit CQuietSelectionScope(HWND editor);
    ~CQuietSelectionScope();
    CQuietSelectionScope(const CQuietSelectionScope&) = delete;
    CQuietSelectionScope& operator=(const CQuietSelectionScope&) = delete;

private:
    HWND m_editor;
    CHARRANGE m_selection = {};
    POINT m_scroll = {};
    DWORD m_eventMask = 0;
};

// The format of all text: in dwMask only what every character shares.
CHARFORMAT2W WholeTextFormat(HWND editor);

// Whether every character holds the effects of wanted's dwMask as wanted
// gives them (the colours too, where the mask names them); in an empty
// editor, whether what is typed next would.
bool WholeTextHolds(HWND editor, const CHARFORMAT2W& wanted);
