// Pictures of the alarm, sound, language, network and hot-key preference
// pages in their sheet as a user sees them, saved beside the test under a
// real X server.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "PreferencePagesDriver.h"
#include "tests/support/Screenshot.h"

namespace {

using namespace prefs_driver;

bool Saved(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring PicturePath(const wchar_t* name)
{
    return std::wstring(L"prefs-page-") + name + L"-xvfb-screenshot.bmp";
}

TEST(PreferencePagesXvfb, EveryPageAsItOpens)
{
    const INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES };
    InitCommonControlsEx(&controls);
    CPreferences start;
    wcscpy(start.AlarmSound, L"C:\\Windows\\Media\\Alarm01.wav");
    wcscpy(start.CreateNote, L"C:\\Windows\\Media\\Windows Notify.wav");
    wcscpy(start.InstalledLanguages, L"US English|,Deutsch|de.dll,Polski|pl.dll");
    wcscpy(start.AltResFile, L"de.dll");
    start.DefaultSnoozeTime = 10;
    start.DefaultAlarmPopup = true;
    start.DefaultAlarmPopupCnt = 15;
    start.DefaultAlarmPopupType = 0;
    start.ExpiredAlarms = true;
    start.NetworkPort = 3023;
    start.ReceiveNotify = true;
    start.CheckVersion = true;
    start.CheckVersionNumDays = 31;

    SSheetRun run(start);
    const auto waitShown = [&run] {
        if (!IsWindowVisible(run.sheet.GetHwnd()))
            RepeatTimerStep();
    };
    const auto shoot = [&run](const wchar_t* name) {
        return [&run, name] {
            UpdateWindow(run.sheet.GetHwnd());
            PumpMessagesFor(300);
            SaveScreenshot(PicturePath(name).c_str(), POINT{ 0, 0 });
        };
    };
    run.Run({
        waitShown,
        run.Show(IDD_PREFERENCE_ALARM), shoot(L"alarm"),
        run.Show(IDD_PREFERENCE_SOUND), SelectEvent(run.sound, 0), shoot(L"sound"),
        run.Show(IDD_PREFERENCE_LANGUAGE), shoot(L"language"),
        run.Show(IDD_PREFERENCE_NETWORK), shoot(L"network"),
        run.Show(IDD_PREFERENCE_HOTKEYS), shoot(L"hotkeys"),
    });
    for (const wchar_t* name : { L"alarm", L"sound", L"language", L"network", L"hotkeys" })
        EXPECT_TRUE(Saved(PicturePath(name))) << PicturePath(name).c_str();
}

}  // namespace
