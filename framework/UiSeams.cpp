#include "UiSeams.h"

namespace {

INT_PTR RealModalRun(const SModalRun& run)
{
    return run.realRun(run.context);
}

BOOL RealOpenFileName(OPENFILENAMEW* request)
{
    return GetOpenFileNameW(request);
}

BOOL RealSaveFileName(OPENFILENAMEW* request)
{
    return GetSaveFileNameW(request);
}

BOOL RealChooseFont(CHOOSEFONTW* request)
{
    return ChooseFontW(request);
}

BOOL RealChooseColor(CHOOSECOLORW* request)
{
    return ChooseColorW(request);
}

BOOL RealPrintDialog(PRINTDLGW* request)
{
    return PrintDlgW(request);
}

DWORD RealCommDlgExtendedError()
{
    return CommDlgExtendedError();
}

int RealGetDeviceCaps(HDC dc, int index)
{
    return GetDeviceCaps(dc, index);
}

int RealSetAbortProc(HDC dc, ABORTPROC proc)
{
    return SetAbortProc(dc, proc);
}

int RealStartDoc(HDC dc, const DOCINFOW* info)
{
    return StartDocW(dc, info);
}

int RealStartPage(HDC dc)
{
    return StartPage(dc);
}

int RealEndPage(HDC dc)
{
    return EndPage(dc);
}

int RealEndDoc(HDC dc)
{
    return EndDoc(dc);
}

int RealAbortDoc(HDC dc)
{
    return AbortDoc(dc);
}

BOOL RealDeleteDC(HDC dc)
{
    return DeleteDC(dc);
}

BOOL RealTrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner, const RECT* rect)
{
    return TrackPopupMenu(menu, flags, x, y, 0, owner, rect);
}

BOOL RealMessageBeep(UINT type)
{
    return MessageBeep(type);
}

}  // namespace

SModalRunSeam g_modalRunSeam = { RealModalRun };
SCommonDialogSeam g_commonDialogSeam = { RealOpenFileName, RealSaveFileName, RealChooseFont, RealChooseColor,
                                         RealPrintDialog };
SCommDlgErrorSeam g_commDlgErrorSeam = { RealCommDlgExtendedError };
SPrintJobSeam g_printJobSeam = { RealGetDeviceCaps, RealSetAbortProc, RealStartDoc, RealStartPage,
                                 RealEndPage,       RealEndDoc,       RealAbortDoc, RealDeleteDC };
SPopupMenuSeam g_popupMenuSeam = { RealTrackPopupMenu };
SBeepSeam g_beepSeam = { RealMessageBeep };

INT_PTR RunModal(const SModalRun& run)
{
    return g_modalRunSeam.run(run);
}
