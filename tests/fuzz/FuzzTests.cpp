// Mutated inputs for every reader of outside data: the service's answers of each kind, the online
// configuration document, the desktop profile and the account's registry values. Each reader
// must take every input without an exception or a crash and end in a clean state.
//
// In the suite each target runs with a fixed seed for a few seconds (at most 10,000 inputs).
// TALVORA_FUZZ_INPUTS=<n> runs exactly n inputs per target instead, without a time limit, and
// TALVORA_FUZZ_SEED=<n> another seed (README.md, "Fuzzing"). An input that fails is written to
// the temporary folder as talvora-fuzz-<target>.bin and belongs in tests/fuzz/regressions/<target>/
// from then on: every file there runs first, on every run.

#include "Account.h"
#include "AccountTestSupport.h"
#include "Log.h"
#include "Mutator.h"
#include "NCProfile.h"
#include "OnlineConfig.h"
#include "Server.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Budget {
    std::size_t inputs;
    ULONGLONG milliseconds; // 0: no limit
    std::uint32_t seed;
};

Budget budget()
{
    Budget b{10000, 3000, 20261211};
    if (const char* inputs = std::getenv("TALVORA_FUZZ_INPUTS"); inputs && *inputs) {
        b.inputs = std::strtoul(inputs, nullptr, 10);
        b.milliseconds = 0;
    }
    if (const char* seed = std::getenv("TALVORA_FUZZ_SEED"); seed && *seed)
        b.seed = static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10));
    return b;
}

std::wstring programFolder()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return TestSupport::folderOf(exe);
}

// The kept inputs of a target, beside the program.
std::vector<std::string> regressions(const wchar_t* target)
{
    const std::wstring folder = programFolder() + L"\\fuzz-regressions\\" + target + L"\\";
    std::vector<std::string> inputs;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return inputs;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            inputs.push_back(TestSupport::readFile(folder + found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return inputs;
}

void keepFailingInput(const wchar_t* target, const std::string& input)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"talvora-fuzz-" + target + L".bin";
    std::ofstream(path.c_str(), std::ios::binary) << input;
    ADD_FAILURE() << "failing input written to the temporary folder as talvora-fuzz-" << std::string(target, target + wcslen(target))
                  << ".bin";
}

// Runs the kept inputs, then mutated ones until the budget is spent; stops at the first input
// that fails a check.
void fuzz(const wchar_t* target, std::vector<std::string> seeds, std::vector<std::string> tokens,
          const std::function<void(const std::string&)>& check)
{
    const Budget b = budget();
    const std::vector<std::string> kept = regressions(target);
    for (const std::string& input : kept) {
        check(input);
        if (testing::Test::HasFailure())
            return keepFailingInput(target, input);
    }
    Fuzz::Mutator mutator(std::move(seeds), std::move(tokens), b.seed);
    const ULONGLONG start = GetTickCount64();
    std::size_t count = 0;
    while (count < b.inputs && (b.milliseconds == 0 || GetTickCount64() - start < b.milliseconds)) {
        const std::string input = mutator.next();
        ++count;
        try {
            check(input);
        } catch (...) {
            ADD_FAILURE() << "an exception escaped";
        }
        if (testing::Test::HasFailure())
            return keepFailingInput(target, input);
    }
    std::cout << "[ fuzz     ] " << std::string(target, target + wcslen(target)) << ": " << kept.size() << " kept and "
              << count << " mutated inputs in " << (GetTickCount64() - start) << " ms (seed " << b.seed << ")\n";
}

const std::vector<std::string> JsonTokens = {
    "{", "}", "[", "]", ":", ",", "\"", "\\", "\\u", "\\ud800", "null", "true", "false", "0", "-1", "1e999",
    "123", "0.5", "\"retcode\"", "\"subscription\"", "\"id\"", "\"email_template\"", "\"access_token\"",
    "\"products\"", "\"toll_numbers\"", "\"country\"", "\"country_id\"", "/*", "*/", "//", "\n", "\xC3\xA9",
    "\xFF", std::string(1, '\0'), std::string(300, '['),
};

const std::string SubscriptionAnswer =
    R"({"retcode": 0, "access_token": "a1c3e5f7", "subscription": {"id": 48213, "meeting_url": "alice.walker",
      "access_code": "4417209", "email": "alice+meet@example.com", "first_name": "Alice", "last_name": "Walker",
      "country_id": 1, "country_code": "us", "status": "active", "toll_number": "+1 (555) 010-2345",
      "toll_free_number": "+1 (800) 555-0199", "products": ["international_toll", "screen_sharing", "video"],
      "default_conferencing_rate_type": "one_number",
      "toll_numbers": [{"country": 1, "country_code": "us", "country_name": "United States", "in_country_format": "+1 (555) 010-2345"}],
      "toll_free_numbers": [{"country": "1", "country_code": "ca", "country_name": "Canada", "in_country_format": "+1 (888) 555-0177"}],
      "one_numbers": [null, {"country": 1, "country_code": "us", "country_name": "United States", "in_country_format": "+1 (555) 010-0100"}]}})";

} // namespace

TEST(Fuzz, ServiceAnswersOfEveryKind)
{
    Log::close(); // the parser logs every answer: off, the budget goes to inputs
    CAccount account;
    Server server(account);
    const std::vector<std::string> seeds = {
        SubscriptionAnswer,
        R"({"retcode": 0, "email_template": "Alice Walker is inviting you\r\nOnline Meeting: http://x/wall/a\r\nLast"})",
        R"({"access_token": "a1c3e5f7", "token_type": "bearer"})",
        R"({"retcode": 4, "message": "invalid access token"})",
        R"({"retcode": 0, "subscription": {"id": "77019", "country_id": "44", "status": "suspended"}})",
    };
    fuzz(L"answers", seeds, JsonTokens, [&](const std::string& body) {
        for (const int kind : {ResponseSubscription, ResponseEmailTemplate, ResponseTokenExchange}) {
            const ServerResponse response = Server::parseResponse(&server, body, kind);
            ASSERT_EQ(response.body, body);
            if (response.unreadable) {
                ASSERT_EQ(response.retcode, -1);
                ASSERT_TRUE(response.accessToken.empty() && response.emailTemplate.empty()
                            && response.subscription.id.empty());
            } else if (kind == ResponseTokenExchange) {
                ASSERT_EQ(response.retcode, 0);
            }
        }
    });
}

TEST(Fuzz, OnlineConfigurationDocument)
{
    Log::close();
    const std::vector<std::string> seeds = {
        "<?xml version=\"1.0\"?>\r\n<config>\r\n  <outlook>\r\n    <version force=\"true\">0.9.28.1</version>\r\n"
        "    <message display=\"true\">A new Talvora Office Add-in is available.</message>\r\n"
        "    <url>http://127.0.0.1/outlook-plugin-instructions</url>\r\n  </outlook>\r\n  <executables>\r\n"
        "    <package platform=\"mac\">http://127.0.0.1/downloads/TalvoraSetup.dmg</package>\r\n"
        "    <package platform=\"win\">http://127.0.0.1/downloads/TalvoraSetup.exe</package>\r\n"
        "  </executables>\r\n</config>\r\n",
        "<config><outlook><version>1.2</version></outlook></config>",
        "<!DOCTYPE config [<!ENTITY a \"aaaaaaaaaa\">]><config><outlook><message display=\"true\">&a;&a;</message></outlook></config>",
    };
    const std::vector<std::string> tokens = {"<", ">", "</", "/>", "=", "\"", "'", "&", "&amp;", "&#0;", "&#x10FFFF;",
                                             "<![CDATA[", "]]>", "<!--", "-->", "<?", "?>", "<version>", "</version>",
                                             "force=\"true\"", "platform='win'", ".", "-2147483649", "99999999999",
                                             "\xFF\xFE", "\xC3", std::string(1, '\0'), std::string(200, '<')};
    fuzz(L"config", seeds, tokens, [](const std::string& body) {
        VersionNumbers version = {-1, -1, -1, -1};
        std::wstring versionText;
        const OnlineConfig config = parseOnlineConfig(body, version, versionText);
        // Read again from the same start, the document gives the same record.
        VersionNumbers again = {-1, -1, -1, -1};
        std::wstring againText;
        ASSERT_TRUE(parseOnlineConfig(body, again, againText) == config);
        ASSERT_EQ(again, version);
        ASSERT_EQ(againText, versionText);
    });
}

TEST(Fuzz, DesktopProfile)
{
    Log::close();
    AccountTestSupport::DesktopApp app;
    app.installExecutable(AccountTestSupport::DesktopApp::LocalAppData);
    const std::vector<std::string> seeds = {
        R"({"identity": {"subscription_id": "sub-1", "access_token": "tok-1"}, "hostprofile": {"email": "user@example.com"},
            "general": {"plugin_lang": "de"}, "connection": {"proxy_type": 1, "actual_proxy": "proxy.example:8080"},
            "cobrand": {"id": "p7", "title": "Partner", "web_site": "https://partner.example", "sso": true, "login": true}})",
        "// written by the desktop application\n{\"connection\": {\"proxy_type\": 2}, /* no identity */ \"general\": {}}",
    };
    fuzz(L"profile", seeds, JsonTokens, [&](const std::string& content) {
        app.writePreferences(content);
        NCProfile& profile = NCProfile::instance();
        profile.reload();
        if (profile.loaded) {
            ASSERT_TRUE(profile.proxyType >= 0 && profile.proxyType <= 2) << profile.proxyType;
        }
    });
}

// Each input is a set of account values, one after the other: a byte choosing the value name, a
// byte choosing the type, two bytes of length (low first) and the data. The values may be of
// any type, of odd size, unterminated, or longer than the reader's buffer.
std::string accountValue(unsigned char name, unsigned char type, const std::string& data)
{
    const std::size_t size = data.size();
    return std::string{static_cast<char>(name), static_cast<char>(type), static_cast<char>(size & 0xFF),
                       static_cast<char>(size >> 8)}
           + data;
}

TEST(Fuzz, AccountRegistryValues)
{
    Log::close();
    static const wchar_t* const Names[] = {L"Login", L"SubscriptionId", L"AccessToken", L"MeetingUrl", L"AccessCode",
                                           L"PhoneNumber", L"cobrand_id", L"cobrand_title", L"cobrand_web_site",
                                           L"cobrand_login", L"cobrand_sso", L"invitation", L"MigratedFromV2"};
    static const DWORD Types[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY, REG_NONE};
    const std::string alice("a\0l\0i\0c\0e\0\0\0", 12);
    const std::vector<std::string> seeds = {
        accountValue(0, 0, alice) + accountValue(1, 0, std::string("4\0\0\0", 4)) + accountValue(2, 0, alice)
            + accountValue(12, 0, std::string("y\0e\0s\0\0\0", 8)),
        accountValue(9, 3, std::string("\x01\0\0\0", 4)) + accountValue(11, 2, std::string("l\0\r\0\n\0\0\0\0\0", 10)),
        accountValue(0, 1, std::string(4100, 'x')) + accountValue(3, 0, std::string("o\0d\0d", 5)),
    };
    const std::vector<std::string> tokens = {std::string(2, '\0'), std::string(1, '\0'), std::string("\xD8\x00", 2),
                                             std::string(2048, 'a'), std::string("\x0C\x02", 2)};
    fuzz(L"registry", seeds, tokens, [](const std::string& input) {
        AccountTestSupport::deleteAddinKey();
        for (std::size_t at = 0, values = 0; at + 4 <= input.size() && values < 8; ++values) {
            const wchar_t* name = Names[static_cast<unsigned char>(input[at]) % std::size(Names)];
            const DWORD type = Types[static_cast<unsigned char>(input[at + 1]) % std::size(Types)];
            const std::size_t size =
                static_cast<unsigned char>(input[at + 2]) | (static_cast<std::size_t>(static_cast<unsigned char>(input[at + 3])) << 8);
            const std::string data = input.substr(at + 4, size);
            AccountTestSupport::writeValue(name, type, std::vector<BYTE>(data.begin(), data.end()));
            at += 4 + data.size();
        }
        CAccount account;
        account.load();
        for (const std::wstring* text : {&account.login, &account.subscriptionId, &account.accessToken,
                                         &account.meetingUrl, &account.accessCode, &account.phoneNumber}) {
            ASSERT_EQ(text->find(L'\0'), std::wstring::npos);
            ASSERT_LE(text->size(), 2048u);
        }
    });
    AccountTestSupport::deleteAddinKey();
}
