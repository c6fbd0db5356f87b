// The version gate: the online configuration document, fetched at most every 120 minutes when
// a command runs, and the alert that offers a newer add-in.

#include "Addin.h"

#include "Com/ComError.h"
#include "Server.h"
#include "ServiceOrigins.h"

#include <ctime>

bool CAddin::checkVersion()
{
    const std::time_t now = m_clock();
    bool checked = false;
    if (m_lastCheckTime == 0 || (now - m_lastCheckTime) / 60 > m_checkIntervalMinutes) {
        if (checkVersionOnline())
            m_updateAvailable = true;
        checked = true;
    }
    TVZ_LOG("Check version: downloaded=" << (checked ? 1 : 0) << " invalid version: " << (m_updateAvailable ? 1 : 0));
    m_account.invalidVersion = m_updateAvailable;
    return checked ? m_account.DisplayMessageIfNeeded(m_config) : true;
}

bool CAddin::checkVersionOnline()
{
    TVZ_LOG("begin");
    m_lastCheckTime = m_clock(); // before the download: a failed download counts as a check too
    m_config = loadConfig();
    bool newer = false;
    if (m_config.loaded && !m_config.updateUrl.empty()) {
        TVZ_LOG("verCurrS=" << formatVersion(m_config.version) << ", updateUrl=" << m_config.updateUrl);
        const VersionNumbers own = getPluginVersion();
        newer = m_onlineVersion > own; // component by component, as signed integers
    }
    TVZ_LOG("update=" << (newer ? "true" : "false"));
    return newer;
}

OnlineConfig CAddin::loadConfig()
{
    TVZ_LOG("begin");
    std::string body;
    Server server(m_account);
    if (!server.load(ApiHost() + L"/desktopApp/config.xml", body))
        return OnlineConfig();
    return parseOnlineConfig(body, m_onlineVersion, m_onlineVersionText);
}
