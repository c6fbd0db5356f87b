#include "Md5.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t BlockSize = 64;

// Per-round shift amounts and the sine-derived constants of RFC 1321, section 3.4.
constexpr std::uint32_t Shifts[64] = {
    7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
    5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
    6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21,
};

constexpr std::uint32_t SineTable[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

constexpr std::uint32_t rotateLeft(std::uint32_t value, std::uint32_t bits)
{
    return (value << bits) | (value >> (32 - bits));
}

std::uint32_t loadLittleEndian(const unsigned char* bytes)
{
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) | (std::uint32_t{bytes[2]} << 16)
        | (std::uint32_t{bytes[3]} << 24);
}

class Md5 {
public:
    void compress(const unsigned char* block)
    {
        std::uint32_t words[16];
        for (int i = 0; i < 16; ++i)
            words[i] = loadLittleEndian(block + 4 * i);

        std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
        for (int step = 0; step < 64; ++step) {
            std::uint32_t mixed;
            int word;
            switch (step / 16) {
            case 0:
                mixed = (b & c) | (~b & d);
                word = step;
                break;
            case 1:
                mixed = (d & b) | (~d & c);
                word = (5 * step + 1) % 16;
                break;
            case 2:
                mixed = b ^ c ^ d;
                word = (3 * step + 5) % 16;
                break;
            default:
                mixed = c ^ (b | ~d);
                word = (7 * step) % 16;
                break;
            }
            const std::uint32_t rotated = rotateLeft(a + mixed + SineTable[step] + words[word], Shifts[step]);
            a = d;
            d = c;
            c = b;
            b += rotated;
        }
        m_state[0] += a;
        m_state[1] += b;
        m_state[2] += c;
        m_state[3] += d;
    }

    std::string hex() const
    {
        static constexpr char Digits[] = "0123456789abcdef";
        std::string text(32, '\0');
        char* out = text.data();
        for (const std::uint32_t word : m_state) {
            for (int shift = 0; shift < 32; shift += 8) {
                const unsigned byte = (word >> shift) & 0xFF;
                *out++ = Digits[byte >> 4];
                *out++ = Digits[byte & 0x0F];
            }
        }
        return text;
    }

private:
    std::uint32_t m_state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
};

} // namespace

std::string md5Hex(std::string_view bytes)
{
    Md5 digest;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t fullBlocks = bytes.size() / BlockSize;
    for (std::size_t block = 0; block < fullBlocks; ++block)
        digest.compress(data + block * BlockSize);

    // The rest, the 0x80 marker, zeros and the 64-bit length: one block, or two when the rest
    // leaves no room for the marker and the eight length bytes.
    const std::size_t rest = bytes.size() % BlockSize;
    unsigned char tail[2 * BlockSize] = {};
    if (rest)
        std::memcpy(tail, data + fullBlocks * BlockSize, rest);
    tail[rest] = 0x80;
    const std::size_t tailSize = rest + 9 <= BlockSize ? BlockSize : 2 * BlockSize;
    const std::uint64_t bitLength = static_cast<std::uint64_t>(bytes.size()) * 8;
    for (int i = 0; i < 8; ++i)
        tail[tailSize - 8 + i] = static_cast<unsigned char>(bitLength >> (8 * i));
    for (std::size_t offset = 0; offset < tailSize; offset += BlockSize)
        digest.compress(tail + offset);
    return digest.hex();
}
