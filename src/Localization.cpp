#include "Localization.h"

#include "Com/Module.h"
#include "Log.h"
#include "TextCodec.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>

namespace {

constexpr wchar_t ServiceName[] = L"Talvora";

struct LanguageId {
    int primaryLanguage;
    const char* code;
};

// The primary language of an Office interface LCID (its low byte) and the code of our library.
constexpr LanguageId LanguageIds[] = {
    {1, "ar"},  {2, "bg"},  {4, "zh"},  {5, "cs"},  {6, "da"},  {7, "de"},  {8, "el"},
    {9, "en"},  {10, "es"}, {11, "fi"}, {12, "fr"}, {13, "he"}, {14, "hu"}, {16, "it"},
    {17, "ja"}, {18, "ko"}, {19, "nl"}, {20, "no"}, {22, "pt"}, {26, "hr"}, {29, "sv"},
    {31, "tr"}, {33, "id"}, {34, "uk"}, {36, "sl"}, {55, "ka"},
};

constexpr std::string_view SupportedCodes[] = {
    "ar", "en", "es", "fr", "fi", "he", "de", "nl", "en", "ko", "no", "ja", "it", "pt",
    "tr", "ru", "uk", "el", "zh", "bg", "hr", "cs", "id", "sl", "sv", "da", "ka", "hu",
};

std::string codeOfLanguageId(int languageId)
{
    const int primaryLanguage = languageId & 0xFF;
    const auto found = std::find_if(std::begin(LanguageIds), std::end(LanguageIds),
                                    [&](const LanguageId& entry) { return entry.primaryLanguage == primaryLanguage; });
    return found == std::end(LanguageIds) ? std::string() : std::string(found->code);
}

bool isSupported(const std::string& code)
{
    return std::find(std::begin(SupportedCodes), std::end(SupportedCodes), code) != std::end(SupportedCodes);
}

// The string as it sits in the module's resources (the read-only form of LoadStringW hands out
// a pointer into the mapped table and the length); empty when the module lacks it.
std::wstring loadString(HMODULE module, UINT id)
{
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

bool isAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

wchar_t asciiUpper(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

} // namespace

int Localization::s_pluginLanguageId = 0;

std::wstring formatWithServiceName(std::wstring_view pattern)
{
    std::wstring result;
    result.reserve(pattern.size() + std::size(ServiceName));
    bool nameUsed = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
        if (pattern[i] == L'%' && next == L'%') {
            result += L'%';
            ++i;
        } else if (pattern[i] == L'%' && next == L's' && !nameUsed) {
            result += ServiceName;
            nameUsed = true;
            ++i;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

Localization& Localization::instance()
{
    static Localization localization;
    return localization;
}

Localization::Localization()
{
    setup_locale();
}

Localization::~Localization()
{
    releaseResourceModule();
}

void Localization::set_plugin_language_id(int id)
{
    TVZ_LOG("Setup lang: " << id);
    s_pluginLanguageId = id;
}

void Localization::setup_locale()
{
    std::string code = desktopProfileLanguage();
    if (code.empty() && s_pluginLanguageId != 0)
        code = codeOfLanguageId(s_pluginLanguageId);
    TVZ_LOG("Locale: " << code);
    if (!isSupported(code))
        code = "en";
    TVZ_LOG("Locale: " << code);
    m_localeCode = code;
    if (m_localeCode != "en")
        m_resourceModule = load_dll(m_localeCode);
}

HMODULE Localization::load_dll(const std::string& code)
{
    std::wstring path = Com::Module::fileName();
    if (const std::size_t separator = path.rfind(L'\\'); separator != std::wstring::npos)
        path.resize(separator);
    path += L"\\Resources_";
    path += toUtf16(code, CP_UTF8).view();
    path += L".dll";

    // As a data file: a language library is never run, only read.
    const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        const DWORD error = GetLastError();
        TVZ_LOG("Failed to load module: " << path << ", error=" << error);
    }
    return module;
}

std::wstring Localization::getString(UINT id) const
{
    std::wstring text = loadString(m_resourceModule ? m_resourceModule : Com::Module::instance(), id);
    if (text.empty() && m_resourceModule)
        text = loadString(Com::Module::instance(), id);
    return text;
}

std::wstring Localization::getFormattedString(UINT id) const
{
    return formatWithServiceName(getString(id));
}

std::wstring Localization::getCountryName(const std::wstring& code) const
{
    // Only letters name a country; anything else would alias the id of an interface string.
    if (code.size() < 2 || !isAsciiLetter(code[0]) || !isAsciiLetter(code[1]))
        return {};
    return getString((static_cast<UINT>(asciiUpper(code[0])) << 8) | asciiUpper(code[1]));
}

bool Localization::isRightToLeft() const
{
    return m_localeCode == "ar" || m_localeCode == "he";
}

std::wstring Localization::localeCodeW() const
{
    return toUtf16(m_localeCode, CP_UTF8);
}

void Localization::releaseResourceModule() noexcept
{
    if (m_resourceModule)
        FreeLibrary(std::exchange(m_resourceModule, nullptr));
}
