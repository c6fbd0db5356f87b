#pragma once
// Server: the client of the Talvora service, working on one account. Server::Request: one HTTP
// exchange through the platform's WinHttpRequest object, always opened asynchronously.

#include "Com/ComPtr.h"
#include "ServerResponse.h"
#include "WinHttpRequest.h"

#include <string>

class CAccount;
namespace Json {
class Value;
}

class Server {
public:
    // Re-reads the desktop profile, so that requests follow its current proxy settings.
    explicit Server(CAccount& account);

    CAccount& account() const noexcept { return *m_account; }

    static constexpr const wchar_t* ClientId = L"3b8e21d07c5fa946";
    static constexpr const wchar_t* ClientSecret = L"c07d5e9a21f84b36e0d9a7c45b12f8e63a0b9d4c7e21f506";
    static constexpr const wchar_t* Caption = L"Talvora Office Addin";

    // Addresses, built from an account. Nothing is percent-encoded unless said.
    // "access_token=…&client_app_id=…&rand=…&sig=…", signed with MD5 over the sorted values
    // (access token, client id, subscription id, rand) and the client secret.
    static std::wstring signedQuery(const CAccount& account);
    static std::wstring subscriptionUrl(const CAccount& account);
    static std::wstring invitationTemplateUrl(const CAccount& account);
    // The e-mail verbatim, the password in the ANSI code page and percent-encoded.
    static std::wstring tokenByPasswordUrl(const CAccount& account);
    static std::wstring tokenUrl();
    static std::wstring tokenRequestBody(const std::string& code, const std::string& redirectUri);
    static std::wstring currentSubscriptionUrl(const std::string& accessToken);
    static std::wstring wallUrl(const CAccount& account);
    static std::wstring webSignInUrl(const CAccount& account);
    static std::wstring desktopAppArguments(const CAccount& account);

    class Request {
    public:
        explicit Request(Server& owner) noexcept : server(&owner) {}

        // Creates the platform object, applies the desktop profile's proxy, opens the request
        // asynchronously and sends it (a non-empty body as a form). Raises Com::ComError.
        void create(const std::wstring& url, int kind, const std::wstring& method, const std::wstring& body);
        // As above, on a request object the caller supplies instead of a new platform object
        // (tests hand in a wrapper around the platform object to observe the calls).
        void create(Com::ComPtr<IWinHttpRequest> object, const std::wstring& url, int kind, const std::wstring& method,
                    const std::wstring& body);
        // WaitForResponse(timeout seconds; 0 answers at once): true when the response is complete.
        bool wait(long timeout);
        void abort();
        // The parsed response of a completed 200 exchange; status and retcode -1 otherwise,
        // or the empty response (200, retcode -1) when it has not completed.
        ServerResponse getResponse();

        Server* server;
        int kind = ResponseRaw;
        Com::ComPtr<IWinHttpRequest> request;

    private:
        void applyProxy();
        void openAndSend(const std::wstring& url, const std::wstring& method, const std::wstring& body);
    };

    // Logs the request, creates and sends it, and returns it without waiting.
    Request asyncHttpRequest(const std::wstring& url, int kind, const std::wstring& method, const std::wstring& body);

    // The service operations. Those the user starts (load, loadSubscription, loadInvitation and
    // the two reporting forms) wait behind the progress dialog, and a request it gave up on
    // counts as a COM error; the two of the browser sign-in block on the request for up to a
    // minute.
    // GET `url`; true with the body when the status is 200. A COM error shows string 512.
    bool load(const std::wstring& url, std::string& body);
    // The subscription (and, by password, the access token) into the account; COM errors raise.
    bool loadSubscription(bool byPassword);
    // loadSubscription(false); `failed` tells a communication failure (already reported).
    bool getPhone(bool& failed);
    // The invitation template in the interface language into the account's invitation.
    bool loadInvitation();
    bool getInvitation(bool& failed);
    bool postAccessTokenRequest(const std::string& code, const std::string& redirectUri, std::string& accessToken);
    bool getSubscriptionByAccessToken(const std::string& accessToken);
    // How long each of those two requests may block the UI thread, in seconds: a minute, like the
    // progress dialog's limit. Tests shorten it to reach the time-out without waiting that long.
    void setSignInWait(long seconds) noexcept { m_signInWaitSeconds = seconds; }

    static ServerResponse parseResponse(Server* server, const std::string& body, int kind);
    // Copies a subscription response into the account; false (and the access token emptied)
    // when the service refused.
    static bool parseGetSubscriptionResponse(Server* server, const ServerResponse& response);

private:
    CAccount* m_account;
    long m_signInWaitSeconds = 60;
};

// The first non-null entry of a list of number objects whose "country" equals key as a JSON
// value (type included: the text "1" is not the integer 1); null when there is none.
Json::Value findByCountry(const Json::Value& numbers, const Json::Value& key);
