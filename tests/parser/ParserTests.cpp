// The response model: what Server::parseResponse takes from the service's documents.

#include "Account.h"
#include "Log.h"
#include "Server.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <string>

namespace {

class ParserTest : public testing::Test {
protected:
    void SetUp() override { Log::open(getLogFilePath()); }
    void TearDown() override { Log::close(); }

    ServerResponse parse(const std::string& body, int kind) { return Server::parseResponse(&server, body, kind); }

    TestSupport::LogCapture log;
    CAccount account;
    Server server{account};
};

// One number object; `country` is JSON (1 or "1").
std::string number(const std::string& country, const std::string& code, const std::string& formatted)
{
    return R"({"country": )" + country + R"(, "country_code": ")" + code + R"(", "country_name": "Name of )" + formatted
           + R"(", "in_country_format": ")" + formatted + R"("})";
}

std::string subscriptionDocument(const std::string& members)
{
    return R"({"retcode": 0, "subscription": {"id": 1, )" + members + "}}";
}

} // namespace

TEST_F(ParserTest, DialInNumberChoice)
{
    const std::string tollFree44 = number(R"("44")", "zz", "tollfree 44");
    const struct {
        const char* name;
        std::string members;
        const char* dialIn;      // "" when no number fits
        const char* countryName; // the localized name, else the entry's own
        bool oneNumber;
    } cases[] = {
        {"integer country id matches integer entries",
         R"("country_id": 44, "default_conferencing_rate_type": "one_number",
            "toll_numbers": [)" + number("44", "zz", "toll 44") + R"(],
            "one_numbers": [)" + number("44", "zz", "one 44") + "]",
         "one 44", "Name of one 44", true},
        {"integer country id does not match text entries: toll falls back to \"1\", the others stay empty",
         R"("country_id": 44, "default_conferencing_rate_type": "toll_free",
            "toll_numbers": [)" + number(R"("44")", "zz", "toll 44") + "," + number(R"("1")", "zz", "toll 1") + R"(],
            "toll_free_numbers": [)" + tollFree44 + R"(],
            "one_numbers": [)" + number(R"("44")", "zz", "one 44") + "]",
         "toll 1", "Name of toll 1", false},
        {"toll falls back to the integer 1 after the text \"1\"",
         R"("country_id": 7, "default_conferencing_rate_type": "toll",
            "toll_numbers": [null, )" + number("2", "zz", "toll 2") + "," + number("1", "zz", "toll int 1") + "]",
         "toll int 1", "Name of toll int 1", false},
        {"text country id matches text entries, first match wins",
         R"("country_id": "44", "default_conferencing_rate_type": "toll",
            "toll_numbers": [)" + number(R"("44")", "zz", "first") + "," + number(R"("44")", "zz", "second") + "]",
         "first", "Name of first", false},
        {"toll_free without a toll-free number walks on to toll",
         R"("country_id": 44, "default_conferencing_rate_type": "toll_free",
            "toll_numbers": [)" + number("44", "zz", "toll 44") + R"(],
            "one_numbers": [)" + number("44", "zz", "one 44") + "]",
         "toll 44", "Name of toll 44", false},
        {"toll without a toll number never goes back to the one number",
         R"("country_id": 44, "default_conferencing_rate_type": "toll",
            "toll_free_numbers": [)" + number("44", "zz", "tollfree 44") + R"(],
            "one_numbers": [)" + number("44", "zz", "one 44") + "]",
         "", "", false},
        {"one_number without one or toll number ignores the toll-free number",
         R"("country_id": 44, "default_conferencing_rate_type": "one_number",
            "toll_free_numbers": [)" + number("44", "zz", "tollfree 44") + "]",
         "", "", false},
        {"one_number without a one number takes the toll number",
         R"("country_id": 44, "default_conferencing_rate_type": "one_number",
            "toll_numbers": [)" + number("44", "zz", "toll 44") + R"(],
            "toll_free_numbers": [)" + number("44", "zz", "tollfree 44") + "]",
         "toll 44", "Name of toll 44", false},
        {"empty rate counts as one_number",
         R"("country_id": 44, "default_conferencing_rate_type": "",
            "toll_free_numbers": [)" + number("44", "zz", "tollfree 44") + R"(],
            "one_numbers": [)" + number("44", "zz", "one 44") + "]",
         "one 44", "Name of one 44", true},
        {"absent rate counts as one_number",
         R"("country_id": 44,
            "toll_free_numbers": [)" + number("44", "zz", "tollfree 44") + R"(],
            "one_numbers": [)" + number("44", "zz", "one 44") + "]",
         "one 44", "Name of one 44", true},
        {"another rate counts as toll",
         R"("country_id": 44, "default_conferencing_rate_type": "premium",
            "toll_numbers": [)" + number("44", "zz", "toll 44") + R"(],
            "one_numbers": [)" + number("44", "zz", "one 44") + "]",
         "toll 44", "Name of toll 44", false},
        {"\"ca\" finds toll-free and one numbers under \"1\"",
         R"("country_id": "124", "country_code": "ca", "default_conferencing_rate_type": "toll_free",
            "toll_numbers": [)" + number(R"("1")", "zz", "toll 1") + R"(],
            "toll_free_numbers": [)" + number(R"("1")", "zz", "tollfree 1") + R"(],
            "one_numbers": [)" + number("1", "zz", "one int 1") + "]",
         "tollfree 1", "Name of tollfree 1", false},
        {"\"ca\" one number under the integer 1",
         R"("country_id": "124", "country_code": "ca", "default_conferencing_rate_type": "one_number",
            "toll_numbers": [)" + number(R"("1")", "zz", "toll 1") + R"(],
            "one_numbers": [)" + number("1", "zz", "one int 1") + "]",
         "one int 1", "Name of one int 1", true},
        {"\"CA\" is not \"ca\": no fallback for toll-free",
         R"("country_id": "124", "country_code": "CA", "default_conferencing_rate_type": "toll_free",
            "toll_numbers": [)" + number(R"("1")", "zz", "toll 1") + R"(],
            "toll_free_numbers": [)" + number(R"("1")", "zz", "tollfree 1") + "]",
         "toll 1", "Name of toll 1", false},
        {"a toll-free number equal to the one number counts as the one number",
         R"("country_id": 44, "default_conferencing_rate_type": "toll_free",
            "toll_free_numbers": [)" + number("44", "zz", "same") + R"(],
            "one_numbers": [)" + number("44", "zz", "same") + "]",
         "same", "Name of same", true},
        {"equality is deep: one member differs",
         R"("country_id": 44, "default_conferencing_rate_type": "toll_free",
            "toll_free_numbers": [)" + number("44", "zz", "same") + R"(],
            "one_numbers": [{"country": 44, "country_code": "zz", "country_name": "Name of same",
                             "in_country_format": "same", "extra": 1}])",
         "same", "Name of same", false},
        {"localized country name wins over the entry's own",
         R"("country_id": 49, "default_conferencing_rate_type": "toll",
            "toll_numbers": [)" + number("49", "de", "+49 30 901820 77") + "]",
         "+49 30 901820 77", "Germany", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TestSupport::LogCapture caseLog;
        const ServerResponse response = parse(subscriptionDocument(c.members), ResponseSubscription);

        ASSERT_EQ(response.retcode, 0);
        EXPECT_EQ(response.subscription.dialInNumber, c.dialIn);
        EXPECT_EQ(response.subscription.countryName, c.countryName);
        EXPECT_EQ(response.subscription.dialInIsOneNumber, c.oneNumber);
        EXPECT_EQ(caseLog.contains("Error: number not found !!!"), std::string(c.dialIn).empty()) << caseLog.text();
    }
}

TEST_F(ParserTest, TollChoiceForAMissingOneNumberIsLogged)
{
    const std::string toll = R"("toll_numbers": [)" + number("1", "zz", "toll 1") + "]";
    const std::string one = R"("one_numbers": [)" + number("1", "zz", "one 1") + "]";
    const std::string oneNumberRate = R"("country_id": 1, "default_conferencing_rate_type": "one_number", )";
    parse(subscriptionDocument(oneNumberRate + toll), ResponseSubscription);
    parse(subscriptionDocument(oneNumberRate + toll + ", " + one), ResponseSubscription);
    parse(subscriptionDocument(R"("country_id": 1, "default_conferencing_rate_type": "toll", )" + toll),
          ResponseSubscription);

    std::size_t tollChoices = 0;
    for (const std::string& message : log.messages())
        tollChoices += message == "Set dial in number to toll";
    EXPECT_EQ(tollChoices, 1u) << log.text();
}

TEST_F(ParserTest, SubscriptionMembers)
{
    const ServerResponse response = parse(
        R"({"retcode": 0, "access_token": "tok", "subscription": {
              "id": 48213, "meeting_url": "alice.walker", "access_code": "4417209",
              "email": "alice+meet@example.com", "first_name": "Chlo\u00e9", "last_name": "M\u00fcller",
              "country_id": "1", "status": "suspended", "toll_number": "+1 (555) 010-2345", "toll_free_number": null,
              "products": ["international_toll", "Video", "screen_sharing", "phone"]}})",
        ResponseSubscription);

    ASSERT_EQ(response.retcode, 0);
    EXPECT_EQ(response.accessToken, "tok");
    const Subscription& s = response.subscription;
    EXPECT_EQ(s.id, "48213");
    EXPECT_EQ(s.meetingUrl, "alice.walker");
    EXPECT_EQ(s.accessCode, "4417209");
    EXPECT_EQ(s.email, "alice+meet@example.com");
    EXPECT_EQ(s.firstName, "Chlo\xC3\xA9");
    EXPECT_EQ(s.lastName, "M\xC3\xBCller");
    EXPECT_EQ(s.countryId, "1");
    EXPECT_EQ(s.status, "suspended");
    EXPECT_EQ(s.tollNumber, "+1 (555) 010-2345");
    EXPECT_TRUE(s.tollFreeNumber.empty()) << "null reads as absent";
    EXPECT_TRUE(s.internationalToll);
    EXPECT_TRUE(s.screenSharing);
    EXPECT_FALSE(s.video) << "product names are case-sensitive";
    EXPECT_TRUE(log.contains("Got subscription: id=48213, access code: 4417209")) << log.text();
    EXPECT_TRUE(log.contains("parsingSuccessful: yes"));
    EXPECT_TRUE(log.contains("retcode=0"));

    const ServerResponse bare = parse(R"({"retcode": 0, "access_token": "", "subscription": {"products": []}})",
                                      ResponseSubscription);
    EXPECT_EQ(bare.retcode, 0);
    EXPECT_TRUE(bare.accessToken.empty());
    EXPECT_TRUE(bare.subscription.id.empty());
    EXPECT_FALSE(bare.subscription.internationalToll || bare.subscription.screenSharing || bare.subscription.video);
}

TEST_F(ParserTest, Retcode)
{
    const struct {
        const char* body;
        int retcode;
        bool malformed; // "Error parsing response" logged
    } cases[] = {
        {R"({"retcode": 0})", 0, false},
        {R"({"retcode": 4, "message": "unknown token"})", 4, false},
        {R"({"retcode": "0"})", -1, true},
        {R"({"message": "no retcode"})", -1, true},
        {R"({"retcode": null})", -1, true},
        {R"({"retcode": 99999999999})", -1, true},
        {R"({"retcode": [0]})", -1, true},
        {R"({"retcode": false})", -1, true},
        {R"({"retcode": 0.0})", 0, false},
        {R"({"retcode": 0.5})", -1, true},
        {R"({"retcode": 0, /* comments are accepted */ "x": 1})", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        const TestSupport::LogCapture caseLog;
        const ServerResponse response = parse(c.body, ResponseEmailTemplate);
        EXPECT_EQ(response.retcode, c.retcode);
        EXPECT_EQ(response.body, c.body);
        EXPECT_TRUE(caseLog.contains("retcode=" + std::to_string(c.retcode))) << caseLog.text();
        EXPECT_EQ(caseLog.contains("Error parsing response"), c.malformed) << caseLog.text();
    }
}

TEST_F(ParserTest, ASubscriptionIsReadOnlyOnSuccess)
{
    const ServerResponse refused =
        parse(R"({"retcode": 4, "access_token": "tok", "subscription": {"id": 5}})", ResponseSubscription);
    EXPECT_EQ(refused.retcode, 4);
    EXPECT_TRUE(refused.accessToken.empty());
    EXPECT_TRUE(refused.subscription.id.empty());
    EXPECT_FALSE(log.contains("Got subscription: id=5, access code: "));
}

TEST_F(ParserTest, DocumentsOfTheOtherKinds)
{
    const struct {
        const char* name;
        const char* body;
        int kind;
        int retcode;
        const char* accessToken;
        const char* emailTemplate;
    } cases[] = {
        {"template", R"({"retcode": 0, "email_template": "Dial-In Number: 1\r\nLast"})", ResponseEmailTemplate, 0, "",
         "Dial-In Number: 1\r\nLast"},
        {"no template", R"({"retcode": 0})", ResponseEmailTemplate, 0, "", ""},
        {"refused template", R"({"retcode": 3, "email_template": "x"})", ResponseEmailTemplate, 3, "", ""},
        {"token", R"({"access_token": "a1c3", "token_type": "bearer"})", ResponseTokenExchange, 0, "a1c3", ""},
        {"token exchange without a token", R"({"token_type": "bearer"})", ResponseTokenExchange, 0, "", ""},
        {"token exchange ignores retcode", R"({"retcode": 5, "access_token": "t"})", ResponseTokenExchange, 0, "t", ""},
        {"unparsable", R"({"access_token": )", ResponseTokenExchange, -1, "", ""},
        {"empty", "", ResponseEmailTemplate, -1, "", ""},
        {"raw is never parsed", R"({"retcode": 0})", ResponseRaw, -1, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TestSupport::LogCapture caseLog;
        const ServerResponse response = parse(c.body, c.kind);
        EXPECT_EQ(response.httpStatus, 200);
        EXPECT_EQ(response.retcode, c.retcode);
        EXPECT_EQ(response.accessToken, c.accessToken);
        EXPECT_EQ(response.emailTemplate, c.emailTemplate);
        EXPECT_EQ(response.body, c.body);
        if (c.kind == ResponseRaw)
            EXPECT_TRUE(caseLog.messages().empty()) << caseLog.text();
        else
            EXPECT_TRUE(caseLog.contains(std::string("parsingSuccessful: ") + (c.retcode == -1 ? "no" : "yes")))
                << caseLog.text();
    }
}

TEST_F(ParserTest, MembersOfTheWrongTypeFailTheResponse)
{
    const struct {
        const char* body;
        int kind;
    } cases[] = {
        {R"({"retcode": 0, "subscription": {"id": 1, "products": ["video", {"name": "x"}]}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"id": [1]}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": "active"})", ResponseSubscription},
        {R"({"retcode": 0, "access_token": {"value": "t"}, "subscription": {}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"country_id": 1, "toll_numbers":
              [{"country": 1, "country_code": "zz", "in_country_format": ["+1"]}]}})",
         ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"country_id": 1, "country_code": {"ca": 1}}})", ResponseSubscription},
        {R"([{"retcode": 0}])", ResponseSubscription},
        {R"("retcode")", ResponseEmailTemplate},
        {R"({"retcode": 0, "email_template": ["a", "b"]})", ResponseEmailTemplate},
        {R"({"retcode": 0, "email_template": 123})", ResponseEmailTemplate},
        {R"({"retcode": 0, "email_template": true})", ResponseEmailTemplate},
        {R"({"retcode": 0, "subscription": {"id": 1.5}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"id": true}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"id": 1, "email": 7}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"id": 1, "toll_free_number": true}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"id": 1, "status": false}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"id": 1, "products": "video"}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"id": 1, "products": ["video", 42]}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"country_id": 44, "toll_numbers": "none"}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"country_id": 44, "one_numbers": {"a": {"country": 44}}}})",
         ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"country_id": 44, "toll_numbers": ["+44 20"]}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"country_id": 44, "toll_numbers": [{"country": [44]}]}})",
         ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"country_id": {"id": 44}}})", ResponseSubscription},
        {R"({"retcode": 0, "subscription": {"country_id": 1, "toll_numbers":
              [{"country": 1, "country_code": "zz", "country_name": 5, "in_country_format": "+1"}]}})",
         ResponseSubscription},
        {R"({"retcode": 0, "access_token": 5, "subscription": {}})", ResponseSubscription},
        {R"({"access_token": 12345})", ResponseTokenExchange},
        {R"({"access_token": ["t"]})", ResponseTokenExchange},
        {R"([{"access_token": "t"}])", ResponseTokenExchange},
        {"null", ResponseTokenExchange},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        const TestSupport::LogCapture caseLog;
        ServerResponse response;
        ASSERT_NO_THROW(response = parse(c.body, c.kind));
        EXPECT_EQ(response.httpStatus, 200);
        EXPECT_EQ(response.retcode, -1);
        EXPECT_TRUE(response.unreadable);
        EXPECT_EQ(response.body, c.body);
        EXPECT_TRUE(response.accessToken.empty());
        EXPECT_TRUE(response.emailTemplate.empty());
        EXPECT_TRUE(response.subscription.id.empty() && response.subscription.dialInNumber.empty()
                    && !response.subscription.video);
        bool logged = false;
        for (const std::string& message : caseLog.messages())
            logged = logged || message.rfind("Error parsing response: ", 0) == 0;
        EXPECT_TRUE(logged) << caseLog.text();
    }
}

TEST_F(ParserTest, FindByCountryUsesJsonEquality)
{
    Json::Value numbers(Json::arrayValue);
    numbers.append(Json::Value());
    numbers.append(Json::Value("not a number object"));
    Json::Value textOne;
    textOne["country"] = "1";
    textOne["in_country_format"] = "text one";
    numbers.append(textOne);
    Json::Value integerOne = textOne;
    integerOne["country"] = 1;
    integerOne["in_country_format"] = "integer one";
    numbers.append(integerOne);
    numbers.append(integerOne);

    EXPECT_EQ(findByCountry(numbers, Json::Value("1")), textOne);
    EXPECT_EQ(findByCountry(numbers, Json::Value(1)), integerOne);
    EXPECT_TRUE(findByCountry(numbers, Json::Value("01")).isNull());
    EXPECT_TRUE(findByCountry(numbers, Json::Value(true)).isNull());
    EXPECT_TRUE(findByCountry(Json::Value(Json::arrayValue), Json::Value(1)).isNull());
    EXPECT_TRUE(findByCountry(Json::Value(), Json::Value()).isNull());
}

TEST_F(ParserTest, SubscriptionGoesIntoTheAccount)
{
    account.accessToken = L"old token";
    account.password = L"typed";
    ServerResponse response = parse(
        subscriptionDocument(R"("meeting_url": "zo\u00eb", "access_code": "12", "email": "zo\u00eb@example.com",
                               "toll_number": "+1 5", "toll_free_number": "+1 8")"),
        ResponseSubscription);
    ASSERT_EQ(response.retcode, 0);

    EXPECT_TRUE(Server::parseGetSubscriptionResponse(&server, response));
    EXPECT_EQ(account.subscriptionId, L"1");
    EXPECT_EQ(account.meetingUrl, L"zo\u00eb");
    EXPECT_EQ(account.login, L"zo\u00eb@example.com") << "the service's texts are UTF-8";
    EXPECT_EQ(account.accessCode, L"12");
    EXPECT_EQ(account.phoneNumber, L"+1 5");
    EXPECT_EQ(account.tollFreeNumber, L"+1 8");
    EXPECT_EQ(account.subscription.email, "zo\xC3\xAB@example.com");
    EXPECT_EQ(account.accessToken, L"old token") << "an answer without a token keeps the one in use";
    EXPECT_EQ(account.password, L"typed");

    response.accessToken = "new token";
    EXPECT_TRUE(Server::parseGetSubscriptionResponse(&server, response));
    EXPECT_EQ(account.accessToken, L"new token");
}

TEST_F(ParserTest, RefusedSubscriptionEmptiesTheToken)
{
    account.accessToken = L"token";
    account.subscriptionId = L"48213";
    const ServerResponse refused = parse(R"({"retcode": 4, "message": "unknown token"})", ResponseSubscription);

    EXPECT_FALSE(Server::parseGetSubscriptionResponse(&server, refused));
    EXPECT_TRUE(account.accessToken.empty());
    EXPECT_EQ(account.subscriptionId, L"48213");
    EXPECT_TRUE(log.contains("Response error code: 4"));

    account.accessToken = L"token";
    EXPECT_FALSE(Server::parseGetSubscriptionResponse(&server, ServerResponse()));
    EXPECT_TRUE(account.accessToken.empty()) << "a request that never completed counts as refused";
    EXPECT_TRUE(log.contains("Response error code: -1"));
}
