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
SPopupMenuSeam g_popupMenuSeam = { RealTrackPopupMenu };
SBeepSeam g_beepSeam = { RealMessageBeep };

INT_PTR RunModal(const SModalRun& run)
{
    return g_modalRunSeam.run(run);
}
