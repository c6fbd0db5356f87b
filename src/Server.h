#pragma once
// Server: the client of the Talvora service, working on one account. Server::Request: one HTTP
// exchange through the platform's WinHttpRequest object, always opened asynchronously.

#include "Com/ComPtr.h"
#include "ServerResponse.h"
#include "WinHttpRequest.h"

#include <string>

class CAccount;

class Server {
public:
    explicit Server(CAccount& account) noexcept : m_account(&account) {}

    CAccount& account() const noexcept { return *m_account; }

    class Request {
    public:
        explicit Request(Server& owner) noexcept : server(&owner) {}

        // Creates the platform object, applies the desktop profile's proxy, opens the request
        // asynchronously and sends it (a non-empty body as a form). Raises Com::ComError.
        void create(const std::wstring& url, int kind, const std::wstring& method, const std::wstring& body);
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
    };

    // Logs the request, creates and sends it, and returns it without waiting.
    Request asyncHttpRequest(const std::wstring& url, int kind, const std::wstring& method, const std::wstring& body);

    static ServerResponse parseResponse(Server* server, const std::string& body, int kind);
    // Copies a subscription response into the account; false (and the access token emptied)
    // when the service refused.
    static bool parseGetSubscriptionResponse(Server* server, const ServerResponse& response);

private:
    CAccount* m_account;
};
