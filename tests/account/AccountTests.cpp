#include "Account.h"
#include "AccountTestSupport.h"
#include "Log.h"
#include "NCProfile.h"
#include "TestSupport.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace AccountTestSupport;
using TestSupport::LogCapture;

namespace {

std::string profileJson(const std::string& email, const std::string& token = "tok-profile",
                        const std::string& subscription = "sub-profile")
{
    return R"({"identity": {"subscription_id": ")" + subscription + R"(", "access_token": ")" + token +
           R"("}, "hostprofile": {"email": ")" + email +
           R"("}, "cobrand": {"id": "p7", "title": "Partner", "web_site": "https://partner.example", "sso": true, "login": false}})";
}

void storeCredentials(std::wstring_view login, std::wstring_view subscriptionId, std::wstring_view accessToken)
{
    writeString(L"Login", login);
    writeString(L"SubscriptionId", subscriptionId);
    writeString(L"AccessToken", accessToken);
}

void markMigrated()
{
    writeString(L"MigratedFromV2", L"yes");
}

// The stored REG_SZ text without its NUL; nullopt when absent, of another type or unterminated.
std::optional<std::wstring> storedText(const wchar_t* name)
{
    const auto value = readValue(name);
    if (!value || value->type != REG_SZ || value->bytes.size() < 2 || value->bytes.size() % 2)
        return std::nullopt;
    const auto* units = reinterpret_cast<const wchar_t*>(value->bytes.data());
    const std::size_t count = value->bytes.size() / 2;
    if (units[count - 1] != L'\0')
        return std::nullopt;
    return std::wstring(units, count - 1);
}

CAccount completeAccount()
{
    CAccount account;
    account.login = L"user@example.com";
    account.password = L"secret";
    account.accessToken = L"tok-1";
    account.meetingUrl = L"user.meeting";
    account.accessCode = L"123456";
    account.phoneNumber = L"+1 555 0100";
    account.tollFreeNumber = L"+1 800 0100";
    account.subscriptionId = L"sub-1";
    account.cobrand = Cobrand{"https://partner.example", "Caf\xc3\xa9", true, false, "p7"};
    account.setInvitation(L"Join the call\r\nOnline Meeting: x");
    return account;
}

class AccountTest : public testing::Test {
protected:
    void SetUp() override
    {
        deleteAddinKey();
        NCProfile::instance().reload(); // the fixture's DesktopApp has removed the files
        m_previousDialog = setSignInDialog(nullptr);
        Log::open(getLogFilePath());
    }
    void TearDown() override
    {
        Log::close();
        setSignInDialog(m_previousDialog);
        deleteAddinKey();
    }

    void installProfile(const std::string& json)
    {
        m_app.installExecutable(DesktopApp::LocalAppData);
        m_app.writePreferences(json);
        NCProfile::instance().reload();
        ASSERT_TRUE(NCProfile::instance().loaded);
    }

    DesktopApp m_app;
    LogCapture m_log;
    SignInDialog m_previousDialog = nullptr;
};

struct ValueCase {
    const char* name;
    DWORD type;
    std::vector<BYTE> bytes;
    std::optional<std::wstring> expected; // nullopt: the target is left alone
};

std::vector<BYTE> withExtraByte(std::vector<BYTE> bytes)
{
    bytes.push_back(0);
    return bytes;
}

} // namespace

TEST_F(AccountTest, StringValuesAreTakenOnlyWhenTerminatedAndSmallEnough)
{
    const std::wstring fits(2047, L'x'), tooLong(2048, L'x');
    const ValueCase cases[] = {
        {"text", REG_SZ, stringBytes(L"abc"), L"abc"},
        {"expandable, unexpanded", REG_EXPAND_SZ, stringBytes(L"%USERPROFILE%\\x"), L"%USERPROFILE%\\x"},
        {"size 0", REG_SZ, {}, L""},
        {"up to the first NUL", REG_SZ, unitBytes(std::wstring_view(L"ab\0cd\0", 6)), L"ab"},
        {"4096 bytes", REG_SZ, stringBytes(fits), fits},
        {"over 4096 bytes", REG_SZ, stringBytes(tooLong), std::nullopt},
        {"odd size", REG_SZ, withExtraByte(stringBytes(L"abc")), std::nullopt},
        {"not terminated", REG_SZ, unitBytes(L"abc"), std::nullopt},
        {"multi-string", REG_MULTI_SZ, unitBytes(std::wstring_view(L"abc\0\0", 5)), std::nullopt},
        {"binary", REG_BINARY, stringBytes(L"abc"), std::nullopt},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.name);
        writeValue(L"Probe", c.type, c.bytes);
        std::wstring target = L"previous";
        EXPECT_TRUE(CAccount::readRegistryString(L"Probe", target));
        EXPECT_EQ(target, c.expected.value_or(L"previous"));
    }

    std::wstring target = L"previous";
    EXPECT_TRUE(CAccount::readRegistryString(L"Absent", target));
    EXPECT_EQ(target, L"previous");
    deleteAddinKey();
    EXPECT_FALSE(CAccount::readRegistryString(L"Probe", target));
    EXPECT_EQ(target, L"previous");
}

TEST_F(AccountTest, MultiStringValuesGiveTheirFirstString)
{
    const ValueCase cases[] = {
        {"several strings", REG_MULTI_SZ, unitBytes(std::wstring_view(L"first\0second\0\0", 14)), L"first"},
        {"one string", REG_MULTI_SZ, unitBytes(std::wstring_view(L"only\0\0", 6)), L"only"},
        {"one unit", REG_MULTI_SZ, unitBytes(std::wstring_view(L"\0", 1)), L""},
        {"empty list", REG_MULTI_SZ, unitBytes(std::wstring_view(L"\0\0", 2)), L""},
        {"list not closed", REG_MULTI_SZ, stringBytes(L"ab"), std::nullopt},
        {"size 0", REG_MULTI_SZ, {}, std::nullopt},
        {"odd size", REG_MULTI_SZ, withExtraByte(unitBytes(std::wstring_view(L"a\0\0", 3))), std::nullopt},
        {"plain string", REG_SZ, unitBytes(std::wstring_view(L"abc\0\0", 5)), std::nullopt},
        {"over 4096 bytes", REG_MULTI_SZ, unitBytes(std::wstring(2047, L'x') + std::wstring(2, L'\0')), std::nullopt},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.name);
        writeValue(L"Probe", c.type, c.bytes);
        std::wstring target = L"previous";
        EXPECT_TRUE(CAccount::readRegistryMultiString(L"Probe", target));
        EXPECT_EQ(target, c.expected.value_or(L"previous"));
    }
    deleteAddinKey();
    std::wstring target = L"previous";
    EXPECT_FALSE(CAccount::readRegistryMultiString(L"Probe", target));
    EXPECT_EQ(target, L"previous");
}

TEST_F(AccountTest, FlagsAreDwordsOrTheDefault)
{
    const DWORD one = 1, seven = 7, zero = 0;
    const auto bytesOf = [](const void* data, std::size_t size) {
        const auto* first = static_cast<const BYTE*>(data);
        return std::vector<BYTE>(first, first + size);
    };
    const unsigned long long wide = 1;
    const struct {
        const char* name;
        DWORD type;
        std::vector<BYTE> bytes;
        std::optional<bool> expected; // nullopt: the default
    } cases[] = {
        {"one", REG_DWORD, bytesOf(&one, 4), true},
        {"seven", REG_DWORD, bytesOf(&seven, 4), true},
        {"zero", REG_DWORD, bytesOf(&zero, 4), false},
        {"text", REG_SZ, stringBytes(L"1"), std::nullopt},
        {"binary", REG_BINARY, bytesOf(&one, 4), std::nullopt},
        {"qword", REG_QWORD, bytesOf(&wide, 8), std::nullopt},
        {"short dword", REG_DWORD, bytesOf(&one, 2), std::nullopt},
    };
    for (const bool defaultValue : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (defaultValue ? ", default true" : ", default false"));
            writeValue(L"Probe", c.type, c.bytes);
            EXPECT_EQ(CAccount::readRegistryFlag(L"Probe", defaultValue), c.expected.value_or(defaultValue));
        }
        EXPECT_EQ(CAccount::readRegistryFlag(L"Absent", defaultValue), defaultValue);
    }
    deleteAddinKey();
    EXPECT_TRUE(CAccount::readRegistryFlag(L"Probe", true));
    EXPECT_FALSE(CAccount::readRegistryFlag(L"Probe", false));
}

TEST_F(AccountTest, Utf8ValuesAreConvertedAndAnAbsentValueEmptiesTheTarget)
{
    writeString(L"cobrand_title", L"Caf\u00e9");
    std::string target = "previous";
    EXPECT_TRUE(CAccount::readRegistryUtf8(L"cobrand_title", target));
    EXPECT_EQ(target, "Caf\xc3\xa9");

    target = "previous";
    EXPECT_TRUE(CAccount::readRegistryUtf8(L"Absent", target));
    EXPECT_EQ(target, "");

    deleteAddinKey();
    target = "previous";
    EXPECT_FALSE(CAccount::readRegistryUtf8(L"cobrand_title", target));
    EXPECT_EQ(target, "previous");
}

TEST_F(AccountTest, WriteRegistryStringCreatesTheKey)
{
    EXPECT_TRUE(CAccount::writeRegistryString(L"MigratedFromV2", L"yes"));
    const auto value = readValue(L"MigratedFromV2");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value->bytes, stringBytes(L"yes"));
}

TEST_F(AccountTest, SaveWritesEveryPersistedValue)
{
    CAccount account = completeAccount();
    ASSERT_TRUE(account.save(false));

    const DWORD one = 1, zero = 0;
    const auto dword = [](const DWORD& value) {
        const auto* first = reinterpret_cast<const BYTE*>(&value);
        return std::vector<BYTE>(first, first + sizeof value);
    };
    const struct {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> bytes;
    } expected[] = {
        {L"Login", REG_SZ, stringBytes(L"user@example.com")},
        {L"SubscriptionId", REG_SZ, stringBytes(L"sub-1")},
        {L"Password", REG_SZ, stringBytes(L"")},
        {L"AccessToken", REG_SZ, stringBytes(L"tok-1")},
        {L"MeetingUrl", REG_SZ, stringBytes(L"user.meeting")},
        {L"AccessCode", REG_SZ, stringBytes(L"123456")},
        {L"PhoneNumber", REG_SZ, stringBytes(L"+1 555 0100")},
        {L"cobrand_id", REG_SZ, stringBytes(L"p7")},
        {L"cobrand_title", REG_SZ, stringBytes(L"Caf\u00e9")},
        {L"cobrand_web_site", REG_SZ, stringBytes(L"https://partner.example")},
        {L"cobrand_login", REG_DWORD, dword(zero)},
        {L"cobrand_sso", REG_DWORD, dword(one)},
        {L"invitation", REG_MULTI_SZ, unitBytes(std::wstring(L"Join the call\r\nOnline Meeting: x") + L'\0' + L'\0')},
        {L"InvitationSubscriptionId", REG_SZ, stringBytes(L"sub-1")},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(fromUtf16(e.name, CP_UTF8).str());
        const auto value = readValue(e.name);
        ASSERT_TRUE(value);
        EXPECT_EQ(value->type, e.type);
        EXPECT_EQ(value->bytes, e.bytes);
    }
    EXPECT_FALSE(readValue(L"TollFreeNumber"));
    EXPECT_FALSE(readValue(L"MigratedFromV2"));
}

TEST_F(AccountTest, SaveWritesEmptyValuesToo)
{
    CAccount account;
    account.password = L"typed";
    ASSERT_TRUE(account.save(false));
    for (const wchar_t* name : {L"Login", L"SubscriptionId", L"Password", L"AccessToken", L"MeetingUrl", L"AccessCode",
                                L"PhoneNumber", L"cobrand_id", L"cobrand_title", L"cobrand_web_site"})
        EXPECT_EQ(storedText(name), L"");
    const auto invitation = readValue(L"invitation");
    ASSERT_TRUE(invitation);
    EXPECT_EQ(invitation->bytes, unitBytes(std::wstring_view(L"\0\0", 2)));
}

TEST_F(AccountTest, SaveRequiringCompletenessWritesNothingForAnIncompleteAccount)
{
    CAccount account = completeAccount();
    account.accessToken.clear();
    EXPECT_FALSE(account.save(true));
    EXPECT_FALSE(accountKeyExists());

    EXPECT_TRUE(account.save(false));
    EXPECT_EQ(storedText(L"Login"), L"user@example.com");
    EXPECT_EQ(storedText(L"AccessToken"), L"");

    account.accessToken = L"tok-2";
    EXPECT_TRUE(account.save(true));
    EXPECT_EQ(storedText(L"AccessToken"), L"tok-2");
}

TEST_F(AccountTest, LoadReadsBackWhatSaveWrote)
{
    const CAccount saved = completeAccount();
    CAccount(saved).save(false);
    markMigrated();

    CAccount loaded;
    EXPECT_TRUE(loaded.load());
    EXPECT_EQ(loaded.login, saved.login);
    EXPECT_EQ(loaded.password, L"password");
    EXPECT_EQ(loaded.accessToken, saved.accessToken);
    EXPECT_EQ(loaded.subscriptionId, saved.subscriptionId);
    EXPECT_EQ(loaded.meetingUrl, saved.meetingUrl);
    EXPECT_EQ(loaded.accessCode, saved.accessCode);
    EXPECT_EQ(loaded.phoneNumber, saved.phoneNumber);
    EXPECT_EQ(loaded.tollFreeNumber, L"");
    EXPECT_EQ(loaded.cobrand.id, saved.cobrand.id);
    EXPECT_EQ(loaded.cobrand.title, saved.cobrand.title);
    EXPECT_EQ(loaded.cobrand.webSite, saved.cobrand.webSite);
    EXPECT_EQ(loaded.cobrand.sso, saved.cobrand.sso);
    EXPECT_EQ(loaded.cobrand.login, saved.cobrand.login);
    EXPECT_EQ(loaded.invitation.source, saved.invitation.source);
    EXPECT_EQ(loaded.invitationText(), L"Join the call\vOnline Meeting: x");
    EXPECT_EQ(loaded.invitationFirstLine(), L"Join the call");
    EXPECT_EQ(loaded.invitationLastLine(), L"Online Meeting: x");
    EXPECT_TRUE(loaded.isComplete());
}

TEST_F(AccountTest, LoadTakesValuesAsStoredWithDefaultsForAbsentOnes)
{
    storeCredentials(L"user@example.com", L"sub-1", L"tok-1");
    writeString(L"MeetingUrl", L"%USERPROFILE%\\wall", REG_EXPAND_SZ);
    writeValue(L"invitation", REG_MULTI_SZ, unitBytes(std::wstring_view(L"first\r\nline\0second\0\0", 20)));
    markMigrated();

    CAccount account;
    account.accessCode = L"kept";
    account.cobrand = Cobrand{"https://old.example", "Old", true, false, "old"};
    EXPECT_TRUE(account.load());
    EXPECT_EQ(account.meetingUrl, L"%USERPROFILE%\\wall");
    EXPECT_EQ(account.accessCode, L"kept");
    EXPECT_EQ(account.invitation.source, L"first\r\nline");
    EXPECT_EQ(account.invitation.lastLine, L"line");
    EXPECT_TRUE(account.cobrand.login);
    EXPECT_FALSE(account.cobrand.sso);
    EXPECT_EQ(account.cobrand.id, "");
    EXPECT_EQ(account.cobrand.title, "");
}

TEST_F(AccountTest, UnusableValuesEmptyTheCredentialsAndLeaveOtherMembersAlone)
{
    writeValue(L"Login", REG_SZ, withExtraByte(stringBytes(L"user@example.com")));
    writeDword(L"SubscriptionId", 5);
    writeValue(L"MeetingUrl", REG_SZ, unitBytes(L"not terminated"));
    writeString(L"PhoneNumber", std::wstring(2100, L'9'));
    writeString(L"invitation", L"not a list");
    markMigrated();

    CAccount account = completeAccount();
    EXPECT_TRUE(account.load());
    EXPECT_EQ(account.login, L"");
    EXPECT_EQ(account.subscriptionId, L"");
    EXPECT_EQ(account.accessToken, L"");
    EXPECT_EQ(account.password, L"");
    EXPECT_EQ(account.meetingUrl, L"user.meeting");
    EXPECT_EQ(account.phoneNumber, L"+1 555 0100");
    EXPECT_EQ(account.invitation.source, L"Join the call\r\nOnline Meeting: x");
}

TEST_F(AccountTest, EmptyLoginWithTheKeyPresentConsultsTheDesktopProfile)
{
    storeCredentials(L"", L"sub-1", L"tok-1");
    markMigrated();
    CAccount account;
    EXPECT_TRUE(account.load());
    EXPECT_EQ(account.password, L"");
    EXPECT_FALSE(account.isComplete());
    EXPECT_FALSE(m_log.contains("Read from NC profile"));

    installProfile(profileJson("desk@example.com"));
    CAccount fromProfile;
    EXPECT_TRUE(fromProfile.load());
    EXPECT_TRUE(m_log.contains("Read from NC profile"));
    EXPECT_EQ(fromProfile.login, L"desk@example.com");
    EXPECT_EQ(fromProfile.accessToken, L"tok-profile");
    EXPECT_EQ(fromProfile.password, L"password");
    EXPECT_EQ(storedText(L"Login"), L"desk@example.com");
}

TEST_F(AccountTest, WithoutTheKeyLoadAnswersWhetherTheDesktopProfileCompletedTheAccount)
{
    CAccount nothing;
    EXPECT_FALSE(nothing.load());
    EXPECT_EQ(nothing.password, L"");
    EXPECT_FALSE(accountKeyExists());

    installProfile(profileJson("desk@example.com", ""));
    CAccount incomplete;
    EXPECT_FALSE(incomplete.load());
    EXPECT_EQ(incomplete.login, L"desk@example.com");
    EXPECT_EQ(incomplete.password, L"password");

    deleteAddinKey();
    installProfile(profileJson("desk@example.com"));
    CAccount complete;
    EXPECT_TRUE(complete.load());
    EXPECT_TRUE(complete.isComplete());
    EXPECT_EQ(complete.cobrand.id, "p7");
    EXPECT_EQ(storedText(L"AccessToken"), L"tok-profile");
}

TEST_F(AccountTest, MigrationRunsUntilTheMarkerIsExactlyYes)
{
    const struct {
        const wchar_t* marker; // null: absent
        bool migrates;
    } cases[] = {{nullptr, true}, {L"YES", true}, {L"Yes", true}, {L"yes", false}};
    installProfile(profileJson("user@example.com", "tok-profile"));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.marker ? fromUtf16(c.marker, CP_UTF8).str() : "absent"));
        deleteAddinKey();
        completeAccount().save(false);
        if (c.marker)
            writeString(L"MigratedFromV2", c.marker);

        CAccount account;
        EXPECT_TRUE(account.load());
        EXPECT_EQ(storedText(L"MigratedFromV2"), L"yes");
        // Migrating to the same user adopts the desktop record whole, meeting data included.
        EXPECT_EQ(account.accessToken, c.migrates ? L"tok-profile" : L"tok-1");
        EXPECT_EQ(account.meetingUrl, c.migrates ? L"" : L"user.meeting");
        EXPECT_EQ(account.password, L"password");
    }
}

// The desktop account of another user is neither taken nor stored: the signed-in user stays
// signed in, with the token and invitation of this record, now and at the next load.
TEST_F(AccountTest, MigrationForAnotherUserKeepsTheSignedInAccount)
{
    CAccount stored = completeAccount();
    stored.login = L"registry@example.com";
    stored.save(false);
    installProfile(profileJson("desk@example.com"));

    CAccount account;
    EXPECT_TRUE(account.load());
    CAccount next;
    EXPECT_TRUE(next.load());
    for (const CAccount* loaded : {&account, &next}) {
        EXPECT_EQ(loaded->login, L"registry@example.com");
        EXPECT_EQ(loaded->accessToken, L"tok-1");
        EXPECT_EQ(loaded->meetingUrl, L"user.meeting");
        EXPECT_EQ(loaded->invitation.source, stored.invitation.source);
    }
    EXPECT_EQ(storedText(L"Login"), L"registry@example.com");
    EXPECT_EQ(storedText(L"AccessToken"), L"tok-1");
    EXPECT_EQ(storedText(L"MigratedFromV2"), L"yes");
}

TEST_F(AccountTest, LoadFromEXEConfigTakesTheDesktopCredentialsAndSaves)
{
    CAccount untouched = completeAccount();
    untouched.loadFromEXEConfig();
    EXPECT_EQ(untouched.login, L"user@example.com");
    EXPECT_FALSE(accountKeyExists());
    EXPECT_FALSE(m_log.contains("Read from NC profile"));

    installProfile(profileJson("desk@example.com"));
    CAccount account = completeAccount();
    account.password.clear();
    account.loadFromEXEConfig();
    EXPECT_EQ(account.login, L"desk@example.com");
    EXPECT_EQ(account.password, L"password");
    EXPECT_EQ(account.accessToken, L"tok-profile");
    EXPECT_EQ(account.subscriptionId, L"sub-profile");
    EXPECT_EQ(account.cobrand.id, "p7");
    EXPECT_EQ(account.cobrand.title, "Partner");
    EXPECT_EQ(account.cobrand.webSite, "https://partner.example");
    EXPECT_TRUE(account.cobrand.sso);
    EXPECT_FALSE(account.cobrand.login);
    EXPECT_EQ(account.meetingUrl, L"user.meeting");
    EXPECT_EQ(storedText(L"Login"), L"desk@example.com");
    EXPECT_EQ(storedText(L"MeetingUrl"), L"user.meeting");
    EXPECT_TRUE(m_log.contains("Credentials loaded. Provided = 1"));

    installProfile(R"({"hostprofile": {"email": "desk@example.com"}})");
    account.loadFromEXEConfig();
    EXPECT_TRUE(m_log.contains("Credentials loaded. Provided = 0"));
    EXPECT_FALSE(account.isComplete());
}

TEST_F(AccountTest, ClearCredentialsSignsOutAndKeepsTheRest)
{
    CAccount account = completeAccount();
    account.clearCredentials();
    EXPECT_EQ(account.login, L"");
    EXPECT_EQ(account.accessCode, L"");
    EXPECT_EQ(account.subscriptionId, L"");
    EXPECT_EQ(account.accessToken, L"");
    EXPECT_EQ(account.password, L"secret");
    EXPECT_EQ(account.meetingUrl, L"user.meeting");
    EXPECT_EQ(account.phoneNumber, L"+1 555 0100");
    EXPECT_EQ(account.cobrand.id, "p7");
    EXPECT_EQ(account.invitation.source, L"Join the call\r\nOnline Meeting: x");

    EXPECT_EQ(storedText(L"Login"), L"");
    EXPECT_EQ(storedText(L"AccessToken"), L"");
    EXPECT_EQ(storedText(L"MeetingUrl"), L"user.meeting");
}

namespace {

// What the test dialog saw and what it does: a plain function, as the seam takes no closures.
struct DialogScript {
    int calls = 0;
    bool sawUpdateNotice = false;
    std::wstring sawLogin;
    bool accept = false;
    std::wstring signInAs; // with accept: the login, token and subscription the user ends with
    std::wstring subscription = L"sub-dialog";
};
DialogScript g_dialog;

bool scriptedDialog(CAccount& account, bool updateAvailable)
{
    ++g_dialog.calls;
    g_dialog.sawUpdateNotice = updateAvailable;
    g_dialog.sawLogin = account.login;
    if (g_dialog.accept) {
        account.login = g_dialog.signInAs;
        account.accessToken = g_dialog.signInAs.empty() ? L"" : L"tok-dialog";
        account.subscriptionId = g_dialog.subscription;
    }
    return g_dialog.accept;
}

class EnsureLoggedInTest : public AccountTest {
protected:
    void SetUp() override
    {
        AccountTest::SetUp();
        g_dialog = DialogScript();
        setSignInDialog(scriptedDialog);
    }
};

} // namespace

TEST_F(EnsureLoggedInTest, CompleteAccountPassesWithoutTheDialog)
{
    completeAccount().save(false);
    markMigrated();
    CAccount account;
    EXPECT_TRUE(account.ensureLoggedIn(false));
    EXPECT_EQ(g_dialog.calls, 0);
    EXPECT_EQ(account.login, L"user@example.com");
}

TEST_F(EnsureLoggedInTest, WithoutADialogAnIncompleteAccountCannotGoOn)
{
    setSignInDialog(nullptr);
    CAccount account;
    EXPECT_FALSE(account.ensureLoggedIn(false));
    EXPECT_FALSE(account.ensureLoggedIn(true));
}

TEST_F(EnsureLoggedInTest, CancelledDialogLeavesTheAccountAsLoaded)
{
    completeAccount().save(false);
    markMigrated();
    g_dialog.accept = false;
    CAccount account;
    account.invalidVersion = true;

    EXPECT_FALSE(account.ensureLoggedIn(true));
    EXPECT_EQ(g_dialog.calls, 1);
    EXPECT_TRUE(g_dialog.sawUpdateNotice);
    EXPECT_EQ(g_dialog.sawLogin, L"user@example.com");
    EXPECT_EQ(account.login, L"user@example.com");
    EXPECT_EQ(account.accessToken, L"tok-1");
    EXPECT_EQ(storedText(L"AccessToken"), L"tok-1");
}

TEST_F(EnsureLoggedInTest, AcceptedDialogHandsBackTheSignedInAccount)
{
    g_dialog.accept = true;
    g_dialog.signInAs = L"new@example.com";
    CAccount account;

    EXPECT_TRUE(account.ensureLoggedIn(false));
    EXPECT_EQ(g_dialog.calls, 1);
    EXPECT_FALSE(g_dialog.sawUpdateNotice);
    EXPECT_EQ(account.login, L"new@example.com");
    EXPECT_EQ(account.accessToken, L"tok-dialog");
    EXPECT_EQ(storedText(L"Login"), L"new@example.com");
    EXPECT_EQ(storedText(L"SubscriptionId"), L"sub-dialog");
}

TEST_F(EnsureLoggedInTest, AcceptedDialogWithAnIncompleteAccountSavesNothing)
{
    g_dialog.accept = true;
    g_dialog.signInAs = L"";
    CAccount account;

    EXPECT_TRUE(account.ensureLoggedIn(false));
    EXPECT_EQ(account.subscriptionId, L"sub-dialog");
    EXPECT_FALSE(accountKeyExists());
}

// The stored invitation holds its subscription's dial-in numbers and access code: another
// subscription signing in never gets it (a failed template fetch would put it into that
// subscription's meetings), the same one signing in again, even after a logout, keeps it.
TEST_F(EnsureLoggedInTest, AnotherSubscriptionSigningInDropsThePreviousInvitation)
{
    const struct {
        const char* title;
        bool loggedOutBefore;
        const wchar_t* subscription;
        bool kept;
    } cases[] = {
        {"same subscription", false, L"sub-1", true},
        {"another subscription", false, L"sub-2", false},
        {"same subscription after a logout", true, L"sub-1", true},
        {"another subscription after a logout", true, L"sub-2", false},
    };
    const std::wstring invitation = completeAccount().invitation.source;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        deleteAddinKey();
        CAccount stored = completeAccount();
        stored.save(false);
        if (c.loggedOutBefore)
            stored.clearCredentials();
        markMigrated();
        g_dialog = DialogScript();
        g_dialog.accept = true;
        g_dialog.signInAs = L"user@example.com";
        g_dialog.subscription = c.subscription;

        CAccount account;
        EXPECT_TRUE(account.ensureLoggedIn(true));
        EXPECT_EQ(account.subscriptionId, c.subscription);
        EXPECT_EQ(account.invitation.source, c.kept ? invitation : L"");
        CAccount next;
        next.load();
        EXPECT_EQ(next.invitation.source, c.kept ? invitation : L"");
    }
}
