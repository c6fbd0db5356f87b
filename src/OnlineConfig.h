#pragma once
// The online configuration document the service publishes for every installed add-in: the
// newest add-in version, an optional message for older versions, the update address and the
// Windows installer of the desktop application.

#include "Version.h"

#include <string>

struct OnlineConfig {
    VersionNumbers version = {-1, -1, -1, -1};
    std::wstring updateUrl;
    std::wstring packageUrl;
    bool loaded = false; // a document was fetched and read to its end
    bool force = false;
    bool display = false;
    std::wstring message;

    friend bool operator==(const OnlineConfig&, const OnlineConfig&) = default;
};

// Reads a downloaded configuration document, 8-bit text in the thread's ANSI code page.
// onlineVersionText and onlineVersion are the add-in's memory of the last version element:
// replaced when the document has one, where a version text with fewer than four components
// leaves the remaining ones as they were. A body that is not XML gives the default record; a
// DOM failure while reading is logged and gives what was read so far, not loaded.
OnlineConfig parseOnlineConfig(const std::string& body, VersionNumbers& onlineVersion, std::wstring& onlineVersionText);
