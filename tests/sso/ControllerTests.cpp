// The sign-in controller: what each poll makes of the window titles it sees, the address it
// opens, the code it reads from a result title, and the exchange against the stand-in service.
#include "Account.h"
#include "Log.h"
#include "SSO/SSO.h"
#include "ServiceControl.h"
#include "TestSupport.h"
#include "TextCodec.h"
#include "UrlRecorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Titles = std::vector<std::string>;

// One poll: the titles on the desktop, in enumeration order, and what the controller made of them.
struct Poll {
    Titles titles;
    std::string result;
    int loginTime;
    std::string logged; // the poll's last log message
};

class ControllerTest : public testing::Test {
protected:
    void SetUp() override { Log::open(getLogFilePath()); }
    void TearDown() override { Log::close(); }

    TestSupport::LogCapture log;
};

const std::string Authorize = "Authorize Talvora Meeting - api/v3/authorize?_t=";
const std::string Browser = " - Stand-in Browser";

} // namespace

TEST_F(ControllerTest, EachPollDecidesOnTheFirstMatchingTitleOfItsPhase)
{
    const struct {
        const char* name;
        std::vector<Poll> polls;
        std::string code; // parse_callback of the last poll's result
    } cases[] = {
        {"a stale result page first in enumeration order hides a fresh one",
         {{{"Inbox - Outlook", Authorize + "1000" + Browser}, "", 1000, "[SSO] get_access_token logged in 1000"},
          {{"Talvora - wall/alice.walker?code=old0ne&_t=999" + Browser,
            "Talvora - wall/alice.walker?code=fresh1&_t=1001" + Browser},
           "", 1000, "[SSO] get_access_token invalid auth_time 999 login_time is 1000"},
          {{"Talvora - wall/alice.walker?code=fresh1&_t=1001" + Browser},
           "Talvora - wall/alice.walker?code=fresh1&_t=1001" + Browser, 1000,
           "[SSO] get_access_token succeeded Talvora - wall/alice.walker?code=fre***&_t=1001" + Browser}},
         "fresh1"},
        {"a result as old as the authorization page counts, an older one does not",
         {{{Authorize + "1000"}, "", 1000, "[SSO] get_access_token logged in 1000"},
          {{"Talvora - wall/a?code=abcdefgh&_t=999"}, "", 1000,
           "[SSO] get_access_token invalid auth_time 999 login_time is 1000"},
          {{"Talvora - wall/a?code=abcdefgh&_t=1000"}, "Talvora - wall/a?code=abcdefgh&_t=1000", 1000,
           "[SSO] get_access_token succeeded Talvora - wall/a?code=abcd***&_t=1000"}},
         "abcdefgh"},
        {"a result title without a question mark has no time and counts",
         {{{Authorize + "50"}, "", 50, "[SSO] get_access_token logged in 50"},
          {{"Talvora - wall/a&code=n0time"}, "Talvora - wall/a&code=n0time", 50,
           "[SSO] get_access_token succeeded Talvora - wall/a&code=n0t***"}},
         "n0time"},
        {"a key that ends in code= gives the code",
         {{{Authorize + "7"}, "", 7, "[SSO] get_access_token logged in 7"},
          {{"Talvora - wall/a?xcode=k3yk3y&_t=8"}, "Talvora - wall/a?xcode=k3yk3y&_t=8", 7,
           "[SSO] get_access_token succeeded Talvora - wall/a?xcode=k3y***&_t=8"}},
         "k3yk3y"},
        {"an error title ends the wait without a code",
         {{{Authorize + "9"}, "", 9, "[SSO] get_access_token logged in 9"},
          {{"Talvora - auth/callback?error=access_denied&_t=9" + Browser},
           "Talvora - auth/callback?error=access_denied&_t=9" + Browser, 9,
           "[SSO] get_access_token succeeded Talvora - auth/callback?error=access_denied&_t=9" + Browser}},
         ""},
        {"a time that is no 32-bit number counts as none",
         {{{Authorize + "soon"}, "", -1, "[SSO] get_access_token logged in -1"},
          {{Authorize + "4294967296"}, "", -1, "[SSO] get_access_token logged in -1"},
          {{Authorize + "  42 o'clock"}, "", 42, "[SSO] get_access_token logged in 42"},
          {{"Talvora - wall/a?code=zzzz9999&_t=later"}, "Talvora - wall/a?code=zzzz9999&_t=later", 42,
           "[SSO] get_access_token succeeded Talvora - wall/a?code=zzzz***&_t=later"}},
         "zzzz9999"},
        {"without a time the first phase is never left and result pages never count",
         {{{"", "Authorize - api/v3/authorize", "Talvora - wall/a?code=early&_t=1"}, "", -1,
           "[SSO] get_access_token logged in -1"},
          {{Authorize + "-5"}, "", -5, "[SSO] get_access_token logged in -5"},
          {{"Talvora - wall/a?code=early&_t=1"}, "", -5, "[SSO] get_access_token no token"},
          {{}, "", -5, "[SSO] get_access_token no token"}},
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t poll = 0;
        SSO::Controller controller([&] {
            std::vector<WindowsList::Entry> entries;
            for (const std::string& title : c.polls[poll].titles)
                entries.emplace_back(nullptr, title);
            return entries;
        });
        controller.login(SSO::AuthTokenPattern, SSO::LoginTokenPattern);
        std::string last;
        for (poll = 0; poll < c.polls.size(); ++poll) {
            SCOPED_TRACE("poll " + std::to_string(poll + 1));
            const TestSupport::LogCapture pollLog;
            last = controller.get_access_token();
            EXPECT_EQ(last, c.polls[poll].result);
            EXPECT_EQ(controller.loginTime(), c.polls[poll].loginTime);
            const std::vector<std::string> messages = pollLog.messages();
            ASSERT_EQ(messages.size(), 2u) << pollLog.text();
            EXPECT_EQ(messages[0], "[SSO] try get_access_token");
            EXPECT_EQ(messages[1], c.polls[poll].logged);
        }
        EXPECT_EQ(controller.parse_callback(last), c.code);
    }
}

TEST_F(ControllerTest, TheLastPieceWithACodeWins)
{
    const SSO::Controller controller(SSO::Controller::Titles{});
    EXPECT_EQ(controller.parse_callback("wall/a?code=one&&code=two&_t=3"), "two");
    EXPECT_EQ(controller.parse_callback("wall/a?code=x=y&_t=3"), "x=y") << "the text after the first code=";
    EXPECT_EQ(controller.parse_callback("wall/a?error=denied&_t=3"), "");
}

// The sign-in page opens with the authorize address as its parameter, whose redirect address is
// encoded in turn; the start forgets the previous attempt.
TEST_F(ControllerTest, TheStartOpensTheSignInPageWithTheRedirectEncodedTwice)
{
    const TestSupport::ServiceControl service;
    const std::string port = std::to_string(service.port());
    std::vector<std::string> titles{Authorize + "77"};
    SSO::Controller controller([&] {
        std::vector<WindowsList::Entry> entries;
        for (const std::string& title : titles)
            entries.emplace_back(nullptr, title);
        return entries;
    });
    controller.login(SSO::AuthTokenPattern, SSO::LoginTokenPattern);
    controller.get_access_token();
    ASSERT_EQ(controller.loginTime(), 77);

    const TestSupport::UrlRecorder browser(/*takeHttp=*/true);
    controller.startBrowserLoginSession();
    const std::string expected = "http://127.0.0.1:" + port + "/auth/facebook?auth_origin=http%3A%2F%2F127.0.0.1%3A" +
                                 port +
                                 "%2Fapi%2Fv3%2Fauthorize%3Fclient_id%3D3b8e21d07c5fa946%26redirect_uri%3D"
                                 "http%253A%252F%252F127.0.0.1%253A" +
                                 port + "%252Fauth%252Fcallback%26response_type%3Dcode%26nc_web%3Dtrue";
    EXPECT_EQ(browser.opened(1), std::vector<std::string>{expected});
    EXPECT_EQ(controller.loginTime(), -1);
    EXPECT_TRUE(log.contains("[SSO] Open browser: " + expected)) << log.text();
    EXPECT_TRUE(log.contains("[SSO] login auth_token = wall/.*?code=|wall/.*error=|auth/.*?error= "
                             "login_token = api/.*/authorize"))
        << log.text();
}

// The code goes to the token address with the web site's callback as redirect; the token's
// subscription fills the account. Neither the code nor the token reaches the log whole.
TEST_F(ControllerTest, TheExchangeSignsTheAccountInOnlyWithACodeTheServiceIssued)
{
    TestSupport::ServiceControl service;
    const std::string callback = fromUtf16OrEmpty(service.origin(), CP_UTF8).str() + "/auth/callback";
    const std::string aliceToken = "a1c3e5f7092b4d6f8a0c2e4f6b8d0f12";
    const struct {
        const char* name;
        std::string registeredFor; // the redirect the code was issued for; empty: no code issued
        bool signedIn;
    } cases[] = {
        {"a code issued for the callback", callback, true},
        {"a code issued for another address", "http://elsewhere.example/auth/callback", false},
        {"a code never issued", "", false},
    };
    const SSO::Controller controller(SSO::Controller::Titles{});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.reset();
        const TestSupport::LogCapture caseLog;
        const std::string code = "c0de5ecretC0DE77";
        if (!c.registeredFor.empty())
            service.addCode(code, "alice+meet@example.com", c.registeredFor);
        CAccount account;
        EXPECT_EQ(controller.exchange_code(code, account), c.signedIn);
        EXPECT_EQ(account.isComplete(), c.signedIn);
        const Json::Value sent = service.requests();
        ASSERT_GE(sent.size(), 1u);
        EXPECT_EQ(sent[0]["path"].asString(), "/api/v3/token");
        EXPECT_NE(sent[0]["body"].asString().find("&redirect_uri=" + callback + "&code=" + code), std::string::npos)
            << sent[0]["body"].asString();
        EXPECT_EQ(caseLog.text().find(code), std::string::npos) << caseLog.text();
        if (!c.signedIn) {
            EXPECT_EQ(sent.size(), 1u) << "no subscription asked for";
            EXPECT_TRUE(account.accessToken.empty());
            continue;
        }
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[1]["path"].asString(), "/api/v3/subscriptions/current");
        EXPECT_EQ(sent[1]["check"].asString(), "ok");
        EXPECT_EQ(account.accessToken, L"a1c3e5f7092b4d6f8a0c2e4f6b8d0f12");
        EXPECT_EQ(account.subscriptionId, L"48213");
        EXPECT_EQ(account.login, L"alice+meet@example.com");
        EXPECT_EQ(caseLog.text().find(aliceToken), std::string::npos) << caseLog.text();
        EXPECT_TRUE(caseLog.contains("Success to obtain access_token: a1c3***")) << caseLog.text();
    }
}
