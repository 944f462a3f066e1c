// Transaction guard: every multi-statement change runs inside one. The
// outermost guard on a connection begins and commits a transaction; a guard
// opened inside it is a savepoint, so a failing inner change is undone alone.
#pragma once

class CppSQLite3DB;

class CTransaction {
public:
    // Begins the transaction (or the savepoint); throws CppSQLite3Exception.
    explicit CTransaction(CppSQLite3DB& db);
    // Rolls back unless Commit succeeded; never throws (a failure is logged).
    ~CTransaction();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;

    // Throws CppSQLite3Exception when the commit fails; the destructor then rolls back.
    void Commit();

private:
    void Rollback();

    CppSQLite3DB& m_db;
    const bool m_nested;
    bool m_committed = false;
};
