// What the record tests share: a fixed clock, and a note manager of the
// test's own on a database in a folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "foundation/DataPaths.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "framework/OleDateTime.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"
#include "tests/support/TestDir.h"

// "Now" for the life of the object. The test runner's zone is UTC, so a local
// date converts to a calendar time by its day count.
class CFixedClock {
public:
    explicit CFixedClock(const COleDateTime& now) : m_override(g_clockSeam, {&Now, g_clockSeam.tickCount})
    {
        Set(now);
    }

    static void Set(const COleDateTime& now) { s_now = ToTime64(now); }
    static void Set(__time64_t now) { s_now = now; }

    static __time64_t ToTime64(const COleDateTime& date)
    {
        return static_cast<__time64_t>(std::llround((date.m_dt - 25569.0) * 86400.0));
    }

private:
    static __time64_t Now() { return s_now; }

    static inline __time64_t s_now = 0;
    CSeamOverride<SClockSeam> m_override;
};

// Whether some captured log line starts with the text.
inline bool LogHasLineStarting(const CLogCapture& log, const std::wstring& start)
{
    for (const std::wstring& line : log.Lines())
        if (line.compare(0, start.size(), start) == 0)
            return true;
    return false;
}

// A fresh run: the note manager of the test, its database in the test's folder.
class CNoteStoreTest : public ::testing::Test {
protected:
    void SetUp() override { m_manager.SetDatabasePath(m_dir.File(L"QUILLT40.DAT").c_str()); }
    void TearDown() override { m_manager.CloseDB(); }

    CppSQLite3DB& DB()
    {
        CppSQLite3DB* db = m_manager.GetDB();
        if (!db)
            throw std::runtime_error("the test's database did not open");
        return *db;
    }

    std::int64_t Scalar(const wchar_t* sql) { return DB().execScalar(sql); }

    CTestDir m_dir;
    CNoteManager m_manager;
    CSeamOverride<SNoteManagerSeam> m_seam{g_noteManagerSeam, {&m_manager}};
};

// A fresh run with groups: the list empty, the data files and settings in the
// test's folder.
class CGroupStoreTest : public CNoteStoreTest {
protected:
    void SetUp() override
    {
        CNoteStoreTest::SetUp();
        CGroups::Clear();
        SetDataFilePaths(m_dir.Path().c_str());
        g_prefs.LoadFrom(m_dir.File(L"RERUZADU.INI").c_str());
    }
    void TearDown() override
    {
        CGroups::Clear();
        CNoteStoreTest::TearDown();
    }
};

// A window class with one pointer of window data, as the shell registers the
// note window class; a second registration in this process fails harmlessly.
inline void RegisterTestWindowClass(const wchar_t* name)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}
