#include "itsycmd.h"

// The caption bars come with the note windows; until then there is no frame
// to size.
int ItsySetCaptionSize(HWND /*window*/, int /*height*/)
{
    return 0;
}

int ItsyCaptionHeightFromFont(const LOGFONTW& /*font*/)
{
    return 0;
}
