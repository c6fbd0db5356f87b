// The browser sign-in as users meet it: Settings opens the real dialog, "Continue with Facebook"
// opens the stand-in browser through the shell, the browser walks the stand-in service's pages
// and the dialog reads the outcome from the browser's window title. The robot waits for states
// (the authorization page seen by the controller, a section on screen), never for a time.
#include "Account.h"
#include "Log.h"
#include "Robot.h"
#include "SSO/SSO.h"
#include "ServiceControl.h"
#include "StandInBrowser.h"
#include "TestSupport.h"
#include "UI/SettingsDialog.h"
#include "Win/Gdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

using Action = TestSupport::StandInBrowser::Action;

enum Control : int { Cancel = IDCANCEL, LoginFrame = 317, Facebook = 318, BrowserFrame = 320, StopWaiting = 321 };

constexpr wchar_t AliceToken[] = L"a1c3e5f7092b4d6f8a0c2e4f6b8d0f12";

std::array<long, static_cast<std::size_t>(Win::GuiKind::Count)> guiObjects()
{
    std::array<long, static_cast<std::size_t>(Win::GuiKind::Count)> live{};
    for (std::size_t kind = 0; kind < live.size(); ++kind)
        live[kind] = Win::liveGuiObjects(static_cast<Win::GuiKind>(kind));
    return live;
}

std::wstring storedValue(const wchar_t* name)
{
    std::wstring value = L"<absent>";
    CAccount::readRegistryString(name, value);
    return value;
}

bool visible(Robot::Robot& r, int id)
{
    return r.dialog().item(id).visible();
}

class BrowserSignInTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, L"Software\\TalvoraAddIn");
        service.reset();
        Log::open(getLogFilePath());
    }
    void TearDown() override
    {
        Log::close();
        TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, L"Software\\TalvoraAddIn");
    }

    // The robot presses "Continue with Facebook" and waits until the controller has seen the
    // browser's authorization page; the caller's steps follow.
    Robot::Robot& untilTheAuthorizationPage()
    {
        return robot.waitUntil([](Robot::Robot& r) { return r.dialog().visible() && visible(r, Facebook); },
                               "the login section")
            .click(Facebook)
            .waitUntil([](Robot::Robot& r) { return visible(r, BrowserFrame); }, "the browser section")
            .waitUntil([](Robot::Robot&) { return SSO::Controller::instance().loginTime() >= 0; },
                       "the authorization page seen");
    }
    // Cancel once the login section is back.
    void cancelWhenSignedOut()
    {
        robot.waitUntil([](Robot::Robot& r) { return visible(r, LoginFrame) && !visible(r, BrowserFrame); },
                        "the login section back")
            .click(Cancel);
    }

    // No message box came up beside the settings dialog, and none of the windows and GDI
    // objects the sign-in made is left.
    void expectOnlyTheDialogAndNothingLeft()
    {
        EXPECT_EQ(robot.dialogsSeen().size(), 1u) << "no box";
        EXPECT_EQ(robot.windowsAlive(), 0u);
        EXPECT_EQ(guiObjects(), m_guiObjectsBefore);
    }

    const std::array<long, static_cast<std::size_t>(Win::GuiKind::Count)> m_guiObjectsBefore = guiObjects();
    TestSupport::ServiceControl service;
    TestSupport::LogCapture log;
    Robot::Robot robot{30000};
};

} // namespace

TEST_F(BrowserSignInTest, AnApprovedSignInSavesTheAccountOfTheBrowsersCode)
{
    CAccount account;
    {
        TestSupport::StandInBrowser browser(Action::Approve);
        untilTheAuthorizationPage().then([&](Robot::Robot&) { browser.decide(); });

        EXPECT_TRUE(runSettingsDialog(account, false));
        const std::vector<std::wstring> titles = browser.titles();
        ASSERT_EQ(titles.size(), 1u);
        EXPECT_EQ(titles[0].rfind(L"Talvora - wall/alice.walker?code=", 0), 0u) << titles[0];
        EXPECT_TRUE(browser.closeAll(10000)) << "the browser ended";
    }
    EXPECT_EQ(account.accessToken, AliceToken);
    EXPECT_EQ(account.subscriptionId, L"48213");
    EXPECT_EQ(account.login, L"alice+meet@example.com");
    EXPECT_EQ(storedValue(L"AccessToken"), AliceToken);
    EXPECT_EQ(storedValue(L"SubscriptionId"), L"48213");
    EXPECT_EQ(storedValue(L"MeetingUrl"), L"alice.walker");

    std::vector<std::string> walked;
    for (const Json::Value& request : service.requests())
        walked.push_back(request["method"].asString() + " " + request["path"].asString() + " " +
                         request["check"].asString());
    EXPECT_EQ(walked, (std::vector<std::string>{
                          "GET /auth/facebook ok", "GET /api/v3/authorize ok", "GET /api/v3/authorize/allow ok",
                          "GET /auth/callback ok", "GET /wall/alice.walker ok", "POST /api/v3/token ok",
                          "GET /api/v3/subscriptions/current ok"}));
    EXPECT_TRUE(log.contains("[SSO] Got token")) << log.text();
    EXPECT_EQ(log.text().find("a1c3e5f7092b4d6f8a0c2e4f6b8d0f12"), std::string::npos) << "the token masked";
    expectOnlyTheDialogAndNothingLeft();
}

TEST_F(BrowserSignInTest, ADeniedSignInReturnsToTheLoginSectionWithoutABox)
{
    CAccount account;
    {
        TestSupport::StandInBrowser browser(Action::Deny);
        untilTheAuthorizationPage().then([&](Robot::Robot&) { browser.decide(); });
        cancelWhenSignedOut();

        EXPECT_FALSE(runSettingsDialog(account, false));
        const std::vector<std::wstring> titles = browser.titles();
        ASSERT_EQ(titles.size(), 1u);
        EXPECT_EQ(titles[0].rfind(L"Talvora - auth/callback?error=access_denied&_t=", 0), 0u) << titles[0];
        EXPECT_TRUE(browser.closeAll(10000));
    }
    EXPECT_TRUE(log.contains("Error parsing title")) << log.text();
    EXPECT_FALSE(account.isComplete());
    EXPECT_EQ(storedValue(L"Login"), L"<absent>");
    expectOnlyTheDialogAndNothingLeft();
}

// A browser left on the authorization page: the wait ends on the 301st tick. The ticks are
// posted instead of waiting ten minutes for the timer; with the timer's own ticks in between,
// some of them come after the time limit.
TEST_F(BrowserSignInTest, ABrowserThatNeverFinishesEndsTheWaitAtTheTimeLimit)
{
    CAccount account;
    {
        TestSupport::StandInBrowser browser(Action::LeaveOpen);
        untilTheAuthorizationPage().then([](Robot::Robot& r) {
            for (unsigned tick = 0; tick <= CSettingsDialog::MaxPolls; ++tick)
                PostMessageW(r.dialog().hwnd(), WM_TIMER, CSettingsDialog::PollTimerId, 0);
        });
        bool timerLeft = true;
        robot.waitUntil([](Robot::Robot& r) { return visible(r, LoginFrame); }, "the login section back")
            .then([&](Robot::Robot& r) { timerLeft = KillTimer(r.dialog().hwnd(), CSettingsDialog::PollTimerId); })
            .click(Cancel);

        EXPECT_FALSE(runSettingsDialog(account, false));
        EXPECT_FALSE(timerLeft);
        const std::vector<std::wstring> titles = browser.titles();
        ASSERT_EQ(titles.size(), 1u);
        EXPECT_EQ(titles[0].rfind(L"Authorize Talvora Meeting - api/v3/authorize?_t=", 0), 0u) << titles[0];
        EXPECT_TRUE(browser.closeAll(10000));
    }
    const std::vector<std::string> messages = log.messages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "[SSO] Wait timeout"), 1)
        << "the ticks left after the time limit poll no more";
    EXPECT_FALSE(log.contains("[SSO] Got token"));
    EXPECT_EQ(storedValue(L"Login"), L"<absent>");
    expectOnlyTheDialogAndNothingLeft();
}

// Cancel stops the wait at once and leaves the browser page alone; a later approval in the
// browser no longer reaches the dialog.
TEST_F(BrowserSignInTest, CancelDuringTheWaitStopsPollingAndLeavesTheBrowserOpen)
{
    CAccount account;
    {
        TestSupport::StandInBrowser browser(Action::Approve);
        bool timerLeft = true;
        std::size_t pollsBefore = 0;
        untilTheAuthorizationPage()
            .click(StopWaiting)
            .waitUntil([](Robot::Robot& r) { return visible(r, LoginFrame); }, "the login section back")
            .then([&](Robot::Robot& r) {
                timerLeft = KillTimer(r.dialog().hwnd(), CSettingsDialog::PollTimerId);
                pollsBefore = log.messages().size();
                browser.decide();
            })
            .waitUntil([&](Robot::Robot&) { return service.requests().size() == 5; }, "the browser on the result page")
            .click(Cancel);

        EXPECT_FALSE(runSettingsDialog(account, false));
        EXPECT_FALSE(timerLeft);
        EXPECT_EQ(log.messages().size(), pollsBefore) << "no poll after Cancel";
        const std::vector<std::wstring> titles = browser.titles();
        ASSERT_EQ(titles.size(), 1u) << "the browser page stays open";
        EXPECT_TRUE(browser.closeAll(10000));
    }
    EXPECT_FALSE(log.contains("[SSO] Got token"));
    EXPECT_EQ(storedValue(L"Login"), L"<absent>");
    expectOnlyTheDialogAndNothingLeft();
}
