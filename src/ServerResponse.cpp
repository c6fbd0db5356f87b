#include "Server.h"

#include "Account.h"
#include "Localization.h"
#include "Log.h"
#include "TextCodec.h"

#include <json/json.h>

#include <cstring>

namespace {

// A member whose JSON type is not the one the service sends. Converted anyway, it would put
// something the service never meant into the user's account or appointment (a number 123 as the
// invitation, a boolean as the phone number); the answer is malformed and fails as a whole.
class MalformedAnswer : public Json::Exception {
public:
    explicit MalformedAnswer(const char* name) : Json::Exception(std::string("member \"") + name + "\" has the wrong type") {}
};

// The member `name` of an object; null when absent. A container that is not an object where
// the service sends one is malformed.
const Json::Value& member(const Json::Value& object, const char* name)
{
    if (object.isNull())
        return Json::Value::nullSingleton();
    if (!object.isObject())
        throw MalformedAnswer(name);
    const Json::Value* found = object.find(name, name + std::strlen(name));
    return found ? *found : Json::Value::nullSingleton();
}

// A text member: a JSON string, or absent (empty).
std::string text(const Json::Value& object, const char* name)
{
    const Json::Value& value = member(object, name);
    if (value.isNull())
        return {};
    if (!value.isString())
        throw MalformedAnswer(name);
    return value.asString();
}

// An identifier the service sends as a number or as a text ("id", "country_id", a number's
// "country"); returned as it is, for comparisons that keep the JSON type.
const Json::Value& identifier(const Json::Value& object, const char* name)
{
    const Json::Value& value = member(object, name);
    if (!value.isNull() && !value.isString() && !value.isIntegral())
        throw MalformedAnswer(name);
    return value;
}

// A list member (the products, the number lists): a JSON array, or absent.
const Json::Value& list(const Json::Value& object, const char* name)
{
    const Json::Value& value = member(object, name);
    if (!value.isNull() && !value.isArray())
        throw MalformedAnswer(name);
    return value;
}

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
    const std::wstring code = toUtf16OrEmpty(text(number, "country_code"), CP_UTF8);
    const std::string name = fromUtf16OrEmpty(Localization::instance().getCountryName(code), CP_UTF8);
    const std::string own = text(number, "country_name");
    return name.empty() ? own : name;
}

// A list of number objects: each entry an object (or null, which the lookup skips) whose
// "country" is an identifier.
const Json::Value& numberList(const Json::Value& subscription, const char* name)
{
    const Json::Value& numbers = list(subscription, name);
    for (const Json::Value& number : numbers) {
        if (!number.isNull() && !number.isObject())
            throw MalformedAnswer(name);
        identifier(number, "country");
    }
    return numbers;
}

void readDialInNumber(const Json::Value& subscription, Subscription& parsed)
{
    const Json::Value& country = identifier(subscription, "country_id");
    const Json::Value& tollNumbers = numberList(subscription, "toll_numbers");
    const Json::Value& tollFreeNumbers = numberList(subscription, "toll_free_numbers");
    const Json::Value& oneNumbers = numberList(subscription, "one_numbers");
    const Json::Value toll = findWithFallback(tollNumbers, country);
    Json::Value tollFree = findByCountry(tollFreeNumbers, country);
    Json::Value one = findByCountry(oneNumbers, country);
    if (text(subscription, "country_code") == "ca") {
        if (tollFree.empty())
            tollFree = findUnderOne(tollFreeNumbers);
        if (one.empty())
            one = findUnderOne(oneNumbers);
    }

    const Json::Value chosen =
        chooseDialInNumber(text(subscription, "default_conferencing_rate_type"), one, tollFree, toll);
    if (chosen.empty()) {
        TVZ_LOG("Error: number not found !!!");
        return;
    }
    parsed.countryName = localizedCountryName(chosen);
    parsed.dialInNumber = text(chosen, "in_country_format");
    parsed.dialInIsOneNumber = chosen == one;
}

void readProducts(const Json::Value& products, Subscription& parsed)
{
    for (const Json::Value& product : products) {
        if (!product.isString())
            throw MalformedAnswer("products");
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
    const Json::Value& subscription = member(root, "subscription");
    if (!subscription.isNull() && !subscription.isObject())
        throw MalformedAnswer("subscription");
    Subscription& parsed = response.subscription;
    parsed.id = identifier(subscription, "id").asString();
    parsed.accessCode = text(subscription, "access_code");
    parsed.meetingUrl = text(subscription, "meeting_url");
    parsed.tollNumber = text(subscription, "toll_number");
    parsed.tollFreeNumber = text(subscription, "toll_free_number");
    parsed.email = text(subscription, "email");
    parsed.firstName = text(subscription, "first_name");
    parsed.lastName = text(subscription, "last_name");
    parsed.countryId = identifier(subscription, "country_id").asString();
    parsed.status = text(subscription, "status");
    TVZ_LOG("Got subscription: id=" << parsed.id << ", access code: " << parsed.accessCode);

    const std::string accessToken = text(root, "access_token");
    if (!accessToken.empty())
        response.accessToken = accessToken;
    readProducts(list(subscription, "products"), parsed);
    readDialInNumber(subscription, parsed);
}

// "retcode" must be a JSON integer that fits an int; a text, even of digits, a boolean (false
// would read as success) or no member at all is a malformed answer.
int readRetcode(const Json::Value& root)
{
    const Json::Value& retcode = member(root, "retcode");
    if (!retcode.isInt()) {
        TVZ_LOG("Error parsing response");
        return -1;
    }
    return retcode.asInt();
}

void readDocument(const Json::Value& root, int kind, ServerResponse& response)
{
    if (!root.isObject())
        throw MalformedAnswer("the document is not a JSON object");
    if (kind == ResponseTokenExchange) {
        response.accessToken = text(root, "access_token");
        response.retcode = 0;
        return;
    }
    response.retcode = readRetcode(root);
    TVZ_LOG("retcode=" << response.retcode);
    if (response.retcode != 0)
        return;
    if (kind == ResponseSubscription)
        readSubscription(root, response);
    else if (kind == ResponseEmailTemplate)
        response.emailTemplate = text(root, "email_template");
}

// JsonCpp raises instead of failing on documents nested deeper than it follows.
bool parseDocument(const std::string& body, Json::Value& root)
{
    bool parsed = false;
    try {
        Json::Reader reader;
        parsed = reader.parse(body, root, true);
    } catch (const Json::Exception& error) {
        TVZ_LOG("Error parsing response: " << error.what());
    }
    TVZ_LOG("parsingSuccessful: " << (parsed ? "yes" : "no"));
    return parsed;
}

std::wstring accountText(const std::string& utf8)
{
    return toUtf16OrEmpty(utf8, CP_UTF8);
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
    if (!parseDocument(body, root)) {
        response.unreadable = true;
        return response;
    }
    // A member of the wrong type fails the answer as a whole, without half-read values.
    try {
        readDocument(root, kind, response);
    } catch (const Json::Exception& error) {
        TVZ_LOG("Error parsing response: " << error.what());
        ServerResponse failed;
        failed.body = body;
        failed.unreadable = true;
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
