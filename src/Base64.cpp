#include "Base64.h"

#include "TextCodec.h"

#include <array>
#include <cstdint>

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr wchar_t Pad = L'=';
constexpr std::uint8_t NotInAlphabet = 0xFF;

constexpr std::array<std::uint8_t, 256> makeDecodingTable()
{
    std::array<std::uint8_t, 256> table{};
    table.fill(NotInAlphabet);
    for (std::uint8_t value = 0; value < 64; ++value)
        table[static_cast<unsigned char>(Alphabet[value])] = value;
    return table;
}
constexpr std::array<std::uint8_t, 256> DecodingTable = makeDecodingTable();

wchar_t sextet(std::uint32_t group, int shift)
{
    return static_cast<wchar_t>(Alphabet[(group >> shift) & 0x3F]);
}

} // namespace

std::wstring base64Encode(std::string_view bytes)
{
    const std::size_t fullGroups = bytes.size() / 3;
    const std::size_t tail = bytes.size() % 3;
    std::wstring result(4 * (fullGroups + (tail ? 1 : 0)), Pad);
    wchar_t* out = result.data();

    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t group = 0; group < fullGroups; ++group, in += 3) {
        const std::uint32_t bits = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
        *out++ = sextet(bits, 18);
        *out++ = sextet(bits, 12);
        *out++ = sextet(bits, 6);
        *out++ = sextet(bits, 0);
    }
    // The padding is already in place: only the characters that carry bits are written.
    if (tail) {
        const std::uint32_t bits = (std::uint32_t{in[0]} << 16) | (tail == 2 ? std::uint32_t{in[1]} << 8 : 0);
        *out++ = sextet(bits, 18);
        *out++ = sextet(bits, 12);
        if (tail == 2)
            *out = sextet(bits, 6);
    }
    return result;
}

std::wstring base64EncodeText(std::wstring_view text)
{
    // The platform conversion reads up to the NUL, which a view need not have.
    const std::wstring terminated(text);
    return base64Encode(fromUtf16(terminated.c_str(), CP_UTF8).view());
}

std::string base64Decode(std::string_view text)
{
    std::size_t length = 0;
    while (length < text.size() && DecodingTable[static_cast<unsigned char>(text[length])] != NotInAlphabet)
        ++length;

    // Six bits per character, whole bytes only: a lone trailing character yields nothing.
    std::string result(length * 6 / 8, '\0');
    char* out = result.data();
    std::uint32_t bits = 0;
    int pending = 0;
    for (std::size_t i = 0; i < length; ++i) {
        bits = (bits << 6) | DecodingTable[static_cast<unsigned char>(text[i])];
        pending += 6;
        if (pending >= 8) {
            pending -= 8;
            *out++ = static_cast<char>((bits >> pending) & 0xFF);
        }
    }
    return result;
}
