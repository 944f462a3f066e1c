// A main window of the program's own procedure, message-only, over a note
// store in a folder of the test's own, with the sound and boxes scripted:
// what the tests of the main window's LAN handlers share.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "shell/mainwnd.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/ComApartment.h"
#include "tests/support/TestDir.h"

class CMainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_com.Initialised());
        m_manager.SetDatabasePath(m_dir.File(L"QUILLT40.DAT").c_str());
        ASSERT_NE(MainClassName(), nullptr);
        m_window = CreateWindowExW(0, MainClassName(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(m_window, nullptr);
        SetAppWindow(m_window);
    }
    void TearDown() override
    {
        PumpPosted();
        if (IsWindow(m_window))
            DestroyWindow(m_window);
        SetAppWindow(nullptr);
        m_manager.CloseAll();
    }

    // A received note keeps no command, sound or group of the sender's, nor
    // the flags that would act on them; it is shown.
    static void ExpectReceivedSafely(const CNote& note)
    {
        EXPECT_EQ(note.Row().alarm.executeCmd, L"");
        EXPECT_EQ(note.Row().alarm.soundFile, L"");
        EXPECT_EQ(note.Row().alarm.flags & 0x60u, 0u);
        EXPECT_EQ(note.Row().group, 0);
        EXPECT_TRUE(note.GetHwnd() && IsWindowVisible(note.GetHwnd()));
    }

    // A note's window needs the program's note class, registered once.
    static bool NoteClassesRegistered()
    {
        static const bool registered = RegisterWindowClasses(GetModuleHandleW(nullptr)) != 0;
        return registered;
    }

    CComApartment m_com;
    CTestDir m_dir;
    CNoteManager m_manager;
    CSeamOverride<SNoteManagerSeam> m_managerSeam{g_noteManagerSeam, {&m_manager}};
    CRecordedSound m_sound;
    CScriptedMessageBox m_boxes;
    HWND m_window = nullptr;

private:
    // Registered once per process.
    static const wchar_t* MainClassName()
    {
        static const std::wstring name = L"MainWClassTest" + UniqueName();
        static const bool registered = [] {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = &MainWndProc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = name.c_str();
            return RegisterClassW(&windowClass) != 0;
        }();
        return registered ? name.c_str() : nullptr;
    }
};
