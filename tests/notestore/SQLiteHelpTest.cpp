// The table mapping, through a record of the tests' own with one member per
// type code: what a row holds after a store, what a record holds after a
// read of cells that older files or other programs wrote, the tables and
// indexes it creates, and the statement cache across closes.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "SqliteTestSupport.h"
#include "foundation/Seams.h"

namespace {

const UINT kQuotedStringId = 60001;   // "Tom's note", from the test's own string table

struct ProbeRow {
    std::int64_t id = -1;
    CStdStr name;
    std::uint32_t flags = 0;
    std::int64_t spare = 0;
    std::int32_t delta = 0;
    std::int64_t ref = 0;
    double ratio = 0.0;
    COleDateTime stamp;
    CStdStr body;
    unsigned char rect[16] = {};
    bool enabled = false;
};

const SQLiteColumnDesc kProbeColumns[] = {
    { offsetof(ProbeRow, id), L"id", eColRowId, 0 },
    { offsetof(ProbeRow, name), L"name", eColText | eColIndexed, 0 },
    { offsetof(ProbeRow, flags), L"flags", eColUInt32, 0 },
    { offsetof(ProbeRow, spare), L"spare", eColReserved64, 0 },
    { offsetof(ProbeRow, delta), L"delta", eColInt32, 0 },
    { offsetof(ProbeRow, ref), L"ref", eColInt64 | eColIndexed, 0 },
    { offsetof(ProbeRow, ratio), L"ratio", eColDouble, 0 },
    { offsetof(ProbeRow, stamp), L"stamp", eColDate, 0 },
    { offsetof(ProbeRow, body), L"body", eColLongText, 0 },
    { offsetof(ProbeRow, rect), L"rect", eColBinary, sizeof(ProbeRow::rect) },
    { offsetof(ProbeRow, enabled), L"enabled", eColBool, 0 },
    {},
};

class CProbe : public CSQLiteBase {
public:
    CProbe() : CSQLiteBase(row, kProbeColumns, L"probes", L"probe") {}
    ProbeRow row;
};

// Keyed by another table's id, as the full-text rows are: no column of code 1.
struct KeyedRow {
    std::int64_t id = 0;
    CStdStr name;
    CStdStr text;
};

const SQLiteColumnDesc kKeyedColumns[] = {
    { offsetof(KeyedRow, id), L"id", eColInt64, 0 },
    { offsetof(KeyedRow, name), L"name", eColText, 0 },
    { offsetof(KeyedRow, text), L"text", eColLongText, 0 },
    {},
};

class CKeyed : public CSQLiteBase {
public:
    CKeyed() : CSQLiteBase(row, kKeyedColumns, L"keyed", L"keyed") {}
    KeyedRow row;
};

void FillRect(ProbeRow& row, unsigned char first, int step)
{
    for (size_t i = 0; i < sizeof(row.rect); ++i)
        row.rect[i] = static_cast<unsigned char>(first + step * static_cast<int>(i));
}

void ExpectSameRow(const ProbeRow& actual, const ProbeRow& expected)
{
    EXPECT_EQ(actual.id, expected.id);
    EXPECT_EQ(actual.name, expected.name);
    EXPECT_EQ(actual.flags, expected.flags);
    EXPECT_EQ(actual.delta, expected.delta);
    EXPECT_EQ(actual.ref, expected.ref);
    EXPECT_EQ(actual.ratio, expected.ratio);
    EXPECT_EQ(actual.stamp, expected.stamp);
    EXPECT_EQ(actual.body, expected.body);
    EXPECT_EQ(std::memcmp(actual.rect, expected.rect, sizeof(actual.rect)), 0);
    EXPECT_EQ(actual.enabled, expected.enabled);
}

// A record whose every member differs from what any case reads.
void FillWithLeftovers(ProbeRow& row)
{
    row.id = 99;
    row.name = L"leftover";
    row.flags = 9;
    row.delta = 9;
    row.ref = 9;
    row.ratio = 9.0;
    row.stamp = 9.0;
    row.body = L"leftover";
    std::memset(row.rect, 0xEE, sizeof(row.rect));
    row.enabled = true;
}

std::wstring LogLine(const wchar_t* operation, const char* message)
{
    return std::wstring(operation) + L" Sqlite3 error " + std::wstring(message, message + std::strlen(message));
}

} // namespace

class SQLiteHelpTest : public DatabaseTest {
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        ASSERT_TRUE(m_probe.OpenTable(m_db));
    }

    std::vector<std::wstring> Column(const wchar_t* sql, int field = 0)
    {
        std::vector<std::wstring> values;
        for (CppSQLite3Query rows = m_db.execQuery(sql); !rows.eof(); rows.nextRow())
            values.push_back(Utf8OrAnsiToWide(rows.getStringField(field), std::strlen(rows.getStringField(field))));
        return values;
    }

    CProbe m_probe;
};

TEST_F(SQLiteHelpTest, StoredRowsReadBackAsStored)
{
    ProbeRow first;
    first.body = L"\U0001F600 smile, \u00E9t\u00E9";   // outside the BMP
    first.flags = 0xFFFFFFFFu;
    first.delta = INT_MIN;
    first.ref = INT64_MAX;
    first.ratio = 1.5;
    first.stamp = -2.25;
    FillRect(first, 0, 1);
    first.enabled = true;

    ProbeRow second;
    second.name = L"O'Neil's C:\\temp\\";            // apostrophes and backslashes stay as they are
    second.delta = INT_MAX;
    second.ref = -1;
    second.ratio = -0.5;
    second.stamp = 46000.75;
    FillRect(second, 0xFF, 0);

    for (const ProbeRow* row : { &first, &second }) {
        CProbe stored;
        stored.row = *row;
        stored.row.spare = 77;   // written, never read back
        ASSERT_TRUE(stored.PutData(-1));
        ASSERT_GT(stored.row.id, 0);

        CProbe read;
        ASSERT_TRUE(read.GetData(stored.row.id));
        ProbeRow expected = *row;
        expected.id = stored.row.id;
        ExpectSameRow(read.row, expected);
        EXPECT_EQ(read.row.spare, 0);
    }
    const CStdStr byName = L"select name from probes where name='" + CSQLiteHelp::QuoteSql(second.name.c_str()) + L"'";
    EXPECT_EQ(Column(byName.c_str()), std::vector<std::wstring>{ second.name });
}

TEST_F(SQLiteHelpTest, CellsFromOlderFilesReadSafely)
{
    struct Case {
        std::wstring cells;   // a SET list over a row that holds only its id
        std::function<void(const ProbeRow&)> check;
    };
    const Case cases[] = {
        { L"id=id", [](const ProbeRow& r) {   // NULL everywhere
              ProbeRow empty;
              empty.id = 1;
              ExpectSameRow(r, empty);
          } },
        { L"rect=x'0102030405060708090A'", [](const ProbeRow& r) {   // shorter: the rest is zeroed
              const unsigned char expected[16] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 };
              EXPECT_EQ(std::memcmp(r.rect, expected, 16), 0);
          } },
        { L"rect=x'" + std::wstring(200, L'4') + L"'", [](const ProbeRow& r) {   // 100 bytes: the member only
              ProbeRow expected;
              FillRect(expected, 0x44, 0);
              EXPECT_EQ(std::memcmp(r.rect, expected.rect, 16), 0);
          } },
        { L"rect=x''", [](const ProbeRow& r) {
              const unsigned char zero[16] = {};
              EXPECT_EQ(std::memcmp(r.rect, zero, 16), 0);
          } },
        { L"enabled=2", [](const ProbeRow& r) { EXPECT_TRUE(r.enabled); } },
        { L"flags=4294967295, delta=-1, ratio='2.5'", [](const ProbeRow& r) {
              EXPECT_EQ(r.flags, 0xFFFFFFFFu);
              EXPECT_EQ(r.delta, -1);
              EXPECT_EQ(r.ratio, 2.5);
          } },
        // Latin-1 bytes of an older version: not UTF-8, read in the ANSI code page.
        { L"name=CAST(x'436166E9' AS TEXT), body=x'436166E9'", [](const ProbeRow& r) {
              EXPECT_EQ(r.name, L"Caf\u00E9");
              EXPECT_EQ(r.body, L"Caf\u00E9");
          } },
        { L"name='\u00E9t\u00E9 \U0001F600', body=CAST('\u00E9t\u00E9' AS BLOB)", [](const ProbeRow& r) {
              EXPECT_EQ(r.name, L"\u00E9t\u00E9 \U0001F600");
              EXPECT_EQ(r.body, L"\u00E9t\u00E9");
          } },
    };
    ASSERT_EQ(GetACP(), 1252u) << "the tests pin an English locale";
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cells);
        m_db.execDML(L"delete from probes;insert into probes(id) values(1);");
        m_db.execDML((L"update probes set " + c.cells + L";").c_str());
        CProbe read;
        FillWithLeftovers(read.row);
        ASSERT_TRUE(read.GetData(1));
        c.check(read.row);
    }
}

TEST_F(SQLiteHelpTest, ShortRowFailsWithoutTouchingTheRecord)
{
    ASSERT_TRUE(m_probe.PutData(-1));
    m_db.execDML(L"alter table probes drop column enabled;");

    CLogCapture log;
    CProbe read;
    FillWithLeftovers(read.row);
    EXPECT_FALSE(read.GetData(m_probe.row.id));
    EXPECT_TRUE(log.Contains(LogLine(L"CSQLiteBase::GetData", "1000 : CPPSQLITE_ERROR[1000]: Invalid field index requested")));
    EXPECT_EQ(read.row.name, L"leftover");
    EXPECT_EQ(read.row.id, 99);
    EXPECT_EQ(ActiveStatements(m_db), 0);
}

TEST_F(SQLiteHelpTest, NoValueOfOneStoreIsWrittenByTheNext)
{
    CProbe full;
    full.row.name = L"full";
    full.row.body = L"full body";
    FillRect(full.row, 1, 1);
    full.row.enabled = true;
    full.row.flags = 5;
    ASSERT_TRUE(full.PutData(-1));

    CProbe empty;   // empty texts, a zero block, on the same cached statements
    ASSERT_TRUE(empty.PutData(-1));
    CProbe read;
    ASSERT_TRUE(read.GetData(empty.row.id));
    ExpectSameRow(read.row, empty.row);

    // The same through the update statement, over the full row.
    empty.row.id = full.row.id;
    ASSERT_TRUE(empty.PutData(full.row.id));
    ASSERT_TRUE(read.GetData(full.row.id));
    ExpectSameRow(read.row, empty.row);
}

TEST_F(SQLiteHelpTest, InsertTakesTheNewIdAndTheNextStoreUpdatesThatRow)
{
    ASSERT_TRUE(m_probe.PutData(-1));
    const std::int64_t id = m_probe.row.id;
    EXPECT_EQ(m_db.execScalar(L"select max(id) from probes"), id);

    m_probe.row.name = L"renamed";
    ASSERT_TRUE(m_probe.PutData(id));
    EXPECT_EQ(Count(L"probes"), 1);
    EXPECT_EQ(Column(L"select name from probes"), std::vector<std::wstring>{ L"renamed" });

    CProbe second;
    ASSERT_TRUE(second.PutData(-1));
    EXPECT_EQ(second.row.id, id + 1);

    ASSERT_TRUE(m_probe.DeleteData(id));
    EXPECT_FALSE(m_probe.GetData(id));
    EXPECT_EQ(Count(L"probes"), 1);
}

// A row deleted behind the record: an update finds nothing, and storing into
// nothing is a failure; a derived row may instead be made again.
TEST_F(SQLiteHelpTest, AnUpdateThatFindsNoRowFailsUnlessItMayInsert)
{
    ASSERT_TRUE(m_probe.PutData(-1));
    const std::int64_t id = m_probe.row.id;
    m_db.execDML(L"delete from probes");
    CLogCapture log;
    EXPECT_FALSE(m_probe.PutData(id));
    EXPECT_TRUE(log.Contains(LogLine(L"CSQLiteBase::PutData", "1000 : CPPSQLITE_ERROR[1000]: No row to update")));
    EXPECT_EQ(Count(L"probes"), 0);

    CKeyed keyed;
    ASSERT_TRUE(keyed.OpenTable(m_db));
    keyed.row.id = 7;
    keyed.row.name = L"made again";
    keyed.WriteOrInsertRow(7);
    keyed.row.name = L"updated";
    keyed.WriteOrInsertRow(7);
    EXPECT_EQ(Column(L"select name from keyed where id = 7"), std::vector<std::wstring>{ L"updated" });
}

TEST_F(SQLiteHelpTest, TableWithoutRowIdWritesEveryColumn)
{
    CKeyed keyed;
    ASSERT_TRUE(keyed.OpenTable(m_db));
    keyed.row.id = 42;
    keyed.row.name = L"first";
    ASSERT_TRUE(keyed.PutData(-1));
    EXPECT_EQ(keyed.row.id, 42);
    EXPECT_EQ(m_db.execScalar(L"select id from keyed"), 42);

    // An update sets the id column too, found by the id given.
    keyed.row.id = 43;
    keyed.row.name = L"second";
    ASSERT_TRUE(keyed.PutData(42));
    EXPECT_EQ(Count(L"keyed"), 1);
    CKeyed read;
    ASSERT_TRUE(read.GetData(43));
    EXPECT_EQ(read.row.name, L"second");
}

TEST_F(SQLiteHelpTest, TablesAndIndexesFollowTheDescriptors)
{
    struct Expected { const wchar_t* name; const wchar_t* type; };
    const Expected columns[] = {
        { L"id", L"INTEGER" }, { L"name", L"TEXT" }, { L"flags", L"INTEGER" }, { L"spare", L"INTEGER" },
        { L"delta", L"INTEGER" }, { L"ref", L"INTEGER" }, { L"ratio", L"REAL" }, { L"stamp", L"REAL" },
        { L"body", L"BLOB" }, { L"rect", L"BLOB" }, { L"enabled", L"INTEGER" },
    };
    const std::vector<std::wstring> names = Column(L"PRAGMA table_info(probes)", 1);
    const std::vector<std::wstring> types = Column(L"PRAGMA table_info(probes)", 2);
    ASSERT_EQ(names.size(), std::size(columns));
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(names[i], columns[i].name);
        EXPECT_EQ(types[i], columns[i].type);
    }
    EXPECT_EQ(Column(L"select name from pragma_table_info('probes') where pk=1"), std::vector<std::wstring>{ L"id" });

    EXPECT_EQ(Column(L"select name from sqlite_master where type='index' and tbl_name='probes'"),
              std::vector<std::wstring>{ L"probes_idx" });
    EXPECT_EQ(Column(L"select name from pragma_index_info('probes_idx')"),
              (std::vector<std::wstring>{ L"name", L"ref" }));

    CKeyed keyed;
    ASSERT_TRUE(keyed.OpenTable(m_db));
    EXPECT_EQ(m_db.execScalar(L"select count(*) from sqlite_master where type='index' and tbl_name='keyed'"), 0);
}

TEST_F(SQLiteHelpTest, IdListsInTheOrderSQLiteGives)
{
    std::vector<std::int64_t> ids = { 7 };
    ASSERT_TRUE(m_probe.GetAllIDs(ids));
    EXPECT_EQ(ids, std::vector<std::int64_t>{ 7 });   // empty table: nothing appended

    for (const std::int64_t ref : { 30, 10, 20 }) {
        CProbe probe;
        probe.row.ref = ref;
        ASSERT_TRUE(probe.PutData(-1));
    }
    ids.clear();
    ASSERT_TRUE(m_probe.GetAllIDs(ids));
    EXPECT_EQ(ids, (std::vector<std::int64_t>{ 1, 2, 3 }));

    ids.clear();
    ASSERT_TRUE(m_probe.GetSelectiveIDs(ids, L"ref >= 20"));
    EXPECT_EQ(ids, (std::vector<std::int64_t>{ 1, 3 }));

    ids.clear();   // a full query wins over the condition
    ASSERT_TRUE(m_probe.GetSelectiveIDs(ids, L"ref >= 20", L"select ref from probes order by ref"));
    EXPECT_EQ(ids, (std::vector<std::int64_t>{ 10, 20, 30 }));

    CLogCapture log;
    ids = { 5 };
    EXPECT_FALSE(m_probe.GetSelectiveIDs(ids, L"no_such_column = 1"));
    EXPECT_EQ(ids, std::vector<std::int64_t>{ 5 });
    EXPECT_TRUE(log.Contains(LogLine(L"CSQLiteBase::GetSelectiveIDs", "1 : SQLITE_ERROR[1]: no such column: no_such_column")));
}

TEST_F(SQLiteHelpTest, FailedStoreIsLoggedAndLeavesTheStatementsReady)
{
    // The same columns, but names must be unique.
    ReleaseStatementCache();
    m_db.execDML(L"drop table probes;");
    CStdStr create = m_probe.BuildCreateSql();
    ASSERT_EQ(create.Replace(L"`name` TEXT", L"`name` TEXT UNIQUE"), 1);
    m_db.execDML(create.c_str());
    ASSERT_TRUE(m_probe.OpenTable(m_db));

    CProbe first;
    first.row.name = L"same";
    ASSERT_TRUE(first.PutData(-1));
    CLogCapture log;
    CProbe second;
    second.row.name = L"same";
    EXPECT_FALSE(second.PutData(-1));
    EXPECT_TRUE(log.Contains(LogLine(L"CSQLiteBase::PutData",
                                     "19 : SQLITE_CONSTRAINT[19]: UNIQUE constraint failed: probes.name")));
    EXPECT_EQ(second.row.id, -1);
    EXPECT_EQ(ActiveStatements(m_db), 0);

    second.row.name = L"other";
    EXPECT_TRUE(second.PutData(-1));
    EXPECT_EQ(Count(L"probes"), 2);

    log.Clear();   // a row that is not there is no error
    EXPECT_FALSE(second.GetData(12345));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_EQ(ActiveStatements(m_db), 0);
}

TEST_F(SQLiteHelpTest, OpenTableOfAnOlderTableFails)
{
    m_db.execDML(L"create table keyed(id INTEGER, name TEXT);");
    CLogCapture log;
    CKeyed keyed;
    EXPECT_FALSE(keyed.OpenTable(m_db));
    EXPECT_TRUE(log.Contains(L"Failed to open database SQLITE_ERROR[1]: no such column: text"));
    EXPECT_FALSE(keyed.PutData(-1));
    EXPECT_TRUE(log.Contains(LogLine(L"CSQLiteBase::PutData",
                                     "1000 : CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer")));
}

TEST_F(SQLiteHelpTest, ReleasedCacheFailsSafelyUntilTheNextOpen)
{
    ASSERT_TRUE(m_probe.OpenTable(m_db));       // the table opened again
    ASSERT_TRUE(m_probe.PrepareStatements());   // and compiled once more
    ASSERT_TRUE(m_probe.PutData(-1));
    EXPECT_EQ(CompiledStatements(m_db), 5);     // the earlier ones were finalized
    ReleaseStatementCache();
    EXPECT_EQ(GetStatementDB(), nullptr);
    m_db.close();
    EXPECT_TRUE(DeleteFileW(m_path.c_str())) << "a leaked statement holds the file";

    CLogCapture log;
    std::vector<std::int64_t> ids;
    EXPECT_FALSE(m_probe.PutData(-1));
    EXPECT_FALSE(m_probe.GetData(1));
    EXPECT_FALSE(m_probe.DeleteData(1));
    EXPECT_FALSE(m_probe.GetAllIDs(ids));
    EXPECT_FALSE(m_probe.GetSelectiveIDs(ids, L"id=1"));
    EXPECT_FALSE(m_probe.PrepareStatements());
    for (const wchar_t* operation : { L"CSQLiteBase::PrepareStatements", L"CSQLiteBase::PutData", L"CSQLiteBase::GetData", L"CSQLiteBase::DeleteData",
                                      L"CSQLiteBase::GetAllIDs", L"CSQLiteBase::GetSelectiveIDs" })
        EXPECT_TRUE(log.Contains(LogLine(operation, "1000 : CPPSQLITE_ERROR[1000]: Database not open"))) << operation;

    m_db.open(m_path.c_str());
    ASSERT_TRUE(m_probe.OpenTable(m_db));
    EXPECT_EQ(GetStatementDB(), &m_db);
    EXPECT_TRUE(m_probe.PutData(-1));
    EXPECT_TRUE(m_probe.GetAllIDs(ids));
    EXPECT_EQ(ids, std::vector<std::int64_t>{ 1 });

    log.Clear();   // a table never opened on this connection has no statements
    CKeyed keyed;
    EXPECT_FALSE(keyed.GetData(1));
    EXPECT_TRUE(log.Contains(LogLine(L"CSQLiteBase::GetData",
                                     "1000 : CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer")));
}

TEST(CSQLiteHelp, QuoteSqlDoublesApostrophesOnly)
{
    struct Case { const wchar_t* text; const wchar_t* quoted; };
    const Case cases[] = {
        { L"O'Neil", L"O''Neil" },
        { L"C:\\temp", L"C:\\temp" },   // no backslash escape in SQL or full-text queries
        { L"''", L"''''" },
        { L"", L"" },
        { nullptr, L"" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CSQLiteHelp::QuoteSql(c.text), c.quoted) << (c.text ? c.text : L"(null)");
    EXPECT_EQ(CSQLiteHelp::QuoteSql(kQuotedStringId), L"Tom''s note");
}
