// The main window's timers: alarms falling due, the periodic backup and
// version check, the idle close of the database and the tray icon's blink;
// and the alarms that fell due while the program was closed.
#pragma once

#include <windows.h>

#include <cstdint>

#include "foundation/StdStr.h"

class CNote;

// The counters and flags of the timers. The program keeps one for its life
// (MainTimers); a test makes its own for a fresh start.
class CMainTimers {
public:
    static constexpr int kSlowJobTicks = 40;   // timer 100: 10 minutes
    static constexpr int kIdleTicks = 6;       // timer 300: 30 s

    void OnTimer(HWND window, UINT_PTR timerId);
    void ClearPreviousAlarms();

    bool IsFiring() const { return m_firing; }

private:
    void OnMainTick(HWND window);
    void OnBlinkTick(HWND window);
    void OnUpkeepTick();
    void RunSlowJobs();
    void FireAlarm(HWND window, CNote* due);
    void FireNote(HWND window, std::int64_t id, CStdStr& balloon);

    int m_slowJobTicks = kSlowJobTicks;
    int m_idleTicks = kIdleTicks;
    bool m_firing = false;
    int m_blinkPhase = 0;
    bool m_versionCheckRunning = false;
};
CMainTimers& MainTimers();

void OnMainTimer(HWND window, UINT_PTR timerId);
// Once at start-up, after the notes are loaded and before the timers start.
void ClearPreviousAlarms();
