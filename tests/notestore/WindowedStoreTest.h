// A fresh run with groups whose notes get real windows and editors, and the
// typing the text tests share.
#pragma once

#include <gtest/gtest.h>

#include <richedit.h>

#include <string>

#include "RecordTestSupport.h"
#include "notestore/Note.h"
#include "tests/support/ComApartment.h"

class CWindowedStoreTest : public CGroupStoreTest {
protected:
    void SetUp() override
    {
        CGroupStoreTest::SetUp();
        ASSERT_TRUE(m_com.Initialised());
        RegisterTestWindowClass(L"NoteWClass");
        g_prefs.AnimationSpeed = 3;
    }
    void TearDown() override
    {
        m_manager.CloseAll();
        CGroupStoreTest::TearDown();
    }

    // Typed: the text goes in at the caret in the editor's own format.
    static void Type(CNote& note, const std::wstring& text)
    {
        SendMessageW(note.GetEditHwnd(), EM_SETSEL, 0, -1);
        SendMessageW(note.GetEditHwnd(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
        note.SetModified(true);
    }

    CComApartment m_com;
};
