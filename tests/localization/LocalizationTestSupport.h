#pragma once
// What the localization tests share: the string tables as the libraries should hold them, the
// built language libraries, and strings read back from modules.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace LocalizationTest {

// Every language we ship a library for.
const std::vector<std::string>& languageCodes();

// String id -> UTF-16 text of the table <code>.txt that the build copies beside the program.
using StringTable = std::map<UINT, std::wstring>;
StringTable readStringTable(const std::string& code);

std::wstring programPath();
std::wstring programFolder();
// The language library the build made: <build>\bin\Resources_<code>.dll.
std::wstring languageLibraryPath(const std::string& code);

// The string as the module holds it; empty when it has none.
std::wstring loadString(HMODULE module, UINT id);

// A module loaded the way the add-in loads its language library, freed at the end of scope.
class DataModule {
public:
    explicit DataModule(const std::wstring& path);
    ~DataModule();
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;

    HMODULE get() const noexcept { return m_module; }
    explicit operator bool() const noexcept { return m_module != nullptr; }
    // GetLastError of the load, for a failed one.
    DWORD error() const noexcept { return m_error; }

private:
    HMODULE m_module;
    DWORD m_error;
};

// The desktop application as far as the language choice needs it: its executable and a
// preferences file in the local application data. Leftovers are removed when the object is
// made, and what it wrote when it goes.
class DesktopProfile {
public:
    explicit DesktopProfile(const std::string& json);
    ~DesktopProfile();
    DesktopProfile(const DesktopProfile&) = delete;
    DesktopProfile& operator=(const DesktopProfile&) = delete;

    static void remove() noexcept;
};

} // namespace LocalizationTest
