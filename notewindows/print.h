// Printing a note: its rich text laid out on the printer's pages, each page
// with the note's title above and the date, time and page number below,
// while a small dialog lets the user cancel the spooling. User-interface
// thread only; one print at a time.
#pragma once

#include <windows.h>

#include "foundation/StdStr.h"

// The printer's page as its DC reports it, in device units.
struct SPrinterCaps {
    int dpiX = 0;            // LOGPIXELSX
    int dpiY = 0;            // LOGPIXELSY
    int offsetX = 0;         // PHYSICALOFFSETX
    int offsetY = 0;         // PHYSICALOFFSETY
    int width = 0;           // PHYSICALWIDTH
    int height = 0;          // PHYSICALHEIGHT
    int printableWidth = 0;  // HORZRES: where the header's clip and the bars end
};

// Where header, text and footer go on every page, in device units.
struct SPrintGeometry {
    int marginX = 0;
    int lineRight = 0;  // HORZRES - margin x
    int headerTop = 0;
    int textTop = 0;
    int footerBarTop = 0;
    int barThickness = 0;
    RECT text = {};
};

// Read through the print-job table.
SPrinterCaps ReadPrinterCaps(HDC printer);
SPrintGeometry ComputePrintGeometry(const SPrinterCaps& caps);
// Device units to twips, x by the horizontal and y by the vertical resolution.
RECT DeviceToTwips(const RECT& device, int dpiX, int dpiY);
// "<long date> <time> - Page <index + 1> of <count>", page 1 of 1 for fewer
// than two pages.
CStdStr FormatPrintFooter(int index, int count, const SYSTEMTIME& now);

// Lays characters [first, last) of the control out into the text rectangle,
// drawing them unless only measuring; the first character of the next page.
// A layout that fits nothing gives first back.
LONG FormatPrintPage(HDC printer, HWND control, const RECT& text, LONG first, LONG last, bool measureOnly);
// The title, clipped to the header, over a black bar; the header font must be
// selected.
void DrawPrintHeader(HDC printer, const SPrintGeometry& geometry, const wchar_t* title);
// A black bar and below it the footer line, right-aligned.
void DrawPrintFooter(HDC printer, const SPrintGeometry& geometry, int index, int count);

// Prints the text of the note behind the editor through the print dialog.
// True when every page went to the spooler, also when there was nothing to
// print or the user cancelled the print dialog; false on a failure (logged),
// a cancel while spooling, or while another print runs (a beep).
bool PrintNote(HWND editor, const wchar_t* title);

INT_PTR CALLBACK PrintAbortDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// GDI calls it while spooling: keeps the program's windows responsive and
// says whether the job goes on.
BOOL CALLBACK PrintAbortProc(HDC printer, int error);
