#include "Server.h"

#include "Account.h"
#include "Localization.h"
#include "Log.h"
#include "TextCodec.h"

#include <json/json.h>

namespace {

// The entries the service files under "1", as text or as a number, whatever their country.
Json::Value findUnderOne(const Json::Value& numbers)
{
    Json::Value found = findByCountry(numbers, Json::Value("1"));
    return found.empty() ? findByCountry(numbers, Json::Value(1)) : found;
}

Json::Value findWithFallback(const Json::Value& numbers, const Json::Value& country)
{
    Json::Value found = findByCountry(numbers, country);
    return found.empty() ? findUnderOne(numbers) : found;
}

// The dial-in number the invitation shows. The kinds stand in the order one number, toll-free,
// toll; the rate type names where to start, and a missing number gives way to a later kind,
// never to an earlier one.
Json::Value chooseDialInNumber(const std::string& rate, const Json::Value& one, const Json::Value& tollFree,
                               const Json::Value& toll)
{
    if (rate == "one_number" && one.isNull()) {
        TVZ_LOG("Set dial in number to toll");
        return toll;
    }
    const Json::Value* candidates[] = {&one, &tollFree, &toll};
    std::size_t start = 2;
    if (rate.empty() || rate == "one_number")
        start = 0;
    else if (rate == "toll_free")
        start = 1;
    for (std::size_t i = start; i < 3; ++i)
        if (!candidates[i]->isNull())
            return *candidates[i];
    return Json::Value();
}

std::string localizedCountryName(const Json::Value& number)
{
    const std::wstring code = toUtf16OrEmpty(number["country_code"].asString(), CP_UTF8);
    const std::string name = fromUtf16OrEmpty(Localization::instance().getCountryName(code), CP_UTF8);
    return name.empty() ? number["country_name"].asString() : name;
}

void readDialInNumber(const Json::Value& subscription, Subscription& parsed)
{
    const Json::Value& country = subscription["country_id"];
    const Json::Value toll = findWithFallback(subscription["toll_numbers"], country);
    Json::Value tollFree = findByCountry(subscription["toll_free_numbers"], country);
    Json::Value one = findByCountry(subscription["one_numbers"], country);
    if (subscription["country_code"].asString() == "ca") {
        if (tollFree.empty())
            tollFree = findUnderOne(subscription["toll_free_numbers"]);
        if (one.empty())
            one = findUnderOne(subscription["one_numbers"]);
    }

    const Json::Value chosen =
        chooseDialInNumber(subscription["default_conferencing_rate_type"].asString(), one, tollFree, toll);
    if (chosen.empty()) {
        TVZ_LOG("Error: number not found !!!");
        return;
    }
    parsed.countryName = localizedCountryName(chosen);
    parsed.dialInNumber = chosen["in_country_format"].asString();
    parsed.dialInIsOneNumber = chosen == one;
}

void readProducts(const Json::Value& products, Subscription& parsed)
{
    if (!products.isArray())
        return;
    for (const Json::Value& product : products) {
        const std::string name = product.asString();
        if (name == "international_toll")
            parsed.internationalToll = true;
        else if (name == "video")
            parsed.video = true;
        else if (name == "screen_sharing")
            parsed.screenSharing = true;
    }
}

void readSubscription(const Json::Value& root, ServerResponse& response)
{
    const Json::Value& subscription = root["subscription"];
    Subscription& parsed = response.subscription;
    parsed.id = subscription["id"].asString();
    parsed.accessCode = subscription["access_code"].asString();
    parsed.meetingUrl = subscription["meeting_url"].asString();
    parsed.tollNumber = subscription["toll_number"].asString();
    parsed.tollFreeNumber = subscription["toll_free_number"].asString();
    parsed.email = subscription["email"].asString();
    parsed.firstName = subscription["first_name"].asString();
    parsed.lastName = subscription["last_name"].asString();
    parsed.countryId = subscription["country_id"].asString();
    parsed.status = subscription["status"].asString();
    TVZ_LOG("Got subscription: id=" << parsed.id << ", access code: " << parsed.accessCode);

    const std::string accessToken = root["access_token"].asString();
    if (!accessToken.empty())
        response.accessToken = accessToken;
    readProducts(subscription["products"], parsed);
    readDialInNumber(subscription, parsed);
}

// "retcode" must be a JSON number (or boolean) that fits an integer; a text, even of digits,
// or no member at all is a malformed answer.
int readRetcode(const Json::Value& root)
{
    const Json::Value& retcode = root["retcode"];
    if (retcode.isNull() || !retcode.isConvertibleTo(Json::intValue)) {
        TVZ_LOG("Error parsing response");
        return -1;
    }
    return retcode.asInt();
}

void readDocument(const Json::Value& root, int kind, ServerResponse& response)
{
    if (!root.isObject())
        throw Json::LogicError("the document is not a JSON object");
    if (kind == ResponseTokenExchange) {
        response.retcode = 0;
        if (root.isMember("access_token"))
            response.accessToken = root["access_token"].asString();
        return;
    }
    response.retcode = readRetcode(root);
    TVZ_LOG("retcode=" << response.retcode);
    if (response.retcode != 0)
        return;
    if (kind == ResponseSubscription)
        readSubscription(root, response);
    else if (kind == ResponseEmailTemplate && root.isMember("email_template"))
        response.emailTemplate = root["email_template"].asString();
}

std::wstring accountText(const std::string& text)
{
    return toUtf16OrEmpty(text, CP_UTF8);
}

} // namespace

Json::Value findByCountry(const Json::Value& numbers, const Json::Value& key)
{
    if (!numbers.isArray())
        return Json::Value();
    for (const Json::Value& number : numbers)
        if (number.isObject() && number["country"] == key)
            return number;
    return Json::Value();
}

ServerResponse Server::parseResponse(Server*, const std::string& body, int kind)
{
    ServerResponse response;
    response.body = body;
    if (kind == ResponseRaw)
        return response;

    Json::Value root;
    Json::Reader reader;
    const bool parsed = reader.parse(body, root, true);
    TVZ_LOG("parsingSuccessful: " << (parsed ? "yes" : "no"));
    if (!parsed)
        return response;

    // The service's documents are read member by member with JsonCpp's conversions, which raise
    // on a member of an unexpected type (an object among the products, an array where a text
    // belongs, a root that is not an object). Such an answer is as unusable as an unparsable
    // one: it fails as a whole, without half-read values.
    try {
        readDocument(root, kind, response);
    } catch (const Json::Exception& error) {
        TVZ_LOG("Error parsing response: " << error.what());
        ServerResponse failed;
        failed.body = body;
        return failed;
    }
    return response;
}

bool Server::parseGetSubscriptionResponse(Server* server, const ServerResponse& response)
{
    CAccount& account = server->account();
    if (response.retcode != 0) {
        TVZ_LOG("Response error code: " << response.retcode);
        account.accessToken.clear();
        return false;
    }
    // The service's texts are UTF-8: read with the ANSI code page, a non-ASCII e-mail or
    // meeting address would be stored garbled and fail at the next sign-in or wall link.
    const Subscription& subscription = response.subscription;
    account.subscriptionId = accountText(subscription.id);
    account.subscription = subscription;
    account.meetingUrl = accountText(subscription.meetingUrl);
    account.accessCode = accountText(subscription.accessCode);
    account.phoneNumber = accountText(subscription.tollNumber);
    account.tollFreeNumber = accountText(subscription.tollFreeNumber);
    account.login = accountText(subscription.email);
    if (!response.accessToken.empty())
        account.accessToken = accountText(response.accessToken);
    return true;
}
