#include "IniEncoding.h"

#include <algorithm>
#include <string>
#include <vector>

#include "LogFile.h"
#include "StdStr.h"
#include "fileio.h"

namespace {

const BYTE kUtf16LeMark[] = {0xFF, 0xFE};
const BYTE kUtf8Mark[] = {0xEF, 0xBB, 0xBF};
// An INI file is small; anything beyond this is not one to rewrite.
constexpr DWORD kMostIniBytes = 64u << 20;

bool StartsWith(const std::vector<BYTE>& bytes, const BYTE* mark, size_t markBytes)
{
    return bytes.size() >= markBytes && std::equal(mark, mark + markBytes, bytes.begin());
}

EIniFileState StateOfOpenFile(HANDLE file)
{
    BYTE head[2] = {};
    DWORD read = 0;
    if (!ReadFile(file, head, sizeof head, &read, nullptr))
        return EIniFileState::Unreadable;
    // An empty file gets its mark at the first write.
    if (read == 0 || (read == 2 && head[0] == kUtf16LeMark[0] && head[1] == kUtf16LeMark[1]))
        return EIniFileState::Unicode;
    return EIniFileState::Ansi;
}

bool ReadWhole(CWinFile& file, std::vector<BYTE>& bytes)
{
    const DWORD length = file.GetLength();
    if (length > kMostIniBytes || SetFilePointer(file.GetHandle(), 0, nullptr, FILE_BEGIN) != 0)
        return false;
    bytes.resize(length);
    DWORD read = 0;
    return length == 0 || (ReadFile(file.GetHandle(), bytes.data(), length, &read, nullptr) && read == length);
}

bool DecodeAnsi(const std::vector<BYTE>& bytes, std::wstring& text)
{
    const bool utf8 = StartsWith(bytes, kUtf8Mark, sizeof kUtf8Mark);
    const size_t skip = utf8 ? sizeof kUtf8Mark : 0;
    const int count = static_cast<int>(bytes.size() - skip);
    if (count == 0) {
        text.clear();
        return true;
    }
    const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    const char* const source = reinterpret_cast<const char*>(bytes.data() + skip);
    const int chars = MultiByteToWideChar(codePage, 0, source, count, nullptr, 0);
    if (chars <= 0)
        return false;
    text.resize(static_cast<size_t>(chars));
    return MultiByteToWideChar(codePage, 0, source, count, text.data(), chars) == chars;
}

bool WriteUnicodeFile(const wchar_t* path, const std::wstring& text)
{
    CWinFile file;
    if (!file.Open(path, CWinFile::accessWrite | CWinFile::noInherit | CWinFile::create))
        return false;
    const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    return file.Write(kUtf16LeMark, sizeof kUtf16LeMark) && (bytes == 0 || file.Write(text.data(), bytes));
}

}  // namespace

CIniFileHold::CIniFileHold(const wchar_t* path)
{
    m_handle = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        m_state = missing ? EIniFileState::Missing : EIniFileState::Unreadable;
        m_error = missing ? 0 : error;
        return;
    }
    m_state = StateOfOpenFile(m_handle);
    if (m_state == EIniFileState::Unreadable)
        m_error = GetLastError();
}

CIniFileHold::~CIniFileHold()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
}

bool ConvertAnsiIniToUnicode(const wchar_t* path)
{
    std::wstring text;
    {
        // No writer may change the file between this read and the rename.
        CWinFile file;
        CWinFileException error;
        if (!file.Open(path, CWinFile::accessRead | CWinFile::shareRead | CWinFile::noInherit, &error)) {
            if (error.Error() == ERROR_FILE_NOT_FOUND || error.Error() == ERROR_PATH_NOT_FOUND)
                return true;
            QLOG(L"%s could not be read to rewrite it as Unicode - %lu", path, error.Error());
            return false;
        }
        if (StateOfOpenFile(file.GetHandle()) == EIniFileState::Unicode)
            return true;
        std::vector<BYTE> bytes;
        if (!ReadWhole(file, bytes)) {
            QLOG(L"%s could not be read whole to rewrite it as Unicode", path);
            return false;
        }
        if (!DecodeAnsi(bytes, text)) {
            QLOG(L"%s does not read in the ANSI code page and stays as it is", path);
            return false;
        }
    }
    const CStdStr temporary = CStdStr(path) + L".new";
    if (!WriteUnicodeFile(temporary.c_str(), text) || !MoveFileReplacing(temporary.c_str(), path)) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        QLOG(L"%s could not be rewritten as Unicode - %lu", path, error);
        return false;
    }
    QLOG(L"%s was rewritten as Unicode", path);
    return true;
}
