#include "Log.h"
#include "OnlineConfig.h"
#include "TestSupport.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

void PrintTo(const OnlineConfig& config, std::ostream* out)
{
    *out << "{version " << fromUtf16OrEmpty(formatVersion(config.version), CP_UTF8).view() << ", updateUrl \""
         << fromUtf16OrEmpty(config.updateUrl, CP_UTF8).view() << "\", packageUrl \""
         << fromUtf16OrEmpty(config.packageUrl, CP_UTF8).view() << "\", loaded " << config.loaded << ", force "
         << config.force << ", display " << config.display << ", message \""
         << fromUtf16OrEmpty(config.message, CP_UTF8).view() << "\"}";
}

namespace {

const std::string Web = "http://127.0.0.1:8080";
const std::wstring WebW = L"http://127.0.0.1:8080";
const std::string Message = "A new Talvora Office Add-in is available. Please update to keep scheduling meetings "
                            "from Outlook.";
const std::wstring MessageW = toUtf16(Message, CP_UTF8);
const std::wstring UpdateUrl = WebW + L"/outlook-plugin-instructions";
const std::wstring PackageUrl = WebW + L"/downloads/TalvoraSetup.exe";

enum class MessageElement { Shown, Hidden, Empty, Absent };

// The document the service publishes, in the shape of the stand-in service's presets.
struct Document {
    const char* version = "0.9.28.1"; // nullptr: no version element
    const char* force = nullptr;      // nullptr: no force attribute
    MessageElement message = MessageElement::Hidden;
    bool url = true;
    bool package = true;

    std::string text() const
    {
        std::string xml = "<?xml version=\"1.0\"?>\r\n<config>\r\n  <outlook>\r\n";
        if (version)
            xml += std::string("    <version") + (force ? std::string(" force=\"") + force + "\"" : "") + ">"
                 + version + "</version>\r\n";
        if (message == MessageElement::Shown)
            xml += "    <message display=\"true\">" + Message + "</message>\r\n";
        else if (message == MessageElement::Hidden)
            xml += "    <message display=\"false\">" + Message + "</message>\r\n";
        else if (message == MessageElement::Empty)
            xml += "    <message display=\"true\"></message>\r\n";
        if (url)
            xml += "    <url>" + Web + "/outlook-plugin-instructions</url>\r\n";
        xml += "  </outlook>\r\n  <desktop>\r\n    <version>3.4.1.0</version>\r\n  </desktop>\r\n  <executables>\r\n";
        xml += "    <package platform=\"mac\">" + Web + "/downloads/TalvoraSetup.dmg</package>\r\n";
        if (package)
            xml += "    <package platform=\"win\">" + Web + "/downloads/TalvoraSetup.exe</package>\r\n";
        xml += "  </executables>\r\n</config>\r\n";
        return xml;
    }
};

// What the service's "newer" preset gives; each case states how it differs.
OnlineConfig newer()
{
    OnlineConfig config;
    config.version = {0, 9, 28, 1};
    config.updateUrl = UpdateUrl;
    config.packageUrl = PackageUrl;
    config.loaded = true;
    config.message = MessageW;
    return config;
}

template <class Change>
OnlineConfig newerWith(Change change)
{
    OnlineConfig config = newer();
    change(config);
    return config;
}

struct Case {
    const char* name;
    std::string body;
    OnlineConfig expected;
    std::wstring versionText; // what the add-in remembers afterwards ("-" : unchanged)
    bool logsFoundMessage;
};

const std::wstring Unchanged = L"-";

std::vector<Case> cases()
{
    return {
        {"newer", Document{}.text(), newer(), L"0.9.28.1", true},
        {"older", Document{.version = "0.9.27.5"}.text(),
         newerWith([](OnlineConfig& c) { c.version = {0, 9, 27, 5}; }), L"0.9.27.5", true},
        {"major", Document{.version = "1.0.0.0"}.text(),
         newerWith([](OnlineConfig& c) { c.version = {1, 0, 0, 0}; }), L"1.0.0.0", true},
        {"short", Document{.version = "1.2"}.text(),
         newerWith([](OnlineConfig& c) { c.version = {1, 2, -1, -1}; }), L"1.2", true},
        {"force", Document{.force = "true"}.text(), newerWith([](OnlineConfig& c) { c.force = true; }), L"0.9.28.1",
         true},
        {"force-capital", Document{.force = "True"}.text(), newer(), L"0.9.28.1", true},
        {"message", Document{.message = MessageElement::Shown}.text(),
         newerWith([](OnlineConfig& c) { c.display = true; }), L"0.9.28.1", true},
        {"display-empty", Document{.message = MessageElement::Empty}.text(), newerWith([](OnlineConfig& c) {
             c.display = true;
             c.message.clear();
         }),
         L"0.9.28.1", true},
        {"no-message", Document{.message = MessageElement::Absent}.text(),
         newerWith([](OnlineConfig& c) { c.message.clear(); }), L"0.9.28.1", false},
        {"no-url", Document{.url = false}.text(), newerWith([](OnlineConfig& c) { c.updateUrl.clear(); }),
         L"0.9.28.1", true},
        {"no-package", Document{.package = false}.text(), newerWith([](OnlineConfig& c) { c.packageUrl.clear(); }),
         L"0.9.28.1", true},
        // Without a version element neither message nor url is read; the package still is.
        {"no-version", Document{.version = nullptr, .message = MessageElement::Shown}.text(),
         newerWith([](OnlineConfig& c) {
             c.version = {-1, -1, -1, -1};
             c.updateUrl.clear();
             c.message.clear();
         }),
         Unchanged, false},
        // The elements may stand anywhere in the document.
        {"nested", "<feed><entry><config><outlook><version force=\"true\">2.0.1.3</version></outlook></config></entry>"
                   "<config><executables><package platform=\"win\">pkg</package></executables></config></feed>",
         [] {
             OnlineConfig c;
             c.version = {2, 0, 1, 3};
             c.force = true;
             c.packageUrl = L"pkg";
             c.loaded = true;
             return c;
         }(),
         L"2.0.1.3", false},
        {"malformed",
         "<?xml version=\"1.0\"?>\r\n<config>\r\n  <outlook>\r\n    <version>0.9.28.1</version>\r\n    <url>" + Web
             + "/outlook-plugin-instructions</outlook>\r\n  </url>\r\n<config>\r\n",
         OnlineConfig{}, Unchanged, false},
        {"empty body", "", OnlineConfig{}, Unchanged, false},
        {"not xml", "{\"config\": true}", OnlineConfig{}, Unchanged, false},
    };
}

// The log of one parse, started empty.
class ParseLog {
public:
    ParseLog() { Log::open(getLogFilePath()); }
    ~ParseLog() { Log::close(); }
    ParseLog(const ParseLog&) = delete;
    ParseLog& operator=(const ParseLog&) = delete;

    const TestSupport::LogCapture& capture() const { return m_capture; }

private:
    TestSupport::LogCapture m_capture; // empties the file before the log opens it
};

} // namespace

TEST(OnlineConfig, Documents)
{
    Log::close();
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const ParseLog log;
        VersionNumbers onlineVersion = {-1, -1, -1, -1};
        std::wstring onlineVersionText = Unchanged;

        const OnlineConfig config = parseOnlineConfig(c.body, onlineVersion, onlineVersionText);

        EXPECT_EQ(config, c.expected);
        EXPECT_EQ(onlineVersionText, c.versionText);
        EXPECT_EQ(onlineVersion, c.expected.version);
        EXPECT_EQ(log.capture().contains("Found message"), c.logsFoundMessage);
        EXPECT_EQ(log.capture().text().find("Error parsing XML"), std::string::npos) << log.capture().text();
    }
}

TEST(OnlineConfig, ShortVersionKeepsTheRememberedComponents)
{
    VersionNumbers onlineVersion = {0, 9, 28, 1};
    std::wstring onlineVersionText = L"0.9.28.1";

    const OnlineConfig config = parseOnlineConfig(Document{.version = "1.2"}.text(), onlineVersion, onlineVersionText);

    EXPECT_EQ(onlineVersion, (VersionNumbers{1, 2, 28, 1}));
    EXPECT_EQ(config.version, onlineVersion);
    EXPECT_EQ(onlineVersionText, L"1.2");
}

TEST(OnlineConfig, RejectedDocumentLeavesTheRememberedVersionAlone)
{
    VersionNumbers onlineVersion = {0, 9, 28, 1};
    std::wstring onlineVersionText = L"0.9.28.1";

    const OnlineConfig config = parseOnlineConfig("<config><outlook><version>2.0.0.0</version>", onlineVersion,
                                                  onlineVersionText);

    EXPECT_FALSE(config.loaded);
    EXPECT_EQ(onlineVersion, (VersionNumbers{0, 9, 28, 1}));
    EXPECT_EQ(onlineVersionText, L"0.9.28.1");
}
