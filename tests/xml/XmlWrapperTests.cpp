#include "Com/ComError.h"
#include "XmlWrapper.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Element-only content, so that no parser's white-space rules decide the child counts.
const wchar_t* const Fixture =
    L"<root a=\"1\" b=\"two\">"
    L"<item id=\"1\">first</item>"
    L"<item id=\"2\">second <b>bold</b></item>"
    L"<item id=\"3\">third</item>"
    L"<package platform=\"mac\">m</package><package platform=\"win\">w</package>"
    L"</root>";

CXmlDocumentWrapper loadedFixture()
{
    CXmlDocumentWrapper document;
    EXPECT_TRUE(document.isValid());
    EXPECT_TRUE(document.loadXml(Fixture));
    return document;
}

ULONG referenceCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

std::vector<std::wstring> ids(const CXmlNodeWrapper& parent)
{
    std::vector<std::wstring> result;
    for (long i = 0; i < parent.childCount(); ++i)
        result.push_back(parent.child(i).attributeValue(L"id"));
    return result;
}

Com::Variant realVariant(double value, VARTYPE type)
{
    Com::Variant result;
    VARIANT* v = result.put();
    v->vt = type;
    if (type == VT_R4)
        v->fltVal = static_cast<float>(value);
    else
        v->dblVal = value;
    return result;
}

std::wstring tempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

} // namespace

TEST(XmlWrapper, DocumentThatCannotBeCreatedIsInvalidAndAnswersEmpty)
{
    // A class nobody registered, and one that exists but is no DOM document.
    const CLSID unregistered = {0x6b1f0c2e, 0x41d7, 0x4c55, {0x9a, 0x13, 0x27, 0x5e, 0x80, 0x0d, 0x3c, 0x91}};
    const CLSID stdFont = {0x0be35203, 0x8f91, 0x11ce, {0x9d, 0xe3, 0x00, 0xaa, 0x00, 0x4b, 0xb8, 0x51}};
    for (const CLSID& documentClass : {unregistered, stdFont}) {
        CXmlDocumentWrapper document(documentClass);
        EXPECT_FALSE(document.isValid());
        EXPECT_NO_THROW({
            EXPECT_FALSE(document.loadXml(Fixture));
            EXPECT_FALSE(document.rootNode().isValid());
            EXPECT_FALSE(document.loadUrl(L"C:\\nothing.xml"));
            EXPECT_EQ(document.xml(), L"");
            EXPECT_EQ(document.url(), L"");
            document.save(tempPath(L"never-written.xml"));
        });
    }
}

TEST(XmlWrapper, InvalidNodeAndListAnswerEmpty)
{
    EXPECT_NO_THROW({
        CXmlNodeWrapper node;
        EXPECT_FALSE(node.isValid());
        EXPECT_FALSE(node.selectNode(L"//item").isValid());
        EXPECT_FALSE(node.selectNodes(L"//item").isValid());
        EXPECT_EQ(node.text(), L"");
        EXPECT_EQ(node.name(), L"");
        EXPECT_EQ(node.xml(), L"");
        EXPECT_EQ(node.attributeValue(L"id"), L"");
        EXPECT_EQ(node.attributeCount(), 0);
        EXPECT_EQ(node.attributeName(0), L"");
        EXPECT_EQ(node.childCount(), 0);
        EXPECT_FALSE(node.child(0).isValid());
        EXPECT_FALSE(node.parent().isValid());
        node.setText(L"x");
        node.setAttribute(L"a", Com::Variant::fromBool(true));
        EXPECT_FALSE(node.insertCopyBefore(CXmlNodeWrapper(), CXmlNodeWrapper()).isValid());
        EXPECT_FALSE(node.removeChild(CXmlNodeWrapper()).isValid());

        CXmlNodeListWrapper list;
        EXPECT_EQ(list.count(), 0);
        EXPECT_FALSE(list.item(0).isValid());
        EXPECT_FALSE(list.nextNode().isValid());
        list.reset();
        EXPECT_FALSE(list.asDocument().isValid());
    });
}

TEST(XmlWrapper, RejectedTextLeavesLoadXmlFalse)
{
    CXmlDocumentWrapper document;
    for (const wchar_t* text : {L"", L"not xml", L"<a><b></a>", L"<a/><b/>"}) {
        SCOPED_TRACE(testing::Message() << "text #" << std::wstring(text).size());
        EXPECT_FALSE(document.loadXml(text));
    }
}

TEST(XmlWrapper, ReadsNodesTextAndAttributes)
{
    const CXmlDocumentWrapper document = loadedFixture();
    const CXmlNodeWrapper root = document.rootNode();
    ASSERT_TRUE(root.isValid());
    EXPECT_EQ(root.name(), L"root");
    EXPECT_EQ(root.attributeCount(), 2);
    EXPECT_EQ(root.attributeName(1), L"b");
    EXPECT_EQ(root.attributeValue(1), L"two");
    EXPECT_EQ(root.attributeName(5), L"");

    const CXmlNodeWrapper second = root.selectNode(L"//item[@id='2']");
    ASSERT_TRUE(second.isValid());
    EXPECT_EQ(second.text(), L"second bold");
    EXPECT_EQ(second.xml(), L"<item id=\"2\">second <b>bold</b></item>");
    EXPECT_EQ(second.attributeValue(L"id"), L"2");
    EXPECT_EQ(second.attributeValue(L"missing"), L"");
    EXPECT_EQ(second.parent().name(), L"root");
    EXPECT_FALSE(root.selectNode(L"//nothing").isValid());
    // A text node carries no attribute map.
    EXPECT_EQ(second.child(0).attributeValue(L"id"), L"");
    EXPECT_EQ(second.child(0).attributeCount(), 0);
}

TEST(XmlWrapper, ExpressionsAreXPath)
{
    const CXmlNodeWrapper root = loadedFixture().rootNode();
    // XSLPattern knows neither starts-with() nor 1-based positions.
    EXPECT_EQ(root.selectNode(L"//package[starts-with(@platform, 'w')]").text(), L"w");
    EXPECT_EQ(root.selectNode(L"//item[1]").text(), L"first");
    EXPECT_EQ(root.selectNode(L"//package[@platform='win']").text(), L"w");
}

TEST(XmlWrapper, MalformedExpressionSelectsNothing)
{
    const CXmlNodeWrapper root = loadedFixture().rootNode();
    for (const wchar_t* xpath : {L"//config[", L"//item[@id='1'", L"", L"///", L"@@", L"count(//item)", L"//item/..[",
                                 L"//*[@platform=]", L"]", L"//item[position(]"}) {
        SCOPED_TRACE(testing::Message() << "expression " << testing::PrintToString(std::wstring(xpath)));
        CXmlNodeWrapper node;
        EXPECT_NO_THROW(node = root.selectNode(xpath));
        EXPECT_FALSE(node.isValid());
    }
}

TEST(XmlWrapper, ForwardsRaiseComErrorWithTheInterface)
{
    const CXmlNodeWrapper root = loadedFixture().rootNode();
    try {
        root.selectNodes(L"//config[");
        ADD_FAILURE() << "selectNodes accepted a malformed expression";
    } catch (const Com::ComError& error) {
        EXPECT_TRUE(FAILED(error.hr()));
        EXPECT_TRUE(IsEqualIID(error.iid(), IID_IXMLDOMNode));
    }

    CXmlNodeWrapper first = root.child(0);
    const CXmlNodeWrapper notAChild = first.child(0).parent().parent();
    ASSERT_EQ(notAChild.name(), L"root");
    EXPECT_THROW(first.removeChild(notAChild), Com::ComError);
}

TEST(XmlWrapper, SetAttributeFormatsValues)
{
    struct Case {
        Com::Variant value;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {Com::Variant::fromBool(true), L"True"},
        {Com::Variant::fromBool(false), L"False"},
        {Com::Variant::fromInt16(7), L"7"},
        {Com::Variant::fromInt16(-32768), L"-32768"},
        {Com::Variant::fromInt32(2147483647), L"2147483647"},
        {Com::Variant::fromInt32(-42), L"-42"},
        {realVariant(2.5, VT_R8), L"2.500000"},
        {realVariant(-0.125, VT_R4), L"-0.125000"},
        {realVariant(1e20, VT_R8), L"100000000000000000000.000000"},
        {Com::Variant::fromString(L"a < b & \"c\""), L"a < b & \"c\""},
    };
    const CXmlDocumentWrapper document = loadedFixture();
    CXmlNodeWrapper item = document.rootNode().child(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.expected)));
        item.setAttribute(L"value", c.value);
        EXPECT_EQ(item.attributeValue(L"value"), c.expected);
        // The attribute is replaced, not added a second time.
        EXPECT_EQ(item.attributeCount(), 2);
    }
    item.setAttribute(L"label", L"plain text");
    EXPECT_EQ(document.rootNode().selectNode(L"//item[@label='plain text']").attributeValue(L"id"), L"1");
}

TEST(XmlWrapper, SetAttributeIgnoresNodesThatCannotCarryOne)
{
    const CXmlDocumentWrapper document = loadedFixture();
    const std::wstring before = document.xml();
    // A text node has no attribute map; the document node has no owner document.
    CXmlNodeWrapper text = document.rootNode().child(0).child(0);
    CXmlNodeWrapper documentNode(Com::ComPtr<IXMLDOMNode>(document.get()));
    EXPECT_NO_THROW(text.setAttribute(L"a", Com::Variant::fromInt32(1)));
    EXPECT_NO_THROW(documentNode.setAttribute(L"a", Com::Variant::fromInt32(1)));
    EXPECT_EQ(document.xml(), before);
}

TEST(XmlWrapper, EditingChildren)
{
    const CXmlDocumentWrapper document = loadedFixture();
    CXmlNodeWrapper root = document.rootNode();
    const CXmlNodeWrapper third = root.child(2);

    const CXmlNodeWrapper copy = root.insertCopyBefore(root.child(0), third);
    EXPECT_EQ(copy.text(), L"third");
    EXPECT_EQ(ids(root), (std::vector<std::wstring>{L"3", L"1", L"2", L"3", L"", L""}));
    // The copy is a new node: changing it leaves the original alone.
    CXmlNodeWrapper(copy).setText(L"changed");
    EXPECT_EQ(third.text(), L"third");

    EXPECT_EQ(root.replaceChild(copy, root.child(2)).attributeValue(L"id"), L"2");
    EXPECT_EQ(ids(root), (std::vector<std::wstring>{L"1", L"3", L"3", L"", L""}));

    EXPECT_EQ(root.removeChild(root.child(0)).attributeValue(L"id"), L"1");
    EXPECT_EQ(ids(root), (std::vector<std::wstring>{L"3", L"3", L"", L""}));
    EXPECT_EQ(root.child(0).text(), L"changed");
}

TEST(XmlWrapper, AsDocumentCopiesTheListInOrder)
{
    const CXmlDocumentWrapper document = loadedFixture();
    CXmlNodeListWrapper items = document.rootNode().selectNodes(L"//item");
    ASSERT_EQ(items.count(), 3);
    // Wherever the caller's iteration stands, the copy holds the whole list.
    EXPECT_EQ(items.nextNode().attributeValue(L"id"), L"1");

    const CXmlDocumentWrapper copy = items.asDocument();
    const CXmlNodeWrapper list = copy.rootNode();
    EXPECT_EQ(list.name(), L"NodeList");
    EXPECT_EQ(ids(list), (std::vector<std::wstring>{L"1", L"2", L"3"}));
    EXPECT_EQ(list.child(1).xml(), L"<item id=\"2\">second <b>bold</b></item>");

    // The nodes were copied, not moved.
    EXPECT_EQ(document.rootNode().selectNodes(L"//item").count(), 3);
    items.reset();
    EXPECT_EQ(items.nextNode().attributeValue(L"id"), L"1");
}

TEST(XmlWrapper, AutoReleaseDecidesWhetherTheNodeIsReleased)
{
    const CXmlNodeWrapper root = loadedFixture().rootNode();
    IXMLDOMNode* node = root.get();
    const ULONG held = referenceCount(node);

    {
        CXmlNodeWrapper borrowed(node, false);
        const CXmlNodeWrapper copy = borrowed;
        EXPECT_FALSE(copy.autoRelease());
        EXPECT_EQ(copy.name(), L"root");
    }
    EXPECT_EQ(referenceCount(node), held);

    node->AddRef();
    {
        CXmlNodeWrapper adopted(node, true);
        EXPECT_TRUE(adopted.autoRelease());
        EXPECT_EQ(referenceCount(node), held + 1);
    }
    EXPECT_EQ(referenceCount(node), held);
}

TEST(XmlWrapper, SaveAndLoadUrl)
{
    const std::wstring path = tempPath(L"xml_wrapper_roundtrip.xml");
    loadedFixture().save(path);

    CXmlDocumentWrapper reloaded;
    ASSERT_TRUE(reloaded.loadUrl(path));
    EXPECT_EQ(reloaded.rootNode().selectNode(L"//item[@id='3']").text(), L"third");
    EXPECT_NE(reloaded.url().find(L"xml_wrapper_roundtrip.xml"), std::wstring::npos);
    DeleteFileW(path.c_str());

    EXPECT_FALSE(CXmlDocumentWrapper().loadUrl(tempPath(L"xml_wrapper_missing.xml")));
}
