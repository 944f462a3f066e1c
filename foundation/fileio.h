// File wrapper and file helpers: CWinFile owns one file handle; opening and
// writing report failure by result, every other handle operation throws
// CWinFileException. This is the foundation's chief header.
#pragma once

#include <windows.h>

#include "StdStr.h"

// The rename through which MoveFileReplacing puts a file in place.
struct SFileRenameSeam {
    BOOL (*moveFileEx)(const wchar_t* existing, const wchar_t* replacement, DWORD flags);
};
extern SFileRenameSeam g_fileRenameSeam;

// The thrown type, and the error record CWinFile::Open fills on failure.
class CWinFileException {
public:
    static constexpr int kPathChars = 261;

    CWinFileException() = default;
    CWinFileException(DWORD error, const wchar_t* path);

    DWORD Error() const { return m_error; }
    const wchar_t* Path() const { return m_path; }

private:
    DWORD m_error = 0;
    wchar_t m_path[kPathChars] = {};
};

class CWinFile {
public:
    // The open-flag word of Open.
    enum : UINT {
        accessRead = 0x0000,
        accessWrite = 0x0001,
        accessReadWrite = 0x0002,
        accessNone = 0x0003,
        accessMask = 0x0003,
        shareRead = 0x0020,        // others may read
        shareWrite = 0x0030,       // others may write
        shareReadWrite = 0x0040,   // others may read and write
        shareMask = 0x0070,        // any other value shares nothing
        noInherit = 0x0080,
        temporary = 0x0100,
        deleteOnClose = 0x0200,
        create = 0x1000,           // alone: create or empty
        keepContent = 0x2000,      // with create: open or create
    };

    CWinFile() = default;
    ~CWinFile() { Close(); }
    CWinFile(const CWinFile&) = delete;
    CWinFile& operator=(const CWinFile&) = delete;

    // False on failure; the record (when given) gets the error and the path.
    // A handle held before is closed first.
    bool Open(const wchar_t* path, UINT flags, CWinFileException* error = nullptr);
    void Close();

    DWORD Seek(LONG offset, DWORD origin);
    void SeekToBegin() { Seek(0, FILE_BEGIN); }
    DWORD SeekToEnd() { return Seek(0, FILE_END); }
    void SetLength(DWORD length);
    DWORD GetLength() const;   // low 32 bits, unchecked
    DWORD GetPosition() const;
    DWORD Read(void* buffer, DWORD count);
    bool Write(const void* buffer, DWORD count);
    void Flush();
    void LockRange(DWORD position, DWORD count);
    void UnlockRange(DWORD position, DWORD count);

    HANDLE GetHandle() const { return m_handle; }
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

bool FileExists(const wchar_t* path);
bool IsDirectory(const wchar_t* path);
bool CreateDirectoryIfMissing(const wchar_t* path);
bool CopyFileReplacing(const wchar_t* source, const wchar_t* target, bool overwrite);
// Puts source in target's place by one rename, so target is either the old
// file or the new one, never a part of either; both must be on one volume.
// A read-only or hidden target is cleared first and keeps its attributes when
// the rename fails. False with the system's error as the last error.
bool MoveFileReplacing(const wchar_t* source, const wchar_t* target);
void MoveFileOrThrow(const wchar_t* source, const wchar_t* target);

// name.extension (no extension when null) in the folder that folderOrFile
// names by drive and directory; a file name in folderOrFile is ignored. False
// when a part does not fit or no directory is named. path holds MAX_PATH.
bool PathInFolderOf(const wchar_t* folderOrFile, const wchar_t* name, const wchar_t* extension, wchar_t* path);
// The same in the program's own folder.
bool PathInProgramFolder(const wchar_t* name, const wchar_t* extension, wchar_t* path);

// Appends "\" unless the path already ends in one.
void AppendBackslash(CStdStr& path);
