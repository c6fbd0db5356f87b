#include "OnlineConfig.h"

#include "Com/ComError.h"
#include "Log.h"
#include "TextCodec.h"
#include "XmlWrapper.h"

namespace {

bool isTrue(const CXmlNodeWrapper& node, const wchar_t* attribute)
{
    return node.attributeValue(attribute) == L"true";
}

void readDocument(const CXmlNodeWrapper& root, OnlineConfig& config, VersionNumbers& onlineVersion,
                  std::wstring& onlineVersionText)
{
    if (const CXmlNodeWrapper version = root.selectNode(L"//config/outlook/version"); version.isValid()) {
        onlineVersionText = version.text();
        parseVersion(onlineVersionText, onlineVersion);
        config.version = onlineVersion;
        config.force = isTrue(version, L"force");
        if (const CXmlNodeWrapper message = root.selectNode(L"//config/outlook/message"); message.isValid()) {
            TVZ_LOG("Found message");
            config.message = message.text();
            config.display = isTrue(message, L"display");
        }
        if (const CXmlNodeWrapper url = root.selectNode(L"//config/outlook/url"); url.isValid())
            config.updateUrl = url.text();
    }
    if (const CXmlNodeWrapper package = root.selectNode(L"//config/executables/package[@platform='win']");
        package.isValid())
        config.packageUrl = package.text();
}

} // namespace

OnlineConfig parseOnlineConfig(const std::string& body, VersionNumbers& onlineVersion, std::wstring& onlineVersionText)
{
    OnlineConfig config;
    CXmlDocumentWrapper document;
    // A body the code page cannot convert becomes an empty text, which the document rejects.
    if (!document.loadXml(toUtf16OrEmpty(body, CP_THREAD_ACP).str()))
        return config;
    try {
        readDocument(document.rootNode(), config, onlineVersion, onlineVersionText);
        config.loaded = true;
    } catch (const Com::ComError& error) {
        TVZ_LOG("Error parsing XML: " << error.message());
    }
    return config;
}
