// When the toolbar's tip shows, moves and hides: a state machine fed with
// what the bar's 200 ms timer sees (cursor, capture, the button under it),
// the delay timer's expiry, and clicks and keys. It acts through a small
// surface, so it runs without windows, a mouse or sleeps.
#pragma once

#include <windows.h>

// What the machine asks of the tip window and its delay timer.
class ITipSurface {
public:
    virtual ~ITipSurface() = default;
    virtual void HideTip() = 0;
    // Sets the text of the button's tip and places it by the cursor; false
    // when there is nothing to show it over (the main window is hidden).
    virtual bool PrepareTip(int button, POINT cursor) = 0;
    virtual void ShowTip() = 0;
    // Starts the delay before a first tip; false when no timer can be made.
    virtual bool StartDelay() = 0;
    virtual void StopDelay() = 0;
};

// One look of the bar's timer.
struct STipTick {
    POINT cursor;           // screen
    bool cursorOnBar;       // inside the toolbar's window
    bool cursorInTip;       // inside the visible tip
    bool barHasCapture;     // a press or drag is under way
    int button;             // the hit test at the cursor; -1 none
};

class CTipLogic {
public:
    explicit CTipLogic(ITipSurface& surface) : m_surface(surface) {}

    // Tips follow the bar's visibility.
    void Arm(bool armed);
    void OnTick(const STipTick& tick);
    void OnDelayElapsed();
    // Any click, key or capture loss.
    void EndTipMode();

    bool InTipMode() const { return m_tipMode; }
    int CurrentButton() const { return m_current; }
    bool AlreadyShown() const { return m_shown; }

private:
    void SetCurrent(int button, POINT cursor);
    void HideAndStopDelay();

    ITipSurface& m_surface;
    bool m_armed = false;
    bool m_tipMode = false;
    int m_current = -1;
    bool m_shown = false;  // a tip was shown in this tip mode
    bool m_delayRunning = false;
};

// Where a tip of the given height goes for a cursor: below it by half the
// cursor's height and two borders, or above the main window when that would
// pass the desktop's bottom.
POINT TipPosition(POINT cursor, int cursorHeight, int borderHeight, int tipHeight, int desktopBottom, int mainTop);
