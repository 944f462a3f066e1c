// Notes through the legacy format, in central European time: what the writer
// puts where, what a received note keeps, how alarms and dates come back,
// and what an imported file leaves in the database and on the screen.
#include "SticFixtures.h"

#include <objbase.h>

#include <memory>
#include <string>
#include <vector>

#include "exchange/legacynotes.h"
#include "foundation/Preferences.h"
#include "notestore/LoadReruzadu.h"
#include "notestore/Note.h"
#include "notewindows/VeduVure.h"
#include "tests/notestore/RecordTestSupport.h"
#include "tests/notewindows/NoteFrameTestSupport.h"
#include "tests/support/ComApartment.h"

namespace {

const COleDateTime kSummerNoon(2024, 7, 1, 12, 0, 0);      // 1719828000
const COleDateTime kWinterMorning(2024, 1, 1, 11, 0, 0);   // 1704103200
const COleDateTime kAlarm(2030, 1, 15, 9, 30, 0);          // 1894696200
constexpr std::int32_t kAlarmMoment = 1894696200;

unsigned U16At(const std::string& bytes, size_t at)
{
    return static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::string BlockBytes(HGLOBAL block, size_t count)
{
    const char* const bytes = static_cast<const char*>(GlobalLock(block));
    std::string copy = bytes ? std::string(bytes, count) : std::string();
    GlobalUnlock(block);
    return copy;
}

// The change the old frame makes on each side of a rectangle.
RECT OldFrameDelta()
{
    RECT oldFrame = {};
    RECT currentFrame = {};
    AdjustWindowRect(&oldFrame, 0x00870000, FALSE);
    AdjustWindowRect(&currentFrame, 0x00800000, FALSE);
    return RECT{currentFrame.left - oldFrame.left, currentFrame.top - oldFrame.top,
                currentFrame.right - oldFrame.right, currentFrame.bottom - oldFrame.bottom};
}

RECT Shifted(const RECT& rect, const RECT& delta)
{
    return RECT{rect.left + delta.left, rect.top + delta.top, rect.right + delta.right, rect.bottom + delta.bottom};
}

bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

LOGFONTW CyrillicBoldArial(LONG height)
{
    LOGFONTW font = {};
    wcscpy_s(font.lfFaceName, L"Arial");
    font.lfHeight = height;
    font.lfWeight = 700;
    font.lfCharSet = 204;
    return font;
}

bool ToggleWaiting(HWND window)
{
    MSG message = {};
    return PeekMessageW(&message, window, WM_ITSY_MAXIMIZE, WM_ITSY_MAXIMIZE, PM_NOREMOVE) != FALSE;
}

class LegacyNotesTest : public CGroupStoreTest {
protected:
    void SetUp() override
    {
        CGroupStoreTest::SetUp();
        ASSERT_TRUE(m_com.Initialised());
        RegisterNoteFrameClass();
        g_prefs.SmartFit = false;
    }
    void TearDown() override
    {
        m_manager.CloseAll();
        CloseNoteFrames();
        g_prefs = m_savedPrefs;
        CGroupStoreTest::TearDown();
    }

    CNote* StoredNote(const wchar_t* text)
    {
        CNote* const note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().text = text;
        note->Row().placement.length = sizeof(WINDOWPLACEMENT);
        EXPECT_TRUE(m_manager.StoreNote(note));
        return note;
    }

    // A received note's start: a hidden window that nothing stores yet.
    std::unique_ptr<CNote> WindowNote()
    {
        auto note = std::make_unique<CNote>();
        note->SetNoStore(true);
        EXPECT_TRUE(note->CreateNoteWindow(L"", true));
        return note;
    }

    bool Import(const std::string& bytes)
    {
        const HGLOBAL block = GlobalCopy(bytes);
        const bool result = loadReruzaduFromMemory(nullptr, block, static_cast<DWORD>(bytes.size()), false);
        GlobalFree(block);
        return result;
    }

    CComApartment m_com;
    const CPreferences m_savedPrefs = g_prefs;
};

TEST(SticTimeRecords, LocalDatesAreTrueMomentsInSummerAndWinter)
{
    struct Case {
        const char* what;
        COleDateTime date;
        std::int32_t moment;
        unsigned hour, month, daylightSaving;
    };
    const Case cases[] = {
        {"summer", kSummerNoon, 1719828000, 12, 6, 1},
        {"winter", kWinterMorning, 1704103200, 11, 0, 0},
    };
    for (const Case& c : cases) {
        const SticTimeRecord record = MakeSticTimeRecord(c.date);
        EXPECT_EQ(record.time, c.moment) << c.what;
        EXPECT_EQ(record.hour, c.hour) << c.what;
        EXPECT_EQ(record.month, c.month) << c.what;
        EXPECT_EQ(record.year, 124u) << c.what;
        EXPECT_EQ(record.daylightSaving, c.daylightSaving) << c.what;
        EXPECT_EQ(SticRecordDate(record), c.date) << c.what;
    }
    SticTimeRecord bare;
    bare.time = 1719828000;
    bare.daylightSaving = 1;
    EXPECT_EQ(SticRecordDate(bare), kSummerNoon);

    COleDateTime invalid;
    invalid.SetStatus(COleDateTime::invalid);
    for (const COleDateTime& outside : {COleDateTime(2040, 6, 1, 12, 0, 0), COleDateTime(1899, 12, 31, 12, 0, 0), invalid})
        EXPECT_EQ(MakeSticTimeRecord(outside).time, 0) << outside.m_dt;
    for (const std::int32_t none : {0, -5}) {
        bare.time = none;
        EXPECT_FALSE(SticRecordDate(bare).IsValid()) << none;
    }
}

TEST_F(LegacyNotesTest, TheWriterPutsAKnownNoteAtTheFormatsOffsets)
{
    CNote unstored;
    EXPECT_EQ(unstored.SaveToGlobal(), nullptr) << "a database without notes sends nothing";

    CNote* const note = StoredNote(L"Hi there");
    NoteRow& row = note->Row();
    row.name = L"Known";
    row.style = 1;
    row.color = 0x02332211;
    row.colorText = 0x00665544;
    row.alarm.flags = 0x0805;
    row.alarm.frequency = eFrequencyWeekly;
    row.group = 12;
    row.transparency = 128;
    row.placement.showCmd = SW_SHOWNORMAL;
    row.placement.rcNormalPosition = RECT{10, 20, 300, 400};
    note->SetFont(CyrillicBoldArial(-13));

    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 0);
    const int written = note->SaveToMemory(block);
    ASSERT_EQ(written, 8 + 2 + 1544 + 8);
    const std::string bytes = BlockBytes(block, static_cast<size_t>(written));
    GlobalFree(block);
    EXPECT_EQ(bytes.substr(0, 8), SticHead(33, 1));
    EXPECT_EQ(U16At(bytes, 8), 1544u);
    const std::string header = Scrambled(bytes.substr(10, 1544));
    EXPECT_EQ(Scrambled(bytes.substr(1554)), "Hi there");
    EXPECT_EQ(header.substr(0, 6), std::string("Known\0", 6));
    EXPECT_EQ(U16At(header, 64), 1u);
    EXPECT_EQ(U16At(header, 70), 0u) << "a hidden note stores no show command";
    EXPECT_EQ(U16At(header, 80), 10u);
    EXPECT_EQ(U16At(header, 86), 400u);
    EXPECT_EQ(header.substr(88, 3), "\x11\x22\x33");
    EXPECT_EQ(header.substr(91, 6), std::string("Arial\0", 6));
    EXPECT_EQ(U16At(header, 124), 0xFFF3u);
    EXPECT_EQ(U16At(header, 126), 700u);
    EXPECT_EQ(U16At(header, 128), 8u);
    EXPECT_EQ(U16At(header, 130), 0x4805u) << "the character set is marked valid";
    EXPECT_EQ(header[155], 0);
    EXPECT_EQ(header[156], 3) << "weekly";
    EXPECT_EQ(header.substr(157, 3), "\x44\x55\x66");
    EXPECT_EQ(static_cast<unsigned char>(header[679]), 204);
    EXPECT_EQ(header.substr(1028, 3), std::string("12\0", 3));
    EXPECT_EQ(static_cast<unsigned char>(header[1287]), 128);
}

TEST_F(LegacyNotesTest, ALongTextIsCutToWhatTheLengthFieldHolds)
{
    CNote* const note = StoredNote(std::wstring(40000, L'x').c_str());
    CLogCapture log;
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 0);
    const int written = note->SaveToMemory(block);
    ASSERT_EQ(written, 8 + 2 + 1544 + 32767);
    const std::string header = Scrambled(BlockBytes(block, 1554).substr(10));
    GlobalFree(block);
    EXPECT_EQ(U16At(header, 128), 32767u);
    EXPECT_TRUE(LogHasLineStarting(log, L"SaveToMemory - note "));
}

// The title is converted whole and then cut: 40 characters of two bytes each
// leave 31 of them in the 63 bytes, never a lead byte alone.
TEST_F(LegacyNotesTest, ATitleInADoubleByteCodePageIsCutBetweenCharacters)
{
    const LCID saved = GetThreadLocale();
    SetThreadLocale(MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT));
    if (ThreadAnsiCodePage() != 932) {
        SetThreadLocale(saved);
        GTEST_SKIP() << "code page 932 is not the thread's here";
    }
    CNote* const note = StoredNote(L"text");
    note->Row().name = std::wstring(40, L'\u65E5');
    const HGLOBAL block = note->SaveToGlobal();
    SetThreadLocale(saved);
    ASSERT_NE(block, nullptr);
    const std::string header = Scrambled(BlockBytes(block, 1554).substr(10));
    GlobalFree(block);
    std::string expected;
    for (int i = 0; i < 31; ++i)
        expected += "\x93\xFA";
    EXPECT_EQ(header.substr(0, 63), expected + '\0');
}

TEST_F(LegacyNotesTest, ANoteSentInTheLegacyFormArrivesWithItsValuesAndANewGuid)
{
    CFixedClock clock(COleDateTime(2026, 3, 20, 10, 0, 0));
    const CGroup* const group = CGroups::AddGroup(-1, L"Work", RGB(1, 2, 3));
    ASSERT_NE(group, nullptr);
    CNote* const source = StoredNote(L"Price 5 \u20AC only");
    NoteRow& row = source->Row();
    row.name = L"Round trip";
    source->SetColor(RGB(0x11, 0x22, 0x33));
    row.colorText = RGB(0x44, 0x55, 0x66);
    source->SetFont(CyrillicBoldArial(-15));
    row.alarm.alarmDate = kAlarm;
    row.alarm.popupDate = kAlarm - COleDateTimeSpan(2, 0, 0, 0);
    row.alarm.period = ePeriodDays;
    row.alarm.periodCount = 2;
    row.alarm.frequency = eFrequencyWeekly;
    row.alarm.flags = kAlarmActive | kAlarmPopupPending | kAlarmSet | kAlarmPopupFromPeriod | 0xC00;
    row.transparency = 128;
    row.group = group->GetId();
    GUID guid = {};
    ASSERT_EQ(CoCreateGuid(&guid), S_OK);
    source->SetGuid(guid);
    ASSERT_TRUE(m_manager.StoreNote(source));
    // After the store, which stamps the update date.
    row.creationDate = kSummerNoon;
    row.lastUpdateDate = kWinterMorning;

    const HGLOBAL block = source->SaveToGlobal();
    ASSERT_NE(block, nullptr);
    const std::string bytes = BlockBytes(block, GlobalSize(block));
    GlobalFree(block);
    CNote* const received = m_manager.CreateNoteFromBuffer(reinterpret_cast<const BYTE*>(bytes.data()),
                                                            static_cast<int>(bytes.size()));
    ASSERT_NE(received, nullptr);

    const NoteRow& got = received->Row();
    EXPECT_EQ(got.name, L"Round trip");
    EXPECT_EQ(got.text, L"Price 5 \u20AC only");
    EXPECT_EQ(got.color, row.color);
    EXPECT_EQ(got.colorText, row.colorText);
    const LOGFONTW gotFont = received->GetLogFont();
    EXPECT_STREQ(gotFont.lfFaceName, L"Arial");
    EXPECT_EQ(gotFont.lfHeight, -15);
    EXPECT_EQ(gotFont.lfWeight, 700);
    EXPECT_EQ(gotFont.lfCharSet, 204);
    EXPECT_EQ(got.alarm.flags, row.alarm.flags);
    EXPECT_EQ(got.alarm.frequency, eFrequencyWeekly);
    EXPECT_EQ(got.alarm.period, ePeriodDays);
    EXPECT_EQ(got.alarm.periodCount, 2);
    EXPECT_EQ(got.alarm.alarmDate, kAlarm);
    EXPECT_EQ(got.alarm.popupDate, row.alarm.popupDate);
    EXPECT_EQ(got.transparency, 128);
    EXPECT_EQ(got.creationDate, kSummerNoon);
    EXPECT_EQ(got.lastUpdateDate, kWinterMorning);
    EXPECT_NE(got.guid, row.guid);
    EXPECT_FALSE(IsEqualGUID(received->GetGuid(), GUID{}));
    EXPECT_EQ(got.group, 0);
}

// Placing the alarm dates must not switch an alarm on, nor set one without a date.
TEST_F(LegacyNotesTest, TheStoredAlarmStateComesBackAsItWas)
{
    CFixedClock clock(COleDateTime(2026, 3, 20, 10, 0, 0));
    struct Case {
        const char* what;
        unsigned flags;
        std::int32_t moment;
        unsigned state;
        COleDateTime alarm;
        COleDateTime due;
    };
    const COleDateTime never(0.0);
    const Case cases[] = {
        {"active with a one-day reminder", 0x0F, kAlarmMoment, 0x0F, kAlarm, kAlarm - COleDateTimeSpan(1, 0, 0, 0)},
        {"set but switched off", 0x04, kAlarmMoment, 0x04, kAlarm, never},
        {"a reminder bit alone", 0x08, kAlarmMoment, 0x08, kAlarm, never},
        {"none", 0x00, kAlarmMoment, 0x00, never, never},
        {"set without a time", 0x05, 0, 0x00, never, never},
    };
    for (const Case& c : cases) {
        CSticHeaderBytes header;
        header.U16(130, c.flags).Time(132, c.moment, {30, 9, 15, 0, 130, 2, 14, 0}).U16(152, 2).U8(154, 1);
        const std::string bytes = SticHead(33, 1) + SticNoteBytes(33, header, "alarm");
        const std::unique_ptr<CNote> note = WindowNote();
        ASSERT_TRUE(note->ReadFromBuffer(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<int>(bytes.size())))
            << c.what;
        const CNoteAlarm& alarm = note->Alarm();
        EXPECT_EQ(alarm.flags & 0x0Fu, c.state) << c.what;
        EXPECT_EQ(alarm.alarmDate, c.alarm) << c.what;
        EXPECT_EQ(alarm.calculatedDate, c.due) << c.what;
        note->DestroyNoteWindow(true);
    }
}

TEST_F(LegacyNotesTest, OutOfRangeFieldsReadAsTheirDefaults)
{
    CFixedClock clock(COleDateTime(2026, 3, 20, 10, 0, 0));
    CSticHeaderBytes header;
    header.U32(64, 7)                                   // alignment
        .U16(130, 0x0D)
        .Time(132, kAlarmMoment, {30, 9, 15, 0, 130, 2, 14, 0})
        .U16(152, 5)                                    // reminder unit
        .U8(154, 2)
        .U8(156, 9)                                     // repeat code
        .U8(1287, 0);                                   // transparency
    const std::string bytes = SticHead(33, 1) + SticNoteBytes(33, header, "odd");
    const std::unique_ptr<CNote> note = WindowNote();
    ASSERT_TRUE(note->ReadFromBuffer(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<int>(bytes.size())));
    EXPECT_EQ(note->Row().style, 0u);
    EXPECT_EQ(note->Alarm().period, ePeriodMinutes);
    EXPECT_EQ(note->Alarm().popupDate, kAlarm - COleDateTimeSpan(0, 0, 2, 0));
    EXPECT_EQ(note->Alarm().frequency, eFrequencyOnce);
    EXPECT_EQ(note->Row().transparency, 255);
    note->DestroyNoteWindow(true);
}

TEST_F(LegacyNotesTest, AReceivedBufferGivesItsFirstNoteOrNothing)
{
    const std::string first = SticNoteBytes(33, CSticHeaderBytes().Put(0, "first"), "one");
    const std::string second = SticNoteBytes(33, CSticHeaderBytes().Put(0, "second"), "two");
    struct Case {
        const char* what;
        std::string bytes;
        bool result;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"two notes: the first only", SticHead(33, 2) + first + second, true, L"one"},
        {"count 0", SticHead(33, 0), false, L""},
        {"the first note cut", SticHead(33, 1) + first.substr(0, 40), false, L""},
    };
    for (const Case& c : cases) {
        CLogCapture log;
        const std::unique_ptr<CNote> note = WindowNote();
        EXPECT_EQ(note->ReadFromBuffer(reinterpret_cast<const BYTE*>(c.bytes.data()), static_cast<int>(c.bytes.size())),
                  c.result)
            << c.what;
        EXPECT_EQ(note->Row().text, c.text) << c.what;
        EXPECT_EQ(m_manager.GetNoteCount(), 0) << c.what << ": nothing stored";
        note->DestroyNoteWindow(true);
    }
}

// Old notes: the frame conversion of every side, the roll rectangle sized
// and handed to the frame, hidden notes unloaded with their group.
TEST_F(LegacyNotesTest, AnImportStoresEveryNoteShowsTheVisibleOnesAndKeepsGroups)
{
    const CGroup* const group = CGroups::AddGroup(-1, L"Home", RGB(0x12, 0x34, 0x56));
    ASSERT_NE(group, nullptr);
    const RECT delta = OldFrameDelta();
    CSticHeaderBytes oldNote;
    oldNote.Put(0, "old frame").U16(80, 100).U16(82, 120).U16(84, 300).U16(86, 250).U8(155, 1)
        .U16(160, 100).U16(162, 120).U16(164, 340).U16(166, 330);
    CSticHeaderBytes current;
    current.Put(0, "current").U16(130, 0x0800).U16(80, 400).U16(82, 100).U16(84, 600).U16(86, 300).U8(155, 1);
    CSticHeaderBytes hidden;
    hidden.Put(0, "hidden").U16(130, 0x0800).U16(80, 10).U16(82, 10).U16(84, 200).U16(86, 200)
        .Put(1028, std::to_string(group->GetId()));
    const std::string file = SticHead(33, 3) + SticNoteBytes(33, oldNote, "first") +
                             SticNoteBytes(33, current, "second") + SticNoteBytes(33, hidden, "third");

    ASSERT_TRUE(Import(file));
    EXPECT_EQ(Scalar(L"select count(*) from `notes`"), 3);
    EXPECT_EQ(Scalar(L"select count(*) from `search2`"), 3);
    std::vector<CNote*> shown;
    for (const std::int64_t id : m_manager.GetVisibleNoteIDs())
        shown.push_back(m_manager.GetNote(id));
    ASSERT_EQ(shown.size(), 2u);
    for (const CNote* note : shown)
        ASSERT_TRUE(note && note->GetHwnd() && IsWindowVisible(note->GetHwnd()));

    const CNote& rolled = *shown[0];
    EXPECT_EQ(rolled.GetName(), L"old frame");
    EXPECT_TRUE(SameRect(rolled.Row().placement.rcNormalPosition, Shifted(RECT{100, 120, 300, 250}, delta)));
    const RECT roll = Shifted(RECT{100, 120, 340, 330}, delta);
    EXPECT_TRUE(SameRect(rolled.Row().minimizeRect, roll));
    RECT window = {};
    GetWindowRect(rolled.GetHwnd(), &window);
    EXPECT_EQ(window.right - window.left, roll.right - roll.left);
    EXPECT_EQ(window.bottom - window.top, roll.bottom - roll.top);
    EXPECT_TRUE(ToggleWaiting(rolled.GetHwnd())) << "the frame decides the roll state";
    EXPECT_FALSE(ToggleWaiting(shown[1]->GetHwnd())) << "a known roll state is left alone";
    // The roll rectangle's editor has height: the frame rolls the note up.
    PumpMessages();
    EXPECT_EQ(rolled.Row().alarm.flags & 0x1800u, 0x1800u);
    RECT extents = {};
    ItsyAdjustWindowRect(rolled.GetHwnd(), extents);
    GetWindowRect(rolled.GetHwnd(), &window);
    EXPECT_EQ(window.bottom - window.top, extents.bottom - extents.top - 1) << "the caption's height";
    EXPECT_EQ(shown[1]->Row().alarm.flags & 0x1000u, 0u);
    ASSERT_TRUE(m_manager.StoreNote(shown[0]));
    EXPECT_EQ(Scalar(L"select `alarm_alarmflags` & 6144 from `notes` where `name` = 'old frame'"), 6144);
    EXPECT_TRUE(SameRect(shown[1]->Row().placement.rcNormalPosition, RECT{400, 100, 600, 300}));

    EXPECT_EQ(Scalar(L"select `group` from `notes` where `name` = 'hidden' and `visible` = 0"), group->GetId());
    EXPECT_EQ(Scalar(L"select `color` & 16777215 from `notes` where `name` = 'hidden'"),
              static_cast<std::int64_t>(RGB(0x12, 0x34, 0x56)));
}

TEST_F(LegacyNotesTest, AnImportCutInsideItsSecondNoteKeepsTheFirst)
{
    const std::string first = SticNoteBytes(33, CSticHeaderBytes().Put(0, "kept").U16(130, 0x0800), "one");
    const std::string second = SticNoteBytes(33, CSticHeaderBytes().Put(0, "lost").U16(130, 0x0800), "two");
    CLogCapture log;
    EXPECT_FALSE(Import(SticHead(33, 2) + first + second.substr(0, 600)));
    EXPECT_TRUE(log.Contains(L"loadReruzaduFromMemory (readFromGlobal <33) failed"));
    EXPECT_EQ(Scalar(L"select count(*) from `notes` where `name` = 'kept'"), 1);
    EXPECT_EQ(Scalar(L"select count(*) from `notes`"), 1);
}

}  // namespace
