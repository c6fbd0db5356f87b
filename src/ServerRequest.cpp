#include "Server.h"

#include "Com/BStr.h"
#include "Com/ComError.h"
#include "Com/Variant.h"
#include "Log.h"
#include "LogMasking.h"
#include "NCProfile.h"
#include "TextCodec.h"
#include "UriCodec.h"

using Com::BStr;
using Com::Variant;

// A failed platform call is logged at its call site (the log line names the step), then raised.
#define CHECK_REQUEST_CALL(call)                              \
    do {                                                      \
        const HRESULT requestHr_ = (call);                    \
        if (FAILED(requestHr_)) {                             \
            TVZ_LOG("COM Error: 0x" << Log::hex(requestHr_)); \
            Com::check(requestHr_, IID_WinHttpRequest);       \
        }                                                     \
    } while (0)

namespace {

std::string ansiText(const std::wstring& text)
{
    return fromUtf16OrEmpty(text, CP_THREAD_ACP);
}

} // namespace

Server::Request Server::asyncHttpRequest(const std::wstring& url, int kind, const std::wstring& method,
                                         const std::wstring& body)
{
    TVZ_LOG("url=" << LogMasking::maskQuery(ansiText(url)) << ", type=" << kind << ", method=" << ansiText(method)
                   << ", body=" << UriDecode(LogMasking::maskQuery(ansiText(body))));
    Request request(*this);
    request.create(url, kind, method, body);
    return request;
}

void Server::Request::create(const std::wstring& url, int kind, const std::wstring& method, const std::wstring& body)
{
    this->kind = kind;
    TVZ_LOG("Start creating request");
    CLSID platformClass{};
    CHECK_REQUEST_CALL(CLSIDFromProgID(L"WinHttp.WinHttpRequest.5.1", &platformClass));
    CHECK_REQUEST_CALL(
        CoCreateInstance(platformClass, nullptr, CLSCTX_INPROC_SERVER, IID_WinHttpRequest, request.putVoid()));
    openAndSend(url, method, body);
}

void Server::Request::create(Com::ComPtr<IWinHttpRequest> object, const std::wstring& url, int kind,
                             const std::wstring& method, const std::wstring& body)
{
    this->kind = kind;
    TVZ_LOG("Start creating request");
    request = std::move(object);
    openAndSend(url, method, body);
}

void Server::Request::openAndSend(const std::wstring& url, const std::wstring& method, const std::wstring& body)
{
    applyProxy();
    CHECK_REQUEST_CALL(request->Open(BStr(method).get(), BStr(url).get(), Variant::fromBool(true).get()));
    if (body.empty()) {
        CHECK_REQUEST_CALL(request->Send(Variant::missing().get()));
    } else {
        CHECK_REQUEST_CALL(
            request->SetRequestHeader(BStr(L"Content-Type").get(), BStr(L"application/x-www-form-urlencoded").get()));
        CHECK_REQUEST_CALL(request->Send(Variant::fromString(body).get()));
    }
    TVZ_LOG("Finish creating request");
}

void Server::Request::applyProxy()
{
    const NCProfile& profile = NCProfile::instance();
    if (!profile.loaded)
        return;
    TVZ_LOG("Apply proxy. Proxy type=" << profile.proxyType);
    if (profile.proxyType == 2) {
        CHECK_REQUEST_CALL(request->SetProxy(HTTPREQUEST_PROXYSETTING_DIRECT, Variant().get(), Variant().get()));
        return;
    }
    if (profile.actualProxy.empty())
        return;
    TVZ_LOG("Setting proxy to " << profile.actualProxy);
    const Variant server = Variant::fromString(toUtf16OrEmpty(profile.actualProxy, CP_UTF8).view());
    CHECK_REQUEST_CALL(request->SetProxy(HTTPREQUEST_PROXYSETTING_PROXY, server.get(), Variant().get()));
}

bool Server::Request::wait(long timeout)
{
    if (!request)
        CHECK_REQUEST_CALL(E_UNEXPECTED); // never created: it cannot complete, and waiting on would hide that
    // Windows always writes the flag. Wine writes it only while it actually waits: VARIANT_FALSE
    // when the time-out (also 0) ran out, VARIANT_TRUE when the response arrived during the wait;
    // for a response that had arrived before the call it answers S_OK and leaves the flag alone.
    // Starting from VARIANT_TRUE therefore reads "complete" in that case and is overwritten in
    // every other one.
    VARIANT_BOOL succeeded = VARIANT_TRUE;
    CHECK_REQUEST_CALL(request->WaitForResponse(Variant::fromInt32(timeout).get(), &succeeded));
    return succeeded != VARIANT_FALSE;
}

void Server::Request::abort()
{
    if (request)
        CHECK_REQUEST_CALL(request->Abort());
}

ServerResponse Server::Request::getResponse()
{
    if (!wait(0))
        return ServerResponse();
    BStr text;
    long status = 0;
    if (FAILED(request->get_ResponseText(text.put())) || FAILED(request->get_Status(&status)))
        return ServerResponse();
    if (status != 200) {
        TVZ_LOG("ERROR: HTTP Response code " << status);
        ServerResponse failed;
        failed.httpStatus = static_cast<int>(status);
        return failed;
    }
    const std::string body = fromUtf16OrEmpty(text.get(), CP_UTF8);
    TVZ_LOG("responseBody=" << LogMasking::maskJson(body));
    return Server::parseResponse(server, body, kind);
}
