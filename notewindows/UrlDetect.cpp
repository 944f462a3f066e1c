#include "UrlDetect.h"

// Links come with the note editor; until then there is no text to scan and
// no link under any point.
void CUrlDetect::Attach(HWND /*editor*/) {}

int CUrlDetect::HitTest(POINT& /*point*/) const
{
    return -1;
}

bool CUrlDetect::IsOverLink(POINT point) const
{
    return HitTest(point) != -1;
}

CStdStr CUrlDetect::GetLinkAt(POINT /*point*/) const
{
    return CStdStr();
}

int CUrlDetect::Rescan()
{
    return 0;
}

bool FindNextLink(const CStdStr& /*text*/, int& /*start*/, int& /*end*/)
{
    return false;
}
