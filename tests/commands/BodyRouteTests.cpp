// The invitation in an appointment's Body, as the command-bar button adds and removes it.
#include "DocumentedIds.h"
#include "ComposeFixture.h"

#include "Office/Ids.h"

#include <gtest/gtest.h>

#include <optional>

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

// The cut starts at the last copy of the first line and ends after the first copy of the last
// line that follows the "Online Meeting:" line; without all three in that order, or without a
// first line to look for, the body stays as it is: the user's text is never cut.
TEST_F(BodyRoute, RemovalCutsTheInvitationAndNeverTheUsersText)
{
    const std::wstring startsWithBreak = L"\r\nHello all\r\nOnline Meeting: http://web/wall/room\r\nBye";
    const struct {
        const char* title;
        std::wstring before;
        std::optional<std::wstring> after; // none: unchanged
        const std::wstring* templateText = &Template;
    } cases[] = {
        {"word CRLF invitation CRLF word", L"One\r\n" + Text + L"\r\nTwo", L"One\r\nTwo"},
        {"line breaks as CRLF", L"One\r\n" + Template + L"\r\nTwo", L"One\r\nTwo"},
        {"LF before the invitation", L"One\n" + Text, L"One"},
        {"invitation only", Text, L""},
        {"no first line", L"One\r\nDial 123\vOnline Meeting: http://web/wall/room\vBye", std::nullopt},
        {"no Online Meeting line", L"One\r\nHello all\vDial 123\vBye", std::nullopt},
        {"last line only before the anchor", L"Bye now\r\nHello all\vOnline Meeting: http://web\vSee you",
         std::nullopt},
        {"first line in the user's text before", L"Hello all, welcome\r\n" + Text + L"\r\nTwo",
         L"Hello all, welcome\r\nTwo"},
        {"anchor and last line in the user's text before", L"Online Meeting: Bye\r\n" + Text + L"\r\nTwo",
         L"Online Meeting: Bye\r\nTwo"},
        {"template beginning with a line break", L"Keep this\r\n" + Text, std::nullopt, &startsWithBreak},
    };
    CAccount& account = addin.object().account();
    account.accessCode = L"4417209";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        account.invitation = Invitation(*c.templateText);
        EXPECT_TRUE(addin.object().removeInvitationFromBody(appointmentWith(c.before)));
        EXPECT_EQ(body(), c.after.value_or(c.before));
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
