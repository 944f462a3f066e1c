#include "NoteSchema.h"

#include "CppSQLite3.h"
#include "Note.h"
#include "SQLiteHelp.h"
#include "Transaction.h"
#include "foundation/LogFile.h"

namespace {

const wchar_t kDropTriggers[] =
    L"DROP TRIGGER IF EXISTS del_notes;\n"
    L"DROP TRIGGER IF EXISTS ins_notes;\n"
    L"DROP TRIGGER IF EXISTS upd_notes;\n";

const wchar_t kDropSearch[] = L"DROP TABLE IF EXISTS `search`;\n";
const wchar_t kDropSearch2[] = L"DROP TABLE IF EXISTS `search2`;\n";

// Full-text rows carry their note's id as docid, and the trigger deletes by
// docid: FTS4 has no index on an ordinary column, so a match on `id` reads
// the whole table.
const wchar_t kCreateFullText[] =
    L"CREATE VIRTUAL TABLE search USING fts4 ( id, name, text, tokenize=porter );\n"
    L"INSERT INTO search ( docid, id, name, text ) SELECT id, id, displayname, text FROM notes;\n"
    L"CREATE VIRTUAL TABLE search2 USING fts4 ( id, name, text, tokenize=unicode61 );\n"
    L"INSERT INTO search2 ( docid, id, name, text ) SELECT id, id, displayname, text FROM notes;\n";

const wchar_t kDeleteTrigger[] =
    L"CREATE TRIGGER del_notes AFTER DELETE ON notes\n"
    L"BEGIN\n"
    L"DELETE FROM `attachnotes` WHERE noteid = old.id;\n"
    L"DELETE FROM `search` WHERE docid = old.id;\n"
    L"DELETE FROM `search2` WHERE docid = old.id;\n"
    L"END";

const wchar_t kIndexScript[] =
    L"DROP INDEX IF EXISTS idx_notes;\n"
    L"DROP INDEX IF EXISTS idx_notes2;\n"
    L"DROP INDEX IF EXISTS idx_notes3;\n"
    L"CREATE INDEX [idx_notes] ON [notes] ([visible]);\n"
    L"CREATE INDEX [idx_notes2] ON [notes] ([group]);\n"
    L"CREATE INDEX [idx_notes3] ON [notes] ([alarm_calculated]);\n"
    L"ANALYZE;\n";

// Copies the old table with "SELECT *", so it relies on the 30 columns of
// that layout; group numbers move up by one, so that 0 can mean no group.
const wchar_t kRebuildNotes[] =
    L"ALTER TABLE notes RENAME TO `notes_old`;"
    L"CREATE TABLE notes(`id` INTEGER PRIMARY KEY,`name` TEXT,`style` INTEGER,`color` INTEGER,"
    L"`colorbk` INTEGER,`visible` INTEGER,`textfont` TEXT,`colortext` INTEGER,`password` TEXT,"
    L"`creator` TEXT,`creationdate` REAL,`lastupdatedate` REAL,`wndplacement` BLOB,`locked` INTEGER,"
    L"`transparency` INTEGER,`guid` TEXT,`group` INTEGER,`colorgroup` INTEGER,`rcMinimize` BLOB,"
    L"`text` BLOB,`alarm_popup` REAL,`alarm_alarm` REAL,`alarm_soundfile` TEXT,"
    L"`alarm_executecmd` TEXT,`alarm_alarmflags` INTEGER,`alarm_frequency` INTEGER,"
    L"`alarm_snoozetime` INTEGER,`alarm_period` INTEGER,`alarm_periodcnt` INTEGER,"
    L"`alarm_calculated` REAL);"
    L"INSERT INTO `notes` SELECT * FROM `notes_old`;"
    L"DROP TABLE `notes_old`;"
    L"UPDATE `notes` set `group`=`group`+1 WHERE `group`!='';";

std::vector<SSchemaUpgrade> MakeUpgrades()
{
    return {
        {2, 3,
         L"alter table `attachnotes` ADD COLUMN `application` TEXT;"
         L"alter table `attachnotes` ADD COLUMN `movewith` INT;",
         nullptr, nullptr, false},
        {3, 4, L"update `notes` set `alarm_frequency`=`alarm_frequency`+1 where `alarm_frequency`>0;",
         nullptr, nullptr, false},
        {4, 5, kRebuildNotes, nullptr, nullptr, false},
        {5, 6, L"ALTER TABLE `notes` ADD COLUMN `displayname` TEXT;", nullptr, &CNote::UpdateDisplayNames,
         false},
        {6, 7, L"ALTER TABLE `notes` ADD COLUMN `displaytext` BLOB;", nullptr, nullptr, false},
        {7, 8, L"DROP TRIGGER IF EXISTS ins_notes;\nDROP TRIGGER IF EXISTS upd_notes;\n",
         L"Dropping new triggers", nullptr, true},
        {8, 9, L"alter table `notes` ADD COLUMN `rcMinimizePos` BLOB;", nullptr, nullptr, false},
        {9, 10, L"alter table `notes` ADD COLUMN `autoresize` INTEGER;", nullptr, &CNote::UpdateAutoSizeField,
         false},
        // Replaced again by the next step; kept as the earlier program ran it.
        {10, 11,
         L"drop table IF EXISTS `search`;\n"
         L"CREATE VIRTUAL TABLE search USING fts4 ( id, name, text, tokenize=unicode61 );\n"
         L"INSERT INTO search ( id, name, text  )  SELECT id, displayname, text FROM notes;\n",
         nullptr, nullptr, false},
        // The whole full-text script: a `search2` left behind (no version
        // before has one) would fail this step at every open.
        {11, 12, FullTextScript(), nullptr, nullptr, false},
    };
}

// Today's SQLite checks every trigger and view when a table is renamed and
// refuses when one names a missing table (older files have such triggers);
// the upgrades rename the way the files were made for.
class CLegacyAlterTable {
public:
    explicit CLegacyAlterTable(CppSQLite3DB& db) : m_db(db) { m_db.execDML(L"PRAGMA legacy_alter_table=ON;"); }
    ~CLegacyAlterTable()
    {
        try {
            m_db.execDML(L"PRAGMA legacy_alter_table=OFF;");
        } catch (const CppSQLite3Exception& e) {
            LogSqliteError(L"PrepareSchema", e);
        }
    }
    CLegacyAlterTable(const CLegacyAlterTable&) = delete;
    CLegacyAlterTable& operator=(const CLegacyAlterTable&) = delete;

private:
    CppSQLite3DB& m_db;
};

void StampVersion(CppSQLite3DB& db, int version)
{
    CStdStr sql;
    sql.Format(L"update `schema` set `version`='%d' where version;", version);
    db.execDML(sql.c_str());
}

void RunStep(CppSQLite3DB& db, const SSchemaUpgrade& step)
{
    CTransaction tx(db);
    if (step.announcement)
        QLOG(L"%s", step.announcement);
    db.execDML(step.sql.c_str());
    if (step.repair && !step.repair(db))
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Schema repair failed");
    if (step.rewritesText)
        MarkTextRewriteOwed(db);
    StampVersion(db, step.to);
    tx.Commit();
}

void LogVersionChange(int oldVersion, int newVersion)
{
    if (newVersion != oldVersion)
        QLOG(L"Updating schema from %d to %d", oldVersion, newVersion);
}

// Runs the steps from the stored version on; result.newVersion follows each
// committed step.
void RunUpgrades(CppSQLite3DB& db, SSchemaResult& result)
{
    const CLegacyAlterTable legacy(db);
    for (const SSchemaUpgrade& step : SchemaUpgrades()) {
        if (step.from != result.newVersion)
            continue;
        try {
            RunStep(db, step);
        } catch (const CppSQLite3Exception&) {
            LogVersionChange(result.oldVersion, result.newVersion);
            QLOG(L"Failed to update schema from %d to %d", step.from, step.to);
            throw;
        }
        result.newVersion = step.to;
    }
    LogVersionChange(result.oldVersion, result.newVersion);
}

// The bit of the user version that marks an owed rewrite of the text column.
constexpr sqlite3_int64 kTextRewriteOwed = 0x1;

void WriteUserVersion(CppSQLite3DB& db, sqlite3_int64 version)
{
    CStdStr sql;
    sql.Format(L"PRAGMA user_version = %I64d;", version);
    db.execDML(sql.c_str());
}

void CreateSchemaTable(CppSQLite3DB& db, int version)
{
    CTransaction tx(db);
    db.execDML(L"create table schema (`version` INTEGER);");
    CStdStr sql;
    sql.Format(L"insert into `schema` (`version`) VALUES (%d);", version);
    db.execDML(sql.c_str());
    tx.Commit();
}

} // namespace

const std::vector<SSchemaUpgrade>& SchemaUpgrades()
{
    static const std::vector<SSchemaUpgrade> upgrades = MakeUpgrades();
    return upgrades;
}

const std::wstring& FullTextScript()
{
    static const std::wstring script =
        kDropTriggers + std::wstring(kDropSearch) + kDropSearch2 + kCreateFullText + kDeleteTrigger + L";\n";
    return script;
}

const wchar_t* IndexScript()
{
    return kIndexScript;
}

const std::wstring& DeleteTriggerSql()
{
    static const std::wstring sql = kDeleteTrigger;
    return sql;
}

int ReadSchemaVersion(CppSQLite3DB& db)
{
    CppSQLite3Query query = db.execQuery(L"select `version` from `schema`");
    int version = 0;
    for (; !query.eof(); query.nextRow())
        version = query.getIntField(query.fieldIndex(L"version"));
    return version;
}

SSchemaResult PrepareSchema(CppSQLite3DB& db)
{
    SSchemaResult result;
    if (!db.tableExists(L"schema")) {
        // Whether the file held notes, not whether it existed: a 0-byte file
        // exists but is as new as a missing one.
        if (!db.tableExists(L"notes")) {
            CreateSchemaTable(db, kCurrentSchemaVersion);
            result.oldVersion = result.newVersion = kCurrentSchemaVersion;
            return result;
        }
        CreateSchemaTable(db, kOldestSchemaVersion);
    }
    result.oldVersion = result.newVersion = ReadSchemaVersion(db);
    RunUpgrades(db, result);
    return result;
}

void MarkTextRewriteOwed(CppSQLite3DB& db)
{
    if (db.execScalar(L"select exists (select 1 from `notes`);") == 0)
        return;
    WriteUserVersion(db, db.execScalar(L"PRAGMA user_version;") | kTextRewriteOwed);
}

bool IsTextRewriteOwed(CppSQLite3DB& db)
{
    return (db.execScalar(L"PRAGMA user_version;") & kTextRewriteOwed) != 0;
}

void RunOwedTextRewrite(CppSQLite3DB& db, const std::function<bool()>& rewrite)
{
    if (!IsTextRewriteOwed(db))
        return;
    if (!rewrite()) {
        QLOG(L"Rewriting the text column failed; the next open tries again");
        return;
    }
    WriteUserVersion(db, db.execScalar(L"PRAGMA user_version;") & ~kTextRewriteOwed);
}

void RebuildFullText(CppSQLite3DB& db, bool owesTextRewrite)
{
    CTransaction tx(db);
    db.execDML(FullTextScript().c_str());
    if (owesTextRewrite)
        MarkTextRewriteOwed(db);
    tx.Commit();
}
