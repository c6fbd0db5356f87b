// The service addresses the add-in requests, opens or launches, built from the account.

#include "Account.h"
#include "Base64.h"
#include "Localization.h"
#include "Md5.h"
#include "NCProfile.h"
#include "Random.h"
#include "Server.h"
#include "ServiceOrigins.h"
#include "TextCodec.h"
#include "UriCodec.h"

#include <algorithm>
#include <array>

Server::Server(CAccount& account) : m_account(&account)
{
    NCProfile::instance().reload();
}

std::wstring Server::signedQuery(const CAccount& account)
{
    const std::wstring rand = std::to_wstring(randomNumber());
    std::array<std::wstring, 4> values = {account.accessToken, ClientId, account.subscriptionId, rand};
    // std::wstring compares UTF-16 code units, a proper prefix first.
    std::sort(values.begin(), values.end());
    std::wstring signedText;
    for (const std::wstring& value : values)
        signedText += value;
    signedText += ClientSecret;
    const std::string sig = md5Hex(fromUtf16(signedText, CP_UTF8).view());

    return L"access_token=" + account.accessToken + L"&client_app_id=" + ClientId + L"&rand=" + rand + L"&sig="
           + toUtf16(sig, CP_UTF8).str();
}

std::wstring Server::subscriptionUrl(const CAccount& account)
{
    return ApiHost() + L"/api/v3/subscriptions/" + account.subscriptionId + L"?" + signedQuery(account);
}

std::wstring Server::invitationTemplateUrl(const CAccount& account)
{
    return ApiHost() + L"/api/v3/subscriptions/" + account.subscriptionId + L"/invites/email_template?"
           + signedQuery(account) + L"&locale=" + Localization::instance().localeCodeW();
}

std::wstring Server::tokenByPasswordUrl(const CAccount& account)
{
    const std::string password = UriEncode(fromUtf16(account.password, CP_THREAD_ACP).view());
    return ApiHost() + L"/api/v3/subscriptions/get_access_token" + L"?" + L"email=" + account.login
           + L"&password=" + toUtf16(password, CP_THREAD_ACP).str();
}

std::wstring Server::tokenUrl()
{
    return ApiHost() + L"/api/v3/token";
}

std::wstring Server::tokenRequestBody(const std::string& code, const std::string& redirectUri)
{
    return std::wstring(L"client_id=") + ClientId + L"&client_secret=" + ClientSecret
           + L"&grant_type=authorization_code&redirect_uri=" + toUtf16(redirectUri, CP_UTF8).str() + L"&code="
           + toUtf16(code, CP_UTF8).str();
}

std::wstring Server::currentSubscriptionUrl(const std::string& accessToken)
{
    return ApiHost() + L"/api/v3/subscriptions/current?client_id=" + ClientId + L"&access_token="
           + toUtf16(accessToken, CP_UTF8).str();
}

std::wstring Server::wallUrl(const CAccount& account)
{
    return WebHost() + L"/wall/" + account.meetingUrl;
}

std::wstring Server::webSignInUrl(const CAccount& account)
{
    return WebHost() + L"/nc_login?security_token="
           + base64EncodeText(L"access_token=" + account.accessToken + L";pcs_id=" + account.subscriptionId);
}

std::wstring Server::desktopAppArguments(const CAccount& account)
{
    return L"--host -t " + account.subscriptionId + L" " + account.accessToken;
}
