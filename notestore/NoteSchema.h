// The layout of the notes database as data: the scripts that make the
// full-text tables and the notes indexes, and the steps that bring a file of
// an older version up to the current one. PrepareSchema applies them, each
// step with its new version in one transaction, so that a failed step leaves
// the file at the version it had before that step.
#pragma once

#include <functional>
#include <string>
#include <vector>

class CppSQLite3DB;

constexpr int kCurrentSchemaVersion = 12;
// A file with notes but no schema table is this old.
constexpr int kOldestSchemaVersion = 2;

// A bulk repair that a step needs after its SQL, run in the step's
// transaction; false fails the step.
using SchemaRepair = bool (*)(CppSQLite3DB& db);

struct SSchemaUpgrade {
    int from;
    int to;
    std::wstring sql;
    const wchar_t* announcement;   // logged before the step, or null
    SchemaRepair repair;           // or null
    bool rewritesText;             // owes a rewrite of the text column (marked in the file)
};

// In the order they apply.
const std::vector<SSchemaUpgrade>& SchemaUpgrades();

// Drops and makes both full-text tables and the delete trigger, filling the
// tables from the notes with each row's docid equal to its note's id.
const std::wstring& FullTextScript();
const wchar_t* IndexScript();
// The delete trigger as sqlite_master holds it once FullTextScript has run.
const std::wstring& DeleteTriggerSql();

struct SSchemaResult {
    int oldVersion = 0;
    int newVersion = 0;
};

// Makes and stamps the schema table when it is missing (version 2 for a file
// that already holds notes, else the current version), then runs every step
// from the stored version on. Throws CppSQLite3Exception; a failed step is
// rolled back and logged with its versions.
SSchemaResult PrepareSchema(CppSQLite3DB& db);

// The last row's version; 0 when the table is empty.
int ReadSchemaVersion(CppSQLite3DB& db);

// A rewrite of the text column that an upgrade owes is marked in the file, in
// a bit of its user version (which the layout leaves unused), inside the
// change that makes it owed; so a rewrite that fails or never ran is tried
// again by every open until it succeeds. A file without notes owes nothing.
void MarkTextRewriteOwed(CppSQLite3DB& db);
bool IsTextRewriteOwed(CppSQLite3DB& db);
// Runs rewrite when the file owes it and clears the mark once it succeeds; a
// failure is logged and the mark stays. Throws CppSQLite3Exception.
void RunOwedTextRewrite(CppSQLite3DB& db, const std::function<bool()>& rewrite);
// Makes both full-text tables afresh from the notes in one transaction; with
// owesTextRewrite the text column is marked to be rewritten too.
void RebuildFullText(CppSQLite3DB& db, bool owesTextRewrite);
