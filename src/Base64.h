#pragma once
// Base64 of RFC 4648, section 4: standard alphabet, '=' padding, no line breaks.

#include <string>
#include <string_view>

std::wstring base64Encode(std::string_view bytes);
// The UTF-8 form of the text, Base64-encoded.
std::wstring base64EncodeText(std::wstring_view text);
// Decodes up to the first '=' or the first character outside the alphabet; never fails.
std::string base64Decode(std::string_view text);
