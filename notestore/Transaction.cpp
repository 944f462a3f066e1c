#include "Transaction.h"

#include "CppSQLite3.h"
#include "SQLiteHelp.h"

namespace {

// Savepoints may share one name: each release or rollback acts on the newest.
const wchar_t kBegin[] = L"BEGIN;";
const wchar_t kCommit[] = L"COMMIT;";
const wchar_t kRollback[] = L"ROLLBACK;";
const wchar_t kSavepoint[] = L"SAVEPOINT quillet_tx;";
const wchar_t kRelease[] = L"RELEASE SAVEPOINT quillet_tx;";
const wchar_t kRollbackSavepoint[] = L"ROLLBACK TO SAVEPOINT quillet_tx;RELEASE SAVEPOINT quillet_tx;";

bool BeginsNested(CppSQLite3DB& db)
{
    return !db.isAutoCommit();
}

} // namespace

CTransaction::CTransaction(CppSQLite3DB& db)
    : m_db(db), m_nested(BeginsNested(db))
{
    m_db.execDML(m_nested ? kSavepoint : kBegin);
}

CTransaction::~CTransaction()
{
    if (m_committed)
        return;
    try {
        Rollback();
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CTransaction::Rollback", e);
    }
}

void CTransaction::Commit()
{
    m_db.execDML(m_nested ? kRelease : kCommit);
    m_committed = true;
}

void CTransaction::Rollback()
{
    // SQLite ends the whole transaction by itself after some errors (a full
    // disk, an interrupt); then there is nothing left to undo.
    if (m_db.isAutoCommit())
        return;
    m_db.execDML(m_nested ? kRollbackSavepoint : kRollback);
}
