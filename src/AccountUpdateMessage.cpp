// The message after an online version check: the mandatory-update alert or the service's
// notice to users of older versions.

#include "Account.h"

#include "Localization.h"
#include "Log.h"
#include "OnlineConfig.h"
#include "Server.h"
#include "ServiceOrigins.h"
#include "Version.h"

#include <shellapi.h>

#include <iterator>

namespace {

// String 529 with the service name, the add-in's version and the new version, in that order.
// The %s are filled one after the other by hand: a translation is data, never a format string.
std::wstring expiryText(const VersionNumbers& own, const VersionNumbers& online)
{
    const std::wstring pattern = Localization::instance().getString(529);
    const std::wstring values[] = {L"Talvora", formatVersion(own), formatVersion(online)};
    std::wstring text;
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == L'%' && i + 1 < pattern.size() && pattern[i + 1] == L's' && next < std::size(values)) {
            text += values[next++];
            ++i;
        } else if (pattern[i] == L'%' && i + 1 < pattern.size() && pattern[i + 1] == L'%') {
            text += L'%';
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

} // namespace

bool CAccount::DisplayMessageIfNeeded(const OnlineConfig& config)
{
    TVZ_LOG("Display message. Updates available=" << (invalidVersion ? 1 : 0) << " force: " << (config.force ? 1 : 0)
                                                  << " display: " << (config.display ? 1 : 0));
    if (invalidVersion && config.force) {
        TVZ_LOG("New version alert.");
        const std::wstring text = expiryText(getPluginVersion(), config.version);
        const int answer = MessageBoxW(nullptr, text.c_str(), Server::Caption, MB_ICONWARNING | MB_OKCANCEL);
        TVZ_LOG("New version alert response: " << answer);
        if (answer == IDOK) {
            const std::wstring instructions = WebHost() + L"/outlook-plugin-instructions";
            ShellExecuteW(nullptr, L"open", instructions.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
            return false;
        }
        return true;
    }
    if (invalidVersion && config.display && !config.message.empty()) {
        TVZ_LOG("Display message");
        MessageBoxW(nullptr, config.message.c_str(), Server::Caption, MB_ICONWARNING);
    }
    return true;
}
