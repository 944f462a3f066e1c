#include "SQLiteHelp.h"

#include "foundation/LogFile.h"
#include "foundation/ResModule.h"
#include "foundation/xmlread.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <string_view>
#include <utility>

namespace {

const wchar_t kKeyCondition[] = L"`id`=?";
const wchar_t kDocIdKeyCondition[] = L"docid=?";
const wchar_t kIdColumn[] = L"id";

CppSQLite3DB* g_statementDB = nullptr;
// Both looked up without making a string: loading many notes looks up a few per note.
std::map<std::wstring, std::unique_ptr<SQLiteStatementCache>, std::less<>> g_statementCache;
// Statements of no table's own, by their SQL text.
std::map<std::wstring, CppSQLite3Statement, std::less<>> g_sqlStatements;

const wchar_t* CreateType(unsigned short code)
{
    switch (code) {
    case eColRowId:    return L"INTEGER PRIMARY KEY";
    case eColText:     return L"TEXT";
    case eColDouble:
    case eColDate:     return L"REAL";
    case eColLongText:
    case eColBinary:   return L"BLOB";
    }
    return L"INTEGER";
}

CStdStr Backquoted(const wchar_t* name)
{
    return L"`" + CStdStr(name) + L"`";
}

SQLiteStatementCache& FindOrCreateStatementCache(const wchar_t* table)
{
    std::unique_ptr<SQLiteStatementCache>& entry = g_statementCache[table];
    if (!entry) {
        entry = std::make_unique<SQLiteStatementCache>();
        entry->tableName = table;
    }
    return *entry;
}

CppSQLite3DB& RequireStatementDB()
{
    if (!g_statementDB)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Database not open");
    return *g_statementDB;
}

void AppendFirstColumn(CppSQLite3Query& query, std::vector<std::int64_t>& ids)
{
    std::vector<std::int64_t> found;
    for (; !query.eof(); query.nextRow())
        found.push_back(query.getInt64Field(0));
    ids.insert(ids.end(), found.begin(), found.end());
}

// Runs one mapping operation: a SQLite error is logged under the operation's
// name at the caller's position and reported as false.
template <class Body>
bool RunLogged(const wchar_t* operation, Body body, const char* sourceFile = __builtin_FILE(),
               int line = __builtin_LINE())
{
    try {
        return body();
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(operation, e, sourceFile, line);
        return false;
    }
}

bool HasIdColumn(const SQLiteColumnDesc* columns)
{
    for (const SQLiteColumnDesc* column = columns; column->type; ++column)
        if (column->type == eColRowId)
            return true;
    return false;
}

} // namespace

// ---------------------------------------------------------------- statement cache

CppSQLite3DB* GetStatementDB()
{
    return g_statementDB;
}

CppSQLite3Statement& CachedStatement(const wchar_t* sql)
{
    const auto found = g_sqlStatements.find(std::wstring_view(sql));
    if (found != g_sqlStatements.end())
        return found->second;
    CppSQLite3Statement compiled(&RequireStatementDB(), sql);
    return g_sqlStatements.emplace(sql, std::move(compiled)).first->second;
}

void ReleaseStatementCache()
{
    g_sqlStatements.clear();
    g_statementCache.clear();
    g_statementDB = nullptr;
}

// ---------------------------------------------------------------- CSQLiteBase

CSQLiteBase::CSQLiteBase(void* row, const SQLiteColumnDesc* columns, const wchar_t* table, const wchar_t* rowName,
                         ERowKey rowKey)
    : m_row(row), m_columns(columns), m_table(table), m_rowName(rowName), m_rowKey(rowKey)
{
}

const wchar_t* CSQLiteBase::KeyCondition() const
{
    return m_rowKey == ERowKey::DocId ? kDocIdKeyCondition : kKeyCondition;
}

int CSQLiteBase::ColumnCount() const
{
    int count = 0;
    while (m_columns[count].type)
        ++count;
    return count;
}

CStdStr CSQLiteBase::BuildCreateSql() const
{
    CStdStr sql = L"create table " + CStdStr(m_table) + L"(";
    CStdStr indexed;
    for (const SQLiteColumnDesc* column = m_columns; column->type; ++column) {
        if (column != m_columns)
            sql += L",";
        sql += Backquoted(column->name) + L" " + CreateType(column->Code());
        if (column->type & eColIndexed) {
            if (!indexed.empty())
                indexed += L",";
            indexed += column->name;
        }
    }
    sql += L");";
    if (!indexed.empty())
        sql += L"\r\ncreate index " + Backquoted((CStdStr(m_table) + L"_idx").c_str()) + L" on "
               + Backquoted(m_table) + L"(" + indexed + L");";
    return sql;
}

CStdStr CSQLiteBase::BuildInsertSql() const
{
    // A full-text row's docid is bound first, to the same id as its `id`.
    CStdStr names = m_rowKey == ERowKey::DocId ? L"docid," : L"";
    CStdStr params = m_rowKey == ERowKey::DocId ? L"?," : L"";
    for (const SQLiteColumnDesc* column = m_columns; column->type; ++column) {
        if (column != m_columns) {
            names += L",";
            params += L",";
        }
        names += Backquoted(column->name);
        params += L"?";
    }
    return L"insert into " + Backquoted(m_table) + L" (" + names + L") values (" + params + L");";
}

CStdStr CSQLiteBase::BuildUpdateSql() const
{
    CStdStr assignments;
    for (const SQLiteColumnDesc* column = m_columns; column->type; ++column) {
        if (column->type == eColRowId)
            continue;
        if (!assignments.empty())
            assignments += L",";
        assignments += Backquoted(column->name) + L"=?";
    }
    return L"update " + Backquoted(m_table) + L" SET " + assignments + L" where (" + KeyCondition() + L");";
}

CStdStr CSQLiteBase::BuildSelectSql(const wchar_t* condition) const
{
    if (condition && *condition)
        return L"select * from " + Backquoted(m_table) + L" where " + condition + L";";
    return L"select * from " + Backquoted(m_table) + L";";
}

CStdStr CSQLiteBase::BuildDeleteSql() const
{
    return L"delete from " + Backquoted(m_table) + L" where (" + KeyCondition() + L");";
}

bool CSQLiteBase::OpenTable(CppSQLite3DB& db)
{
    try {
        if (!g_statementDB)
            g_statementDB = &db;
        if (!db.tableExists(m_table))
            db.execDML(BuildCreateSql().c_str());
        CompileStatements();
        m_db = &db;
        return true;
    } catch (const CppSQLite3Exception& e) {
        QLOG(L"Failed to open database %s", Utf8OrAnsiToWide(e.errorMessage(), std::strlen(e.errorMessage())).c_str());
        return false;
    }
}

bool CSQLiteBase::PrepareStatements()
{
    return RunLogged(L"CSQLiteBase::PrepareStatements", [this] {
        CompileStatements();
        return true;
    });
}

void CSQLiteBase::CompileStatements()
{
    SQLiteStatementCache& entry = FindOrCreateStatementCache(m_table);
    // A table opened again would otherwise keep its old statements alive, and
    // a connection with live statements never lets go of its file.
    entry.select = CppSQLite3Statement();
    entry.update = CppSQLite3Statement();
    entry.insert = CppSQLite3Statement();
    entry.rowid = CppSQLite3Statement();
    entry.remove = CppSQLite3Statement();
    entry.hasIdColumn = HasIdColumn(m_columns);

    CppSQLite3DB* db = GetStatementDB();
    entry.select = CppSQLite3Statement(db, BuildSelectSql(KeyCondition()).c_str());
    entry.update = CppSQLite3Statement(db, BuildUpdateSql().c_str());
    entry.insert = CppSQLite3Statement(db, BuildInsertSql().c_str());
    const CStdStr rowidSql = L"select " + Backquoted(kIdColumn) + L" from " + Backquoted(m_table) + L" where ROWID=?";
    entry.rowid = CppSQLite3Statement(db, rowidSql.c_str());
    entry.remove = CppSQLite3Statement(db, BuildDeleteSql().c_str());
    entry.keyCondition = KeyCondition();
    entry.idColumn = kIdColumn;
}

SQLiteStatementCache& CSQLiteBase::RequireStatements() const
{
    RequireStatementDB();
    const auto found = g_statementCache.find(std::wstring_view(m_table));
    if (found == g_statementCache.end())
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Null Virtual Machine pointer");
    return *found->second;
}

void CSQLiteBase::BindColumn(CppSQLite3Statement& stmt, const SQLiteColumnDesc& column, bool insert,
                             int& param) const
{
    switch (column.Code()) {
    case eColRowId:
        // The key of an update is bound last, after the SET list.
        if (insert)
            stmt.bindNull(param++);
        return;
    case eColText: {
        std::string utf8;
        if (!WideToUtf8(Member<CStdStr>(column).c_str(), utf8))
            throw CppSQLite3Exception(CPPSQLITE_ERROR, "Error binding string param");
        stmt.bind(param++, utf8.c_str());
        return;
    }
    case eColUInt32:
        stmt.bind(param++, static_cast<int>(Member<std::uint32_t>(column)));
        return;
    case eColReserved64:
    case eColInt64:
        stmt.bind(param++, static_cast<sqlite3_int64>(Member<std::int64_t>(column)));
        return;
    case eColInt32:
        stmt.bind(param++, static_cast<int>(Member<std::int32_t>(column)));
        return;
    case eColDouble:
        stmt.bind(param++, Member<double>(column));
        return;
    case eColDate: {
        // A date that is not valid is no time at all.
        const COleDateTime& date = Member<COleDateTime>(column);
        stmt.bind(param++, date.IsValid() ? date.m_dt : 0.0);
        return;
    }
    case eColLongText: {
        const CStdStr& text = Member<CStdStr>(column);
        std::string utf8;
        if (!WideToUtf8(text.c_str(), text.size(), utf8) || utf8.size() > INT_MAX)
            throw CppSQLite3Exception(CPPSQLITE_ERROR, "Error binding string param");
        stmt.bind(param++, reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
        return;
    }
    case eColBinary:
        stmt.bind(param++, &Member<unsigned char>(column), static_cast<int>(column.length));
        return;
    case eColBool:
        stmt.bind(param++, Member<unsigned char>(column) ? 1 : 0);
        return;
    }
    stmt.bindNull(param++);
}

void CSQLiteBase::ReadColumn(const CppSQLite3Query& query, int field, const SQLiteColumnDesc& column)
{
    switch (column.Code()) {
    case eColRowId:
    case eColInt64:
        Member<std::int64_t>(column) = query.getInt64Field(field);
        return;
    case eColText: {
        const char* text = query.getStringField(field);
        Member<CStdStr>(column) = Utf8OrAnsiToWide(text, std::strlen(text));
        return;
    }
    case eColUInt32:
        Member<std::uint32_t>(column) = static_cast<std::uint32_t>(query.getIntField(field));
        return;
    case eColInt32:
        Member<std::int32_t>(column) = query.getIntField(field);
        return;
    case eColDouble:
        Member<double>(column) = query.getFloatField(field, 0.0);
        return;
    case eColDate:
        Member<COleDateTime>(column) = COleDateTime(query.getFloatField(field, 0.0));
        return;
    case eColLongText: {
        int length = 0;
        const auto* bytes = reinterpret_cast<const char*>(query.getBlobField(field, length));
        Member<CStdStr>(column) = bytes ? Utf8OrAnsiToWide(bytes, length) : std::wstring();
        return;
    }
    case eColBinary: {
        // Stored data is untrusted: never more than the member holds.
        int length = 0;
        const unsigned char* bytes = query.getBlobField(field, length);
        unsigned char* member = &Member<unsigned char>(column);
        std::memset(member, 0, column.length);
        if (bytes && length > 0)
            std::memcpy(member, bytes, std::min<std::uint32_t>(column.length, length));
        return;
    }
    case eColBool:
        Member<unsigned char>(column) = query.getInt64Field(field) != 0 ? 1 : 0;
        return;
    }
}

void CSQLiteBase::ReadRow(const CppSQLite3Query& query)
{
    // Checked first, so that a short row from an old file changes no member.
    if (query.numFields() < ColumnCount())
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Invalid field index requested");
    for (int field = 0; m_columns[field].type; ++field)
        ReadColumn(query, field, m_columns[field]);
}

void CSQLiteBase::ReadBackId(SQLiteStatementCache& statements)
{
    CStatementUse use(statements.rowid);
    statements.rowid.bind(1, RequireStatementDB().lastRowId());
    const CppSQLite3Query query = statements.rowid.execQuery();
    if (!query.eof())
        Member<std::int64_t>(m_columns[0]) = query.getInt64Field(query.fieldIndex(kIdColumn));
}

int CSQLiteBase::WriteRowChanging(std::int64_t id)
{
    const bool insert = id == -1;
    SQLiteStatementCache& statements = RequireStatements();
    CppSQLite3Statement& stmt = insert ? statements.insert : statements.update;
    CStatementUse use(stmt);
    int param = 1;
    if (insert && m_rowKey == ERowKey::DocId)
        stmt.bind(param++, static_cast<sqlite3_int64>(Member<std::int64_t>(m_columns[0])));
    for (const SQLiteColumnDesc* column = m_columns; column->type; ++column)
        BindColumn(stmt, *column, insert, param);
    if (!insert)
        stmt.bind(param, static_cast<sqlite3_int64>(id));
    const int changed = stmt.execDML();
    if (insert && statements.hasIdColumn)
        ReadBackId(statements);
    return changed;
}

void CSQLiteBase::WriteRow(std::int64_t id)
{
    // An update that finds no row (deleted meanwhile) wrote nothing.
    if (WriteRowChanging(id) == 0)
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "No row to update");
}

void CSQLiteBase::WriteOrInsertRow(std::int64_t id)
{
    if (WriteRowChanging(id) == 0)
        WriteRowChanging(-1);
}

bool CSQLiteBase::PutData(std::int64_t id)
{
    return RunLogged(L"CSQLiteBase::PutData", [&] {
        WriteRow(id);
        return true;
    });
}

bool CSQLiteBase::GetData(std::int64_t id)
{
    return RunLogged(L"CSQLiteBase::GetData", [&] {
        SQLiteStatementCache& statements = RequireStatements();
        CStatementUse use(statements.select);
        statements.select.bind(1, static_cast<sqlite3_int64>(id));
        const CppSQLite3Query query = statements.select.execQuery();
        if (query.eof())
            return false;
        ReadRow(query);
        return true;
    });
}

bool CSQLiteBase::DeleteData(std::int64_t id)
{
    return RunLogged(L"CSQLiteBase::DeleteData", [&] {
        SQLiteStatementCache& statements = RequireStatements();
        CStatementUse use(statements.remove);
        statements.remove.bind(1, static_cast<sqlite3_int64>(id));
        statements.remove.execDML();
        return true;
    });
}

bool CSQLiteBase::GetAllIDs(std::vector<std::int64_t>& ids)
{
    return RunLogged(L"CSQLiteBase::GetAllIDs", [&] {
        // In table order, as a whole-row select gives them (a covering index
        // would otherwise change the order).
        const CStdStr sql =
            L"select " + Backquoted(m_columns[0].name) + L" from " + Backquoted(m_table) + L" order by rowid;";
        CppSQLite3Query query = RequireStatementDB().execQuery(sql.c_str());
        AppendFirstColumn(query, ids);
        return true;
    });
}

bool CSQLiteBase::GetSelectiveIDs(std::vector<std::int64_t>& ids, const wchar_t* condition, const wchar_t* query)
{
    return RunLogged(L"CSQLiteBase::GetSelectiveIDs", [&] {
        const CStdStr sql = query ? CStdStr(query) : BuildSelectSql(condition);
        CppSQLite3Query rows = RequireStatementDB().execQuery(sql.c_str());
        AppendFirstColumn(rows, ids);
        return true;
    });
}

// ---------------------------------------------------------------- CSQLiteHelp

CStdStr CSQLiteHelp::QuoteSql(const wchar_t* text)
{
    CStdStr quoted(text);
    quoted.Replace(L"'", L"''");
    return quoted;
}

CStdStr CSQLiteHelp::QuoteSql(UINT stringId)
{
    return QuoteSql(LoadResString(stringId));
}

// ---------------------------------------------------------------- text conversion

bool WideToUtf8(const wchar_t* text, size_t length, std::string& utf8)
{
    utf8.clear();
    if (length == 0)
        return true;
    try {
        if (length > INT_MAX) {
            QLOG(L"Failed to convert to UTF8 string %d", static_cast<int>(ERROR_ARITHMETIC_OVERFLOW));
            return false;
        }
        const int wideLength = static_cast<int>(length);
        const int needed = WideCharToMultiByte(CP_UTF8, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
        if (needed > 0) {
            utf8.resize(needed);
            if (WideCharToMultiByte(CP_UTF8, 0, text, wideLength, utf8.data(), needed, nullptr, nullptr) == needed)
                return true;
        }
        QLOG(L"Failed to convert to UTF8 string %d", static_cast<int>(GetLastError()));
    } catch (const std::bad_alloc&) {
        QLOG(L"Failed to convert to UTF8 string %d", static_cast<int>(ERROR_NOT_ENOUGH_MEMORY));
    }
    utf8.clear();
    return false;
}

bool WideToUtf8(const wchar_t* text, std::string& utf8)
{
    return WideToUtf8(text, text ? std::wcslen(text) : 0, utf8);
}

namespace {

// False with the error code when the bytes do not convert in that code page.
bool MultiByteToWide(UINT codePage, DWORD flags, const char* bytes, size_t length, std::wstring& wide,
                     DWORD& error)
{
    wide.clear();
    error = ERROR_SUCCESS;
    if (length == 0)
        return true;
    if (length > INT_MAX) {
        error = ERROR_ARITHMETIC_OVERFLOW;
        return false;
    }
    // One pass: no code page gives more UTF-16 units than it has bytes.
    const int byteLength = static_cast<int>(length);
    wide.resize(length);
    const int converted = MultiByteToWideChar(codePage, flags, bytes, byteLength, wide.data(), byteLength);
    if (converted > 0) {
        wide.resize(converted);
        return true;
    }
    error = GetLastError();
    wide.clear();
    return false;
}

} // namespace

bool Utf8ToWide(const char* bytes, size_t length, std::wstring& wide)
{
    DWORD error = ERROR_SUCCESS;
    try {
        // Without the flag bad bytes silently become U+FFFD, which the next
        // store would write back in place of the original text.
        if (MultiByteToWide(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, length, wide, error))
            return true;
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
    }
    if (error != ERROR_NO_UNICODE_TRANSLATION)
        QLOG(L"Failed to convert from UTF8 string %d\n", static_cast<int>(error));
    return false;
}

std::wstring Utf8OrAnsiToWide(const char* bytes, size_t length)
{
    std::wstring wide;
    if (Utf8ToWide(bytes, length, wide))
        return wide;
    DWORD error = ERROR_SUCCESS;
    MultiByteToWide(CP_ACP, 0, bytes, length, wide, error);
    return wide;
}

std::wstring QueryText(const CppSQLite3Query& row, int field)
{
    const char* text = row.getStringField(field);
    return Utf8OrAnsiToWide(text, std::strlen(text));
}

std::string WideToAnsi(const wchar_t* text)
{
    std::string narrow;
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 1)
        return narrow;
    narrow.resize(needed);
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), needed, nullptr, nullptr);
    narrow.resize(needed - 1);
    return narrow;
}

void RequireWritten(bool written, CppSQLite3DB& db)
{
    if (written)
        return;
    const int code = sqlite3_errcode(db.handle());
    throw CppSQLite3Exception(code != SQLITE_OK ? code : CPPSQLITE_ERROR, sqlite3_errmsg(db.handle()));
}

void LogSqliteError(const wchar_t* operation, const CppSQLite3Exception& error, const char* sourceFile, int line)
{
    const char* message = error.errorMessage();
    const std::wstring wideMessage = Utf8OrAnsiToWide(message, std::strlen(message));
    WriteToLogFileAt(sourceFile, line, L"%s Sqlite3 error %d : %s", operation, error.errorCode(),
                     wideMessage.c_str());
}

// ---------------------------------------------------------------- row XML

namespace {

const char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<NOTES>\r\n";

// Characters that XML 1.0 does not allow anywhere; a single one fails the
// whole parse on the receiving side. A surrogate asked about here is alone.
bool IsForbiddenInXml(wchar_t c)
{
    return (c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || c == 0xFFFE || c == 0xFFFF ||
           (c >= 0xD800 && c <= 0xDFFF);
}

// Markup characters as entities; a carriage return as a reference, since a
// parser turns a literal one into a line feed; forbidden characters and
// lone surrogates as U+FFFD.
std::wstring EscapeXmlText(const CStdStr& text)
{
    std::wstring escaped;
    escaped.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        switch (c) {
        case L'&':  escaped += L"&amp;";  continue;
        case L'"':  escaped += L"&quot;"; continue;
        case L'\'': escaped += L"&apos;"; continue;
        case L'<':  escaped += L"&lt;";   continue;
        case L'>':  escaped += L"&gt;";   continue;
        case L'\r': escaped += L"&#13;";  continue;
        }
        if (IS_HIGH_SURROGATE(c) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1])) {
            escaped += c;
            escaped += text[++i];
            continue;
        }
        escaped += IsForbiddenInXml(c) ? L'\xFFFD' : c;
    }
    return escaped;
}

std::string HexBytes(const unsigned char* bytes, std::uint32_t length)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex = "0x";
    for (std::uint32_t i = 0; i < length; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0xF];
    }
    return hex;
}

int HexDigitValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// "0x" and digit pairs into the member, never past its length. A pair whose
// second digit is missing or not a digit gives the first digit's value; a
// first character that is not a digit gives 0. A value without the prefix is
// never written by this format and leaves the member as it is.
void ReadHexInto(unsigned char* member, std::uint32_t length, const CStdStr& text)
{
    if (text.compare(0, 2, L"0x") != 0)
        return;
    std::memset(member, 0, length);
    size_t pos = 2;
    for (std::uint32_t i = 0; i < length && pos < text.size(); ++i, pos += 2) {
        const int high = HexDigitValue(text[pos]);
        int value = std::max(high, 0);
        const int low = pos + 1 < text.size() ? HexDigitValue(text[pos + 1]) : -1;
        if (low >= 0)
            value = value * 16 + low;
        member[i] = static_cast<unsigned char>(value);
    }
}

} // namespace

CStdStrA CSQLiteBase::XmlLine(const SQLiteColumnDesc& column) const
{
    std::string name;
    if (!WideToUtf8(column.name, name))
        return CStdStrA();
    CStdStrA line;
    switch (column.Code()) {
    case eColRowId:
        return line;
    case eColText:
    case eColLongText: {
        const std::wstring escaped = EscapeXmlText(Member<CStdStr>(column));
        std::string utf8;
        if (!WideToUtf8(escaped.c_str(), escaped.size(), utf8))
            return line;
        return CStdStrA("<" + name + ">" + utf8 + "</" + name + ">\r\n");
    }
    case eColUInt32:
    case eColInt32:
        line.Format("<%s>%d</%s>\r\n", name.c_str(), Member<std::int32_t>(column), name.c_str());
        return line;
    case eColReserved64:
    case eColInt64:
        // Only the low half goes out, as older peers read it.
        line.Format("<%s>%d</%s>\r\n", name.c_str(), static_cast<std::int32_t>(Member<std::int64_t>(column)),
                    name.c_str());
        return line;
    case eColDouble:
        line.Format("<%s>%f</%s>\r\n", name.c_str(), Member<double>(column), name.c_str());
        return line;
    case eColDate: {
        const COleDateTime& date = Member<COleDateTime>(column);
        line.Format("<%s>%f</%s>\r\n", name.c_str(), date.IsValid() ? date.m_dt : 0.0, name.c_str());
        return line;
    }
    case eColBinary:
        return CStdStrA("<" + name + ">" + HexBytes(&Member<unsigned char>(column), column.length) + "</" + name +
                        ">\r\n");
    case eColBool:
        line.Format("<%s>%d</%s>\r\n", name.c_str(), static_cast<int>(Member<unsigned char>(column)), name.c_str());
        return line;
    }
    return line;
}

CStdStrA CSQLiteBase::WriteXml(bool withHead) const
{
    std::string row;
    if (!WideToUtf8(m_rowName, row))
        return CStdStrA(withHead ? kXmlHead : "");
    CStdStrA xml(withHead ? kXmlHead : "");
    xml += "<" + row + ">\r\n";
    for (const SQLiteColumnDesc* column = m_columns; column->type; ++column)
        xml += XmlLine(*column);
    xml += "</" + row + ">\r\n";
    return xml;
}

void CSQLiteBase::ReadXmlValue(const SQLiteColumnDesc& column, const CStdStr& value)
{
    switch (column.Code()) {
    case eColText:
    case eColLongText:
        Member<CStdStr>(column) = value;
        return;
    case eColUInt32:
        Member<std::uint32_t>(column) = static_cast<std::uint32_t>(_wtoi(value.c_str()));
        return;
    case eColInt32:
        Member<std::int32_t>(column) = _wtoi(value.c_str());
        return;
    case eColInt64:
        // Unsigned on purpose: "-1" wraps to -1, as older peers read it.
        Member<std::int64_t>(column) = static_cast<std::int64_t>(_wcstoui64(value.c_str(), nullptr, 10));
        return;
    case eColDouble:
        Member<double>(column) = _wtof(value.c_str());
        return;
    case eColDate:
        Member<COleDateTime>(column) = COleDateTime(_wtof(value.c_str()));
        return;
    case eColBinary:
        ReadHexInto(&Member<unsigned char>(column), column.length, value);
        return;
    case eColBool:
        Member<unsigned char>(column) = _wtoi(value.c_str()) != 0 ? 1 : 0;
        return;
    }
    // The row id and the reserved code are never read: a read record is new.
}

bool CSQLiteBase::ReadXml(const wchar_t* document, const SXmlLimits& limits)
{
    CComPtr<IXMLDOMDocument> parsed;
    if (!LoadXmlDocument(parsed, document, limits))
        return false;
    const CXmlElementCursor record = GetRootElementChildren(parsed);
    const CStdStr recordName = record.GetTagName();
    if (recordName != m_rowName) {
        QLOG(L"XML document refused: its first record is <%s>, not <%s>", recordName.c_str(), m_rowName);
        return false;
    }
    const CXmlElementCursor end = record.End();
    for (CXmlElementCursor field = record.GetChildren(); !field.Reached(end); field.PostIncrement()) {
        const CStdStr tag = field.GetTagName();
        for (const SQLiteColumnDesc* column = m_columns; column->type; ++column) {
            if (tag == column->name) {
                ReadXmlValue(*column, field.GetValue());
                break;
            }
        }
    }
    return true;
}
