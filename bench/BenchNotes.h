// The benchmark's data set: notes of about 600 characters of words from a
// fixed vocabulary, the same on every run, and the settings both sides of a
// measurement share.
#pragma once

#include "notestore/Note.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr int kBaseNotes = 10000;

// Note number index of the data set; variant gives the same note other words.
void FillBenchNote(CNote& note, int index, int variant);
// Words that occur in about one note in twenty, for full-text queries.
std::vector<std::string> QueryTerms();

// The pragmas the project's connection runs with, for raw SQLite to match.
struct SPragmas {
    std::string sql;   // one statement per pragma
};
SPragmas ReadPragmas(CppSQLite3DB& db);

// Milliseconds from a fixed start.
double NowMs();

// Puts a fresh copy of base into folder as its QUILLT40.DAT.
void CopyBase(const std::wstring& base, const std::wstring& folder);
// The file of folder that the note manager opens.
std::wstring DataFile(const std::wstring& folder);
