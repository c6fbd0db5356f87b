#include "LogMasking.h"

#include <algorithm>
#include <cctype>

namespace LogMasking {

namespace {

enum class Secret { None, Whole, Partial };

Secret secretNamed(std::string_view name)
{
    if (name == "password")
        return Secret::Whole;
    if (name == "access_token" || name == "client_secret" || name == "code" || name == "security_token")
        return Secret::Partial;
    return Secret::None;
}

bool isHex(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// Byte length of the character starting at `pos`: a lead byte and its continuation bytes.
std::size_t utf8Unit(std::string_view text, std::size_t pos)
{
    std::size_t end = pos + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        ++end;
    return end - pos;
}

std::size_t queryUnit(std::string_view text, std::size_t pos)
{
    if (text[pos] == '%' && pos + 2 < text.size() && isHex(text[pos + 1]) && isHex(text[pos + 2]))
        return 3;
    return utf8Unit(text, pos);
}

std::size_t jsonUnit(std::string_view text, std::size_t pos)
{
    if (text[pos] != '\\')
        return utf8Unit(text, pos);
    if (pos + 5 < text.size() && text[pos + 1] == 'u')
        return 6;
    return std::min<std::size_t>(2, text.size() - pos);
}

using UnitLength = std::size_t (*)(std::string_view, std::size_t);

std::string masked(std::string_view value, Secret secret, UnitLength unit)
{
    if (value.empty())
        return {};
    if (secret == Secret::Whole)
        return "***";
    std::size_t units = 0;
    for (std::size_t pos = 0; pos < value.size(); pos += unit(value, pos))
        ++units;
    const std::size_t kept = std::min<std::size_t>(4, units / 2);
    std::size_t end = 0;
    for (std::size_t i = 0; i < kept; ++i)
        end += unit(value, end);
    std::string result(value.substr(0, end));
    result += "***";
    return result;
}

// Index of the quote closing the JSON string that opens at `open`, or npos when unterminated.
std::size_t closingQuote(std::string_view text, std::size_t open)
{
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            return i;
    }
    return std::string_view::npos;
}

// A member name as JsonCpp reads it, for the comparison with the secret names: an escape
// that cannot belong to one of those ASCII names makes the name unmatchable.
std::string memberName(std::string_view content)
{
    if (content.find('\\') == std::string_view::npos)
        return std::string(content);
    std::string name;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] != '\\' || i + 1 == content.size()) {
            name += content[i];
            continue;
        }
        const char escaped = content[++i];
        if (escaped != 'u') {
            name += escaped;
            continue;
        }
        if (i + 4 >= content.size() || !std::all_of(content.begin() + i + 1, content.begin() + i + 5, isHex))
            return {};
        const unsigned long code = std::stoul(std::string(content.substr(i + 1, 4)), nullptr, 16);
        if (code == 0 || code >= 0x80)
            return {};
        name += static_cast<char>(code);
        i += 4;
    }
    return name;
}

constexpr std::string_view JsonSpace = " \t\r\n";

} // namespace

std::string maskSecret(std::string_view value)
{
    return masked(value, Secret::Partial, utf8Unit);
}

std::string maskQuery(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    std::size_t pos = 0; // always at the start of a parameter
    for (;;) {
        const std::size_t nameEnd = text.find_first_of("=&?", pos);
        if (nameEnd != std::string_view::npos && text[nameEnd] == '=') {
            const Secret secret = secretNamed(text.substr(pos, nameEnd - pos));
            if (secret != Secret::None) {
                const std::size_t valueEnd = std::min(text.find('&', nameEnd + 1), text.size());
                result.append(text.substr(pos, nameEnd + 1 - pos));
                result += masked(text.substr(nameEnd + 1, valueEnd - nameEnd - 1), secret, queryUnit);
                if (valueEnd == text.size())
                    return result;
                result += '&';
                pos = valueEnd + 1;
                continue;
            }
        }
        const std::size_t boundary = text.find_first_of("?&", pos);
        if (boundary == std::string_view::npos) {
            result.append(text.substr(pos));
            return result;
        }
        result.append(text.substr(pos, boundary + 1 - pos));
        pos = boundary + 1;
    }
}

std::string maskJson(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('"', pos);
        if (open == std::string_view::npos)
            break;
        const std::size_t close = std::min(closingQuote(text, open), text.size());
        const std::size_t end = std::min(close + 1, text.size());
        result.append(text.substr(pos, end - pos));
        pos = end;

        const Secret secret = secretNamed(memberName(text.substr(open + 1, close - open - 1)));
        if (secret == Secret::None)
            continue;
        const std::size_t colon = text.find_first_not_of(JsonSpace, pos);
        if (colon == std::string_view::npos || text[colon] != ':')
            continue;
        const std::size_t value = text.find_first_not_of(JsonSpace, colon + 1);
        if (value == std::string_view::npos || text[value] == '{' || text[value] == '[')
            continue; // nested members are scanned like any other
        result.append(text.substr(pos, value - pos));
        if (text[value] == '"') {
            const std::size_t valueClose = std::min(closingQuote(text, value), text.size());
            result += '"';
            result += masked(text.substr(value + 1, valueClose - value - 1), secret, jsonUnit);
            pos = std::min(valueClose + 1, text.size());
            if (valueClose < text.size())
                result += '"';
        } else {
            const std::size_t valueEnd = std::min(text.find_first_of(",}] \t\r\n", value), text.size());
            const std::string_view literal = text.substr(value, valueEnd - value);
            const bool hidesNothing = literal == "null" || literal == "true" || literal == "false";
            result += hidesNothing ? std::string(literal) : masked(literal, secret, utf8Unit);
            pos = valueEnd;
        }
    }
    result.append(text.substr(std::min(pos, text.size())));
    return result;
}

} // namespace LogMasking
