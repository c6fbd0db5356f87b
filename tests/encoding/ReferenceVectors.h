#pragma once
// The vectors that make_vectors.py computes with Python's standard library at build time,
// read from encoding_vectors.txt beside the test program.

#include <string>
#include <vector>

namespace ReferenceVectors {

struct Record {
    std::string given;
    std::string expected;
};

// The records of one kind ("uri", "md5", ...), in file order. The file is read once.
const std::vector<Record>& of(const std::string& kind);

// UTF-16LE bytes as a wide string.
std::wstring wideFromLittleEndian(const std::string& bytes);

} // namespace ReferenceVectors
