// The rich-edit control: text streamed in and out without loss, the plain
// text of note texts, the paste rules and the embedded callback.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include "foundation/Seams.h"
#include "framework/ComPtr.h"
#include "notewindows/RichEditCtrl.h"
#include "notewindows/RichEditIds.h"

namespace {

const RECT kArea = { 0, 0, 400, 300 };

struct PlainControl : CRichEditCtrl50WT {
    PlainControl() { EXPECT_TRUE(CreatePlain(nullptr, kArea)); }

    CStdStr Plain() const
    {
        CStdStr text;
        EXPECT_TRUE(StreamOutText(text, false, false));
        return text;
    }
};

TEST(RichEditStreaming, TextComesBackAsItWent)
{
    struct Case {
        const wchar_t* in;
        bool rtf;
        const wchar_t* plain;
        const char* fault;
    };
    const Case cases[] = {
        { L"{\\rtf1 Hello}", true, L"Hello", "RTF read as RTF" },
        { L"{\\rtf1 price \\u8364?}", true, L"price \u20AC", "escaped Unicode in RTF" },
        { L"{\\rtf1 caf\u00E9}", true, L"caf\u00E9", "raw \u00E9 garbled into two characters" },
        { L"{\\rtf1 \u65E5\u672C}", true, L"\u65E5\u672C", "raw CJK lost" },
        { L"{\\rtf1 a\U0001F600b}", true, L"a\U0001F600b", "a surrogate pair split or lost" },
        { L"{\\rtf1 \u042F\uFFFD}", true, L"\u042F\uFFFD", "characters at and above U+8000 written unsigned" },
        { L"\u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C", false, L"\u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C",
          "plain Unicode text narrowed" },
        { L"{\\rtf1 x}", false, L"{\\rtf1 x}", "plain text parsed as RTF" },
    };
    PlainControl control;
    for (const Case& c : cases) {
        SetWindowTextW(control.Handle(), L"");
        EXPECT_GT(control.StreamInText(c.in, c.rtf, false), 0) << c.fault;
        EXPECT_EQ(control.Plain(), c.plain) << c.fault;
    }
}

TEST(RichEditStreaming, BoldSurvivesARoundTripThroughRtf)
{
    PlainControl source;
    source.StreamInText(L"bold", false, false);
    source.SelectAll();
    CHARFORMAT2W bold = {};
    bold.cbSize = sizeof(bold);
    bold.dwMask = CFM_BOLD;
    bold.dwEffects = CFE_BOLD;
    ASSERT_TRUE(source.SetCharFormat(bold, SCF_SELECTION));
    CStdStr rtf;
    ASSERT_TRUE(source.StreamOutText(rtf, true, false));
    EXPECT_EQ(rtf.compare(0, 5, L"{\\rtf"), 0);

    PlainControl target;
    ASSERT_GT(target.StreamInText(rtf, true, false), 0);
    EXPECT_EQ(target.Plain(), L"bold");
    target.SetSel(1, 3);
    CHARFORMAT2W read = {};
    target.GetCharFormat(read, true);
    EXPECT_TRUE((read.dwMask & CFM_BOLD) && (read.dwEffects & CFE_BOLD));
}

TEST(RichEditStreaming, TheSelectionStreamsAloneAndStaysSelected)
{
    PlainControl control;
    control.StreamInText(L"one two three", false, false);
    control.SetSel(4, 7);
    CStdStr selected;
    ASSERT_TRUE(control.StreamOutText(selected, false, true));
    EXPECT_EQ(selected, L"two");
    const CHARRANGE kept = control.GetSel();
    EXPECT_EQ(kept.cpMin, 4);
    EXPECT_EQ(kept.cpMax, 7);

    EXPECT_GT(control.StreamInText(L"{\\rtf1 2}", true, true), 0);
    EXPECT_EQ(control.Plain(), L"one 2 three") << "into the selection replaces it alone";
}

TEST(RichEditStreaming, AFailedStreamGivesNothing)
{
    CRichEditCtrl50WT none;
    CStdStr text = L"kept";
    EXPECT_EQ(none.StreamInText(L"{\\rtf1 x}", true, false), 0);
    EXPECT_FALSE(none.StreamOutText(text, true, false));
    EXPECT_FALSE(none.StreamOutText(text, false, false));
    EXPECT_EQ(text, L"kept");
}

TEST(RtfToPlainText, ConvertsRtfAndPassesOtherTextThrough)
{
    EXPECT_EQ(RtfToPlainText(L"{\\rtf1\\ansi first \\b note\\b0}"), L"first note");
    EXPECT_EQ(RtfToPlainText(L"plain"), L"plain");
    EXPECT_EQ(RtfToPlainText(L"{\\rtf1 \u00E9t\u00E9}"), L"\u00E9t\u00E9");
    EXPECT_EQ(RtfToPlainText(L""), L"");
}

TEST(RtfToPlainText, RtfThatLoadsNothingNeverGivesAnEarlierText)
{
    ASSERT_EQ(RtfToPlainText(L"{\\rtf1 earlier note}"), L"earlier note");
    CLogCapture log;
    EXPECT_EQ(RtfToPlainText(L"{\\rtf1}"), L"");
    EXPECT_FALSE(log.Lines().empty()) << "the empty result is logged";
}

TEST(PasteRules, DecideFormatAndAnswer)
{
    const SRichEditFormats formats = { 0xC001, 0xC002, 0xC003 };
    const CLIPFORMAT rtf = formats.rtf, objects = formats.richObjects;
    const CLIPFORMAT unicode = CF_UNICODETEXT, ansi = CF_TEXT, bitmap = CF_BITMAP;
    struct Case {
        bool really, own;
        CLIPFORMAT requested;
        bool forcePlain;
        std::vector<CLIPFORMAT> available;
        HRESULT result;
        CLIPFORMAT format;
        bool announce;
        const char* fault;
    };
    const Case cases[] = {
        { false, false, 0, false, { rtf, unicode }, S_FALSE, 0, false, "a question is no paste" },
        { true, true, 0, true, { rtf, unicode }, S_OK, 0, false, "between notes keeps formatting" },
        { true, true, rtf, true, { rtf, unicode }, S_OK, rtf, false, "own data keeps the format asked" },
        { true, false, 0, false, { objects, rtf, unicode }, S_OK, objects, true, "richest format first" },
        { true, false, 0, false, { rtf, unicode, ansi }, S_OK, rtf, true, "RTF before text" },
        { true, false, 0, false, { unicode, ansi }, S_OK, unicode, true, "Unicode before CF_TEXT" },
        { true, false, 0, false, { ansi }, S_OK, ansi, true, "CF_TEXT only without Unicode" },
        { true, false, rtf, false, { rtf, unicode }, S_OK, rtf, true, "a format asked for stays" },
        { true, false, 0, true, { rtf, unicode, ansi }, S_OK, unicode, true, "forced plain takes Unicode" },
        { true, false, 0, true, { rtf, ansi }, S_OK, ansi, true, "forced plain falls back to CF_TEXT" },
        { true, false, 0, true, { bitmap }, S_FALSE, ansi, true, "forced plain without text refuses" },
    };
    for (const Case& c : cases) {
        SPasteRequest request;
        request.really = c.really;
        request.ownerInProcess = c.own;
        request.requested = c.requested;
        request.forcePlain = c.forcePlain;
        request.available = c.available;
        const SPasteDecision decision = DecidePaste(request, formats);
        EXPECT_EQ(decision.result, c.result) << c.fault;
        if (c.result == S_OK) {
            EXPECT_EQ(decision.format, c.format) << c.fault;
        }
        EXPECT_EQ(decision.announce, c.announce) << c.fault;
    }
}

// The clipboard as another program leaves it: no owner of ours.
void PutForeignText(const wchar_t* text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(block), text, bytes);
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
}

TEST(RichEditCallback, QueryAcceptDataReadsTheClipboardAndAnnounces)
{
    PlainControl control;
    PutForeignText(L"from elsewhere");
    MSG stale = {};
    while (PeekMessageW(&stale, control.Handle(), 0, 0, PM_REMOVE)) {
    }
    CRichEditCtrl50WT::SetForcePlainPaste(true);
    CLIPFORMAT format = 0;
    EXPECT_EQ(control.OleCallback()->QueryAcceptData(nullptr, &format, RECO_PASTE, TRUE, nullptr), S_OK);
    CRichEditCtrl50WT::SetForcePlainPaste(false);
    EXPECT_EQ(format, CF_UNICODETEXT);
    MSG announced = {};
    ASSERT_TRUE(PeekMessageW(&announced, control.Handle(), control.Formats().pasteMessage,
                             control.Formats().pasteMessage, PM_REMOVE));
    EXPECT_EQ(announced.wParam, static_cast<WPARAM>(CF_UNICODETEXT));

    format = 0;
    EXPECT_EQ(control.OleCallback()->QueryAcceptData(nullptr, &format, RECO_PASTE, FALSE, nullptr), S_FALSE);
}

TEST(RichEditCallback, LivesInItsControlAndMakesStorageOnDemand)
{
    PlainControl control;
    EXPECT_TRUE(control.IsCallbackInstalled());
    IRichEditOleCallback* const callback = control.OleCallback();

    CComPtr<IUnknown> unknown;
    EXPECT_EQ(callback->QueryInterface(IID_IUnknown, unknown.Receive()), S_OK);
    CComPtr<IUnknown> other;
    EXPECT_EQ(callback->QueryInterface(IID_IDataObject, other.Receive()), E_NOINTERFACE);
    unknown.Reset();
    // Down to zero and beyond: nothing is freed by the count.
    callback->AddRef();
    callback->Release();

    CComPtr<IStorage> first, second;
    ASSERT_EQ(callback->GetNewStorage(first.ReceiveTyped()), S_OK);
    ASSERT_EQ(callback->GetNewStorage(second.ReceiveTyped()), S_OK);
    STATSTG stat = {};
    ASSERT_EQ(second->Stat(&stat, STATFLAG_DEFAULT), S_OK);
    EXPECT_STREQ(stat.pwcsName, L"REOLEStorage2");
    CoTaskMemFree(stat.pwcsName);

    LPOLEINPLACEFRAME frame = reinterpret_cast<LPOLEINPLACEFRAME>(1);
    LPOLEINPLACEUIWINDOW document = reinterpret_cast<LPOLEINPLACEUIWINDOW>(1);
    OLEINPLACEFRAMEINFO info = {};
    EXPECT_FALSE(SUCCEEDED(callback->GetInPlaceContext(&frame, &document, &info)))
        << "no success without the interfaces";
    EXPECT_EQ(frame, nullptr);
    EXPECT_EQ(document, nullptr);
}

// Wine never asks; on Windows every rich paste and drop does.
TEST(RichEditCallback, OnlyStaticPicturesAreInserted)
{
    PlainControl control;
    IRichEditOleCallback* const callback = control.OleCallback();
    const auto ole = [](unsigned long data1) {
        return GUID{ data1, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
    };
    struct Case {
        const char* what;
        GUID classId;
        HRESULT answer;
    };
    const Case cases[] = {
        { "metafile picture", ole(0x00000315), S_OK },
        { "bitmap picture", ole(0x00000316), S_OK },
        { "enhanced metafile picture", ole(0x00000319), S_OK },
        { "embedded document", ole(0x00020906), S_FALSE },
        { "packaged file", ole(0x0003000C), S_FALSE },
        { "link", ole(0x00000300), S_FALSE },
        { "unknown", { 0x12345678, 0x1234, 0x1234, { 1, 2, 3, 4, 5, 6, 7, 8 } }, S_FALSE },
    };
    CLogCapture log;
    for (const Case& c : cases) {
        GUID classId = c.classId;
        EXPECT_EQ(callback->QueryInsertObject(&classId, nullptr, 0), c.answer) << c.what;
    }
    EXPECT_EQ(callback->QueryInsertObject(nullptr, nullptr, 0), S_FALSE);
    EXPECT_TRUE(log.Contains(L"Rich edit: an embedded or linked object was not inserted"));
}

}  // namespace
