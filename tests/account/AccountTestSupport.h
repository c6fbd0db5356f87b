#pragma once
// Arranging the account's registry key and the desktop application's files in the test prefix,
// and reading back what the code under test wrote.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace AccountTestSupport {

// The add-in's whole key, HKEY_CURRENT_USER\Software\TalvoraAddIn.
void deleteAddinKey();
bool accountKeyExists();

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

// UTF-16 units as registry data, embedded NULs and all; the NUL of a string is not added.
std::vector<BYTE> unitBytes(std::wstring_view units);
// The text with its terminating NUL, as RegSetValueEx is meant to be given a string.
std::vector<BYTE> stringBytes(std::wstring_view text);

void writeValue(const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes);
void writeString(const wchar_t* name, std::wstring_view text, DWORD type = REG_SZ);
void writeDword(const wchar_t* name, DWORD value);
std::optional<RegistryValue> readValue(const wchar_t* name);

// The desktop application's executable and preferences file; whatever a test creates is
// removed again when the object goes, and leftovers of an earlier run when it is made.
class DesktopApp {
public:
    enum Location { LocalAppData, ProgramFiles };

    DesktopApp();
    ~DesktopApp();
    DesktopApp(const DesktopApp&) = delete;
    DesktopApp& operator=(const DesktopApp&) = delete;

    static std::wstring folder(Location location);
    static std::wstring executablePath(Location location);
    static std::wstring preferencesPath(Location location = LocalAppData);

    void installExecutable(Location location);
    void writePreferences(const std::string& json, Location location = LocalAppData);
    void removePreferences(Location location = LocalAppData);

private:
    static void removeAll() noexcept;
};

} // namespace AccountTestSupport
