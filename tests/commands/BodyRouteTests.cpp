// The invitation in an appointment's Body, as the command-bar button adds and removes it.
#include "DocumentedIds.h"
#include "ComposeFixture.h"

#include "Office/Ids.h"

#include <gtest/gtest.h>

using Compose::Alice;

namespace {

const std::wstring Template = L"Hello all\r\nDial 123\r\nOnline Meeting: http://web/wall/room\r\nBye";
const std::wstring Text = L"Hello all\vDial 123\vOnline Meeting: http://web/wall/room\vBye";

class BodyRoute : public Compose::ComposeTest {
protected:
    Office::Object appointmentWith(const std::wstring& body) const
    {
        m_appointment.fields->body = body;
        return Office::Object(Com::ComPtr<IDispatch>(m_appointment.object.get()), Documented::IID_AppointmentItem);
    }
    std::wstring body() const { return m_appointment.fields->body; }

    Compose::AddinUnderTest addin;

private:
    Fake::Appointment m_appointment = Fake::Appointment::create();
};

} // namespace

TEST_F(BodyRoute, RemovalCutsFromTheFirstLineToTheLastLineAfterTheOnlineMeetingLine)
{
    const struct {
        const char* title;
        std::wstring before;
        std::wstring after;
    } cases[] = {
        {"word CRLF invitation CRLF word", L"One\r\n" + Text + L"\r\nTwo", L"One\r\nTwo"},
        {"line breaks as CRLF", L"One\r\n" + Template + L"\r\nTwo", L"One\r\nTwo"},
        {"LF before the invitation", L"One\n" + Text, L"One"},
        {"invitation only", Text, L""},
        {"no first line", L"One\r\nDial 123\vOnline Meeting: http://web/wall/room\vBye", L"One\r\nDial 123\vOnline Meeting: http://web/wall/room\vBye"},
        {"no Online Meeting line", L"One\r\nHello all\vDial 123\vBye", L"One\r\nHello all\vDial 123\vBye"},
        {"last line only before the anchor", L"Bye now\r\nHello all\vOnline Meeting: http://web\vSee you",
         L"Bye now\r\nHello all\vOnline Meeting: http://web\vSee you"},
    };
    CAccount& account = addin.object().account();
    account.invitation = Invitation(Template);
    account.accessCode = L"4417209";
    for (const auto& c : cases) {
        EXPECT_TRUE(addin.object().removeInvitationFromBody(appointmentWith(c.before))) << c.title;
        EXPECT_EQ(body(), c.after) << c.title;
    }
    EXPECT_TRUE(servicePaths().empty());
}

TEST_F(BodyRoute, AddingAppendsTheFreshInvitationAndRemovingTakesItOutAgain)
{
    Compose::signIn(Alice);
    const Office::Object appointment = appointmentWith(L"Agenda");
    ASSERT_TRUE(addin.object().addInvitationToBody(appointment));
    EXPECT_EQ(body(), L"Agenda" + Compose::aliceInvitationText(service.origin()));
    EXPECT_EQ(servicePaths(), (std::vector<std::string>{"/api/v3/subscriptions/48213",
                                                        "/api/v3/subscriptions/48213/invites/email_template?locale=en"}));

    ASSERT_TRUE(addin.object().removeInvitationFromBody(appointment));
    EXPECT_EQ(body(), L"Agenda");
    EXPECT_EQ(servicePaths().size(), 2u) << "the subscription brought the access code: no new fetch";
}

TEST_F(BodyRoute, WithoutAnAccessCodeTheTemplateIsFetchedBeforeTheRemoval)
{
    Compose::signIn(Alice);
    const Office::Object appointment =
        appointmentWith(L"One\r\n" + Compose::aliceInvitationText(service.origin()) + L"\r\nTwo");
    ASSERT_TRUE(addin.object().removeInvitationFromBody(appointment));
    EXPECT_EQ(body(), L"One\r\nTwo");
    EXPECT_EQ(servicePaths(), std::vector<std::string>{"/api/v3/subscriptions/48213/invites/email_template?locale=en"});
}
