#include "Account.h"

#include "Log.h"
#include "NCProfile.h"
#include "TextCodec.h"
#include "UI/SettingsDialog.h"
#include "Win/RegKey.h"

#include <cwchar>
#include <utility>

namespace {

SignInDialog s_signInDialog = &runSettingsDialog;

constexpr wchar_t PasswordPlaceholder[] = L"password";
constexpr wchar_t MigratedMarker[] = L"MigratedFromV2";
constexpr wchar_t MigratedValue[] = L"yes";
constexpr wchar_t InvitationOwnerValue[] = L"InvitationSubscriptionId";

// One value as the registry returned it, into a fixed buffer: anything larger fails the query
// and so is never taken.
struct RegistryData {
    static constexpr DWORD Capacity = 4096;
    DWORD type = REG_NONE;
    DWORD size = 0;
    wchar_t units[Capacity / sizeof(wchar_t)] = {};

    DWORD unitCount() const noexcept { return size / sizeof(wchar_t); }
    bool evenSize() const noexcept { return size % sizeof(wchar_t) == 0; }
    bool unitIsNul(DWORD index) const noexcept { return units[index] == L'\0'; }
    // The text up to the first NUL.
    std::wstring firstString() const { return std::wstring(units, wcsnlen(units, unitCount())); }
};

bool queryValue(HKEY key, const wchar_t* valueName, RegistryData& data)
{
    data.size = RegistryData::Capacity;
    return RegQueryValueExW(key, valueName, nullptr, &data.type, reinterpret_cast<BYTE*>(data.units), &data.size) ==
           ERROR_SUCCESS;
}

LONG openAccountKey(Win::RegKey& key)
{
    return key.open(HKEY_CURRENT_USER, CAccount::RegistryKey, KEY_READ);
}

LONG createAccountKey(Win::RegKey& key)
{
    return key.create(HKEY_CURRENT_USER, CAccount::RegistryKey, KEY_READ | KEY_WRITE);
}

// Strings are stored with their terminating NUL counted in the size.
LONG setString(HKEY key, const wchar_t* valueName, const std::wstring& text)
{
    return RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// A list of the one string: the text, its NUL and the NUL that ends the list.
LONG setSingleMultiString(HKEY key, const wchar_t* valueName, const std::wstring& text)
{
    const std::wstring list = text + L'\0';
    return RegSetValueExW(key, valueName, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.c_str()),
                          static_cast<DWORD>((list.size() + 1) * sizeof(wchar_t)));
}

LONG setFlag(HKEY key, const wchar_t* valueName, bool flag)
{
    const DWORD value = flag ? 1 : 0;
    return RegSetValueExW(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

std::wstring utf16FromUtf8(const std::string& text)
{
    return toUtf16(text, CP_UTF8);
}

// The preferences file is JSON, which is UTF-8: read as the ANSI code page, an e-mail with a
// letter outside ASCII would be stored garbled and could never sign in again.
std::wstring fromProfileText(const std::string& text)
{
    return toUtf16(text, CP_UTF8);
}

// The settings dialog shows a filled password box for a known user; the password itself is
// never stored.
std::wstring passwordPlaceholderFor(const std::wstring& login)
{
    return login.empty() ? std::wstring() : PasswordPlaceholder;
}

} // namespace

SignInDialog setSignInDialog(SignInDialog dialog) noexcept
{
    const SignInDialog previous = s_signInDialog;
    s_signInDialog = dialog;
    return previous;
}

bool CAccount::readRegistryString(const wchar_t* valueName, std::wstring& target)
{
    Win::RegKey key;
    if (openAccountKey(key) != ERROR_SUCCESS)
        return false;
    RegistryData data;
    if (!queryValue(key.get(), valueName, data) || (data.type != REG_SZ && data.type != REG_EXPAND_SZ))
        return true;
    if (data.size == 0)
        target.clear();
    else if (data.evenSize() && data.unitIsNul(data.unitCount() - 1))
        target = data.firstString();
    return true;
}

bool CAccount::readRegistryMultiString(const wchar_t* valueName, std::wstring& target)
{
    Win::RegKey key;
    if (openAccountKey(key) != ERROR_SUCCESS)
        return false;
    RegistryData data;
    if (!queryValue(key.get(), valueName, data) || data.type != REG_MULTI_SZ || !data.evenSize())
        return true;
    const DWORD units = data.unitCount();
    if (units >= 1 && data.unitIsNul(units - 1) && (units == 1 || data.unitIsNul(units - 2)))
        target = data.firstString();
    return true;
}

bool CAccount::readRegistryUtf8(const wchar_t* valueName, std::string& target)
{
    std::wstring text;
    if (!readRegistryString(valueName, text))
        return false;
    target = fromUtf16(text, CP_UTF8);
    return true;
}

bool CAccount::readRegistryFlag(const wchar_t* valueName, bool defaultValue)
{
    Win::RegKey key;
    if (openAccountKey(key) != ERROR_SUCCESS)
        return defaultValue;
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG status = RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    // A shorter REG_DWORD would leave part of the number unwritten: not a flag we can trust.
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return defaultValue;
    return value != 0;
}

bool CAccount::writeRegistryString(const wchar_t* valueName, const std::wstring& text)
{
    Win::RegKey key;
    return createAccountKey(key) == ERROR_SUCCESS && setString(key.get(), valueName, text) == ERROR_SUCCESS;
}

bool CAccount::load()
{
    std::wstring storedLogin, storedSubscriptionId, storedAccessToken;
    const bool keyExists = readRegistryString(L"Login", storedLogin) &&
                           readRegistryString(L"SubscriptionId", storedSubscriptionId) &&
                           readRegistryString(L"AccessToken", storedAccessToken);
    if (!keyExists) {
        loadFromEXEConfig();
        password = passwordPlaceholderFor(login);
        return isComplete();
    }

    login = storedLogin;
    subscriptionId = storedSubscriptionId;
    accessToken = storedAccessToken;
    readRegistryString(L"MeetingUrl", meetingUrl);
    readRegistryString(L"AccessCode", accessCode);
    readRegistryString(L"PhoneNumber", phoneNumber);
    readRegistryUtf8(L"cobrand_id", cobrand.id);
    readRegistryUtf8(L"cobrand_title", cobrand.title);
    readRegistryUtf8(L"cobrand_web_site", cobrand.webSite);
    cobrand.login = readRegistryFlag(L"cobrand_login", true);
    cobrand.sso = readRegistryFlag(L"cobrand_sso", false);
    std::wstring storedInvitation;
    readRegistryMultiString(L"invitation", storedInvitation);
    if (!storedInvitation.empty())
        invitation = Invitation(storedInvitation);
    std::wstring owner;
    readRegistryString(InvitationOwnerValue, owner);
    // Stored before the owner was: it came with the subscription stored beside it.
    invitationSubscriptionId = owner.empty() && !storedInvitation.empty() ? subscriptionId : owner;

    // Once per user profile the desktop application's account is merged in, so that users who
    // signed in there before this version of the add-in do not have to sign in again. Only the
    // same user's desktop account is taken (and saved): another user's would sign this one out.
    std::wstring migrated;
    readRegistryString(MigratedMarker, migrated);
    bool adopted = false;
    if (migrated != MigratedValue) {
        writeRegistryString(MigratedMarker, MigratedValue);
        CAccount fresh;
        if (fresh.takeDesktopProfile() && fresh.isComplete() && fresh.login == login) {
            *this = fresh;
            save(false);
            adopted = true;
        }
    }

    if (!adopted) {
        if (!isComplete())
            loadFromEXEConfig();
        password = passwordPlaceholderFor(login);
    }
    keepOnlyOwnInvitation();
    return true;
}

bool CAccount::save(bool requireComplete)
{
    if (requireComplete && !isComplete())
        return false;
    Win::RegKey key;
    if (createAccountKey(key) != ERROR_SUCCESS)
        return false;

    // Each value stands on its own; one that cannot be written must not cost us the others.
    const HKEY k = key.get();
    setString(k, L"Login", login);
    setString(k, L"SubscriptionId", subscriptionId);
    setString(k, L"Password", std::wstring());
    setString(k, L"AccessToken", accessToken);
    setString(k, L"MeetingUrl", meetingUrl);
    setString(k, L"AccessCode", accessCode);
    setString(k, L"PhoneNumber", phoneNumber);
    setString(k, L"cobrand_id", utf16FromUtf8(cobrand.id));
    setString(k, L"cobrand_title", utf16FromUtf8(cobrand.title));
    setString(k, L"cobrand_web_site", utf16FromUtf8(cobrand.webSite));
    setFlag(k, L"cobrand_login", cobrand.login);
    setFlag(k, L"cobrand_sso", cobrand.sso);
    setSingleMultiString(k, L"invitation", invitation.source);
    setString(k, InvitationOwnerValue, invitationSubscriptionId);
    return true;
}

void CAccount::loadFromEXEConfig()
{
    if (takeDesktopProfile())
        save(false);
}

void CAccount::setInvitation(std::wstring templateText)
{
    invitation = Invitation(std::move(templateText));
    invitationSubscriptionId = subscriptionId;
}

void CAccount::keepOnlyOwnInvitation()
{
    if (subscriptionId.empty() || invitationSubscriptionId == subscriptionId)
        return; // signed out, the invitation waits for its subscription to sign in again
    if (!invitation.source.empty())
        TVZ_LOG("Invitation of another subscription dropped");
    invitation = Invitation();
    invitationSubscriptionId = subscriptionId;
}

bool CAccount::takeDesktopProfile()
{
    const NCProfile& profile = NCProfile::instance();
    if (!profile.loaded)
        return false;
    TVZ_LOG("Read from NC profile");
    login = fromProfileText(profile.email);
    password = PasswordPlaceholder;
    accessToken = fromProfileText(profile.accessToken);
    subscriptionId = fromProfileText(profile.subscriptionId);
    cobrand = profile.cobrand;
    TVZ_LOG("Credentials loaded. Provided = " << (isComplete() ? 1 : 0));
    return true;
}

void CAccount::clearCredentials()
{
    login.clear();
    accessCode.clear();
    subscriptionId.clear();
    accessToken.clear();
    save(false);
}

bool CAccount::ensureLoggedIn(bool forceDialog)
{
    load();
    if (!forceDialog && isComplete())
        return true;
    if (!s_signInDialog)
        return false;
    CAccount edited = *this;
    if (!s_signInDialog(edited, invalidVersion))
        return false;
    *this = edited;
    keepOnlyOwnInvitation();
    save(true);
    return true;
}
