// The request layer through the platform's WinHttpRequest object against the stand-in service.

#include "Com/ComError.h"
#include "Com/Variant.h"
#include "CountingRequest.h"
#include "HttpFixture.h"

#include <chrono>

namespace {

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end()); // the test URLs are ASCII
}

std::string tokenBody(const std::string& code)
{
    return "client_id=3b8e21d07c5fa946&client_secret=c07d5e9a21f84b36e0d9a7c45b12f8e63a0b9d4c7e21f506"
           "&grant_type=authorization_code&redirect_uri="
           + narrow(ApiHost()) + "/auth/callback&code=" + code;
}

} // namespace

TEST_F(HttpTest, RequestsArriveAsSent)
{
    const struct {
        const wchar_t* method;
        const wchar_t* path;
        std::string body;
        int kind;
        int status;
        const char* contentType; // null: the header must be absent
    } cases[] = {
        {L"GET", L"/desktopApp/config.xml", "", ResponseRaw, 200, nullptr},
        {L"POST", L"/api/v3/token", tokenBody("fbcode-alice-0001"), ResponseTokenExchange, 200,
         "application/x-www-form-urlencoded"},
        {L"POST", L"/api/v3/token", "", ResponseTokenExchange, 400, nullptr},
        {L"GET", L"/api/v3/subscriptions/current?client_id=3b8e21d07c5fa946", "", ResponseSubscription, 400, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(std::wstring(c.method) + L" " + c.path) + " body=" + c.body);
        service.reset();
        const TestSupport::LogCapture caseLog;

        Server::Request request =
            server.asyncHttpRequest(api(c.path), c.kind, c.method, std::wstring(c.body.begin(), c.body.end()));
        const ServerResponse response = completed(request);

        EXPECT_EQ(response.httpStatus, c.status);
        const Json::Value sent = service.requests();
        ASSERT_EQ(sent.size(), 1u);
        const std::wstring path(c.path);
        EXPECT_EQ(sent[0]["method"].asString(), narrow(c.method));
        EXPECT_EQ(sent[0]["path"].asString() + (sent[0]["raw_query"].asString().empty() ? "" : "?")
                      + sent[0]["raw_query"].asString(),
                  narrow(path));
        EXPECT_EQ(sent[0]["body"].asString(), c.body);
        if (c.contentType) {
            EXPECT_EQ(sent[0]["content_type"].asString(), c.contentType);
        } else {
            EXPECT_TRUE(sent[0]["content_type"].isNull()) << sent[0]["content_type"];
        }

        const auto messages = caseLog.messages();
        ASSERT_GE(messages.size(), 3u);
        EXPECT_EQ(messages[0].rfind("url=" + narrow(api(c.path)) + ", type=" + std::to_string(c.kind)
                                        + ", method=" + narrow(c.method) + ", body=",
                                    0),
                  0u)
            << messages[0];
        EXPECT_EQ(messages[1], "Start creating request");
        EXPECT_EQ(messages[2], "Finish creating request");
    }
}

TEST_F(HttpTest, AnsweredRequestsAreParsedByKind)
{
    const std::string form = tokenBody("fbcode-chloe-0002");
    Server::Request exchange = server.asyncHttpRequest(api(L"/api/v3/token"), ResponseTokenExchange, L"POST",
                                                       std::wstring(form.begin(), form.end()));
    const ServerResponse token = completed(exchange);
    EXPECT_EQ(token.retcode, 0);
    EXPECT_EQ(token.accessToken, "c4f3e1d2b7a69058c3e2f1a0b9d8c7e6");

    Server::Request current = server.asyncHttpRequest(
        api(L"/api/v3/subscriptions/current?client_id=3b8e21d07c5fa946&access_token=c4f3e1d2b7a69058c3e2f1a0b9d8c7e6"),
        ResponseSubscription, L"GET", L"");
    const ServerResponse subscription = completed(current);
    EXPECT_EQ(subscription.retcode, 0);
    EXPECT_EQ(subscription.subscription.id, "61207");
    EXPECT_EQ(subscription.subscription.firstName, "Chlo\xC3\xA9"); // UTF-8 as the service sent it
    EXPECT_EQ(subscription.subscription.dialInNumber, "+1 (888) 555-0177"); // toll_free, found under "1"
    EXPECT_NE(subscription.body.find("\"meeting_url\": \"chloe.tremblay\""), std::string::npos);
}

TEST_F(HttpTest, BodyIsLoggedDecodedButSentUnchanged)
{
    const std::wstring body = L"note=Tea%20%26%20Cake%2B100%25&plus=a+b&stray=%zz";
    Server::Request request = server.asyncHttpRequest(api(L"/echo"), ResponseRaw, L"POST", body);
    completed(request);

    const Json::Value sent = service.requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["body"].asString(), narrow(body));
    EXPECT_TRUE(log.contains("url=" + narrow(api(L"/echo"))
                             + ", type=5, method=POST, body=note=Tea & Cake+100%&plus=a+b&stray=%zz"))
        << log.text();
}

TEST_F(HttpTest, ErrorStatusComesBackInTheResponse)
{
    service.addSwitch(R"({"path": "/api/v3/subscriptions/", "status": 503, "body": "{\"retcode\": 0}"})");
    const struct {
        const wchar_t* path;
        int status;
    } cases[] = {{L"/no/such/page", 404}, {L"/api/v3/subscriptions/48213", 503}};
    for (const auto& c : cases) {
        const TestSupport::LogCapture caseLog;
        Server::Request request = server.asyncHttpRequest(api(c.path), ResponseSubscription, L"GET", L"");
        const ServerResponse response = completed(request);

        EXPECT_EQ(response.httpStatus, c.status);
        EXPECT_EQ(response.retcode, -1) << "a non-200 body is never parsed";
        EXPECT_TRUE(response.body.empty());
        EXPECT_TRUE(caseLog.contains("ERROR: HTTP Response code " + std::to_string(c.status))) << caseLog.text();
        EXPECT_EQ(caseLog.text().find("responseBody="), std::string::npos);
    }
}

TEST_F(HttpTest, WaitReportsPendingUntilTheAnswerArrives)
{
    service.addSwitch(R"({"path": "/desktopApp/config.xml", "delay_ms": 1500})");
    Server::Request request = server.asyncHttpRequest(api(L"/desktopApp/config.xml"), ResponseRaw, L"GET", L"");

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(request.wait(0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500)) << "wait(0) must not block";
    const ServerResponse pending = request.getResponse();
    EXPECT_EQ(pending.httpStatus, 200);
    EXPECT_EQ(pending.retcode, -1);
    EXPECT_TRUE(pending.body.empty());

    EXPECT_TRUE(request.wait(30));
    // Once the answer is in, every later wait reports completion, however short.
    EXPECT_TRUE(request.wait(0));
    EXPECT_TRUE(request.wait(0));
    EXPECT_EQ(request.getResponse().body.rfind("<?xml", 0), 0u);
}

// wait() reads an untouched flag as "complete"; that is only right if the platform writes the
// flag whenever the response is still pending, also for a zero time-out.
TEST_F(HttpTest, PlatformWritesTheFlagForAPendingResponse)
{
    service.addSwitch(R"({"path": "/desktopApp/config.xml", "delay_ms": 1000})");
    const auto record = std::make_shared<RequestRecord>();
    Com::ComPtr<IWinHttpRequest> platform = CCountingRequest::create(record);
    Server::Request request(server);
    request.create(platform, api(L"/desktopApp/config.xml"), ResponseRaw, L"GET", L"");

    VARIANT_BOOL succeeded = 7;
    ASSERT_EQ(platform->WaitForResponse(Com::Variant::fromInt32(0).get(), &succeeded), S_OK);
    EXPECT_EQ(succeeded, VARIANT_FALSE);
    succeeded = 7;
    ASSERT_EQ(platform->WaitForResponse(Com::Variant::fromInt32(30).get(), &succeeded), S_OK);
    EXPECT_EQ(succeeded, VARIANT_TRUE);
}

TEST_F(HttpTest, AbortEndsAHangingRequest)
{
    service.addSwitch(R"({"path": "/api/v3/subscriptions/", "hang": true})");
    Server::Request request =
        server.asyncHttpRequest(api(L"/api/v3/subscriptions/48213"), ResponseSubscription, L"GET", L"");
    ASSERT_EQ(service.requestsWhenArrived(1).size(), 1u);
    EXPECT_FALSE(request.wait(0));

    const auto start = std::chrono::steady_clock::now();
    request.abort();
    // The platform may report an aborted request as not completed or raise on the next wait;
    // either way nothing of a response comes back and nothing blocks.
    try {
        const ServerResponse response = request.getResponse();
        EXPECT_EQ(response.httpStatus, 200);
        EXPECT_EQ(response.retcode, -1);
        EXPECT_TRUE(response.body.empty());
    } catch (const Com::ComError& error) {
        EXPECT_TRUE(log.contains("COM Error: 0x" + hexText(error.hr()))) << log.text();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(HttpTest, PlatformFailuresAreLoggedAndRaised)
{
    const struct {
        const char* name;
        std::wstring url;
        bool failsAtCreate;
    } cases[] = {
        {"unknown scheme", L"gopher://127.0.0.1/", true},
        {"nothing listening", L"http://127.0.0.1:1/desktopApp/config.xml", false},
        {"connection closed without an answer", api(L"/desktopApp/config.xml"), false},
    };
    service.addSwitch(R"({"path": "/desktopApp/config.xml", "drop": true})");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TestSupport::LogCapture caseLog;
        HRESULT raised = S_OK;
        try {
            Server::Request request = server.asyncHttpRequest(c.url, ResponseRaw, L"GET", L"");
            EXPECT_FALSE(c.failsAtCreate) << "create succeeded";
            request.wait(30);
            ADD_FAILURE() << "wait did not raise";
        } catch (const Com::ComError& error) {
            raised = error.hr();
            EXPECT_EQ(error.iid(), IID_WinHttpRequest);
        }
        EXPECT_TRUE(FAILED(raised));
        EXPECT_TRUE(caseLog.contains("COM Error: 0x" + hexText(raised))) << caseLog.text();
        EXPECT_EQ(caseLog.contains("Finish creating request"), !c.failsAtCreate);
    }
}

TEST_F(HttpTest, ARequestThatWasNeverCreatedCannotBeWaitedFor)
{
    Server::Request request(server);
    EXPECT_NO_THROW(request.abort());
    EXPECT_THROW(request.wait(0), Com::ComError);
    EXPECT_THROW(request.getResponse(), Com::ComError);
}

TEST_F(HttpTest, ProxyComesFromTheDesktopProfile)
{
    const std::string serviceProxy = "127.0.0.1:" + std::to_string(service.port());
    const struct {
        const char* name;
        bool loaded;
        int proxyType;
        std::string proxy;
        std::vector<long> settings; // the SetProxy calls expected
        bool typeLogged;
    } cases[] = {
        {"no profile", false, 0, serviceProxy, {}, false},
        {"direct despite a proxy", true, 2, "127.0.0.1:1", {HTTPREQUEST_PROXYSETTING_DIRECT}, true},
        {"type 1 without a proxy", true, 1, "", {}, true},
        {"type 0 without a proxy", true, 0, "", {}, true},
        {"type 1 with a proxy", true, 1, serviceProxy, {HTTPREQUEST_PROXYSETTING_PROXY}, true},
        {"type 0 with a proxy", true, 0, serviceProxy, {HTTPREQUEST_PROXYSETTING_PROXY}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        useProfile(c.loaded, c.proxyType, c.proxy);
        const TestSupport::LogCapture caseLog;
        const auto record = std::make_shared<RequestRecord>();
        Server::Request request(server);
        request.create(CCountingRequest::create(record), api(L"/desktopApp/config.xml"), ResponseRaw, L"GET", L"");

        EXPECT_EQ(completed(request).httpStatus, 200) << "the proxy setting must still reach the service";
        ASSERT_EQ(record->proxyCalls.size(), c.settings.size());
        for (std::size_t i = 0; i < c.settings.size(); ++i) {
            const ProxyCall& call = record->proxyCalls[i];
            EXPECT_EQ(call.setting, c.settings[i]);
            EXPECT_EQ(call.bypassType, VT_EMPTY);
            if (call.setting == HTTPREQUEST_PROXYSETTING_PROXY) {
                EXPECT_EQ(call.serverType, VT_BSTR);
                EXPECT_EQ(call.server, std::wstring(c.proxy.begin(), c.proxy.end()));
            } else {
                EXPECT_EQ(call.serverType, VT_EMPTY);
            }
        }
        EXPECT_EQ(caseLog.contains("Apply proxy. Proxy type=" + std::to_string(c.proxyType)), c.typeLogged);
        EXPECT_EQ(caseLog.contains("Setting proxy to " + c.proxy),
                  !c.settings.empty() && c.settings[0] == HTTPREQUEST_PROXYSETTING_PROXY);
    }
}

TEST_F(HttpTest, EveryPlatformObjectIsReleased)
{
    enum Ending { Answered, AbortedWhilePending, OpenFailed };
    const struct {
        const char* name;
        std::wstring url;
        Ending ending;
    } cases[] = {
        {"answered", api(L"/desktopApp/config.xml"), Answered},
        {"aborted while pending", api(L"/api/v3/token"), AbortedWhilePending},
        {"open failed", L"gopher://127.0.0.1/", OpenFailed},
    };
    service.addSwitch(R"({"path": "/api/v3/token", "hang": true})");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto record = std::make_shared<RequestRecord>();
        {
            Server::Request request(server);
            try {
                request.create(CCountingRequest::create(record), c.url, ResponseRaw, L"POST", L"a=1");
                EXPECT_NE(c.ending, OpenFailed);
            } catch (const Com::ComError&) {
                EXPECT_EQ(c.ending, OpenFailed);
            }
            if (c.ending == Answered) {
                completed(request);
            } else if (c.ending == AbortedWhilePending) {
                EXPECT_FALSE(request.wait(0));
                request.abort();
            }
            EXPECT_EQ(record->references, 1) << "the request holds exactly one reference";
        }
        EXPECT_TRUE(record->destroyed);
        EXPECT_EQ(record->innerReleased, 0u) << "the platform object outlived the request";
    }
}
