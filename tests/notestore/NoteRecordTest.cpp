// The note record: display names, the text forms of fonts and GUIDs, the
// setters' update rule, and whole rows through the database.
#include "notestore/Note.h"

#include "RecordTestSupport.h"
#include "toolkit/ColorMath.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

const COleDateTime kCreated(2026, 3, 20, 10, 0, 0);
const COleDateTime kLater(2026, 3, 20, 11, 30, 0);

TEST(CNoteRecord, DisplayNames)
{
    const std::wstring line100(100, L'x');
    const std::wstring text300(300, L'y');
    // 64 characters, then a character outside the BMP across the 65th.
    const std::wstring smile = std::wstring(64, L'a') + L"\U0001F600" + L"b\r\nc";
    struct Case {
        std::int64_t id;
        const wchar_t* name;
        std::wstring text;
        std::wstring expected;
    };
    const Case cases[] = {
        {1, L"Title", L"Shopping\r\nMilk", L"Title"},
        {1, L"", L"Shopping\r\nMilk", L"Shopping"},
        {1, L"", L"Shopping\nMilk", L"Shopping"},                 // line feed alone keeps the last letter
        {1, L"", line100 + L"\r\nrest", std::wstring(65, L'x')},
        {1, L"", text300, std::wstring(255, L'y')},
        {1, L"", L"Shopping", L"Shopping"},
        {16777216, L"", L"\r\nMilk", L"(Untitled) #1"},
        {5, L"", L"\nMilk", L"(Untitled) #5"},
        {7, L"", L"", L"(Untitled) #7"},
        {1, L"", smile, std::wstring(64, L'a')},                   // never half a surrogate pair
    };
    for (const Case& c : cases)
        EXPECT_EQ(CNote::MakeDisplayName(c.id, c.name, c.text), c.expected) << c.text.substr(0, 20);
}

TEST(CNoteRecord, GetDisplayNameStoresAChangedName)
{
    CFixedClock clock(kCreated);
    CNote note;
    note.SetId(3);
    note.Row().text = L"Shopping\r\nMilk";
    CFixedClock::Set(kLater);
    EXPECT_EQ(note.GetDisplayName(), L"Shopping");
    EXPECT_EQ(note.Row().displayName, L"Shopping");
    EXPECT_TRUE(note.IsModified());
    EXPECT_EQ(note.Row().lastUpdateDate, kLater);

    note.SetModified(false);
    CFixedClock::Set(kLater + COleDateTimeSpan(1.0));
    EXPECT_EQ(note.GetDisplayName(), L"Shopping");
    EXPECT_FALSE(note.IsModified());
    EXPECT_EQ(note.Row().lastUpdateDate, kLater);
}

TEST(CNoteRecord, NewNoteDefaults)
{
    CFixedClock clock(kCreated);
    CNote note;
    EXPECT_EQ(note.GetId(), -1);
    EXPECT_TRUE(note.Row().autoResize);
    EXPECT_EQ(note.Row().creationDate, kCreated);
    EXPECT_EQ(note.Row().lastUpdateDate, kCreated);
    EXPECT_EQ(note.GetGroup(), kNoGroup);
    EXPECT_FALSE(note.IsModified());
    const LOGFONTW zero = {};
    const LOGFONTW font = note.GetLogFont();
    EXPECT_EQ(std::memcmp(&font, &zero, sizeof font), 0);
    EXPECT_EQ(note.Alarm().calculatedDate, COleDateTime(0.0));
}

LOGFONTW SampleFont(const wchar_t* face)
{
    LOGFONTW font = {};
    font.lfHeight = -17;
    font.lfWidth = 3;
    font.lfEscapement = 900;
    font.lfOrientation = 450;
    font.lfWeight = 700;
    font.lfItalic = 1;
    font.lfUnderline = 1;
    font.lfCharSet = 204;
    font.lfOutPrecision = 3;
    font.lfClipPrecision = 2;
    font.lfQuality = 5;
    font.lfPitchAndFamily = 0x22;
    wcscpy(font.lfFaceName, face);
    return font;
}

TEST(CNoteRecord, FontTextRoundTrips)
{
    const std::wstring face31(31, L'F');
    for (const wchar_t* face : {L"Segoe UI", face31.c_str()}) {
        const LOGFONTW font = SampleFont(face);
        LOGFONTW parsed;
        std::memset(&parsed, 0xCC, sizeof parsed);
        TextToFont(FontToText(font).c_str(), parsed);
        EXPECT_EQ(std::memcmp(&parsed, &font, sizeof font), 0) << FontToText(font).c_str();
    }
    // An empty face fails the face field: the fallback font.
    LOGFONTW faceless;
    TextToFont(FontToText(SampleFont(L"")).c_str(), faceless);
    EXPECT_EQ(faceless.lfHeight, -10);
    EXPECT_EQ(faceless.lfPitchAndFamily, FF_SWISS);
    EXPECT_EQ(FontToText(SampleFont(L"Arial")), L"-17,3,900,450,700,1,1,0,204,3,2,5,34,\"Arial\"");
}

TEST(CNoteRecord, FontTextFromPeersStaysInsideTheStruct)
{
    struct Guarded {
        LOGFONTW font;
        unsigned char guard[64];
    } guarded;
    std::memset(&guarded, 0xAB, sizeof guarded);
    const std::wstring text = L"-12,0,0,0,400,0,0,0,0,0,0,0,0,\"" + std::wstring(40, L'W') + L"\"";
    TextToFont(text.c_str(), guarded.font);
    EXPECT_EQ(std::wstring(guarded.font.lfFaceName), std::wstring(31, L'W'));
    for (const unsigned char byte : guarded.guard)
        ASSERT_EQ(byte, 0xAB);

    LOGFONTW fallback;
    TextToFont(L"not a font", fallback);
    EXPECT_EQ(fallback.lfHeight, -10);
    EXPECT_EQ(fallback.lfPitchAndFamily, 32);
    EXPECT_EQ(fallback.lfClipPrecision, 18);
    EXPECT_STREQ(fallback.lfFaceName, L"");
}

TEST(CNoteRecord, GuidTexts)
{
    const GUID guid = {0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}};
    const wchar_t* const text = L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
    EXPECT_EQ(GuidToText(guid), text);
    EXPECT_TRUE(IsEqualGUID(TextToGuid(text), guid));
    EXPECT_TRUE(IsEqualGUID(TextToGuid(L"{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}"), guid));

    const wchar_t* const refused[] = {
        L"Shell.Explorer",                                 // a program id, not a GUID
        L"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9",           // no braces
        L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F}",          // one digit short
        L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}x",        // trailing text
        L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8G9}",         // not hexadecimal
        L"{0A1B2C3D+4E5F-6071-8293-A4B5C6D7E8F9}",
        L"{-A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}",
        L"",
        nullptr,
    };
    for (const wchar_t* bad : refused)
        EXPECT_TRUE(IsEqualGUID(TextToGuid(bad), GUID{})) << (bad ? bad : L"(null)");
}

TEST(CNoteRecord, SettersTouchOnlyOnChange)
{
    CFixedClock clock(kCreated);
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    placement.rcNormalPosition = {10, 20, 200, 220};
    const RECT rect = {1, 2, 3, 4};
    const GUID guid = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    const LOGFONTW font = SampleFont(L"Arial");
    const std::pair<const char*, std::function<void(CNote&)>> setters[] = {
        {"password", [](CNote& n) { n.SetPassword(L"secret"); }},
        {"creation date", [](CNote& n) { n.SetCreationDate(COleDateTime(40000.5)); }},
        {"placement", [&](CNote& n) { n.SetWindowPlacement(placement); }},
        {"roll-up rectangle", [&](CNote& n) { n.SetMinimizeRect(rect); }},
        {"group", [](CNote& n) { n.SetGroupId(0x100000005LL); }},
        {"guid", [&](CNote& n) { n.SetGuid(guid); }},
        {"font", [&](CNote& n) { n.SetFont(font); }},
    };
    for (const auto& [what, set] : setters) {
        CFixedClock::Set(kCreated);
        CNote note;
        CFixedClock::Set(kLater);
        set(note);
        EXPECT_TRUE(note.IsModified()) << what;
        EXPECT_EQ(note.Row().lastUpdateDate, kLater) << what;

        note.SetModified(false);
        CFixedClock::Set(kLater + COleDateTimeSpan(1.0));
        set(note);
        EXPECT_FALSE(note.IsModified()) << what;
        EXPECT_EQ(note.Row().lastUpdateDate, kLater) << what;
    }
}

// The background is the note colour at half the lightness of a light colour,
// twice that of a dark one, and a mid shade for near black.
TEST(CNoteRecord, ColourAndItsBackgroundShade)
{
    struct Case {
        COLORREF color;
        float lightness;
    };
    const Case cases[] = {
        {RGB(51, 51, 51), 0.4f},
        {RGB(153, 153, 153), 0.3f},
        {RGB(1, 1, 1), 0.25f},   // 0.004 doubled stays below 0.01
        {RGB(0, 0, 0), 0.25f},
    };
    for (const Case& c : cases) {
        CNote note;
        note.SetColor(c.color | 0xFF000000);
        EXPECT_EQ(note.GetColor(), c.color | 0x02000000u) << c.color;
        float hue = 0, saturation = 0, lightness = 0;
        RgbToHsl(note.GetColorBk(), hue, saturation, lightness);
        EXPECT_NEAR(lightness, c.lightness, 0.005f) << c.color;
    }

    CNote note;
    note.SetLastUpdateDate(kCreated);
    note.SetModified(false);
    note.SetColor(RGB(10, 20, 30));
    EXPECT_TRUE(note.IsModified());
    note.SetLastUpdateDate(kCreated);
    note.SetModified(false);
    note.SetColor(RGB(10, 20, 30));
    EXPECT_FALSE(note.IsModified()) << "the same colour again";
}

TEST(CNoteRecord, UpdateDateAndGuidTextAreTakenAsGiven)
{
    CFixedClock clock(kCreated);
    CNote note;
    CFixedClock::Set(kLater);
    const COleDateTime imported(41000.25);
    note.SetLastUpdateDate(imported);
    EXPECT_EQ(note.Row().lastUpdateDate, imported);
    EXPECT_TRUE(note.IsModified());

    // A NaN from a peer counts as a change every time.
    note.SetModified(false);
    note.SetLastUpdateDate(COleDateTime(std::nan("")));
    note.SetModified(false);
    note.SetLastUpdateDate(COleDateTime(std::nan("")));
    EXPECT_TRUE(note.IsModified());

    CNote other;
    other.SetGuidText(L"{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}");
    EXPECT_FALSE(other.IsModified());
    EXPECT_EQ(other.GetGuidText(), L"{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}");
    EXPECT_EQ(other.GetGuid().Data1, 0x0A1B2C3Du);
    EXPECT_EQ(other.Row().lastUpdateDate, kLater);
}

// ---------------------------------------------------------------- through the database

using CNoteRowsTest = CNoteStoreTest;

struct ColumnInfo {
    std::wstring name, type;
    bool operator==(const ColumnInfo& other) const { return name == other.name && type == other.type; }
};

std::vector<ColumnInfo> TableInfo(CppSQLite3DB& db, const std::wstring& table)
{
    std::vector<ColumnInfo> columns;
    CppSQLite3Query query = db.execQuery((L"PRAGMA table_info(`" + table + L"`);").c_str());
    const int name = query.fieldIndex(L"name");
    const int type = query.fieldIndex(L"type");
    for (; !query.eof(); query.nextRow())
        columns.push_back({Utf8OrAnsiToWide(query.getStringField(name), std::strlen(query.getStringField(name))),
                           Utf8OrAnsiToWide(query.getStringField(type), std::strlen(query.getStringField(type)))});
    return columns;
}

std::wstring Describe(const std::vector<ColumnInfo>& columns)
{
    std::wstring text;
    for (const ColumnInfo& column : columns)
        text += column.name + L" " + column.type + L", ";
    return text;
}

TEST_F(CNoteRowsTest, FreshFileHasEveryTableInColumnOrder)
{
    const std::vector<ColumnInfo> notes = {
        {L"id", L"INTEGER"}, {L"name", L"TEXT"}, {L"style", L"INTEGER"}, {L"color", L"INTEGER"},
        {L"colorbk", L"INTEGER"}, {L"visible", L"INTEGER"}, {L"textfont", L"TEXT"}, {L"colortext", L"INTEGER"},
        {L"password", L"TEXT"}, {L"creator", L"TEXT"}, {L"creationdate", L"REAL"}, {L"lastupdatedate", L"REAL"},
        {L"wndplacement", L"BLOB"}, {L"locked", L"INTEGER"}, {L"transparency", L"INTEGER"}, {L"guid", L"TEXT"},
        {L"group", L"INTEGER"}, {L"colorgroup", L"INTEGER"}, {L"rcMinimize", L"BLOB"}, {L"text", L"BLOB"},
        {L"alarm_popup", L"REAL"}, {L"alarm_alarm", L"REAL"}, {L"alarm_soundfile", L"TEXT"},
        {L"alarm_executecmd", L"TEXT"}, {L"alarm_alarmflags", L"INTEGER"}, {L"alarm_frequency", L"INTEGER"},
        {L"alarm_snoozetime", L"INTEGER"}, {L"alarm_period", L"INTEGER"}, {L"alarm_periodcnt", L"INTEGER"},
        {L"alarm_calculated", L"REAL"}, {L"displayname", L"TEXT"}, {L"displaytext", L"BLOB"},
        {L"rcMinimizePos", L"BLOB"}, {L"autoresize", L"INTEGER"},
    };
    const std::vector<ColumnInfo> attachnotes = {
        {L"id", L"INTEGER"}, {L"noteid", L"INTEGER"}, {L"windowtitle", L"TEXT"}, {L"application", L"TEXT"},
        {L"movewith", L"INTEGER"},
    };
    const std::vector<ColumnInfo> groups = {
        {L"id", L"INTEGER"}, {L"index", L"INTEGER"}, {L"name", L"TEXT"}, {L"color", L"INTEGER"},
    };
    const std::vector<ColumnInfo> search2 = {{L"id", L""}, {L"name", L""}, {L"text", L""}};
    EXPECT_EQ(TableInfo(DB(), L"notes"), notes) << Describe(TableInfo(DB(), L"notes"));
    EXPECT_EQ(TableInfo(DB(), L"attachnotes"), attachnotes) << Describe(TableInfo(DB(), L"attachnotes"));
    EXPECT_EQ(TableInfo(DB(), L"groups"), groups) << Describe(TableInfo(DB(), L"groups"));
    EXPECT_EQ(TableInfo(DB(), L"search2"), search2) << Describe(TableInfo(DB(), L"search2"));
    EXPECT_EQ(Scalar(L"select count(*) from sqlite_master where name='attachnotes_idx'"), 1);
    EXPECT_EQ(Scalar(L"select count(*) from sqlite_master where name='del_notes'"), 1);
    EXPECT_EQ(Scalar(L"select version from schema"), 12);
    EXPECT_EQ(m_manager.GetDBUseCount(), 0);

    // Opened again, the file is taken as it is.
    m_manager.CloseDB();
    EXPECT_EQ(Scalar(L"select count(*) from schema"), 1);
}

void FillEveryColumn(CNote& note)
{
    NoteRow& row = note.Row();
    row.name = L"Tom's \U0001F600 note";
    row.style = 2;
    row.color = 0x02FFEEDD;
    row.colorBk = 0x02102030;
    row.visible = true;
    row.textFont = L"-12,0,0,0,400,0,0,0,0,0,0,0,0,\"Tahoma\"";
    row.colorText = 0x00FF00FF;
    row.password = L"pa'ss";
    row.creator = L"someone";
    row.creationDate = COleDateTime(2026, 1, 2, 3, 4, 5);
    row.lastUpdateDate = COleDateTime(2026, 3, 4, 5, 6, 7);
    unsigned char* placement = reinterpret_cast<unsigned char*>(&row.placement);
    for (size_t i = 0; i < sizeof row.placement; ++i)
        placement[i] = static_cast<unsigned char>(0x80 + i);
    row.locked = true;
    row.transparency = 200;
    row.guid = L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
    row.group = 0x100000005LL;
    row.colorGroup = 0xFFFFFFFF;
    row.minimizeRect = {-1, -2, 300, 400};
    row.text = L"Plain \U0001F600 text\r\nsecond line";
    row.alarm.popupDate = COleDateTime(2026, 4, 1, 9, 45, 0);
    row.alarm.alarmDate = COleDateTime(2026, 4, 1, 10, 0, 0);
    row.alarm.soundFile = L"C:\\Sounds\\bell.wav";
    row.alarm.executeCmd = L"notepad.exe \"x y\"";
    row.alarm.flags = 0x80001FFF;
    row.alarm.frequency = eFrequencyMonthly;
    row.alarm.snoozeTime = -5;
    row.alarm.period = ePeriodWeeks;
    row.alarm.periodCount = 255;
    row.alarm.calculatedDate.SetStatus(COleDateTime::invalid);   // stored as no time at all
    row.alarm.calculatedDate.m_dt = 46100.5;
    row.displayName = L"Display \U0001F600";
    row.displayText = L"{\\rtf1 \\u-10179?}";
    row.minimizePos = {5, 6, 7, 8};
    row.autoResize = false;
}

TEST_F(CNoteRowsTest, EveryColumnComesBackAsStored)
{
    DB();
    CNote stored;
    FillEveryColumn(stored);
    ASSERT_TRUE(stored.PutData(-1));
    ASSERT_GT(stored.GetId(), 0);

    CNote read;
    ASSERT_TRUE(read.GetData(stored.GetId()));
    const NoteRow& a = read.Row();
    const NoteRow& b = stored.Row();
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.style, b.style);
    EXPECT_EQ(a.color, b.color);
    EXPECT_EQ(a.colorBk, b.colorBk);
    EXPECT_EQ(a.visible, b.visible);
    EXPECT_EQ(a.textFont, b.textFont);
    EXPECT_EQ(a.colorText, b.colorText);
    EXPECT_EQ(a.password, b.password);
    EXPECT_EQ(a.creator, b.creator);
    EXPECT_EQ(a.creationDate, b.creationDate);
    EXPECT_EQ(a.lastUpdateDate, b.lastUpdateDate);
    EXPECT_EQ(std::memcmp(&a.placement, &b.placement, sizeof a.placement), 0);
    EXPECT_EQ(a.locked, b.locked);
    EXPECT_EQ(a.transparency, b.transparency);
    EXPECT_EQ(a.guid, b.guid);
    EXPECT_EQ(a.group, b.group);
    EXPECT_EQ(a.colorGroup, b.colorGroup);
    EXPECT_TRUE(EqualRect(&a.minimizeRect, &b.minimizeRect));
    EXPECT_EQ(a.text, b.text);
    EXPECT_EQ(a.alarm.popupDate, b.alarm.popupDate);
    EXPECT_EQ(a.alarm.alarmDate, b.alarm.alarmDate);
    EXPECT_EQ(a.alarm.soundFile, b.alarm.soundFile);
    EXPECT_EQ(a.alarm.executeCmd, b.alarm.executeCmd);
    EXPECT_EQ(a.alarm.flags, b.alarm.flags);
    EXPECT_EQ(a.alarm.frequency, b.alarm.frequency);
    EXPECT_EQ(a.alarm.snoozeTime, b.alarm.snoozeTime);
    EXPECT_EQ(a.alarm.period, b.alarm.period);
    EXPECT_EQ(a.alarm.periodCount, b.alarm.periodCount);
    EXPECT_EQ(a.alarm.calculatedDate, COleDateTime(0.0));
    EXPECT_EQ(a.displayName, b.displayName);
    EXPECT_EQ(a.displayText, b.displayText);
    EXPECT_TRUE(EqualRect(&a.minimizePos, &b.minimizePos));
    EXPECT_EQ(a.autoResize, b.autoResize);

    EXPECT_EQ(Scalar(L"select count(*) from notes where alarm_calculated = 0.0"), 1);
    EXPECT_EQ(Scalar(L"select `group` from notes"), 0x100000005LL);
}

TEST_F(CNoteRowsTest, FullTextRowIsFoundByItsWords)
{
    DB();
    CNoteSearch row;
    row.SetId(42);
    row.SetName(L"Groceries");
    row.SetText(L"Milk and caf\u00E9 beans");
    ASSERT_TRUE(row.PutData(-1));
    EXPECT_EQ(row.GetId(), 42);   // a row keyed by the note: nothing read back
    EXPECT_EQ(Scalar(L"select id from search2 where search2 match 'beans'"), 42);
    EXPECT_EQ(Scalar(L"select count(*) from search2 where search2 match 'cafe'"), 1);

    row.SetText(L"Bread only");
    ASSERT_TRUE(row.PutData(42));
    EXPECT_EQ(Scalar(L"select count(*) from search2"), 1);
    EXPECT_EQ(Scalar(L"select count(*) from search2 where search2 match 'beans'"), 0);
    EXPECT_EQ(Scalar(L"select id from search2 where search2 match 'bread'"), 42);
}

TEST_F(CNoteRowsTest, NoPathNoDatabase)
{
    m_manager.SetDatabasePath(L"");
    EXPECT_EQ(m_manager.GetDB(), nullptr);
    EXPECT_EQ(m_manager.GetDBUseCount(), 0);
}

TEST_F(CNoteRowsTest, TableThatCannotBeMappedFailsTheOpen)
{
    {
        CppSQLite3DB other;
        other.open(m_dir.File(L"QUILLT40.DAT").c_str());
        // Stamped current: a notes table without a schema table is an old file to upgrade.
        other.execDML(L"create table notes(`id` INTEGER PRIMARY KEY, `name` TEXT);"
                      L"create table schema(`version` INTEGER); insert into schema values(12);");
    }
    CLogCapture log;
    EXPECT_EQ(m_manager.GetDB(), nullptr);
    EXPECT_TRUE(log.Contains(L"Failed to create table notes"));
    EXPECT_EQ(m_manager.GetDBUseCount(), 0);
}

} // namespace
