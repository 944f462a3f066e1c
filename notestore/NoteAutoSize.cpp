// Fitting a note's window to its text. Not part of this build yet: nothing
// is measured or resized.
#include "Note.h"

bool CNote::MeasureText(const RECT&, SIZE&)
{
    return false;
}

void CNote::AutoSize(bool)
{
}

void CNote::OnRequestResize(const RECT&)
{
}
