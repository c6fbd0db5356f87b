// The Talvora command bar and the appointment toolbar of the hosts without a ribbon: what the
// buttons look like, what their clicks do, and the user's clipboard, which building them
// leaves alone.
#include "ComposeFixture.h"

#include "FakeOffice.h"
#include "Robot.h"
#include "TextCodec.h"
#include "UrlRecorder.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <functional>

using Compose::Alice;
using Compose::DialogWatch;

namespace {

Fake::HostSpec hostOf(Fake::App app, const wchar_t* version)
{
    Fake::HostSpec host;
    host.app = app;
    host.version = version;
    return host;
}

void forEachControl(const Fake::ControlList& controls, const std::function<void(const Fake::ControlEntry&)>& visit)
{
    for (const Fake::ControlEntry& control : controls) {
        visit(control);
        forEachControl(*control.state->controls, visit);
    }
}

void forEachButton(const Fake::CommandBarSet& set, const std::function<void(const Fake::ControlState&)>& visit)
{
    for (const Fake::BarEntry& bar : set.bars)
        forEachControl(*bar.state->controls, [&](const Fake::ControlEntry& control) {
            if (control.state->type == 1)
                visit(*control.state);
        });
}

const Fake::ControlEntry& buttonTagged(const Fake::CommandBarSet& set, const std::wstring& tag)
{
    const Fake::ControlEntry* found = nullptr;
    for (const Fake::BarEntry& bar : set.bars)
        forEachControl(*bar.state->controls, [&](const Fake::ControlEntry& control) {
            if (control.state->tag == tag)
                found = &control;
        });
    if (!found)
        throw std::runtime_error("no button with this tag");
    return *found;
}

// The settings dialog's button that closes it while an account is signed in.
constexpr int SignedInCancel = 322;

// The user's clipboard: a text and a format of some other program.
const std::wstring CopiedText = L"copied by the user \x00e9\x4e2d";
const char CopiedBytes[] = "another program's data";

UINT otherFormat()
{
    return RegisterClipboardFormatW(L"Talvora test: another program's format");
}

HGLOBAL globalCopy(const void* data, std::size_t size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(memory), data, size);
    GlobalUnlock(memory);
    return memory;
}

void copyAsTheUser()
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, globalCopy(CopiedText.c_str(), (CopiedText.size() + 1) * sizeof(wchar_t)));
    SetClipboardData(otherFormat(), globalCopy(CopiedBytes, sizeof CopiedBytes));
    CloseClipboard();
}

struct ClipboardSeen {
    std::wstring text;
    std::string other;
    bool bitmap = false;
};

ClipboardSeen clipboard()
{
    ClipboardSeen seen;
    if (!OpenClipboard(nullptr))
        return seen;
    if (const HANDLE text = GetClipboardData(CF_UNICODETEXT)) {
        seen.text = static_cast<const wchar_t*>(GlobalLock(text));
        GlobalUnlock(text);
    }
    if (const HANDLE other = GetClipboardData(otherFormat())) {
        seen.other = static_cast<const char*>(GlobalLock(other));
        GlobalUnlock(other);
    }
    seen.bitmap = IsClipboardFormatAvailable(CF_BITMAP) != FALSE;
    CloseClipboard();
    return seen;
}

class CommandBars : public Compose::ComposeTest {
protected:
    void connectTo(Fake::App app, const wchar_t* version, Fake::ButtonOptions buttons = {})
    {
        office = Fake::Office::build(hostOf(app, version));
        office.bars->buttons = buttons;
        ASSERT_EQ(addin.connect(static_cast<IDispatch*>(office.application.get())), S_OK);
    }
    const Fake::ControlEntry& mainButton(const std::wstring& tag) const { return buttonTagged(*office.bars, tag); }

    Fake::Office office;
    Compose::AddinUnderTest addin;
};

} // namespace

TEST_F(CommandBars, TheMainBarCarriesTheFourCommandsWithTheirFaces)
{
    connectTo(Fake::App::Word, L"11.0");
    ASSERT_EQ(office.bars->bars.size(), 1u);
    const Fake::BarEntry& bar = office.bars->bars[0];
    EXPECT_EQ(bar.state->name, L"Talvora");
    EXPECT_EQ(bar.state->position, 1);
    EXPECT_TRUE(bar.state->temporary);
    EXPECT_EQ(bar.object->calls(), (std::vector<std::wstring>{L"Controls", L"Enabled=", L"Visible="}));

    const Fake::ControlList& controls = *bar.state->controls;
    ASSERT_EQ(controls.size(), 2u);
    const Fake::ControlState& popup = *controls[1].state;
    EXPECT_EQ(popup.type, 10);
    EXPECT_EQ(popup.caption, L"Talvora");
    EXPECT_EQ(popup.tag, L"");
    EXPECT_TRUE(popup.temporary && popup.enabled && popup.visible);

    const struct {
        const wchar_t* tag;
        const wchar_t* caption;
    } buttons[] = {{L"tvzmeetNow", L"Meet Now"},
                   {L"tvzopenYourWall", L"Open Your Wall"},
                   {L"tvzscheduleMeeting", L"Schedule a Meeting"},
                   {L"tvzsettings", L"Settings"}};
    for (const auto& expected : buttons) {
        const Fake::ControlState& button = *mainButton(expected.tag).state;
        SCOPED_TRACE(std::string(expected.tag, expected.tag + wcslen(expected.tag)));
        EXPECT_EQ(button.caption, expected.caption);
        EXPECT_EQ(button.style, 3) << "icon and caption";
        EXPECT_TRUE(button.temporary && button.enabled && button.visible);
        EXPECT_EQ(button.parameter, L"");
        EXPECT_FALSE(button.beginGroup);
        EXPECT_EQ(button.faceId, 0) << "no face id is set";
        EXPECT_EQ(button.pictureType, PICTYPE_BITMAP);
        EXPECT_EQ(button.maskType, PICTYPE_BITMAP);
        EXPECT_EQ(button.pictureSize.cx, 16);
        EXPECT_EQ(button.pictureSize.cy, 16);
        EXPECT_EQ(button.pastes, 0);
        EXPECT_TRUE(button.maskCornerWhite) << "the background is transparent";
        EXPECT_GT(button.maskBlackPixels, 0) << "the picture shows";
        EXPECT_LT(button.maskBlackPixels, 16 * 16);
    }
}

// Turned off by the user, the add-in takes its bar away: a host that runs on keeps no dead
// buttons, and the next connection builds the bar again under the same name.
TEST_F(CommandBars, TheUserTurningTheAddinOffRemovesItsBar)
{
    connectTo(Fake::App::Word, L"11.0");
    ASSERT_EQ(addin.disconnect(ext_dm_UserClosed), S_OK);
    EXPECT_TRUE(office.bars->bars.empty());

    ASSERT_EQ(addin.connect(static_cast<IDispatch*>(office.application.get())), S_OK);
    ASSERT_EQ(office.bars->bars.size(), 1u);
    EXPECT_EQ(Fake::clickSinks(mainButton(L"tvzsettings")), 1u);

    ASSERT_EQ(addin.disconnect(ext_dm_HostShutdown), S_OK);
    EXPECT_EQ(office.bars->bars.size(), 1u) << "the host closes its temporary bars itself";
    EXPECT_EQ(Fake::clickSinks(mainButton(L"tvzsettings")), 0u);
}

// Picture and Mask leave the clipboard alone; where the buttons lack them (Office 2000) the
// face goes through the clipboard, which gets the user's content back afterwards.
TEST_F(CommandBars, TheUsersClipboardIsTheSameAfterTheButtonsAreBuilt)
{
    for (const bool withoutPicture : {false, true}) {
        SCOPED_TRACE(withoutPicture ? "PasteFace" : "Picture and Mask");
        copyAsTheUser();
        connectTo(Fake::App::Word, L"11.0", {withoutPicture, S_OK});

        const ClipboardSeen after = clipboard();
        EXPECT_EQ(after.text, CopiedText);
        EXPECT_EQ(after.other, CopiedBytes);
        EXPECT_FALSE(after.bitmap);
        int buttons = 0;
        forEachButton(*office.bars, [&](const Fake::ControlState& button) {
            ++buttons;
            EXPECT_EQ(button.pastes, withoutPicture ? 1 : 0) << button.tag;
            EXPECT_EQ(button.pastedBitmap, withoutPicture) << button.tag;
            EXPECT_EQ(button.pictureType, withoutPicture ? 0 : PICTYPE_BITMAP) << button.tag;
        });
        EXPECT_EQ(buttons, 4);
        EXPECT_EQ(log.contains("Button picture through PasteFace, Picture and Mask failed: 0x80020006"), withoutPicture);
        addin.disconnect();
    }
}

// A format the add-in cannot copy (here one of the private range, whose handle only its owner
// understands) would be lost by lending the clipboard: the buttons then go without a picture.
TEST_F(CommandBars, AClipboardThatCannotBePutBackIsNotLent)
{
    copyAsTheUser();
    ASSERT_TRUE(OpenClipboard(nullptr));
    SetClipboardData(CF_PRIVATEFIRST, globalCopy(CopiedBytes, sizeof CopiedBytes));
    CloseClipboard();
    connectTo(Fake::App::Word, L"11.0", {true, S_OK});

    const ClipboardSeen after = clipboard();
    EXPECT_EQ(after.text, CopiedText);
    EXPECT_EQ(after.other, CopiedBytes);
    EXPECT_FALSE(after.bitmap);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_PRIVATEFIRST));
    forEachButton(*office.bars, [&](const Fake::ControlState& button) { EXPECT_EQ(button.pastes, 0) << button.tag; });
    EXPECT_TRUE(log.contains("The clipboard holds data that cannot be put back: the button stays without picture"));
    addin.disconnect();
}

// A failed command-bar call ends the connection (logged, S_OK); the clipboard lent to PasteFace
// comes back even then.
TEST_F(CommandBars, AFailedBarCallEndsTheConnectionQuietly)
{
    copyAsTheUser();
    connectTo(Fake::App::Word, L"11.0", {true, E_FAIL});
    EXPECT_TRUE(log.contains("OnConnection error happened !!!"));
    EXPECT_EQ(Fake::describe(*office.bars), L"Talvora{|}(hidden)") << "nothing after the failed PasteFace";
    const ClipboardSeen after = clipboard();
    EXPECT_EQ(after.text, CopiedText);
    EXPECT_EQ(after.other, CopiedBytes);
    addin.disconnect();

    office = Fake::Office::build(hostOf(Fake::App::Word, L"11.0"));
    office.commandBars->fail(L"Add", E_ACCESSDENIED);
    const Compose::AddinUnderTest second;
    EXPECT_EQ(second.connect(static_cast<IDispatch*>(office.application.get())), S_OK);
    EXPECT_TRUE(office.bars->bars.empty());
}

// Meet Now, the wall and Schedule a Meeting run without the version check; Settings checks the
// version first, then opens the settings dialog.
TEST_F(CommandBars, EachButtonRunsItsCommand)
{
    Compose::signIn(Alice);
    connectTo(Fake::App::Outlook, L"11.0.8303");
    const auto configDownloads = [&] {
        const auto paths = servicePaths();
        return std::count(paths.begin(), paths.end(), std::string("/desktopApp/config.xml"));
    };
    {
        DialogWatch watch(/*dismissUnexpected=*/true);
        Fake::click(mainButton(L"tvzmeetNow"));
        ASSERT_EQ(watch.shown().size(), 1u) << "no desktop application: the download is offered";
        EXPECT_EQ(watch.shown()[0].text, L"Talvora application not installed. Do you want to download and install it ?");
    }
    {
        const TestSupport::UrlRecorder browser(/*takeHttp=*/true);
        Fake::click(mainButton(L"tvzopenYourWall"));
        const auto opened = browser.opened(1);
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0].rfind(fromUtf16(service.origin() + L"/nc_login?security_token=", CP_UTF8).str(), 0), 0u)
            << opened[0];
    }
    {
        DialogWatch watch(/*dismissUnexpected=*/true);
        Fake::click(mainButton(L"tvzscheduleMeeting"));
        ASSERT_EQ(office.items->created.size(), 1u);
        EXPECT_EQ(office.items->created[0].fields->body, Compose::aliceInvitationText(service.origin()));
        EXPECT_TRUE(watch.shown().empty());
    }
    EXPECT_EQ(configDownloads(), 0);

    Robot::Robot robot;
    robot.waitUntil([](Robot::Robot& r) { return r.dialog().item(SignedInCancel).visible(); }, "the settings dialog")
        .click(SignedInCancel);
    Fake::click(mainButton(L"tvzsettings"));
    EXPECT_TRUE(robot.scriptDone());
    EXPECT_EQ(configDownloads(), 1);
}

TEST_F(CommandBars, AButtonWhoseHostObjectIsGoneDisconnectsQuietly)
{
    connectTo(Fake::App::Word, L"11.0");
    const Fake::ControlEntry& button = mainButton(L"tvzscheduleMeeting");
    ASSERT_EQ(Fake::clickSinks(button), 1u);
    button.object->fail(L"Tag", 0x800A01A8);
    DialogWatch watch(/*dismissUnexpected=*/true);
    Fake::click(button);
    EXPECT_EQ(Fake::clickSinks(button), 0u);
    EXPECT_TRUE(watch.shown().empty());
    EXPECT_TRUE(servicePaths().empty()) << "no command ran";
    EXPECT_EQ(Fake::clickSinks(mainButton(L"tvzsettings")), 1u) << "the other buttons still listen";
}

// --- The appointment toolbar of Outlook 2003 ------------------------------------------------

namespace {

const std::wstring StoredTemplate = L"Dear guests\r\nOnline Meeting: http://web/wall/alice\r\nSee you";
const std::wstring StoredText = L"Dear guests\vOnline Meeting: http://web/wall/alice\vSee you";

} // namespace

TEST_F(CommandBars, EveryAppointmentWindowGetsItsOwnButtonInTheStateOfItsBody)
{
    Compose::signIn(Alice, StoredTemplate);
    connectTo(Fake::App::Outlook, L"11.0.8303");
    const Fake::OpenedAppointment carrying = office.openAppointment(L"Agenda\r\n" + StoredText);
    const Fake::OpenedAppointment plain = office.openAppointment(L"Agenda");
    EXPECT_EQ(Fake::describe(*carrying.bars), L"Talvora Appointment{Cancel Talvora|tvzaddParleon_0|true}");
    EXPECT_EQ(Fake::describe(*plain.bars), L"Talvora Appointment{Add Talvora|tvzaddParleon_1|false}");
    const Fake::ControlState& button = *plain.bars->bars[0].state->controls->at(0).state;
    EXPECT_EQ(button.style, 3);
    EXPECT_EQ(button.pictureType, PICTYPE_BITMAP);
    EXPECT_TRUE(plain.bars->bars[0].state->temporary);
    EXPECT_TRUE(servicePaths().empty()) << "opening a window asks the service nothing";
}

TEST_F(CommandBars, TheToolbarButtonAddsTheInvitationAndTakesItOutAgain)
{
    Compose::signIn(Alice);
    connectTo(Fake::App::Outlook, L"11.0.8303");
    const Fake::OpenedAppointment window = office.openAppointment(L"Agenda\r\n");
    const Fake::ControlEntry& button = buttonTagged(*window.bars, L"tvzaddParleon_0");
    DialogWatch watch(/*dismissUnexpected=*/true);

    Fake::click(button);
    EXPECT_EQ(window.appointment.fields->body, L"Agenda\r\n" + Compose::aliceInvitationText(service.origin()));
    EXPECT_EQ(button.state->caption, L"Cancel Talvora");
    EXPECT_EQ(button.state->parameter, L"true");
    EXPECT_TRUE(log.contains("value=false"));

    Fake::click(button);
    EXPECT_EQ(window.appointment.fields->body, L"Agenda");
    EXPECT_EQ(button.state->caption, L"Add Talvora");
    EXPECT_EQ(button.state->parameter, L"false");
    EXPECT_TRUE(log.contains("value=true"));
    EXPECT_TRUE(watch.shown().empty());
}

TEST_F(CommandBars, ARemovalAfterTheInvitationWasEditedLeavesTheBodyAndSwitchesToAdd)
{
    Compose::signIn(Alice);
    connectTo(Fake::App::Outlook, L"11.0.8303");
    const Fake::OpenedAppointment window = office.openAppointment(L"Agenda");
    const Fake::ControlEntry& button = buttonTagged(*window.bars, L"tvzaddParleon_0");
    Fake::click(button);
    std::wstring& body = window.appointment.fields->body;
    body.replace(body.find(L"Online Meeting:"), 15, L"Join online:");
    const std::wstring edited = body;

    Fake::click(button);
    EXPECT_EQ(body, edited);
    EXPECT_EQ(button.state->caption, L"Add Talvora");
    EXPECT_EQ(button.state->parameter, L"false");
}

TEST_F(CommandBars, AFailedRequestOrAFailingAppointmentChangesNothing)
{
    Compose::signIn(Alice);
    connectTo(Fake::App::Outlook, L"11.0.8303");
    const Fake::OpenedAppointment window = office.openAppointment(L"Agenda");
    const Fake::ControlEntry& button = buttonTagged(*window.bars, L"tvzaddParleon_0");
    {
        // The service refuses the template: the warning, then the settings dialog, cancelled.
        service.addSwitch(R"({"path": "/api/v3/subscriptions/48213/invites", "body": "{\"retcode\": 4}"})");
        Robot::Robot robot;
        robot.waitUntil([](Robot::Robot& r) { return r.dialog().item(SignedInCancel).visible(); }, "the settings dialog")
            .click(SignedInCancel);
        DialogWatch watch(/*dismissUnexpected=*/true);
        Fake::click(button);
        EXPECT_TRUE(robot.scriptDone());
        EXPECT_EQ(window.appointment.fields->body, L"Agenda");
        EXPECT_EQ(button.state->caption, L"Add Talvora");
        EXPECT_EQ(button.state->parameter, L"false");
    }
    service.reset();
    {
        window.appointment.object->raise(L"Body", E_FAIL, L"The item has been moved or deleted.");
        DialogWatch watch(/*dismissUnexpected=*/true);
        Fake::click(button);
        ASSERT_EQ(watch.shown().size(), 1u);
        EXPECT_EQ(watch.shown()[0].text, L"Error in Talvora Office Addin");
        EXPECT_EQ(watch.shown()[0].caption, L"Talvora Office Addin");
        EXPECT_EQ(button.state->caption, L"Add Talvora");
        EXPECT_TRUE(log.contains("COM Error: 0x80004005")) << log.text();
    }
}
