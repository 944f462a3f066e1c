// The row XML of the table mapping, through a record of the tests' own: the
// bytes written for each type code, what survives a write and a read, and
// what the reader makes of documents that no writer of ours produced.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/Seams.h"
#include "foundation/xmlread.h"
#include "notestore/SQLiteHelp.h"
#include "tests/support/ComApartment.h"

namespace {

const SXmlLimits kRoomy = {1 << 20, 10};

struct ProbeRow {
    std::int64_t id = -1;
    CStdStr name;
    std::uint32_t color = 0;
    std::int32_t delta = 0;
    std::int64_t group = 0;
    double ratio = 0.0;
    COleDateTime stamp;
    CStdStr body;
    unsigned char bytes[4] = {};
    unsigned char guard[4] = {0xA5, 0xA5, 0xA5, 0xA5};   // must survive every read of bytes
    bool enabled = false;
};

const SQLiteColumnDesc kProbeColumns[] = {
    { offsetof(ProbeRow, id), L"id", eColRowId, 0 },
    { offsetof(ProbeRow, name), L"name", eColText, 0 },
    { offsetof(ProbeRow, color), L"color", eColUInt32, 0 },
    { offsetof(ProbeRow, delta), L"delta", eColInt32, 0 },
    { offsetof(ProbeRow, group), L"group", eColInt64, 0 },
    { offsetof(ProbeRow, ratio), L"ratio", eColDouble, 0 },
    { offsetof(ProbeRow, stamp), L"stamp", eColDate, 0 },
    { offsetof(ProbeRow, body), L"body", eColLongText, 0 },
    { offsetof(ProbeRow, bytes), L"bytes", eColBinary, sizeof(ProbeRow::bytes) },
    { offsetof(ProbeRow, enabled), L"enabled", eColBool, 0 },
    {},
};

class CProbe : public CSQLiteBase {
public:
    CProbe() : CSQLiteBase(row, kProbeColumns, L"probes", L"probe") {}
    ProbeRow row;
};

void FillProbe(ProbeRow& row)
{
    row.id = 42;
    row.name = L"Tom & Jerry";
    row.color = 0x02FFEEDD;
    row.delta = -7;
    row.group = 0x100000005LL;   // only the low half goes out
    row.ratio = 0.25;
    row.stamp = COleDateTime(1.5);
    row.body = L"a\r\nb<c>'\"";
    const unsigned char bytes[4] = {0x00, 0x0F, 0xA0, 0xFF};
    std::memcpy(row.bytes, bytes, sizeof(bytes));
    row.enabled = true;
}

std::wstring Document(const std::wstring& fields, const wchar_t* record = L"probe")
{
    return L"<?xml version=\"1.0\"?><NOTES><" + std::wstring(record) + L">" + fields + L"</" + record +
           L"></NOTES>";
}

std::string Hex(const unsigned char* bytes, size_t length)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < length; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0xF];
    }
    return hex;
}

class RowXml : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_com.Initialised()); }
    CComApartment m_com;
};

TEST_F(RowXml, WritesEveryTypeCodeAsOlderPeersRead)
{
    CProbe probe;
    FillProbe(probe.row);
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<NOTES>\r\n"
        "<probe>\r\n"
        "<name>Tom &amp; Jerry</name>\r\n"
        "<color>50327261</color>\r\n"
        "<delta>-7</delta>\r\n"
        "<group>5</group>\r\n"
        "<ratio>0.250000</ratio>\r\n"
        "<stamp>1.500000</stamp>\r\n"
        "<body>a&#13;\nb&lt;c&gt;&apos;&quot;</body>\r\n"
        "<bytes>0x000fa0ff</bytes>\r\n"
        "<enabled>1</enabled>\r\n"
        "</probe>\r\n";
    EXPECT_EQ(probe.WriteXml(true), expected);
    EXPECT_EQ(probe.WriteXml(false), expected.substr(67));
    EXPECT_EQ(expected.find("<probe>"), 67u);   // the head is 67 characters

    // A date that is not valid is no time at all, as in the database.
    probe.row.stamp.SetStatus(COleDateTime::invalid);
    EXPECT_NE(probe.WriteXml(false).find("<stamp>0.000000</stamp>"), std::string::npos);
}

TEST_F(RowXml, ForbiddenCharactersAreReplacedSoTheDocumentParses)
{
    CProbe probe;
    probe.row.name = std::wstring(L"a\x0001" L"b\x000B" L"c\tend\xFFFE") + L'\xD800' + L"x\U0001F600" + L'\xDC00';
    CStdStrA xml = probe.WriteXml(true);
    xml.AppendNotesEndTag();
    CProbe read;
    ASSERT_TRUE(read.ReadXml(CStdStr(Utf8OrAnsiToWide(xml.c_str(), xml.size())).c_str(), kRoomy));
    EXPECT_EQ(read.row.name, L"a\xFFFD" L"b\xFFFD" L"c\tend\xFFFD\xFFFD" L"x\U0001F600\xFFFD");
}

TEST_F(RowXml, ReadBackEqualsWhatWasWrittenButTheId)
{
    CProbe written;
    FillProbe(written.row);
    written.row.name = L"  blanks kept  ";
    written.row.body = L"line one\r\nline two\n\U0001F600 \"quoted\" & <tagged>";
    CStdStrA xml = written.WriteXml(true);
    xml.AppendNotesEndTag();
    EXPECT_EQ(xml.substr(xml.size() - 11), ">\r\n</NOTES>");   // no line end after the root

    CProbe read;
    ASSERT_TRUE(read.ReadXml(Utf8OrAnsiToWide(xml.c_str(), xml.size()).c_str(), kRoomy));
    EXPECT_EQ(read.row.id, -1);
    EXPECT_EQ(read.row.name, written.row.name);
    EXPECT_EQ(read.row.color, written.row.color);
    EXPECT_EQ(read.row.delta, written.row.delta);
    EXPECT_EQ(read.row.group, 5);
    EXPECT_EQ(read.row.ratio, written.row.ratio);
    EXPECT_EQ(read.row.stamp, written.row.stamp);
    EXPECT_EQ(read.row.body, written.row.body);
    EXPECT_EQ(Hex(read.row.bytes, 4), "000fa0ff");
    EXPECT_EQ(read.row.enabled, true);
}

TEST_F(RowXml, ReaderTakesOddDocumentsSafely)
{
    struct Case {
        const char* what;
        std::wstring document;
        bool read;
        const wchar_t* name;    // the name afterwards ("keep" = untouched)
        const char* bytes;      // the binary member afterwards, in hex
        std::int64_t group;
    };
    const Case cases[] = {
        {"malformed", L"<NOTES><probe><name>x</name></probe>", false, L"keep", "11223344", 9},
        {"empty", L"", false, L"keep", "11223344", 9},
        {"root without element", L"<NOTES>just text</NOTES>", false, L"keep", "11223344", 9},
        {"first record of another kind", Document(L"<name>x</name>", L"note"), false, L"keep", "11223344", 9},
        {"record in another case", Document(L"<name>x</name>", L"Probe"), false, L"keep", "11223344", 9},
        {"comment first", L"<NOTES><!--c--><probe><name>x</name></probe></NOTES>", true, L"x", "11223344", 9},
        {"unknown and duplicate tags", Document(L"<Name>no</Name><bogus>1</bogus><name>a</name><name>b</name>"),
         true, L"b", "11223344", 9},
        {"upper-case hex", Document(L"<bytes>0xABcdEf01</bytes>"), true, L"keep", "abcdef01", 9},
        {"odd digit count", Document(L"<bytes>0xabc</bytes>"), true, L"keep", "ab0c0000", 9},
        {"pair with a non-digit", Document(L"<bytes>0xag5z</bytes>"), true, L"keep", "0a050000", 9},
        {"too long", Document(L"<bytes>0x0102030405060708</bytes>"), true, L"keep", "01020304", 9},
        {"prefix alone", Document(L"<bytes>0x</bytes>"), true, L"keep", "00000000", 9},
        {"no prefix", Document(L"<bytes>abcdef</bytes>"), true, L"keep", "11223344", 9},
        {"numbers as the C runtime reads them", Document(L"<group>-1</group><name>n</name>"), true, L"n",
         "11223344", -1},
        {"64-bit group", Document(L"<group>4294967301</group>"), true, L"keep", "11223344", 4294967301LL},
        {"the id is never read", Document(L"<id>77</id>"), true, L"keep", "11223344", 9},
        {"internal entity", L"<!DOCTYPE NOTES [<!ENTITY e \"x\">]>" + Document(L"<name>&e;</name>"), false,
         L"keep", "11223344", 9},
    };
    for (const Case& c : cases) {
        CProbe probe;
        probe.row.name = L"keep";
        probe.row.group = 9;
        const unsigned char start[4] = {0x11, 0x22, 0x33, 0x44};
        std::memcpy(probe.row.bytes, start, sizeof(start));
        EXPECT_EQ(probe.ReadXml(c.document.c_str(), kRoomy), c.read) << c.what;
        EXPECT_EQ(probe.row.name, c.name) << c.what;
        EXPECT_EQ(Hex(probe.row.bytes, 4), c.bytes) << c.what;
        EXPECT_EQ(Hex(probe.row.guard, 4), "a5a5a5a5") << c.what;
        EXPECT_EQ(probe.row.group, c.group) << c.what;
        EXPECT_EQ(probe.row.id, -1) << c.what;
    }
}

TEST_F(RowXml, NumbersReadLeniently)
{
    CProbe probe;
    ASSERT_TRUE(probe.ReadXml(
        Document(L"<color>-1</color><delta>12abc</delta><ratio>2.5e1x</ratio><stamp>junk</stamp>"
                 L"<enabled>7</enabled>")
            .c_str(), kRoomy));
    EXPECT_EQ(probe.row.color, 0xFFFFFFFFu);
    EXPECT_EQ(probe.row.delta, 12);
    EXPECT_EQ(probe.row.ratio, 25.0);
    EXPECT_EQ(probe.row.stamp.m_dt, 0.0);
    EXPECT_TRUE(probe.row.stamp.IsValid());
    EXPECT_TRUE(probe.row.enabled);
}

TEST_F(RowXml, RefusalsAreLoggedWithTheirReason)
{
    CLogCapture log;
    CProbe probe;
    EXPECT_FALSE(probe.ReadXml(Document(L"", L"group").c_str(), kRoomy));
    EXPECT_TRUE(log.Contains(L"XML document refused: its first record is <group>, not <probe>"));
    // The caller's bound on records, before any member is read.
    const std::wstring twoRecords = L"<NOTES><probe><name>first</name></probe><probe/></NOTES>";
    EXPECT_FALSE(probe.ReadXml(twoRecords.c_str(), {1 << 20, 1}));
    EXPECT_TRUE(log.Contains(L"XML document refused: it holds more records than allowed"));
    EXPECT_EQ(probe.row.name, L"");
    EXPECT_FALSE(probe.ReadXml(L"<NOTES><probe>", kRoomy));
    bool parseLogged = false;
    for (const std::wstring& line : log.Lines())
        parseLogged |= line.rfind(L"XML document does not parse: ", 0) == 0;
    EXPECT_TRUE(parseLogged);
}

}  // namespace
