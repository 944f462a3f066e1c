// The transaction guard: nothing of an unfinished change stays, a failed
// commit is reported and undone, and nested guards undo only their own part.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

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

// SQLite rolls the whole transaction back by itself (here a trigger's
// RAISE(ROLLBACK), in the field a full disk): what the batch writes after
// that must not commit on its own, and the guards still end cleanly.
TEST_F(TransactionTest, NothingCommitsAfterSQLiteEndedTheTransaction)
{
    m_db.execDML(L"create table u(v INTEGER);"
                 L"create trigger give_up before insert on u begin select raise(rollback, 'gave up'); end;");
    {
        CTransaction outer(m_db);
        Insert(1);
        CTransaction open(m_db);   // a guard that is open when SQLite ends it all
        EXPECT_EQ(ErrorOf([&] { m_db.execDML(L"insert into u values(1);"); }), "SQLITE_CONSTRAINT[19]: gave up");
        EXPECT_TRUE(m_db.isAutoCommit());
        EXPECT_EQ(ErrorOf([&] { CTransaction later(m_db); }),
                  "SQLITE_ABORT[4]: The enclosing transaction was already ended");
        Insert(2);   // autocommits: only a guard can refuse it
        EXPECT_EQ(ErrorOf([&] { open.Commit(); }), "SQLITE_ABORT[4]: The enclosing transaction was already ended");
        EXPECT_NE(ErrorOf([&] { outer.Commit(); }), "(nothing thrown)");
    }
    EXPECT_EQ(m_db.execScalar(L"select count(*) from t where v = 1"), 0);
    CTransaction next(m_db);   // the depth went back to nothing
    Insert(3);
    next.Commit();
    EXPECT_EQ(m_db.execScalar(L"select count(*) from t where v = 3"), 1);
}

// A change is settled by the guard that decides it: a rolled-back savepoint
// at once, a released one only with the outermost commit or rollback.
TEST_F(TransactionTest, SettlersHearTheOutcomeThatDecidesTheirChange)
{
    std::vector<std::string> heard;
    auto settler = [&heard](const char* name) {
        return [&heard, name](bool committed) { heard.push_back(std::string(name) + (committed ? "+" : "-")); };
    };
    {
        CTransaction outer(m_db);
        outer.WhenSettled(settler("outer"));
        {
            CTransaction undone(m_db);
            undone.WhenSettled(settler("undone"));
        }
        EXPECT_EQ(heard, std::vector<std::string>{"undone-"});
        {
            CTransaction released(m_db);
            released.WhenSettled(settler("released"));
            released.Commit();
        }
        {
            CTransaction sibling(m_db);   // undoes only itself, not the released one
            sibling.WhenSettled(settler("sibling"));
        }
        EXPECT_EQ(heard, (std::vector<std::string>{"undone-", "sibling-"}));
        outer.Commit();
    }
    EXPECT_EQ(heard, (std::vector<std::string>{"undone-", "sibling-", "outer+", "released+"}));

    heard.clear();
    {
        CTransaction outer(m_db);
        CTransaction inner(m_db);
        inner.WhenSettled(settler("inner"));
        inner.Commit();
    }
    EXPECT_EQ(heard, std::vector<std::string>{"inner-"});
}
