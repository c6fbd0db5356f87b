#pragma once
// Percent encoding and decoding of byte strings.

#include <string>
#include <string_view>

// Escapes every byte but the ASCII letters and digits as "%XX" (upper-case hex).
std::string UriEncode(std::string_view text);
// Turns "%XX" (either case) back into bytes; a '%' without two hex digits stays as it is and
// '+' has no special meaning.
std::string UriDecode(std::string_view text);
// Escapes every byte but the ASCII letters, digits and "-._~" (RFC 3986 unreserved).
std::string urlEncodeComponent(std::string_view text);

namespace UriCodec {
// The codec's one-time self-check, run when the module loads: fixed cases, then 100 random
// round trips. Each failure is reported through the runtime's assertion facility under the
// name "UriCodec"; returns the number of failed checks.
int selfCheck();
} // namespace UriCodec
