// Whole-file reads and writes for the foundation tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "foundation/fileio.h"

// "<missing>" when the file cannot be opened; others may hold it open.
inline std::string ReadBytes(const std::wstring& path)
{
    CWinFile file;
    if (!file.Open(path.c_str(), CWinFile::accessRead | CWinFile::shareReadWrite))
        return "<missing>";
    std::string content(file.GetLength(), '\0');
    content.resize(file.Read(content.data(), static_cast<DWORD>(content.size())));
    return content;
}

inline void WriteBytes(const std::wstring& path, const std::string& content)
{
    CWinFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CWinFile::accessWrite | CWinFile::create));
    ASSERT_TRUE(file.Write(content.data(), static_cast<DWORD>(content.size())));
}
