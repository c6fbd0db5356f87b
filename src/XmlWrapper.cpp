#include "XmlWrapper.h"

#include "Com/BStr.h"
#include "Com/ComError.h"

#include <cwchar>
#include <iterator>

namespace {

// MSXML 3's "Msxml2.DOMDocument"; mingw's libuuid has neither this CLSID under a name of its
// own nor IXMLDOMDocument2's IID.
constexpr CLSID CLSID_Msxml3DomDocument = {0xf6d90f11, 0x9c73, 0x11d3, {0xb3, 0x2e, 0x00, 0xc0, 0x4f, 0x99, 0x0b, 0xb4}};
constexpr IID IID_DomDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

// MSXML 3 selects with XSLPattern unless told otherwise, and Wine's XSLPattern parser crashes
// on some malformed expressions. A document that offers the property but refuses it would
// evaluate our expressions in the wrong language, so it is not used at all.
bool selectXPath(const Com::ComPtr<IXMLDOMDocument>& document)
{
    const auto document2 = document.query<IXMLDOMDocument2>(IID_DomDocument2);
    if (!document2)
        return true;
    const Com::BStr name(L"SelectionLanguage");
    const Com::Variant language = Com::Variant::fromString(L"XPath");
    return SUCCEEDED(document2->setProperty(name.get(), language.get()));
}

// The configuration document comes from the network: it must not make the parser fetch
// external entities or DTDs.
bool keepParsingLocal(const Com::ComPtr<IXMLDOMDocument>& document)
{
    return SUCCEEDED(document->put_resolveExternals(VARIANT_FALSE));
}

std::wstring formatted(const wchar_t* format, auto value)
{
    // Room for "%f" of the largest double: 309 integer digits, a sign and six decimals.
    wchar_t text[400];
    std::swprintf(text, std::size(text), format, value);
    return text;
}

std::wstring attributeText(const Com::Variant& value)
{
    const VARIANT& v = value.get();
    switch (v.vt) {
    case VT_I4:
        return formatted(L"%ld", v.lVal);
    case VT_I2:
        return formatted(L"%hd", v.iVal);
    case VT_R8:
        return formatted(L"%f", v.dblVal);
    case VT_R4:
        return formatted(L"%f", static_cast<double>(v.fltVal));
    case VT_BOOL:
        return v.boolVal != VARIANT_FALSE ? L"True" : L"False";
    default:
        return value.toString();
    }
}

Com::ComPtr<IXMLDOMNode> deepCopy(IXMLDOMNode* node)
{
    Com::ComPtr<IXMLDOMNode> copy;
    Com::check(node->cloneNode(VARIANT_TRUE, copy.put()), IID_IXMLDOMNode);
    return copy;
}

// insertBefore's reference child: the node, or VT_NULL, which appends.
Com::Variant referenceChild(IXMLDOMNode* before)
{
    Com::Variant reference;
    VARIANT* v = reference.put();
    if (before) {
        v->vt = VT_UNKNOWN;
        v->punkVal = before;
        before->AddRef();
    } else {
        v->vt = VT_NULL;
    }
    return reference;
}

CXmlDocumentWrapper noDocument()
{
    return CXmlDocumentWrapper(Com::ComPtr<IXMLDOMDocument>());
}

} // namespace

// --- CXmlDocumentWrapper ----------------------------------------------------------------------

CXmlDocumentWrapper::CXmlDocumentWrapper() : CXmlDocumentWrapper(CLSID_Msxml3DomDocument)
{
}

CXmlDocumentWrapper::CXmlDocumentWrapper(const CLSID& documentClass)
{
    Com::ComPtr<IUnknown> object;
    if (FAILED(CoCreateInstance(documentClass, nullptr, CLSCTX_ALL, IID_IUnknown, object.putVoid())))
        return;
    if (FAILED(OleRun(object.get())))
        return;
    auto document = object.query<IXMLDOMDocument>(IID_IXMLDOMDocument);
    if (document && selectXPath(document) && keepParsingLocal(document))
        m_document = std::move(document);
}

CXmlDocumentWrapper::CXmlDocumentWrapper(Com::ComPtr<IXMLDOMDocument> document) noexcept
    : m_document(std::move(document))
{
}

CXmlDocumentWrapper::~CXmlDocumentWrapper() = default;

bool CXmlDocumentWrapper::loadXml(const std::wstring& text)
{
    if (!m_document)
        return false;
    const Com::BStr xml(text);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    return SUCCEEDED(m_document->loadXML(xml.get(), &loaded)) && loaded == VARIANT_TRUE;
}

bool CXmlDocumentWrapper::loadUrl(const std::wstring& pathOrUrl)
{
    if (!m_document)
        return false;
    Com::check(m_document->put_async(VARIANT_FALSE), IID_IXMLDOMDocument);
    const Com::Variant source = Com::Variant::fromString(pathOrUrl);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    return SUCCEEDED(m_document->load(source.get(), &loaded)) && loaded == VARIANT_TRUE;
}

std::wstring CXmlDocumentWrapper::url() const
{
    if (!m_document)
        return {};
    Com::BStr url;
    Com::check(m_document->get_url(url.put()), IID_IXMLDOMDocument);
    return url.str();
}

std::wstring CXmlDocumentWrapper::xml() const
{
    if (!m_document)
        return {};
    Com::BStr xml;
    Com::check(m_document->get_xml(xml.put()), IID_IXMLDOMDocument);
    return xml.str();
}

void CXmlDocumentWrapper::save(const std::wstring& path)
{
    if (!m_document)
        return;
    const Com::Variant destination = Com::Variant::fromString(path);
    Com::check(m_document->save(destination.get()), IID_IXMLDOMDocument);
}

CXmlNodeWrapper CXmlDocumentWrapper::rootNode() const
{
    if (!m_document)
        return {};
    Com::ComPtr<IXMLDOMElement> element;
    Com::check(m_document->get_documentElement(element.put()), IID_IXMLDOMDocument);
    return CXmlNodeWrapper(element.query<IXMLDOMNode>(IID_IXMLDOMNode));
}

// --- CXmlNodeWrapper --------------------------------------------------------------------------

CXmlNodeWrapper::CXmlNodeWrapper(Com::ComPtr<IXMLDOMNode> node) noexcept : m_owned(std::move(node))
{
}

CXmlNodeWrapper::CXmlNodeWrapper(IXMLDOMNode* node, bool autoRelease) noexcept
{
    if (autoRelease)
        m_owned = Com::ComPtr<IXMLDOMNode>::attach(node);
    else
        m_borrowed = node;
}

CXmlNodeWrapper::~CXmlNodeWrapper() = default;

CXmlNodeWrapper CXmlNodeWrapper::selectNode(const std::wstring& xpath) const
{
    if (!isValid())
        return {};
    const Com::BStr expression(xpath);
    Com::ComPtr<IXMLDOMNode> node;
    if (FAILED(get()->selectSingleNode(expression.get(), node.put())))
        return {};
    return CXmlNodeWrapper(std::move(node));
}

CXmlNodeListWrapper CXmlNodeWrapper::selectNodes(const std::wstring& xpath) const
{
    if (!isValid())
        return {};
    const Com::BStr expression(xpath);
    Com::ComPtr<IXMLDOMNodeList> list;
    Com::check(get()->selectNodes(expression.get(), list.put()), IID_IXMLDOMNode);
    return CXmlNodeListWrapper(std::move(list));
}

std::wstring CXmlNodeWrapper::name() const
{
    if (!isValid())
        return {};
    Com::BStr name;
    Com::check(get()->get_baseName(name.put()), IID_IXMLDOMNode);
    return name.str();
}

std::wstring CXmlNodeWrapper::text() const
{
    if (!isValid())
        return {};
    Com::BStr text;
    Com::check(get()->get_text(text.put()), IID_IXMLDOMNode);
    return text.str();
}

void CXmlNodeWrapper::setText(const std::wstring& text)
{
    if (!isValid())
        return;
    const Com::BStr value(text);
    Com::check(get()->put_text(value.get()), IID_IXMLDOMNode);
}

std::wstring CXmlNodeWrapper::xml() const
{
    if (!isValid())
        return {};
    Com::BStr xml;
    Com::check(get()->get_xml(xml.put()), IID_IXMLDOMNode);
    return xml.str();
}

namespace {

Com::ComPtr<IXMLDOMNamedNodeMap> attributesOf(IXMLDOMNode* node)
{
    Com::ComPtr<IXMLDOMNamedNodeMap> attributes;
    if (node)
        Com::check(node->get_attributes(attributes.put()), IID_IXMLDOMNode);
    return attributes;
}

Com::ComPtr<IXMLDOMNode> attributeAt(IXMLDOMNode* node, long index)
{
    Com::ComPtr<IXMLDOMNode> attribute;
    if (const auto attributes = attributesOf(node))
        Com::check(attributes->get_item(index, attribute.put()), IID_IXMLDOMNamedNodeMap);
    return attribute;
}

std::wstring valueOf(const Com::ComPtr<IXMLDOMNode>& attribute)
{
    if (!attribute)
        return {};
    Com::Variant value;
    Com::check(attribute->get_nodeValue(value.put()), IID_IXMLDOMNode);
    return value.toString();
}

} // namespace

std::wstring CXmlNodeWrapper::attributeValue(const std::wstring& name) const
{
    const auto attributes = attributesOf(get());
    if (!attributes)
        return {};
    const Com::BStr attributeName(name);
    Com::ComPtr<IXMLDOMNode> attribute;
    Com::check(attributes->getNamedItem(attributeName.get(), attribute.put()), IID_IXMLDOMNamedNodeMap);
    return valueOf(attribute);
}

long CXmlNodeWrapper::attributeCount() const
{
    const auto attributes = attributesOf(get());
    if (!attributes)
        return 0;
    long count = 0;
    Com::check(attributes->get_length(&count), IID_IXMLDOMNamedNodeMap);
    return count;
}

std::wstring CXmlNodeWrapper::attributeName(long index) const
{
    const auto attribute = attributeAt(get(), index);
    if (!attribute)
        return {};
    Com::BStr name;
    Com::check(attribute->get_nodeName(name.put()), IID_IXMLDOMNode);
    return name.str();
}

std::wstring CXmlNodeWrapper::attributeValue(long index) const
{
    return valueOf(attributeAt(get(), index));
}

void CXmlNodeWrapper::setAttribute(const std::wstring& name, const Com::Variant& value)
{
    setAttribute(name, attributeText(value));
}

void CXmlNodeWrapper::setAttribute(const std::wstring& name, std::wstring_view text)
{
    if (!isValid())
        return;
    Com::ComPtr<IXMLDOMDocument> document;
    Com::check(get()->get_ownerDocument(document.put()), IID_IXMLDOMNode);
    const auto attributes = attributesOf(get());
    if (!document || !attributes)
        return;
    const Com::BStr attributeName(name);
    Com::ComPtr<IXMLDOMAttribute> attribute;
    Com::check(document->createAttribute(attributeName.get(), attribute.put()), IID_IXMLDOMDocument);
    const Com::BStr value(text);
    Com::check(attribute->put_text(value.get()), IID_IXMLDOMAttribute);
    Com::ComPtr<IXMLDOMNode> stored;
    Com::check(attributes->setNamedItem(attribute.get(), stored.put()), IID_IXMLDOMNamedNodeMap);
}

CXmlNodeWrapper CXmlNodeWrapper::parent() const
{
    if (!isValid())
        return {};
    Com::ComPtr<IXMLDOMNode> parent;
    Com::check(get()->get_parentNode(parent.put()), IID_IXMLDOMNode);
    return CXmlNodeWrapper(std::move(parent));
}

namespace {

Com::ComPtr<IXMLDOMNodeList> childrenOf(IXMLDOMNode* node)
{
    Com::ComPtr<IXMLDOMNodeList> children;
    if (node)
        Com::check(node->get_childNodes(children.put()), IID_IXMLDOMNode);
    return children;
}

} // namespace

long CXmlNodeWrapper::childCount() const
{
    return CXmlNodeListWrapper(childrenOf(get())).count();
}

CXmlNodeWrapper CXmlNodeWrapper::child(long index) const
{
    return CXmlNodeListWrapper(childrenOf(get())).item(index);
}

CXmlNodeWrapper CXmlNodeWrapper::insertCopyBefore(const CXmlNodeWrapper& before, const CXmlNodeWrapper& node)
{
    if (!isValid() || !node.isValid())
        return {};
    const auto copy = deepCopy(node.get());
    const Com::Variant reference = referenceChild(before.get());
    Com::ComPtr<IXMLDOMNode> inserted;
    Com::check(get()->insertBefore(copy.get(), reference.get(), inserted.put()), IID_IXMLDOMNode);
    return CXmlNodeWrapper(std::move(inserted));
}

CXmlNodeWrapper CXmlNodeWrapper::replaceChild(const CXmlNodeWrapper& newChild, const CXmlNodeWrapper& oldChild)
{
    if (!isValid())
        return {};
    Com::ComPtr<IXMLDOMNode> replaced;
    Com::check(get()->replaceChild(newChild.get(), oldChild.get(), replaced.put()), IID_IXMLDOMNode);
    return CXmlNodeWrapper(std::move(replaced));
}

CXmlNodeWrapper CXmlNodeWrapper::removeChild(const CXmlNodeWrapper& child)
{
    if (!isValid())
        return {};
    Com::ComPtr<IXMLDOMNode> removed;
    Com::check(get()->removeChild(child.get(), removed.put()), IID_IXMLDOMNode);
    return CXmlNodeWrapper(std::move(removed));
}

// --- CXmlNodeListWrapper ----------------------------------------------------------------------

CXmlNodeListWrapper::CXmlNodeListWrapper(Com::ComPtr<IXMLDOMNodeList> list) noexcept : m_list(std::move(list))
{
}

CXmlNodeListWrapper::~CXmlNodeListWrapper() = default;

long CXmlNodeListWrapper::count() const
{
    if (!m_list)
        return 0;
    long length = 0;
    Com::check(m_list->get_length(&length), IID_IXMLDOMNodeList);
    return length;
}

CXmlNodeWrapper CXmlNodeListWrapper::item(long index) const
{
    if (!m_list)
        return {};
    Com::ComPtr<IXMLDOMNode> node;
    Com::check(m_list->get_item(index, node.put()), IID_IXMLDOMNodeList);
    return CXmlNodeWrapper(std::move(node));
}

CXmlNodeWrapper CXmlNodeListWrapper::nextNode()
{
    if (!m_list)
        return {};
    Com::ComPtr<IXMLDOMNode> node;
    Com::check(m_list->nextNode(node.put()), IID_IXMLDOMNodeList);
    return CXmlNodeWrapper(std::move(node));
}

void CXmlNodeListWrapper::reset()
{
    if (m_list)
        Com::check(m_list->reset(), IID_IXMLDOMNodeList);
}

CXmlDocumentWrapper CXmlNodeListWrapper::asDocument() const
{
    if (!m_list)
        return noDocument();
    CXmlDocumentWrapper document;
    if (!document.loadXml(L"<NodeList></NodeList>"))
        return noDocument();
    CXmlNodeWrapper root = document.rootNode();
    // item(), not the list's cursor: the copy holds every node whatever a caller's iteration has
    // reached.
    const long length = count();
    for (long i = 0; i < length; ++i)
        root.insertCopyBefore(CXmlNodeWrapper(), item(i));
    return document;
}
