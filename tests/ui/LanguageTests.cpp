// The mirrored templates of right-to-left languages. The interface language is chosen once per
// process, so each language runs in a child process of this program that records the Office
// language before anything asks for a string (as the add-in does at connection) and writes
// down what its dialogs looked like; the parent compares.
#include "Localization.h"
#include "Robot.h"
#include "TestSupport.h"
#include "UI/SuspendedSubscriptionDialog.h"
#include "UI/WaitingDialog.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// How the dialog is laid out, and whether any of its controls asks for the reverse of the
// reading order it inherits: under a mirrored layout WS_EX_RTLREADING turns a child back to
// left-to-right reading on Windows, so none may carry it.
std::string mirroring(const Robot::Window& dialog)
{
    const LONG_PTR rtl = WS_EX_LAYOUTRTL | WS_EX_RTLREADING;
    const LONG_PTR style = dialog.exStyle();
    const std::string layout = (style & rtl) == rtl ? "mirrored" : (style & rtl) ? "half-mirrored" : "plain";
    bool reversed = false;
    for (HWND child = GetWindow(dialog.hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        reversed = reversed || (GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
    return layout + (reversed ? "/reversed-child" : "/inherited");
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
        std::string waitingLook;
        robot.then([&](Robot::Robot& r) { waitingLook = mirroring(r.dialog()); }).post(WM_CLOSE);
        waiting.runModal(nullptr);

        CAccount account;
        CSuspendedSubscriptionDialog suspended(account);
        std::string suspendedLook;
        robot.then([&](Robot::Robot& r) { suspendedLook = mirroring(r.dialog()); }).click(IDOK);
        suspended.runModal(nullptr);

        std::ostringstream report;
        report << Localization::instance().localeCode() << ' ' << (rightToLeft ? "rtl" : "ltr") << ' '
               << waiting.templateId() << ' ' << waitingLook << ' ' << suspended.templateId() << ' ' << suspendedLook;
        TestSupport::writeChildReport(report.str());
    }

private:
    int m_languageId;
};

// Registered only in a child started with a language: the parent's own run never sees it.
const bool g_childRegistered = [] {
    const int id = TestSupport::childLanguageId();
    if (!id)
        return false;
    testing::RegisterTest("DialogsInLanguage", "Report", nullptr, nullptr, __FILE__, __LINE__,
                          [id]() -> testing::Test* { return new DialogsInLanguage(id); });
    return true;
}();

} // namespace

TEST(InterfaceLanguage, HebrewAndArabicDialogsUseTheirMirroredTemplates)
{
    const struct {
        int languageId;
        const char* expected;
    } cases[] = {
        {0x040D, "he rtl 313 mirrored/inherited 315 mirrored/inherited"},
        {0x0401, "ar rtl 313 mirrored/inherited 315 mirrored/inherited"},
        {0x0409, "en ltr 213 plain/inherited 314 plain/inherited"},
        {0x040C, "fr ltr 213 plain/inherited 314 plain/inherited"},
    };
    for (const auto& c : cases) {
        const TestSupport::LanguageChildResult child = TestSupport::runLanguageChild(L"DialogsInLanguage.*", c.languageId);
        EXPECT_EQ(child.exitCode, 0) << c.expected;
        EXPECT_EQ(child.report, c.expected);
    }
}
