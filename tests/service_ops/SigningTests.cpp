// The service addresses: the signed query (checked against a signature computed here, with an
// MD5 of the tests' own, from the rand the query carries), the password sign-in's encoding, and
// the other builders.
#include "Account.h"
#include "Localization.h"
#include "ReferenceMd5.h"
#include "Server.h"
#include "ServiceOrigins.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <regex>
#include <set>
#include <string>

namespace {

constexpr wchar_t ClientId[] = L"3b8e21d07c5fa946";
constexpr wchar_t ClientSecret[] = L"c07d5e9a21f84b36e0d9a7c45b12f8e63a0b9d4c7e21f506";

std::string utf8(const std::wstring& text)
{
    return fromUtf16(text, CP_UTF8).str();
}

bool unitsBefore(const std::wstring& a, const std::wstring& b)
{
    const auto unitLess = [](wchar_t x, wchar_t y) { return static_cast<unsigned>(x) < static_cast<unsigned>(y); };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), unitLess);
}

// Sorted by UTF-16 code units (a wchar_t is one unit here), joined, the secret appended.
std::string referenceSignature(const std::wstring& token, const std::wstring& subscriptionId, const std::wstring& rand)
{
    std::array<std::wstring, 4> values = {token, ClientId, subscriptionId, rand};
    std::sort(values.begin(), values.end(), unitsBefore);
    std::wstring text;
    for (const std::wstring& value : values)
        text += value;
    return ReferenceMd5::hex(utf8(text + ClientSecret));
}

struct SignedQuery {
    bool wellFormed = false;
    std::wstring token;
    std::wstring rand;
    std::string sig;
};

// "access_token=<token>&client_app_id=<client id>&rand=<0..32767>&sig=<32 hex>", nothing else.
SignedQuery parse(const std::wstring& query)
{
    static const std::wregex form(L"access_token=([^&]*)&client_app_id=3b8e21d07c5fa946&rand=(0|[1-9][0-9]{0,4})"
                                  L"&sig=([0-9a-f]{32})");
    std::wsmatch match;
    SignedQuery parsed;
    if (!std::regex_match(query, match, form) || std::stoi(match[2].str()) > 32767)
        return parsed;
    parsed.wellFormed = true;
    parsed.token = match[1].str();
    parsed.rand = match[2].str();
    parsed.sig = utf8(match[3].str());
    return parsed;
}

CAccount account(const std::wstring& token, const std::wstring& subscriptionId)
{
    CAccount result;
    result.accessToken = token;
    result.subscriptionId = subscriptionId;
    return result;
}

// Runs `build` until two calls fall within one tick of GetTickCount and one second of time().
template <class Build>
auto withinOneMoment(Build build)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const DWORD tick = GetTickCount();
        const std::time_t second = std::time(nullptr);
        auto built = build();
        if (GetTickCount() == tick && std::time(nullptr) == second)
            return built;
    }
    ADD_FAILURE() << "never two calls within one tick";
    return build();
}

} // namespace

// The reference computation above, checked against Python's hashlib (make_signature_vectors.py).
TEST(RequestSigning, ReferenceSignatureAgreesWithPython)
{
    const struct {
        const wchar_t* token;
        const wchar_t* subscriptionId;
        const wchar_t* rand;
        const char* sig;
    } vectors[] = {
        {L"", L"48213", L"4711", "a59910a17214d7421673437a80144f62"},
        {L"a1c3e5f7092b4d6f8a0c2e4f6b8d0f12", L"48213", L"0", "bd175f01bd4eea35d65f271fe36bf71a"},
        {L"zz", L"3b8e", L"32767", "fac937568ab36c7a8b3348b6276d0814"},
        {L"\U000000E9\U000020AC", L"77019", L"12", "9c640b8f985118b235350dffcf12b3b7"},
        {L"\U0001F600", L"\U0000FF21", L"5", "f0ca864b35b7eb0ab710aff674a3ffe3"},
    };
    for (const auto& v : vectors)
        EXPECT_EQ(referenceSignature(v.token, v.subscriptionId, v.rand), v.sig) << v.sig;
}

TEST(RequestSigning, QueryCarriesTokenClientRandAndTheSignatureOverAllFourValues)
{
    const struct {
        const char* name;
        const wchar_t* token;
        const wchar_t* subscriptionId;
    } cases[] = {
        {"an empty token, still sent and signed", L"", L"48213"},
        {"a service token", L"a1c3e5f7092b4d6f8a0c2e4f6b8d0f12", L"48213"},
        {"a subscription id that is a proper prefix of the client id", L"zz", L"3b8e"},
        {"texts outside ASCII, signed as UTF-8", L"\u00e9\u20ac", L"77019"},
        // U+1F600 is a surrogate pair (D83D DE00) and sorts before U+FF21 by code units,
        // after it by code points.
        {"code-unit order, not code-point order", L"\U0001F600", L"\uFF21"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring query = Server::signedQuery(account(c.token, c.subscriptionId));
        const SignedQuery parsed = parse(query);
        ASSERT_TRUE(parsed.wellFormed) << utf8(query);
        EXPECT_EQ(parsed.token, c.token);
        EXPECT_EQ(parsed.sig, referenceSignature(c.token, c.subscriptionId, parsed.rand));
    }
    EXPECT_EQ(Server::signedQuery(account(L"", L"48213")).rfind(L"access_token=&client_app_id=", 0), 0u);
}

TEST(RequestSigning, WithinOneTickAndSecondTheRandAndSignatureRepeat)
{
    const CAccount first = account(L"tok", L"48213");
    const CAccount other = account(L"tok", L"48214");
    const auto [a, b, c] = withinOneMoment([&] {
        return std::array<std::wstring, 3>{Server::signedQuery(first), Server::signedQuery(first),
                                           Server::signedQuery(other)};
    });
    EXPECT_EQ(a, b);
    const SignedQuery same = parse(a);
    const SignedQuery otherSubscription = parse(c);
    EXPECT_EQ(otherSubscription.rand, same.rand);
    EXPECT_NE(otherSubscription.sig, same.sig) << "the subscription id is signed";
    EXPECT_EQ(otherSubscription.sig, referenceSignature(L"tok", L"48214", otherSubscription.rand));

    // A later moment gives a fresh pair (two moments may share a rand by chance; four rarely do).
    std::set<std::wstring> rands;
    for (int moment = 0; moment < 4; ++moment) {
        const DWORD tick = GetTickCount();
        while (GetTickCount() == tick)
            Sleep(1);
        rands.insert(parse(Server::signedQuery(first)).rand);
    }
    EXPECT_GT(rands.size(), 1u);
}

TEST(RequestSigning, SignedUrlsHaveTheSubscriptionInTheirPath)
{
    const CAccount subscriber = account(L"tok", L"48213");
    const std::wstring base = ApiHost() + L"/api/v3/subscriptions/48213";
    const struct {
        const char* name;
        std::wstring url;
        std::wstring prefix;
        std::wstring suffix;
    } cases[] = {
        {"subscription", Server::subscriptionUrl(subscriber), base + L"?", L""},
        {"invitation template", Server::invitationTemplateUrl(subscriber), base + L"/invites/email_template?",
         L"&locale=" + Localization::instance().localeCodeW()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.url.rfind(c.prefix, 0), 0u) << utf8(c.url);
        ASSERT_GE(c.url.size(), c.prefix.size() + c.suffix.size());
        EXPECT_EQ(c.url.substr(c.url.size() - c.suffix.size()), c.suffix);
        const std::wstring query = c.url.substr(c.prefix.size(), c.url.size() - c.prefix.size() - c.suffix.size());
        const SignedQuery parsed = parse(query);
        ASSERT_TRUE(parsed.wellFormed) << utf8(query);
        EXPECT_EQ(parsed.sig, referenceSignature(L"tok", L"48213", parsed.rand));
    }
}

// The e-mail goes in verbatim (the service splits at the last "&password="); the password's
// bytes in the ANSI code page (cp1252 here) are escaped but for letters and digits.
TEST(PasswordSignInAddress, EmailVerbatimPasswordPercentEncoded)
{
    const struct {
        const wchar_t* login;
        const wchar_t* password;
        const wchar_t* query;
    } cases[] = {
        {L"alice+meet@example.com", L"Tea & Cake+100%\u00e9",
         L"email=alice+meet@example.com&password=Tea%20%26%20Cake%2B100%25%E9"},
        {L"eve&adam+x@example.net", L"plain Pass", L"email=eve&adam+x@example.net&password=plain%20Pass"},
        {L"bob.stone@example.org", L"bob&Stone 42", L"email=bob.stone@example.org&password=bob%26Stone%2042"},
        {L"chloe+work@example.ca", L"\u00c9rable+Sirop%", L"email=chloe+work@example.ca&password=%C9rable%2BSirop%25"},
    };
    for (const auto& c : cases) {
        CAccount signingIn;
        signingIn.login = c.login;
        signingIn.password = c.password;
        EXPECT_EQ(Server::tokenByPasswordUrl(signingIn), ApiHost() + L"/api/v3/subscriptions/get_access_token?" + c.query);
    }
}

TEST(ServiceAddresses, TheOtherBuildersInsertTheirValuesUnchanged)
{
    CAccount signedIn = account(L"tok+/=", L"4711");
    signedIn.meetingUrl = L"ann.lee";
    const struct {
        const char* name;
        std::wstring built;
        std::wstring expected;
    } cases[] = {
        {"token URL", Server::tokenUrl(), ApiHost() + L"/api/v3/token"},
        {"token request body", Server::tokenRequestBody("c&d=e", "http://x/auth/callback?a=b"),
         std::wstring(L"client_id=") + ClientId + L"&client_secret=" + ClientSecret +
             L"&grant_type=authorization_code&redirect_uri=http://x/auth/callback?a=b&code=c&d=e"},
        {"current-subscription URL", Server::currentSubscriptionUrl("t&k\xc3\xa9"),
         ApiHost() + L"/api/v3/subscriptions/current?client_id=" + ClientId + L"&access_token=t&k\u00e9"},
        {"wall URL", Server::wallUrl(signedIn), WebHost() + L"/wall/ann.lee"},
        // base64("access_token=tok+/=;pcs_id=4711"), its + / = not escaped
        {"web sign-in URL", Server::webSignInUrl(signedIn),
         WebHost() + L"/nc_login?security_token=YWNjZXNzX3Rva2VuPXRvaysvPTtwY3NfaWQ9NDcxMQ=="},
        {"desktop application arguments", Server::desktopAppArguments(signedIn), L"--host -t 4711 tok+/="},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.built, c.expected) << c.name;
}
