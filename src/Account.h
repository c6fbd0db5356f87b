#pragma once
// CAccount: the add-in's account record and its persistence under
// HKEY_CURRENT_USER\Software\TalvoraAddIn\Account. Signed in means complete: login,
// subscription id and access token all non-empty. The password is never stored.

#include "Invitation.h"
#include "ServerResponse.h"

#include <string>

struct OnlineConfig;

// Partner branding, from the registry or the desktop application's profile (UTF-8 texts).
struct Cobrand {
    std::string webSite;
    std::string title;
    bool sso = false;
    bool login = false;
    std::string id;
};

class CAccount {
public:
    std::wstring login;
    std::wstring password; // what was typed; "password" as a placeholder after a load with a login
    std::wstring accessToken;
    Subscription subscription;
    std::wstring meetingUrl;
    std::wstring accessCode;
    std::wstring phoneNumber;
    std::wstring tollFreeNumber;
    std::wstring subscriptionId;
    Cobrand cobrand;
    Invitation invitation;
    // The subscription the invitation was fetched for: its dial-in numbers and access code are
    // that subscription's, and another one signing in never gets them.
    std::wstring invitationSubscriptionId;
    bool invalidVersion = false; // a newer add-in version is available (settings dialog notice)

    bool isComplete() const noexcept { return !login.empty() && !subscriptionId.empty() && !accessToken.empty(); }

    // Reads the registry (falling back to the desktop profile, with the one-time migration);
    // true when the key exists, else whether the desktop profile gave a complete account.
    bool load();
    // Writes every persisted value; with requireComplete nothing is written for an incomplete
    // account (false). False also when the key cannot be created.
    bool save(bool requireComplete);
    // Takes the credentials and branding of the desktop profile (when it loaded) and saves.
    void loadFromEXEConfig();
    // A template just fetched for the signed-in subscription.
    void setInvitation(std::wstring templateText);
    // Sign-out: login, access code, subscription id and access token emptied and saved.
    void clearCredentials();
    // The gate of every command that needs an account: opens the settings dialog when the
    // account is incomplete (or always, with forceDialog); true when the command may go on.
    bool ensureLoggedIn(bool forceDialog);

    // After an online version check: the mandatory-update alert (false: the user chose to
    // update, the command must not run) or the service's message to older versions.
    bool DisplayMessageIfNeeded(const OnlineConfig& config);

    std::wstring invitationText() const { return invitation.text; }
    std::wstring invitationFirstLine() const { return invitation.firstLine; }
    std::wstring invitationLastLine() const { return invitation.lastLine; }

    // Registry helpers on the account key; each opens and closes the key itself.
    // The reads answer whether the key could be opened; a value that is absent, of another
    // type, of odd size, not NUL-terminated or over 4096 bytes leaves `target` alone.
    static bool readRegistryString(const wchar_t* valueName, std::wstring& target);
    static bool readRegistryMultiString(const wchar_t* valueName, std::wstring& target);
    static bool readRegistryUtf8(const wchar_t* valueName, std::string& target);
    static bool readRegistryFlag(const wchar_t* valueName, bool defaultValue);
    static bool writeRegistryString(const wchar_t* valueName, const std::wstring& text);

    static constexpr const wchar_t* RegistryKey = L"Software\\TalvoraAddIn\\Account";

private:
    // The desktop profile's credentials and branding, without saving; false when it did not load.
    bool takeDesktopProfile();
    // Drops the invitation of a subscription other than the one signed in.
    void keepOnlyOwnInvitation();
};

// How ensureLoggedIn asks the user to sign in: runs the settings dialog modally over the active
// window on `account` (a copy of the record, with the update notice flag) and answers whether it
// ended with OK, the copy then holding the signed-in account. The settings dialog by default.
using SignInDialog = bool (*)(CAccount& account, bool updateAvailable);
// Installs the dialog (the settings dialog at start-up; tests their own); returns the previous.
SignInDialog setSignInDialog(SignInDialog dialog) noexcept;
