#include "Transaction.h"

#include "CppSQLite3.h"
#include "SQLiteHelp.h"

#include <utility>
#include <vector>

namespace {

// Savepoints may share one name: each release or rollback acts on the newest.
const wchar_t kBegin[] = L"BEGIN;";
const wchar_t kCommit[] = L"COMMIT;";
const wchar_t kRollback[] = L"ROLLBACK;";
const wchar_t kSavepoint[] = L"SAVEPOINT quillet_tx;";
const wchar_t kRelease[] = L"RELEASE SAVEPOINT quillet_tx;";
const wchar_t kRollbackSavepoint[] = L"ROLLBACK TO SAVEPOINT quillet_tx;RELEASE SAVEPOINT quillet_tx;";

// A guard inside an open one whose transaction SQLite has rolled back: its
// change would otherwise be committed on its own.
void RequireOuterTransaction(CppSQLite3DB& db)
{
    if (db.isAutoCommit())
        throw CppSQLite3Exception(SQLITE_ABORT, "The enclosing transaction was already ended");
}

using CSettlers = std::vector<std::pair<int, std::function<void(bool)>>>;

// Takes out the settlers registered at level or deeper.
CSettlers TakeSettlers(CSettlers& settlers, int level)
{
    CSettlers taken;
    CSettlers kept;
    for (auto& entry : settlers)
        (entry.first >= level ? taken : kept).push_back(std::move(entry));
    settlers.swap(kept);
    return taken;
}

} // namespace

CTransaction::CTransaction(CppSQLite3DB& db) : m_db(db)
{
    CppSQLite3DB::STransactionState& state = m_db.transactionState();
    const bool nested = state.depth > 0;
    if (nested)
        RequireOuterTransaction(m_db);
    m_db.execDML(nested ? kSavepoint : kBegin);
    m_level = ++state.depth;
}

CTransaction::~CTransaction()
{
    if (!m_committed) {
        try {
            Rollback();
        } catch (const CppSQLite3Exception& e) {
            LogSqliteError(L"CTransaction::Rollback", e);
        }
    }
    --m_db.transactionState().depth;
    Settle();
}

void CTransaction::Commit()
{
    if (m_level > 1)
        RequireOuterTransaction(m_db);
    m_db.execDML(m_level > 1 ? kRelease : kCommit);
    m_committed = true;
}

void CTransaction::WhenSettled(std::function<void(bool committed)> settle)
{
    m_db.transactionState().settlers.emplace_back(m_level, std::move(settle));
}

void CTransaction::Rollback()
{
    // SQLite ends the whole transaction by itself after some errors; then
    // there is nothing left to undo.
    if (m_db.isAutoCommit())
        return;
    m_db.execDML(m_level > 1 ? kRollbackSavepoint : kRollback);
}

// A rollback decides the changes made at this level and deeper; a released
// savepoint hands them to the enclosing guard; the outermost commit decides all.
void CTransaction::Settle()
{
    CSettlers& settlers = m_db.transactionState().settlers;
    if (m_committed && m_level > 1) {
        for (auto& entry : settlers)
            if (entry.first >= m_level)
                entry.first = m_level - 1;
        return;
    }
    for (auto& entry : TakeSettlers(settlers, m_level))
        entry.second(m_committed);
}
