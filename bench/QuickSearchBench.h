// The quick search's benchmark rows: each keystroke of a typed script through
// the search itself against raw SQLite running the same statement and bound
// expression on the same connection.
#pragma once

#include <string>

// Builds a data set of notes in folder and prints one row per keystroke.
// With runs of 1 it is a smoke run: true when both sides listed the same ids.
bool MeasureQuickSearch(const std::wstring& folder, int notes, int runs);
