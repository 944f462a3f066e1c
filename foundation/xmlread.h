// XML reader: the thin layer over the system XML DOM through which received
// note documents are read. Load a document from text, take the first record
// element under the root, and walk that element's children with a cursor that
// yields each child's tag name and text value. Documents are only read here;
// they are written as text by the table mapping.
//
// GUI thread only; COM must already be initialised on the calling thread.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include "StdStr.h"
#include "framework/ComPtr.h"

// What a caller accepts of a document.
struct SXmlLimits {
    size_t maxBytes;     // the text as UTF-8
    size_t maxRecords;   // element children of the root
};
// What no document may exceed: child nodes of a record, attributes of an
// element. A note record has about seventy children, line ends included.
constexpr size_t kMaxXmlRecordChildren = 400;
constexpr size_t kMaxXmlAttributes = 400;

// Refuses, unparsed, a document larger than the caller's bound, one that
// declares a DTD (entities would be expanded or fetched) or that has an
// element with more attributes than the fixed bound; then parses with
// validation and external resolution off and white space kept as written,
// and refuses a document with more records than the caller's bound or a
// record with more children than the fixed bound. False, logged, when the
// text is refused, the parser cannot be created (no COM on this thread) or
// the text does not parse. The document is kept whenever the parser was
// created, except when a parsed document is refused.
bool LoadXmlDocument(CComPtr<IXMLDOMDocument>& document, const wchar_t* text, const SXmlLimits& limits);
void ReleaseXmlDocument(CComPtr<IXMLDOMDocument>& document);

// One element and, for a children cursor, the node it stands on; the walk
// goes from sibling to sibling, since fetching a node by its position costs
// a walk from the first. Nodes that are not elements (comments, text between
// elements) are visited with an empty tag name and value. A copy holds
// references of its own.
class CXmlElementCursor {
public:
    // No element, no list.
    CXmlElementCursor() = default;

    bool HasElement() const { return static_cast<bool>(m_element); }
    // Empty without a current element.
    CStdStr GetTagName() const;
    // The element's text; empty when it is not text or there is no element.
    CStdStr GetValue() const;

    // A cursor over this element's child nodes, at the first of them.
    CXmlElementCursor GetChildren() const;
    // The end mark of a walk over this element's children.
    CXmlElementCursor End() const;
    // True once a children cursor has passed the last child before end; a
    // cursor that walks no children is always there, so a walk cannot run away.
    bool Reached(const CXmlElementCursor& end) const;
    // Moves to the next node; returns the cursor as it was.
    CXmlElementCursor PostIncrement();

    int Index() const { return m_index; }
    int Count() const { return m_count; }

private:
    friend CXmlElementCursor GetRootElementChildren(const CComPtr<IXMLDOMDocument>& document);
    explicit CXmlElementCursor(CComPtr<IXMLDOMElement> element);

    void Fetch();
    void CountChildren();

    CComPtr<IXMLDOMElement> m_element;
    CComPtr<IXMLDOMNode> m_node;
    int m_index = -1;   // -1: the cursor walks no children
    int m_count = 0;    // child nodes of the current element
};

// The first element child of the document's root element; without a root
// element or an element child, a cursor without an element.
CXmlElementCursor GetRootElementChildren(const CComPtr<IXMLDOMDocument>& document);
