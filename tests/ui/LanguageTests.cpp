// The mirrored templates of right-to-left languages. The interface language is chosen once per
// process, so each language runs in a child process of this program that records the Office
// language before anything asks for a string (as the add-in does at connection) and writes
// down what its dialogs looked like; the parent compares.
#include "../../res/resource.h"
#include "Localization.h"
#include "Robot.h"
#include "TestSupport.h"
#include "UI/SuspendedSubscriptionDialog.h"
#include "UI/WaitingDialog.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

constexpr wchar_t LanguageVariable[] = L"TALVORA_UI_TEST_LANGUAGE";
constexpr wchar_t ReportVariable[] = L"TALVORA_UI_TEST_REPORT";

std::wstring environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length && length < MAX_PATH ? value : L"";
}

const char* mirroring(LONG_PTR exStyle)
{
    const LONG_PTR rtl = WS_EX_LAYOUTRTL | WS_EX_RTLREADING;
    return (exStyle & rtl) == rtl ? "mirrored" : (exStyle & rtl) ? "half mirrored" : "plain";
}

// What a child process with the given Office language id sees of the two dialogs.
class DialogsInLanguage : public testing::Test {
public:
    explicit DialogsInLanguage(int languageId) : m_languageId(languageId) {}

    void TestBody() override
    {
        Localization::set_plugin_language_id(m_languageId);
        const bool rightToLeft = Localization::instance().isRightToLeft();

        Robot::Robot robot;
        UiTest::ScriptedRequest scripted({UiTest::FakeHttpRequest::Answer::Pending});
        CWaiting::Timing never;
        never.tickCount = [] { return DWORD{0}; };
        CWaiting waiting(scripted.request, never);
        LONG_PTR waitingStyle = 0;
        robot.then([&](Robot::Robot& r) { waitingStyle = r.dialog().exStyle(); }).post(WM_CLOSE);
        waiting.runModal(nullptr);

        CAccount account;
        CSuspendedSubscriptionDialog suspended(account);
        LONG_PTR suspendedStyle = 0;
        robot.then([&](Robot::Robot& r) { suspendedStyle = r.dialog().exStyle(); }).click(IDOK);
        suspended.runModal(nullptr);

        std::ofstream(environment(ReportVariable).c_str(), std::ios::binary)
            << Localization::instance().localeCode() << ' ' << (rightToLeft ? "rtl" : "ltr") << ' '
            << waiting.templateId() << ' ' << mirroring(waitingStyle) << ' ' << suspended.templateId() << ' '
            << mirroring(suspendedStyle);
    }

private:
    int m_languageId;
};

// Registered only in a child started with a language: the parent's own run never sees it.
const bool g_childRegistered = [] {
    const std::wstring language = environment(LanguageVariable);
    if (language.empty())
        return false;
    testing::RegisterTest("DialogsInLanguage", "Report", nullptr, nullptr, __FILE__, __LINE__,
                          [id = std::stoi(language)]() -> testing::Test* { return new DialogsInLanguage(id); });
    return true;
}();

} // namespace

TEST(InterfaceLanguage, HebrewAndArabicDialogsUseTheirMirroredTemplates)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring report = std::wstring(folder) + L"talvora-ui-language-report.txt";
    const struct {
        int languageId;
        const char* expected;
    } cases[] = {
        {0x040D, "he rtl 313 mirrored 315 mirrored"},
        {0x0401, "ar rtl 313 mirrored 315 mirrored"},
        {0x0409, "en ltr 213 plain 314 plain"},
        {0x040C, "fr ltr 213 plain 314 plain"},
    };
    for (const auto& c : cases) {
        DeleteFileW(report.c_str());
        SetEnvironmentVariableW(ReportVariable, report.c_str());
        EXPECT_EQ(UiTest::runChildTests(L"DialogsInLanguage.*", LanguageVariable, std::to_wstring(c.languageId)), 0)
            << c.expected;
        SetEnvironmentVariableW(ReportVariable, nullptr);
        EXPECT_EQ(TestSupport::readFile(report), c.expected);
    }
    DeleteFileW(report.c_str());
}
