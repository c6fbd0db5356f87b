// The service operations against the stand-in service: what each one returns, stores and
// reports when the service answers, refuses, fails, never answers, or breaks the connection.
#include "Com/ComError.h"
#include "OperationFixture.h"
#include "ServiceOrigins.h"
#include "TextCodec.h"

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

using TestSupport::MessageBoxSeen;

namespace {

constexpr char AuthorizationCode[] = "fbcode-alice-0001";
constexpr char AliceTokenText[] = "a1c3e5f7092b4d6f8a0c2e4f6b8d0f12";
constexpr char Untouched[] = "untouched";

std::string narrow(const std::wstring& text)
{
    return fromUtf16(text, CP_UTF8).str();
}

std::string redirectUri()
{
    return narrow(WebHost()) + "/auth/callback";
}

struct Outcome {
    bool result = false;
    bool failed = false;                // the out flag of getPhone and getInvitation
    bool raised = false;                // a COM error reached the caller
    std::string exchangedToken = Untouched; // the out value of postAccessTokenRequest
};

struct Operation {
    const char* name;
    const char* path;       // where its request goes, for the service's switches
    bool readsSubscription; // a failed read empties the access token
    bool progressDialog;    // waits behind the progress dialog, else blocks on the request
    std::function<bool(Server&, Outcome&)> run;
};

const std::vector<Operation>& operations()
{
    static const std::vector<Operation> all = {
        {"load", "/desktopApp/config.xml", false, true,
         [](Server& server, Outcome&) {
             std::string body;
             return server.load(ApiHost() + L"/desktopApp/config.xml", body);
         }},
        {"loadSubscription", "/api/v3/subscriptions/48213", true, true,
         [](Server& server, Outcome&) { return server.loadSubscription(false); }},
        {"loadSubscription by password", "/api/v3/subscriptions/get_access_token", true, true,
         [](Server& server, Outcome&) { return server.loadSubscription(true); }},
        {"getPhone", "/api/v3/subscriptions/48213", true, true,
         [](Server& server, Outcome& outcome) { return server.getPhone(outcome.failed); }},
        {"loadInvitation", "/api/v3/subscriptions/48213/invites/email_template", false, true,
         [](Server& server, Outcome&) { return server.loadInvitation(); }},
        {"getInvitation", "/api/v3/subscriptions/48213/invites/email_template", false, true,
         [](Server& server, Outcome& outcome) { return server.getInvitation(outcome.failed); }},
        {"postAccessTokenRequest", "/api/v3/token", false, false,
         [](Server& server, Outcome& outcome) {
             return server.postAccessTokenRequest(AuthorizationCode, redirectUri(), outcome.exchangedToken);
         }},
        {"getSubscriptionByAccessToken", "/api/v3/subscriptions/current", true, false,
         [](Server& server, Outcome&) { return server.getSubscriptionByAccessToken(AliceTokenText); }},
    };
    return all;
}

const Operation& operation(const std::string& name)
{
    for (const Operation& candidate : operations())
        if (name == candidate.name)
            return candidate;
    throw std::invalid_argument("no operation " + name);
}

Outcome run(const Operation& op, CAccount& account, long signInWaitSeconds = 60)
{
    Server server(account);
    server.setSignInWait(signInWaitSeconds);
    Outcome outcome;
    try {
        outcome.result = op.run(server, outcome);
    } catch (const Com::ComError&) {
        outcome.raised = true;
    }
    return outcome;
}

Json::Value faultSwitch(const char* path)
{
    Json::Value fault;
    fault["path"] = path;
    return fault;
}

const Invitation& previousInvitation()
{
    static const Invitation invitation(L"An earlier invitation\r\nwith its last line");
    return invitation;
}

} // namespace

TEST_F(OperationTest, LoadGivesTheBodyOfEvery200Answer)
{
    const struct {
        const char* name;
        const char* fault; // switch on config.xml; null: the service's own answer
        bool result;
        const char* bodyStart;
    } cases[] = {
        {"the configuration document", nullptr, true, "<?xml version=\"1.0\"?>"},
        {"anything at all with 200", R"({"path": "/desktopApp/config.xml", "body": "not a document"})", true,
         "not a document"},
        {"an error status", R"({"path": "/desktopApp/config.xml", "status": 404, "body": "<?xml?>"})", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.reset();
        if (c.fault)
            service.addSwitch(c.fault);
        CAccount account = alice();
        Server server(account);
        std::string body = "before";
        MessageBoxWatch boxes;
        EXPECT_EQ(server.load(ApiHost() + L"/desktopApp/config.xml", body), c.result);
        EXPECT_TRUE(boxes.close().empty());
        if (c.result) {
            EXPECT_EQ(body.rfind(c.bodyStart, 0), 0u) << body;
        }
    }
}

TEST_F(OperationTest, SubscriptionReadsFillTheAccountFromTheAnswer)
{
    for (const char* name :
         {"loadSubscription", "loadSubscription by password", "getPhone", "getSubscriptionByAccessToken"}) {
        SCOPED_TRACE(name);
        service.reset();
        CAccount account;
        account.login = AliceLogin;
        account.password = AlicePassword;
        account.accessToken = AliceToken;
        account.subscriptionId = AliceSubscription;
        if (std::string(name) == "loadSubscription by password")
            account.accessToken.clear(); // the sign-in obtains it
        if (std::string(name) == "getSubscriptionByAccessToken")
            account = CAccount(); // the browser sign-in starts from nothing but the token

        MessageBoxWatch boxes;
        const Outcome outcome = run(operation(name), account);
        EXPECT_TRUE(boxes.close().empty());

        EXPECT_TRUE(outcome.result);
        EXPECT_FALSE(outcome.failed);
        EXPECT_EQ(account.login, AliceLogin);
        EXPECT_EQ(account.subscriptionId, AliceSubscription);
        EXPECT_EQ(account.meetingUrl, L"alice.walker");
        EXPECT_EQ(account.accessCode, L"4417209");
        EXPECT_EQ(account.phoneNumber, L"+1 (555) 010-2345");
        EXPECT_EQ(account.tollFreeNumber, L"+1 (800) 555-0199");
        EXPECT_EQ(account.subscription.status, "active");
        if (std::string(name) != "getSubscriptionByAccessToken") {
            EXPECT_EQ(account.accessToken, AliceToken);
        }
        const Json::Value sent = service.requests();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0]["check"].asString(), "ok") << sent[0]["detail"].asString();
    }
}

// The service decodes the password from the bytes of the query and compares them with the
// account's password in cp1252: every fixture account has a password that needs escapes.
TEST_F(OperationTest, EveryFixtureAccountSignsInWithItsPassword)
{
    const struct {
        const wchar_t* login;
        const wchar_t* password;
        const wchar_t* token;
        const wchar_t* subscriptionId;
    } accounts[] = {
        {AliceLogin, AlicePassword, AliceToken, AliceSubscription},
        {L"bob.stone@example.org", L"bob&Stone 42", L"b0b5ca1ab1e4d2f6e8a0c2e4f6b8d0aa", L"77019"},
        {L"chloe+work@example.ca", L"\u00c9rable+Sirop%", L"c4f3e1d2b7a69058c3e2f1a0b9d8c7e6", L"61207"},
        {L"dave@example.com", L"dave1234", L"d4e5f6a7b8c9d0e1f2a3b4c5d6e7f809", L"30550"},
        {L"eve&adam+x@example.net", L"plain Pass", L"e7e8e9eaebecedeef0f1f2f3f4f5f6f7", L"90311"},
    };
    for (const auto& a : accounts) {
        SCOPED_TRACE(narrow(a.login));
        service.reset();
        CAccount account;
        account.login = a.login;
        account.password = a.password;
        Server server(account);
        EXPECT_TRUE(server.loadSubscription(true));
        EXPECT_EQ(account.accessToken, a.token);
        EXPECT_EQ(account.subscriptionId, a.subscriptionId);
        EXPECT_EQ(account.login, a.login);
        const Json::Value sent = service.requests();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0]["check"].asString(), "ok") << sent[0]["detail"].asString();
    }
}

TEST_F(OperationTest, InvitationIsTheTemplateInTheInterfaceLanguage)
{
    for (const char* name : {"loadInvitation", "getInvitation"}) {
        SCOPED_TRACE(name);
        service.reset();
        CAccount account = alice();
        account.invitation = previousInvitation();
        const Outcome outcome = run(operation(name), account);

        EXPECT_TRUE(outcome.result);
        EXPECT_FALSE(outcome.failed);
        EXPECT_EQ(account.invitation.firstLine, L"Alice Walker is inviting you to a Talvora meeting.");
        EXPECT_EQ(account.invitation.lastLine, L"Talvora - meetings made simple");
        EXPECT_NE(account.invitation.source.find(L"Online Meeting: " + WebHost() + L"/wall/alice.walker\r\n"),
                  std::wstring::npos);
        EXPECT_EQ(account.accessToken, AliceToken);
        const Json::Value sent = service.requests();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0]["check"].asString(), "ok") << sent[0]["detail"].asString();
        const std::string query = sent[0]["raw_query"].asString();
        EXPECT_EQ(query.substr(query.size() - 10), "&locale=en") << query;
    }
}

TEST_F(OperationTest, AnInvitationAnswerWithoutTemplateEmptiesTheInvitation)
{
    service.addSwitch(R"({"path": "/api/v3/subscriptions/48213/invites/", "body": "{\"retcode\": 0}"})");
    CAccount account = alice();
    account.invitation = previousInvitation();
    Server server(account);
    EXPECT_TRUE(server.loadInvitation());
    EXPECT_TRUE(account.invitation.source.empty());
    EXPECT_TRUE(account.invitation.text.empty());
    EXPECT_TRUE(account.invitation.firstLine.empty());
}

TEST_F(OperationTest, TokenExchangeGivesTheTokenOfTheCode)
{
    const struct {
        const char* name;
        const char* fault;
        const char* token;
    } cases[] = {
        {"the service's answer", nullptr, AliceTokenText},
        {"a 200 answer without a token", R"({"path": "/api/v3/token", "body": "{\"token_type\": \"bearer\"}"})", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.reset();
        if (c.fault)
            service.addSwitch(c.fault);
        const TestSupport::LogCapture caseLog;
        CAccount account;
        const Outcome outcome = run(operation("postAccessTokenRequest"), account);

        EXPECT_TRUE(outcome.result);
        EXPECT_EQ(outcome.exchangedToken, c.token);
        EXPECT_TRUE(account.accessToken.empty()) << "the caller stores the token";
        EXPECT_NE(caseLog.text().find("Success to obtain access_token: "), std::string::npos) << caseLog.text();
        const Json::Value sent = service.requests();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0]["method"].asString(), "POST");
        EXPECT_EQ(sent[0]["content_type"].asString(), "application/x-www-form-urlencoded");
        EXPECT_EQ(sent[0]["body"].asString(),
                  "client_id=3b8e21d07c5fa946&client_secret=c07d5e9a21f84b36e0d9a7c45b12f8e63a0b9d4c7e21f506"
                  "&grant_type=authorization_code&redirect_uri=" + redirectUri() + "&code=" + AuthorizationCode);
    }
}

// The service's refusal (retcode 4, as it answers a token it does not know), an error status
// with a success document, and a document cut short.
TEST_F(OperationTest, ServiceLevelFailuresReturnFalseAndFailedSubscriptionReadsDropTheToken)
{
    const struct {
        const char* name;
        const char* body;
        int status;
    } faults[] = {
        {"refused", R"({"retcode": 4, "message": "access token unknown"})", 200},
        {"error status", R"({"retcode": 0, "access_token": "x"})", 403},
    };
    for (const Operation& op : operations()) {
        if (std::string(op.name) == "load")
            continue; // takes any 200 answer: its own test
        for (const auto& fault : faults) {
            // The token exchange has no retcode: the service refuses a code with HTTP 400.
            if (std::string(op.name) == "postAccessTokenRequest" && std::string(fault.name) == "refused")
                continue;
            SCOPED_TRACE(std::string(op.name) + ", " + fault.name);
            service.reset();
            Json::Value fault_ = faultSwitch(op.path);
            fault_["status"] = fault.status;
            fault_["body"] = fault.body;
            fault_["content_type"] = "application/json; charset=utf-8";
            service.addSwitch(TestSupport::toJson(fault_));
            CAccount account = alice();
            account.invitation = previousInvitation();

            MessageBoxWatch boxes;
            const Outcome outcome = run(op, account);
            EXPECT_TRUE(boxes.close().empty()) << "service-level failures are not reported in a box";

            EXPECT_FALSE(outcome.result);
            EXPECT_FALSE(outcome.failed);
            EXPECT_FALSE(outcome.raised);
            EXPECT_EQ(outcome.exchangedToken, Untouched);
            EXPECT_EQ(account.accessToken.empty(), op.readsSubscription);
            EXPECT_EQ(account.invitation.source, previousInvitation().source);
            EXPECT_EQ(account.meetingUrl, L"") << "nothing of a failed answer is stored";
            EXPECT_EQ(service.requests()[0]["check"].asString(), "switched");
        }
    }
}

// The ways to end up without an answer: the service closes the connection, it never answers
// (the progress dialog's minute passes in a tenth of a second on its clock here, the sign-in's
// blocking wait is one second), the user closes the progress pop-up first, or what comes back
// is a server fault or no answer of the expected form. Each operation
// reports that where it is understood: a box, the COM error passed on, or a log line; nothing
// of an answer is read, so the access token stays.
TEST_F(OperationTest, NoAnswerIsACommunicationFailureReportedWhereTheOperationIsUnderstood)
{
    const struct {
        const char* name;
        bool box;    // the communication-error box, and `failed` set for the reporting forms
        bool raised; // the COM error reaches the caller
    } reporting[] = {
        {"load", true, false},
        {"loadSubscription", false, true},
        {"loadSubscription by password", false, true},
        {"getPhone", true, false},
        {"loadInvitation", false, true},
        {"getInvitation", true, false},
        {"postAccessTokenRequest", false, false},
        {"getSubscriptionByAccessToken", false, false},
    };
    const struct {
        const char* name;
        const char* effect; // of the switch on the operation's path; null: the status and body below
        bool closePopUp;
        const char* signInLog; // what the browser sign-in's two requests log; null: not for them
        int status;
        const char* body;
    } faults[] = {
        {"connection dropped", "drop", false, "Error", 0, nullptr},
        {"no answer within the time limit", "hang", false, "Timeout", 0, nullptr},
        {"progress pop-up closed before the answer", "hang", true, nullptr, 0, nullptr},
        {"server fault", nullptr, false, "Error", 503, R"({"retcode": 0, "access_token": "x"})"},
        {"unparsable answer", nullptr, false, "Error", 200, R"({"retcode": 0, "subscription": {"id": 48213,)"},
        {"member of another type", nullptr, false, "Error", 200,
         R"({"retcode": 0, "access_token": 7, "email_template": 123, "subscription": {"id": 48213, "email": 5}})"},
    };
    for (const auto& fault : faults) {
        for (const auto& r : reporting) {
            const Operation& op = operation(r.name);
            if (!op.progressDialog && !fault.signInLog)
                continue;
            if (!fault.effect && std::string(r.name) == "load")
                continue; // any answer is one for the raw download: its own test
            SCOPED_TRACE(std::string(fault.name) + ", " + r.name);
            service.reset();
            const bool hangs = fault.effect && std::string(fault.effect) == "hang";
            Json::Value effect = faultSwitch(op.path);
            if (fault.effect) {
                effect[fault.effect] = true;
            } else {
                effect["status"] = fault.status;
                effect["body"] = fault.body;
                effect["content_type"] = "application/json; charset=utf-8";
            }
            service.addSwitch(TestSupport::toJson(effect));
            setProgressTiming(hangs && !fault.closePopUp ? hastyTiming() : quickTiming());
            const TestSupport::LogCapture caseLog;
            CAccount account = alice();
            account.invitation = previousInvitation();

            // No robot around the sign-in's blocking wait (see MessageBoxWatch.h).
            std::optional<MessageBoxWatch> boxes;
            if (op.progressDialog)
                boxes.emplace(fault.closePopUp);
            const auto start = std::chrono::steady_clock::now();
            const Outcome outcome = run(op, account, 1);
            const auto took = std::chrono::steady_clock::now() - start;
            const std::vector<MessageBoxSeen> seen = boxes ? boxes->close() : std::vector<MessageBoxSeen>();

            EXPECT_FALSE(outcome.result);
            EXPECT_EQ(outcome.raised, r.raised);
            EXPECT_EQ(outcome.failed, r.box && std::string(r.name) != "load");
            EXPECT_LT(took, std::chrono::seconds(5));
            EXPECT_EQ(account.accessToken, AliceToken) << "no answer was read";
            EXPECT_EQ(account.invitation.source, previousInvitation().source);
            EXPECT_EQ(outcome.exchangedToken, Untouched);
            if (!op.progressDialog) {
                EXPECT_TRUE(caseLog.contains(fault.signInLog)) << caseLog.text();
            }
            if (hangs)
                releaseHangingRequests();
            ASSERT_EQ(seen.size(), r.box ? 1u : 0u);
            if (r.box) {
                EXPECT_EQ(seen[0].text, L"Error communicating with server. Please try again later.");
                EXPECT_EQ(seen[0].caption, L"Talvora Office Addin");
                EXPECT_TRUE(seen[0].warningIcon);
                EXPECT_EQ(seen[0].owner, nullptr);
            }
        }
    }
}
