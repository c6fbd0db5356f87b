// How the settings dialog lays itself out: one section under the caption bar in every mode,
// the dialog as high as the template less the collapsed sections, the version row in view, the
// update link only when an update is there, and the mirrored twin for right-to-left languages.
#include "Localization.h"
#include "ServiceOrigins.h"
#include "SettingsFixture.h"
#include "TestSupport.h"
#include "TextCodec.h"
#include "UrlRecorder.h"

#include <sstream>

using namespace Settings;

namespace {

struct ModeLayout {
    Layout layout;
    int expectedHeight = 0;
    int sectionTop = 0;      // where the first section of the template starts
    int versionTop = 0;      // the version row's template position less the collapsed sections
    std::wstring version;
};

ModeLayout readModeLayout(HWND dialog, CSettingsDialog::Mode mode)
{
    ModeLayout seen;
    seen.layout = readLayout(dialog);
    const bool signedIn = mode == CSettingsDialog::SignedIn;
    const bool signedOut = mode == CSettingsDialog::SignedOut;
    const bool browser = mode == CSettingsDialog::BrowserSignInWait;
    seen.expectedHeight = expectedHeight(dialog, signedIn, signedOut, browser);
    seen.sectionTop = pixelsY(dialog, 22);
    // Collapsing moves every control below a section up by the section's height: the Facebook
    // section's, always, takes the row from 349 to where that section started.
    seen.versionTop = pixelsY(dialog, 296);
    if (!signedIn)
        seen.versionTop -= pixelsY(dialog, 109) - pixelsY(dialog, 22);
    if (!signedOut)
        seen.versionTop -= pixelsY(dialog, 205) - pixelsY(dialog, 109);
    if (!browser)
        seen.versionTop -= pixelsY(dialog, 296) - pixelsY(dialog, 205);
    wchar_t text[128] = {};
    GetDlgItemTextW(dialog, Version, text, 128);
    seen.version = text;
    return seen;
}

void expectModeLayout(const ModeLayout& seen, int frame)
{
    EXPECT_EQ(seen.layout.visibleFrames, std::vector<int>{frame});
    EXPECT_EQ(seen.layout.windowHeight, seen.expectedHeight);
    EXPECT_EQ(seen.layout.visibleFrame.top, seen.sectionTop);
    EXPECT_EQ(seen.layout.version.top, seen.versionTop);
    EXPECT_TRUE(seen.layout.versionVisible);
    EXPECT_GE(seen.layout.version.top, seen.layout.visibleFrame.bottom) << "below the section";
    EXPECT_LE(seen.layout.version.bottom, seen.layout.client.bottom) << "inside the dialog";
    EXPECT_EQ(seen.version, L"Version: 0.9.28.0-6e7aff1");
}

// The child: records the language before anything asks for a string (as the add-in does at
// connection), checks the signed-out layout and writes down template, mirroring and where the
// login box sits against its label.
class SettingsInLanguage : public SettingsDialogTest {
public:
    explicit SettingsInLanguage(int languageId) : m_languageId(languageId) {}

    void TestBody() override
    {
        CSettingsDialog dialog(CAccount(), false);
        ModeLayout seen;
        LONG_PTR exStyle = 0;
        RECT label{}, box{};
        shown().then([&](Robot::Robot& r) {
                 seen = readModeLayout(r.dialog().hwnd(), CSettingsDialog::SignedOut);
                 exStyle = r.dialog().exStyle();
                 label = r.dialog().item(301).rect();
                 box = r.dialog().item(Login).rect();
             })
            .click(Cancel);
        EXPECT_EQ(dialog.runModal(nullptr), IDCANCEL);
        expectModeLayout(seen, LoginFrame);
        std::ostringstream report;
        report << Localization::instance().localeCode() << ' ' << dialog.templateId() << ' '
               << ((exStyle & WS_EX_LAYOUTRTL) ? "mirrored" : "plain") << ' '
               << (box.right <= label.left ? "box-left-of-label"
                   : label.right <= box.left ? "box-right-of-label"
                                             : "overlap");
        TestSupport::writeChildReport(report.str());
    }

private:
    int m_languageId;
};

// Registered only in a child started with a language; the language is set before the first
// test object asks Localization for anything.
const bool g_childRegistered = [] {
    const int id = TestSupport::childLanguageId();
    if (!id)
        return false;
    Localization::set_plugin_language_id(id);
    testing::RegisterTest("SettingsInLanguage", "Report", nullptr, nullptr, __FILE__, __LINE__,
                          [id]() -> SettingsDialogTest* { return new SettingsInLanguage(id); });
    return true;
}();

} // namespace

TEST_F(SettingsDialogTest, EachModeShowsItsSectionUnderTheCaptionAndTheVersionRowBelow)
{
    const struct {
        const char* name;
        CAccount account;
        CSettingsDialog::Mode mode;
        int frame;
    } cases[] = {
        {"signed in", signedInAlice(), CSettingsDialog::SignedIn, SignedInFrame},
        {"signed out", CAccount(), CSettingsDialog::SignedOut, LoginFrame},
        {"waiting for the browser", CAccount(), CSettingsDialog::BrowserSignInWait, BrowserFrame},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedBrowser browser;
        CSettingsDialog dialog(c.account, false, &browser);
        ModeLayout seen;
        LONG_PTR style = 0;
        RECT captionBar{};
        shown();
        if (c.mode == CSettingsDialog::BrowserSignInWait)
            robot.click(Facebook).waitUntil([&](Robot::Robot&) { return dialog.mode() == c.mode; }, "browser mode");
        robot.then([&](Robot::Robot& r) {
                 seen = readModeLayout(r.dialog().hwnd(), c.mode);
                 style = r.dialog().style();
                 captionBar = r.dialog().item(CaptionBar).rectInParent();
             })
            .click(c.mode == CSettingsDialog::SignedIn ? 322 : c.mode == CSettingsDialog::SignedOut ? Cancel : 321);
        if (c.mode == CSettingsDialog::BrowserSignInWait)
            robot.click(Cancel);

        EXPECT_EQ(dialog.runModal(nullptr), IDCANCEL);
        expectModeLayout(seen, c.frame);
        EXPECT_FALSE(style & WS_CAPTION) << "the caption bar replaces the system caption";
        EXPECT_EQ(captionBar.top, 0);
        EXPECT_LE(captionBar.bottom, seen.sectionTop);
    }
}

TEST_F(SettingsDialogTest, TheUpdateLinkComesOnlyWithAnUpdateAndOpensTheInstructions)
{
    for (const bool update : {false, true}) {
        SCOPED_TRACE(update ? "update available" : "no update");
        TestSupport::UrlRecorder browser(true);
        CSettingsDialog dialog(signedInAlice(), update);
        bool linkShown = !update;
        std::wstring text;
        RECT link{}, version{};
        shown().then([&](Robot::Robot& r) {
            linkShown = r.dialog().item(UpdateLink).visible();
            text = r.dialog().item(UpdateLink).text();
            link = r.dialog().item(UpdateLink).rectInParent();
            version = r.dialog().item(Version).rectInParent();
        });
        // On the label's first letters: the link reacts to its text only, not to the whole control.
        if (update)
            robot.then([](Robot::Robot& r) { r.dialog().item(UpdateLink).clickAt({3, 3}); });
        robot.click(322);

        EXPECT_EQ(dialog.runModal(nullptr), IDCANCEL);
        EXPECT_EQ(linkShown, update);
        if (!update)
            continue;
        EXPECT_EQ(text, L"update available");
        EXPECT_EQ(link.top, version.top) << "on the version row";
        const std::string expected = fromUtf16(WebHost(), CP_UTF8).str() + "/outlook-plugin-instructions";
        EXPECT_EQ(browser.opened(1), std::vector<std::string>{expected});
    }
}

TEST(SettingsDialogLanguage, RightToLeftLanguagesGetTheMirroredTwin)
{
    const struct {
        int languageId;
        const char* expected;
    } cases[] = {
        {0x040D, "he 312 mirrored box-left-of-label"},
        {0x0409, "en 212 plain box-right-of-label"},
    };
    for (const auto& c : cases) {
        const TestSupport::LanguageChildResult child =
            TestSupport::runLanguageChild(L"SettingsInLanguage.*", c.languageId);
        EXPECT_EQ(child.exitCode, 0) << c.expected;
        EXPECT_EQ(child.report, c.expected);
    }
}
