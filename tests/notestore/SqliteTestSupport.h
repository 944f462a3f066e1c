// What the note store tests share: a database file in a folder of the test's
// own, and ways to look at a connection from outside the layer.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "notestore/CppSQLite3.h"
#include "notestore/SQLiteHelp.h"
#include "tests/support/TestDir.h"

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { m_db.open(m_path.c_str()); }
    // The statement cache is process-wide: each test leaves it empty.
    void TearDown() override
    {
        ReleaseStatementCache();
        m_db.close();
    }

    sqlite3_int64 Count(const wchar_t* table)
    {
        return m_db.execScalar((std::wstring(L"select count(*) from ") + table).c_str());
    }

    CTestDir m_dir;
    const std::wstring m_path = m_dir.File(L"QUILLT40.DAT");
    CppSQLite3DB m_db;
};

// The message of the CppSQLite3Exception that action throws.
template <class Action>
std::string ErrorOf(Action action)
{
    try {
        action();
    } catch (const CppSQLite3Exception& e) {
        return e.errorMessage();
    }
    return "(nothing thrown)";
}

// Statements of the connection that were stepped and not reset since: each
// one holds a read or write lock that nothing will release.
inline int ActiveStatements(const CppSQLite3DB& db)
{
    int active = 0;
    for (sqlite3_stmt* stmt = sqlite3_next_stmt(db.handle(), nullptr); stmt;
         stmt = sqlite3_next_stmt(db.handle(), stmt))
        active += sqlite3_stmt_busy(stmt) ? 1 : 0;
    return active;
}

inline int CompiledStatements(const CppSQLite3DB& db)
{
    int compiled = 0;
    for (sqlite3_stmt* stmt = sqlite3_next_stmt(db.handle(), nullptr); stmt;
         stmt = sqlite3_next_stmt(db.handle(), stmt))
        ++compiled;
    return compiled;
}
