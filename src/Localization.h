#pragma once
// The interface language of the add-in and its string table. The language is chosen once per
// process, on first use: the desktop application's profile language first, then the Office
// interface language recorded at connection, else English. Translations live in resource-only
// libraries "Resources_<code>.dll" beside the add-in; English is built into the add-in module.

#include <windows.h>

#include <string>
#include <string_view>

class Localization {
public:
    // The process-wide object, created (and its language chosen) on the first call.
    static Localization& instance();

    // The string from the language library, else from the add-in module; empty when neither has it.
    std::wstring getString(UINT id) const;
    // getString with its one %s replaced by the service name "Talvora"; empty stays empty.
    std::wstring getFormattedString(UINT id) const;
    // The name of the country with this two-letter code (either case); empty when unknown.
    std::wstring getCountryName(const std::wstring& code) const;
    bool isRightToLeft() const;
    // The two-letter language code, for example "en": what the service gets as "&locale=".
    const std::string& localeCode() const noexcept { return m_localeCode; }
    std::wstring localeCodeW() const;

    // Frees the language library; strings then come from the add-in module. Done when the DLL
    // unloads.
    void releaseResourceModule() noexcept;

    // The Office interface language id (an LCID) recorded at connection; 0 until then.
    static void set_plugin_language_id(int id);
    static int pluginLanguageId() noexcept { return s_pluginLanguageId; }

    Localization(const Localization&) = delete;
    Localization& operator=(const Localization&) = delete;

private:
    Localization();
    ~Localization();
    void setup_locale();
    static HMODULE load_dll(const std::string& code);

    std::string m_localeCode;
    HMODULE m_resourceModule = nullptr;

    static int s_pluginLanguageId;
};

// The language set in the desktop application's profile ("general"."plugin_lang"), or empty.
std::string desktopProfileLanguage();

// The pattern printf-style with the service name "Talvora" as its one argument: the first %s
// takes the name, %% is a percent sign, and anything else (a stray %, a second %s a translation
// should not have) stays as written instead of reading an argument that is not there.
std::wstring formatWithServiceName(std::wstring_view pattern);
