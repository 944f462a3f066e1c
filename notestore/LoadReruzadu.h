// Start-up loading: imports the legacy notes file once, or brings back the
// notes that were on the desktop when the program last ended.
#pragma once

#include <windows.h>

class CNote;

// Non-zero on success: 1 after loading the visible notes, or the importer's
// result after an import; 0 when the database is not open, the legacy file
// cannot be opened (the import is tried again at the next start) or its
// import fails. A note that does not load is logged and skipped.
int LoadReruzadu();

// Reads a legacy buffer of length bytes: its first note into note when one is
// given (nothing stored or shown), else every note into a new note, stored
// and shown or unloaded as it was. The body lives with the legacy exchange.
bool loadReruzaduFromMemory(CNote* note, HGLOBAL block, DWORD length, bool fromNetwork);
