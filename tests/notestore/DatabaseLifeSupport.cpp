#include "DatabaseLifeSupport.h"

#include <cstring>
#include <ostream>

#include "notestore/SQLiteHelp.h"

namespace {

std::wstring Wide(const char* utf8)
{
    return Utf8OrAnsiToWide(utf8, std::strlen(utf8));
}

// SQLite's rules for the affinity of a declared type.
std::wstring Affinity(std::wstring type)
{
    for (wchar_t& c : type)
        c = towupper(c);
    const auto has = [&type](const wchar_t* part) { return type.find(part) != std::wstring::npos; };
    if (has(L"INT"))
        return L"INTEGER";
    if (has(L"CHAR") || has(L"CLOB") || has(L"TEXT"))
        return L"TEXT";
    if (type.empty() || has(L"BLOB"))
        return L"BLOB";
    if (has(L"REAL") || has(L"FLOA") || has(L"DOUB"))
        return L"REAL";
    return L"NUMERIC";
}

std::vector<SColumn> Columns(CppSQLite3DB& db, const std::wstring& table)
{
    std::vector<SColumn> columns;
    CppSQLite3Query rows = db.execQuery((L"PRAGMA table_info(`" + table + L"`);").c_str());
    for (; !rows.eof(); rows.nextRow())
        columns.push_back({Wide(rows.getStringField(1)), Affinity(Wide(rows.getStringField(2)))});
    return columns;
}

std::wstring IndexColumns(CppSQLite3DB& db, const std::wstring& index)
{
    std::wstring columns;
    CppSQLite3Query rows = db.execQuery((L"PRAGMA index_info(`" + index + L"`);").c_str());
    for (; !rows.eof(); rows.nextRow())
        columns += (columns.empty() ? L"" : L",") + Wide(rows.getStringField(2));
    return columns;
}

// The shadow tables of a full-text table go with it.
bool IsShadowTable(const std::wstring& name)
{
    for (const wchar_t* table : {L"search_", L"search2_", L"sqlite_"})
        if (name.rfind(table, 0) == 0)
            return true;
    return false;
}

} // namespace

std::wstring FixturePath(const wchar_t* name)
{
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring folder = program;
    folder.erase(folder.find_last_of(L'\\') + 1);
    return folder + L"fixtures\\" + name;
}

CRun::CRun() : m_seam(g_noteManagerSeam, {&m_manager})
{
    m_manager.SetDatabasePath(File().c_str());
}

CRun::~CRun()
{
    m_manager.CloseDB();
}

void CRun::UseFixture(const wchar_t* name)
{
    ASSERT_TRUE(CopyFileW(FixturePath(name).c_str(), File().c_str(), FALSE)) << "fixture missing: " << name;
}

bool CRun::Logged(const std::wstring& start) const
{
    for (const std::wstring& line : m_log.Lines())
        if (line.rfind(start, 0) == 0)
            return true;
    return false;
}

std::wstring CPeek::Text(const std::wstring& sql)
{
    CppSQLite3Query rows = m_db.execQuery(sql.c_str());
    return rows.eof() ? L"<no row>" : Wide(rows.getStringField(0));
}

SLayout ReadLayout(CppSQLite3DB& db)
{
    SLayout layout;
    CppSQLite3Query rows = db.execQuery(L"select type, name, sql from sqlite_master order by name;");
    for (; !rows.eof(); rows.nextRow()) {
        const std::wstring type = Wide(rows.getStringField(0));
        const std::wstring name = Wide(rows.getStringField(1));
        const std::wstring sql = Wide(rows.getStringField(2));
        if (type == L"table" && sql.rfind(L"CREATE VIRTUAL TABLE", 0) == 0)
            layout.virtualTables[name] = sql;
        else if (type == L"table" && !IsShadowTable(name))
            layout.tables[name] = {};
        else if (type == L"trigger")
            layout.triggers[name] = sql;
        else if (type == L"index" && name.rfind(L"sqlite_", 0) != 0)
            layout.indexes[name] = {};
    }
    for (auto& [name, columns] : layout.tables)
        columns = Columns(db, name);
    for (auto& [name, columns] : layout.indexes)
        columns = IndexColumns(db, name);
    return layout;
}

const SLayout& FreshLayout()
{
    static const SLayout layout = [] {
        CRun run;
        CppSQLite3DB* db = run.Manager().GetDB();
        return db ? ReadLayout(*db) : SLayout();
    }();
    return layout;
}

void PrintTo(const SColumn& column, std::ostream* out)
{
    std::string name(column.name.begin(), column.name.end());
    std::string affinity(column.affinity.begin(), column.affinity.end());
    *out << name << " " << affinity;
}
