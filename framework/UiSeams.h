// The seams in front of modal user interface: the modal runs of the program's
// dialogs and sheets, the common dialogs, pop-up menus and MessageBeep. Each
// is one small replaceable table with the real behaviour as default, so that
// tests script these calls (ScopedUiScript) instead of blocking in them.
#pragma once

#include <windows.h>
#include <commdlg.h>

// One modal run: a dialog names its template id, a sheet its caption string
// id. The real run is what the program does without a script; a test may
// answer instead, or call it after arranging its own script.
struct SModalRun {
    UINT resourceId;
    HWND owner;
    INT_PTR (*realRun)(void* context);
    void* context;
};

struct SModalRunSeam {
    INT_PTR (*run)(const SModalRun& run);
};
extern SModalRunSeam g_modalRunSeam;

// Runs a modal dialog or sheet through the seam.
INT_PTR RunModal(const SModalRun& run);

struct SCommonDialogSeam {
    BOOL (*getOpenFileName)(OPENFILENAMEW* request);
    BOOL (*getSaveFileName)(OPENFILENAMEW* request);
    BOOL (*chooseFont)(CHOOSEFONTW* request);
    BOOL (*chooseColor)(CHOOSECOLORW* request);
    BOOL (*printDialog)(PRINTDLGW* request);
};
extern SCommonDialogSeam g_commonDialogSeam;

// TrackPopupMenu: with TPM_RETURNCMD the chosen command (0 for none), else
// whether the menu ran; the command then arrives as WM_COMMAND at the owner.
// The common dialogs' extended error: why a dialog returned FALSE (0: the
// user cancelled).
struct SCommDlgErrorSeam {
    DWORD (*extendedError)();
};
extern SCommDlgErrorSeam g_commDlgErrorSeam;

// A print job on a printer DC, as GDI runs it.
struct SPrintJobSeam {
    int (*getDeviceCaps)(HDC dc, int index);
    int (*setAbortProc)(HDC dc, ABORTPROC proc);
    int (*startDoc)(HDC dc, const DOCINFOW* info);
    int (*startPage)(HDC dc);
    int (*endPage)(HDC dc);
    int (*endDoc)(HDC dc);
    int (*abortDoc)(HDC dc);
    BOOL (*deleteDC)(HDC dc);
};
extern SPrintJobSeam g_printJobSeam;

// TrackPopupMenu: with TPM_RETURNCMD the chosen command (0 for none), else
// whether the menu ran; the command then arrives as WM_COMMAND at the owner.
struct SPopupMenuSeam {
    BOOL (*trackPopupMenu)(HMENU menu, UINT flags, int x, int y, HWND owner, const RECT* rect);
};
extern SPopupMenuSeam g_popupMenuSeam;

struct SBeepSeam {
    BOOL (*messageBeep)(UINT type);
};
extern SBeepSeam g_beepSeam;

inline BOOL SeamedTrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner, const RECT* rect = nullptr)
{
    return g_popupMenuSeam.trackPopupMenu(menu, flags, x, y, owner, rect);
}

inline BOOL SeamedMessageBeep(UINT type)
{
    return g_beepSeam.messageBeep(type);
}
