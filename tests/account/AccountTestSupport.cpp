#include "AccountTestSupport.h"

#include "Account.h"
#include "TestSupport.h"
#include "Win/RegKey.h"

#include <shlobj.h>

#include <fstream>
#include <stdexcept>

namespace AccountTestSupport {

namespace {

constexpr wchar_t AddinKey[] = L"Software\\TalvoraAddIn";

Win::RegKey createAccountKey()
{
    Win::RegKey key;
    if (key.create(HKEY_CURRENT_USER, CAccount::RegistryKey, KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the account key");
    return key;
}

void createEmptyFile(const std::wstring& path)
{
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    if (!file)
        throw std::runtime_error("cannot create a test file");
}

} // namespace

void deleteAddinKey()
{
    TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, AddinKey);
}

bool accountKeyExists()
{
    Win::RegKey key;
    return key.open(HKEY_CURRENT_USER, CAccount::RegistryKey, KEY_READ) == ERROR_SUCCESS;
}

std::vector<BYTE> unitBytes(std::wstring_view units)
{
    const auto* first = reinterpret_cast<const BYTE*>(units.data());
    return std::vector<BYTE>(first, first + units.size() * sizeof(wchar_t));
}

std::vector<BYTE> stringBytes(std::wstring_view text)
{
    std::vector<BYTE> bytes = unitBytes(text);
    bytes.insert(bytes.end(), sizeof(wchar_t), 0);
    return bytes;
}

void writeValue(const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes)
{
    // The registry adds a NUL to string data that lacks one when the caller's memory happens to
    // hold one right after it; a guard of non-NUL bytes keeps the data exactly as given.
    std::vector<BYTE> guarded = bytes;
    guarded.insert(guarded.end(), 4, 0xFF);
    const Win::RegKey key = createAccountKey();
    if (RegSetValueExW(key.get(), name, 0, type, guarded.data(), static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write a registry value");
}

void writeString(const wchar_t* name, std::wstring_view text, DWORD type)
{
    writeValue(name, type, stringBytes(text));
}

void writeDword(const wchar_t* name, DWORD value)
{
    const auto* first = reinterpret_cast<const BYTE*>(&value);
    writeValue(name, REG_DWORD, std::vector<BYTE>(first, first + sizeof value));
}

std::optional<RegistryValue> readValue(const wchar_t* name)
{
    Win::RegKey key;
    if (key.open(HKEY_CURRENT_USER, CAccount::RegistryKey, KEY_READ) != ERROR_SUCCESS)
        return std::nullopt;
    RegistryValue value;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    if (RegQueryValueExW(key.get(), name, nullptr, &value.type, value.bytes.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    return value;
}

DesktopApp::DesktopApp()
{
    removeAll();
}

DesktopApp::~DesktopApp()
{
    removeAll();
}

std::wstring DesktopApp::folder(Location location)
{
    wchar_t path[MAX_PATH] = {};
    const int csidl = location == LocalAppData ? CSIDL_LOCAL_APPDATA : CSIDL_PROGRAM_FILES;
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, path)))
        throw std::runtime_error("no shell folder");
    return std::wstring(path) + L"\\TVZ";
}

std::wstring DesktopApp::executablePath(Location location)
{
    return folder(location) + L"\\TVZ EN.exe";
}

std::wstring DesktopApp::preferencesPath(Location location)
{
    return folder(location) + L"\\TVZ.json";
}

void DesktopApp::installExecutable(Location location)
{
    CreateDirectoryW(folder(location).c_str(), nullptr);
    createEmptyFile(executablePath(location));
}

void DesktopApp::writePreferences(const std::string& json, Location location)
{
    CreateDirectoryW(folder(location).c_str(), nullptr);
    std::ofstream file(preferencesPath(location).c_str(), std::ios::binary | std::ios::trunc);
    file << json;
    if (!file)
        throw std::runtime_error("cannot write the preferences file");
}

void DesktopApp::removePreferences(Location location)
{
    DeleteFileW(preferencesPath(location).c_str());
}

void DesktopApp::removeAll() noexcept
{
    try {
        for (const Location location : {LocalAppData, ProgramFiles}) {
            DeleteFileW(executablePath(location).c_str());
            DeleteFileW(preferencesPath(location).c_str());
            RemoveDirectoryW(folder(location).c_str());
        }
    } catch (const std::exception&) {
        // A shell folder that cannot be named holds nothing a test could have created.
    }
}

} // namespace AccountTestSupport
