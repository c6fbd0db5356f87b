#pragma once
// The MD5 digest of RFC 1321.

#include <string>
#include <string_view>

// 32 lower-case hex characters.
std::string md5Hex(std::string_view bytes);
