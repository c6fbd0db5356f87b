// The settings dialog's account screens driven as a user would: signing in by password against
// the stand-in service, the warnings, logout, and the sign-in gate of the commands.
#include "SettingsFixture.h"
#include "UriCodec.h"

using namespace Settings;
using TestSupport::MessageBoxSeen;

namespace {

constexpr wchar_t SettingsCaption[] = L"Talvora Settings";

// The e-mail of a password sign-in as the service received it, escapes read back.
std::string sentLogin(const Json::Value& request)
{
    const std::string query = request["raw_query"].asString();
    const std::size_t end = query.rfind("&password=");
    return query.rfind("email=", 0) == 0 && end != std::string::npos ? UriDecode(query.substr(6, end - 6)) : "?";
}

} // namespace

TEST_F(SettingsDialogTest, AStoredLoginWithoutTokenOpensSignedOutWithThePasswordPlaceholder)
{
    CAccount::writeRegistryString(L"Login", L"dave@example.com");
    CAccount::writeRegistryString(L"SubscriptionId", L"30550");
    CAccount::writeRegistryString(L"AccessToken", L"");
    CAccount stored;
    stored.load();
    CSettingsDialog dialog(stored, false);
    ASSERT_EQ(dialog.mode(), CSettingsDialog::SignedOut);

    struct {
        std::wstring login, password, title, caption;
        bool loginFocused = false;
        std::vector<int> frames;
        bool facebookOffered = true;
    } seen;
    shown().then([&](Robot::Robot& r) {
        const Robot::Window settings = r.dialog();
        seen.login = settings.item(Login).text();
        seen.password = settings.item(Password).text();
        seen.loginFocused = settings.item(Login).focused();
        seen.title = settings.text();
        seen.caption = settings.item(CaptionBar).text();
        seen.frames = readLayout(settings.hwnd()).visibleFrames;
        seen.facebookOffered = settings.item(Facebook).visible() || settings.item(Separator).visible();
    });
    robot.click(Cancel);
    EXPECT_EQ(dialog.runModal(nullptr), IDCANCEL);

    EXPECT_EQ(seen.login, L"dave@example.com");
    EXPECT_EQ(seen.password, L"password");
    EXPECT_TRUE(seen.loginFocused);
    EXPECT_EQ(seen.title, SettingsCaption);
    EXPECT_EQ(seen.caption, SettingsCaption);
    EXPECT_EQ(seen.frames, std::vector<int>{LoginFrame});
    EXPECT_FALSE(seen.facebookOffered) << "no browser sign-in to continue with";
}

TEST_F(SettingsDialogTest, CredentialsThatCannotBeSentWarnSendNothingAndFocusTheirBox)
{
    const struct {
        const char* name;
        const wchar_t* login;
        const wchar_t* password;
        const wchar_t* warning;
        int focused;
    } cases[] = {
        {"login of spaces only", L"   ", L"dave1234", L"Login should not be empty", Login},
        {"no password", L"dave@example.com", L"", L"Password should not be empty", Password},
        {"password of spaces only", L"dave@example.com", L"  ", L"Password should not be empty", Password},
        // The ANSI code page (1252 here) would send "Passa" and "?mega": another password.
        {"password with a letter only best fit could map", L"dave@example.com", L"Passā",
         L"The password contains characters that cannot be sent to the server", Password},
        {"password with a letter outside the code page", L"dave@example.com", L"Ωmega",
         L"The password contains characters that cannot be sent to the server", Password},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CSettingsDialog dialog(CAccount(), false);
        std::vector<MessageBoxSeen> boxes;
        HWND settings = nullptr;
        bool focusBack = false;
        shown().then([&](Robot::Robot& r) { settings = r.dialog().hwnd(); })
            .type(Login, c.login)
            .type(Password, c.password)
            .click(Ok);
        answerBox(boxes);
        robot.then([&](Robot::Robot& r) { focusBack = r.dialog().item(c.focused).focused(); }).click(Cancel);

        EXPECT_EQ(dialog.runModal(nullptr), IDCANCEL);
        ASSERT_EQ(boxes.size(), 1u);
        expectBox(boxes[0], c.warning, SettingsCaption, settings);
        EXPECT_TRUE(focusBack);
        EXPECT_EQ(service.requests().size(), 0u);
        EXPECT_EQ(storedValue(L"Login"), L"<absent>");
    }
}

TEST_F(SettingsDialogTest, RefusedCredentialsWarnKeepTheDialogOpenAndSaveNothing)
{
    const struct {
        const char* name;
        const wchar_t* typedLogin;
        const wchar_t* password;
        const char* sentLogin;
        const wchar_t* keptLogin;
        const char* check;
    } cases[] = {
        {"wrong password", AliceLogin, L"Tea & Cake", "alice+meet@example.com", AliceLogin, "wrong-password"},
        {"leading spaces kept, trailing ones cut", L"  dave@example.com   ", L"dave1234", "  dave@example.com",
         L"  dave@example.com", "unknown-account"},
        // Blanks are the password's own: cut, "open sesame " would be taken for "open sesame".
        {"a password's trailing blank is sent", L"frank@example.com", L"open sesame ", "frank@example.com",
         L"frank@example.com", "wrong-password"},
    };
    Json::Value frank;
    frank["email"] = "frank@example.com";
    frank["password"] = "open sesame";
    frank["access_token"] = "f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff";
    frank["subscription"]["id"] = "61200";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.reset();
        service.addAccount(frank);
        CSettingsDialog dialog(CAccount(), false);
        std::vector<MessageBoxSeen> boxes;
        HWND settings = nullptr;
        bool focusBack = false;
        shown().then([&](Robot::Robot& r) { settings = r.dialog().hwnd(); })
            .type(Login, c.typedLogin)
            .type(Password, c.password)
            .click(Ok);
        answerBox(boxes);
        robot.then([&](Robot::Robot& r) { focusBack = r.dialog().item(Login).focused(); }).click(Cancel);

        EXPECT_EQ(dialog.runModal(nullptr), IDCANCEL);
        ASSERT_EQ(boxes.size(), 1u);
        expectBox(boxes[0], L"You have entered an incorrect credentials", SettingsCaption, settings);
        EXPECT_TRUE(focusBack);
        const Json::Value sent = service.requests();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0]["path"].asString(), "/api/v3/subscriptions/get_access_token");
        EXPECT_EQ(sent[0]["check"].asString(), c.check);
        EXPECT_EQ(sentLogin(sent[0]), c.sentLogin);
        EXPECT_EQ(dialog.account().login, c.keptLogin);
        EXPECT_TRUE(dialog.account().accessToken.empty());
        EXPECT_EQ(storedValue(L"Login"), L"<absent>");
    }
}

// A server that is not reached, fails (5xx) or answers something that is no answer says nothing
// about the credentials.
TEST_F(SettingsDialogTest, AServerThatCannotBeReachedGivesTheCommunicationErrorUnderTheErrorCaption)
{
    const char* faults[] = {
        R"({"path": "/api/v3/subscriptions/get_access_token", "drop": true})",
        R"({"path": "/api/v3/subscriptions/get_access_token", "status": 500})",
        R"({"path": "/api/v3/subscriptions/get_access_token", "status": 502, "body": "<html>Bad gateway</html>"})",
        R"({"path": "/api/v3/subscriptions/get_access_token", "body": "{\"retcode\": 0, \"subscription\": {"})",
    };
    for (const char* fault : faults) {
        SCOPED_TRACE(fault);
        service.reset();
        service.addSwitch(fault);
        CSettingsDialog dialog(CAccount(), false);
        std::vector<MessageBoxSeen> boxes;
        HWND settings = nullptr;
        bool stillOpen = false;
        shown().then([&](Robot::Robot& r) { settings = r.dialog().hwnd(); })
            .type(Login, AliceLogin)
            .type(Password, AlicePassword)
            .click(Ok);
        answerBox(boxes);
        robot.then([&](Robot::Robot& r) { stillOpen = r.dialog().hwnd() == settings && IsWindowVisible(settings); })
            .click(Cancel);

        EXPECT_EQ(dialog.runModal(nullptr), IDCANCEL);
        ASSERT_EQ(boxes.size(), 1u);
        expectBox(boxes[0], L"Error communicating with server. Please try again later.", L"Talvora Error", settings);
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(storedValue(L"Login"), L"<absent>");
    }
}

TEST_F(SettingsDialogTest, AcceptedCredentialsEndWithOkAndTheRegistryHoldsTheSignedInAccount)
{
    CSettingsDialog dialog(CAccount(), false);
    shown().type(Login, AliceLogin).type(Password, AlicePassword).click(Ok);

    EXPECT_EQ(dialog.runModal(nullptr), IDOK);
    EXPECT_TRUE(dialog.account().isComplete());
    EXPECT_EQ(dialog.account().accessToken, AliceToken);
    EXPECT_EQ(storedValue(L"Login"), AliceLogin);
    EXPECT_EQ(storedValue(L"AccessToken"), AliceToken);
    EXPECT_EQ(storedValue(L"SubscriptionId"), AliceSubscription);
    EXPECT_EQ(storedValue(L"MeetingUrl"), L"alice.walker");
    EXPECT_EQ(storedValue(L"Password"), L"") << "the password is never stored";
    EXPECT_EQ(service.requests()[0]["check"].asString(), "ok");
}

TEST_F(SettingsDialogTest, LogoutEmptiesTheRegistryAtOnceAndCancelKeepsItSo)
{
    ASSERT_TRUE(signedInAlice().save(true));
    CSettingsDialog dialog(signedInAlice(), false);
    ASSERT_EQ(dialog.mode(), CSettingsDialog::SignedIn);

    struct {
        std::wstring shownLogin;
        std::vector<int> framesBefore, framesAfter;
        std::wstring loginAfter, tokenAfter, subscriptionAfter;
        bool facebookOffered = true;
    } seen;
    shown().then([&](Robot::Robot& r) {
             seen.shownLogin = r.dialog().item(SignedInLogin).text();
             seen.framesBefore = readLayout(r.dialog().hwnd()).visibleFrames;
         })
        .click(Logout)
        .then([&](Robot::Robot& r) {
            seen.framesAfter = readLayout(r.dialog().hwnd()).visibleFrames;
            seen.loginAfter = storedValue(L"Login");
            seen.tokenAfter = storedValue(L"AccessToken");
            seen.subscriptionAfter = storedValue(L"SubscriptionId");
            seen.facebookOffered = r.dialog().item(Facebook).visible() || r.dialog().item(Separator).visible();
        })
        .click(Cancel);

    EXPECT_EQ(dialog.runModal(nullptr), IDCANCEL);
    EXPECT_EQ(seen.shownLogin, AliceLogin);
    EXPECT_EQ(seen.framesBefore, std::vector<int>{SignedInFrame});
    EXPECT_EQ(seen.framesAfter, std::vector<int>{LoginFrame});
    EXPECT_EQ(seen.loginAfter, L"");
    EXPECT_EQ(seen.tokenAfter, L"");
    EXPECT_EQ(seen.subscriptionAfter, L"");
    EXPECT_FALSE(seen.facebookOffered) << "the login section came back without the browser sign-in";
    CAccount after;
    after.load();
    EXPECT_FALSE(after.isComplete());
    EXPECT_EQ(storedValue(L"MeetingUrl"), L"alice.walker") << "only the credentials go";
}

TEST_F(SettingsDialogTest, EnsureLoggedInSignsInThroughTheSettingsDialog)
{
    CAccount account;
    std::wstring title;
    shown()
        .then([&](Robot::Robot& r) { title = r.dialog().text(); })
        .type(Login, AliceLogin)
        .type(Password, AlicePassword)
        .click(Ok);

    EXPECT_TRUE(account.ensureLoggedIn(true));
    EXPECT_EQ(title, SettingsCaption);
    EXPECT_TRUE(account.isComplete());
    EXPECT_EQ(account.accessToken, AliceToken);
    EXPECT_EQ(storedValue(L"AccessToken"), AliceToken);
    EXPECT_EQ(storedValue(L"Login"), AliceLogin);
}
