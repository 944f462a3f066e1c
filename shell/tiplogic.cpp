#include "tiplogic.h"

#include <algorithm>

void CTipLogic::Arm(bool armed)
{
    m_armed = armed;
    if (!armed)
        EndTipMode();
}

void CTipLogic::OnTick(const STipTick& tick)
{
    if (m_tipMode) {
        if (tick.cursorInTip) {
            HideAndStopDelay();
            m_current = -1;
        } else if (!tick.cursorOnBar) {
            EndTipMode();
        } else if (tick.button != m_current) {
            SetCurrent(tick.button, tick.cursor);
        }
        return;
    }
    // Tip mode starts only over the bar: started elsewhere it would end at
    // the next tick and start again, forever.
    if (tick.barHasCapture || !m_armed || !tick.cursorOnBar)
        return;
    m_tipMode = true;
    SetCurrent(tick.button, tick.cursor);
}

void CTipLogic::OnDelayElapsed()
{
    if (!m_delayRunning)
        return;
    m_surface.StopDelay();
    m_delayRunning = false;
    m_surface.ShowTip();
    m_shown = true;
}

void CTipLogic::EndTipMode()
{
    m_tipMode = false;
    m_current = -1;
    HideAndStopDelay();
    m_shown = false;
}

void CTipLogic::SetCurrent(int button, POINT cursor)
{
    m_current = button;
    HideAndStopDelay();
    if (button < 0 || !m_surface.PrepareTip(button, cursor))
        return;
    if (m_shown) {
        m_surface.ShowTip();
    } else if (m_surface.StartDelay()) {
        m_delayRunning = true;
    } else {
        m_surface.ShowTip();
        m_shown = true;
    }
}

void CTipLogic::HideAndStopDelay()
{
    m_surface.HideTip();
    if (m_delayRunning)
        m_surface.StopDelay();
    m_delayRunning = false;
}

POINT TipPosition(POINT cursor, int cursorHeight, int borderHeight, int tipHeight, int desktopBottom, int mainTop)
{
    const int offset = cursorHeight / 2 + 2 * borderHeight;
    const int below = cursor.y + offset;
    if (below + tipHeight <= desktopBottom)
        return POINT{cursor.x, below};
    // Above the bar: its bottom never reaches into the main window.
    return POINT{cursor.x, std::min(mainTop - offset, mainTop - tipHeight)};
}
