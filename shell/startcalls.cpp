#include "startcalls.h"

#include "notewindows/RichEditCtrl.h"

void SetForcePlainPaste(bool plainText)
{
    CRichEditCtrl50WT::SetForcePlainPaste(plainText);
}
