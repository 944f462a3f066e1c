// The note services that work on many notes at once, straight on the rows:
// the bulk repairs that the schema upgrades run. (Members of CNote.)
#include "Note.h"

#include "CppSQLite3.h"
#include "SQLiteHelp.h"
#include "Transaction.h"
#include "foundation/LogFile.h"

#include <string>
#include <utility>
#include <vector>

namespace {

CStdStr BlobTextField(const CppSQLite3Query& row, int field)
{
    int length = 0;
    const auto* bytes = reinterpret_cast<const char*>(row.getBlobField(field, length));
    return bytes ? Utf8OrAnsiToWide(bytes, length) : std::wstring();
}

}  // namespace

bool CNote::UpdateDisplayNames(CppSQLite3DB& db)
{
    try {
        std::vector<std::pair<std::int64_t, std::string>> names;
        {
            // The columns the name is made of, and nothing else is written.
            CppSQLite3Query rows = db.execQuery(L"select `id`, `name`, `text` from notes");
            for (; !rows.eof(); rows.nextRow()) {
                const std::int64_t id = rows.getInt64Field(0);
                std::string utf8;
                if (!WideToUtf8(MakeDisplayName(id, QueryText(rows, 1), BlobTextField(rows, 2)).c_str(), utf8))
                    throw CppSQLite3Exception(SQLITE_NOMEM, "Display name not convertible");
                names.emplace_back(id, std::move(utf8));
            }
        }
        CTransaction tx(db);
        CppSQLite3Statement update(&db, L"UPDATE `notes` SET `displayname`=? WHERE id=?;");
        for (const auto& [id, name] : names) {
            update.bind(1, name.c_str());
            update.bind(2, static_cast<sqlite3_int64>(id));
            update.execDML();
        }
        update.finalize();
        tx.Commit();
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CNote::UpdateDisplayNames", e);
        return false;
    }
}

bool CNote::UpdateTextField(CNoteManager& /*manager*/)
{
    // Needs notes by id and the editor's rich-text conversion; until they
    // exist nothing is rewritten, and nothing claims it was.
    return false;
}

bool CNote::UpdateAutoSizeField(CppSQLite3DB& db)
{
    try {
        QLOG(L"UpdateAutoSizeField");
        const int changed = db.execDML(L"update notes SET autoresize=1");
        QLOG(L"UpdateAutoSizeField - rewrote %d notes", changed);
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CNote::UpdateAutoSizeField", e);
        return false;
    }
}
