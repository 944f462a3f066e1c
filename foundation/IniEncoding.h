// How an INI file on disk reads: missing, UTF-16 or ANSI, or there but not
// readable (held by another program); and the one-time rewrite of an ANSI
// file as UTF-16LE, so that the profile writers keep any text in it.
#pragma once

#include <windows.h>

enum class EIniFileState { Missing, Unicode, Ansi, Unreadable };

// Holds the file open for reading, sharing reads and writes, for its life:
// while it is held no other program can take the file for itself, so reads
// made meanwhile see the file and not an empty one.
class CIniFileHold {
public:
    explicit CIniFileHold(const wchar_t* path);
    ~CIniFileHold();
    CIniFileHold(const CIniFileHold&) = delete;
    CIniFileHold& operator=(const CIniFileHold&) = delete;

    EIniFileState State() const { return m_state; }
    // The system's error when the file is there but could not be opened.
    DWORD Error() const { return m_error; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    EIniFileState m_state = EIniFileState::Missing;
    DWORD m_error = 0;
};

// Rewrites an ANSI file whole as UTF-16LE with a byte-order mark: its bytes
// read in the ANSI code page (or as UTF-8 after a UTF-8 mark), put in place
// by one rename, so the file is either the old one or the new one. True when
// the file is UTF-16 afterwards or missing; false, logged, when it stays as
// it was.
bool ConvertAnsiIniToUnicode(const wchar_t* path);
