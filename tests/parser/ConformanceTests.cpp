// The answer parser against the public JSON conformance suite: whatever the service's body, the
// answer is understood or fails cleanly, never with an exception, a crash or a hang.

#include "Account.h"
#include "Log.h"
#include "Server.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <iostream>
#include <string>

namespace {

struct Counts {
    int parsed = 0;
    int failed = 0;
};

// A failed answer holds nothing but its body.
void expectCleanFailure(const ServerResponse& response, const std::string& body)
{
    EXPECT_EQ(response.retcode, -1);
    EXPECT_EQ(response.httpStatus, 200);
    EXPECT_EQ(response.body, body);
    EXPECT_TRUE(response.accessToken.empty());
    EXPECT_TRUE(response.emailTemplate.empty());
    EXPECT_TRUE(response.subscription.id.empty() && response.subscription.email.empty()
                && response.subscription.dialInNumber.empty());
}

} // namespace

TEST(AnswerConformance, EverySuiteDocumentIsUnderstoodOrFailsCleanly)
{
    CAccount account;
    Server server(account);
    const auto documents = TestSupport::jsonSuiteDocuments();
    ASSERT_GT(documents.size(), 300u) << "the suite was not copied beside the program";

    // Each document as the whole body, and in the places of the subscription and the template.
    const struct {
        const char* name;
        int kind;
        std::string prefix, suffix;
    } placements[] = {
        {"subscription body", ResponseSubscription, "", ""},
        {"template body", ResponseEmailTemplate, "", ""},
        {"token body", ResponseTokenExchange, "", ""},
        {"in place of the subscription", ResponseSubscription, R"({"retcode": 0, "subscription": )", "}"},
        {"in place of the template", ResponseEmailTemplate, R"({"retcode": 0, "email_template": )", "}"},
    };
    for (const auto& placement : placements) {
        Counts counts;
        for (const auto& document : documents) {
            SCOPED_TRACE(std::string(placement.name) + ": " + document.name);
            const std::string body = placement.prefix + document.content + placement.suffix;
            ServerResponse response;
            ASSERT_NO_THROW(response = Server::parseResponse(&server, body, placement.kind));
            if (response.unreadable) {
                ++counts.failed;
                expectCleanFailure(response, body);
            } else {
                ++counts.parsed;
            }
        }
        std::cout << "[ suite    ] " << placement.name << ": " << documents.size() << " documents, " << counts.parsed
                  << " understood, " << counts.failed << " failed cleanly\n";
    }
}

TEST(AnswerConformance, DocumentsNestedBeyondTheReadersLimitFail)
{
    CAccount account;
    Server server(account);
    const TestSupport::LogCapture log;
    Log::open(getLogFilePath());
    for (const int kind : {ResponseSubscription, ResponseEmailTemplate, ResponseTokenExchange}) {
        SCOPED_TRACE(kind);
        const std::string deep = std::string(1001, '[') + std::string(1001, ']');
        ServerResponse response;
        ASSERT_NO_THROW(response = Server::parseResponse(&server, deep, kind));
        EXPECT_TRUE(response.unreadable);
        expectCleanFailure(response, deep);
    }
    Log::close();
    EXPECT_TRUE(log.contains("parsingSuccessful: no")) << log.text();
}
