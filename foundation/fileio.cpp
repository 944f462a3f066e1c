// File wrapper and file helpers.
#include "fileio.h"

#include <algorithm>
#include <cstdlib>

#include "Seams.h"

namespace {

BOOL RealMoveFileEx(const wchar_t* existing, const wchar_t* replacement, DWORD flags)
{
    return MoveFileExW(existing, replacement, flags);
}

void CopyCut(wchar_t* target, size_t targetChars, const wchar_t* source)
{
    size_t i = 0;
    for (; source && source[i] && i + 1 < targetChars; ++i)
        target[i] = source[i];
    target[i] = L'\0';
}

[[noreturn]] void ThrowLastError()
{
    throw CWinFileException(GetLastError(), L"");
}

DWORD DesiredAccess(UINT flags)
{
    switch (flags & CWinFile::accessMask) {
    case CWinFile::accessRead:      return GENERIC_READ;
    case CWinFile::accessWrite:     return GENERIC_WRITE;
    case CWinFile::accessReadWrite: return GENERIC_READ | GENERIC_WRITE;
    }
    return 0;
}

DWORD ShareMode(UINT flags)
{
    switch (flags & CWinFile::shareMask) {
    case CWinFile::shareRead:      return FILE_SHARE_READ;
    case CWinFile::shareWrite:     return FILE_SHARE_WRITE;
    case CWinFile::shareReadWrite: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
    return 0;
}

DWORD CreationDisposition(UINT flags)
{
    if (!(flags & CWinFile::create))
        return OPEN_EXISTING;
    return (flags & CWinFile::keepContent) ? OPEN_ALWAYS : CREATE_ALWAYS;
}

DWORD FlagsAndAttributes(UINT flags)
{
    DWORD attributes = (flags & CWinFile::temporary) ? FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL;
    if (flags & CWinFile::deleteOnClose)
        attributes |= FILE_FLAG_DELETE_ON_CLOSE;
    return attributes;
}

}  // namespace

SFileRenameSeam g_fileRenameSeam = {RealMoveFileEx};

CWinFileException::CWinFileException(DWORD error, const wchar_t* path) : m_error(error)
{
    CopyCut(m_path, kPathChars, path);
}

bool CWinFile::Open(const wchar_t* path, UINT flags, CWinFileException* error)
{
    // Reopening must not leave the earlier file locked by a lost handle.
    Close();
    SECURITY_ATTRIBUTES inheritance = {};
    inheritance.nLength = sizeof(inheritance);
    inheritance.bInheritHandle = (flags & noInherit) ? FALSE : TRUE;
    const HANDLE handle = CreateFileW(path, DesiredAccess(flags), ShareMode(flags), &inheritance,
                                      CreationDisposition(flags), FlagsAndAttributes(flags), nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (error)
            *error = CWinFileException(GetLastError(), path);
        return false;
    }
    m_handle = handle;
    return true;
}

void CWinFile::Close()
{
    if (m_handle == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

DWORD CWinFile::Seek(LONG offset, DWORD origin)
{
    const DWORD position = SetFilePointer(m_handle, offset, nullptr, origin);
    if (position == INVALID_SET_FILE_POINTER)
        ThrowLastError();
    return position;
}

void CWinFile::SetLength(DWORD length)
{
    Seek(static_cast<LONG>(length), FILE_BEGIN);
    if (!SetEndOfFile(m_handle))
        ThrowLastError();
}

DWORD CWinFile::GetLength() const
{
    return GetFileSize(m_handle, nullptr);
}

DWORD CWinFile::GetPosition() const
{
    const DWORD position = SetFilePointer(m_handle, 0, nullptr, FILE_CURRENT);
    if (position == INVALID_SET_FILE_POINTER)
        ThrowLastError();
    return position;
}

DWORD CWinFile::Read(void* buffer, DWORD count)
{
    if (count == 0)
        return 0;
    DWORD read = 0;
    if (!ReadFile(m_handle, buffer, count, &read, nullptr))
        ThrowLastError();
    return read;
}

bool CWinFile::Write(const void* buffer, DWORD count)
{
    if (count == 0)
        return true;
    DWORD written = 0;
    return WriteFile(m_handle, buffer, count, &written, nullptr) && written == count;
}

void CWinFile::Flush()
{
    if (!IsOpen())
        return;
    if (!FlushFileBuffers(m_handle))
        ThrowLastError();
}

void CWinFile::LockRange(DWORD position, DWORD count)
{
    if (!LockFile(m_handle, position, 0, count, 0))
        ThrowLastError();
}

void CWinFile::UnlockRange(DWORD position, DWORD count)
{
    if (!UnlockFile(m_handle, position, 0, count, 0))
        ThrowLastError();
}

bool FileExists(const wchar_t* path)
{
    SetLastError(0);
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const wchar_t* path)
{
    SetLastError(0);
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDirectoryIfMissing(const wchar_t* path)
{
    return CreateDirectoryW(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool CopyFileReplacing(const wchar_t* source, const wchar_t* target, bool overwrite)
{
    if (!overwrite)
        return CopyFileW(source, target, TRUE) != FALSE;
    // Windows refuses to overwrite a read-only or hidden target, and Wine
    // overwrites it keeping both attributes: clear them first on both.
    if (FileExists(target)) {
        const DWORD attributes = GetFileAttributesW(target) & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        if (!SetFileAttributesW(target, attributes ? attributes : FILE_ATTRIBUTE_NORMAL))
            return false;
    }
    return CopyFileW(source, target, FALSE) != FALSE;
}

bool MoveFileReplacing(const wchar_t* source, const wchar_t* target)
{
    // Windows refuses to replace a read-only target.
    const DWORD attributes = GetFileAttributesW(target);
    const DWORD cleared = attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const bool clear = attributes != INVALID_FILE_ATTRIBUTES && cleared != attributes;
    if (clear && !SetFileAttributesW(target, cleared ? cleared : FILE_ATTRIBUTE_NORMAL))
        return false;
    if (g_fileRenameSeam.moveFileEx(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = GetLastError();
    if (clear)
        SetFileAttributesW(target, attributes);
    SetLastError(error);
    return false;
}

void MoveFileOrThrow(const wchar_t* source, const wchar_t* target)
{
    if (!MoveFileW(source, target))
        throw CWinFileException(GetLastError(), source);
}

bool PathInFolderOf(const wchar_t* folderOrFile, const wchar_t* name, const wchar_t* extension, wchar_t* path)
{
    wchar_t drive[_MAX_DRIVE];
    wchar_t directory[_MAX_DIR];
    return _wsplitpath_s(folderOrFile, drive, _MAX_DRIVE, directory, _MAX_DIR, nullptr, 0, nullptr, 0) == 0 &&
           directory[0] && _wmakepath_s(path, MAX_PATH, drive, directory, name, extension) == 0;
}

bool PathInProgramFolder(const wchar_t* name, const wchar_t* extension, wchar_t* path)
{
    wchar_t program[MAX_PATH];
    return g_folderRootsSeam.programFile(program) && PathInFolderOf(program, name, extension, path);
}

void AppendBackslash(CStdStr& path)
{
    if (path.empty() || path.back() != L'\\')
        path.push_back(L'\\');
}
