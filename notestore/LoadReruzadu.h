// Start-up loading: imports the legacy notes file once, or brings back the
// notes that were on the desktop when the program last ended.
#pragma once

// Non-zero on success: 1 after loading the visible notes, or the importer's
// result after an import; 0 when the database is not open or the import
// fails early.
int LoadReruzadu();
