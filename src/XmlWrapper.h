#pragma once
// Value-style access to the MSXML DOM: a document, a node and a node list.
//
// Every wrapper may be invalid (no interface behind it); operations on an invalid wrapper answer
// an empty result (null node, empty text, 0, false) and raise nothing. On a valid wrapper a
// failed DOM call raises Com::ComError carrying the DOM interface's IID, except where a
// declaration says otherwise. Selection expressions are XPath.

#include "Com/ComPtr.h"
#include "Com/Variant.h"

#include <windows.h>
#include <msxml2.h>

#include <string>
#include <string_view>

class CXmlNodeWrapper;
class CXmlNodeListWrapper;

class CXmlDocumentWrapper {
public:
    // A new, empty MSXML 3 document; invalid when it cannot be created.
    CXmlDocumentWrapper();
    // A new document of the given DOM class (CoCreateInstance, OleRun, IXMLDOMDocument);
    // invalid when any step fails.
    explicit CXmlDocumentWrapper(const CLSID& documentClass);
    // Wraps a document that already exists; a null pointer gives an invalid wrapper.
    explicit CXmlDocumentWrapper(Com::ComPtr<IXMLDOMDocument> document) noexcept;
    virtual ~CXmlDocumentWrapper();
    CXmlDocumentWrapper(const CXmlDocumentWrapper&) = default;
    CXmlDocumentWrapper(CXmlDocumentWrapper&&) noexcept = default;
    CXmlDocumentWrapper& operator=(const CXmlDocumentWrapper&) = default;
    CXmlDocumentWrapper& operator=(CXmlDocumentWrapper&&) noexcept = default;

    bool isValid() const noexcept { return static_cast<bool>(m_document); }
    IXMLDOMDocument* get() const noexcept { return m_document.get(); }

    // Parses text as the whole document. A text the DOM rejects is an answer, not an error:
    // false, never an exception.
    bool loadXml(const std::wstring& text);
    // Loads a file or URL synchronously; false when it cannot be read or parsed.
    bool loadUrl(const std::wstring& pathOrUrl);
    std::wstring url() const;
    std::wstring xml() const;
    void save(const std::wstring& path);

    // The document element; null when the document has none.
    CXmlNodeWrapper rootNode() const;

private:
    Com::ComPtr<IXMLDOMDocument> m_document;
};

class CXmlNodeWrapper {
public:
    CXmlNodeWrapper() noexcept = default;
    // Holds a reference the wrapper owns.
    explicit CXmlNodeWrapper(Com::ComPtr<IXMLDOMNode> node) noexcept;
    // With autoRelease the wrapper takes over the caller's reference and releases it. Without,
    // it only borrows the pointer and never releases it: for a node whose lifetime someone else
    // manages, such as a node handed to a callback for the duration of the call, where an extra
    // Release would free the node under its owner. The caller then keeps the node alive for
    // the wrapper's lifetime (and that of its copies).
    CXmlNodeWrapper(IXMLDOMNode* node, bool autoRelease) noexcept;
    virtual ~CXmlNodeWrapper();
    CXmlNodeWrapper(const CXmlNodeWrapper&) = default;
    CXmlNodeWrapper(CXmlNodeWrapper&&) noexcept = default;
    CXmlNodeWrapper& operator=(const CXmlNodeWrapper&) = default;
    CXmlNodeWrapper& operator=(CXmlNodeWrapper&&) noexcept = default;

    bool isValid() const noexcept { return get() != nullptr; }
    bool autoRelease() const noexcept { return static_cast<bool>(m_owned); }
    IXMLDOMNode* get() const noexcept { return m_owned ? m_owned.get() : m_borrowed; }

    // The first node the XPath expression selects; null when none matches or the expression
    // is rejected: this one never raises for a DOM failure.
    CXmlNodeWrapper selectNode(const std::wstring& xpath) const;
    CXmlNodeListWrapper selectNodes(const std::wstring& xpath) const;

    // The local name, without a namespace prefix.
    std::wstring name() const;
    // All descendant text.
    std::wstring text() const;
    void setText(const std::wstring& text);
    std::wstring xml() const;

    // The value of the attribute `name`; empty when the node has no such attribute.
    std::wstring attributeValue(const std::wstring& name) const;
    long attributeCount() const;
    std::wstring attributeName(long index) const;
    std::wstring attributeValue(long index) const;
    // Creates or replaces the attribute `name`. 32-bit integers are written "%ld", 16-bit ones
    // "%hd", floating-point numbers "%f", flags "True"/"False", anything else as its text.
    // Nothing happens on a node that has no owner document or cannot carry attributes.
    void setAttribute(const std::wstring& name, const Com::Variant& value);
    void setAttribute(const std::wstring& name, std::wstring_view text);

    CXmlNodeWrapper parent() const;
    long childCount() const;
    CXmlNodeWrapper child(long index) const;
    // Inserts a deep copy of `node` before the child `before` (at the end when `before` is null)
    // and returns the copy.
    CXmlNodeWrapper insertCopyBefore(const CXmlNodeWrapper& before, const CXmlNodeWrapper& node);
    // Returns the child that was replaced.
    CXmlNodeWrapper replaceChild(const CXmlNodeWrapper& newChild, const CXmlNodeWrapper& oldChild);
    // Returns the removed child.
    CXmlNodeWrapper removeChild(const CXmlNodeWrapper& child);

private:
    Com::ComPtr<IXMLDOMNode> m_owned;
    IXMLDOMNode* m_borrowed = nullptr;
};

class CXmlNodeListWrapper {
public:
    CXmlNodeListWrapper() noexcept = default;
    explicit CXmlNodeListWrapper(Com::ComPtr<IXMLDOMNodeList> list) noexcept;
    virtual ~CXmlNodeListWrapper();
    CXmlNodeListWrapper(const CXmlNodeListWrapper&) = default;
    CXmlNodeListWrapper(CXmlNodeListWrapper&&) noexcept = default;
    CXmlNodeListWrapper& operator=(const CXmlNodeListWrapper&) = default;
    CXmlNodeListWrapper& operator=(CXmlNodeListWrapper&&) noexcept = default;

    bool isValid() const noexcept { return static_cast<bool>(m_list); }
    IXMLDOMNodeList* get() const noexcept { return m_list.get(); }

    long count() const;
    CXmlNodeWrapper item(long index) const;
    // The list's own cursor: the next node, null after the last.
    CXmlNodeWrapper nextNode();
    void reset();

    // A new document "<NodeList>…</NodeList>" holding deep copies of the list's nodes in list
    // order; the nodes themselves stay where they are. Invalid for an invalid list.
    CXmlDocumentWrapper asDocument() const;

private:
    Com::ComPtr<IXMLDOMNodeList> m_list;
};
