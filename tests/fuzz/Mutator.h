#pragma once
// Mutated inputs for the fuzz tests: a fixed-seed generator that derives each input from one of
// the seed documents by a few byte-level edits (flips, insertions of bytes and of the format's
// own tokens, deletions, duplications, truncations, splices of two seeds).

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace Fuzz {

class Mutator {
public:
    Mutator(std::vector<std::string> seeds, std::vector<std::string> tokens, std::uint32_t seed)
        : m_seeds(std::move(seeds)), m_tokens(std::move(tokens)), m_random(seed) {}

    std::string next()
    {
        std::string input = m_seeds[below(m_seeds.size())];
        const std::size_t edits = 1 + below(8);
        for (std::size_t i = 0; i < edits; ++i)
            edit(input);
        return input;
    }

    // A number below `bound` (0 for a bound of 0), from the engine's raw output: the same on
    // every platform, unlike the standard distributions.
    std::size_t below(std::size_t bound) { return bound ? static_cast<std::size_t>(m_random() % bound) : 0; }

private:
    void edit(std::string& input)
    {
        const std::size_t at = below(input.size() + 1);
        switch (below(8)) {
        case 0: // flip a bit
            if (!input.empty())
                input[below(input.size())] ^= static_cast<char>(1u << below(8));
            break;
        case 1: // a random byte
            input.insert(at, 1, static_cast<char>(below(256)));
            break;
        case 2: // a token of the format
            input.insert(at, m_tokens[below(m_tokens.size())]);
            break;
        case 3: // delete a run
            input.erase(at, below(16) + 1);
            break;
        case 4: // duplicate a run, sometimes many times
            if (at < input.size()) {
                const std::string run = input.substr(at, below(32) + 1);
                const std::size_t times = below(4) == 0 ? below(2000) : 1;
                for (std::size_t i = 0; i < times; ++i)
                    input.insert(at, run);
            }
            break;
        case 5: // cut the end
            input.resize(at);
            break;
        case 6: { // splice with another seed
            const std::string& other = m_seeds[below(m_seeds.size())];
            input = input.substr(0, at) + other.substr(below(other.size() + 1));
            break;
        }
        default: // overwrite a byte with an ASCII digit or letter
            if (!input.empty())
                input[below(input.size())] = "0123456789-+.eE\"tfn"[below(19)];
            break;
        }
    }

    std::vector<std::string> m_seeds;
    std::vector<std::string> m_tokens;
    std::mt19937 m_random;
};

} // namespace Fuzz
