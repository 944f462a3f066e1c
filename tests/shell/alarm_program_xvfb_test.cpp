// QUILL32.exe on a real X server with alarms stored beforehand: the two that
// were missed show one after another at start (the missed command does not
// run), the one that falls due while it runs fires live and runs its command
// once, and a second run fires nothing. The first notification is saved as a
// screenshot in the build folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "foundation/DataPaths.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "notestore/Note.h"
#include "notestore/NoteAlarm.h"
#include "notestore/notemgr.h"
#include "shell/MainCommands.h"
#include "tests/shell/ProgramDriver.h"
#include "tests/shell/ProgramWindows.h"
#include "tests/support/Screenshot.h"

namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kLiveAlarmIn = 30;   // seconds after the notes are stored

struct SAlarmNote {
    const wchar_t* name;
    double alarmIn;   // seconds from now
    std::wstring command;
};

bool StoreAlarmNotes(const std::wstring& folder, const std::vector<SAlarmNote>& notes)
{
    const CPreferences savedPrefs = g_prefs;
    SetDataFilePaths(folder.c_str());
    CNoteManager manager;
    CSeamOverride<SNoteManagerSeam> managerSeam(g_noteManagerSeam, {&manager});
    manager.SetDatabasePath((folder + L"QUILLT40.DAT").c_str());
    bool stored = true;
    int index = 0;
    for (const SAlarmNote& each : notes) {
        CNote* const note = manager.AddNote(std::make_unique<CNote>());
        note->SetColor(0xB6FFFF);
        note->Row().name = each.name;
        note->Row().text = L"Time for it";
        note->Row().displayText = L"Time for it";
        note->Row().visible = false;
        note->Row().placement.length = sizeof(WINDOWPLACEMENT);
        note->Row().placement.rcNormalPosition = {60 + 250 * index, 400, 280 + 250 * index, 560};
        ++index;
        CNoteAlarm& alarm = note->Alarm();
        alarm.alarmDate = COleDateTime(COleDateTime::Now().m_dt + each.alarmIn * kSecond);
        alarm.calculatedDate = alarm.alarmDate;
        alarm.flags = kAlarmActive | kAlarmSet | (each.command.empty() ? 0u : kAlarmRunCommand);
        alarm.executeCmd = each.command.c_str();
        note->GetDisplayName();
        stored = stored && manager.StoreNote(note);
    }
    manager.CloseAll();
    g_prefs = savedPrefs;
    return stored;
}

std::vector<HWND> Notifications(const CRun& run)
{
    std::vector<HWND> shown;
    for (const HWND window : WindowsOfClass(run.ProcessId(), L"#32770")) {
        wchar_t caption[128] = {};
        GetWindowTextW(window, caption, 128);
        if (IsWindowVisible(window) && std::wstring(caption) == L"Quillet - Alarm Notification")
            shown.push_back(window);
    }
    return shown;
}

HWND WaitForNotification(const CRun& run, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        const std::vector<HWND> shown = Notifications(run);
        if (!shown.empty())
            return shown.front();
        Sleep(100);
    }
    return nullptr;
}

std::string FileText(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    char buffer[256] = {};
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer - 1, &read, nullptr);
    CloseHandle(file);
    return std::string(buffer, read);
}

int Lines(const std::string& text)
{
    int lines = 0;
    for (const char c : text)
        lines += c == '\n';
    return lines;
}

using AlarmProgramOnScreen = ProgramTest;

TEST_F(AlarmProgramOnScreen, MissedAlarmsShowInTurnAndALiveOneRunsItsCommandOnce)
{
    const std::wstring marker = m_dir.File(L"marker.txt");
    const std::wstring command = L"cmd.exe /c echo fired>>\"" + marker + L"\"";
    WritePrivateProfileStringW(L"Preferences", L"ExpiredAlarms", L"1", Ini().c_str());
    WritePrivateProfileStringW(L"Preferences", L"DisplayAlarmNotification", L"1", Ini().c_str());
    ASSERT_TRUE(StoreAlarmNotes(Folder(), {{L"Missed once", -3600, L""},
                                           {L"Missed command", -1800, command},
                                           {L"Live command", kLiveAlarmIn, command}}));
    const DWORD storedAt = GetTickCount();
    {
        CRun run(ProgramPath(), FolderArgument());
        const HWND main = Start(run);
        ASSERT_NE(main, nullptr);
        if (GetTickCount() - storedAt > (kLiveAlarmIn - 2) * 1000)
            GTEST_SKIP() << "the program started after the live alarm was due";

        for (int missed = 0; missed < 2; ++missed) {
            const HWND notification = WaitForNotification(run, 20000);
            ASSERT_NE(notification, nullptr) << "missed alarm " << missed;
            if (missed == 0) {
                Sleep(1000);   // it paints
                RECT box = {};
                GetWindowRect(notification, &box);
                SaveScreenshot(L"alarm-notification-program-xvfb-screenshot.bmp",
                               {(box.left + box.right) / 2, box.top + 40});
            }
            EXPECT_EQ(CountLogged(L"-- Found alarm - "), 0) << "a missed alarm fired live";
            PostMessageW(notification, WM_COMMAND, IDCANCEL, 0);
            for (int tries = 0; tries < 50 && IsWindow(notification) && IsWindowVisible(notification); ++tries)
                Sleep(100);
        }
        EXPECT_EQ(FileText(marker), "") << "a missed command ran";

        const HWND live = WaitForNotification(run, static_cast<DWORD>(kLiveAlarmIn * 1000) + 20000);
        ASSERT_NE(live, nullptr);
        EXPECT_EQ(CountLogged(L"-- Found alarm - "), 1);
        for (int tries = 0; tries < 300 && FileText(marker).empty(); ++tries)
            Sleep(100);
        EXPECT_EQ(Lines(FileText(marker)), 1);
        PostMessageW(live, WM_COMMAND, IDCANCEL, 0);
        Sleep(500);
        Exit(run, main);
    }

    DeleteFileW(LogPath().c_str());
    CRun again(ProgramPath(), FolderArgument());
    const HWND main = Start(again);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(WaitForNotification(again, 20000), nullptr);
    EXPECT_EQ(CountLogged(L"-- Found alarm - "), 0);
    EXPECT_EQ(Lines(FileText(marker)), 1);
    Exit(again, main);
}

}  // namespace
