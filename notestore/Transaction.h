// Transaction guard: every multi-statement change runs inside one. The
// outermost guard on a connection begins and commits a transaction; a guard
// opened inside it is a savepoint, so a failing inner change is undone alone.
// The guards keep their depth on the connection: SQLite rolls a whole
// transaction back by itself on some errors (a full disk, an I/O error, out
// of memory, a trigger's RAISE(ROLLBACK)), and a nested guard that finds the
// outer transaction gone throws instead of starting a transaction of its own,
// so a batch is never committed piecemeal.
#pragma once

#include <functional>

class CppSQLite3DB;

class CTransaction {
public:
    // Begins the transaction (or the savepoint); throws CppSQLite3Exception,
    // also when it would nest in a transaction that SQLite has ended.
    explicit CTransaction(CppSQLite3DB& db);
    // Rolls back unless Commit succeeded; never throws (a failure is logged).
    ~CTransaction();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;

    // Throws CppSQLite3Exception when the commit fails, or when a nested
    // guard finds the outer transaction gone; the destructor then rolls back.
    void Commit();

    // Calls settle once the change made under this guard is final: with true
    // when the outermost guard has committed, with false when a rollback (this
    // guard's, an outer one's, or SQLite's own) undid it. settle must not
    // throw; it runs when the deciding guard goes.
    void WhenSettled(std::function<void(bool committed)> settle);

private:
    void Rollback();
    void Settle();

    CppSQLite3DB& m_db;
    int m_level = 0;   // 1 for the outermost guard
    bool m_committed = false;
};
