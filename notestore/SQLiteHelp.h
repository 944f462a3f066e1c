// Table mapping: every persistent record (note, attachment, full-text row,
// group) maps its members to the columns of one table through a static table
// of column descriptors. CSQLiteBase builds the SQL from that table, compiles
// it once per table into a process-wide cache, and moves values between the
// members and a row. Errors are logged here and reported as false.
//
// Record shape: a record keeps its mapped members in one standard-layout
// struct; descriptor offsets are offsetof into that struct (offsetof on the
// polymorphic record itself is only conditionally supported). The derived
// constructor hands CSQLiteBase that struct with the column table, the table
// name and the row element name:
//
//   struct GroupRow { std::int64_t id; CStdStr name; ... };
//   const SQLiteColumnDesc kGroupColumns[] = {
//       { offsetof(GroupRow, id), L"id", eColRowId },
//       { offsetof(GroupRow, name), L"name", eColText },
//       ...
//       {},   // the end: type 0
//   };
//   class CGroup : public CSQLiteBase {
//   public:
//       CGroup() : CSQLiteBase(m_row, kGroupColumns, L"groups", L"group") {}
//   private:
//       GroupRow m_row;
//   };
//
// The first descriptor is the row's id (code 1, or 6 for a table keyed by
// another table's id). A record is not copyable through CSQLiteBase: a copy
// must hand the base its own struct, so derived classes write their own.
#pragma once

#include "CppSQLite3.h"
#include "foundation/StdStr.h"
#include "framework/OleDateTime.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

struct SXmlLimits;

// Type codes of a column descriptor (the low 15 bits of its type word). The
// member type each one maps is given beside it.
enum SQLiteColumnType : unsigned short {
    eColRowId = 1,        // std::int64_t, the table's INTEGER PRIMARY KEY
    eColText = 2,         // CStdStr, stored as UTF-8 TEXT
    eColUInt32 = 3,       // std::uint32_t (colours, flags, styles)
    eColReserved64 = 4,   // std::int64_t, written but never read back
    eColInt32 = 5,        // std::int32_t
    eColInt64 = 6,        // std::int64_t, a reference to another row
    eColDouble = 7,       // double
    eColDate = 8,         // COleDateTime; a date that is not valid is stored as 0.0
    eColLongText = 9,     // CStdStr, stored as a UTF-8 BLOB without terminator
    eColBinary = 10,      // a fixed block of `length` bytes (RECT, WINDOWPLACEMENT)
    eColBool = 11,        // bool (one byte)
};

// Bit 15 of the type word: the column gets an index.
constexpr unsigned short eColIndexed = 0x8000;
constexpr unsigned short kColTypeMask = 0x7FFF;

struct SQLiteColumnDesc {
    std::uint64_t offset;     // of the member inside the record's mapped struct
    const wchar_t* name;      // the SQL column name, also the XML element name
    unsigned short type;      // type code, maybe with eColIndexed; 0 ends the table
    std::uint32_t length;     // bytes of an eColBinary member

    unsigned short Code() const { return type & kColTypeMask; }
};

// The compiled statements of one table, kept from its first OpenTable after an
// open of the database until ReleaseStatementCache.
struct SQLiteStatementCache {
    CStdStr tableName;
    CppSQLite3Statement select;   // by id
    CppSQLite3Statement update;
    CppSQLite3Statement insert;
    CppSQLite3Statement rowid;    // the id of a row by its ROWID
    CppSQLite3Statement remove;
    CStdStr keyCondition;         // "`id`=?", or "docid=?" for a full-text table
    CStdStr idColumn;             // "id"
    bool hasIdColumn = false;     // some descriptor has code 1
};

// The connection on which every cached statement is compiled: set by the
// first OpenTable after an open; null while none is set.
CppSQLite3DB* GetStatementDB();

// Finalizes and frees every cached statement and clears the statement
// connection; run before the connection closes.
void ReleaseStatementCache();

// A statement of no table's own (a lookup by another column), compiled on
// the statement connection at its first use and kept with the table
// statements; throws "Database not open" without a statement connection.
// The caller holds a CStatementUse while it binds and steps it.
CppSQLite3Statement& CachedStatement(const wchar_t* sql);

// Leaves a statement reset and unbound when it goes out of use, however that
// happens, so that no statement stays active and no value of one call is
// written by the next.
class CStatementUse {
public:
    explicit CStatementUse(CppSQLite3Statement& stmt) : m_stmt(stmt) { m_stmt.resetAfterUse(); }
    ~CStatementUse() { m_stmt.resetAfterUse(); }
    CStatementUse(const CStatementUse&) = delete;
    CStatementUse& operator=(const CStatementUse&) = delete;

private:
    CppSQLite3Statement& m_stmt;
};

// How a row is found again. Full-text tables key their rows by docid, which
// is kept equal to the note's id: FTS4 has no index on an ordinary column, so
// a match on `id` would read the whole table.
enum class ERowKey { Id, DocId };

class CSQLiteBase {
public:
    virtual ~CSQLiteBase() = default;
    CSQLiteBase(const CSQLiteBase&) = delete;
    CSQLiteBase& operator=(const CSQLiteBase&) = delete;

    // Creates the table when it is missing and compiles its statements.
    bool OpenTable(CppSQLite3DB& db);
    // Compiles the table's statements again, finalizing any it had.
    bool PrepareStatements();

    CStdStr BuildCreateSql() const;
    CStdStr BuildInsertSql() const;
    CStdStr BuildUpdateSql() const;
    // No condition (null or empty): every row.
    CStdStr BuildSelectSql(const wchar_t* condition = nullptr) const;
    CStdStr BuildDeleteSql() const;

    // id -1 inserts a row and stores its new id in the first member; any
    // other id updates that row, and finding no row with that id is a failure.
    bool PutData(std::int64_t id);
    // PutData for callers that hold a transaction and catch at its edge:
    // throws CppSQLite3Exception instead of logging.
    void WriteRow(std::int64_t id);
    // Updates the row with that id, or inserts it when there is none (a
    // full-text row, which is derived data, made again); throws.
    void WriteOrInsertRow(std::int64_t id);
    // True when the row exists and was read into the members.
    bool GetData(std::int64_t id);
    bool DeleteData(std::int64_t id);
    // Appends the first column of every row (only that column is read).
    bool GetAllIDs(std::vector<std::int64_t>& ids);
    // Appends column 0 of every row of query, or (query null) of the rows
    // that match condition.
    bool GetSelectiveIDs(std::vector<std::int64_t>& ids, const wchar_t* condition,
                         const wchar_t* query = nullptr);

    // The record as one element of the XML notes document, preceded by the
    // document head when asked. Text values are escaped so that every
    // document parses; the id is never written. The caller appends further
    // records and finally the end tag (CStdStrA::AppendNotesEndTag).
    CStdStrA WriteXml(bool withHead) const;
    // Fills the members named by the children of the document's first record
    // element; members without an element keep their values. False, logged,
    // when the document is refused (limits, LoadXmlDocument), does not parse
    // or its first record is not a row of this kind; the record is then
    // unchanged.
    bool ReadXml(const wchar_t* document, const SXmlLimits& limits);

    const SQLiteColumnDesc* Columns() const { return m_columns; }
    const wchar_t* TableName() const { return m_table; }
    const wchar_t* RowName() const { return m_rowName; }
    // The connection of the last successful OpenTable on this object.
    CppSQLite3DB* Database() const { return m_db; }

protected:
    template <class Row>
    CSQLiteBase(Row& row, const SQLiteColumnDesc* columns, const wchar_t* table, const wchar_t* rowName,
                ERowKey rowKey = ERowKey::Id)
        : CSQLiteBase(static_cast<void*>(&row), columns, table, rowName, rowKey)
    {
        static_assert(std::is_standard_layout_v<Row>,
                      "mapped members live in a standard-layout struct: offsetof is only defined there");
    }

private:
    CSQLiteBase(void* row, const SQLiteColumnDesc* columns, const wchar_t* table, const wchar_t* rowName,
                ERowKey rowKey);

    const wchar_t* KeyCondition() const;
    // The rows the insert or update changed; throws.
    int WriteRowChanging(std::int64_t id);

    void CompileStatements();
    SQLiteStatementCache& RequireStatements() const;
    void BindColumn(CppSQLite3Statement& stmt, const SQLiteColumnDesc& column, bool insert, int& param) const;
    void ReadRow(const CppSQLite3Query& query);
    void ReadColumn(const CppSQLite3Query& query, int field, const SQLiteColumnDesc& column);
    void ReadBackId(SQLiteStatementCache& statements);
    int ColumnCount() const;
    CStdStrA XmlLine(const SQLiteColumnDesc& column) const;
    void ReadXmlValue(const SQLiteColumnDesc& column, const CStdStr& value);

    template <class T>
    T& Member(const SQLiteColumnDesc& column) const
    {
        return *reinterpret_cast<T*>(static_cast<unsigned char*>(m_row) + column.offset);
    }

    void* m_row;
    const SQLiteColumnDesc* m_columns;
    const wchar_t* m_table;
    const wchar_t* m_rowName;
    ERowKey m_rowKey;
    CppSQLite3DB* m_db = nullptr;
};

class CSQLiteHelp {
public:
    // Doubles every apostrophe, for a value spliced into SQL or a full-text
    // query between apostrophes. Neither has a backslash escape, so
    // backslashes stay as they are.
    static CStdStr QuoteSql(const wchar_t* text);
    // The same for the text of a string-table entry.
    static CStdStr QuoteSql(UINT stringId);
};

// Text conversions between the UTF-16 in memory and the UTF-8 in the
// database. A failure is logged.
bool WideToUtf8(const wchar_t* text, size_t length, std::string& utf8);
bool WideToUtf8(const wchar_t* text, std::string& utf8);
// Strict: false (unlogged) when the bytes are not UTF-8.
bool Utf8ToWide(const char* bytes, size_t length, std::wstring& wide);
// Bytes that are not UTF-8 (rows of older versions) are read in the ANSI code page.
std::wstring Utf8OrAnsiToWide(const char* bytes, size_t length);
// A text cell of a row so read; NULL reads as empty.
std::wstring QueryText(const CppSQLite3Query& row, int field);
std::string WideToAnsi(const wchar_t* text);

// Turns a false result of the mapping layer (which has logged it) into the
// connection's error, so that a caller's transaction unwinds and the
// operation logs one line with code and message.
void RequireWritten(bool written, CppSQLite3DB& db);

// Logs "<operation> Sqlite3 error <code> : <message>" at the caller's position.
void LogSqliteError(const wchar_t* operation, const CppSQLite3Exception& error,
                    const char* sourceFile = __builtin_FILE(), int line = __builtin_LINE());
