#pragma once
// What the request-layer tests share: the stand-in service reset for every test, the desktop
// profile without a proxy, the log open and captured, and a Server over a blank account.

#include "Account.h"
#include "Log.h"
#include "NCProfile.h"
#include "Server.h"
#include "ServiceControl.h"
#include "ServiceOrigins.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

class HttpTest : public testing::Test {
protected:
    void SetUp() override
    {
        service.reset();
        useProfile(false, 1, "");
        Log::open(getLogFilePath());
    }
    void TearDown() override
    {
        Log::close();
        useProfile(false, 1, "");
    }

    static void useProfile(bool loaded, int proxyType, const std::string& proxy)
    {
        NCProfile& profile = NCProfile::instance();
        profile.loaded = loaded;
        profile.proxyType = proxyType;
        profile.actualProxy = proxy;
    }

    static std::wstring api(const std::wstring& pathAndQuery) { return ApiHost() + pathAndQuery; }

    // Waits for the answer (it comes from the loopback service within a few seconds).
    static ServerResponse completed(Server::Request& request)
    {
        EXPECT_TRUE(request.wait(30));
        return request.getResponse();
    }

    static std::string hexText(HRESULT hr)
    {
        std::ostringstream text;
        text << std::hex << static_cast<unsigned long>(hr);
        return text.str();
    }

    TestSupport::ServiceControl service;
    TestSupport::LogCapture log;
    CAccount account;
    Server server{account};
};
