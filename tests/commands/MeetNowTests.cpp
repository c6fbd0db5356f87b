// Meet Now through its ribbon button: the desktop application started with the meeting, or,
// when it is missing, the offer to download it.
#include "ComposeFixture.h"

#include "NCProfile.h"
#include "Robot.h"
#include "StandInApps.h"
#include "TextCodec.h"
#include "UrlRecorder.h"

#include <gtest/gtest.h>

using Compose::Alice;

namespace {

class MeetNow : public Compose::ComposeTest {
protected:
    std::size_t configDownloads() const
    {
        std::size_t count = 0;
        for (const std::string& path : servicePaths())
            count += path == "/desktopApp/config.xml";
        return count;
    }
};

} // namespace

TEST_F(MeetNow, TheInstalledApplicationStartsTheMeetingOfTheSignedInAccount)
{
    Compose::signIn(Alice);
    const TestSupport::StandInDesktopApp app;
    const Compose::AddinUnderTest addin;
    Compose::DialogWatch watch(/*dismissUnexpected=*/true);
    EXPECT_EQ(addin->OnMeetNowMeetingButtonClicked(nullptr), S_OK);
    ASSERT_TRUE(app.waitForLaunches(1, 10000));
    EXPECT_EQ(TestSupport::StandInDesktopApp::argumentsOf(app.launches()[0]),
              L"--host -t 48213 a1c3e5f7092b4d6f8a0c2e4f6b8d0f12");
    EXPECT_TRUE(watch.shown().empty());
}

// The offer names the application; the download address is the one of the configuration the
// version check has just read, which is not fetched a second time.
TEST_F(MeetNow, WithoutTheApplicationTheUserMayDownloadIt)
{
    const struct {
        const char* title;
        int answer;
        const char* preset;
        std::vector<std::string> opened;
        bool missingUrlLogged;
    } cases[] = {
        {"No", IDNO, "equal", {}, false},
        {"Yes", IDYES, "equal", {"/downloads/TalvoraSetup.exe"}, false},
        {"Yes without a package", IDYES, "no-package", {}, true},
    };
    ASSERT_TRUE(findDesktopApp().empty());
    const std::string origin = fromUtf16(service.origin(), CP_UTF8);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        service.reset();
        service.addSwitch(std::string(R"({"config": ")") + c.preset + "\"}");
        const TestSupport::LogCapture captured;
        const TestSupport::UrlRecorder browser(/*takeHttp=*/true);
        const Compose::AddinUnderTest addin; // a new one: its version check is due
        Compose::DialogWatch watch;
        Robot::Robot robot;
        robot.answerMessageBox(c.answer);
        EXPECT_EQ(addin->OnMeetNowMeetingButtonClicked(nullptr), S_OK);
        EXPECT_TRUE(robot.scriptDone());

        ASSERT_EQ(watch.shown().size(), 1u);
        EXPECT_EQ(watch.shown()[0].caption, L"Talvora Office Addin");
        EXPECT_EQ(watch.shown()[0].text, L"Talvora application not installed. Do you want to download and install it ?");
        std::vector<std::string> expected;
        for (const std::string& path : c.opened)
            expected.push_back(origin + path);
        EXPECT_EQ(browser.opened(expected.size() + 1, 1500), expected);
        EXPECT_EQ(configDownloads(), 1u);
        EXPECT_EQ(captured.contains("Error: missing EXE download URL"), c.missingUrlLogged);
    }
}

// The subscription id and the token go unquoted onto the application's command line: one that
// would split into further arguments does not start it. A clean account afterwards does, which
// also shows that the refused start never came.
TEST_F(MeetNow, AnAccountThatWouldSplitTheCommandLineDoesNotStartTheApplication)
{
    const TestSupport::StandInDesktopApp app;
    const Compose::FixtureAccount splitting[] = {
        {Alice.login, Alice.subscriptionId, L"a1c3e5f7 --evil", Alice.meetingUrl},
        {Alice.login, L"48213\"", Alice.accessToken, Alice.meetingUrl},
        {Alice.login, Alice.subscriptionId, L"a1c3e5f7\r\n", Alice.meetingUrl},
    };
    for (const auto& account : splitting) {
        SCOPED_TRACE(fromUtf16(account.accessToken, CP_UTF8).str());
        Compose::signIn(account);
        const TestSupport::LogCapture captured;
        const Compose::AddinUnderTest addin;
        Compose::DialogWatch watch(/*dismissUnexpected=*/true);
        EXPECT_EQ(addin->OnMeetNowMeetingButtonClicked(nullptr), S_OK);
        EXPECT_TRUE(watch.shown().empty());
        EXPECT_TRUE(captured.contains("Error: the subscription id or the access token holds a blank, quote or control "
                                      "character; the application is not started"))
            << captured.text();
    }
    Compose::signIn(Alice);
    const Compose::AddinUnderTest addin;
    EXPECT_EQ(addin->OnMeetNowMeetingButtonClicked(nullptr), S_OK);
    ASSERT_TRUE(app.waitForLaunches(1, 10000));
    ASSERT_EQ(app.launches().size(), 1u);
    EXPECT_EQ(TestSupport::StandInDesktopApp::argumentsOf(app.launches()[0]),
              L"--host -t 48213 a1c3e5f7092b4d6f8a0c2e4f6b8d0f12");
}

// The download address comes from the network: only an http or https one is opened.
TEST_F(MeetNow, ADownloadAddressOfAnotherSchemeIsNotOpened)
{
    ASSERT_TRUE(findDesktopApp().empty());
    service.addSwitch(R"({"path": "/desktopApp/config.xml", "content_type": "text/xml", "body":
        "<config><executables><package platform=\"win\">talvora-test:C:/Windows/System32/calc.exe</package></executables></config>"})");
    const TestSupport::LogCapture captured;
    const TestSupport::UrlRecorder browser;
    const Compose::AddinUnderTest addin;
    Compose::DialogWatch watch;
    Robot::Robot robot;
    robot.answerMessageBox(IDYES);
    EXPECT_EQ(addin->OnMeetNowMeetingButtonClicked(nullptr), S_OK);
    EXPECT_TRUE(robot.scriptDone());

    EXPECT_TRUE(captured.contains("Error: the EXE download URL is not an http or https address; it is not opened"))
        << captured.text();
    EXPECT_EQ(browser.opened(1, 1500), std::vector<std::string>{});
}
