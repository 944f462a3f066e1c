// The XML reader over the system DOM: walking a record, white space kept,
// documents refused or malformed, cursors that walk nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "foundation/Seams.h"
#include "foundation/xmlread.h"
#include "tests/support/ComApartment.h"
#include "tests/support/TestDir.h"

namespace {

using Fields = std::vector<std::pair<std::wstring, std::wstring>>;

const SXmlLimits kRoomy = {1 << 20, 10};

class XmlRead : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_com.Initialised()); }

    // Tag names and values of the first record's children, in document order.
    static Fields WalkFirstRecord(const CXmlElementCursor& record)
    {
        Fields fields;
        const CXmlElementCursor end = record.End();
        for (CXmlElementCursor field = record.GetChildren(); !field.Reached(end); field.PostIncrement())
            fields.emplace_back(field.GetTagName(), field.GetValue());
        return fields;
    }

    CComApartment m_com;
};

TEST_F(XmlRead, WalksTheFirstRecordKeepingValuesAsWritten)
{
    const wchar_t* const text =
        L"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<NOTES>\r\n"
        L"<!-- a comment before the record -->\r\n"
        L"<note>\r\n"
        L"<name>  Tom &amp; Jerry  </name>\r\n"
        L"<text>line&#13;\nnext &lt;b&gt; \U0001F600</text>\r\n"
        L"<empty></empty>\r\n"
        L"<!--inside-->"
        L"<group>5</group>\r\n"
        L"</note>\r\n<note><name>second</name></note>\r\n</NOTES>";
    CComPtr<IXMLDOMDocument> document;
    ASSERT_TRUE(LoadXmlDocument(document, text, kRoomy));
    const CXmlElementCursor record = GetRootElementChildren(document);
    ASSERT_EQ(record.GetTagName(), L"note");

    Fields elements;
    size_t others = 0;
    for (const auto& field : WalkFirstRecord(record)) {
        if (field.first.empty()) {
            EXPECT_EQ(field.second, L"");   // text and comment nodes give nothing
            ++others;
        } else {
            elements.push_back(field);
        }
    }
    const Fields expected = {
        {L"name", L"  Tom & Jerry  "},           // blanks around a value survive
        {L"text", L"line\r\nnext <b> \U0001F600"},  // CR written as a reference survives
        {L"empty", L""},
        {L"group", L"5"},
    };
    EXPECT_EQ(elements, expected);
    EXPECT_GT(others, 0u);   // the line ends between elements are nodes too
    ReleaseXmlDocument(document);
    EXPECT_FALSE(document);
}

TEST_F(XmlRead, FirstRecordOfOddDocuments)
{
    struct Case {
        const wchar_t* text;
        bool parses;
        const wchar_t* firstTag;
    };
    const Case cases[] = {
        {L"<NOTES><note><name>x</name></note>", false, L""},   // malformed: not closed
        {L"", false, L""},
        {L"<NOTES>text only</NOTES>", true, L""},            // root without an element child
        {L"<NOTES/>", true, L""},
        {L"<NOTES><!--c--><?pi x?>\n<note/></NOTES>", true, L"note"},   // comment first
        {L"<NOTES><group><name>g</name></group><note/></NOTES>", true, L"group"},
        {L"<a\x0001b/>", false, L""},                          // a control character fails the parse
    };
    for (const Case& c : cases) {
        CComPtr<IXMLDOMDocument> document;
        EXPECT_EQ(LoadXmlDocument(document, c.text, kRoomy), c.parses) << c.text;
        const CXmlElementCursor record = GetRootElementChildren(document);
        EXPECT_EQ(record.GetTagName(), c.firstTag) << c.text;
        EXPECT_EQ(record.HasElement(), *c.firstTag != L'\0') << c.text;
    }
}

TEST_F(XmlRead, DocumentsWithADtdAreRefusedUnparsed)
{
    CTestDir dir;
    const std::wstring secretPath = dir.File(L"secret.txt");
    std::ofstream(secretPath.c_str()) << "TOP-SECRET";
    std::wstring fileUrl = L"file:///" + secretPath;
    const std::wstring external = L"<?xml version=\"1.0\"?><!DOCTYPE NOTES [<!ENTITY x SYSTEM \"" + fileUrl +
                                  L"\">]><NOTES><note><name>&x;</name></note></NOTES>";
    const std::wstring internal =
        L"<!DOCTYPE NOTES [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
        L"<NOTES><note><name>&b;</name></note></NOTES>";
    const std::wstring lowerCase = L"<!doctype NOTES><NOTES><note/></NOTES>";
    for (const std::wstring& text : {external, internal, lowerCase}) {
        CLogCapture log;
        CComPtr<IXMLDOMDocument> document;
        EXPECT_FALSE(LoadXmlDocument(document, text.c_str(), kRoomy)) << text;
        EXPECT_FALSE(document);
        EXPECT_TRUE(log.Contains(L"XML document refused: it declares a DTD"));
        EXPECT_FALSE(GetRootElementChildren(document).HasElement());
    }
}

std::wstring Repeat(const std::wstring& piece, size_t count)
{
    std::wstring text;
    text.reserve(piece.size() * count);
    for (size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

// An element named name with count attributes a0="" a1="" ...
std::wstring ElementWithAttributes(const std::wstring& name, size_t count, const std::wstring& content)
{
    std::wstring element = L"<" + name;
    for (size_t i = 0; i < count; ++i)
        element += L" a" + std::to_wstring(i) + L"=\"\"";
    return element + L">" + content + L"</" + name + L">";
}

// The parser takes time that grows with the square of an element's
// attributes, and a walk that fetched children by position did too: what
// exceeds a bound is refused before anyone walks it, and logged.
TEST_F(XmlRead, DocumentsBeyondTheBoundsAreRefused)
{
    const size_t attributes = kMaxXmlAttributes;
    const size_t children = kMaxXmlRecordChildren;
    const std::wstring manyEquals = Repeat(L"=", attributes + 1);
    struct Case {
        const char* what;
        std::wstring text;
        SXmlLimits limits;
        const wchar_t* refusal;   // null: the document loads
    };
    const Case cases[] = {
        {"at the byte bound", L"<N><note/></N>", {14, 1}, nullptr},
        {"a byte past it", L"<N><note/></N>", {13, 1}, L"it is larger than the bound"},
        {"counted as UTF-8", L"<N><note>\u00E9</note></N>", {21, 1}, L"it is larger than the bound"},
        {"too large, refused before parsing", L"<N><note>", {5, 1}, L"it is larger than the bound"},
        {"as many records as allowed", L"<N><!--c--><note/>\r\n<note/>x</N>", {100, 2}, nullptr},
        {"one record more", L"<N><note/><note/><note/></N>", {100, 2}, L"it holds more records than allowed"},
        {"thousands of records", L"<N>" + Repeat(L"<note/>", 50000) + L"</N>", {1 << 20, 1},
         L"it holds more records than allowed"},
        {"as many children as allowed", L"<N><note>" + Repeat(L"<f/>", children) + L"</note></N>", {1 << 20, 1},
         nullptr},
        {"one child more, text counts", L"<N><note>" + Repeat(L"<f/>", children) + L"x</note></N>", {1 << 20, 1},
         L"a record has too many children"},
        {"thousands of children", L"<N><note>" + Repeat(L"<f/>", 50000) + L"</note></N>", {1 << 20, 1},
         L"a record has too many children"},
        {"as many attributes as allowed", L"<N>" + ElementWithAttributes(L"note", attributes, L"") + L"</N>",
         {1 << 20, 1}, nullptr},
        {"one attribute more on the root", ElementWithAttributes(L"N", attributes + 1, L"<note/>"), {1 << 20, 1},
         L"an element has too many attributes"},
        {"one more on a field", L"<N><note>" + ElementWithAttributes(L"f", attributes + 1, L"") + L"</note></N>",
         {1 << 20, 1}, L"an element has too many attributes"},
        // Refused unparsed, so the repeated name does not matter.
        {"one more, blanks and single quotes", L"<N><note a = 'x>'" + Repeat(L" b='='", attributes) + L"/></N>",
         {1 << 20, 1}, L"an element has too many attributes"},
        {"equals signs that are no attributes",
         L"<?pi " + manyEquals + L"?><N><!-- <a " + manyEquals + L"> --><note v=\"" + manyEquals + L"\">" +
             manyEquals + L"<![CDATA[<a " + manyEquals + L">]]></note></N>",
         {1 << 20, 1}, nullptr},
    };
    for (const Case& c : cases) {
        CLogCapture log;
        CComPtr<IXMLDOMDocument> document;
        EXPECT_EQ(LoadXmlDocument(document, c.text.c_str(), c.limits), c.refusal == nullptr) << c.what;
        if (c.refusal) {
            EXPECT_FALSE(document) << c.what;
            EXPECT_EQ(log.Lines(), std::vector<std::wstring>{std::wstring(L"XML document refused: ") + c.refusal})
                << c.what;
        } else {
            EXPECT_EQ(GetRootElementChildren(document).GetTagName(), L"note") << c.what;
        }
    }
}

TEST_F(XmlRead, CursorsWithoutAnElementWalkNothing)
{
    const CXmlElementCursor none;
    CXmlElementCursor moved = none;
    moved.PostIncrement();
    EXPECT_EQ(moved.Index(), -1);
    const CXmlElementCursor children = none.GetChildren();
    EXPECT_EQ(children.Index(), -1);
    EXPECT_EQ(children.Count(), 0);
    EXPECT_TRUE(children.Reached(none.End()));
    EXPECT_EQ(children.GetTagName(), L"");
    EXPECT_EQ(children.GetValue(), L"");

    // A cursor over an element without children is at its end at once.
    CComPtr<IXMLDOMDocument> document;
    ASSERT_TRUE(LoadXmlDocument(document, L"<NOTES><note/></NOTES>", kRoomy));
    const CXmlElementCursor record = GetRootElementChildren(document);
    EXPECT_TRUE(record.GetChildren().Reached(record.End()));
}

TEST_F(XmlRead, CopiesOutliveTheDocumentAndTheOriginal)
{
    CComPtr<IXMLDOMDocument> document;
    ASSERT_TRUE(LoadXmlDocument(document, L"<NOTES><note><name>kept</name><color>7</color></note></NOTES>", kRoomy));
    CXmlElementCursor copy;
    {
        const CXmlElementCursor record = GetRootElementChildren(document);
        CXmlElementCursor field = record.GetChildren();
        copy = field.PostIncrement();
        EXPECT_EQ(field.GetTagName(), L"color");
    }
    ReleaseXmlDocument(document);
    EXPECT_EQ(copy.GetTagName(), L"name");
    EXPECT_EQ(copy.GetValue(), L"kept");
    EXPECT_EQ(copy.Index(), 0);
}

TEST(XmlReadWithoutCom, LoadFails)
{
    CComPtr<IXMLDOMDocument> document;
    EXPECT_FALSE(LoadXmlDocument(document, L"<NOTES><note/></NOTES>", kRoomy));
    EXPECT_FALSE(document);
}

}  // namespace
