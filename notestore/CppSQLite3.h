// SQLite access layer: the one way into the notes database. Callers hand it
// UTF-16 SQL and write straight-line code; every failure is thrown as a
// CppSQLite3Exception and caught where the operation starts.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

// The layer's own errors carry this code instead of a SQLite result code.
constexpr int CPPSQLITE_ERROR = 1000;

// The busy timeout of every connection unless a caller sets another.
constexpr int kDefaultBusyTimeoutMs = 60000;

class CppSQLite3Exception {
public:
    // The message is "<code name>[<code>]: <detail>"; a null detail counts as empty.
    CppSQLite3Exception(int errorCode, const char* detail);
    virtual ~CppSQLite3Exception() = default;

    int errorCode() const { return m_errorCode; }
    const char* errorMessage() const { return m_message.c_str(); }

    // The published name of a result code, "UNKNOWN_ERROR" for any other value.
    static const char* errorCodeAsString(int errorCode);

private:
    int m_errorCode;
    std::string m_message;
};

class CppSQLite3DB;

// A cursor over the rows of a stepped statement. A cursor from
// CppSQLite3DB::execQuery owns its statement; one from
// CppSQLite3Statement::execQuery borrows it and leaves it compiled.
class CppSQLite3Query {
public:
    CppSQLite3Query() = default;
    CppSQLite3Query(sqlite3* db, sqlite3_stmt* stmt, bool eof, bool ownsStatement);
    CppSQLite3Query(CppSQLite3Query&& other) noexcept;
    CppSQLite3Query& operator=(CppSQLite3Query&& other) noexcept;
    CppSQLite3Query(const CppSQLite3Query&) = delete;
    CppSQLite3Query& operator=(const CppSQLite3Query&) = delete;
    virtual ~CppSQLite3Query();

    bool eof() const;
    void nextRow();
    int numFields() const;

    int fieldIndex(const wchar_t* name) const;
    int fieldDataType(int field) const;
    bool fieldIsNull(int field) const;

    int getIntField(int field) const;
    sqlite3_int64 getInt64Field(int field) const;
    double getFloatField(int field, double nullValue = 0.0) const;
    double getFloatField(const wchar_t* name, double nullValue = 0.0) const;
    // UTF-8 text; "" for NULL.
    const char* getStringField(int field) const;
    const unsigned char* getBlobField(int field, int& length) const;
    const unsigned char* getTextBlob(int& length) const;
    // UTF-16 text of a column; null for NULL (callers must allow for that).
    const wchar_t* getText16Field(int field) const;

    void finalize();

private:
    void checkStatement() const;
    void checkField(int field) const;
    void release() noexcept;

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_eof = true;
    int m_columns = 0;
    bool m_ownsStatement = false;
};

// A compiled statement with bound parameters; it stays compiled between uses.
class CppSQLite3Statement {
public:
    CppSQLite3Statement() = default;
    // Compiles on the given connection; a null connection throws "Database not open".
    CppSQLite3Statement(CppSQLite3DB* db, const wchar_t* sql);
    CppSQLite3Statement(CppSQLite3Statement&& other) noexcept;
    CppSQLite3Statement& operator=(CppSQLite3Statement&& other) noexcept;
    CppSQLite3Statement(const CppSQLite3Statement&) = delete;
    CppSQLite3Statement& operator=(const CppSQLite3Statement&) = delete;
    virtual ~CppSQLite3Statement();

    bool isCompiled() const { return m_stmt != nullptr; }

    int execDML();
    CppSQLite3Query execQuery();

    void bind(int param, const char* utf8Text);
    void bind(int param, int value);
    void bind(int param, sqlite3_int64 value);
    void bind(int param, double value);
    void bind(int param, const unsigned char* blob, int length);
    void bindNull(int param);

    void reset();
    void clearBindings();
    // Leaves the statement reset with no bindings. For unwinding paths: the
    // error that a reset repeats was already thrown by the failing step.
    void resetAfterUse() noexcept;
    void finalize();

private:
    void checkStatement() const;
    void checkDB() const;
    void throwFromReset();

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

// One connection to a database file.
class CppSQLite3DB {
public:
    CppSQLite3DB() = default;
    CppSQLite3DB(const CppSQLite3DB&) = delete;
    CppSQLite3DB& operator=(const CppSQLite3DB&) = delete;
    virtual ~CppSQLite3DB();

    void open(const wchar_t* file);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    int execDML(const wchar_t* sql);
    CppSQLite3Query execQuery(const wchar_t* sql);
    // The first column of the first row as a 64-bit integer; a NULL cell is 0.
    sqlite3_int64 execScalar(const wchar_t* sql);
    bool tableExists(const wchar_t* table);
    bool notesIndexExists();

    sqlite3_stmt* compile(const wchar_t* sql);
    sqlite3_int64 lastRowId() const;
    // False while a transaction is open on this connection.
    bool isAutoCommit() const;

    void setBusyTimeout(int milliseconds);
    int busyTimeout() const { return m_busyTimeoutMs; }

    sqlite3* handle() const { return m_db; }

    // Kept here for the transaction guards (CTransaction), which need it per
    // connection: how many guards are open, and the actions that wait for
    // the change of the guard at their level to become final.
    struct STransactionState {
        int depth = 0;
        std::vector<std::pair<int, std::function<void(bool committed)>>> settlers;
    };
    STransactionState& transactionState() { return m_transactionState; }

private:
    void checkDB() const;

    sqlite3* m_db = nullptr;
    int m_busyTimeoutMs = kDefaultBusyTimeoutMs;
    STransactionState m_transactionState;
};
