// What the note dialogs' tests share: a note manager of the test's own on a
// database in a folder of its own, one shown note, and a watchdog for the
// modal runs.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "notestore/Note.h"
#include "tests/notestore/WindowedStoreTest.h"
#include "tests/support/ScopedUiScript.h"

class CNoteDialogTest : public CWindowedStoreTest {
protected:
    void SetUp() override
    {
        CWindowedStoreTest::SetUp();
        m_note = m_manager.CreateNewNote();
        ASSERT_NE(m_note, nullptr);
        m_id = m_note->GetId();
        m_window = m_note->GetHwnd();
    }

    std::wstring StoredName()
    {
        CppSQLite3Query query = DB().execQuery((L"select name from notes where id = " + std::to_wstring(m_id)).c_str());
        return query.eof() ? L"<none>" : query.getText16Field(0);
    }

    CModalWatchdog m_watchdog;
    CNote* m_note = nullptr;
    std::int64_t m_id = 0;
    HWND m_window = nullptr;
};

