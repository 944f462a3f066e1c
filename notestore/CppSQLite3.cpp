#include "CppSQLite3.h"

#include "SQLiteHelp.h"

#include <iterator>
#include <memory>
#include <utility>

namespace {

const char kDatabaseNotOpen[] = "Database not open";
const char kNullStatement[] = "Null Virtual Machine pointer";
const char kInvalidFieldIndex[] = "Invalid field index requested";
const char kInvalidFieldName[] = "Invalid field name requested";
const char kInvalidScalarQuery[] = "Invalid scalar query";

// The main-database bit is meaningful to VFS code only; it is kept as the
// program has always passed it.
const int kOpenFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_MAIN_DB;

struct SqliteFree {
    void operator()(char* text) const { sqlite3_free(text); }
};
using SqliteText = std::unique_ptr<char, SqliteFree>;

[[noreturn]] void ThrowLayerError(const char* detail)
{
    throw CppSQLite3Exception(CPPSQLITE_ERROR, detail);
}

[[noreturn]] void ThrowSqliteError(int code, sqlite3* db)
{
    throw CppSQLite3Exception(code, sqlite3_errmsg(db));
}

std::string ToUtf8OrThrow(const wchar_t* text)
{
    std::string utf8;
    if (!WideToUtf8(text, utf8))
        throw CppSQLite3Exception(SQLITE_NOMEM, nullptr);
    return utf8;
}

} // namespace

// ---------------------------------------------------------------- exception

CppSQLite3Exception::CppSQLite3Exception(int errorCode, const char* detail)
    : m_errorCode(errorCode)
{
    m_message = errorCodeAsString(errorCode);
    m_message += '[';
    m_message += std::to_string(errorCode);
    m_message += "]: ";
    if (detail)
        m_message += detail;
}

const char* CppSQLite3Exception::errorCodeAsString(int errorCode)
{
    static const char* const kPrimaryNames[] = {
        "SQLITE_OK", "SQLITE_ERROR", "SQLITE_INTERNAL", "SQLITE_PERM", "SQLITE_ABORT",
        "SQLITE_BUSY", "SQLITE_LOCKED", "SQLITE_NOMEM", "SQLITE_READONLY", "SQLITE_INTERRUPT",
        "SQLITE_IOERR", "SQLITE_CORRUPT", "SQLITE_NOTFOUND", "SQLITE_FULL", "SQLITE_CANTOPEN",
        "SQLITE_PROTOCOL", "SQLITE_EMPTY", "SQLITE_SCHEMA", "SQLITE_TOOBIG", "SQLITE_CONSTRAINT",
        "SQLITE_MISMATCH", "SQLITE_MISUSE", "SQLITE_NOLFS", "SQLITE_AUTH", "SQLITE_FORMAT",
        "SQLITE_RANGE",
    };
    if (errorCode >= 0 && errorCode < static_cast<int>(std::size(kPrimaryNames)))
        return kPrimaryNames[errorCode];
    switch (errorCode) {
    case SQLITE_ROW:      return "SQLITE_ROW";
    case SQLITE_DONE:     return "SQLITE_DONE";
    case CPPSQLITE_ERROR: return "CPPSQLITE_ERROR";
    }
    return "UNKNOWN_ERROR";
}

// ---------------------------------------------------------------- query

CppSQLite3Query::CppSQLite3Query(sqlite3* db, sqlite3_stmt* stmt, bool eof, bool ownsStatement)
    : m_db(db), m_stmt(stmt), m_eof(eof), m_columns(sqlite3_column_count(stmt)),
      m_ownsStatement(ownsStatement)
{
}

CppSQLite3Query::CppSQLite3Query(CppSQLite3Query&& other) noexcept
    : m_db(other.m_db), m_stmt(std::exchange(other.m_stmt, nullptr)), m_eof(other.m_eof),
      m_columns(other.m_columns), m_ownsStatement(other.m_ownsStatement)
{
}

CppSQLite3Query& CppSQLite3Query::operator=(CppSQLite3Query&& other) noexcept
{
    if (this != &other) {
        release();
        m_db = other.m_db;
        m_stmt = std::exchange(other.m_stmt, nullptr);
        m_eof = other.m_eof;
        m_columns = other.m_columns;
        m_ownsStatement = other.m_ownsStatement;
    }
    return *this;
}

CppSQLite3Query::~CppSQLite3Query()
{
    release();
}

void CppSQLite3Query::release() noexcept
{
    // The result repeats the last step's error, which was already thrown.
    if (m_stmt && m_ownsStatement)
        sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
}

void CppSQLite3Query::finalize()
{
    if (m_stmt && m_ownsStatement) {
        const int rc = sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        if (rc != SQLITE_OK)
            ThrowSqliteError(rc, m_db);
    }
    m_stmt = nullptr;
}

void CppSQLite3Query::checkStatement() const
{
    if (!m_stmt)
        ThrowLayerError(kNullStatement);
}

void CppSQLite3Query::checkField(int field) const
{
    checkStatement();
    if (field < 0 || field >= m_columns)
        ThrowLayerError(kInvalidFieldIndex);
}

bool CppSQLite3Query::eof() const
{
    checkStatement();
    return m_eof;
}

void CppSQLite3Query::nextRow()
{
    checkStatement();
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_DONE) {
        m_eof = true;
        return;
    }
    if (rc == SQLITE_ROW)
        return;
    // A borrowed statement belongs to its CppSQLite3Statement, which finalizes
    // it later; here it is only reset so that it can run again.
    const int code = m_ownsStatement ? sqlite3_finalize(m_stmt) : sqlite3_reset(m_stmt);
    m_stmt = nullptr;
    ThrowSqliteError(code, m_db);
}

int CppSQLite3Query::numFields() const
{
    checkStatement();
    return m_columns;
}

int CppSQLite3Query::fieldIndex(const wchar_t* name) const
{
    checkStatement();
    if (name) {
        const std::string narrow = WideToAnsi(name);
        for (int field = 0; field < m_columns; ++field) {
            const char* column = sqlite3_column_name(m_stmt, field);
            if (column && narrow == column)
                return field;
        }
    }
    ThrowLayerError(kInvalidFieldName);
}

int CppSQLite3Query::fieldDataType(int field) const
{
    checkField(field);
    return sqlite3_column_type(m_stmt, field);
}

bool CppSQLite3Query::fieldIsNull(int field) const
{
    return fieldDataType(field) == SQLITE_NULL;
}

int CppSQLite3Query::getIntField(int field) const
{
    return fieldIsNull(field) ? 0 : sqlite3_column_int(m_stmt, field);
}

sqlite3_int64 CppSQLite3Query::getInt64Field(int field) const
{
    return fieldIsNull(field) ? 0 : sqlite3_column_int64(m_stmt, field);
}

double CppSQLite3Query::getFloatField(int field, double nullValue) const
{
    return fieldIsNull(field) ? nullValue : sqlite3_column_double(m_stmt, field);
}

double CppSQLite3Query::getFloatField(const wchar_t* name, double nullValue) const
{
    return getFloatField(fieldIndex(name), nullValue);
}

const char* CppSQLite3Query::getStringField(int field) const
{
    if (fieldIsNull(field))
        return "";
    return reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, field));
}

const unsigned char* CppSQLite3Query::getBlobField(int field, int& length) const
{
    checkField(field);
    // The blob pointer first: reading it may convert the cell, which changes its length.
    const auto* blob = static_cast<const unsigned char*>(sqlite3_column_blob(m_stmt, field));
    length = sqlite3_column_bytes(m_stmt, field);
    return blob;
}

const unsigned char* CppSQLite3Query::getTextBlob(int& length) const
{
    return getBlobField(fieldIndex(L"text"), length);
}

const wchar_t* CppSQLite3Query::getText16Field(int field) const
{
    checkField(field);
    return static_cast<const wchar_t*>(sqlite3_column_text16(m_stmt, field));
}

// ---------------------------------------------------------------- statement

CppSQLite3Statement::CppSQLite3Statement(CppSQLite3DB* db, const wchar_t* sql)
{
    if (!db)
        ThrowLayerError(kDatabaseNotOpen);
    m_stmt = db->compile(sql);
    m_db = db->handle();
}

CppSQLite3Statement::CppSQLite3Statement(CppSQLite3Statement&& other) noexcept
    : m_db(other.m_db), m_stmt(std::exchange(other.m_stmt, nullptr))
{
}

CppSQLite3Statement& CppSQLite3Statement::operator=(CppSQLite3Statement&& other) noexcept
{
    if (this != &other) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_db = other.m_db;
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

CppSQLite3Statement::~CppSQLite3Statement()
{
    // The result repeats the last step's error, which was already thrown.
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

void CppSQLite3Statement::checkStatement() const
{
    if (!m_stmt)
        ThrowLayerError(kNullStatement);
}

void CppSQLite3Statement::checkDB() const
{
    if (!m_db)
        ThrowLayerError(kDatabaseNotOpen);
}

void CppSQLite3Statement::throwFromReset()
{
    ThrowSqliteError(sqlite3_reset(m_stmt), m_db);
}

int CppSQLite3Statement::execDML()
{
    checkDB();
    checkStatement();
    if (sqlite3_step(m_stmt) != SQLITE_DONE)
        throwFromReset();
    const int changed = sqlite3_changes(m_db);
    const int rc = sqlite3_reset(m_stmt);
    if (rc != SQLITE_OK)
        ThrowSqliteError(rc, m_db);
    return changed;
}

CppSQLite3Query CppSQLite3Statement::execQuery()
{
    checkDB();
    checkStatement();
    const int rc = sqlite3_step(m_stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throwFromReset();
    return CppSQLite3Query(m_db, m_stmt, rc == SQLITE_DONE, false);
}

void CppSQLite3Statement::bind(int param, const char* utf8Text)
{
    checkStatement();
    const int rc = sqlite3_bind_text(m_stmt, param, utf8Text, -1, SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, "Error binding string param");
}

void CppSQLite3Statement::bind(int param, int value)
{
    bind(param, static_cast<sqlite3_int64>(value));
}

void CppSQLite3Statement::bind(int param, sqlite3_int64 value)
{
    checkStatement();
    const int rc = sqlite3_bind_int64(m_stmt, param, value);
    if (rc != SQLITE_OK)
        ThrowSqliteError(rc, m_db);
}

void CppSQLite3Statement::bind(int param, double value)
{
    checkStatement();
    const int rc = sqlite3_bind_double(m_stmt, param, value);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, "Error binding double param");
}

void CppSQLite3Statement::bind(int param, const unsigned char* blob, int length)
{
    checkStatement();
    const int rc = sqlite3_bind_blob(m_stmt, param, blob, length, SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        ThrowSqliteError(rc, m_db);
}

void CppSQLite3Statement::bindNull(int param)
{
    checkStatement();
    const int rc = sqlite3_bind_null(m_stmt, param);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, "Error binding NULL param");
}

void CppSQLite3Statement::reset()
{
    if (!m_stmt)
        return;
    const int rc = sqlite3_reset(m_stmt);
    if (rc != SQLITE_OK)
        ThrowSqliteError(rc, m_db);
}

void CppSQLite3Statement::clearBindings()
{
    checkStatement();
    sqlite3_clear_bindings(m_stmt);
}

void CppSQLite3Statement::resetAfterUse() noexcept
{
    if (!m_stmt)
        return;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

void CppSQLite3Statement::finalize()
{
    if (!m_stmt)
        return;
    const int rc = sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    if (rc != SQLITE_OK)
        ThrowSqliteError(rc, m_db);
}

// ---------------------------------------------------------------- database

CppSQLite3DB::~CppSQLite3DB()
{
    close();
}

void CppSQLite3DB::open(const wchar_t* file)
{
    close();
    const std::string path = ToUtf8OrThrow(file);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, kOpenFlags, nullptr);
    if (rc != SQLITE_OK) {
        // A failed open still hands back a connection, which holds the error text.
        const CppSQLite3Exception error(rc, db ? sqlite3_errmsg(db) : nullptr);
        sqlite3_close_v2(db);
        throw error;
    }
    m_db = db;
    sqlite3_busy_timeout(m_db, m_busyTimeoutMs);
}

void CppSQLite3DB::close()
{
    // The _v2 close lets go of the file as soon as a statement that is still
    // compiled somewhere gets finalized; the plain close would fail and keep it.
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void CppSQLite3DB::checkDB() const
{
    if (!m_db)
        ThrowLayerError(kDatabaseNotOpen);
}

int CppSQLite3DB::execDML(const wchar_t* sql)
{
    checkDB();
    const std::string utf8 = ToUtf8OrThrow(sql);
    char* rawError = nullptr;
    const int rc = sqlite3_exec(m_db, utf8.c_str(), nullptr, nullptr, &rawError);
    const SqliteText error(rawError);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, error.get());
    return sqlite3_changes(m_db);
}

CppSQLite3Query CppSQLite3DB::execQuery(const wchar_t* sql)
{
    sqlite3_stmt* stmt = compile(sql);
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW || rc == SQLITE_DONE)
        return CppSQLite3Query(m_db, stmt, rc == SQLITE_DONE, true);
    ThrowSqliteError(sqlite3_finalize(stmt), m_db);
}

sqlite3_int64 CppSQLite3DB::execScalar(const wchar_t* sql)
{
    const CppSQLite3Query query = execQuery(sql);
    if (query.eof() || query.numFields() < 1)
        ThrowLayerError(kInvalidScalarQuery);
    // A NULL cell (max() over an empty table) has no text to parse.
    const wchar_t* text = query.getText16Field(0);
    return text ? _wtoi64(text) : 0;
}

bool CppSQLite3DB::tableExists(const wchar_t* table)
{
    const std::wstring sql =
        L"select count(*) from sqlite_master where type='table' and name='"
        + std::wstring(CSQLiteHelp::QuoteSql(table).c_str()) + L"'";
    return execScalar(sql.c_str()) > 0;
}

bool CppSQLite3DB::notesIndexExists()
{
    return execScalar(L"select count(*) from sqlite_master where type='index' and name='idx_notes'") > 0;
}

sqlite3_stmt* CppSQLite3DB::compile(const wchar_t* sql)
{
    checkDB();
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare16_v2(m_db, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        ThrowSqliteError(rc, m_db);
    // A text of blanks or comments compiles to no statement at all.
    if (!stmt)
        ThrowLayerError(kNullStatement);
    return stmt;
}

sqlite3_int64 CppSQLite3DB::lastRowId() const
{
    checkDB();
    return sqlite3_last_insert_rowid(m_db);
}

bool CppSQLite3DB::isAutoCommit() const
{
    checkDB();
    return sqlite3_get_autocommit(m_db) != 0;
}

void CppSQLite3DB::setBusyTimeout(int milliseconds)
{
    m_busyTimeoutMs = milliseconds;
    if (m_db)
        sqlite3_busy_timeout(m_db, m_busyTimeoutMs);
}
