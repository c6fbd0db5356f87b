#include "LanguageChild.h"

#include "Localization.h"
#include "Log.h"
#include "TestSupport.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace LanguageChild {

namespace {

constexpr wchar_t LanguageVariable[] = L"TALVORA_RIBBON_LANGUAGE";
constexpr wchar_t ReportVariable[] = L"TALVORA_RIBBON_REPORT";
constexpr wchar_t ProgramName[] = L"ribbon_tests.exe";

std::wstring environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

std::wstring temporaryFolder()
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return folder;
}

void copyFile(const std::wstring& from, const std::wstring& to)
{
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE))
        throw std::runtime_error("cannot copy " + fromUtf16(from, CP_UTF8).str());
}

// The folder of the children: this program and every language library, made once per run.
const std::wstring& childFolder()
{
    static const std::wstring folder = [] {
        const std::wstring path = temporaryFolder() + L"tvz-ribbon-languages";
        CreateDirectoryW(path.c_str(), nullptr);
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        copyFile(self, path + L"\\" + ProgramName);
        const std::wstring libraries = TestSupport::folderOf(TestSupport::addinDllPath());
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((libraries + L"\\Resources_*.dll").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            throw std::runtime_error("no language libraries beside the add-in");
        do
            copyFile(libraries + L"\\" + found.cFileName, path + L"\\" + found.cFileName);
        while (FindNextFileW(search, &found));
        FindClose(search);
        return path;
    }();
    return folder;
}

class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : m_name(name)
    {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableW(m_name, nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const wchar_t* m_name;
};

Report readReport(const std::wstring& path)
{
    Report report;
    std::istringstream in(TestSupport::readFile(path));
    for (std::string line; std::getline(in, line);)
        if (const std::size_t tab = line.find('\t'); tab != std::string::npos)
            report[line.substr(0, tab)] = toUtf16(line.substr(tab + 1), CP_UTF8);
    return report;
}

// The desktop application is there for as long as the choice takes (its preferences are read
// only when it is installed), and gone again before the test body runs.
void chooseLanguage(const std::string& code)
{
    const std::wstring folder = TestSupport::desktopAppFolder();
    const std::wstring program = folder + L"\\TVZ EN.exe";
    const std::wstring preferences = folder + L"\\TVZ.json";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::ofstream(program.c_str(), std::ios::binary).close();
    std::ofstream(preferences.c_str(), std::ios::binary) << R"({"general": {"plugin_lang": ")" << code << R"("}})";
    Localization::instance();
    DeleteFileW(preferences.c_str());
    DeleteFileW(program.c_str());
    RemoveDirectoryW(folder.c_str());
}

class ChildTest : public testing::Test {
public:
    explicit ChildTest(std::function<void(Report&)> body) : m_body(std::move(body)) {}

    void TestBody() override
    {
        Log::open(getLogFilePath());
        chooseLanguage(fromUtf16(environment(LanguageVariable), CP_UTF8));
        Report report;
        report["locale"] = Localization::instance().localeCodeW();
        m_body(report);
        std::ofstream out(environment(ReportVariable).c_str(), std::ios::binary);
        for (const auto& [key, value] : report)
            out << key << '\t' << fromUtf16(value, CP_UTF8).str() << '\n';
        out.close();
        Log::close();
        ASSERT_FALSE(out.fail());
    }

private:
    std::function<void(Report&)> m_body;
};

} // namespace

Result run(const std::string& test, const std::string& code)
{
    const std::wstring folder = childFolder();
    const std::wstring reportPath = folder + L"\\report.txt";
    const std::wstring outputPath = folder + L"\\output.txt";
    DeleteFileW(reportPath.c_str());
    const ScopedVariable language(LanguageVariable, toUtf16(code, CP_UTF8));
    const ScopedVariable report(ReportVariable, reportPath);

    const std::wstring program = folder + L"\\" + ProgramName;
    Result result;
    result.exitCode = TestSupport::runToEnd(
        program, L"\"" + program + L"\" --gtest_brief=1 --gtest_filter=RibbonChild." + toUtf16(test, CP_UTF8).str(),
        folder, outputPath);
    result.report = readReport(reportPath);
    if (result.exitCode != 0)
        ADD_FAILURE() << "the " << code << " child failed:\n" << TestSupport::readFile(outputPath);
    return result;
}

bool registerChild(const char* test, std::function<void(Report&)> body)
{
    if (environment(LanguageVariable).empty())
        return false;
    testing::RegisterTest("RibbonChild", test, nullptr, nullptr, __FILE__, __LINE__,
                          [body]() -> testing::Test* { return new ChildTest(body); });
    return true;
}

} // namespace LanguageChild
