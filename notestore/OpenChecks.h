// The checks and one-time repairs of an open of the notes database: the
// integrity check that comes before the open's first write (a damaged file is
// copied aside first), the full-text rows checked against their notes, and
// the due time of alarms that lack one. Each reads the rows it needs once,
// and a repair writes only the columns it repairs.
#pragma once

#include "foundation/StdStr.h"

#include <cstdint>
#include <memory>
#include <vector>

class CppSQLite3DB;
class CTransaction;

// One read transaction for the reads of an open: under Wine each statement
// outside a transaction takes and drops the file lock, which costs more than
// most of the open's queries. Ended before the open's first write, so that
// each write still commits on its own. Without it (BEGIN failed) the reads
// run one by one as before.
class COpenReading {
public:
    explicit COpenReading(CppSQLite3DB& db);
    ~COpenReading();
    COpenReading(const COpenReading&) = delete;
    COpenReading& operator=(const COpenReading&) = delete;

    void EndBeforeWriting();

private:
    std::unique_ptr<CTransaction> m_transaction;
};

// The first problem that PRAGMA quick_check reports; empty when the file
// passes. A file too damaged for the check to finish fails it. Throws
// CppSQLite3Exception for any other error (no database at all, a lock).
CStdStr FirstIntegrityProblem(CppSQLite3DB& db);

// Copies a file, unopened by anybody, to a dated name beside it, never over
// an existing file: "Damaged_<yyyymmdd>_<hhmmss>_<name>". Returns the copy's
// path, or empty (logged) when none could be made.
CStdStr CopyDamagedFileAside(const wchar_t* file);

// Whether every note has one full-text row and every full-text row carries
// its note's id as docid, with the delete trigger of this version.
bool FullTextRowsFollowTheirNotes(CppSQLite3DB& db);

// Gives every active alarm that has a date but no due time its due time,
// writing `alarm_calculated` alone, all in one transaction; when SQLite ends
// that transaction itself the notes are written one by one. A note that fails
// is logged and the others go on. Returns the ids repaired; throws
// CppSQLite3Exception when the notes cannot be read. reading ends before the
// first write.
std::vector<std::int64_t> RepairMissingDueTimes(CppSQLite3DB& db, COpenReading& reading);
