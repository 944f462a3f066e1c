// A fresh run of the program's note store on a folder's file, for the span of
// the object: the manager the rest of the program finds through its seam.
#pragma once

#include "BenchNotes.h"
#include "foundation/Seams.h"
#include "notestore/notemgr.h"

#include <stdexcept>
#include <string>

class CProjectRun {
public:
    explicit CProjectRun(const std::wstring& folder) : m_seam(g_noteManagerSeam, {&m_manager})
    {
        m_manager.SetDatabasePath(DataFile(folder).c_str());
    }
    ~CProjectRun() { m_manager.CloseAll(); }
    CProjectRun(const CProjectRun&) = delete;
    CProjectRun& operator=(const CProjectRun&) = delete;

    CNoteManager& Manager() { return m_manager; }
    CppSQLite3DB& DB()
    {
        CppSQLite3DB* db = m_manager.GetDB();
        if (!db)
            throw std::runtime_error("the note store did not open its file");
        return *db;
    }

private:
    CNoteManager m_manager;
    CSeamOverride<SNoteManagerSeam> m_seam;
};
