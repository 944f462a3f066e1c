// The transaction guard: nothing of an unfinished change stays, a failed
// commit is reported and undone, and nested guards undo only their own part.
#include <gtest/gtest.h>

#include <stdexcept>

#include "SqliteTestSupport.h"
#include "foundation/Seams.h"
#include "notestore/Transaction.h"

class TransactionTest : public DatabaseTest {
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        m_db.execDML(L"create table t(v INTEGER);");
    }

    void Insert(int value)
    {
        m_db.execDML((L"insert into t values(" + std::to_wstring(value) + L");").c_str());
    }
};

TEST_F(TransactionTest, UnwindingBeforeCommitWritesNothing)
{
    try {
        CTransaction tx(m_db);
        Insert(1);
        Insert(2);
        throw std::runtime_error("store failed half-way");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(Count(L"t"), 0);
    EXPECT_TRUE(m_db.isAutoCommit());

    {
        CTransaction tx(m_db);
        Insert(3);
        tx.Commit();
    }
    EXPECT_EQ(Count(L"t"), 1);
    EXPECT_TRUE(m_db.isAutoCommit());
}

TEST_F(TransactionTest, CommitBlockedByReaderThrowsAndRollsBack)
{
    Insert(1);
    CppSQLite3DB reader;
    reader.open(m_path.c_str());
    CppSQLite3Query reading = reader.execQuery(L"select v from t");
    ASSERT_FALSE(reading.eof());

    m_db.setBusyTimeout(100);
    {
        CTransaction tx(m_db);
        Insert(2);
        EXPECT_EQ(ErrorOf([&] { tx.Commit(); }), "SQLITE_BUSY[5]: database is locked");
    }
    EXPECT_TRUE(m_db.isAutoCommit());
    reading.finalize();
    reader.close();
    EXPECT_EQ(Count(L"t"), 1);
}

TEST_F(TransactionTest, NestedGuardUndoesOnlyItsOwnPart)
{
    {
        CTransaction outer(m_db);
        Insert(1);
        {
            CTransaction failing(m_db);
            Insert(2);
        }
        {
            CTransaction inner(m_db);
            Insert(3);
            inner.Commit();
        }
        EXPECT_FALSE(m_db.isAutoCommit());
        outer.Commit();
    }
    EXPECT_TRUE(m_db.isAutoCommit());
    EXPECT_EQ(Count(L"t"), 2);
    EXPECT_EQ(m_db.execScalar(L"select sum(v) from t"), 4);
}

TEST_F(TransactionTest, RollbackFailureIsLoggedNotThrown)
{
    CLogCapture log;
    {
        CTransaction tx(m_db);
        Insert(1);
        // The connection goes behind the guard's back.
        m_db.close();
    }
    EXPECT_TRUE(log.Contains(
        L"CTransaction::Rollback Sqlite3 error 1000 : CPPSQLITE_ERROR[1000]: Database not open"));
}
