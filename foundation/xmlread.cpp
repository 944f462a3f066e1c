#include "xmlread.h"

#include "LogFile.h"
#include "framework/ComBstr.h"
#include "framework/ComVariant.h"
#include "framework/MsXmlIds.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cwctype>

namespace {

// A DTD is the only door to entity expansion and external fetches; some
// parsers expand or resolve them whatever their settings say, so documents
// that carry one never reach the parser.
bool DeclaresDtd(const wchar_t* text)
{
    static const wchar_t kKeyword[] = L"DOCTYPE";
    for (const wchar_t* open = wcsstr(text, L"<!"); open; open = wcsstr(open + 2, L"<!")) {
        const wchar_t* p = open + 2;
        size_t i = 0;
        while (kKeyword[i] && std::towupper(p[i]) == static_cast<wint_t>(kKeyword[i]))
            ++i;
        if (!kKeyword[i])
            return true;
    }
    return false;
}

bool StartsWith(const wchar_t* text, const wchar_t* prefix)
{
    return wcsncmp(text, prefix, wcslen(prefix)) == 0;
}

// Past the first end mark after text, or at the end of the text.
const wchar_t* SkipPast(const wchar_t* text, const wchar_t* end)
{
    const wchar_t* const found = wcsstr(text, end);
    return found ? found + wcslen(end) : text + wcslen(text);
}

// The attributes of the start tag at tag ('<'), counted as the '=' outside
// quoted values; sets next past the tag.
size_t CountAttributes(const wchar_t* tag, const wchar_t*& next)
{
    size_t count = 0;
    wchar_t quote = 0;
    const wchar_t* p = tag + 1;
    for (; *p && (quote || *p != L'>'); ++p) {
        if (quote)
            quote = *p == quote ? 0 : quote;
        else if (*p == L'"' || *p == L'\'')
            quote = *p;
        else if (*p == L'=')
            ++count;
    }
    next = p;
    return count;
}

// True when some element has more than limit attributes. The parser checks
// each attribute against all the ones before it, so their number must be
// bounded before it sees them. Comments, CDATA sections and processing
// instructions are skipped as the parser skips them.
bool HasElementWithMoreAttributes(const wchar_t* text, size_t limit)
{
    for (const wchar_t* p = wcschr(text, L'<'); p; p = wcschr(p, L'<')) {
        if (StartsWith(p, L"<!--"))
            p = SkipPast(p + 4, L"-->");
        else if (StartsWith(p, L"<![CDATA["))
            p = SkipPast(p + 9, L"]]>");
        else if (StartsWith(p, L"<?"))
            p = SkipPast(p + 2, L"?>");
        else if (p[1] == L'/' || p[1] == L'!')
            p = SkipPast(p + 1, L">");
        else if (CountAttributes(p, p) > limit)
            return true;
    }
    return false;
}

// The document's size as UTF-8, counted no further than one past limit.
size_t Utf8Size(const wchar_t* text, size_t limit)
{
    const size_t length = wcsnlen(text, limit < SIZE_MAX ? limit + 1 : limit);
    if (length > limit || length == 0)
        return length;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(std::min<size_t>(length, INT_MAX)),
                                          nullptr, 0, nullptr, nullptr);
    return bytes > 0 ? static_cast<size_t>(bytes) : length;
}

// Why the text may not reach the parser; null when it may.
const wchar_t* RefusalBeforeParsing(const wchar_t* text, const SXmlLimits& limits)
{
    if (Utf8Size(text, limits.maxBytes) > limits.maxBytes)
        return L"it is larger than the bound";
    if (DeclaresDtd(text))
        return L"it declares a DTD";
    if (HasElementWithMoreAttributes(text, kMaxXmlAttributes))
        return L"an element has too many attributes";
    return nullptr;
}

// What a getter of from hands out; null when there is none or the call fails.
template <class Result, class From, class Getter>
CComPtr<Result> Related(const CComPtr<From>& from, Getter getter)
{
    CComPtr<Result> result;
    if (from && FAILED((from.Get()->*getter)(result.ReceiveTyped())))
        result.Reset();
    return result;
}

// Of a node or an element.
template <class Node>
CComPtr<IXMLDOMNode> FirstChild(const CComPtr<Node>& node)
{
    return Related<IXMLDOMNode>(node, &IXMLDOMNode::get_firstChild);
}

CComPtr<IXMLDOMNode> NextSibling(const CComPtr<IXMLDOMNode>& node)
{
    return Related<IXMLDOMNode>(node, &IXMLDOMNode::get_nextSibling);
}

bool IsElement(const CComPtr<IXMLDOMNode>& node)
{
    DOMNodeType type = NODE_INVALID;
    return node && SUCCEEDED(node->get_nodeType(&type)) && type == NODE_ELEMENT;
}

bool HasMoreChildren(const CComPtr<IXMLDOMNode>& node, size_t limit)
{
    size_t count = 0;
    for (CComPtr<IXMLDOMNode> child = FirstChild(node); child; child = NextSibling(child))
        if (++count > limit)
            return true;
    return false;
}

CComPtr<IXMLDOMElement> DocumentElement(const CComPtr<IXMLDOMDocument>& document)
{
    return Related<IXMLDOMElement>(document, &IXMLDOMDocument::get_documentElement);
}

// Why the parsed document is refused; null when it is not.
const wchar_t* RefusalAfterParsing(const CComPtr<IXMLDOMDocument>& document, const SXmlLimits& limits)
{
    size_t records = 0;
    for (CComPtr<IXMLDOMNode> node = FirstChild(DocumentElement(document)); node; node = NextSibling(node)) {
        if (!IsElement(node))
            continue;
        if (++records > limits.maxRecords)
            return L"it holds more records than allowed";
        if (HasMoreChildren(node, kMaxXmlRecordChildren))
            return L"a record has too many children";
    }
    return nullptr;
}

void ConfigureParser(IXMLDOMDocument& document)
{
    document.put_async(VARIANT_FALSE);
    document.put_validateOnParse(VARIANT_FALSE);
    document.put_resolveExternals(VARIANT_FALSE);
    // Values keep their blanks and carriage returns as written.
    document.put_preserveWhiteSpace(VARIANT_TRUE);
    // A second line of defence only; older parsers lack the property.
    CComPtr<IXMLDOMDocument2> document2;
    if (SUCCEEDED(document.QueryInterface(kIidXmlDomDocument2, document2.Receive())) && document2) {
        const CComBstr name(L"ProhibitDTD");
        const CComVariant on(true);
        if (name)
            document2->setProperty(name.Get(), on.Get());
    }
}

void LogParseError(IXMLDOMDocument& document)
{
    CComPtr<IXMLDOMParseError> error;
    CComBstr reason;
    long line = 0;
    if (SUCCEEDED(document.get_parseError(error.ReceiveTyped())) && error) {
        error->get_reason(reason.Receive());
        error->get_line(&line);
    }
    QLOG(L"XML document does not parse: %s (line %ld)", reason ? reason.Get() : L"", line);
}

CStdStr FromBstr(const CComBstr& text)
{
    return text ? CStdStr(text.Get(), text.Length()) : CStdStr();
}

CComPtr<IXMLDOMElement> AsElement(const CComPtr<IXMLDOMNode>& node)
{
    CComPtr<IXMLDOMElement> element;
    if (IsElement(node))
        node->QueryInterface(kIidXmlDomElement, element.Receive());
    return element;
}

}  // namespace

bool LoadXmlDocument(CComPtr<IXMLDOMDocument>& document, const wchar_t* text, const SXmlLimits& limits)
{
    document.Reset();
    if (!text)
        text = L"";
    if (const wchar_t* const refusal = RefusalBeforeParsing(text, limits)) {
        QLOG(L"XML document refused: %s", refusal);
        return false;
    }
    const HRESULT created =
        CoCreateInstance(kClsidXmlDomDocument, nullptr, CLSCTX_ALL, kIidXmlDomDocument, document.Receive());
    if (FAILED(created) || !document) {
        document.Reset();
        QLOG(L"XML parser not available (%08lx)", static_cast<unsigned long>(created));
        return false;
    }
    ConfigureParser(*document.Get());
    const CComBstr source(text);
    if (!source) {
        QLOG(L"XML document of %u characters does not fit in memory", static_cast<unsigned>(wcslen(text)));
        return false;
    }
    VARIANT_BOOL parsed = VARIANT_FALSE;
    if (FAILED(document->loadXML(source.Get(), &parsed)) || parsed != VARIANT_TRUE) {
        LogParseError(*document.Get());
        return false;
    }
    if (const wchar_t* const refusal = RefusalAfterParsing(document, limits)) {
        document.Reset();
        QLOG(L"XML document refused: %s", refusal);
        return false;
    }
    return true;
}

void ReleaseXmlDocument(CComPtr<IXMLDOMDocument>& document)
{
    document.Reset();
}

CXmlElementCursor GetRootElementChildren(const CComPtr<IXMLDOMDocument>& document)
{
    for (CComPtr<IXMLDOMNode> node = FirstChild(DocumentElement(document)); node; node = NextSibling(node)) {
        CComPtr<IXMLDOMElement> element = AsElement(node);
        if (element)
            return CXmlElementCursor(std::move(element));
    }
    return {};
}

CXmlElementCursor::CXmlElementCursor(CComPtr<IXMLDOMElement> element) : m_element(std::move(element))
{
    CountChildren();
}

CStdStr CXmlElementCursor::GetTagName() const
{
    CComBstr name;
    if (m_element)
        m_element->get_tagName(name.Receive());
    return FromBstr(name);
}

CStdStr CXmlElementCursor::GetValue() const
{
    CComVariant value;
    if (!m_element || FAILED(m_element->get_nodeTypedValue(value.Receive())) || value.Type() != VT_BSTR)
        return CStdStr();
    const BSTR text = value.Get().bstrVal;
    return text ? CStdStr(text, SysStringLen(text)) : CStdStr();
}

CXmlElementCursor CXmlElementCursor::GetChildren() const
{
    CXmlElementCursor children;
    if (!m_element)
        return children;
    children.m_node = FirstChild(m_element);
    children.m_index = 0;
    children.Fetch();
    return children;
}

CXmlElementCursor CXmlElementCursor::End() const
{
    CXmlElementCursor end;
    end.m_count = m_count;
    return end;
}

bool CXmlElementCursor::Reached(const CXmlElementCursor& end) const
{
    return m_index < 0 || m_index >= end.m_count || !m_node;
}

CXmlElementCursor CXmlElementCursor::PostIncrement()
{
    CXmlElementCursor before(*this);
    if (m_index != -1) {
        ++m_index;
        m_node = NextSibling(m_node);
        Fetch();
    }
    return before;
}

void CXmlElementCursor::Fetch()
{
    if (m_index != -1)
        m_element = AsElement(m_node);
    CountChildren();
}

void CXmlElementCursor::CountChildren()
{
    m_count = 0;
    CComPtr<IXMLDOMNodeList> children;
    long length = 0;
    if (m_element && SUCCEEDED(m_element->get_childNodes(children.ReceiveTyped())) && children &&
        SUCCEEDED(children->get_length(&length)))
        m_count = static_cast<int>(length);
}
