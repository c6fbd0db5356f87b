// Whatever secret the add-in sends or receives, the log file keeps at most a short prefix of it.

#include "HttpFixture.h"

namespace {

constexpr char Password[] = "Tea & Cake+100%\xE9";
constexpr char PasswordOnTheWire[] = "Tea%20%26%20Cake%2B100%25%E9";
constexpr char AliceToken[] = "a1c3e5f7092b4d6f8a0c2e4f6b8d0f12";
constexpr char ClientSecret[] = "c07d5e9a21f84b36e0d9a7c45b12f8e63a0b9d4c7e21f506";
constexpr char Code[] = "fbcode-alice-0001";
// Base64 of "access_token=a1c3e5f7092b4d6f8a0c2e4f6b8d0f12;pcs_id=48213".
constexpr char SecurityToken[] = "YWNjZXNzX3Rva2VuPWExYzNlNWY3MDkyYjRkNmY4YTBjMmU0ZjZiOGQwZjEyO3Bjc19pZD00ODIxMw==";

std::wstring wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

std::string apiOrigin()
{
    return std::string(ApiHost().begin(), ApiHost().end());
}

} // namespace

TEST_F(HttpTest, SecretsNeverReachTheLogInClear)
{
    // Sign-in by password: the password in the query, the token in the JSON answer.
    Server::Request signIn = server.asyncHttpRequest(
        api(L"/api/v3/subscriptions/get_access_token?email=alice+meet@example.com&password=" + wide(PasswordOnTheWire)),
        ResponseSubscription, L"GET", L"");
    const ServerResponse signedIn = completed(signIn);
    ASSERT_EQ(signedIn.retcode, 0) << "the service must have seen the real password";
    ASSERT_EQ(signedIn.accessToken, AliceToken);

    // Code exchange: the client secret and the code in the form, the token in the answer.
    const std::string form = std::string("client_id=3b8e21d07c5fa946&client_secret=") + ClientSecret
                             + "&grant_type=authorization_code&redirect_uri=" + apiOrigin() + "/auth/callback"
                             + "&code=" + Code;
    Server::Request exchange =
        server.asyncHttpRequest(api(L"/api/v3/token"), ResponseTokenExchange, L"POST", wide(form));
    ASSERT_EQ(completed(exchange).accessToken, AliceToken);

    // The token in a query, then the web sign-in link's security token.
    Server::Request current = server.asyncHttpRequest(
        api(L"/api/v3/subscriptions/current?client_id=3b8e21d07c5fa946&access_token=" + wide(AliceToken)),
        ResponseSubscription, L"GET", L"");
    ASSERT_EQ(completed(current).retcode, 0);
    Server::Request wall =
        server.asyncHttpRequest(api(L"/nc_login?security_token=" + wide(SecurityToken)), ResponseRaw, L"GET", L"");
    ASSERT_EQ(completed(wall).httpStatus, 200);

    Log::close();
    const std::string text = log.text();
    // Five characters of a secret already show more than the masking allows.
    const std::string inClear[] = {Password,
                                   PasswordOnTheWire,
                                   "Tea & Cake",
                                   "Tea%20",
                                   std::string(AliceToken).substr(0, 5),
                                   std::string(ClientSecret).substr(0, 5),
                                   std::string(Code).substr(0, 5),
                                   std::string(SecurityToken).substr(0, 5)};
    for (const std::string& secret : inClear)
        EXPECT_EQ(text.find(secret), std::string::npos) << secret << " in\n" << text;

    // What is left says which secret was there, and the rest of each line is intact.
    EXPECT_TRUE(log.contains("url=" + apiOrigin()
                             + "/api/v3/subscriptions/get_access_token?email=alice+meet@example.com&password=***"
                               ", type=0, method=GET, body="))
        << text;
    EXPECT_NE(text.find("client_secret=c07d***&grant_type=authorization_code&redirect_uri="), std::string::npos);
    EXPECT_NE(text.find("/auth/callback&code=fbco***"), std::string::npos);
    EXPECT_NE(text.find("&access_token=a1c3***, type=0"), std::string::npos);
    EXPECT_NE(text.find("security_token=YWNj***, type=5"), std::string::npos);
    EXPECT_NE(text.find(R"(responseBody={"access_token": "a1c3***", "token_type": "bearer"})"), std::string::npos);
    EXPECT_NE(text.find("\"meeting_url\": \"alice.walker\""), std::string::npos) << "the rest of an answer stays";
}
