#include "ReferenceMd5.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace ReferenceMd5 {
namespace {

constexpr std::array<int, 64> Shifts = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                        5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                        4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                        6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

// The sine table, derived here as RFC 1321 defines it rather than copied.
std::array<std::uint32_t, 64> sineTable()
{
    std::array<std::uint32_t, 64> table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(static_cast<double>(i + 1))) * 4294967296.0));
    return table;
}

std::uint32_t rotateLeft(std::uint32_t value, int bits)
{
    return (value << bits) | (value >> (32 - bits));
}

} // namespace

std::string hex(std::string_view bytes)
{
    static const std::array<std::uint32_t, 64> sines = sineTable();

    std::vector<unsigned char> message(bytes.begin(), bytes.end());
    const std::uint64_t bitLength = static_cast<std::uint64_t>(message.size()) * 8;
    message.push_back(0x80);
    while (message.size() % 64 != 56)
        message.push_back(0);
    for (int i = 0; i < 8; ++i)
        message.push_back(static_cast<unsigned char>(bitLength >> (8 * i)));

    std::uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (std::size_t block = 0; block < message.size(); block += 64) {
        std::uint32_t words[16];
        for (int i = 0; i < 16; ++i) {
            const unsigned char* p = &message[block + 4 * static_cast<std::size_t>(i)];
            words[i] = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
        }
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            const std::uint32_t next = b + rotateLeft(a + f + sines[static_cast<std::size_t>(i)] + words[g], Shifts[static_cast<std::size_t>(i)]);
            a = d;
            d = c;
            c = b;
            b = next;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
    }

    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint32_t word : state)
        for (int i = 0; i < 4; ++i) {
            const unsigned byte = (word >> (8 * i)) & 0xff;
            text += digits[byte >> 4];
            text += digits[byte & 0xf];
        }
    return text;
}

} // namespace ReferenceMd5
