#include "AccountTestSupport.h"
#include "Localization.h"
#include "Log.h"
#include "NCProfile.h"
#include "TestSupport.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <iostream>
#include <string>

using AccountTestSupport::DesktopApp;
using TestSupport::LogCapture;

namespace {

constexpr char FullProfile[] = R"({
  "identity": {"subscription_id": "sub-1", "access_token": "tok-1"},
  "hostprofile": {"email": "user@example.com"},
  "general": {"plugin_lang": "de"},
  "connection": {"proxy_type": 1, "actual_proxy": "proxy.example:8080"},
  "cobrand": {"id": "p7", "title": "Partner", "web_site": "https://partner.example", "sso": true, "login": true}
})";

std::string ansi(const std::wstring& text)
{
    return fromUtf16(text, CP_THREAD_ACP);
}

class ProfileTest : public testing::Test {
protected:
    void SetUp() override { Log::open(getLogFilePath()); }
    void TearDown() override { Log::close(); }

    static NCProfile& profile() { return NCProfile::instance(); }
    static NCProfile& reloaded()
    {
        profile().reload();
        return profile();
    }
    NCProfile& installedWith(const std::string& json)
    {
        m_app.installExecutable(DesktopApp::LocalAppData);
        m_app.writePreferences(json);
        return reloaded();
    }

    DesktopApp m_app;
    LogCapture m_log;
};

} // namespace

TEST_F(ProfileTest, ReadsEveryMemberOfTheDesktopProfile)
{
    const NCProfile& p = installedWith(FullProfile);
    const auto messages = m_log.messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "Loading creds from EXE configuration");
    EXPECT_EQ(messages.back(), "Creds loaded OK");

    EXPECT_TRUE(p.loaded);
    EXPECT_EQ(p.subscriptionId, "sub-1");
    EXPECT_EQ(p.accessToken, "tok-1");
    EXPECT_EQ(p.email, "user@example.com");
    EXPECT_EQ(p.pluginLang, "de");
    EXPECT_EQ(p.proxyType, 1);
    EXPECT_EQ(p.actualProxy, "proxy.example:8080");
    EXPECT_EQ(p.cobrand.id, "p7");
    EXPECT_EQ(p.cobrand.title, "Partner");
    EXPECT_EQ(p.cobrand.webSite, "https://partner.example");
    EXPECT_TRUE(p.cobrand.sso);
    EXPECT_TRUE(p.cobrand.login);
    EXPECT_EQ(desktopProfileLanguage(), "de");
    EXPECT_EQ(findDesktopApp(), DesktopApp::executablePath(DesktopApp::LocalAppData));
}

TEST_F(ProfileTest, WithoutTheApplicationThePreferencesAreIgnored)
{
    m_app.writePreferences(FullProfile);
    const NCProfile& p = reloaded();

    EXPECT_FALSE(p.loaded);
    EXPECT_TRUE(findDesktopApp().empty());
    EXPECT_TRUE(desktopProfileLanguage().empty());
    EXPECT_TRUE(m_log.contains("The NC app is not installed"));
    EXPECT_FALSE(m_log.contains("Creds loaded OK"));
}

TEST_F(ProfileTest, ApplicationUnderProgramFilesKeepsItsPreferencesUnderLocalAppData)
{
    m_app.installExecutable(DesktopApp::ProgramFiles);
    m_app.writePreferences(FullProfile, DesktopApp::LocalAppData);
    EXPECT_EQ(findDesktopApp(), DesktopApp::executablePath(DesktopApp::ProgramFiles));
    EXPECT_TRUE(reloaded().loaded);

    m_app.removePreferences(DesktopApp::LocalAppData);
    m_app.writePreferences(FullProfile, DesktopApp::ProgramFiles);
    EXPECT_FALSE(reloaded().loaded);
    EXPECT_TRUE(m_log.contains("Error opening preferences file " + ansi(DesktopApp::preferencesPath())));
}

TEST_F(ProfileTest, ProxyTypeOutsideTheKnownModesBecomesZero)
{
    const struct {
        const char* member;
        int expected;
    } cases[] = {
        {R"("proxy_type": 7)", 0}, {R"("proxy_type": -1)", 0}, {R"("proxy_type": 3)", 0},
        {R"("proxy_type": 2)", 2}, {R"("proxy_type": 1)", 1}, {R"("proxy_type": 0)", 0},
        {R"("proxy_type": 2.0)", 2}, {R"("proxy_type": 4294967295)", 0}, {R"("other": 2)", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.member);
        profile().proxyType = 1;
        const NCProfile& p = installedWith(std::string(R"({"connection": {)") + c.member + "}}");
        EXPECT_TRUE(p.loaded);
        EXPECT_EQ(p.proxyType, c.expected);
    }
}

TEST_F(ProfileTest, ProfileWithoutCobrandIdKeepsThePreviousBranding)
{
    installedWith(R"({"cobrand": {"id": "p7", "title": "Partner", "web_site": "https://p.example", "sso": true, "login": true}})");
    const NCProfile& p = installedWith(R"({"cobrand": {"id": "", "title": "Other", "web_site": "https://o.example", "sso": false, "login": false}})");

    EXPECT_TRUE(p.loaded);
    EXPECT_EQ(p.cobrand.id, "");
    EXPECT_EQ(p.cobrand.title, "Partner");
    EXPECT_EQ(p.cobrand.webSite, "https://p.example");
    EXPECT_TRUE(p.cobrand.sso);
    EXPECT_TRUE(p.cobrand.login);

    // With an id, flags that are absent read as false.
    const NCProfile& q = installedWith(R"({"cobrand": {"id": "p8"}})");
    EXPECT_EQ(q.cobrand.id, "p8");
    EXPECT_EQ(q.cobrand.title, "");
    EXPECT_FALSE(q.cobrand.sso);
    EXPECT_FALSE(q.cobrand.login);
}

TEST_F(ProfileTest, ProfileWithoutIdentityLoadsWithoutCredentials)
{
    installedWith(FullProfile);
    const NCProfile& p = installedWith(R"({"hostprofile": {"email": "other@example.com"}})");

    EXPECT_TRUE(p.loaded);
    EXPECT_EQ(p.accessToken, "");
    EXPECT_EQ(p.subscriptionId, "");
    EXPECT_EQ(p.email, "other@example.com");
    EXPECT_EQ(p.pluginLang, "");
}

TEST_F(ProfileTest, CommentsAreAccepted)
{
    const NCProfile& p = installedWith(R"(/* written by the desktop application */
{
  // the signed-in user
  "hostprofile": {"email": "user@example.com"}, /* inline */
  "general": {"plugin_lang": "fr"} // trailing
}
)");
    EXPECT_TRUE(p.loaded);
    EXPECT_EQ(p.email, "user@example.com");
    EXPECT_EQ(p.pluginLang, "fr");
}

TEST_F(ProfileTest, MembersOfAnotherTypeReadAsAbsentAndTheRestStillLoads)
{
    const NCProfile& p = installedWith(R"({
      "identity": "not an object",
      "hostprofile": {"email": {"address": "user@example.com"}},
      "general": {"plugin_lang": ["de"]},
      "connection": {"proxy_type": "2", "actual_proxy": 8080},
      "cobrand": {"id": 42, "login": "yes", "sso": 1, "title": null, "web_site": {}}
    })");

    EXPECT_TRUE(p.loaded);
    EXPECT_EQ(p.accessToken, "");
    EXPECT_EQ(p.subscriptionId, "");
    EXPECT_EQ(p.email, "");
    EXPECT_EQ(p.pluginLang, "");
    EXPECT_EQ(p.proxyType, 0);
    EXPECT_EQ(p.actualProxy, "8080"); // numbers still convert to text
    EXPECT_EQ(p.cobrand.id, "42");
    EXPECT_FALSE(p.cobrand.login);
    EXPECT_TRUE(p.cobrand.sso);
    EXPECT_EQ(p.cobrand.title, "");
    EXPECT_EQ(p.cobrand.webSite, "");
}

TEST_F(ProfileTest, DocumentsThatAreNotAPreferencesObjectLeaveTheProfileUnloaded)
{
    const std::string deep = std::string(5000, '[') + std::string(5000, ']');
    const std::string documents[] = {"", "not json", R"({"general": )", "[1, 2]", R"("text")", "42", deep};
    installedWith(FullProfile);
    for (const std::string& document : documents) {
        SCOPED_TRACE(document.substr(0, 20));
        LogCapture log;
        const NCProfile& p = installedWith(document);
        EXPECT_FALSE(p.loaded);
        EXPECT_EQ(p.email, "user@example.com");
        EXPECT_TRUE(log.contains("Error parsing preferences file " + ansi(DesktopApp::preferencesPath())));
    }
}

TEST_F(ProfileTest, ReloadWithoutTheFileKeepsValuesButIsNotLoaded)
{
    installedWith(FullProfile);
    m_app.removePreferences();
    const NCProfile& p = reloaded();

    EXPECT_FALSE(p.loaded);
    EXPECT_EQ(p.email, "user@example.com");
    EXPECT_EQ(p.accessToken, "tok-1");
    EXPECT_TRUE(desktopProfileLanguage().empty());
}

TEST_F(ProfileTest, CheckPathExists)
{
    m_app.installExecutable(DesktopApp::LocalAppData);
    const std::wstring folder = DesktopApp::folder(DesktopApp::LocalAppData);
    const std::string folderUtf8 = fromUtf16(folder, CP_UTF8);

    EXPECT_EQ(checkPathExists(L"", L"TVZ EN.exe"), L"");
    EXPECT_TRUE(m_log.messages().empty());

    EXPECT_EQ(checkPathExists(folder, L"TVZ EN.exe"), folder + L"\\TVZ EN.exe");
    EXPECT_EQ(checkPathExists(folder, L"caf\u00e9.exe"), L"");
    EXPECT_EQ(m_log.messages(), (std::vector<std::string>{
                                    "Check module path: " + folderUtf8 + "\\TVZ EN.exe",
                                    "Check module path: " + folderUtf8 + "\\caf\xc3\xa9.exe",
                                    "Path is missing",
                                }));
}

TEST_F(ProfileTest, EveryConformanceSuiteDocumentLoadsOrFailsCleanly)
{
    const auto documents = TestSupport::jsonSuiteDocuments();
    ASSERT_GT(documents.size(), 300u) << "the suite was not copied beside the program";
    m_app.installExecutable(DesktopApp::LocalAppData);
    int loaded = 0;
    int failed = 0;
    for (const auto& document : documents) {
        SCOPED_TRACE(document.name);
        m_app.writePreferences(document.content);
        ASSERT_NO_THROW(profile().reload());
        if (profile().loaded) {
            ++loaded;
        } else {
            ++failed;
            EXPECT_TRUE(m_log.contains("Error parsing preferences file " + ansi(DesktopApp::preferencesPath())));
        }
    }
    std::cout << "[ suite    ] desktop profile: " << documents.size() << " documents, " << loaded << " loaded, "
              << failed << " failed cleanly\n";
}
