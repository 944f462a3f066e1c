// Notes in and out of the legacy binary format: the bodies of the legacy
// reader (loadReruzaduFromMemory, declared with the start-up loading) and
// writer (CNote::SaveToMemory), and the conversions they share.
#pragma once

#include <windows.h>

#include "SticFormat.h"
#include "framework/OleDateTime.h"

// A local date as a time record; time 0 ("no time") for an invalid date, a
// year before 1900 or a moment outside the 32-bit range.
SticTimeRecord MakeSticTimeRecord(const COleDateTime& date);
// The local date of a record's moment, judged against the record's own
// daylight-saving flag; invalid for a time of 0 or below.
COleDateTime SticRecordDate(const SticTimeRecord& record);

// A normal rectangle of the old note frame in the current one.
RECT OldFrameToCurrent(const RECT& rect);

// The code page that CP_THREAD_ACP stands for.
UINT ThreadAnsiCodePage();
