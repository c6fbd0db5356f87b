// Cross-checks against the vectors that Python's standard library computed at build time
// (make_vectors.py): thousands of random inputs per routine, binary bytes and empty input
// included, every length up to 200 for Base64 and MD5, and a 1 MB MD5 input.

#include "ReferenceVectors.h"

#include "Base64.h"
#include "Md5.h"
#include "TextCodec.h"
#include "UriCodec.h"

#include <gtest/gtest.h>

#include <functional>

using ReferenceVectors::Record;
using ReferenceVectors::wideFromLittleEndian;

namespace {

std::string hexOf(std::string_view bytes)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes.substr(0, 64)) {
        text += Digits[static_cast<unsigned char>(c) >> 4];
        text += Digits[c & 0x0F];
    }
    return bytes.size() > 64 ? text + "... (" + std::to_string(bytes.size()) + " bytes)" : text;
}

std::string hexOf(std::wstring_view text)
{
    return hexOf(std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)));
}

std::wstring widenAscii(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// Runs `mismatch` over every record of `kind`; it returns what went wrong, or an empty text.
// Only the first few mismatches are spelled out, so that a broken routine stays readable.
void expectEveryRecord(const std::string& kind, const std::function<std::string(const Record&)>& mismatch)
{
    const auto& records = ReferenceVectors::of(kind);
    ASSERT_FALSE(records.empty()) << "no \"" << kind << "\" records: encoding_vectors.txt missing beside the test";
    int failures = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string problem = mismatch(records[i]);
        if (!problem.empty() && ++failures <= 5)
            ADD_FAILURE() << kind << " record " << i << " (given " << hexOf(records[i].given) << "): " << problem;
    }
    EXPECT_EQ(failures, 0) << "mismatching " << kind << " records";
}

template <class Value>
std::string differs(const Value& actual, const Value& expected)
{
    return actual == expected ? std::string() : "expected " + hexOf(expected) + ", got " + hexOf(actual);
}

} // namespace

TEST(ReferenceVectors, PercentEncodersAgreeWithUrllibQuote)
{
    expectEveryRecord("uri", [](const Record& r) { return differs(UriEncode(r.given), r.expected); });
    expectEveryRecord("component", [](const Record& r) { return differs(urlEncodeComponent(r.given), r.expected); });
}

TEST(ReferenceVectors, UriDecodeAgreesWithUnquoteToBytes)
{
    expectEveryRecord("decode", [](const Record& r) { return differs(UriDecode(r.given), r.expected); });
}

TEST(ReferenceVectors, UriDecodeUndoesUriEncode)
{
    expectEveryRecord("uri", [](const Record& r) { return differs(UriDecode(r.expected), r.given); });
}

TEST(ReferenceVectors, Base64AgreesWithPythonBase64)
{
    expectEveryRecord("b64", [](const Record& r) { return differs(base64Encode(r.given), widenAscii(r.expected)); });
    expectEveryRecord("b64", [](const Record& r) { return differs(base64Decode(r.expected), r.given); });
    expectEveryRecord("b64dec", [](const Record& r) { return differs(base64Decode(r.given), r.expected); });
    expectEveryRecord("b64text", [](const Record& r) {
        return differs(base64EncodeText(wideFromLittleEndian(r.given)), widenAscii(r.expected));
    });
}

TEST(ReferenceVectors, Md5AgreesWithHashlib)
{
    expectEveryRecord("md5", [](const Record& r) { return differs(md5Hex(r.given), r.expected); });
}

TEST(ReferenceVectors, CodePageConversionsAgreeWithPythonCodecs)
{
    const std::pair<std::string, UINT> codePages[] = {{"utf8", CP_UTF8}, {"cp1252", 1252}};
    for (const auto& [kind, codePage] : codePages) {
        SCOPED_TRACE(kind);
        expectEveryRecord(kind, [codePage = codePage](const Record& r) {
            const std::wstring wide = wideFromLittleEndian(r.expected);
            std::string problem = differs(toUtf16(r.given, codePage).str(), wide);
            if (problem.empty())
                problem = differs(fromUtf16(wide, codePage).str(), r.given);
            return problem;
        });
    }
}
