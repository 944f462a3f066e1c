// The start-up rows of the benchmark: QUILL32 on a data folder of 10,000
// notes with 100 of them visible, each figure beside what a bare Win32
// program (or a plain file copy and check) pays for the same, run by turns.
#pragma once

#include <string>

// A data folder (ending in a backslash) of 10,000 notes, the first 100
// visible, each at its own place, with an empty settings file.
void MakeStartupFolder(const std::wstring& folder);
// The backups row alone, for the database file, working below root.
void MeasureBackupsOf(const std::wstring& file, const std::wstring& root);
// Builds the data folder below root and prints the rows.
void MeasureStartup(const std::wstring& root);
