#include "xmlread.h"

#include "LogFile.h"
#include "framework/ComBstr.h"
#include "framework/ComVariant.h"
#include "framework/MsXmlIds.h"

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
    DOMNodeType type = NODE_INVALID;
    if (node && SUCCEEDED(node->get_nodeType(&type)) && type == NODE_ELEMENT)
        node->QueryInterface(kIidXmlDomElement, element.Receive());
    return element;
}

}  // namespace

bool LoadXmlDocument(CComPtr<IXMLDOMDocument>& document, const wchar_t* text)
{
    document.Reset();
    if (!text)
        text = L"";
    if (DeclaresDtd(text)) {
        QLOG(L"XML document refused: it declares a DTD");
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
    return true;
}

void ReleaseXmlDocument(CComPtr<IXMLDOMDocument>& document)
{
    document.Reset();
}

CXmlElementCursor GetRootElementChildren(const CComPtr<IXMLDOMDocument>& document)
{
    CComPtr<IXMLDOMElement> root;
    CComPtr<IXMLDOMNodeList> children;
    if (!document || FAILED(document->get_documentElement(root.ReceiveTyped())) || !root ||
        FAILED(root->get_childNodes(children.ReceiveTyped())) || !children)
        return {};
    long length = 0;
    children->get_length(&length);
    for (long i = 0; i < length; ++i) {
        CComPtr<IXMLDOMNode> node;
        if (FAILED(children->get_item(i, node.ReceiveTyped())))
            break;
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
    if (!m_element || FAILED(m_element->get_childNodes(children.m_list.ReceiveTyped())) || !children.m_list) {
        children.m_list.Reset();
        return children;
    }
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
    return m_index < 0 || m_index >= end.m_count;
}

CXmlElementCursor CXmlElementCursor::PostIncrement()
{
    CXmlElementCursor before(*this);
    if (m_index != -1) {
        ++m_index;
        Fetch();
    }
    return before;
}

void CXmlElementCursor::Fetch()
{
    if (m_index != -1) {
        m_element.Reset();
        CComPtr<IXMLDOMNode> node;
        if (m_list && SUCCEEDED(m_list->get_item(m_index, node.ReceiveTyped())))
            m_element = AsElement(node);
    }
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
