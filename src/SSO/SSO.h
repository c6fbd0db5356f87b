#pragma once
// SSO::Controller: the sign-in through the service's web site in the user's browser. It opens
// the browser at the sign-in page and recognises the outcome by the titles of the desktop's
// top-level windows: the page that ends the sign-in carries the authorization code in its
// title, which the browser shows as its window title. The code is then exchanged for an access
// token. The settings dialog drives it: one start per attempt, then a poll every two seconds.

#include "SSO/Utils/WindowsList.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CAccount;

namespace SSO {

// Recognises the title of the authorization page the web site shows first.
inline constexpr char LoginTokenPattern[] = "api/.*/authorize";
// Recognises the title of the page that ends the sign-in (the result page).
inline constexpr char AuthTokenPattern[] = "wall/.*?code=|wall/.*error=|auth/.*?error=";

// The `_t` parameter of a title: the value after "_t=" in the text between its first and second
// "?", or empty.
std::string timeParameter(const std::string& title);
// A `_t` value as a number, read as strtol reads decimal text (leading blanks, a sign, the
// digits up to the first other character); none when there are no digits or the number does
// not fit 32 bits.
std::optional<int> timeValue(const std::string& text);

class Controller {
public:
    // The window titles of one poll, in enumeration order.
    using Titles = std::function<std::vector<WindowsList::Entry>()>;

    // Reads the titles through the process-wide window list.
    Controller();
    explicit Controller(Titles titles) : m_titles(std::move(titles)) {}

    // The process-wide controller, made on first use.
    static Controller& instance();

    // Opens the sign-in page in the default browser and starts watching for its outcome.
    void startBrowserLoginSession();
    // Arms the two patterns and forgets what the previous attempt saw.
    void login(const std::string& authToken, const std::string& loginToken);
    // One poll: the title of the current attempt's result page, or empty.
    std::string get_access_token();
    // The authorization code in a result title, or empty (the site reported an error).
    std::string parse_callback(const std::string& title) const;
    // Exchanges the code for an access token and fills the account from its subscription.
    bool exchange_code(const std::string& code, CAccount& account) const;

    // The `_t` of the current attempt's authorization page; negative before it was seen.
    int loginTime() const noexcept { return login_time; }

private:
    std::string auth_token;
    std::string login_token;
    int login_time = -1;
    Titles m_titles;
};

} // namespace SSO
