// Link detection: each note marks the web addresses, mail addresses and file
// paths of its text as clickable links, and keeps them for hit testing.
#pragma once

#include <windows.h>

#include <vector>

#include "foundation/StdStr.h"

class CUrlDetect {
public:
    CUrlDetect() = default;
    virtual ~CUrlDetect() = default;

    // Takes the note's editor; the next Rescan reads it.
    void Attach(HWND editor);
    // The index of the link under a screen point, or -1; the point comes
    // back in the editor's client coordinates.
    int HitTest(POINT& point) const;
    bool IsOverLink(POINT point) const;
    // The text of the link under a screen point, or "".
    CStdStr GetLinkAt(POINT point) const;

    bool IsEnabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }

    // Re-reads the editor's whole text and marks its links; returns 0.
    int Rescan();

private:
    // Characters [start, end) of the editor's text.
    struct SLink {
        int start;
        int end;
        CStdStr text;
    };

    void FindLinks(const CStdStr& text);
    void MarkLinks() const;

    HWND m_editor = nullptr;
    bool m_scanned = false;  // the list reflects a scan of m_editor
    std::vector<SLink> m_links;  // in text order
    bool m_enabled = true;
};

// Whether the link pattern matches anywhere in text, and where the first
// match starts and ends (character offsets).
bool FindNextLink(const CStdStr& text, int& start, int& end);

// The pattern as the scan reaches it: FindNextLink by default.
struct SLinkPatternSeam {
    bool (*find)(const CStdStr& key, int& start, int& end);
};
extern SLinkPatternSeam g_linkPatternSeam;
