#include "SSO/SSO.h"

#include "Account.h"
#include "Log.h"
#include "LogMasking.h"
#include "Server.h"
#include "ServiceOrigins.h"
#include "TextCodec.h"
#include "UriCodec.h"

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>

#include <windows.h>
#include <shellapi.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <regex>

namespace SSO {

namespace {

constexpr char ClientId[] = "3b8e21d07c5fa946";
constexpr char CodeKey[] = "code=";

std::vector<std::string> splitCompressed(const std::string& text, const char* separators)
{
    std::vector<std::string> pieces;
    boost::split(pieces, text, boost::is_any_of(separators), boost::token_compress_on);
    return pieces;
}

std::string webOrigin()
{
    return fromUtf16OrEmpty(WebHost(), CP_UTF8).str();
}

std::string callbackAddress()
{
    return webOrigin() + "/auth/callback";
}

// A result title as the log may show it: what parse_callback would take as the code keeps
// only its first characters.
std::string maskedTitle(const std::string& title)
{
    std::string result;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(title.find('&', start), title.size());
        const std::string_view piece(title.data() + start, end - start);
        const std::size_t key = piece.find(CodeKey);
        if (key == std::string_view::npos) {
            result += piece;
        } else {
            const std::size_t value = key + sizeof(CodeKey) - 1;
            result += piece.substr(0, value);
            result += LogMasking::maskSecret(piece.substr(value));
        }
        if (end == title.size())
            return result;
        result += '&';
        start = end + 1;
    }
}

std::vector<WindowsList::Entry> desktopTitles()
{
    WindowsList& list = WindowsList::instance();
    list.refresh();
    return list.entries();
}

} // namespace

std::string timeParameter(const std::string& title)
{
    const std::vector<std::string> parts = splitCompressed(title, "?");
    if (parts.size() < 2)
        return {};
    for (const std::string& parameter : splitCompressed(parts[1], "&")) {
        const std::vector<std::string> pair = splitCompressed(parameter, "=");
        if (pair.size() >= 2 && pair[0] == "_t")
            return pair[1];
    }
    return {};
}

std::optional<int> timeValue(const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

Controller::Controller() : Controller(desktopTitles) {}

Controller& Controller::instance()
{
    static Controller controller;
    return controller;
}

void Controller::startBrowserLoginSession()
{
    const std::string origin = webOrigin();
    const std::string authorize = origin + "/api/v3/authorize?client_id=" + ClientId +
                                  "&redirect_uri=" + urlEncodeComponent(callbackAddress()) +
                                  "&response_type=code&nc_web=true";
    const std::string url = origin + "/auth/facebook?auth_origin=" + urlEncodeComponent(authorize);
    TVZ_LOG("[SSO] Open browser: " << url);
    ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    login(AuthTokenPattern, LoginTokenPattern);
}

void Controller::login(const std::string& authToken, const std::string& loginToken)
{
    TVZ_LOG("[SSO] login auth_token = " << authToken << " login_token = " << loginToken);
    auth_token = authToken;
    login_token = loginToken;
    login_time = -1;
}

std::string Controller::get_access_token()
{
    TVZ_LOG("[SSO] try get_access_token");
    const bool firstPhase = login_time < 0;
    const std::regex pattern(firstPhase ? login_token : auth_token, std::regex::ECMAScript);
    for (const WindowsList::Entry& entry : m_titles()) {
        const std::string& title = entry.second;
        if (!std::regex_search(title, pattern))
            continue;
        // A `_t` that is no number counts as none: the page's time is unknown.
        const std::optional<int> time = timeValue(timeParameter(title));
        if (firstPhase) {
            if (time)
                login_time = *time;
            TVZ_LOG("[SSO] get_access_token logged in " << login_time);
            return {};
        }
        if (time && *time < login_time) {
            TVZ_LOG("[SSO] get_access_token invalid auth_time " << *time << " login_time is " << login_time);
            return {};
        }
        TVZ_LOG("[SSO] get_access_token succeeded " << maskedTitle(title));
        return title;
    }
    TVZ_LOG("[SSO] get_access_token no token");
    return {};
}

std::string Controller::parse_callback(const std::string& title) const
{
    std::string code;
    for (const std::string& piece : splitCompressed(title, "&")) {
        const std::size_t key = piece.find(CodeKey);
        if (key != std::string::npos)
            code = piece.substr(key + sizeof(CodeKey) - 1);
    }
    return code;
}

bool Controller::exchange_code(const std::string& code, CAccount& account) const
{
    Server server(account);
    std::string token;
    if (!server.postAccessTokenRequest(code, callbackAddress(), token))
        return false;
    account.accessToken = toUtf16OrEmpty(token, CP_UTF8).str();
    return server.getSubscriptionByAccessToken(token);
}

} // namespace SSO
