#include "Localization.h"

#include "Log.h"

int Localization::s_pluginLanguageId = 0;

void Localization::set_plugin_language_id(int id)
{
    TVZ_LOG("Setup lang: " << id);
    s_pluginLanguageId = id;
}
