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

// The browser sign-in's two requests block the host's UI thread until they answer. The platform
// counts the time-out in seconds: one minute, like the progress dialog's limit.
constexpr long SignInWaitSeconds = 60;

void showCommunicationError()
{
    MessageBoxW(nullptr, Localization::instance().getString(512).c_str(), Server::Caption, MB_ICONWARNING);
}

} // namespace

bool Server::load(const std::wstring& url, std::string& body)
{
    TVZ_LOG("begin");
    try {
        Request request = asyncHttpRequest(url, ResponseRaw, L"GET", std::wstring());
        runWithProgress(request);
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
    runWithProgress(request);
    return parseGetSubscriptionResponse(this, request.getResponse());
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
    runWithProgress(request);
    const ServerResponse response = request.getResponse();
    if (response.retcode != 0)
        return false;
    std::wstring text;
    try {
        text = toUtf16(response.emailTemplate, CP_UTF8).str();
    } catch (const ConversionError&) {
        TVZ_LOG("CA2W exception");
        return false;
    }
    m_account->invitation = Invitation(std::move(text));
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
        if (!request.wait(SignInWaitSeconds)) {
            TVZ_LOG("Timeout");
            return false;
        }
        const ServerResponse response = request.getResponse();
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
        if (!request.wait(SignInWaitSeconds)) {
            TVZ_LOG("Timeout");
            return false;
        }
        return parseGetSubscriptionResponse(this, request.getResponse());
    } catch (const Com::ComError&) {
        TVZ_LOG("Error");
        return false;
    }
}
