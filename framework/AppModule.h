// The window framework's application module: the program instance and the
// user-interface thread that the framework's windows belong to, and the
// start-up state that windows below the shell read (the rich-edit library
// loaded, the program icon, the caption bitmap, the palette of 256-colour screens, the message
// loop's slots for the modeless dialogs). Start-up initialises it after the common
// controls; shut-down terminates it.
#pragma once

#include <windows.h>

#include "GdiObject.h"

class CAppModule {
public:
    // Fails with E_INVALIDARG for a null instance, E_UNEXPECTED when it is
    // initialised already.
    HRESULT Init(HINSTANCE instance);
    void Term();

    bool IsInitialized() const { return m_instance != nullptr; }
    HINSTANCE GetModuleInstance() const { return m_instance; }
    DWORD GetMainThreadId() const { return m_mainThreadId; }

    void SetRichEdit20(bool loaded) { m_richEdit20 = loaded; }
    bool IsRichEdit20() const { return m_richEdit20; }
    // Takes the bitmap; Term frees it.
    void SetCaptionBitmap(HBITMAP bitmap) { m_captionBitmap.Reset(bitmap); }
    HBITMAP GetCaptionBitmap() const { return m_captionBitmap.Get(); }
    // Takes the palette; Term frees it. Notes take their entries from the
    // base index on (the entries the system reserves come before it).
    void SetPalette(HPALETTE palette, UINT baseIndex = 0)
    {
        m_palette.Reset(palette);
        m_paletteBase = baseIndex;
    }
    HPALETTE GetPalette() const { return m_palette.Get(); }
    UINT GetPaletteBase() const { return m_paletteBase; }

    // The program's icon (52), loaded by start-up, for the windows and
    // dialogs that show it; the shell frees it at shut-down.
    void SetAppIcon(HICON icon) { m_appIcon = icon; }
    HICON GetAppIcon() const { return m_appIcon; }

    // The modeless dialogs the message loop hands their keys to; each dialog
    // fills its slot when it opens and clears it when it goes.
    void SetFindDlg(HWND dialog) { m_findDlg = dialog; }
    HWND GetFindDlg() const { return m_findDlg; }
    void SetShowHideDlg(HWND dialog) { m_showHideDlg = dialog; }
    HWND GetShowHideDlg() const { return m_showHideDlg; }
    void SetAlarmDisplayDlg(HWND dialog) { m_alarmDisplayDlg = dialog; }
    HWND GetAlarmDisplayDlg() const { return m_alarmDisplayDlg; }

private:
    HINSTANCE m_instance = nullptr;
    DWORD m_mainThreadId = 0;
    bool m_richEdit20 = false;
    CGdiObject<HBITMAP> m_captionBitmap;
    CGdiObject<HPALETTE> m_palette;
    UINT m_paletteBase = 0;
    HICON m_appIcon = nullptr;
    HWND m_findDlg = nullptr;
    HWND m_showHideDlg = nullptr;
    HWND m_alarmDisplayDlg = nullptr;
};

extern CAppModule g_appModule;

// "RICHED20.DLL" was loaded (else "RICHED32.DLL"); dialogs choose their
// templates by it.
inline bool IsRichEdit20()
{
    return g_appModule.IsRichEdit20();
}
// Bitmap 103, the parts of the note captions; null before start-up loads it.
inline HBITMAP GetCaptionBitmap()
{
    return g_appModule.GetCaptionBitmap();
}
