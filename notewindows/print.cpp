// Printing a note: its text with a title, the date and page numbers.
#include "print.h"

#include <richedit.h>

#include <algorithm>
#include <vector>

#include "RichEditCtrl.h"
#include "NoteEditWnd.h"
#include "RichTextFormatter.h"
#include "foundation/AppWindow.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "foundation/ShellServices.h"
#include "framework/GdiObject.h"
#include "framework/GlobalMemory.h"
#include "framework/OleDateTime.h"
#include "framework/UiSeams.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kLongDateChars = 128;

// Filled anew for every print; its device mode and names are freed after it.
PRINTDLGW s_printDialog = {};
bool s_cancelled = false;
HWND s_abortDialog = nullptr;
bool s_printing = false;

// The printer DC the dialog returned: deleted once, through the job's table.
class CPrinterDC {
public:
    explicit CPrinterDC(HDC dc) : m_dc(dc) {}
    ~CPrinterDC()
    {
        if (m_dc)
            g_printJobSeam.deleteDC(m_dc);
    }
    CPrinterDC(const CPrinterDC&) = delete;
    CPrinterDC& operator=(const CPrinterDC&) = delete;

    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

// One print at a time: the abort procedure dispatches every window's
// messages, a second print command among them.
class CPrintingScope {
public:
    CPrintingScope() { s_printing = true; }
    ~CPrintingScope() { s_printing = false; }
    CPrintingScope(const CPrintingScope&) = delete;
    CPrintingScope& operator=(const CPrintingScope&) = delete;
};

// While pages spool: the main window disabled and the cancel dialog shown.
class CSpoolingScope {
public:
    CSpoolingScope()
    {
        if (g_hwndApp)
            EnableWindow(g_hwndApp, FALSE);
        s_cancelled = false;
        s_abortDialog =
            CResModule::CreateDialogParam(MAKEINTRESOURCEW(IDD_PRINTING), g_hwndApp, PrintAbortDlgProc, 0);
        if (!s_abortDialog)
            WriteToLogFile(L"PrintNote - the cancel dialog was not created, error %u", GetLastError());
    }
    ~CSpoolingScope()
    {
        if (g_hwndApp)
            EnableWindow(g_hwndApp, TRUE);
        if (s_abortDialog) {
            DestroyWindow(s_abortDialog);
            s_abortDialog = nullptr;
        }
    }
    CSpoolingScope(const CSpoolingScope&) = delete;
    CSpoolingScope& operator=(const CSpoolingScope&) = delete;
};

// The hidden control the text is laid out in; its format cache goes before it.
class CPrintControl : public CRichEditCtrl50WT {
public:
    ~CPrintControl() override
    {
        if (Handle())
            ReleaseCache(Handle());
    }
};

void FillPrintDialog()
{
    s_printDialog = {};
    s_printDialog.lStructSize = sizeof(s_printDialog);
    s_printDialog.hwndOwner = g_hwndApp;
    s_printDialog.Flags = PD_RETURNDC | PD_COLLATE | PD_NOPAGENUMS | PD_NOSELECTION;
    s_printDialog.nCopies = 1;
}

bool IsUsable(const SPrinterCaps& caps, const SPrintGeometry& geometry)
{
    return caps.dpiX > 0 && caps.dpiY > 0 && geometry.text.right > geometry.text.left &&
           geometry.text.bottom > geometry.text.top;
}

// The note's text, black on white whatever the note's colours.
bool LoadPrintText(CPrintControl& control, HWND editor)
{
    CNote* const note = NoteManager().GetNoteFromWindow(GetParent(editor));
    CStdStr text;
    if (!note || !note->GetText(true, false, true, text)) {
        WriteToLogFile(L"PrintNote - no text of a note behind the editor %p", static_cast<void*>(editor));
        return false;
    }
    if (!control.CreatePlain(nullptr, RECT{0, 0, 100, 100}))
        return false;
    control.SetTextMode(TM_RICHTEXT | TM_MULTICODEPAGE);
    control.SetEventMask(0);
    control.SetAutoUrlDetect(false);
    // A text the control refuses (logged) would print as empty pages.
    if (control.StreamInText(text, true, false) == 0 && control.GetTextLengthEx(GTL_DEFAULT) == 0 &&
        !note->GetPlainText().empty()) {
        WriteToLogFile(L"PrintNote - the note's text did not stream in");
        return false;
    }
    CHARFORMAT2W colours = {};
    colours.cbSize = sizeof(colours);
    colours.dwMask = CFM_COLOR | CFM_BACKCOLOR;
    colours.crTextColor = RGB(0, 0, 0);
    colours.crBackColor = RGB(255, 255, 255);
    control.SetCharFormat(colours, SCF_ALL);
    SendMessageW(control.Handle(), EM_SETEDITSTYLE, SES_EXTENDBACKCOLOR, SES_EXTENDBACKCOLOR);
    SendMessageW(control.Handle(), EM_SETBKGNDCOLOR, 0, RGB(255, 255, 255));
    return true;
}

// The first character of every page, then the end; false (logged) when the
// layout stops making progress, as a formatter that cannot format would.
bool Paginate(HDC printer, HWND control, const RECT& text, LONG length, std::vector<LONG>& starts)
{
    starts.assign(1, 0);
    while (starts.back() < length) {
        const LONG start = starts.back();
        const LONG next = FormatPrintPage(printer, control, text, start, length, true);
        if (next <= start) {
            WriteToLogFile(L"PrintNote - the text makes no progress at character %ld of %ld", start, length);
            return false;
        }
        starts.push_back(std::min(next, length));
    }
    return true;
}

bool PrintPage(HDC printer, const SPrintGeometry& geometry, HWND control, const std::vector<LONG>& starts,
               int index, const wchar_t* title)
{
    const int count = static_cast<int>(starts.size()) - 1;
    const int started = g_printJobSeam.startPage(printer);
    if (started <= 0) {
        WriteToLogFile(L"PrintNote - StartPage failed (%d) on page %d of %d", started, index + 1, count);
        return false;
    }
    DrawPrintHeader(printer, geometry, title);
    DrawPrintFooter(printer, geometry, index, count);
    const LONG first = starts[index];
    const LONG length = starts.back();
    if (FormatPrintPage(printer, control, geometry.text, first, length, false) <= first) {
        WriteToLogFile(L"PrintNote - page %d of %d did not render", index + 1, count);
        return false;
    }
    const int ended = g_printJobSeam.endPage(printer);
    if (ended <= 0) {
        WriteToLogFile(L"PrintNote - EndPage failed (%d) on page %d of %d", ended, index + 1, count);
        return false;
    }
    return true;
}

// Collated copies are whole passes over the pages; uncollated ones repeat
// each page. False on a failure or a cancel.
bool PrintPages(HDC printer, const SPrintGeometry& geometry, HWND control, const std::vector<LONG>& starts,
                const wchar_t* title)
{
    const int count = static_cast<int>(starts.size()) - 1;
    const int copies = std::max<int>(1, s_printDialog.nCopies);
    const bool collate = (s_printDialog.Flags & PD_COLLATE) != 0;
    const int passes = collate ? copies : 1;
    const int repeats = collate ? 1 : copies;
    for (int pass = 0; pass < passes; ++pass) {
        for (int index = 0; index < count; ++index)
            for (int repeat = 0; repeat < repeats; ++repeat)
                if (!PrintPage(printer, geometry, control, starts, index, title) || s_cancelled)
                    return false;
        if (s_cancelled)
            return false;
    }
    return true;
}

// Spools the laid-out pages as one document; a job that does not end well
// is aborted, so no half document reaches the printer.
bool SpoolDocument(HDC printer, const SPrintGeometry& geometry, HWND control, const std::vector<LONG>& starts,
                   const wchar_t* title)
{
    const CSpoolingScope spooling;
    g_printJobSeam.setAbortProc(printer, PrintAbortProc);
    CStdStr name;
    name.Format(L"%s - %s", LoadResString(IDS_APP_NAME), title);
    DOCINFOW document = {};
    document.cbSize = sizeof(document);
    document.lpszDocName = name.c_str();
    CFontHandle font(CreateFontW(-MulDiv(10, ReadPrinterCaps(printer).dpiX, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE,
                                 FALSE, g_prefs.TitleFont.lfCharSet, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial"));
    const HGDIOBJ oldFont = SelectObject(printer, font.Get());
    const int job = g_printJobSeam.startDoc(printer, &document);
    bool printed = false;
    if (job < 1) {
        WriteToLogFile(L"PrintNote - StartDocW failed (%d), error %u", job, GetLastError());
    } else {
        printed = PrintPages(printer, geometry, control, starts, title);
        if (printed) {
            printed = g_printJobSeam.endDoc(printer) > 0;
            if (!printed)
                WriteToLogFile(L"PrintNote - EndDoc failed, error %u", GetLastError());
        } else {
            g_printJobSeam.abortDoc(printer);
        }
    }
    SelectObject(printer, oldFont);
    return printed && !s_cancelled;
}

bool PrintWithDC(HDC printer, HWND editor, const wchar_t* title)
{
    const SPrinterCaps caps = ReadPrinterCaps(printer);
    const SPrintGeometry geometry = ComputePrintGeometry(caps);
    if (!IsUsable(caps, geometry)) {
        WriteToLogFile(L"PrintNote - the printer reports no page: %d x %d at %d x %d dpi", caps.width, caps.height,
                       caps.dpiX, caps.dpiY);
        return false;
    }
    CPrintControl control;
    if (!LoadPrintText(control, editor))
        return false;
    const LONG length = control.GetTextLengthEx(GTL_DEFAULT);
    std::vector<LONG> starts;
    if (!Paginate(printer, control.Handle(), geometry.text, length, starts))
        return false;
    return SpoolDocument(printer, geometry, control.Handle(), starts, title);
}

}  // namespace

SPrinterCaps ReadPrinterCaps(HDC printer)
{
    const auto caps = [printer](int index) { return g_printJobSeam.getDeviceCaps(printer, index); };
    SPrinterCaps read;
    read.dpiX = caps(LOGPIXELSX);
    read.dpiY = caps(LOGPIXELSY);
    read.offsetX = caps(PHYSICALOFFSETX);
    read.offsetY = caps(PHYSICALOFFSETY);
    read.width = caps(PHYSICALWIDTH);
    read.height = caps(PHYSICALHEIGHT);
    read.printableWidth = caps(HORZRES);
    return read;
}

SPrintGeometry ComputePrintGeometry(const SPrinterCaps& caps)
{
    SPrintGeometry geometry;
    geometry.marginX = caps.offsetX + caps.dpiX / 2;
    geometry.lineRight = caps.printableWidth - geometry.marginX;
    geometry.headerTop = caps.offsetY + caps.dpiY / 2;
    geometry.textTop = caps.offsetY + caps.dpiY;
    geometry.footerBarTop = caps.height - 2 * caps.offsetY - caps.dpiY;
    geometry.barThickness = caps.dpiY / 32;
    geometry.text = RECT{geometry.marginX, geometry.textTop, caps.width - 2 * caps.offsetX - caps.dpiX,
                         geometry.footerBarTop - 1};
    return geometry;
}

RECT DeviceToTwips(const RECT& device, int dpiX, int dpiY)
{
    return RECT{MulDiv(device.left, kTwipsPerInch, dpiX), MulDiv(device.top, kTwipsPerInch, dpiY),
                MulDiv(device.right, kTwipsPerInch, dpiX), MulDiv(device.bottom, kTwipsPerInch, dpiY)};
}

CStdStr FormatPrintFooter(int index, int count, const SYSTEMTIME& now)
{
    CStdStr page;
    if (count < 2)
        page.Format(LoadResString(IDS_PRINT_PAGE), 1, 1);
    else
        page.Format(LoadResString(IDS_PRINT_PAGE), index + 1, count);
    const double date = COleDateTime(now).m_dt;
    wchar_t longDate[kLongDateChars] = {};
    wchar_t time[64] = {};
    FormatDateLong(date, longDate, kLongDateChars);
    FormatTimeShort(date, time, 64);
    CStdStr line;
    line.Format(L"%s %s - %s", longDate, time, page.c_str());
    return line;
}

LONG FormatPrintPage(HDC printer, HWND control, const RECT& text, LONG first, LONG last, bool measureOnly)
{
    const SPrinterCaps caps = ReadPrinterCaps(printer);
    const RECT twips = DeviceToTwips(text, caps.dpiX, caps.dpiY);
    SFormatRangeResult result;
    if (!FormatRange(control, printer, measureOnly ? nullptr : printer, twips, first, last, result))
        return first;
    return result.next;
}

void DrawPrintHeader(HDC printer, const SPrintGeometry& geometry, const wchar_t* title)
{
    const RECT clip = {geometry.marginX, geometry.headerTop, geometry.lineRight, geometry.textTop};
    ExtTextOutW(printer, geometry.marginX, geometry.headerTop, ETO_CLIPPED, &clip, title,
                static_cast<UINT>(wcslen(title)), nullptr);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(printer, &metrics);
    const int barTop = geometry.headerTop + metrics.tmHeight + geometry.barThickness;
    const RECT bar = {geometry.marginX, barTop, geometry.lineRight, barTop + geometry.barThickness};
    FillRect(printer, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void DrawPrintFooter(HDC printer, const SPrintGeometry& geometry, int index, int count)
{
    const RECT bar = {geometry.marginX, geometry.footerBarTop, geometry.lineRight,
                      geometry.footerBarTop + geometry.barThickness};
    FillRect(printer, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const CStdStr line = FormatPrintFooter(index, count, GetLocalNow());
    const UINT oldAlign = SetTextAlign(printer, TA_RIGHT | TA_TOP | TA_NOUPDATECP);
    TextOutW(printer, geometry.lineRight, bar.bottom + geometry.barThickness, line.c_str(),
             static_cast<int>(line.size()));
    SetTextAlign(printer, oldAlign);
}

bool PrintNote(HWND editor, const wchar_t* title)
{
    if (s_printing) {
        SeamedMessageBeep(MB_OK);
        return false;
    }
    const CPrintingScope printing;
    if (SendMessageW(editor, EM_GETLINECOUNT, 0, 0) == 0)
        return true;
    FillPrintDialog();
    const BOOL chosen = g_commonDialogSeam.printDialog(&s_printDialog);
    const CGlobalMemory devMode(s_printDialog.hDevMode);
    const CGlobalMemory devNames(s_printDialog.hDevNames);
    s_printDialog.hDevMode = nullptr;
    s_printDialog.hDevNames = nullptr;
    const CPrinterDC printer(chosen ? s_printDialog.hDC : nullptr);
    s_printDialog.hDC = nullptr;
    if (!chosen) {
        const DWORD error = g_commDlgErrorSeam.extendedError();
        if (error == 0)
            return true;
        WriteToLogFile(L"PrintNote - the print dialog failed, error 0x%04X", error);
        return false;
    }
    if (!printer.Get()) {
        WriteToLogFile(L"PrintNote - the print dialog returned no printer DC");
        return false;
    }
    return PrintWithDC(printer.Get(), editor, title);
}

INT_PTR CALLBACK PrintAbortDlgProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        EnableMenuItem(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
        return TRUE;
    case WM_COMMAND:
        s_cancelled = true;
        if (const HWND owner = GetWindow(dialog, GW_OWNER))
            EnableWindow(owner, TRUE);
        DestroyWindow(dialog);
        s_abortDialog = nullptr;
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CALLBACK PrintAbortProc(HDC, int)
{
    MSG message;
    while (!s_cancelled && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The program's own loop must still see it once the job ends.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!s_abortDialog || !IsDialogMessageW(s_abortDialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return !s_cancelled;
}

int CNote::Print()
{
    const HWND window = m_hwnd;
    const std::int64_t id = m_row.id;
    if (!UnlockText())
        return 0;
    if (!m_editor) {
        WriteToLogFile(L"Print - the note %I64d has no editor", id);
        return 0;
    }
    const HWND editor = m_editor->Handle();
    const bool printed = PrintNote(editor, GetDisplayName().c_str());
    // The print's message pump may have closed or deleted the note.
    CNoteManager& manager = NoteManager();
    const CNote* const again = window ? manager.GetNoteFromWindow(window) : manager.GetNote(id);
    if (again == this && m_editor && m_editor->Handle() == editor && IsWindow(editor))
        InvalidateRect(editor, nullptr, TRUE);
    return printed ? 1 : 0;
}
