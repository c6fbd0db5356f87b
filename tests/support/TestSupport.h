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

// The desktop meeting application's folder in the local application data: %LOCALAPPDATA%\TVZ.
std::wstring desktopAppFolder();

// Starts a program, waits for its end (two minutes at most, then ends it) and gives its exit
// code; -1 when it did not start. Its output goes to outputPath when one is given: into a file,
// never a pipe, since Wine's service processes inherit the pipe and outlive the child.
int runToEnd(const std::wstring& program, std::wstring commandLine, const std::wstring& folder = {},
             const std::wstring& outputPath = {});

// The interface language is chosen once per process, so a test of one language runs in a child
// copy of its test program, started with an Office language id, and writes down what it saw.
struct LanguageChildResult {
    int exitCode = -1;
    std::string report; // empty when the child wrote none
};
// In the parent: runs the tests that `filter` selects in a child with the language id.
LanguageChildResult runLanguageChild(const std::wstring& filter, int languageId);
// In the child: the language id it was started with; 0 in a parent.
int childLanguageId();
void writeChildReport(const std::string& report);

// The documents of the public JSON conformance suite (tests/data/JSONTestSuite, copied beside
// the test programs): every file of test_parsing and test_transform, by name, as bytes.
struct JsonSuiteDocument {
    std::string name;
    std::string content;
};
std::vector<JsonSuiteDocument> jsonSuiteDocuments();

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
