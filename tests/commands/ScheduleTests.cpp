// Schedule a Meeting through its ribbon button: from Outlook itself, from Word through the
// stand-in Outlook started out of process, and the ways it can stop.
#include "ComposeFixture.h"

#include "../../res/resource.h"
#include "FakeOffice.h"
#include "Robot.h"
#include "StandInApps.h"

#include <gtest/gtest.h>

using Compose::Alice;
using Compose::Bob;
using Compose::DialogWatch;

namespace {

const std::wstring Subject = L"Talvora.com - New Meeting";

Fake::HostSpec hostOf(Fake::App app)
{
    Fake::HostSpec host;
    host.app = app;
    return host;
}

class Schedule : public Compose::ComposeTest {
protected:
    // The add-in connected to a host of this kind, as Office loads it.
    void connectTo(Fake::App app)
    {
        office = Fake::Office::build(hostOf(app));
        ASSERT_EQ(addin.connect(static_cast<IDispatch*>(office.application.get())), S_OK);
    }
    void schedule() const { EXPECT_EQ(addin->OnScheduleMeetingButtonClicked(nullptr), S_OK); }
    std::wstring wallUrl(const Compose::FixtureAccount& account) const
    {
        return service.origin() + L"/wall/" + account.meetingUrl;
    }

    Fake::Office office;
    Compose::AddinUnderTest addin;
};

} // namespace

TEST_F(Schedule, FromOutlookTheAppointmentCarriesTheMeetingAndIsShown)
{
    Compose::signIn(Alice);
    connectTo(Fake::App::Outlook);
    DialogWatch watch(/*dismissUnexpected=*/true);
    schedule();

    EXPECT_EQ(office.items->requestedTypes, std::vector<long>{1});
    ASSERT_EQ(office.items->created.size(), 1u);
    const Fake::AppointmentFields& fields = *office.items->created[0].fields;
    EXPECT_EQ(fields.subject, Subject);
    EXPECT_EQ(fields.body, Compose::aliceInvitationText(service.origin()));
    EXPECT_EQ(fields.location, wallUrl(Alice));
    ASSERT_EQ(fields.displays.size(), 1u);
    EXPECT_EQ(fields.displays[0].type(), VT_I2);
    EXPECT_EQ(fields.displays[0].toInt32(), 0);
    EXPECT_TRUE(watch.shown().empty());
    EXPECT_EQ(servicePaths(), (std::vector<std::string>{"/desktopApp/config.xml", "/api/v3/subscriptions/48213",
                                                        "/api/v3/subscriptions/48213/invites/email_template?locale=en"}));
    EXPECT_TRUE(log.contains("Has outlook app"));
    EXPECT_TRUE(log.contains("Finished create Appointment."));
}

TEST_F(Schedule, FromWordOutlookIsStartedOnceAndKeptForTheNextMeeting)
{
    TestSupport::StandInOutlook outlook;
    Compose::signIn(Alice);
    connectTo(Fake::App::Word);
    {
        DialogWatch watch(/*dismissUnexpected=*/true);
        schedule();
        schedule();
        EXPECT_TRUE(watch.shown().empty());
    }
    addin = Compose::AddinUnderTest(); // the add-in goes, and Outlook's last reference with it
    ASSERT_TRUE(outlook.waitForExit(10000));

    EXPECT_EQ(outlook.starts().size(), 1u);
    EXPECT_EQ(outlook.valuesOf("Subject="), std::vector<std::wstring>(2, Subject));
    EXPECT_EQ(outlook.valuesOf("Body="), std::vector<std::wstring>(2, Compose::aliceInvitationText(service.origin())));
    EXPECT_EQ(outlook.valuesOf("Location="), std::vector<std::wstring>(2, wallUrl(Alice)));
    EXPECT_EQ(outlook.valuesOf("Display").size(), 2u);
    EXPECT_EQ(Compose::messagesAmong(log.messages(), {"Create External Outlook app.", "Created Outlook app instance",
                                                      "Has outlook app", "Finished create Appointment."}),
              (std::vector<std::string>{"Create External Outlook app.", "Created Outlook app instance",
                                        "Finished create Appointment.", "Has outlook app",
                                        "Finished create Appointment."}));
}

// The user closes the Outlook that the add-in started: the next meeting starts it again
// instead of failing with "Unable to create an Appointment" until the host restarts.
TEST_F(Schedule, FromWordAnOutlookThatHasGoneIsStartedAgain)
{
    TestSupport::StandInOutlook outlook;
    Compose::signIn(Alice);
    connectTo(Fake::App::Word);
    DialogWatch watch(/*dismissUnexpected=*/true);
    schedule();
    ASSERT_EQ(outlook.starts().size(), 1u);
    ASSERT_TRUE(outlook.closeServers());
    schedule();
    schedule();

    EXPECT_TRUE(watch.shown().empty());
    EXPECT_EQ(outlook.starts().size(), 2u);
    EXPECT_EQ(outlook.valuesOf("Display").size(), 3u);
    EXPECT_EQ(Compose::messagesAmong(log.messages(), {"Create External Outlook app.", "Has outlook app",
                                                      "Finished create Appointment."}),
              (std::vector<std::string>{"Create External Outlook app.", "Finished create Appointment.",
                                        "Has outlook app", "Create External Outlook app.",
                                        "Finished create Appointment.", "Has outlook app",
                                        "Finished create Appointment."}));
    bool goneLogged = false;
    for (const std::string& message : log.messages())
        goneLogged = goneLogged || message.rfind("Outlook is gone (COM Error: 0x", 0) == 0;
    EXPECT_TRUE(goneLogged) << log.text();
    addin = Compose::AddinUnderTest();
    EXPECT_TRUE(outlook.waitForExit(10000));
}

TEST_F(Schedule, WithoutOutlookNothingIsShownAndTheLogSaysWhy)
{
    TestSupport::StandInOutlook::unregister();
    Compose::signIn(Alice);
    connectTo(Fake::App::Word);
    DialogWatch watch(/*dismissUnexpected=*/true);
    schedule();
    EXPECT_TRUE(watch.shown().empty());
    EXPECT_EQ(Compose::messagesAmong(log.messages(), {"Create External Outlook app.", "Failed to create external outlook app",
                                                      "Created appointment"}),
              (std::vector<std::string>{"Create External Outlook app.", "Failed to create external outlook app"}));
}

// The refusal is told (string 508), the settings dialog comes up and is cancelled; the
// appointment is still made, with the invitation the account held: none.
TEST_F(Schedule, ARefusedTemplateLeavesTheBodyEmptyButTheMeetingIsMade)
{
    Compose::signIn(Alice);
    connectTo(Fake::App::Outlook);
    service.addSwitch(R"({"path": "/api/v3/subscriptions/48213/invites", "body": "{\"retcode\": 4, \"message\": \"refused\"}"})");
    DialogWatch watch;
    Robot::Robot robot;
    // Signed in, the dialog shows the account and its own Cancel button (322).
    robot.answerMessageBox(IDOK)
        .waitUntil([](Robot::Robot& r) { return r.dialog().item(207).exists(); }, "the settings dialog")
        .click(322);
    schedule();
    EXPECT_TRUE(robot.scriptDone());

    ASSERT_EQ(office.items->created.size(), 1u);
    const Fake::AppointmentFields& fields = *office.items->created[0].fields;
    EXPECT_EQ(fields.subject, Subject);
    EXPECT_EQ(fields.body, L"");
    EXPECT_EQ(fields.location, wallUrl(Alice));
    EXPECT_EQ(fields.displays.size(), 1u);
    ASSERT_EQ(watch.shown().size(), 2u);
    EXPECT_EQ(watch.shown()[0].caption, L"Talvora Settings");
    EXPECT_EQ(watch.shown()[0].text, L"You have entered an incorrect credentials");
    EXPECT_TRUE(watch.shown()[0].warningIcon);
}

// A server fault or an answer that is no answer while the subscription is refreshed is a
// communication failure: said once, and the account, its token included, stays signed in.
TEST_F(Schedule, AServerFaultDuringTheRefreshIsACommunicationFailureNotARefusal)
{
    const char* faults[] = {
        R"({"path": "/api/v3/subscriptions/48213", "status": 503, "times": 1})",
        R"({"path": "/api/v3/subscriptions/48213", "body": "<html>maintenance</html>", "times": 1})",
        R"({"path": "/api/v3/subscriptions/48213", "body": "{\"retcode\": 0, \"subscription\": [1]}", "times": 1})",
    };
    for (const char* fault : faults) {
        SCOPED_TRACE(fault);
        addin = Compose::AddinUnderTest();
        Compose::signIn(Alice);
        connectTo(Fake::App::Outlook);
        service.addSwitch(fault);
        DialogWatch watch(/*dismissUnexpected=*/true);
        schedule();

        ASSERT_EQ(watch.shown().size(), 1u) << "no settings dialog";
        EXPECT_EQ(watch.shown()[0].text, L"Error communicating with server. Please try again later.");
        EXPECT_EQ(watch.shown()[0].caption, L"Talvora Office Addin");
        EXPECT_TRUE(office.items->created.empty());
        EXPECT_EQ(Compose::storedValue(L"AccessToken"), Alice.accessToken);
    }
}

TEST_F(Schedule, AFailingDisplayIsReportedAsUnableToCreateTheAppointment)
{
    Compose::signIn(Alice);
    connectTo(Fake::App::Outlook);
    office.items->prepare = [](Fake::Appointment& appointment) { appointment.object->fail(L"Display", E_FAIL); };
    DialogWatch watch;
    Robot::Robot robot;
    robot.answerMessageBox(IDOK);
    schedule();
    EXPECT_TRUE(robot.scriptDone());

    ASSERT_EQ(watch.shown().size(), 1u);
    EXPECT_EQ(watch.shown()[0].caption, L"Talvora Office Addin");
    EXPECT_EQ(watch.shown()[0].text, L"Unable to create an Appointment");
    EXPECT_FALSE(watch.shown()[0].warningIcon) << "a failure, not a warning";
    ASSERT_EQ(office.items->created.size(), 1u);
    const Fake::AppointmentFields& fields = *office.items->created[0].fields;
    EXPECT_EQ(fields.subject, Subject);
    EXPECT_EQ(fields.location, wallUrl(Alice));
    EXPECT_TRUE(fields.displays.empty());
}

TEST_F(Schedule, ASuspendedSubscriptionStopsAfterTheSubscriptionIsSaved)
{
    Compose::signIn(Bob);
    connectTo(Fake::App::Outlook);
    Robot::Robot robot;
    robot.waitUntil([](Robot::Robot& r) { return r.dialog().item(IDC_SUSPENDED_MESSAGE).exists(); }, "the account error")
        .click(IDOK);
    schedule();
    EXPECT_TRUE(robot.scriptDone());

    EXPECT_TRUE(office.items->requestedTypes.empty());
    EXPECT_EQ(Compose::storedValue(L"AccessCode"), L"5520931") << "the refreshed subscription was saved";
    EXPECT_EQ(servicePaths(), (std::vector<std::string>{"/desktopApp/config.xml", "/api/v3/subscriptions/77019"}));
}
