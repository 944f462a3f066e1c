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
    ASSERT_TRUE(LoadXmlDocument(document, text));
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
        EXPECT_EQ(LoadXmlDocument(document, c.text), c.parses) << c.text;
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
        EXPECT_FALSE(LoadXmlDocument(document, text.c_str())) << text;
        EXPECT_FALSE(document);
        EXPECT_TRUE(log.Contains(L"XML document refused: it declares a DTD"));
        EXPECT_FALSE(GetRootElementChildren(document).HasElement());
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
    ASSERT_TRUE(LoadXmlDocument(document, L"<NOTES><note/></NOTES>"));
    const CXmlElementCursor record = GetRootElementChildren(document);
    EXPECT_TRUE(record.GetChildren().Reached(record.End()));
}

TEST_F(XmlRead, CopiesOutliveTheDocumentAndTheOriginal)
{
    CComPtr<IXMLDOMDocument> document;
    ASSERT_TRUE(LoadXmlDocument(document, L"<NOTES><note><name>kept</name><color>7</color></note></NOTES>"));
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
    EXPECT_FALSE(LoadXmlDocument(document, L"<NOTES><note/></NOTES>"));
    EXPECT_FALSE(document);
}

}  // namespace
