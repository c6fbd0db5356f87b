#include "ServiceControl.h"

#include <windows.h>
#include <winhttp.h>

#include <cstdlib>
#include <memory>

namespace TestSupport {

namespace {

struct InternetCloser {
    void operator()(HINTERNET handle) const noexcept { WinHttpCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, InternetCloser>;

[[noreturn]] void fail(const std::string& what)
{
    throw ServiceControlError("stand-in service: " + what + " (error " + std::to_string(GetLastError()) + ")");
}

int portFromEnvironment()
{
    char port[16] = {};
    const DWORD length = GetEnvironmentVariableA("TALVORA_SERVICE_PORT", port, sizeof port);
    if (length == 0 || length >= sizeof port)
        throw ServiceControlError("TALVORA_SERVICE_PORT is not set: run the tests through scripts/run-tests.sh");
    return std::atoi(port);
}

std::string readBody(HINTERNET request)
{
    std::string body;
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available))
            fail("reading the answer");
        if (available == 0)
            return body;
        const std::size_t start = body.size();
        body.resize(start + available);
        DWORD read = 0;
        if (!WinHttpReadData(request, body.data() + start, available, &read))
            fail("reading the answer");
        body.resize(start + read);
    }
}

} // namespace

ServiceControl::ServiceControl() : m_port(portFromEnvironment()) {}

std::wstring ServiceControl::origin() const
{
    return L"http://127.0.0.1:" + std::to_wstring(m_port);
}

ServiceControl::Reply ServiceControl::exchange(const std::wstring& method, const std::wstring& path,
                                               const std::string& body) const
{
    const Internet session(WinHttpOpen(L"TalvoraTests/1.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        fail("WinHttpOpen");
    const Internet connection(WinHttpConnect(session.get(), L"127.0.0.1", static_cast<INTERNET_PORT>(m_port), 0));
    if (!connection)
        fail("WinHttpConnect");
    const Internet request(WinHttpOpenRequest(connection.get(), method.c_str(), path.c_str(), nullptr,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    if (!request)
        fail("WinHttpOpenRequest");
    const wchar_t* headers = body.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : L"Content-Type: application/json";
    const DWORD size = static_cast<DWORD>(body.size());
    if (!WinHttpSendRequest(request.get(), headers, body.empty() ? 0 : static_cast<DWORD>(-1L),
                            const_cast<char*>(body.data()), size, size, 0))
        fail("sending " + std::string(path.begin(), path.end()));
    if (!WinHttpReceiveResponse(request.get(), nullptr))
        fail("no answer to " + std::string(path.begin(), path.end()));

    DWORD status = 0;
    DWORD statusSize = sizeof status;
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX))
        fail("reading the status");
    return Reply{static_cast<int>(status), readBody(request.get())};
}

Json::Value ServiceControl::post(const std::wstring& path, const std::string& body) const
{
    const Reply reply = exchange(L"POST", path, body);
    if (reply.status != 200)
        throw ServiceControlError("stand-in service refused " + std::string(path.begin(), path.end()) + ": "
                                  + std::to_string(reply.status) + " " + reply.body);
    return parseJson(reply.body);
}

void ServiceControl::reset()
{
    post(L"/_control/reset", {});
}

void ServiceControl::addSwitch(const std::string& json)
{
    post(L"/_control/switch", json);
}

void ServiceControl::addAccount(const Json::Value& account)
{
    post(L"/_control/account", toJson(account));
}

void ServiceControl::addCode(const std::string& code, const std::string& email, const std::string& redirectUri)
{
    Json::Value request;
    request["code"] = code;
    request["email"] = email;
    if (!redirectUri.empty())
        request["redirect_uri"] = redirectUri;
    post(L"/_control/code", toJson(request));
}

Json::Value ServiceControl::requests() const
{
    const Reply reply = exchange(L"GET", L"/_control/requests", {});
    if (reply.status != 200)
        throw ServiceControlError("stand-in service refused the request log: " + std::to_string(reply.status));
    return parseJson(reply.body);
}

Json::Value ServiceControl::requestsWhenArrived(Json::ArrayIndex count) const
{
    Json::Value sent = requests();
    for (int attempt = 0; sent.size() < count && attempt < 100; ++attempt) {
        Sleep(50);
        sent = requests();
    }
    return sent;
}

std::string toJson(const Json::Value& value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, value);
}

Json::Value parseJson(const std::string& text)
{
    Json::Value value;
    Json::CharReaderBuilder builder;
    std::string errors;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors))
        throw ServiceControlError("not JSON: " + errors + " in " + text);
    return value;
}

} // namespace TestSupport
