// The service operations: one request each, waited for behind the progress dialog (commands
// and the settings dialog) or with a blocking wait (the browser sign-in), the answer stored in
// the account.

#include "Account.h"
#include "Com/ComError.h"
#include "Localization.h"
#include "Log.h"
#include "LogMasking.h"
#include "Server.h"
#include "ServiceOrigins.h"
#include "TextCodec.h"
#include "UI/WaitingDialog.h"

namespace {

void showCommunicationError()
{
    MessageBoxW(nullptr, Localization::instance().getString(512).c_str(), Server::Caption, MB_ICONWARNING);
}

// Waits behind the progress dialog. A request still without an answer afterwards was given up
// (the time limit, a failure seen while polling, the pop-up closed): a communication failure,
// whether or not the platform raises it again on the last look. Read as an answer it would pass
// for success (load) or for a refusal ("incorrect credentials" while the service is down).
void waitForAnswer(Server::Request& request)
{
    runWithProgress(request);
    if (!request.wait(0)) {
        TVZ_LOG("COM Error: 0x" << Log::hex(E_ABORT) << " (no answer)");
        Com::check(E_ABORT, IID_WinHttpRequest);
    }
}

// A server fault (5xx) or a body that is no answer of the expected form tells nothing about the
// account: a communication failure like a time-out, never a refusal that would empty the access
// token and call the user's credentials wrong.
void requireAnswer(const ServerResponse& response)
{
    if (response.httpStatus < 500 && !response.unreadable)
        return;
    constexpr DWORD InvalidServerResponse = 12152; // WinHTTP's "the server response could not be parsed"
    const HRESULT noAnswer = HRESULT_FROM_WIN32(InvalidServerResponse);
    TVZ_LOG("COM Error: 0x" << Log::hex(noAnswer) << " (no answer: HTTP status " << response.httpStatus << ")");
    Com::check(noAnswer, IID_WinHttpRequest);
}

// The answer of a completed request that must be one the service gave.
ServerResponse answerOf(Server::Request& request)
{
    ServerResponse response = request.getResponse();
    requireAnswer(response);
    return response;
}

} // namespace

bool Server::load(const std::wstring& url, std::string& body)
{
    TVZ_LOG("begin");
    try {
        Request request = asyncHttpRequest(url, ResponseRaw, L"GET", std::wstring());
        waitForAnswer(request);
        const ServerResponse response = request.getResponse();
        body = response.body;
        return response.httpStatus == 200;
    } catch (const Com::ComError&) {
        showCommunicationError();
        return false;
    }
}

bool Server::loadSubscription(bool byPassword)
{
    TVZ_LOG("begin");
    const std::wstring url = byPassword ? tokenByPasswordUrl(*m_account) : subscriptionUrl(*m_account);
    Request request = asyncHttpRequest(url, ResponseSubscription, L"GET", std::wstring());
    waitForAnswer(request);
    return parseGetSubscriptionResponse(this, answerOf(request));
}

bool Server::getPhone(bool& failed)
{
    TVZ_LOG("begin");
    failed = false;
    try {
        return loadSubscription(false);
    } catch (const Com::ComError&) {
        showCommunicationError();
        failed = true;
        return false;
    }
}

bool Server::loadInvitation()
{
    Request request = asyncHttpRequest(invitationTemplateUrl(*m_account), ResponseEmailTemplate, L"GET", std::wstring());
    waitForAnswer(request);
    const ServerResponse response = answerOf(request);
    if (response.retcode != 0)
        return false;
    std::wstring text;
    try {
        text = toUtf16(response.emailTemplate, CP_UTF8).str();
    } catch (const ConversionError&) {
        TVZ_LOG("CA2W exception");
        return false;
    }
    m_account->setInvitation(std::move(text));
    return true;
}

bool Server::getInvitation(bool& failed)
{
    TVZ_LOG("begin");
    failed = false;
    try {
        return loadInvitation();
    } catch (const Com::ComError&) {
        showCommunicationError();
        failed = true;
        return false;
    }
}

bool Server::postAccessTokenRequest(const std::string& code, const std::string& redirectUri, std::string& accessToken)
{
    try {
        Request request = asyncHttpRequest(tokenUrl(), ResponseTokenExchange, L"POST", tokenRequestBody(code, redirectUri));
        if (!request.wait(m_signInWaitSeconds)) {
            TVZ_LOG("Timeout");
            return false;
        }
        const ServerResponse response = answerOf(request);
        if (response.retcode != 0)
            return false;
        TVZ_LOG("Success to obtain access_token: " << LogMasking::maskSecret(response.accessToken));
        accessToken = response.accessToken;
        return true;
    } catch (const Com::ComError&) {
        TVZ_LOG("Error");
        return false;
    }
}

bool Server::getSubscriptionByAccessToken(const std::string& accessToken)
{
    try {
        Request request = asyncHttpRequest(currentSubscriptionUrl(accessToken), ResponseSubscription, L"GET", std::wstring());
        if (!request.wait(m_signInWaitSeconds)) {
            TVZ_LOG("Timeout");
            return false;
        }
        return parseGetSubscriptionResponse(this, answerOf(request));
    } catch (const Com::ComError&) {
        TVZ_LOG("Error");
        return false;
    }
}
