// The appointment toggle as Office drives it: the button's callbacks with a ribbon control
// whose context is an inspector showing a stand-in appointment and its Word document, the
// account signed in against the stand-in service.
#include "ComposeFixture.h"
#include "Office/Ids.h"
#include "LanguageChild.h"
#include "Robot.h"

#include <gtest/gtest.h>

using Compose::AddinUnderTest;
using Compose::Alice;
using Compose::AppointmentWindow;

namespace {

const std::wstring StoredTemplate = L"Dear guests\r\nOnline Meeting: somewhere\r\nSee you";
const std::wstring StoredText = L"Dear guests\vOnline Meeting: somewhere\vSee you";

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
    EXPECT_EQ(window.text(), L"Agenda\r");
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

// Add then Cancel leaves the document and the location exactly as they were: the invitation
// goes after the user's last paragraph (never over it), behind an empty paragraph, and both go
// again, although Word keeps a document's final paragraph mark.
TEST_F(Toggle, AddThenCancelRestoresTheDocumentAndTheLocation)
{
    const struct {
        const char* title;
        std::wstring text;
        std::wstring location;
    } cases[] = {
        {"text in the last paragraph", L"Agenda\r", L""},
        {"empty body", L"\r", L""},
        {"empty last paragraph", L"Agenda\r\r", L"Room 4"},
        {"two paragraphs", L"Agenda\rNotes: bring the budget sheet\r", L"Room 4"},
    };
    Compose::signIn(Alice);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const AppointmentWindow window(c.text);
        window.appointment.fields->location = c.location;

        click(window);
        EXPECT_EQ(window.text(), c.text.substr(0, c.text.size() - 1) + L"\r\r" +
                                     Compose::aliceInvitationText(service.origin()) + L"\r");
        EXPECT_EQ(window.appointment.fields->location, c.location.empty() ? wallUrl() : c.location + L"; " + wallUrl());
        EXPECT_EQ(addin.label(window.control()), L"Cancel Talvora");

        click(window);
        EXPECT_EQ(window.text(), c.text);
        EXPECT_EQ(window.appointment.fields->location, c.location);
        EXPECT_EQ(addin.label(window.control()), L"Add Talvora");
    }
}

// The removal takes out the last block that starts with the invitation's first line and ends
// with its last line, with the empty paragraph before it, and nothing else; where no such block
// is, the document stays as it is and the toggle offers to add.
TEST_F(Toggle, RemovalTakesOutTheInvitationAndNothingElse)
{
    const std::wstring oneLine = L"Join us at http://web/wall/room";
    const std::wstring loneReturn = L"Dear guests\rOnline Meeting: somewhere\r\nSee you";
    const std::wstring loneReturnText = L"Dear guests\rOnline Meeting: somewhere\vSee you";
    const std::wstring edited = L"Dear guests\vOnline Meeting: somewhere\vBye";
    const struct {
        const char* title;
        std::wstring templateText;
        std::wstring before;
        std::wstring after; // empty: unchanged
        std::wstring labelBefore;
        std::wstring labelAfter;
    } cases[] = {
        {"invitation last, empty paragraph before", StoredTemplate, L"Agenda\r\r" + StoredText + L"\r", L"Agenda\r",
         L"Cancel Talvora", L"Add Talvora"},
        {"invitation not last", StoredTemplate, L"Agenda\r\r" + StoredText + L"\rNotes\r", L"Agenda\rNotes\r",
         L"Cancel Talvora", L"Add Talvora"},
        {"text paragraph before", StoredTemplate, L"Agenda\r" + StoredText + L"\rNotes\r", L"Agenda\rNotes\r",
         L"Cancel Talvora", L"Add Talvora"},
        {"invitation first", StoredTemplate, StoredText + L"\rNotes\r", L"Notes\r", L"Cancel Talvora", L"Add Talvora"},
        {"invitation alone", StoredTemplate, StoredText + L"\r", L"\r", L"Cancel Talvora", L"Add Talvora"},
        {"first line in the user's earlier text", StoredTemplate,
         L"Dear guests, welcome back\rAgenda: budget\r\r" + StoredText + L"\r",
         L"Dear guests, welcome back\rAgenda: budget\r", L"Cancel Talvora", L"Add Talvora"},
        {"two invitations: the last goes", StoredTemplate, L"Agenda\r\r" + StoredText + L"\r\r" + StoredText + L"\r",
         L"Agenda\r\r" + StoredText + L"\r", L"Cancel Talvora", L"Cancel Talvora"},
        {"template of one line", oneLine, L"Agenda\r\r" + oneLine + L"\r", L"Agenda\r", L"Cancel Talvora",
         L"Add Talvora"},
        {"lone carriage return: two paragraphs", loneReturn, L"Agenda\r\r" + loneReturnText + L"\rNotes\r",
         L"Agenda\rNotes\r", L"Cancel Talvora", L"Add Talvora"},
        {"last line edited, notes after", StoredTemplate, L"Agenda\r\r" + edited + L"\rNotes: bring the budget sheet\r",
         L"", L"Add Talvora", L"Add Talvora"},
        {"no later paragraph holds the last line", StoredTemplate, L"Agenda\rDear guests\rmiddle\rend\r", L"",
         L"Add Talvora", L"Add Talvora"},
        {"first line not found", StoredTemplate, L"Agenda\rNotes\r", L"", L"Add Talvora", L"Add Talvora"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        Compose::signIn(Alice, c.templateText);
        addin.object().account().load();
        const AppointmentWindow window(c.before);
        EXPECT_EQ(addin.label(window.control()), c.labelBefore);
        addin.object().removePNFooter(Office::Object(Com::ComPtr<IDispatch>(window.inspector.get()), Office::IID_Inspector));
        EXPECT_EQ(window.text(), c.after.empty() ? c.before : c.after);
        EXPECT_EQ(addin.label(window.control()), c.labelAfter);
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
    EXPECT_EQ(child.value("removed"), L"Agenda\r");
}
