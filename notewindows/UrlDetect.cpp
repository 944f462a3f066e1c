#include "UrlDetect.h"

// Links come with the note editor; until then there is no text to scan.
int CUrlDetect::Rescan()
{
    return 0;
}
