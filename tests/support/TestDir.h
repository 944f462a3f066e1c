// A temporary folder of the test's own, removed with everything in it when
// the owner goes, so that tests running side by side never share files.
#pragma once

#include <string>

class CTestDir {
public:
    CTestDir();
    ~CTestDir();
    CTestDir(const CTestDir&) = delete;
    CTestDir& operator=(const CTestDir&) = delete;

    // The folder, with a trailing backslash.
    const std::wstring& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) const { return m_path + name; }

private:
    std::wstring m_path;
};

// Removes a folder and everything below it.
void RemoveTree(const std::wstring& folder);
