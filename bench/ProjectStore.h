// The operations of the benchmark through the note store. Each works on the
// QUILLT40.DAT of its folder and returns the milliseconds of the operation
// alone; setting up (opening, loading, making windows) is not counted.
#pragma once

#include "BenchNotes.h"

#include <string>

// Makes the schema in an empty file, as the program's first start does.
void ProjectCreateSchema(const std::wstring& folder);
// The pragmas of the note store's connection on that file.
SPragmas ProjectPragmas(const std::wstring& folder);
// Stores notes new notes (numbered from first) as one batch.
double ProjectStoreNew(const std::wstring& folder, int first, int notes, int variant);
// Changes the first notes notes, each with a window, and saves them all.
double ProjectSaveAll(const std::wstring& folder, int notes, int variant);
double ProjectLoadAll(const std::wstring& folder);
double ProjectFirstOpen(const std::wstring& folder);
// Every query term with snippets; hits receives the rows found.
double ProjectQuery(const std::wstring& folder, int& hits);
