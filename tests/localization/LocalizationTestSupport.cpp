#include "LocalizationTestSupport.h"

#include "TestSupport.h"
#include "TextCodec.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace LocalizationTest {

namespace {

UINT stringId(const std::string& key)
{
    if (key.size() == 2 && std::isupper(static_cast<unsigned char>(key[0])))
        return (static_cast<UINT>(key[0]) << 8) | static_cast<unsigned char>(key[1]);
    return static_cast<UINT>(std::stoul(key));
}

} // namespace

const std::vector<std::string>& languageCodes()
{
    static const std::vector<std::string> codes = {
        "ar", "bg", "cs", "da", "de", "el", "es", "fi", "fr", "he", "hr", "hu", "id",
        "it", "ja", "ka", "ko", "nl", "no", "pt", "ru", "sl", "sv", "tr", "uk", "zh",
    };
    return codes;
}

StringTable readStringTable(const std::string& code)
{
    const std::wstring path = programFolder() + L"\\strings\\" + toUtf16(code, CP_UTF8).str() + L".txt";
    std::istringstream in(TestSupport::readFile(path));
    StringTable table;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string::npos)
            continue;
        std::string text = line.substr(tab + 1);
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
            text = text.substr(1, text.size() - 2);
        table[stringId(line.substr(0, tab))] = toUtf16(text, CP_UTF8);
    }
    if (table.empty())
        throw std::runtime_error("no string table " + code);
    return table;
}

std::wstring programPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring programFolder()
{
    return TestSupport::folderOf(programPath());
}

std::wstring languageLibraryPath(const std::string& code)
{
    return TestSupport::folderOf(TestSupport::addinDllPath()) + L"\\Resources_" + toUtf16(code, CP_UTF8).str() + L".dll";
}

std::wstring loadString(HMODULE module, UINT id)
{
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

DataModule::DataModule(const std::wstring& path)
    : m_module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE)),
      m_error(m_module ? ERROR_SUCCESS : GetLastError())
{
}

DataModule::~DataModule()
{
    if (m_module)
        FreeLibrary(m_module);
}

DesktopProfile::DesktopProfile(const std::string& json)
{
    remove();
    const std::wstring folder = TestSupport::desktopAppFolder();
    CreateDirectoryW(folder.c_str(), nullptr);
    std::ofstream executable((folder + L"\\TVZ EN.exe").c_str(), std::ios::binary);
    std::ofstream preferences((folder + L"\\TVZ.json").c_str(), std::ios::binary);
    preferences << json;
    executable.close();
    preferences.close();
    if (executable.fail() || preferences.fail())
        throw std::runtime_error("cannot write the desktop profile");
}

DesktopProfile::~DesktopProfile()
{
    remove();
}

void DesktopProfile::remove() noexcept
{
    try {
        const std::wstring folder = TestSupport::desktopAppFolder();
        DeleteFileW((folder + L"\\TVZ.json").c_str());
        DeleteFileW((folder + L"\\TVZ EN.exe").c_str());
        RemoveDirectoryW(folder.c_str());
    } catch (...) {
    }
}

} // namespace LocalizationTest
