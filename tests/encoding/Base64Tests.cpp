#include "Base64.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(Base64Encoding, PadsTheLastGroup)
{
    const std::pair<std::string, std::wstring> cases[] = {
        {"", L""},
        {"f", L"Zg=="},
        {"fo", L"Zm8="},
        {"foo", L"Zm9v"},
        {"foob", L"Zm9vYg=="},
        {"fooba", L"Zm9vYmE="},
        {"foobar", L"Zm9vYmFy"},
        {"\x00"s, L"AA=="},
        {"\x00\xFF\xFE"s, L"AP/+"},
        {"\xFB\xEF\xBE", L"++++"},
        {"\xFF\xFF\xFF", L"////"},
    };
    for (const auto& [bytes, encoded] : cases) {
        SCOPED_TRACE(testing::PrintToString(encoded));
        EXPECT_EQ(base64Encode(bytes), encoded);
    }
}

TEST(Base64Encoding, TextIsEncodedAsUtf8)
{
    EXPECT_EQ(base64EncodeText(L"access_token=abc;pcs_id=42"), L"YWNjZXNzX3Rva2VuPWFiYztwY3NfaWQ9NDI=");
    EXPECT_EQ(base64EncodeText(L"\u00E9\u20AC"), L"w6nigqw=");
    EXPECT_EQ(base64EncodeText(L"\U0001D11E"), L"8J2Eng==");
    EXPECT_EQ(base64EncodeText(L""), L"");
}

TEST(Base64Decoding, StopsAtPaddingOrAnyCharacterOutsideTheAlphabet)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"Zm9vYmFy", "foobar"},
        {"Zm9vYg==", "foob"},
        {"Zm9vYmE=", "fooba"},
        // Unpadded final groups of two and three characters.
        {"Zm9vYg", "foob"},
        {"Zm9vYmE", "fooba"},
        // A single trailing character carries too few bits for a byte.
        {"Z", ""},
        {"Zm9vY", "foo"},
        // A space in the middle: only what came before it, its incomplete group included.
        {"Zm9vYm Fy", "foob"},
        {"Zm9v YmFy", "foo"},
        {"Zg==Zm8=", "f"},
        {"=Zm9v", ""},
        {"Zm9v\nYmFy", "foo"},
        {"Zm9v\x00YmFy"s, "foo"},
        {"Zm9v\xC3\xA9YmFy", "foo"},
        // The URL-safe alphabet is not this one.
        {"-_-_", ""},
        {"AP/+", "\x00\xFF\xFE"s},
    };
    for (const auto& [text, bytes] : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(base64Decode(text), bytes);
    }
}
