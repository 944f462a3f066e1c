// The SQLite access layer: exceptions, opening and closing, statements that
// are reused after they failed, and cursors over borrowed statements.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <memory>

#include "SqliteTestSupport.h"

TEST(CppSQLite3Exception, MessageNamesTheCode)
{
    struct Case { int code; const char* detail; const char* message; };
    const Case cases[] = {
        { 5, "database is locked", "SQLITE_BUSY[5]: database is locked" },
        { 1000, "Invalid scalar query", "CPPSQLITE_ERROR[1000]: Invalid scalar query" },
        { 261, "busy recovery", "UNKNOWN_ERROR[261]: busy recovery" },  // extended codes have no name
        { 101, "", "SQLITE_DONE[101]: " },
        { 25, nullptr, "SQLITE_RANGE[25]: " },                          // no detail from SQLite
        { -1, "x", "UNKNOWN_ERROR[-1]: x" },
    };
    for (const Case& c : cases) {
        const CppSQLite3Exception e(c.code, c.detail);
        EXPECT_EQ(e.errorCode(), c.code);
        EXPECT_STREQ(e.errorMessage(), c.message) << c.code;
    }
}

TEST(CppSQLite3Exception, CopyOutlivesOriginal)
{
    auto original = std::make_unique<CppSQLite3Exception>(19, "UNIQUE constraint failed: t.k");
    const CppSQLite3Exception copy(*original);
    original.reset();
    EXPECT_EQ(copy.errorCode(), 19);
    EXPECT_STREQ(copy.errorMessage(), "SQLITE_CONSTRAINT[19]: UNIQUE constraint failed: t.k");
}

using CppSQLite3DBTest = DatabaseTest;

TEST_F(CppSQLite3DBTest, ScalarOfNullIsZeroAndNoRowThrows)
{
    m_db.execDML(L"create table t(id INTEGER PRIMARY KEY, v INTEGER);");
    // max() over an empty table is a NULL cell: it has no text to parse.
    EXPECT_EQ(m_db.execScalar(L"select max(id) from t"), 0);
    EXPECT_EQ(ErrorOf([&] { m_db.execScalar(L"select id from t"); }),
              "CPPSQLITE_ERROR[1000]: Invalid scalar query");
    EXPECT_EQ(m_db.execDML(L"insert into t(v) values(1);insert into t(v) values(2);"), 1);
    EXPECT_EQ(m_db.execScalar(L"select max(id) from t"), 2);
    EXPECT_EQ(m_db.execScalar(L"select -9223372036854775807 - 1"), LLONG_MIN);
    EXPECT_TRUE(m_db.tableExists(L"t"));
    EXPECT_FALSE(m_db.tableExists(L"it's"));
    EXPECT_FALSE(m_db.notesIndexExists());
}

TEST_F(CppSQLite3DBTest, FailedOpenLeavesItClosedAndUsable)
{
    CppSQLite3DB db;
    const std::wstring missingFolder = m_dir.File(L"missing\\QUILLT40.DAT");
    const sqlite3_int64 memoryBefore = sqlite3_memory_used();
    EXPECT_EQ(ErrorOf([&] { db.open(missingFolder.c_str()); }),
              "SQLITE_CANTOPEN[14]: unable to open database file");
    EXPECT_FALSE(db.isOpen());
    EXPECT_EQ(sqlite3_memory_used(), memoryBefore) << "the failed connection was not closed";
    EXPECT_EQ(ErrorOf([&] { db.execDML(L"select 1"); }), "CPPSQLITE_ERROR[1000]: Database not open");
    EXPECT_EQ(ErrorOf([&] { db.execQuery(L"select 1"); }), "CPPSQLITE_ERROR[1000]: Database not open");

    const std::wstring good = m_dir.File(L"other.dat");
    db.open(good.c_str());
    EXPECT_TRUE(db.isOpen());
    EXPECT_EQ(db.execScalar(L"select 7"), 7);
    db.close();
    EXPECT_TRUE(DeleteFileW(good.c_str()));
}

TEST_F(CppSQLite3DBTest, CloseLetsGoOfTheFileOnceStatementsAreFinalized)
{
    m_db.execDML(L"create table t(v);");
    CppSQLite3Statement leftover(&m_db, L"select v from t");
    m_db.close();
    EXPECT_FALSE(m_db.isOpen());
    leftover.finalize();
    EXPECT_TRUE(DeleteFileW(m_path.c_str())) << GetLastError();
}

TEST_F(CppSQLite3DBTest, CompileNeedsAConnectionAndAStatement)
{
    EXPECT_EQ(ErrorOf([] { CppSQLite3Statement(nullptr, L"select 1"); }),
              "CPPSQLITE_ERROR[1000]: Database not open");
    EXPECT_EQ(ErrorOf([&] { CppSQLite3Statement(&m_db, L"select v from nowhere"); }),
              "SQLITE_ERROR[1]: no such table: nowhere");
    EXPECT_EQ(ErrorOf([&] { CppSQLite3Statement(&m_db, L"  -- only a comment"); }),
              "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
    CppSQLite3Statement empty;
    EXPECT_EQ(ErrorOf([&] { empty.bind(1, 5); }), "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
}

TEST_F(CppSQLite3DBTest, StatementRunsAgainAfterSuccessAndFailure)
{
    m_db.execDML(L"create table t(k INTEGER UNIQUE, v TEXT);");
    CppSQLite3Statement insert(&m_db, L"insert into t(k, v) values(?, ?)");

    insert.bind(1, 1);
    insert.bind(2, "one");
    EXPECT_EQ(insert.execDML(), 1);
    insert.bind(1, 2);
    insert.bind(2, "two");
    EXPECT_EQ(insert.execDML(), 1);

    insert.bind(1, 2);
    EXPECT_EQ(ErrorOf([&] { insert.execDML(); }), "SQLITE_CONSTRAINT[19]: UNIQUE constraint failed: t.k");
    EXPECT_EQ(ActiveStatements(m_db), 0);
    insert.bind(1, 3);
    insert.bind(2, "three");
    EXPECT_EQ(insert.execDML(), 1);

    EXPECT_EQ(Count(L"t"), 3);
    EXPECT_EQ(m_db.execScalar(L"select count(*) from t where v='two' and k=2"), 1);
}

TEST_F(CppSQLite3DBTest, BorrowedCursorFailureLeavesTheStatementUsable)
{
    // The second row overflows: abs() of the smallest 64-bit integer.
    CppSQLite3Statement stmt(&m_db, L"select abs(v) from (select 1 as v union all select ?)");
    stmt.bind(1, static_cast<sqlite3_int64>(LLONG_MIN));
    {
        CppSQLite3Query rows = stmt.execQuery();
        ASSERT_FALSE(rows.eof());
        EXPECT_EQ(rows.getInt64Field(0), 1);
        EXPECT_EQ(ErrorOf([&] { rows.nextRow(); }), "SQLITE_ERROR[1]: integer overflow");
        EXPECT_EQ(ErrorOf([&] { rows.eof(); }), "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
    }
    EXPECT_EQ(ActiveStatements(m_db), 0);

    stmt.bind(1, static_cast<sqlite3_int64>(-5));
    CppSQLite3Query rows = stmt.execQuery();
    rows.nextRow();
    EXPECT_EQ(rows.getInt64Field(0), 5);
    rows.nextRow();
    EXPECT_TRUE(rows.eof());

    // Finalized exactly once: by its owner, after which the file is free.
    stmt.finalize();
    EXPECT_EQ(CompiledStatements(m_db), 0);
    m_db.close();
    EXPECT_TRUE(DeleteFileW(m_path.c_str()));
}

TEST_F(CppSQLite3DBTest, OwningCursorFailureThrowsAndFinalizes)
{
    CppSQLite3Query rows = m_db.execQuery(L"select abs(v) from (select 1 as v union all select -9223372036854775807 - 1)");
    EXPECT_EQ(ErrorOf([&] { rows.nextRow(); }), "SQLITE_ERROR[1]: integer overflow");
    EXPECT_EQ(CompiledStatements(m_db), 0);
    EXPECT_EQ(ErrorOf([&] { m_db.execQuery(L"select abs(-9223372036854775807 - 1)"); }),
              "SQLITE_ERROR[1]: integer overflow");
    EXPECT_EQ(CompiledStatements(m_db), 0);
}

TEST_F(CppSQLite3DBTest, FieldAccess)
{
    m_db.execDML(L"create table t(Name TEXT, n INTEGER, r REAL, b BLOB, text BLOB);"
                 L"insert into t values(NULL, NULL, NULL, NULL, x'4142');");
    const CppSQLite3Query row = m_db.execQuery(L"select * from t");
    ASSERT_FALSE(row.eof());
    EXPECT_EQ(row.numFields(), 5);
    EXPECT_EQ(row.fieldIndex(L"n"), 1);
    // Names compare byte for byte: a case difference is another name.
    EXPECT_EQ(ErrorOf([&] { row.fieldIndex(L"name"); }), "CPPSQLITE_ERROR[1000]: Invalid field name requested");

    // NULL cells read as the empty value of their kind.
    EXPECT_STREQ(row.getStringField(0), "");
    EXPECT_EQ(row.getIntField(1), 0);
    EXPECT_EQ(row.getInt64Field(1), 0);
    EXPECT_EQ(row.getFloatField(2, -1.5), -1.5);
    EXPECT_EQ(row.getFloatField(L"r"), 0.0);
    int length = -1;
    EXPECT_EQ(row.getBlobField(3, length), nullptr);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(row.getText16Field(0), nullptr);
    EXPECT_EQ(row.fieldDataType(3), SQLITE_NULL);

    const unsigned char* text = row.getTextBlob(length);
    ASSERT_EQ(length, 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(text), 2), "AB");

    for (const int bad : { -1, 5, INT_MAX })
        EXPECT_EQ(ErrorOf([&] { row.getInt64Field(bad); }), "CPPSQLITE_ERROR[1000]: Invalid field index requested")
            << bad;
}
