// The language choice. It is made once per process, so each scenario runs this program again
// as a child in a folder of its own, beside exactly the language libraries the scenario names;
// the child reports what its Localization object answers, and the parent checks the report
// and the log.
#include "Localization.h"
#include "LocalizationTestSupport.h"
#include "Log.h"
#include "TestSupport.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

using namespace LocalizationTest;
using TestSupport::LogCapture;

namespace {

constexpr wchar_t ReportVariable[] = L"TVZ_LOCALIZATION_REPORT";
constexpr wchar_t OfficeLanguageVariable[] = L"TVZ_LOCALIZATION_OFFICE_LANGUAGE";
constexpr UINT ReportedIds[] = {100, 500, 501, 502, 503, 504, 505, 506, 507, 508, 509, 510, 511, 512, 513,
                                514, 515, 516, 517, 518, 519, 520, 521, 522, 523, 524, 525, 526, 527, 528,
                                529, 530, 531, 532, 533, 534, 535, 536, 537, 538, 539, 540, 999};
constexpr UINT UnitedStates = ('U' << 8) | 'S';

std::wstring environmentVariable(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

std::string utf8(const std::wstring& text)
{
    return fromUtf16(text, CP_UTF8);
}

// --- The child: one Localization object, chosen from what the parent arranged ------------------

class ChildReport : public testing::Test {
    void TestBody() override
    {
        const std::wstring officeLanguage = environmentVariable(OfficeLanguageVariable);
        if (!officeLanguage.empty())
            Localization::set_plugin_language_id(std::stoi(officeLanguage));
        Log::open(getLogFilePath());

        Localization& localization = Localization::instance();
        std::ofstream report(environmentVariable(ReportVariable).c_str(), std::ios::binary);
        report << "locale\t" << localization.localeCode() << '\n'
               << "localeW\t" << utf8(localization.localeCodeW()) << '\n'
               << "rtl\t" << (localization.isRightToLeft() ? "yes" : "no") << '\n';
        for (UINT id : ReportedIds)
            report << id << '\t' << utf8(localization.getString(id)) << '\n';
        report << "formatted 507\t" << utf8(localization.getFormattedString(507)) << '\n'
               << "country us\t" << utf8(localization.getCountryName(L"us")) << '\n';
        localization.releaseResourceModule();
        report << "released 500\t" << utf8(localization.getString(500)) << '\n';
        report.close();
        Log::close();
        ASSERT_FALSE(report.fail());
    }
};

[[maybe_unused]] const bool childRegistered = !environmentVariable(ReportVariable).empty() &&
    (testing::RegisterTest("LocalizationChild", "Report", nullptr, nullptr, __FILE__, __LINE__,
                           []() -> testing::Test* { return new ChildReport; }),
     true);

// --- The parent: arranging a scenario, running the child, reading its report -------------------

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const wchar_t* name, const std::wstring& value) : m_name(name)
    {
        SetEnvironmentVariableW(m_name, value.empty() ? nullptr : value.c_str());
    }
    ~ScopedEnvironmentVariable() { SetEnvironmentVariableW(m_name, nullptr); }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    const wchar_t* m_name;
};

// A fresh folder in the temporary folder holding a copy of this program; removed with
// everything in it at the end of scope.
class ScenarioFolder {
public:
    explicit ScenarioFolder(const std::string& name)
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp) + L"tvz-localization-" + toUtf16(name, CP_UTF8).str();
        removeAll();
        CreateDirectoryW(m_path.c_str(), nullptr);
        copyIn(programPath(), L"localization_tests.exe");
    }
    ~ScenarioFolder() { removeAll(); }
    ScenarioFolder(const ScenarioFolder&) = delete;
    ScenarioFolder& operator=(const ScenarioFolder&) = delete;

    const std::wstring& path() const { return m_path; }
    std::wstring file(const std::wstring& name) const { return m_path + L"\\" + name; }
    void copyIn(const std::wstring& source, const std::wstring& name) const
    {
        if (!CopyFileW(source.c_str(), file(name).c_str(), FALSE))
            throw std::runtime_error("cannot copy " + utf8(source));
    }

private:
    void removeAll() const
    {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW(file(L"*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileW(file(found.cFileName).c_str());
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(m_path.c_str());
    }

    std::wstring m_path;
};

struct ChildResult {
    DWORD exitCode = STILL_ACTIVE;
    std::string output;
    std::map<std::string, std::wstring> report;
    std::vector<std::string> log;

    std::wstring string(UINT id) const { return value(std::to_string(id)); }
    std::wstring value(const std::string& key) const
    {
        const auto found = report.find(key);
        return found == report.end() ? L"<not reported>" : found->second;
    }
    std::vector<std::string> logLinesStartingWith(const std::string& start) const
    {
        std::vector<std::string> lines;
        for (const std::string& line : log)
            if (line.rfind(start, 0) == 0)
                lines.push_back(line);
        return lines;
    }
};

std::map<std::string, std::wstring> readReport(const std::wstring& path)
{
    std::map<std::string, std::wstring> report;
    std::istringstream in(TestSupport::readFile(path));
    for (std::string line; std::getline(in, line);) {
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos)
            report[line.substr(0, tab)] = toUtf16(line.substr(tab + 1), CP_UTF8);
    }
    return report;
}

// Runs the program in the folder with the Office language id (0: none recorded) and whatever
// desktop profile the caller arranged.
ChildResult runChild(const ScenarioFolder& folder, int officeLanguageId)
{
    const std::wstring reportPath = folder.file(L"report.txt");
    const std::wstring outputPath = folder.file(L"output.txt");
    const ScopedEnvironmentVariable report(ReportVariable, reportPath);
    const ScopedEnvironmentVariable office(OfficeLanguageVariable, officeLanguageId ? std::to_wstring(officeLanguageId) : L"");

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    const Handle output(CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (output.get() == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create the child's output file");
    STARTUPINFOW startup = {sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output.get();
    startup.hStdError = output.get();
    const std::wstring program = folder.file(L"localization_tests.exe");
    std::wstring commandLine = L"\"" + program + L"\" --gtest_filter=LocalizationChild.Report";

    LogCapture log;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, folder.path().c_str(),
                        &startup, &process))
        throw std::runtime_error("cannot start the child: error " + std::to_string(GetLastError()));
    const Handle processHandle(process.hProcess);
    const Handle threadHandle(process.hThread);

    ChildResult result;
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    result.output = TestSupport::readFile(outputPath);
    result.report = readReport(reportPath);
    result.log = log.messages();
    return result;
}

std::string profileJson(const std::string& language)
{
    return language.empty() ? R"({"general": {}})" : R"({"general": {"plugin_lang": ")" + language + R"("}})";
}

// The strings a language serves: its own table, and English where the table has no text.
void expectStringsOf(const ChildResult& child, const std::string& language)
{
    const StringTable english = readStringTable("en");
    const StringTable served = language == "en" ? english : readStringTable(language);
    const auto expected = [&](UINT id) { return served.count(id) ? served.at(id) : english.at(id); };
    for (UINT id : ReportedIds)
        EXPECT_EQ(child.string(id), expected(id)) << "string " << id;
    EXPECT_EQ(child.value("formatted 507"), formatWithServiceName(expected(507)));
    EXPECT_EQ(child.value("country us"), expected(UnitedStates));
    EXPECT_EQ(child.value("released 500"), english.at(500));
}

struct Scenario {
    const char* name;
    const char* profileLanguage; // nullptr: no desktop application; "": a profile without one
    int officeLanguageId;        // 0: none recorded
    std::vector<std::string> libraries;
    const char* loggedFirst; // the code before the check of supported codes
    const char* locale;
    const char* served;
    bool rightToLeft;
};

void PrintTo(const Scenario& scenario, std::ostream* out)
{
    *out << scenario.name;
}

class LanguageChoice : public testing::TestWithParam<Scenario> {};

TEST_P(LanguageChoice, PicksTheLanguageOnceAndServesItsStrings)
{
    const Scenario& scenario = GetParam();
    const ScenarioFolder folder(scenario.name);
    for (const std::string& code : scenario.libraries)
        folder.copyIn(languageLibraryPath(code), L"Resources_" + toUtf16(code, CP_UTF8).str() + L".dll");
    std::unique_ptr<DesktopProfile> profile;
    if (scenario.profileLanguage)
        profile = std::make_unique<DesktopProfile>(profileJson(scenario.profileLanguage));
    else
        DesktopProfile::remove();

    const ChildResult child = runChild(folder, scenario.officeLanguageId);

    ASSERT_EQ(child.exitCode, 0u) << child.output;
    EXPECT_EQ(child.value("locale"), toUtf16(scenario.locale, CP_UTF8).str());
    EXPECT_EQ(child.value("localeW"), toUtf16(scenario.locale, CP_UTF8).str());
    EXPECT_EQ(child.value("rtl"), scenario.rightToLeft ? L"yes" : L"no");
    expectStringsOf(child, scenario.served);
    EXPECT_EQ(child.logLinesStartingWith("Locale: "),
              (std::vector<std::string>{std::string("Locale: ") + scenario.loggedFirst, std::string("Locale: ") + scenario.locale}))
        << testing::PrintToString(child.log);
    EXPECT_EQ(child.logLinesStartingWith("Failed to load module: "), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Scenarios, LanguageChoice, testing::Values(
    Scenario{"ProfileRussianOverOfficeFrench", "ru", 0x040C, {"ru", "fr"}, "ru", "ru", "ru", false},
    Scenario{"ProfilePtBrIsNotReduced", "pt-BR", 0x0416, {"pt"}, "pt-BR", "en", "en", false},
    Scenario{"ProfileUpperCaseEnIsNotSupported", "EN", 0x040C, {"fr"}, "EN", "en", "en", false},
    Scenario{"ProfileWithoutLanguageLeavesOffice", "", 0x0411, {"ja"}, "ja", "ja", "ja", false},
    Scenario{"OfficeChinesePrc", nullptr, 0x0804, {"zh"}, "zh", "zh", "zh", false},
    Scenario{"OfficePortugueseBrazil", nullptr, 0x0416, {"pt"}, "pt", "pt", "pt", false},
    Scenario{"OfficeRussianHasNoEntry", nullptr, 0x0419, {"ru"}, "", "en", "en", false},
    Scenario{"OfficeHebrew", nullptr, 0x040D, {"he"}, "he", "he", "he", true},
    Scenario{"OfficeArabicSaudiArabia", nullptr, 0x0401, {"ar"}, "ar", "ar", "ar", true},
    Scenario{"NoLanguageAnywhere", nullptr, 0, {"fr"}, "", "en", "en", false}),
    [](const testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

TEST(LanguageChoiceFailure, AMissingLibraryIsLoggedWithItsPathAndEnglishIsServed)
{
    const ScenarioFolder folder("MissingFrench");
    DesktopProfile::remove();
    const std::wstring library = folder.file(L"Resources_fr.dll");
    const DWORD loadError = DataModule(library).error();
    ASSERT_NE(loadError, 0u);

    const ChildResult child = runChild(folder, 0x040C);

    ASSERT_EQ(child.exitCode, 0u) << child.output;
    // The language stays French (the service still gets fr); only the texts fall back.
    EXPECT_EQ(child.value("locale"), L"fr");
    EXPECT_EQ(child.value("rtl"), L"no");
    expectStringsOf(child, "en");
    EXPECT_EQ(child.logLinesStartingWith("Failed to load module: "),
              std::vector<std::string>{"Failed to load module: " + fromUtf16(library, CP_ACP).str() +
                                       ", error=" + std::to_string(loadError)});
}

TEST(LanguageChoiceFailure, AStringMissingFromTheLibraryComesFromTheAddinModule)
{
    const ScenarioFolder folder("PartialGerman");
    folder.copyIn(programFolder() + L"\\localization_partial_de.dll", L"Resources_de.dll");
    DesktopProfile::remove();

    const ChildResult child = runChild(folder, 0x0407);

    ASSERT_EQ(child.exitCode, 0u) << child.output;
    EXPECT_EQ(child.value("locale"), L"de");
    EXPECT_EQ(child.string(500), L"Sofort-Meeting");
    EXPECT_EQ(child.string(521), L"Abbrechen");
    EXPECT_EQ(child.value("formatted 507"), L"Talvora-Einstellungen");
    EXPECT_EQ(child.string(528), L"%s.com - New Meeting");
    EXPECT_EQ(child.string(501), L"Open Your Wall");
    EXPECT_EQ(child.value("country us"), L"United States");
    EXPECT_EQ(child.value("released 500"), L"Meet Now");
}

} // namespace
