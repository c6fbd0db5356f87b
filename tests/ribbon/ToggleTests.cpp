// The appointment toggle as Office drives it: the button's callbacks with a ribbon control
// whose context is an inspector showing a stand-in appointment and its Word document, the
// account signed in against the stand-in service.
#include "ComposeFixture.h"
#include "LanguageChild.h"
#include "Robot.h"

#include <gtest/gtest.h>

using Compose::AddinUnderTest;
using Compose::Alice;
using Compose::AppointmentWindow;

namespace {

const std::wstring StoredTemplate = L"Dear guests\r\nOnline Meeting: somewhere\r\nSee you";
const std::wstring StoredText = L"Dear guests\vOnline Meeting: somewhere\vSee you";
// Word never deletes a document's final paragraph mark: deleting the last paragraph leaves an
// empty one in its place.
const std::wstring WordsFinalMark = L"\r";

class Toggle : public Compose::ComposeTest {
protected:
    Toggle() { addin->OnRibbonLoaded(static_cast<IDispatch*>(ribbon.object.get())); }

    std::wstring wallUrl() const { return service.origin() + L"/wall/" + Alice.meetingUrl; }
    void click(const AppointmentWindow& window) const { EXPECT_EQ(addin->OnAddParleonButtonClicked(window.control()), S_OK); }

    AddinUnderTest addin;
    Fake::RibbonUI ribbon = Fake::RibbonUI::create();
};

// In a child: the labels around two clicks, in the child's language.
const bool g_toggleChild = LanguageChild::registerChild("Toggle", [](LanguageChild::Report& report) {
    const AddinUnderTest addin;
    const AppointmentWindow window(L"Agenda\r");
    report["label 0"] = addin.label(window.control());
    addin->OnAddParleonButtonClicked(window.control());
    report["label 1"] = addin.label(window.control());
    report["added"] = window.text();
    addin->OnAddParleonButtonClicked(window.control());
    report["label 2"] = addin.label(window.control());
    report["removed"] = window.text();
});

} // namespace

TEST_F(Toggle, TwoClicksAddTheInvitationAndRemoveItAgain)
{
    Compose::signIn(Alice);
    const AppointmentWindow window(L"Agenda\r");
    EXPECT_EQ(addin.label(window.control()), L"Add Talvora");
    EXPECT_EQ(addin.pressed(window.control(), VARIANT_TRUE), VARIANT_FALSE);

    click(window);
    // The invitation is one paragraph, after an empty one, and the location is the wall.
    EXPECT_EQ(window.text(), L"Agenda\r\r" + Compose::aliceInvitationText(service.origin()) + L"\r");
    EXPECT_EQ(window.appointment.fields->location, wallUrl());
    EXPECT_EQ(ribbon.invalidations(), 1);
    EXPECT_EQ(addin.label(window.control()), L"Cancel Talvora");
    EXPECT_EQ(addin.pressed(window.control()), VARIANT_TRUE);
    EXPECT_EQ(servicePaths(), (std::vector<std::string>{"/api/v3/subscriptions/48213",
                                                        "/api/v3/subscriptions/48213/invites/email_template?locale=en"}));

    click(window);
    EXPECT_EQ(window.text(), L"Agenda\r" + WordsFinalMark);
    EXPECT_EQ(window.appointment.fields->location, L"");
    EXPECT_EQ(ribbon.invalidations(), 2);
    EXPECT_EQ(addin.label(window.control()), L"Add Talvora");
    EXPECT_EQ(addin.pressed(window.control(), VARIANT_TRUE), VARIANT_FALSE);
    EXPECT_EQ(servicePaths().size(), 2u) << "the invitation held is enough to remove it";
}

TEST_F(Toggle, TheRibbonLoadedLastIsTheOneInvalidated)
{
    Compose::signIn(Alice, StoredTemplate);
    const Fake::RibbonUI second = Fake::RibbonUI::create();
    addin->OnRibbonLoaded(static_cast<IDispatch*>(second.object.get()));
    const AppointmentWindow window(L"Agenda\r" + StoredText + L"\r");
    click(window);
    EXPECT_EQ(ribbon.invalidations(), 0);
    EXPECT_EQ(second.invalidations(), 1);
}

TEST_F(Toggle, SignedOutTheSettingsDialogComesFirstAndCancelChangesNothing)
{
    const AppointmentWindow window(L"Agenda\r");
    Robot::Robot robot;
    robot.waitUntil([](Robot::Robot& r) { return r.dialog().item(207).exists(); }, "the settings dialog")
        .click(IDCANCEL);
    click(window);
    EXPECT_TRUE(robot.scriptDone());
    EXPECT_EQ(window.text(), L"Agenda\r");
    EXPECT_EQ(window.appointment.fields->location, L"");
    EXPECT_EQ(ribbon.invalidations(), 0);
    EXPECT_TRUE(servicePaths().empty());
}

// The removal as the account's stored invitation finds it in the document; the paragraph
// before it goes too when it is empty, and only the last paragraph when the last line never comes.
TEST_F(Toggle, RemovalTakesTheInvitationParagraphsOut)
{
    const struct {
        const char* title;
        std::wstring before;
        std::wstring after;
        std::wstring locationBefore;
        std::wstring locationAfter; // "wall": the wall URL
        std::wstring label;
    } cases[] = {
        {"empty paragraph before", L"Agenda\r\r" + StoredText + L"\r", L"Agenda\r" + WordsFinalMark, L"wall", L"",
         L"Add Talvora"},
        {"empty paragraph before, text after", L"Agenda\r\r" + StoredText + L"\rNotes\r", L"Agenda\rNotes\r", L"", L"",
         L"Add Talvora"},
        {"text paragraph before", L"Agenda\r" + StoredText + L"\rNotes\r", L"Agenda\rNotes\r", L"Room 4", L"Room 4",
         L"Add Talvora"},
        {"invitation first", StoredText + L"\rNotes\r", L"Notes\r", L"wall", L"", L"Add Talvora"},
        {"no last line", L"Agenda\rDear guests\rmiddle\rend\r", L"Agenda\rDear guests\rmiddle\r\r", L"", L"",
         L"Cancel Talvora"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        Compose::signIn(Alice, StoredTemplate);
        const AppointmentWindow window(c.before);
        window.appointment.fields->location = c.locationBefore == L"wall" ? wallUrl() : c.locationBefore;
        const int invalidations = ribbon.invalidations();
        click(window);
        EXPECT_EQ(window.text(), c.after);
        EXPECT_EQ(window.appointment.fields->location, c.locationAfter == L"wall" ? wallUrl() : c.locationAfter);
        EXPECT_EQ(ribbon.invalidations(), invalidations + 1);
        EXPECT_EQ(addin.label(window.control()), c.label);
    }
    EXPECT_TRUE(servicePaths().empty());
}

TEST_F(Toggle, WithoutAnAppointmentTheButtonSaysTalvora)
{
    const Fake::Ref noItem = Fake::makeRibbonControl(Fake::makeInspector({}));
    const Fake::Ref notAnInspector = Fake::makeRibbonControl(Fake::Object::create(L"Explorer"));
    const struct {
        const char* title;
        IDispatch* control;
        VARIANT_BOOL pressed; // the host passes VARIANT_TRUE
        std::vector<std::string> log;
    } cases[] = {
        {"inspector without item", noItem.get(), VARIANT_TRUE,
         {"CurrentItem is NULL - no Appointment obtained !", "CurrentItem is NULL - no Appointment obtained !"}},
        {"context not an inspector", notAnInspector.get(), VARIANT_TRUE,
         {"CurrentItem is NULL - no Appointment obtained !", "CurrentItem is NULL - no Appointment obtained !"}},
        {"no control", nullptr, VARIANT_FALSE, {"COM error checking invitation", "Error checking invitation"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const TestSupport::LogCapture captured;
        EXPECT_EQ(addin.label(c.control), L"Talvora");
        EXPECT_EQ(addin.pressed(c.control, VARIANT_TRUE), c.pressed);
        EXPECT_EQ(captured.messages(), c.log);
    }
}

TEST(ToggleInLanguage, GermanLabelsFollowTheInvitation)
{
    TestSupport::ServiceControl service;
    service.reset();
    Compose::removeDesktopProfile();
    Compose::signIn(Alice);
    const LanguageChild::Result child = LanguageChild::run("Toggle", "de");
    Compose::signOut();
    EXPECT_EQ(child.value("label 0"), L"Talvora hinzuf\u00FCgen");
    EXPECT_EQ(child.value("label 1"), L"Talvora entfernen");
    EXPECT_EQ(child.value("label 2"), L"Talvora hinzuf\u00FCgen");
    EXPECT_NE(child.value("added").find(L"\vOnlinebesprechung: " + service.origin() + L"/wall/alice.walker\v"),
              std::wstring::npos)
        << "the German template was added";
    EXPECT_EQ(child.value("removed"), L"Agenda\r" + WordsFinalMark);
}
