// What the database life tests share: a fresh run (a note manager of the
// test's own on a folder of its own, with the log captured), the database
// fixtures built next to the test program, and a reading of a file's layout
// that two files can be compared by.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "foundation/Seams.h"
#include "notestore/notemgr.h"
#include "tests/support/TestDir.h"

// The folder of the fixtures that the build makes from tests/notestore/fixtures.
std::wstring FixturePath(const wchar_t* name);

class CRun {
public:
    CRun();
    ~CRun();
    CRun(const CRun&) = delete;
    CRun& operator=(const CRun&) = delete;

    // Puts a fixture in place as the run's database file.
    void UseFixture(const wchar_t* name);
    std::wstring File() const { return m_dir.File(L"QUILLT40.DAT"); }
    const std::wstring& Folder() const { return m_dir.Path(); }

    CNoteManager& Manager() { return m_manager; }
    CLogCapture& Log() { return m_log; }
    // Whether some log line starts with the text.
    bool Logged(const std::wstring& start) const;

private:
    CTestDir m_dir;
    CLogCapture m_log;
    CNoteManager m_manager;
    CSeamOverride<SNoteManagerSeam> m_seam;
};

// A connection of the test's own to a database file, beside the manager's.
class CPeek {
public:
    explicit CPeek(const std::wstring& file) { m_db.open(file.c_str()); }
    sqlite3_int64 Scalar(const std::wstring& sql) { return m_db.execScalar(sql.c_str()); }
    std::wstring Text(const std::wstring& sql);
    CppSQLite3DB& DB() { return m_db; }

private:
    CppSQLite3DB m_db;
};

struct SColumn {
    std::wstring name;
    std::wstring affinity;
    bool operator==(const SColumn& other) const { return name == other.name && affinity == other.affinity; }
};

struct SLayout {
    std::map<std::wstring, std::vector<SColumn>> tables;   // ordinary tables
    std::map<std::wstring, std::wstring> virtualTables;     // their create text
    std::map<std::wstring, std::wstring> triggers;          // their create text
    std::map<std::wstring, std::wstring> indexes;           // their columns
};

// The layout of the program's own tables, indexes and triggers.
SLayout ReadLayout(CppSQLite3DB& db);

// The layout of a file made new by a note manager.
const SLayout& FreshLayout();

void PrintTo(const SColumn& column, std::ostream* out);
