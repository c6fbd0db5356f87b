#include "UriCodec.h"

#include <array>
#include <assert.h>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";
constexpr std::uint8_t NotHex = 255;

using ByteTable = std::array<std::uint8_t, 256>;

constexpr bool isAsciiAlphanumeric(int c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

constexpr ByteTable makeUriSafeTable()
{
    ByteTable table{};
    for (int c = 0; c < 256; ++c)
        table[c] = isAsciiAlphanumeric(c) ? 1 : 0;
    return table;
}

constexpr ByteTable makeUnreservedTable()
{
    ByteTable table = makeUriSafeTable();
    for (char c : {'-', '.', '_', '~'})
        table[static_cast<unsigned char>(c)] = 1;
    return table;
}

constexpr ByteTable makeHexValueTable()
{
    ByteTable table{};
    table.fill(NotHex);
    for (int c = '0'; c <= '9'; ++c)
        table[c] = static_cast<std::uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) {
        table[c] = static_cast<std::uint8_t>(c - 'A' + 10);
        table[c - 'A' + 'a'] = static_cast<std::uint8_t>(c - 'A' + 10);
    }
    return table;
}

constexpr ByteTable UriSafe = makeUriSafeTable();
constexpr ByteTable Unreserved = makeUnreservedTable();
constexpr ByteTable HexValue = makeHexValueTable();

std::string percentEncode(std::string_view text, const ByteTable& safe)
{
    std::string result(3 * text.size(), '\0');
    char* out = result.data();
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (safe[byte]) {
            *out++ = c;
        } else {
            *out++ = '%';
            *out++ = HexDigits[byte >> 4];
            *out++ = HexDigits[byte & 0x0F];
        }
    }
    result.resize(static_cast<std::size_t>(out - result.data()));
    return result;
}

std::uint8_t hexValue(char c)
{
    return HexValue[static_cast<unsigned char>(c)];
}

// Counts every failed check and, in builds with assertions, reports it the way assert() would.
class SelfCheck {
public:
    void expect(bool ok, const wchar_t* expression, unsigned line)
    {
        if (ok)
            return;
        ++m_failures;
#ifndef NDEBUG
        _wassert(expression, L"UriCodec", line);
#else
        (void)expression;
        (void)line;
#endif
    }
    int failures() const noexcept { return m_failures; }

private:
    int m_failures = 0;
};

#define URI_CODEC_EXPECT(check, expression) (check).expect((expression), _CRT_WIDE(#expression), __LINE__)

using namespace std::string_view_literals;

void checkFixedCases(SelfCheck& check)
{
    URI_CODEC_EXPECT(check, UriEncode("ABC") == "ABC");

    const std::string_view lowBytes = "\x00\x01\x02"sv;
    URI_CODEC_EXPECT(check, UriEncode(lowBytes) == "%00%01%02");
    URI_CODEC_EXPECT(check, UriDecode("%00%01%02") == lowBytes);

    URI_CODEC_EXPECT(check, UriEncode("\xFF") == "%FF");
    URI_CODEC_EXPECT(check, UriDecode("%FF") == "\xFF");
    URI_CODEC_EXPECT(check, UriDecode("%ff") == "\xFF");

    const std::string_view unsafe = " <>#{}|\\^~[]`";
    const std::string encoded = UriEncode(unsafe);
    URI_CODEC_EXPECT(check, encoded.find_first_of(unsafe) == std::string::npos);
    URI_CODEC_EXPECT(check, UriDecode(encoded) == unsafe);
}

void checkRandomRoundTrips(SelfCheck& check)
{
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    char bytes[127];
    for (int trip = 0; trip < 100; ++trip) {
        const std::size_t length = static_cast<std::size_t>(std::rand()) % 128;
        for (std::size_t i = 0; i < length; ++i)
            bytes[i] = static_cast<char>(std::rand() & 0xFF);
        const std::string_view original(bytes, length);
        URI_CODEC_EXPECT(check, UriDecode(UriEncode(original)) == original);
    }
}

} // namespace

std::string UriEncode(std::string_view text)
{
    return percentEncode(text, UriSafe);
}

std::string urlEncodeComponent(std::string_view text)
{
    return percentEncode(text, Unreserved);
}

std::string UriDecode(std::string_view text)
{
    std::string result(text.size(), '\0');
    char* out = result.data();
    std::size_t cursor = 0;
    for (; cursor + 3 <= text.size(); ++cursor) {
        const std::uint8_t high = text[cursor] == '%' ? hexValue(text[cursor + 1]) : NotHex;
        const std::uint8_t low = high != NotHex ? hexValue(text[cursor + 2]) : NotHex;
        if (low != NotHex) {
            *out++ = static_cast<char>(high * 16 + low);
            cursor += 2;
        } else {
            *out++ = text[cursor];
        }
    }
    for (; cursor < text.size(); ++cursor)
        *out++ = text[cursor];
    result.resize(static_cast<std::size_t>(out - result.data()));
    return result;
}

namespace UriCodec {

int selfCheck()
{
    SelfCheck check;
    checkFixedCases(check);
    checkRandomRoundTrips(check);
    return check.failures();
}

} // namespace UriCodec
