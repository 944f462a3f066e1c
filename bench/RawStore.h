// The floor: the same operations in raw SQLite on the same rows, written the
// way SQLite is fastest for each (one transaction, statements prepared once,
// full-text rows keyed by docid, text already in UTF-8).
#pragma once

#include "BenchNotes.h"

#include <string>

double RawStoreNew(const std::wstring& folder, const SPragmas& pragmas, int first, int notes, int variant);
double RawSaveAll(const std::wstring& folder, const SPragmas& pragmas, int notes, int variant);
double RawLoadAll(const std::wstring& folder, const SPragmas& pragmas);
// Open and count.
double RawFirstOpen(const std::wstring& folder, const SPragmas& pragmas);
double RawQuery(const std::wstring& folder, const SPragmas& pragmas, int& hits);

// Full-text segments of the folder's file.
long long SegmentCount(const std::wstring& folder);
