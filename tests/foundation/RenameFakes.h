// Renames that fail as a real system would, for the seam of MoveFileReplacing.
#pragma once

#include <windows.h>

// The rename as Windows does it: Wine replaces a read-only target.
inline BOOL RenameAsWindows(const wchar_t* existing, const wchar_t* replacement, DWORD flags)
{
    const DWORD attributes = GetFileAttributesW(replacement);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return MoveFileExW(existing, replacement, flags);
}

inline BOOL RenameOnFullDisk(const wchar_t*, const wchar_t*, DWORD)
{
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}
