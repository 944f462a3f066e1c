// A print job and a dialog's error outside their seam's file: 2 here.
void Spool(HDC dc, const DOCINFOW* info)
{
    if (StartDocW(dc, info) < 1 && CommDlgExtendedError() != 0)
        return;
    g_printJobSeam.endDoc(dc);
}
