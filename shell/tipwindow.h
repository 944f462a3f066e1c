// The toolbar's own tip window ("QUILLT Tooltips"): a small yellow pop-up
// that names the button under the cursor, and the surface through which the
// tip logic moves, shows and hides it.
#pragma once

#include <windows.h>

#include <vector>

#include "tiplogic.h"
#include "toolbarbuttons.h"

// The tip's delay before a first tip; its expiry reaches the toolbar as
// WM_TIP_DELAY_ELAPSED.
constexpr UINT_PTR kTipDelayTimerId = 2010;
constexpr UINT kTipDelay = 1000;
constexpr UINT WM_TIP_DELAY_ELAPSED = WM_USER + 1;

// Registers "QUILLT Tooltips" once; true when it is registered.
bool RegisterTipClass(HINSTANCE instance);

// The tip window of a toolbar, hidden; null on failure.
HWND CreateTipWindow(HWND toolbar, HINSTANCE instance);

class CTipWindowSurface : public ITipSurface {
public:
    CTipWindowSurface(HWND tip, HWND mainWindow, const std::vector<SToolbarButton>& buttons)
        : m_tip(tip), m_main(mainWindow), m_buttons(buttons)
    {
    }

    void HideTip() override;
    bool PrepareTip(int button, POINT cursor) override;
    void ShowTip() override;
    bool StartDelay() override;
    void StopDelay() override;

private:
    HWND m_tip;
    HWND m_main;
    const std::vector<SToolbarButton>& m_buttons;
};
