#include "LogMasking.h"

#include <gtest/gtest.h>

using LogMasking::maskJson;
using LogMasking::maskQuery;
using LogMasking::maskSecret;

TEST(LogMaskingTest, SecretValues)
{
    const struct {
        const char* value;
        const char* masked;
    } cases[] = {
        {"a1c3e5f7092b4d6f8a0c2e4f6b8d0f12", "a1c3***"},
        {"abcdefgh", "abcd***"},
        {"abcdefg", "abc***"}, // never more than half
        {"abcd", "ab***"},
        {"a", "***"},
        {"", ""},
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9xyzw", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9***"}, // characters, not bytes
    };
    for (const auto& c : cases)
        EXPECT_EQ(maskSecret(c.value), c.masked) << c.value;
}

TEST(LogMaskingTest, QueriesAndForms)
{
    const struct {
        const char* text;
        const char* masked;
    } cases[] = {
        {"http://h/api/v3/subscriptions/get_access_token?email=a+b@x.com&password=Tea%20%26%20Cake",
         "http://h/api/v3/subscriptions/get_access_token?email=a+b@x.com&password=***"},
        {"http://h/s/1?access_token=a1c3e5f7092b4d6f8a0c2e4f6b8d0f12&client_app_id=3b8e&rand=7&sig=ff",
         "http://h/s/1?access_token=a1c3***&client_app_id=3b8e&rand=7&sig=ff"},
        {"client_id=3b8e&client_secret=c07d5e9a21f84b36&grant_type=authorization_code&redirect_uri=http://h/cb"
         "&code=fbcode-1",
         "client_id=3b8e&client_secret=c07d***&grant_type=authorization_code&redirect_uri=http://h/cb&code=fbco***"},
        {"http://h/nc_login?security_token=YWNjZXNzX3Rva2VuPWEx", "http://h/nc_login?security_token=YWNj***"},
        // An escape is one character, so the prefix never ends inside one.
        {"code=%41%42%43%44%45%46%47%48", "code=%41%42%43%44***"},
        // Names match exactly; other parameters and empty values stay as they are.
        {"passwords=x&xcode=abcdefgh&Code=abcdefgh&access_token=&password=",
         "passwords=x&xcode=abcdefgh&Code=abcdefgh&access_token=&password="},
        // Every occurrence is masked, also after a '?' inside another parameter's value.
        {"email=a&password=x@b&password=secret", "email=a&password=***&password=***"},
        {"redirect_uri=http://h/cb?code=abcdefgh&x=1", "redirect_uri=http://h/cb?code=abcd***&x=1"},
        // A secret value runs to the next '&', whatever it contains.
        {"password=a?b=c&next=1", "password=***&next=1"},
        {"no parameters at all", "no parameters at all"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(maskQuery(c.text), c.masked) << c.text;
}

TEST(LogMaskingTest, JsonMembers)
{
    const struct {
        const char* text;
        const char* masked;
    } cases[] = {
        {R"({"access_token": "a1c3e5f7092b4d6f8a0c2e4f6b8d0f12", "token_type": "bearer"})",
         R"({"access_token": "a1c3***", "token_type": "bearer"})"},
        {R"({"retcode":0,"subscription":{"id":48213,"code":"abcdefgh"},"access_token":"zz01zz01"})",
         R"({"retcode":0,"subscription":{"id":48213,"code":"abcd***"},"access_token":"zz01***"})"},
        {R"({"password" : "Tea & Cake", "email": "password"})", R"({"password" : "***", "email": "password"})"},
        // Escapes count as one character and names are compared as JsonCpp reads them.
        {R"({"acc\u0065ss_token": "\u0061\u0062\"d\\efgh"})", R"({"acc\u0065ss_token": "\u0061\u0062\"d***"})"},
        {R"({"code": 12345678, "client_secret": null, "security_token": true})",
         R"({"code": 1234***, "client_secret": null, "security_token": true})"},
        // Nested values are scanned member by member.
        {R"({"code": {"access_token": "abcdefgh", "n": [1, "code"]}})",
         R"({"code": {"access_token": "abcd***", "n": [1, "code"]}})"},
        // A value is masked only where it stands for the member, and texts that are no JSON survive.
        {R"(["access_token", "abcdefgh"])", R"(["access_token", "abcdefgh"])"},
        {R"({"access_token": "abcdefgh)", R"({"access_token": "abcd***)"},
        {"<?xml version=\"1.0\"?><config/>", "<?xml version=\"1.0\"?><config/>"},
        {R"({"text": "a \"code\": \"abcdefgh\""})", R"({"text": "a \"code\": \"abcdefgh\""})"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(maskJson(c.text), c.masked) << c.text;
}
