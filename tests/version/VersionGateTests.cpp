// The version gate of the ribbon commands: when it downloads the online configuration, how it
// compares the versions, what it shows and when it lets the command run.
#include "GateFixture.h"

#include "Version.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

using Gate::GateTest;
using Gate::Seen;

namespace {

const std::wstring Caption = L"Talvora Office Addin";
const std::wstring ServiceMessage =
    L"A new Talvora Office Add-in is available. Please update to keep scheduling meetings from Outlook.";

std::string narrow(const std::wstring& ascii)
{
    return std::string(ascii.begin(), ascii.end());
}

std::string instructionsUrl(const TestSupport::ServiceControl& service)
{
    return narrow(service.origin()) + "/outlook-plugin-instructions";
}

// What the stand-in browser gets from a command that ran, or from the alert's OK.
std::vector<std::string> theWall(const TestSupport::ServiceControl& service)
{
    return {Gate::aliceWallUrl(service.origin())};
}

std::vector<std::string> theInstructions(const TestSupport::ServiceControl& service)
{
    return {instructionsUrl(service)};
}

void expectWarning(const Seen::Box& seen, const std::wstring& text, bool offersCancel)
{
    EXPECT_EQ(seen.box.text, text);
    EXPECT_EQ(seen.box.caption, Caption);
    EXPECT_TRUE(seen.box.warningIcon);
    EXPECT_EQ(seen.box.owner, nullptr);
    EXPECT_EQ(seen.offersCancel, offersCancel);
}

} // namespace

TEST_F(GateTest, AnUpdateIsAnOnlineVersionNewerThanTheAddinsOwn)
{
    ASSERT_EQ(getPluginVersion(), (VersionNumbers{0, 9, 28, 0}));
    const struct {
        const char* preset;
        bool newer;
        VersionNumbers compared;
        const char* logged;
    } cases[] = {
        {"newer", true, {0, 9, 28, 1}, "verCurrS=0.9.28.1"},
        {"older", false, {0, 9, 27, 5}, "verCurrS=0.9.27.5"},
        {"major", true, {1, 0, 0, 0}, "verCurrS=1.0.0.0"},
        {"equal", false, {0, 9, 28, 0}, "verCurrS=0.9.28.0"},
        // "1.2": the components the text lacks are still -1 on the first check.
        {"short", true, {1, 2, -1, -1}, "verCurrS=1.2.-1.-1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preset);
        restart();
        preset(c.preset);

        const Seen seen = openWall(0);

        EXPECT_TRUE(seen.boxes.empty());
        EXPECT_EQ(addin().account().invalidVersion, c.newer);
        EXPECT_EQ(addin().config().version, c.compared);
        EXPECT_TRUE(log.contains(std::string(c.logged) + ", updateUrl=" + instructionsUrl(service))) << log.text();
        EXPECT_TRUE(log.contains(c.newer ? "update=true" : "update=false")) << log.text();
        EXPECT_EQ(urlsOpened(), theWall(service)) << "an update without force lets the command run";
    }
}

TEST_F(GateTest, AShortVersionTextKeepsTheComponentsOfTheCheckBefore)
{
    // After 0.9.27.5, "0.9.28" reads as 0.9.28.5: newer than the add-in's 0.9.28.0, which it
    // would not be on a first check (0.9.28.-1).
    preset("older");
    openWall(0);
    EXPECT_FALSE(addin().account().invalidVersion);

    serveOnce(document("<version>0.9.28</version>"));
    openWall(121);
    EXPECT_EQ(addin().config().version, (VersionNumbers{0, 9, 28, 5}));
    EXPECT_TRUE(log.contains("verCurrS=0.9.28.5, updateUrl=" + instructionsUrl(service))) << log.text();
    EXPECT_TRUE(addin().account().invalidVersion);

    preset("short");
    openWall(242);
    EXPECT_EQ(addin().config().version, (VersionNumbers{1, 2, 28, 5}));

    restart();
    serveOnce(document("<version>0.9.28</version>"));
    openWall(0);
    EXPECT_EQ(addin().config().version, (VersionNumbers{0, 9, 28, -1}));
    EXPECT_FALSE(addin().account().invalidVersion);
    EXPECT_EQ(configDownloads(), 1);
}

// Whole minutes since the last check must exceed 120; the first command always checks.
TEST_F(GateTest, ChecksOnlineAtMostEvery120Minutes)
{
    preset("newer");
    const struct {
        long minutes;
        long seconds;
        int downloads;
    } commands[] = {
        {0, 0, 1}, {30, 0, 1}, {120, 0, 1}, {120, 59, 1}, {121, 0, 2}, {151, 0, 2}, {241, 0, 2}, {242, 0, 3},
    };
    int downloads = 0;
    for (const auto& c : commands) {
        SCOPED_TRACE(testing::Message() << c.minutes << " min " << c.seconds << " s");
        const TestSupport::LogCapture commandLog;

        const Seen seen = run(&ITalvoraMeeting::OnOpenYourWallButtonClicked, c.minutes, {}, c.seconds);

        const bool downloaded = c.downloads > downloads;
        downloads = configDownloads();
        EXPECT_EQ(downloads, c.downloads);
        EXPECT_TRUE(seen.boxes.empty());
        EXPECT_TRUE(addin().account().invalidVersion) << "a found update stays known between checks";
        EXPECT_TRUE(commandLog.contains(std::string("Check version: downloaded=") + (downloaded ? "1" : "0")
                                        + " invalid version: 1"))
            << commandLog.text();
        EXPECT_EQ(urlsOpened(), theWall(service));
    }
}

TEST_F(GateTest, OnlyAnUpdateWithAMessageToDisplayShowsIt)
{
    const struct {
        const char* name;
        std::string preset;
        std::string served; // instead of a preset
        bool update;
        bool message; // the service's message is shown
    } cases[] = {
        {"no force, no display", "newer", "", true, false},
        {"force=\"True\" is not mandatory", "force-capital", "", true, false},
        {"display=\"true\" with a message", "message", "", true, true},
        {"display=\"false\"", "message-hidden", "", true, false},
        {"display=\"true\" without a message", "display-empty", "", true, false},
        {"no message element", "no-message", "", true, false},
        {"the message is for older versions only", "",
         document("<version>0.9.28.0</version>\r\n    <message display=\"true\">" + narrow(ServiceMessage) + "</message>"),
         false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        if (c.served.empty())
            preset(c.preset);
        else
            serveOnce(c.served);

        const Seen seen = openWall(0);

        ASSERT_EQ(seen.boxes.size(), c.message ? 1u : 0u);
        if (c.message)
            expectWarning(seen.boxes[0], ServiceMessage, /*offersCancel=*/false);
        EXPECT_EQ(addin().account().invalidVersion, c.update);
        EXPECT_EQ(urlsOpened(), theWall(service));
    }
}

TEST_F(GateTest, TheMandatoryUpdateAlertOffersTheInstructionsInsteadOfTheCommand)
{
    preset("force");
    const std::wstring alert = L"Your Talvora plugin version 0.9.28.0 has expired. Click OK to download new version "
                               L"0.9.28.1 of the plugin or Cancel to continue with the obsolete version";

    const Seen confirmed = openWall(0, {IDOK});

    EXPECT_EQ(urlsOpened(), theInstructions(service)) << "the user chose to update instead of the command";
    ASSERT_EQ(confirmed.boxes.size(), 1u);
    expectWarning(confirmed.boxes[0], alert, /*offersCancel=*/true);
    EXPECT_TRUE(log.contains("New version alert response: 1")) << log.text();

    // Asked once per check: not again until the next one, and Cancel lets the command run.
    const struct {
        long minutes;
        bool alert;
    } later[] = {{30, false}, {121, true}, {151, false}};
    for (const auto& command : later) {
        SCOPED_TRACE(testing::Message() << command.minutes << " min");

        const Seen seen = openWall(command.minutes, {IDCANCEL});

        ASSERT_EQ(seen.boxes.size(), command.alert ? 1u : 0u);
        if (command.alert)
            expectWarning(seen.boxes[0], alert, /*offersCancel=*/true);
        EXPECT_EQ(urlsOpened(), theWall(service));
    }
    EXPECT_EQ(configDownloads(), 2);
}

TEST_F(GateTest, EveryRibbonCommandWaitsForTheGate)
{
    const struct {
        const char* callback;
        Gate::Command command;
        const char* runs; // the member of CAddin the command runs; null: the settings dialog
    } cases[] = {
        {"OnMeetNowMeetingButtonClicked", &ITalvoraMeeting::OnMeetNowMeetingButtonClicked, "runParleon"},
        {"OnOpenYourWallButtonClicked", &ITalvoraMeeting::OnOpenYourWallButtonClicked, "openProperWall"},
        {"OnScheduleMeetingButtonClicked", &ITalvoraMeeting::OnScheduleMeetingButtonClicked, "createAppointment"},
        {"OnSettingsButtonClicked", &ITalvoraMeeting::OnSettingsButtonClicked, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.callback);
        restart();
        preset("force");

        const Seen seen = run(c.command, 0, {IDOK});

        ASSERT_EQ(seen.boxes.size(), 1u);
        EXPECT_TRUE(seen.boxes[0].offersCancel) << "the mandatory-update alert";
        EXPECT_TRUE(seen.settingsDialogs.empty());
        if (c.runs) {
            EXPECT_FALSE(logged(c.runs)) << log.text();
        }
        const Json::Value requests = service.requests();
        ASSERT_EQ(requests.size(), 1u) << TestSupport::toJson(requests);
        EXPECT_EQ(requests[0]["path"].asString(), "/desktopApp/config.xml");
        EXPECT_EQ(urlsOpened(), theInstructions(service));
    }
}

TEST_F(GateTest, TheSettingsDialogTellsOfAFoundUpdate)
{
    const struct {
        const char* preset;
        bool update;
    } cases[] = {{"equal", false}, {"newer", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preset);
        restart();
        preset(c.preset);
        // The second time without a check: the update found before is still told.
        for (const long minutes : {0L, 30L}) {
            SCOPED_TRACE(testing::Message() << minutes << " min");

            const Seen seen = run(&ITalvoraMeeting::OnSettingsButtonClicked, minutes);

            EXPECT_TRUE(seen.boxes.empty());
            ASSERT_EQ(seen.settingsDialogs.size(), 1u);
            EXPECT_EQ(seen.settingsDialogs[0].updateLinkVisible, c.update);
            if (c.update) {
                EXPECT_EQ(seen.settingsDialogs[0].updateLinkText, L"update available");
            }
        }
        EXPECT_EQ(configDownloads(), 1);
    }
}

TEST_F(GateTest, AFailedDownloadCountsAsACheckAndTheCommandRuns)
{
    const struct {
        const char* name;
        const char* fault; // a switch of the stand-in service
        // The progress dialog aborts a request whose connection broke; whether the last look at
        // the request then raises the error that load reports with string 512 is the platform
        // object's choice (Wine's does not raise).
        bool mayReport;
    } cases[] = {
        {"404", R"({"config": "none"})", false},
        {"dropped connection", R"({"path": "/desktopApp/config.xml", "drop": true})", true},
        {"malformed", R"({"config": "malformed"})", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        service.addSwitch(c.fault);

        const Seen first = openWall(0);

        ASSERT_LE(first.boxes.size(), c.mayReport ? 1u : 0u) << log.text();
        for (const Seen::Box& box : first.boxes)
            expectWarning(box, L"Error communicating with server. Please try again later.", false);
        EXPECT_FALSE(addin().config().loaded);
        EXPECT_FALSE(addin().account().invalidVersion);
        EXPECT_TRUE(log.contains("update=false")) << log.text();
        EXPECT_EQ(urlsOpened(), theWall(service));

        const Seen second = openWall(30);

        EXPECT_TRUE(second.boxes.empty());
        EXPECT_EQ(configDownloads(), 1) << "the failed download was the check";
        EXPECT_EQ(urlsOpened(), theWall(service));
    }
}
