// Notes as XML documents and notes from elsewhere made safe: the bytes a
// peer reads, what survives the way there and back, and what a received note
// may not keep.
#include <gtest/gtest.h>

#include <cstring>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "foundation/xmlread.h"
#include "notestore/Note.h"
#include "notestore/RtfObjects.h"
#include "tests/support/ComApartment.h"

namespace {

const SXmlLimits kRoomy = {1 << 20, 10};

const char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<NOTES>\r\n";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::string ElementName(const std::string& line)
{
    const size_t end = line.find('>');
    return line.size() > 1 && line[0] == '<' && end != std::string::npos ? line.substr(1, end - 1) : line;
}

std::wstring Wide(const CStdStrA& utf8)
{
    return Utf8OrAnsiToWide(utf8.c_str(), utf8.size());
}

void FillEveryField(CNote& note)
{
    NoteRow& row = note.Row();
    row.id = 77;
    row.name = L"  Tom \"&\" Jerry's <note>  ";
    row.style = 2;
    row.color = 0x02FFEEDD;
    row.colorBk = 0x02112233;
    row.visible = true;
    row.textFont = L"-13,0,0,0,700,1,0,0,0,3,2,1,34,\"Segoe UI\"";
    row.colorText = 0x00445566;
    row.password = L" secret ";
    row.creator = L"someone";
    row.creationDate = COleDateTime(45000.25);
    row.lastUpdateDate = COleDateTime(45001.5);
    auto* placement = reinterpret_cast<unsigned char*>(&row.placement);
    for (size_t i = 0; i < sizeof(row.placement); ++i)
        placement[i] = static_cast<unsigned char>(i * 37 + 5);
    row.locked = true;
    row.transparency = 200;
    row.guid = L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
    row.group = 5;
    row.colorGroup = 0x02010203;
    row.minimizeRect = {-1, 2, 300, 40};
    row.text = L"line one\r\nline two \U0001F600\x000B end";
    row.alarm.popupDate = COleDateTime(46000.5);
    row.alarm.alarmDate = COleDateTime(46000.75);
    row.alarm.soundFile = L"C:\\Sounds\\bell.wav";
    row.alarm.executeCmd = L"notepad.exe \"x y\"";
    row.alarm.flags = 0x1FF;
    row.alarm.frequency = 6;
    row.alarm.snoozeTime = 10;
    row.alarm.period = 2;
    row.alarm.periodCount = 3;
    row.alarm.calculatedDate = COleDateTime(46000.5);
    row.displayName = L"Display \U0001F600";
    row.displayText = L"{\\rtf1 \\b bold\\b0\\par x}";
    row.minimizePos = {5, 6, 7, 8};
    row.autoResize = false;
}

class ReceivedNoteTest : public CNoteStoreTest {
protected:
    void SetUp() override
    {
        CNoteStoreTest::SetUp();
        ASSERT_TRUE(m_com.Initialised());
    }
    void TearDown() override
    {
        m_manager.CloseAll();
        CNoteStoreTest::TearDown();
    }

    CComApartment m_com;
};

TEST_F(ReceivedNoteTest, NoteDocumentHasTheBytesPeersRead)
{
    CNote note;
    note.Row().name = L"Tom & Jerry";
    note.Row().creationDate = COleDateTime(1.5);
    auto* placement = reinterpret_cast<unsigned char*>(&note.Row().placement);
    for (size_t i = 0; i < sizeof(note.Row().placement); ++i)
        placement[i] = static_cast<unsigned char>(0xA0 + i);
    CStdStrA xml = note.WriteXml(true);
    xml.AppendNotesEndTag();

    ASSERT_EQ(std::strlen(kHead), 67u);
    EXPECT_EQ(xml.compare(0, 67, kHead), 0);
    const std::vector<std::string> lines = Lines(xml.substr(67));
    std::vector<std::string> names;
    for (size_t i = 1; i + 2 < lines.size(); ++i)
        names.push_back(ElementName(lines[i]));
    const std::vector<std::string> expected = {
        "name", "style", "color", "colorbk", "visible", "textfont", "colortext", "password", "creator",
        "creationdate", "lastupdatedate", "wndplacement", "locked", "transparency", "guid", "group", "colorgroup",
        "rcMinimize", "text", "alarm_popup", "alarm_alarm", "alarm_soundfile", "alarm_executecmd",
        "alarm_alarmflags", "alarm_frequency", "alarm_snoozetime", "alarm_period", "alarm_periodcnt",
        "alarm_calculated", "displayname", "displaytext", "rcMinimizePos", "autoresize"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(lines.front(), "<note>");
    EXPECT_EQ(lines[lines.size() - 2], "</note>");
    EXPECT_EQ(lines.back(), "</NOTES>");   // no line end after the root
    EXPECT_EQ(lines[1], "<name>Tom &amp; Jerry</name>");
    EXPECT_EQ(lines[10], "<creationdate>1.500000</creationdate>");
    std::string hex;
    for (size_t i = 0; i < 44; ++i) {
        static const char kDigits[] = "0123456789abcdef";
        hex += kDigits[(0xA0 + i) >> 4];
        hex += kDigits[(0xA0 + i) & 0xF];
    }
    EXPECT_EQ(lines[12], "<wndplacement>0x" + hex + "</wndplacement>");
    EXPECT_EQ(hex.size(), 88u);
}

TEST_F(ReceivedNoteTest, NoteReadsBackAsWrittenButItsIdAndForbiddenCharacters)
{
    CNote written;
    FillEveryField(written);
    CStdStrA xml = written.WriteXml(true);
    xml.AppendNotesEndTag();

    CNote read;
    ASSERT_TRUE(read.ReadXml(Wide(xml).c_str(), kRoomy));
    EXPECT_EQ(read.GetId(), -1);
    EXPECT_EQ(read.WriteXml(false), written.WriteXml(false));   // every column
    EXPECT_EQ(read.Row().name, written.Row().name);
    EXPECT_EQ(read.Row().password, L" secret ");
    EXPECT_EQ(read.Row().text, L"line one\r\nline two \U0001F600\xFFFD end");
    EXPECT_EQ(std::memcmp(&read.Row().placement, &written.Row().placement, sizeof(WINDOWPLACEMENT)), 0);
    EXPECT_EQ(read.Row().creationDate, written.Row().creationDate);
    EXPECT_EQ(read.Row().alarm.executeCmd, written.Row().alarm.executeCmd);
}

TEST_F(ReceivedNoteTest, ReceivedNotesKeepNothingThatActsOrBelongsHere)
{
    const wchar_t localGuid[] = L"{AAAAAAAA-2222-3333-4444-555555555555}";
    CNote* local = m_manager.AddNote(std::make_unique<CNote>());
    local->SetGuidText(localGuid);
    ASSERT_TRUE(m_manager.StoreNote(local));

    struct Case {
        const char* what;
        const wchar_t* guidElement;   // null: none sent
        const wchar_t* kept;          // the GUID afterwards; null: a new one
    };
    const Case cases[] = {
        {"canonical", L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"},
        {"lower case", L"{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}", L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"},
        {"already ours", localGuid, nullptr},
        {"already ours in lower case", L"{aaaaaaaa-2222-3333-4444-555555555555}", nullptr},
        {"zero", L"{00000000-0000-0000-0000-000000000000}", nullptr},
        {"garbage", L"not a guid", nullptr},
        {"without braces", L"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9", nullptr},
        {"a class name", L"Scripting.FileSystemObject", nullptr},
        {"none", nullptr, nullptr},
    };
    std::set<std::wstring> fresh = {localGuid};
    for (const Case& c : cases) {
        std::wstring document =
            L"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<NOTES>\r\n<note>\r\n"
            L"<alarm_executecmd>calc.exe</alarm_executecmd>\r\n"
            L"<alarm_soundfile>\\\\server\\share\\ring.wav</alarm_soundfile>\r\n"
            L"<alarm_alarmflags>511</alarm_alarmflags>\r\n"
            L"<group>7</group>\r\n<colorgroup>123</colorgroup>\r\n"
            L"<displaytext>{\\rtf1 A{\\object\\objemb{\\*\\objclass Package}{\\*\\objdata 0105}"
            L"{\\result {\\pict\\wmetafile8 0102}}}B{\\object\\objlink{\\*\\objdata 99}}C}</displaytext>\r\n";
        if (c.guidElement)
            document += L"<guid>" + std::wstring(c.guidElement) + L"</guid>\r\n";
        document += L"</note>\r\n</NOTES>";
        CNote note;
        ASSERT_TRUE(note.ReadXml(document.c_str(), kRoomy)) << c.what;
        ASSERT_TRUE(m_manager.SanitizeReceivedNote(note)) << c.what;

        const NoteRow& row = note.Row();
        EXPECT_EQ(row.alarm.executeCmd, L"") << c.what;
        EXPECT_EQ(row.alarm.soundFile, L"") << c.what;
        EXPECT_EQ(row.alarm.flags, 0x19Fu) << c.what;   // run-command and own-sound off, the rest kept
        EXPECT_EQ(row.group, 0) << c.what;
        EXPECT_EQ(row.colorGroup, 0u) << c.what;
        EXPECT_EQ(row.displayText, L"{\\rtf1 A{{\\pict\\wmetafile8 0102}}BC}") << c.what;
        const GUID guid = TextToGuid(row.guid.c_str());
        EXPECT_TRUE(IsEqualGUID(note.GetGuid(), guid)) << c.what;
        EXPECT_EQ(GuidToText(guid), row.guid) << c.what;   // canonical
        if (c.kept) {
            EXPECT_EQ(row.guid, c.kept) << c.what;
        } else {
            EXPECT_FALSE(IsEqualGUID(guid, GUID{})) << c.what;
            EXPECT_TRUE(fresh.insert(row.guid).second) << c.what << ": not new";
        }
    }
}

CStdStr Clean(const CStdStr& rtf)
{
    return RemoveRtfObjects(rtf);
}

// Whether \object or \objdata stands in the text as a control word, in any case.
bool NamesAnObject(const CStdStr& rtf)
{
    CStdStr lower = rtf;
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(towlower(c));
    for (const CStdStr word : {L"\\object", L"\\objdata"}) {
        for (size_t at = lower.find(word); at != CStdStr::npos; at = lower.find(word, at + 1)) {
            const size_t after = at + word.size();
            if (after == lower.size() || !iswalpha(lower[after]))
                return true;
        }
    }
    return false;
}

TEST(RtfObjects, ObjectsGiveWayToTheirResults)
{
    struct Case {
        const wchar_t* rtf;
        const wchar_t* clean;
    };
    const Case cases[] = {
        {L"plain {\\object x}", L"plain {\\object x}"},   // not rich text
        // What the editor writes stays byte for byte.
        {L"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\uc1\\pard\\f0\\fs20 \\'e9\\u8364?{\\b x}\\par\r\n}\r\n",
         L"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\uc1\\pard\\f0\\fs20 \\'e9\\u8364?{\\b x}\\par\r\n}\r\n"},
        {L"{\\rtf1 {\\objectsomething k}}", L"{\\rtf1 {\\objectsomething k}}"},
        {L"{\\rtf1 a{\\object{\\*\\objdata \\bin3 }{}}{\\result b}}c}", L"{\\rtf1 a{b}c}"},   // braces as data
        {L"{\\rtf1 {\\object{\\result x{\\object{\\result y}}z}}}", L"{\\rtf1 {x{y}z}}"},      // nested
        {L"{\\rtf1 a{\\object{\\*\\objdata 01", L"{\\rtf1 a"},                               // never closed
        {L"{\\rtf1 a{\\object{\\result b", L"{\\rtf1 a{b"},
        {L"{\\rtf1 a{\\object{\\*\\objclass P", L"{\\rtf1 a"},                               // no result yet
        {L"{\\rtf1 {\\object {\\result kept}}}", L"{\\rtf1 {kept}}"},
        // Every way an object group can begin.
        {L"{\\rtf1 a{\r\n\\object{\\result b}}c}", L"{\\rtf1 a{b}c}"},
        {L"{\\rtf1 a{ \\object{\\result b}}c}", L"{\\rtf1 a{b}c}"},
        {L"{\\rtf1 a{\\*\\object{\\result b}}c}", L"{\\rtf1 a{b}c}"},
        {L"{\\rtf1 a{\\f0 x\\object{\\result b}}c}", L"{\\rtf1 a{b}c}"},
        {L"{\\rtf1 a{\\OBJECT{\\result b}}c}", L"{\\rtf1 a{b}c}"},
        {L"{\\rtf1 a{\\*\\objdata 0105}c}", L"{\\rtf1 ac}"},                                 // bare data
        {L"{\\rtf1 a{\\b x}\\objdata 0105}", L""},                                          // the document's own
        {L"{\\rtf1 \\{\\object not a group\\} x}", L""},                                    // an escaped brace
        {L"{\\rtf1 x}\\objdata 01", L"{\\rtf1 x}01"},                                       // after the end
        // The result: the first group that begins with \result, whatever precedes the word.
        {L"{\\rtf1 {\\object{\\*\\objclass P}{ \\result b}{\\result c}}}", L"{\\rtf1 {b}}"},
        {L"{\\rtf1 {\\object{{\\result b}}}}", L"{\\rtf1 }"},
        // Binary data is left out: the editor counts its bytes in UTF-8.
        {L"{\\rtf1 a\\bin2 {}b}", L"{\\rtf1 ab}"},
        {L"{\\rtf1 a\\bin2 \u00E9\u00E9{\\*\\objdata 01}}", L"{\\rtf1 a}"},
        {L"{\\rtf1 a\\bin0000000002 {}}", L"{\\rtf1 a}"},
        {L"{\\rtf1 a\\bin-2 {}}", L"{\\rtf1 a"},             // no count: the rest is data
        {L"{\\rtf1 a\\bin00000000002 {}}", L"{\\rtf1 a"},
        {L"{\\rtf1 a\\bin9 {}}", L"{\\rtf1 a"},                // past the end
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Clean(c.rtf), c.clean) << c.rtf;
        EXPECT_FALSE(NamesAnObject(Clean(c.rtf)) && CStdStr(c.rtf).compare(0, 5, L"{\\rtf") == 0) << c.rtf;
    }
}

// The filter walks the text without recursion, however deep it goes.
TEST(RtfObjects, AnyDepthIsWalked)
{
    for (const wchar_t* group : {L"{\\b ", L"{\\object ", L"{\\object{\\result "}) {
        CStdStr rtf = L"{\\rtf1 ";
        for (int i = 0; i < 50000; ++i)
            rtf += group;
        EXPECT_FALSE(NamesAnObject(RemoveRtfObjects(rtf))) << group;
    }
}

// Either text can load as rich text: the display text, or the plain text
// when the display text is empty.
TEST_F(ReceivedNoteTest, ObjectsLeaveEveryTextThatLoadsAsRichText)
{
    struct Case { const wchar_t* form; const wchar_t* clean; };
    const Case cases[] = {
        {L"{\\object\\objemb{\\*\\objdata 0105}{\\result R}}", L"{\\rtf1 a{R}b}"},
        {L"{\r\n\\object{\\*\\objdata 0105}{\\result R}}", L"{\\rtf1 a{R}b}"},
        {L"{ \\object{\\*\\objdata 0105}{\\result R}}", L"{\\rtf1 a{R}b}"},
        {L"{\\*\\object{\\*\\objdata 0105}{\\result R}}", L"{\\rtf1 a{R}b}"},
        {L"{\\f0\\object{\\*\\objdata 0105}{\\result R}}", L"{\\rtf1 a{R}b}"},
        {L"{\\*\\objdata 0105}", L"{\\rtf1 ab}"},
    };
    for (const Case& c : cases) {
        for (const bool inText : {true, false}) {
            CNote note;
            const CStdStr rtf = CStdStr(L"{\\rtf1 a") + c.form + L"b}";
            (inText ? note.Row().text : note.Row().displayText) = rtf;
            ASSERT_TRUE(m_manager.SanitizeReceivedNote(note)) << rtf.c_str();
            const CStdStr& clean = inText ? note.Row().text : note.Row().displayText;
            EXPECT_EQ(clean, c.clean) << rtf.c_str();
            EXPECT_FALSE(NamesAnObject(clean)) << rtf.c_str();
        }
    }
}

TEST_F(ReceivedNoteTest, ANoteNestedTooDeeplyIsRefused)
{
    CStdStr deep = L"{\\rtf1 ";
    for (int i = 0; i < 10000; ++i)
        deep += L"{\\object ";
    for (const bool inText : {true, false}) {
        CNote note;
        (inText ? note.Row().text : note.Row().displayText) = deep;
        CLogCapture log;
        EXPECT_FALSE(m_manager.SanitizeReceivedNote(note)) << inText;
        EXPECT_TRUE(log.Contains(L"Received note refused: its rich text nests deeper than 24 groups")) << inText;
    }
}

}  // namespace
