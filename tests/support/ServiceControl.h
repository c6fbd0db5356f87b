#pragma once
// A client of the stand-in Talvora service's control API (tests/service/README.md), for tests
// that drive the service or inspect what the add-in sent it. It speaks plain WinHTTP (the flat
// winhttp.dll API), so it never shares state with the WinHttpRequest objects under test.
//
//   TestSupport::ServiceControl service;          // port from TALVORA_SERVICE_PORT
//   service.reset();
//   service.addSwitch(R"({"path": "/api/v3/token", "status": 503, "times": 1})");
//   ... run the code under test ...
//   const Json::Value sent = service.requests();  // what arrived, in order
//   EXPECT_EQ(sent[0]["content_type"].asString(), "application/x-www-form-urlencoded");
//
// Every call raises ServiceControlError when the service cannot be reached or refuses the
// request (it answers 4xx/5xx only for a malformed control request: a test bug).

#include <json/json.h>

#include <stdexcept>
#include <string>

namespace TestSupport {

class ServiceControlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ServiceControl {
public:
    // The service started by scripts/run-tests.sh, on the port in TALVORA_SERVICE_PORT.
    ServiceControl();
    explicit ServiceControl(int port) : m_port(port) {}

    int port() const noexcept { return m_port; }
    // "http://127.0.0.1:<port>": the origin the test build's ApiHost and WebHost use.
    std::wstring origin() const;

    // Fixture accounts and codes back, switches removed, config preset "equal", log cleared.
    void reset();
    // POST /_control/switch with a JSON object: a fault on a path prefix, a config preset
    // ({"config": "force"}) or an account status ({"status_of": e-mail, "status": text}).
    void addSwitch(const std::string& json);
    // POST /_control/account: adds or replaces an account.
    void addAccount(const Json::Value& account);
    // POST /_control/code: registers an authorization code; an empty redirect URI means any.
    void addCode(const std::string& code, const std::string& email, const std::string& redirectUri = {});
    // GET /_control/requests: every non-control request since the last reset, as a JSON array.
    Json::Value requests() const;
    // The same, polled until `count` entries have arrived (the service records a request when it
    // receives it, which may be a moment after Send returned).
    Json::Value requestsWhenArrived(Json::ArrayIndex count) const;

    // One exchange with the service: status and body of the answer.
    struct Reply {
        int status = 0;
        std::string body;
    };
    Reply exchange(const std::wstring& method, const std::wstring& path, const std::string& body) const;

private:
    Json::Value post(const std::wstring& path, const std::string& body) const;

    int m_port;
};

// Serialises a JSON value on one line, for request bodies and messages.
std::string toJson(const Json::Value& value);
// Parses a JSON text; raises ServiceControlError when it is not JSON.
Json::Value parseJson(const std::string& text);

} // namespace TestSupport
