// A main and a parent window over a note store in a folder of the test's own:
// the data paths and preferences point there, the tray goes to the function
// the test gives, and menus, boxes and sounds are scripted. The preferences
// and the Windows version are put back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/DataPaths.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/WinVersion.h"
#include "framework/UiSeams.h"
#include "notestore/Note.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"
#include "shell/mainmenus.h"
#include "shell/mainwnd.h"
#include "shell/trayseam.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/ComApartment.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/TestDir.h"

class CShellStoreTest : public testing::Test {
protected:
    explicit CShellStoreTest(BOOL (*tray)(DWORD, NOTIFYICONDATAW*)) : m_traySeam{g_traySeam, {tray}} {}

    void SetUp() override
    {
        ASSERT_TRUE(m_com.Initialised());
        m_savedPrefs = g_prefs;
        m_savedVersion = WindowsVersion();
        WindowsVersion().winXP = true;
        CGroups::Clear();
        SetDataFilePaths(m_dir.Path().c_str());
        g_prefs.LoadFrom(m_dir.File(L"RERUZADU.INI").c_str());
        m_manager.SetDatabasePath(m_dir.File(L"QUILLT40.DAT").c_str());
    }

    // The parent window, then the main window of the style at the rectangle;
    // the program is told of both.
    void CreateWindows(const wchar_t* mainClass, const wchar_t* parentClass, DWORD mainStyle, const RECT& mainRect)
    {
        m_parent = CreateWindowExW(0, parentClass, L"", WS_POPUPWINDOW, 0, 0, 0, 0, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        SetParentWindow(m_parent);
        m_window = CreateWindowExW(WS_EX_TOOLWINDOW, mainClass, L"", mainStyle, mainRect.left, mainRect.top,
                                   mainRect.right - mainRect.left, mainRect.bottom - mainRect.top, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(m_window && m_parent);
        SetAppWindow(m_window);
    }

    void TearDown() override
    {
        m_manager.CloseAll();
        if (IsWindow(m_window))
            DestroyWindow(m_window);
        DestroyWindow(m_parent);
        PumpPosted();
        SetAppWindow(nullptr);
        SetParentWindow(nullptr);
        CGroups::Clear();
        NotesMenuMap().Clear();
        g_prefs = m_savedPrefs;
        WindowsVersion() = m_savedVersion;
    }

    // A stored note without a window.
    std::int64_t StoreNamedNote(const wchar_t* name, const wchar_t* text, bool visible, bool locked,
                                std::uint32_t alarmFlags)
    {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().name = name;
        note->Row().text = text;
        note->Row().visible = visible;
        note->Row().locked = locked;
        note->Alarm().flags = alarmFlags;
        note->GetDisplayName();
        EXPECT_TRUE(m_manager.StoreNote(note));
        return note->GetId();
    }

    void Sql(const std::wstring& sql) { m_manager.GetDB()->execDML(sql.c_str()); }

    CModalWatchdog m_watchdog;
    CComApartment m_com;
    CTestDir m_dir;
    CNoteManager m_manager;
    CSeamOverride<SNoteManagerSeam> m_managerSeam{g_noteManagerSeam, {&m_manager}};
    CSeamOverride<STraySeam> m_traySeam;
    CRecordedSound m_sound;
    CPreferences m_savedPrefs;
    WindowsVersionFlags m_savedVersion;
    HWND m_window = nullptr;
    HWND m_parent = nullptr;
};
