// Printing a note: page geometry and the footer, pagination that stops when
// the layout makes no progress, copies and collation, failures and a cancel
// that end the job cleanly, the print colours, the print dialog's failure and
// cancel, and a second print or a deleted note inside the spooling pump.
#include <gtest/gtest.h>

#include <richedit.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "foundation/AppWindow.h"
#include "foundation/ShellServices.h"
#include "framework/UiSeams.h"
#include "notewindows/RichEditCtrl.h"
#include "notewindows/RichTextFormatter.h"
#include "notewindows/print.h"
#include "resources/resource.h"
#include "tests/notestore/WindowedStoreTest.h"
#include "tests/support/ScopedUiScript.h"

namespace {

SPrinterCaps Caps(int dpiX, int dpiY, int offsetX, int offsetY, int width, int height, int printableWidth)
{
    SPrinterCaps caps;
    caps.dpiX = dpiX;
    caps.dpiY = dpiY;
    caps.offsetX = offsetX;
    caps.offsetY = offsetY;
    caps.width = width;
    caps.height = height;
    caps.printableWidth = printableWidth;
    return caps;
}

const SPrinterCaps kLetter600 = Caps(600, 600, 50, 60, 5100, 6600, 5000);

std::wstring Narrow(const std::vector<std::wstring>& calls)
{
    std::wstring all;
    for (const std::wstring& call : calls)
        all += (all.empty() ? L"" : L", ") + call;
    return all;
}

// A printer DC that is an enhanced metafile, so the drawing can be read
// back, and a job that records its calls. EndPage calls the registered abort
// procedure, as GDI does while it spools.
class CFakePrintJob {
public:
    CFakePrintJob()
        : m_override(g_printJobSeam, SPrintJobSeam{Caps, SetAbort, StartDoc, StartPage, EndPage, EndDoc, AbortDoc,
                                                   DeleteDC})
    {
        s_job = this;
        Reset();
    }
    ~CFakePrintJob()
    {
        Free();
        s_job = nullptr;
    }

    // A new DC and nothing recorded: the next print starts afresh.
    void Reset()
    {
        Free();
        m_dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
        startDocResult = 1;
        failStartPage = 0;
        failEndPage = 0;
        onEndPage = nullptr;
        calls.clear();
        documentName.clear();
        deletes = 0;
        pagesStarted = 0;
        m_abortProc = nullptr;
    }

    HDC Dc() const { return m_dc; }

    SPrinterCaps caps = kLetter600;
    int startDocResult = 1;
    int failStartPage = 0;  // the page (from 1) whose StartPage fails
    int failEndPage = 0;
    std::function<void(int page)> onEndPage;  // before the abort procedure runs
    std::vector<std::wstring> calls;
    std::wstring documentName;
    int deletes = 0;
    int pagesStarted = 0;

    // The texts drawn, in order, with their reference points.
    struct SText {
        std::wstring text;
        POINT at;
    };
    std::vector<SText> Texts() const
    {
        std::vector<SText> texts;
        EnumEnhMetaFile(
            nullptr, m_metafile,
            [](HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM context) -> int {
                if (record->iType == EMR_EXTTEXTOUTW) {
                    const auto* const text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
                    const auto* const chars = reinterpret_cast<const wchar_t*>(
                        reinterpret_cast<const BYTE*>(record) + text->emrtext.offString);
                    reinterpret_cast<std::vector<SText>*>(context)->push_back(
                        {std::wstring(chars, text->emrtext.nChars),
                         {text->emrtext.ptlReference.x, text->emrtext.ptlReference.y}});
                }
                return 1;
            },
            &texts, nullptr);
        return texts;
    }

private:
    void Free()
    {
        if (m_dc)
            DeleteEnhMetaFile(CloseEnhMetaFile(m_dc));
        if (m_metafile)
            DeleteEnhMetaFile(m_metafile);
        m_dc = nullptr;
        m_metafile = nullptr;
    }

    static int Caps(HDC, int index)
    {
        const SPrinterCaps& c = s_job->caps;
        const std::map<int, int> values = {{LOGPIXELSX, c.dpiX},          {LOGPIXELSY, c.dpiY},
                                           {PHYSICALOFFSETX, c.offsetX}, {PHYSICALOFFSETY, c.offsetY},
                                           {PHYSICALWIDTH, c.width},     {PHYSICALHEIGHT, c.height},
                                           {HORZRES, c.printableWidth}};
        const auto found = values.find(index);
        return found == values.end() ? 0 : found->second;
    }
    static int SetAbort(HDC, ABORTPROC proc)
    {
        s_job->m_abortProc = proc;
        s_job->calls.push_back(L"abortproc");
        return 1;
    }
    static int StartDoc(HDC, const DOCINFOW* info)
    {
        s_job->calls.push_back(L"startdoc");
        s_job->documentName = info && info->lpszDocName ? info->lpszDocName : L"";
        EXPECT_EQ(info->cbSize, 40);
        return s_job->startDocResult;
    }
    static int StartPage(HDC)
    {
        const int page = ++s_job->pagesStarted;
        s_job->calls.push_back(L"startpage");
        return page == s_job->failStartPage ? -1 : 1;
    }
    static int EndPage(HDC dc)
    {
        const int page = s_job->pagesStarted;
        s_job->calls.push_back(L"endpage");
        if (s_job->onEndPage)
            s_job->onEndPage(page);
        if (s_job->m_abortProc && !s_job->m_abortProc(dc, 0))
            s_job->calls.push_back(L"aborted");
        return page == s_job->failEndPage ? -1 : 1;
    }
    static int EndDoc(HDC)
    {
        s_job->calls.push_back(L"enddoc");
        return 1;
    }
    static int AbortDoc(HDC)
    {
        s_job->calls.push_back(L"abortdoc");
        return 1;
    }
    static BOOL DeleteDC(HDC dc)
    {
        ++s_job->deletes;
        s_job->calls.push_back(L"delete");
        if (dc == s_job->m_dc) {
            s_job->m_metafile = CloseEnhMetaFile(dc);
            s_job->m_dc = nullptr;
        }
        return TRUE;
    }

    static inline CFakePrintJob* s_job = nullptr;
    HDC m_dc = nullptr;
    HENHMETAFILE m_metafile = nullptr;
    ABORTPROC m_abortProc = nullptr;
    CSeamOverride<SPrintJobSeam> m_override;
};

// A formatter that breaks pages where the test says and records where it
// laid out and drew; a stall makes no progress from that character on.
class CFakeFormatter {
public:
    CFakeFormatter() : m_override(g_richTextFormatterSeam, SRichTextFormatterSeam{Format, Release}) { s_formatter = this; }
    ~CFakeFormatter() { s_formatter = nullptr; }

    std::vector<LONG> breaks;
    LONG stallAt = -1;
    std::vector<std::wstring>* calls = nullptr;  // renders go here, in order
    std::vector<RECT> twips;
    int releases = 0;
    // What the control held when it was first measured.
    std::wstring text;
    CHARFORMAT2W format = {};

private:
    static bool Format(HWND editor, HDC, HDC render, const RECT& rect, LONG first, LONG last,
                       SFormatRangeResult& result)
    {
        CFakeFormatter& self = *s_formatter;
        if (self.twips.empty()) {
            self.text.resize(GetWindowTextLengthW(editor) + 1);
            self.text.resize(GetWindowTextW(editor, &self.text[0], static_cast<int>(self.text.size())));
            self.format.cbSize = sizeof(self.format);
            SendMessageW(editor, EM_SETSEL, 0, -1);
            SendMessageW(editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&self.format));
        }
        self.twips.push_back(rect);
        if (render && self.calls)
            self.calls->push_back(L"render " + std::to_wstring(first));
        if (first == self.stallAt)
            return false;
        result.next = last;
        for (const LONG at : self.breaks)
            if (at > first && at < last) {
                result.next = at;
                break;
            }
        return true;
    }
    static void Release(HWND) { ++s_formatter->releases; }

    static inline CFakeFormatter* s_formatter = nullptr;
    CSeamOverride<SRichTextFormatterSeam> m_override;
};

// Calls made when this thread's messages are next dispatched, as commands
// arriving while the spooling pump runs.
class CPostedCalls {
public:
    CPostedCalls()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PrintTestPostedCalls";
        RegisterClassW(&wc);
        m_window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   wc.hInstance, nullptr);
    }
    ~CPostedCalls()
    {
        DestroyWindow(m_window);
        s_calls.clear();
    }

    void Post(std::function<void()> call)
    {
        s_calls.push_back(std::move(call));
        PostMessageW(m_window, WM_APP, 0, 0);
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != WM_APP || s_calls.empty())
            return DefWindowProcW(window, message, wParam, lParam);
        const std::function<void()> call = std::move(s_calls.front());
        s_calls.erase(s_calls.begin());
        call();
        return 0;
    }

    static inline std::vector<std::function<void()>> s_calls;
    HWND m_window = nullptr;
};

// The main window for the span of a test.
class CTestMainWindow {
public:
    CTestMainWindow()
        : m_window(CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                   nullptr, nullptr)),
          m_old(g_hwndApp)
    {
        g_hwndApp = m_window;
    }
    ~CTestMainWindow()
    {
        g_hwndApp = m_old;
        DestroyWindow(m_window);
    }
    HWND Get() const { return m_window; }

private:
    HWND m_window;
    HWND m_old;
};

class PrintTest : public CWindowedStoreTest {
protected:
    void SetUp() override
    {
        CWindowedStoreTest::SetUp();
        m_formatter.calls = &m_job.calls;
    }

    CNote* NoteWith(const std::wstring& text)
    {
        CNote* const note = m_manager.CreateNewNote();
        if (note) {
            Type(*note, text);
            EXPECT_TRUE(m_manager.SaveModifiedNotes());
        }
        return note;
    }

    // The dialog hands back the fake DC with the copies and flags.
    void AnswerPrintDialog(ScopedUiScript& script, WORD copies = 1, DWORD flags = PD_COLLATE)
    {
        script.HandlePrint([this, copies, flags](PRINTDLGW& request) {
            m_request = request;
            request.hDC = m_job.Dc();
            request.nCopies = copies;
            request.Flags = flags;
            return TRUE;
        });
    }

    std::vector<std::wstring> Footers() const
    {
        std::vector<std::wstring> footers;
        for (const CFakePrintJob::SText& text : m_job.Texts())
            if (text.text.find(L" - Page ") != std::wstring::npos)
                footers.push_back(text.text.substr(text.text.find(L"Page ")));
        return footers;
    }

    void ExpectCleanEnd()
    {
        EXPECT_TRUE(IsWindowEnabled(m_main.Get()));
        EXPECT_EQ(FindThreadWindow(L"Quillet is printing"), nullptr);
        EXPECT_EQ(m_job.deletes, 1);
    }

    CModalWatchdog m_watchdog;
    CFakePrintJob m_job;
    CFakeFormatter m_formatter;
    CTestMainWindow m_main;
    PRINTDLGW m_request = {};
};

}  // namespace

TEST(PrintGeometry, PagesAreLaidOutFromTheDeviceCaps)
{
    struct SCase {
        SPrinterCaps caps;
        SPrintGeometry expected;
    };
    SPrintGeometry letter;
    letter.marginX = 350;
    letter.lineRight = 4650;
    letter.headerTop = 360;
    letter.textTop = 660;
    letter.footerBarTop = 5880;
    letter.barThickness = 18;
    letter.text = {350, 660, 4400, 5879};
    SPrintGeometry wide;
    wide.marginX = 150;
    wide.lineRight = 2350;
    wide.headerTop = 300;
    wide.textTop = 600;
    wide.footerBarTop = 6000;
    wide.barThickness = 18;
    wide.text = {150, 600, 2250, 5999};
    for (const SCase& c : {SCase{kLetter600, letter}, SCase{Caps(300, 600, 0, 0, 2550, 6600, 2500), wide}}) {
        const SPrintGeometry g = ComputePrintGeometry(c.caps);
        EXPECT_EQ(g.marginX, c.expected.marginX);
        EXPECT_EQ(g.lineRight, c.expected.lineRight);
        EXPECT_EQ(g.headerTop, c.expected.headerTop);
        EXPECT_EQ(g.textTop, c.expected.textTop);
        EXPECT_EQ(g.footerBarTop, c.expected.footerBarTop);
        EXPECT_EQ(g.barThickness, c.expected.barThickness);
        EXPECT_TRUE(EqualRect(&g.text, &c.expected.text)) << g.text.left << "," << g.text.top << ","
                                                          << g.text.right << "," << g.text.bottom;
    }
    const RECT twips = DeviceToTwips(letter.text, 600, 300);
    EXPECT_EQ(twips.left, 840);
    EXPECT_EQ(twips.top, 3168);
    EXPECT_EQ(twips.right, 10560);
    EXPECT_EQ(twips.bottom, 28219);
}

TEST(PrintGeometry, TheFooterNamesTheDateTimeAndPage)
{
    const CFixedClock clock(COleDateTime(2026, 3, 14, 9, 26, 53));
    const SYSTEMTIME now = GetLocalNow();
    wchar_t date[128] = {};
    wchar_t time[64] = {};
    FormatDateLong(COleDateTime(now).m_dt, date, 128);
    FormatTimeShort(COleDateTime(now).m_dt, time, 64);
    ASSERT_NE(date[0], L'\0');
    const std::wstring stamp = std::wstring(date) + L" " + time + L" - ";
    EXPECT_EQ(FormatPrintFooter(2, 5, now), (stamp + L"Page 3 of 5").c_str());
    EXPECT_EQ(FormatPrintFooter(0, 1, now), (stamp + L"Page 1 of 1").c_str());
    EXPECT_EQ(FormatPrintFooter(0, 0, now), (stamp + L"Page 1 of 1").c_str()) << "no pages";
}

TEST(PrintGeometry, AWindowWithoutLinesPrintsNothing)
{
    const ScopedUiScript script;   // any print dialog would fail the test
    const HWND none = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(PrintNote(none, L"title"));
    EXPECT_TRUE(script.Calls().empty());
    DestroyWindow(none);
}

TEST_F(PrintTest, PagesBreakWhereTheFormatterSaysWithHeaderAndFooterWhereComputed)
{
    const CFixedClock clock(COleDateTime(2026, 3, 14, 9, 26, 0));
    CNote* const note = NoteWith(std::wstring(120, L'x'));
    ASSERT_NE(note, nullptr);
    note->SetTitle(L"Shopping");
    m_formatter.breaks = {40, 90};
    ScopedUiScript script;
    AnswerPrintDialog(script);

    EXPECT_EQ(note->Print(), 1);
    EXPECT_EQ(m_request.lStructSize, 120u);
    EXPECT_EQ(m_request.Flags, 0x11Cu);
    EXPECT_EQ(m_request.nCopies, 1);
    EXPECT_EQ(m_request.hwndOwner, m_main.Get());
    EXPECT_EQ(Narrow(m_job.calls), L"abortproc, startdoc, startpage, render 0, endpage, startpage, render 40, "
                                   L"endpage, startpage, render 90, endpage, enddoc, delete");
    EXPECT_EQ(m_job.documentName, L"Quillet - Shopping");
    const RECT twips = DeviceToTwips(ComputePrintGeometry(kLetter600).text, 600, 600);
    ASSERT_FALSE(m_formatter.twips.empty());
    for (const RECT& rect : m_formatter.twips)
        EXPECT_TRUE(EqualRect(&rect, &twips));
    EXPECT_EQ(m_formatter.releases, 1);
    ExpectCleanEnd();

    const SPrintGeometry g = ComputePrintGeometry(kLetter600);
    const std::vector<CFakePrintJob::SText> texts = m_job.Texts();
    ASSERT_EQ(texts.size(), 6u);
    for (int page = 0; page < 3; ++page) {
        const CFakePrintJob::SText& title = texts[2 * page];
        const CFakePrintJob::SText& footer = texts[2 * page + 1];
        EXPECT_EQ(title.text, L"Shopping");
        EXPECT_EQ(title.at.x, g.marginX);
        EXPECT_EQ(title.at.y, g.headerTop);
        EXPECT_EQ(footer.text, FormatPrintFooter(page, 3, GetLocalNow()).c_str());
        EXPECT_EQ(footer.at.x, g.lineRight) << "right-aligned";
        EXPECT_EQ(footer.at.y, g.footerBarTop + 2 * g.barThickness);
    }
}

TEST_F(PrintTest, AnEmptyNoteIsADocumentWithoutPages)
{
    CNote* const note = NoteWith(L"");
    ASSERT_NE(note, nullptr);
    ScopedUiScript script;
    AnswerPrintDialog(script);
    EXPECT_EQ(note->Print(), 1);
    EXPECT_EQ(Narrow(m_job.calls), L"abortproc, startdoc, enddoc, delete");
    ExpectCleanEnd();
}

TEST_F(PrintTest, ALayoutWithoutProgressPrintsNothing)
{
    CNote* const note = NoteWith(std::wstring(120, L'x'));
    ASSERT_NE(note, nullptr);
    m_formatter.breaks = {40, 90};
    for (const LONG stall : {0L, 40L}) {
        m_formatter.stallAt = stall;
        m_job.Reset();
        CLogCapture log;
        ScopedUiScript script;
        AnswerPrintDialog(script);
        EXPECT_EQ(note->Print(), 0) << stall;
        EXPECT_EQ(Narrow(m_job.calls), L"delete") << "no job";
        EXPECT_TRUE(LogHasLineStarting(log, L"PrintNote - the text makes no progress at character " +
                                                std::to_wstring(stall) + L" of "))
            << stall;
        ExpectCleanEnd();
    }
}

TEST_F(PrintTest, CopiesArePassesWhenCollatedAndRepeatsOtherwise)
{
    CNote* const note = NoteWith(std::wstring(60, L'x'));
    ASSERT_NE(note, nullptr);
    m_formatter.breaks = {40};
    struct SCase {
        DWORD flags;
        const wchar_t* renders;
        std::vector<std::wstring> footers;
    };
    const std::wstring one = L"Page 1 of 2";
    const std::wstring two = L"Page 2 of 2";
    for (const SCase& c : {SCase{PD_COLLATE, L"render 0, render 40, render 0, render 40", {one, two, one, two}},
                           SCase{0, L"render 0, render 0, render 40, render 40", {one, one, two, two}}}) {
        m_job.Reset();
        ScopedUiScript script;
        AnswerPrintDialog(script, 2, c.flags);
        EXPECT_EQ(note->Print(), 1);
        std::vector<std::wstring> renders;
        for (const std::wstring& call : m_job.calls)
            if (call.compare(0, 7, L"render ") == 0)
                renders.push_back(call);
        EXPECT_EQ(Narrow(renders), c.renders);
        EXPECT_EQ(Footers(), c.footers);
    }
}

TEST_F(PrintTest, AFailureOrCancelAbortsTheJobAndGivesTheProgramBack)
{
    CNote* const note = NoteWith(std::wstring(60, L'x'));
    ASSERT_NE(note, nullptr);
    m_formatter.breaks = {40};
    struct SCase {
        const wchar_t* what;
        std::function<void(CFakePrintJob&)> arrange;
        const wchar_t* calls;
    };
    const SCase cases[] = {
        {L"StartDocW fails", [](CFakePrintJob& job) { job.startDocResult = 0; }, L"abortproc, startdoc, delete"},
        {L"StartPage fails on page 2", [](CFakePrintJob& job) { job.failStartPage = 2; },
         L"abortproc, startdoc, startpage, render 0, endpage, startpage, abortdoc, delete"},
        {L"EndPage fails", [](CFakePrintJob& job) { job.failEndPage = 1; },
         L"abortproc, startdoc, startpage, render 0, endpage, abortdoc, delete"},
        {L"cancelled on page 1",
         [](CFakePrintJob& job) {
             job.onEndPage = [](int) {
                 const HWND dialog = FindThreadWindow(L"Quillet is printing");
                 EXPECT_NE(dialog, nullptr);
                 EXPECT_FALSE(IsWindowEnabled(g_hwndApp)) << "disabled while spooling";
                 PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
             };
         },
         L"abortproc, startdoc, startpage, render 0, endpage, aborted, abortdoc, delete"},
    };
    for (const SCase& c : cases) {
        m_job.Reset();
        c.arrange(m_job);
        ScopedUiScript script;
        AnswerPrintDialog(script);
        EXPECT_EQ(note->Print(), 0) << c.what;
        EXPECT_EQ(Narrow(m_job.calls), c.calls) << c.what;
        ExpectCleanEnd();
    }
}

TEST_F(PrintTest, ColouredTextPrintsBlackOnWhite)
{
    CNote* const note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    note->SetText(L"{\\rtf1\\ansi{\\colortbl;\\red255\\green255\\blue255;\\red20\\green20\\blue60;}"
                  L"\\cf1\\highlight2 white on dark}");
    ScopedUiScript script;
    AnswerPrintDialog(script);
    EXPECT_EQ(note->Print(), 1);
    EXPECT_EQ(m_formatter.text.substr(0, 13), L"white on dark");
    EXPECT_TRUE(m_formatter.format.dwMask & CFM_COLOR);
    EXPECT_EQ(m_formatter.format.crTextColor, RGB(0, 0, 0));
    EXPECT_FALSE(m_formatter.format.dwEffects & CFE_AUTOCOLOR);
    EXPECT_EQ(m_formatter.format.crBackColor, RGB(255, 255, 255));
}

TEST_F(PrintTest, TextInEveryScriptReachesThePageAsItIsAndNothingIsWritten)
{
    const std::wstring text = L"Zak\u0142ady \u0130stanbul Vi\u1EC7t \u03A9\u03BC\u03AD\u03B3\u03B1 "
                              L"\u041C\u0438\u0440 \u6F22\u5B57 \U0001F600";
    CNote* const note = NoteWith(text);
    ASSERT_NE(note, nullptr);
    const std::int64_t changes = Scalar(L"select total_changes()");
    ScopedUiScript script;
    AnswerPrintDialog(script);
    EXPECT_EQ(note->Print(), 1);
    EXPECT_EQ(m_formatter.text.substr(0, text.size()), text);
    EXPECT_EQ(Scalar(L"select total_changes()"), changes) << "a print writes no row";
    EXPECT_FALSE(note->IsModified());
}

TEST_F(PrintTest, ThePrintDialogFailingIsLoggedAndItsCancelPrintsNothing)
{
    CNote* const note = NoteWith(L"text");
    ASSERT_NE(note, nullptr);
    static DWORD s_error = 0;
    const CSeamOverride<SCommDlgErrorSeam> errors(g_commDlgErrorSeam, SCommDlgErrorSeam{[] { return s_error; }});
    for (const DWORD error : {DWORD{PDERR_NODEFAULTPRN}, DWORD{0}}) {
        s_error = error;
        CLogCapture log;
        ScopedUiScript script;
        script.AnswerPrint(FALSE);
        EXPECT_EQ(note->Print(), error == 0 ? 1 : 0) << error;
        EXPECT_EQ(LogHasLineStarting(log, L"PrintNote - the print dialog failed, error 0x1008"), error != 0);
        EXPECT_TRUE(m_job.calls.empty()) << "nothing spooled";
        EXPECT_TRUE(IsWindowEnabled(m_main.Get()));
    }
}

TEST_F(PrintTest, AnEditorWithoutANotePrintsNothing)
{
    CRichEditCtrl50WT stray;
    ASSERT_TRUE(stray.CreatePlain(nullptr, RECT{0, 0, 100, 100}));
    CLogCapture log;
    ScopedUiScript script;
    AnswerPrintDialog(script);
    EXPECT_FALSE(PrintNote(stray.Handle(), L"stray"));
    EXPECT_TRUE(LogHasLineStarting(log, L"PrintNote - no text of a note behind the editor "));
    EXPECT_EQ(Narrow(m_job.calls), L"delete") << "no job";
    ExpectCleanEnd();
}

TEST_F(PrintTest, ARefusedPasswordPrintsNothing)
{
    CNote* const note = NoteWith(L"secret");
    ASSERT_NE(note, nullptr);
    note->SetPassword(L"pw");
    note->HideText();
    ScopedUiScript script;
    script.AnswerModal(IDD_UNLOCK_NOTE, IDCANCEL);
    EXPECT_EQ(note->Print(), 0);
    EXPECT_EQ(Narrow(script.Calls()), L"modal 1008") << "no print dialog";
}

// Inside the spooling pump: a second print is refused with a beep, and a
// note deleted there is not touched again.
TEST_F(PrintTest, TheSpoolingPumpRefusesASecondPrintAndSurvivesTheNotesDeletion)
{
    CNote* const note = NoteWith(std::wstring(60, L'x'));
    CNote* const other = NoteWith(L"other");
    ASSERT_NE(note, nullptr);
    ASSERT_NE(other, nullptr);
    m_formatter.breaks = {40};
    const std::int64_t id = note->GetId();
    const HWND otherEditor = other->GetEditHwnd();
    bool secondResult = true;
    CPostedCalls posted;
    m_job.onEndPage = [&](int page) {
        if (page == 1)
            posted.Post([&] { secondResult = PrintNote(otherEditor, L"other"); });
        else
            posted.Post([&] { EXPECT_TRUE(m_manager.DeleteNote(m_manager.GetNote(id))); });
    };
    ScopedUiScript script;
    AnswerPrintDialog(script);
    EXPECT_EQ(note->Print(), 1) << "the pages were spooled from the copy";
    EXPECT_FALSE(secondResult);
    EXPECT_EQ(script.Beeps(), std::vector<UINT>{MB_OK});
    EXPECT_EQ(m_manager.GetNote(id), nullptr);
    ExpectCleanEnd();
}
