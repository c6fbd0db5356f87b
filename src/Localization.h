#pragma once
// The interface language of the add-in and its string table.

class Localization {
public:
    // The Office interface language id (an LCID) recorded at connection; 0 until then.
    static void set_plugin_language_id(int id);
    static int pluginLanguageId() noexcept { return s_pluginLanguageId; }

private:
    static int s_pluginLanguageId;
};
