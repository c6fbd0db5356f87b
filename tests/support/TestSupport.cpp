#include "TestSupport.h"

#include "Log.h"

#include <shlobj.h>

#include <fstream>
#include <stdexcept>
#include <sstream>

namespace TestSupport {

void deleteRegistryTree(HKEY root, const wchar_t* path)
{
    RegDeleteTreeW(root, path);
    RegDeleteKeyW(root, path);
}

std::string readFile(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::wstring folderOf(const std::wstring& path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

std::wstring addinDllPath()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return folderOf(folderOf(folderOf(exe))) + L"\\bin\\TalvoraMeeting.dll";
}

std::wstring desktopAppFolder()
{
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_DEFAULT, folder)))
        throw std::runtime_error("no local application data folder");
    return std::wstring(folder) + L"\\TVZ";
}

std::vector<JsonSuiteDocument> jsonSuiteDocuments()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::wstring suite = folderOf(exe) + L"\\JSONTestSuite\\";
    std::vector<JsonSuiteDocument> documents;
    for (const wchar_t* folder : {L"test_parsing", L"test_transform"}) {
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW((suite + folder + L"\\*.json").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            const std::wstring path = suite + folder + L"\\" + found.cFileName;
            const std::wstring name(found.cFileName);
            documents.push_back({std::string(name.begin(), name.end()), readFile(path)});
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return documents;
}

int runToEnd(const std::wstring& program, std::wstring commandLine, const std::wstring& folder,
             const std::wstring& outputPath)
{
    STARTUPINFOW startup{sizeof startup};
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!outputPath.empty()) {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        output = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE)
            return -1;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION process{};
    // Without a console, whose window would take the foreground from the dialogs under test.
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                                        folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    if (!started)
        return -1;
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &exitCode);
    else
        TerminateProcess(process.hProcess, static_cast<UINT>(-1));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

namespace {

constexpr wchar_t ChildLanguageVariable[] = L"TALVORA_TEST_CHILD_LANGUAGE";
constexpr wchar_t ChildReportVariable[] = L"TALVORA_TEST_CHILD_REPORT";

std::wstring environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length && length < MAX_PATH ? value : L"";
}

} // namespace

LanguageChildResult runLanguageChild(const std::wstring& filter, int languageId)
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring report = std::wstring(folder) + L"talvora-language-child-report.txt";
    DeleteFileW(report.c_str());
    SetEnvironmentVariableW(ChildLanguageVariable, std::to_wstring(languageId).c_str());
    SetEnvironmentVariableW(ChildReportVariable, report.c_str());
    LanguageChildResult result;
    result.exitCode = runToEnd(exe, L"\"" + std::wstring(exe) + L"\" --gtest_brief=1 --gtest_filter=" + filter);
    SetEnvironmentVariableW(ChildLanguageVariable, nullptr);
    SetEnvironmentVariableW(ChildReportVariable, nullptr);
    result.report = readFile(report);
    DeleteFileW(report.c_str());
    return result;
}

int childLanguageId()
{
    const std::wstring language = environment(ChildLanguageVariable);
    return language.empty() ? 0 : std::stoi(language);
}

void writeChildReport(const std::string& report)
{
    std::ofstream(environment(ChildReportVariable).c_str(), std::ios::binary) << report;
}

LogCapture::LogCapture() : m_path(getLogFilePath())
{
    std::ofstream truncate(m_path.c_str(), std::ios::binary | std::ios::trunc);
}

std::string LogCapture::text() const
{
    return readFile(m_path);
}

std::vector<std::string> LogCapture::lines() const
{
    std::vector<std::string> result;
    std::istringstream in(text());
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

std::vector<std::string> LogCapture::messages() const
{
    std::vector<std::string> result;
    for (const std::string& line : lines()) {
        const std::size_t start = line.find("]: ");
        result.push_back(start == std::string::npos ? line : line.substr(start + 3));
    }
    return result;
}

bool LogCapture::contains(const std::string& message) const
{
    for (const std::string& m : messages())
        if (m == message)
            return true;
    return false;
}

} // namespace TestSupport
