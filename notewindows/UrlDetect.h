// Link detection: each note marks the web addresses, mail addresses and file
// paths of its text as clickable links, and keeps them for hit testing.
#pragma once

#include <windows.h>

class CUrlDetect {
public:
    virtual ~CUrlDetect() = default;

    // Re-reads the editor's whole text and marks its links; returns 0.
    int Rescan();
};
