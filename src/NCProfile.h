#pragma once
// The Talvora desktop application's preferences ("TVZ.json" in its folder under the local
// application data), read to reuse its sign-in, proxy, language and partner branding.

#include "Account.h"

#include <string>

class NCProfile {
public:
    // The process-wide profile; the first call loads it.
    static NCProfile& instance();

    // Reads the preferences file into the members; `loaded` tells whether it parsed.
    void Load();
    // `loaded` = false, then Load(): picks up the desktop application's current settings.
    void reload();

    std::string subscriptionId;
    std::string accessToken;
    std::string email;
    std::string pluginLang;
    int proxyType = 1; // 2: direct; 0 or 1: actualProxy when set, else the system default
    std::string actualProxy;
    bool loaded = false;
    Cobrand cobrand;

    NCProfile(const NCProfile&) = delete;
    NCProfile& operator=(const NCProfile&) = delete;

private:
    NCProfile(); // runs Load()
};

// The desktop application's executable ("TVZ EN.exe") under the local application data or
// under Program Files, or empty when it is not installed.
std::wstring findDesktopApp();
// folder + "\" + name when that file exists, else empty (and empty for an empty folder).
std::wstring checkPathExists(const std::wstring& folder, const std::wstring& name);
