#pragma once
// What the service operation tests share: the stand-in service reset for every test, the log
// open and captured, progress dialogs that look at their request every 20 ms, and a signed-in
// fixture account.

#include "Account.h"
#include "Log.h"
#include "MessageBoxWatch.h"
#include "Server.h"
#include "ServiceControl.h"
#include "TestSupport.h"
#include "UI/WaitingDialog.h"

#include <gtest/gtest.h>

#include <string>

class OperationTest : public testing::Test {
protected:
    static constexpr const wchar_t* AliceLogin = L"alice+meet@example.com";
    static constexpr const wchar_t* AlicePassword = L"Tea & Cake+100%\u00e9";
    static constexpr const wchar_t* AliceToken = L"a1c3e5f7092b4d6f8a0c2e4f6b8d0f12";
    static constexpr const wchar_t* AliceSubscription = L"48213";

    void SetUp() override
    {
        service.reset();
        Log::open(getLogFilePath());
        setProgressTiming(quickTiming());
    }
    void TearDown() override
    {
        setProgressTiming(CWaiting::Timing{});
        Log::close();
    }

    // The real clock, looked at every 20 ms instead of every 500.
    static CWaiting::Timing quickTiming()
    {
        CWaiting::Timing timing;
        timing.period = 20;
        return timing;
    }
    // A clock on which the progress dialog's minute passes in a tenth of a second.
    static CWaiting::Timing hastyTiming()
    {
        CWaiting::Timing timing;
        timing.tickCount = [] { return GetTickCount() * 600; };
        timing.period = 20;
        return timing;
    }

    static CAccount alice()
    {
        CAccount account;
        account.login = AliceLogin;
        account.password = AlicePassword;
        account.accessToken = AliceToken;
        account.subscriptionId = AliceSubscription;
        return account;
    }

    // Lets go of requests the service holds unanswered. Wine's WinHTTP keeps such a connection
    // in the process-wide pool that the control requests use too, and a request sent on it
    // before its close arrived is lost: the service answers the reset only once it closed them.
    void releaseHangingRequests() { service.reset(); }

    TestSupport::ServiceControl service;
    TestSupport::LogCapture log;
};
