// Owner-drawn push buttons with a small drop-down arrow, taking over a
// dialog's button: the shared base (visual style of "Button", hot tracking,
// the frame, focus, separator and arrow), and CArrowButton, which shows its
// caption beside the arrow and reaches its owner as an ordinary BN_CLICKED.
#pragma once

#include <windows.h>

#include "framework/Window.h"
#include "framework/WindowTheme.h"

// What a themed push button is drawn with, from the owner-draw item state.
// The two buttons combine the bits each in their own way.
int ArrowButtonThemeState(UINT itemState, bool hot);
int ColorButtonThemeState(UINT itemState, bool hot);

// Draws the button's frame (themed when a theme is given), the focus, the
// arrow and the etched separator; returns what is left of the content left
// of the separator.
RECT DrawDropButtonChrome(HDC dc, const RECT& item, UINT itemState, HTHEME theme, int themeState);

class CDropButtonBase : public CWindowBase {
public:
    // Takes over the button, makes it owner-drawn and opens its theme.
    bool SubclassWindow(HWND button);
    HTHEME Theme() const { return m_theme.Get(); }
    bool IsHot() const { return m_hot; }

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    virtual void DrawItem(const DRAWITEMSTRUCT& item) = 0;

private:
    void OnMouseMove();
    void OnMouseLeave();

    CWindowTheme m_theme;
    bool m_hot = false;
};

class CArrowButton : public CDropButtonBase {
protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;
};
