#include "NCProfile.h"

#include "Base64.h"
#include "Localization.h"
#include "Log.h"
#include "TextCodec.h"

#include <json/json.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <share.h>

namespace {

// "TVZ EN.exe", kept encoded in the binary.
constexpr char DesktopAppNameBase64[] = "VFZaIEVOLmV4ZQ==";
constexpr wchar_t AppFolderName[] = L"TVZ";
constexpr wchar_t PreferencesFileName[] = L"TVZ.json";

// The desktop application's folder under a shell folder, or empty when the shell cannot name it.
std::wstring appFolder(int csidl)
{
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, folder)))
        return {};
    return std::wstring(folder) + L"\\" + AppFolderName;
}

std::wstring desktopAppName()
{
    return toUtf16(base64Decode(DesktopAppNameBase64), CP_UTF8);
}

struct FileCloser {
    void operator()(FILE* file) const noexcept { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// The whole file, or false when it cannot be opened. Shared, so that the desktop application
// may keep writing its preferences while we read them.
bool readTextFile(const std::wstring& path, std::string& content)
{
    const File file(path.empty() ? nullptr : _wfsopen(path.c_str(), L"rt", _SH_DENYNO));
    if (!file)
        return false;
    char chunk[4096];
    while (const std::size_t read = std::fread(chunk, 1, sizeof chunk, file.get()))
        content.append(chunk, read);
    return true;
}

// The preferences file is written by another program, whose versions may store a member with a
// type we do not expect (a "proxy_type" text, an object where text belongs). JsonCpp raises on
// such conversions; we read a member of the wrong type as absent instead, so that one odd
// member does not cost the user the sign-in and settings the rest of the file still holds.
// A document whose root is not an object has no members at all and is not a preferences file.
const Json::Value& member(const Json::Value& object, const char* name)
{
    if (!object.isObject())
        return Json::Value::nullSingleton();
    const Json::Value* found = object.find(name, name + std::strlen(name));
    return found ? *found : Json::Value::nullSingleton();
}

std::string textOf(const Json::Value& value)
{
    return value.isConvertibleTo(Json::stringValue) ? value.asString() : std::string();
}

int integerOf(const Json::Value& value)
{
    return value.isConvertibleTo(Json::intValue) ? value.asInt() : 0;
}

bool flagOf(const Json::Value& value)
{
    return value.isConvertibleTo(Json::booleanValue) && value.asBool();
}

// Only direct (2) and the two proxy modes are known; anything else falls back to mode 0.
int clampedProxyType(int value)
{
    return value < 0 || value >= 3 ? 0 : value;
}

bool parsePreferences(const std::string& content, Json::Value& root)
{
    try {
        Json::Reader reader;
        return reader.parse(content, root, true) && root.isObject();
    } catch (const Json::Exception&) {
        // The reader raises instead of failing on documents nested deeper than it can follow.
        return false;
    }
}

} // namespace

NCProfile::NCProfile()
{
    Load();
}

NCProfile& NCProfile::instance()
{
    static NCProfile profile;
    return profile;
}

void NCProfile::Load()
{
    TVZ_LOG("Loading creds from EXE configuration");
    if (findDesktopApp().empty()) {
        TVZ_LOG("The NC app is not installed");
        return;
    }

    const std::wstring localFolder = appFolder(CSIDL_LOCAL_APPDATA);
    const std::wstring path = localFolder.empty() ? std::wstring() : localFolder + L"\\" + PreferencesFileName;
    std::string content;
    if (!readTextFile(path, content)) {
        TVZ_LOG("Error opening preferences file " << fromUtf16OrEmpty(path, CP_THREAD_ACP).view());
        return;
    }
    Json::Value root;
    if (!parsePreferences(content, root)) {
        TVZ_LOG("Error parsing preferences file " << fromUtf16OrEmpty(path, CP_THREAD_ACP).view());
        return;
    }

    const Json::Value& identity = member(root, "identity");
    const Json::Value& connection = member(root, "connection");
    const Json::Value& cobrandSection = member(root, "cobrand");
    email = textOf(member(member(root, "hostprofile"), "email"));
    accessToken = textOf(member(identity, "access_token"));
    subscriptionId = textOf(member(identity, "subscription_id"));
    pluginLang = textOf(member(member(root, "general"), "plugin_lang"));
    proxyType = clampedProxyType(integerOf(member(connection, "proxy_type")));
    actualProxy = textOf(member(connection, "actual_proxy"));
    cobrand.id = textOf(member(cobrandSection, "id"));
    // A profile without a partner id carries no branding of its own: keep what we had.
    if (!cobrand.id.empty()) {
        cobrand.login = flagOf(member(cobrandSection, "login"));
        cobrand.sso = flagOf(member(cobrandSection, "sso"));
        cobrand.title = textOf(member(cobrandSection, "title"));
        cobrand.webSite = textOf(member(cobrandSection, "web_site"));
    }

    loaded = true;
    TVZ_LOG("Creds loaded OK");
}

void NCProfile::reload()
{
    loaded = false;
    Load();
}

std::wstring checkPathExists(const std::wstring& folder, const std::wstring& name)
{
    if (folder.empty())
        return folder;
    const std::wstring path = folder + L"\\" + name;
    TVZ_LOG("Check module path: " << fromUtf16OrEmpty(path, CP_UTF8).view());
    if (PathFileExistsW(path.c_str()))
        return path;
    TVZ_LOG("Path is missing");
    return {};
}

std::wstring findDesktopApp()
{
    const std::wstring name = desktopAppName();
    std::wstring result = checkPathExists(appFolder(CSIDL_LOCAL_APPDATA), name);
    if (result.empty())
        result = checkPathExists(appFolder(CSIDL_PROGRAM_FILES), name);
    return result;
}

std::string desktopProfileLanguage()
{
    const NCProfile& profile = NCProfile::instance();
    return profile.loaded ? profile.pluginLang : std::string();
}
