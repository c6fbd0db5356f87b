#include "UriCodec.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

struct EncodeCase {
    std::string text;
    std::string uriEncoded;
    std::string componentEncoded;
};

struct DecodeCase {
    std::string text;
    std::string decoded;
};

} // namespace

TEST(PercentEncoding, EncodersDifferOnlyInTheirSafeSets)
{
    const EncodeCase cases[] = {
        {"", "", ""},
        {"ABC", "ABC", "ABC"},
        {"azAZ09", "azAZ09", "azAZ09"},
        {"\x00\x01\x02"s, "%00%01%02", "%00%01%02"},
        {"\xFF", "%FF", "%FF"},
        {"\x7F\x80", "%7F%80", "%7F%80"},
        {"-._~", "%2D%2E%5F%7E", "-._~"},
        {"a b", "a%20b", "a%20b"},
        {"p&ss+w=rd%", "p%26ss%2Bw%3Drd%25", "p%26ss%2Bw%3Drd%25"},
        {"/?#:", "%2F%3F%23%3A", "%2F%3F%23%3A"},
        // Each byte of a UTF-8 multi-byte character on its own, hex in upper case.
        {"\xC3\xA9\xE2\x82\xAC", "%C3%A9%E2%82%AC", "%C3%A9%E2%82%AC"},
    };
    for (const EncodeCase& c : cases) {
        SCOPED_TRACE(c.uriEncoded);
        EXPECT_EQ(UriEncode(c.text), c.uriEncoded);
        EXPECT_EQ(urlEncodeComponent(c.text), c.componentEncoded);
    }
}

TEST(PercentEncoding, UnsafeSampleDisappearsFromItsEncodingAndComesBack)
{
    const std::string unsafe = " <>#{}|\\^~[]`";
    const std::string encoded = UriEncode(unsafe);
    EXPECT_EQ(encoded.find_first_of(unsafe), std::string::npos) << encoded;
    EXPECT_EQ(UriDecode(encoded), unsafe);
}

TEST(PercentDecoding, DecodesEscapesAndPassesEverythingElseThrough)
{
    const DecodeCase cases[] = {
        {"", ""},
        {"%00%01%02", "\x00\x01\x02"s},
        {"%FF", "\xFF"},
        {"%ff", "\xFF"},
        {"%fF%Aa", "\xFF\xAA"},
        {"%2D%2e", "-."},
        {"a+b", "a+b"},
        // A '%' in one of the last two positions stays.
        {"%", "%"},
        {"%4", "%4"},
        {"ab%", "ab%"},
        {"ab%4", "ab%4"},
        {"%41%", "A%"},
        {"%41%4", "A%4"},
        // A '%' without two hex digits stays, and the scan goes on right after it.
        {"%G1", "%G1"},
        {"%1G", "%1G"},
        {"%%41", "%A"},
        {"%4%41", "%4A"},
        // One pass only: a decoded '%' does not start a new escape.
        {"%2541", "%41"},
        {"100%", "100%"},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(UriDecode(c.text), c.decoded);
    }
}

TEST(PercentCodecSelfCheck, PassesOnEveryRun)
{
    // The random half of the check draws new strings each time.
    for (int run = 0; run < 20; ++run)
        EXPECT_EQ(UriCodec::selfCheck(), 0) << "run " << run;
}
