#include "tests/support/TestDir.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace {

std::wstring UniqueFolderName()
{
    static std::atomic<unsigned> counter{0};
    return L"quillet-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
}

} // namespace

CTestDir::CTestDir()
{
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        throw std::runtime_error("no temporary folder");
    m_path = std::wstring(temp) + UniqueFolderName() + L"\\";
    if (!CreateDirectoryW(m_path.c_str(), nullptr))
        throw std::runtime_error("cannot create a temporary folder");
}

CTestDir::~CTestDir()
{
    RemoveTree(m_path);
}

void RemoveTree(const std::wstring& folder)
{
    std::wstring base = folder;
    if (!base.empty() && base.back() != L'\\')
        base += L'\\';
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((base + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = base + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(base.c_str());
}
