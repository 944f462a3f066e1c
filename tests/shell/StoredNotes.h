// A notes database made in a data folder before the program starts on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SStoredNote {
    std::wstring name;
    std::wstring text;
    bool visible = true;
    std::wstring group;       // a group of that name; empty: no group
    std::int64_t id = 0;      // the id to end with; 0: the one given
    bool locked = false;      // password-locked, its text hidden
};

// Stores the notes (and their groups) in the folder's database, each visible
// one at its own place on the screen, beside a settings file (made empty
// when missing); false when any step failed.
bool StoreNotesIn(const std::wstring& folder, const std::vector<SStoredNote>& notes);
