#pragma once
// Small helpers shared by the test programs.

#include <windows.h>

#include <string>
#include <vector>

namespace TestSupport {

// Deletes a registry key with everything below it; a missing key is fine.
void deleteRegistryTree(HKEY root, const wchar_t* path);

std::string readFile(const std::wstring& path);

// The add-in DLL of the build tree: <build>\bin\TalvoraMeeting.dll, beside <build>\tests\bin.
std::wstring addinDllPath();
std::wstring folderOf(const std::wstring& path);

// The diagnostic log file, emptied when the capture starts.
class LogCapture {
public:
    LogCapture();
    std::string text() const;
    std::vector<std::string> lines() const;
    // The message parts (after "]: ") of every line, in order.
    std::vector<std::string> messages() const;
    bool contains(const std::string& message) const;

private:
    std::wstring m_path;
};

} // namespace TestSupport
