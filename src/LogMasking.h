#pragma once
// Secrets kept out of the diagnostic log. The log is a plain file in the user's profile that
// users attach to support requests, so it must never carry a password, and only enough of a
// token, client secret, authorization code or security token to tell two of them apart.
//
// A password becomes "***". The other secrets keep their first characters followed by "***":
// four at most and never more than half of the value, so a short value is not shown whole.
// An empty value stays empty (it hides nothing and "it was empty" helps diagnosis).
// Everything around the masked values is kept byte for byte.

#include <string>
#include <string_view>

namespace LogMasking {

// The masked form of one secret value (UTF-8 or ASCII text).
std::string maskSecret(std::string_view value);

// A URL or an "a=b&c=d" form: the values of the parameters "password", "access_token",
// "client_secret", "code" and "security_token" masked. A parameter starts the text or follows
// '?' or '&'; its value runs to the next '&'. A "%XX" escape counts as one character.
std::string maskQuery(std::string_view text);

// A JSON text (or any text: the scan never fails): the values of the members with those five
// names masked inside their quotes; a value of another type (a number, say) is masked as a
// whole. An escape sequence counts as one character, and so does a UTF-8 sequence.
std::string maskJson(std::string_view text);

} // namespace LogMasking
