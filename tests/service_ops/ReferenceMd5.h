#pragma once
// An MD5 of the tests' own (RFC 1321), so that the request signatures the add-in computes are
// checked against a digest that does not share its code.

#include <string>
#include <string_view>

namespace ReferenceMd5 {

// 32 lower-case hex characters.
std::string hex(std::string_view bytes);

} // namespace ReferenceMd5
