// Rolling backups of the notes database: one copy per weekday, one about two
// weeks old, one about a month old and one from yesterday, each refreshed
// only when it has grown older than its span. Copies are made under SQLite's
// read lock once it has rolled back what a crash left (through its online
// backup where a plain copy cannot take the whole database), so a file caught
// in the middle of a write or after a crash never replaces a good backup, and
// each copy is stamped with the time it was made, so that it keeps the age
// its name promises. A copy is made beside the backup and renamed into its
// place, and only when it is a sound notes database, so neither a full disk
// nor a damaged or emptied database file costs a good backup. All backups due
// at once are made from one checked copy.
#pragma once

#include <windows.h>

#include "framework/OleDateTime.h"

struct sqlite3;

// The two steps that cost a whole pass over the file: the consistent copy
// of source into target (SQLite's code) and the whole-file check of the copy
// on its open connection. A table of their own, so tests can count them.
struct SBackupCopySeam {
    int (*copy)(const wchar_t* source, const wchar_t* target);
    bool (*quickCheck)(sqlite3* db);
};
extern SBackupCopySeam g_backupCopySeam;

// The same local date and time one calendar month earlier, the day cut to
// that month's length (February always counts 28 days).
SYSTEMTIME OneMonthEarlier(const SYSTEMTIME& time);

// Copies source over backup when backup is missing, dated in the future or
// older than threshold. True when no copy was needed or the copy succeeded;
// a failure, or a copy that fails its integrity check, has no notes table or
// holds no notes while the backup holds some, is logged and leaves the older
// backup byte for byte.
bool CopyFileIfOlder(const wchar_t* source, const wchar_t* backup, const COleDateTimeSpan& threshold);

// Refreshes the backup set of the database file in folder (which ends in a
// backslash; empty makes no copy): every due backup from one copy and one
// check, so a copy that fails its check refreshes none of them. False only
// when "now" is not a valid date.
bool BackupDatabaseFile(const wchar_t* database, const wchar_t* folder);
