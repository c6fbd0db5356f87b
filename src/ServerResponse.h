#pragma once
// What the service answers, parsed: the response of one request and the subscription record.

#include <string>

// What the parser extracts from a response body.
enum ResponseKind : int {
    ResponseSubscription = 0,
    ResponseRaw = 5,
    ResponseEmailTemplate = 7,
    ResponseTokenExchange = 8,
};

// All texts UTF-8, as the service sends them.
struct Subscription {
    std::string id;
    std::string meetingUrl;
    std::string accessCode;
    std::string email;
    std::string firstName;
    std::string lastName;
    std::string countryName;
    std::string dialInNumber;
    bool dialInIsOneNumber = false;
    std::string tollNumber;
    std::string tollFreeNumber;
    bool internationalToll = false;
    bool screenSharing = false;
    bool video = false;
    std::string countryId;
    std::string status;
};

struct ServerResponse {
    int httpStatus = 200;
    int retcode = -1;
    std::string accessToken;
    Subscription subscription;
    std::string body;
    std::string emailTemplate;
    // The body was no document of the expected form (not JSON, or a member of another type than
    // the service sends): no answer at all, unlike a refusal.
    bool unreadable = false;
};
