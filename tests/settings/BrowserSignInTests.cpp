// The settings dialog waiting for a sign-in in the browser: the poll, its limit, cancelling, and
// what a result does. The poll ticks come from the robot calling OnTimer, as the timer would,
// from inside the dialog's modal loop.
#include "SettingsFixture.h"

using namespace Settings;
using TestSupport::MessageBoxSeen;

namespace {

// True when the dialog had the poll timer (it is gone afterwards).
bool killPollTimer(HWND dialog)
{
    return KillTimer(dialog, CSettingsDialog::PollTimerId) != FALSE;
}

} // namespace

TEST_F(SettingsDialogTest, FacebookStartsTheBrowserSignInAndPollsEveryTwoSeconds)
{
    ScriptedBrowser browser;
    CSettingsDialog dialog(CAccount(), false, &browser);
    struct {
        bool offered = false;
        std::wstring facebookText, separatorText;
        std::vector<int> frames;
        bool animationShown = false;
        DWORD firstPollAfter = 0;
    } seen;
    DWORD clicked = 0;
    shown().then([&](Robot::Robot& r) {
             seen.offered = r.dialog().item(Facebook).visible() && r.dialog().item(Separator).visible();
             seen.facebookText = r.dialog().item(Facebook).text();
             seen.separatorText = r.dialog().item(Separator).text();
             clicked = GetTickCount();
         })
        .click(Facebook)
        .waitUntil([&](Robot::Robot&) { return browser.polls > 0; }, "the first poll")
        .then([&](Robot::Robot& r) {
            seen.firstPollAfter = GetTickCount() - clicked;
            seen.frames = readLayout(r.dialog().hwnd()).visibleFrames;
            seen.animationShown = r.dialog().item(Animation).visible();
        })
        .click(321)
        .click(Cancel);

    EXPECT_EQ(dialog.runModal(nullptr), IDCANCEL);
    EXPECT_TRUE(seen.offered);
    EXPECT_EQ(seen.facebookText, L"Continue with Facebook");
    EXPECT_EQ(seen.separatorText, L"OR");
    EXPECT_EQ(browser.starts, 1);
    EXPECT_EQ(seen.frames, std::vector<int>{BrowserFrame});
    EXPECT_TRUE(seen.animationShown);
    EXPECT_GE(seen.firstPollAfter, 1900u);
    EXPECT_LE(seen.firstPollAfter, 4000u);
}

// The 301st tick ends the wait without asking the browser again; a new start counts afresh.
TEST_F(SettingsDialogTest, ThreeHundredPollsWithoutResultReturnToTheLoginSectionSilently)
{
    ScriptedBrowser browser;
    CSettingsDialog dialog(CAccount(), false, &browser);
    struct {
        CSettingsDialog::Mode afterLimit = CSettingsDialog::BrowserSignInWait;
        CSettingsDialog::Mode afterTimeout = CSettingsDialog::BrowserSignInWait;
        int pollsAsked = 0;
        bool timerLeft = true;
        std::vector<int> frames;
        CSettingsDialog::Mode afterRestart = CSettingsDialog::SignedOut;
    } seen;
    const auto poll = [&dialog](unsigned times) {
        for (unsigned i = 0; i < times; ++i)
            dialog.OnTimer();
    };
    shown().click(Facebook)
        .waitUntil([&](Robot::Robot&) { return dialog.mode() == CSettingsDialog::BrowserSignInWait; }, "browser mode")
        .then([&](Robot::Robot& r) {
            poll(CSettingsDialog::MaxPolls);
            seen.afterLimit = dialog.mode();
            seen.pollsAsked = browser.polls;
            poll(1);
            seen.afterTimeout = dialog.mode();
            seen.timerLeft = killPollTimer(r.dialog().hwnd());
            seen.frames = readLayout(r.dialog().hwnd()).visibleFrames;
        })
        .click(Facebook)
        .then([&](Robot::Robot&) {
            poll(CSettingsDialog::MaxPolls);
            seen.afterRestart = dialog.mode();
        })
        .click(321)
        .click(Cancel);

    EXPECT_EQ(dialog.runModal(nullptr), IDCANCEL);
    EXPECT_EQ(seen.afterLimit, CSettingsDialog::BrowserSignInWait);
    EXPECT_EQ(seen.pollsAsked, 300);
    EXPECT_EQ(seen.afterTimeout, CSettingsDialog::SignedOut);
    EXPECT_FALSE(seen.timerLeft);
    EXPECT_EQ(seen.frames, std::vector<int>{LoginFrame});
    EXPECT_TRUE(log.contains("[SSO] Wait timeout")) << log.text();
    EXPECT_EQ(browser.starts, 2);
    EXPECT_EQ(seen.afterRestart, CSettingsDialog::BrowserSignInWait) << "the count starts again";
    EXPECT_EQ(robot.dialogsSeen().size(), 1u) << "no box";
}

TEST_F(SettingsDialogTest, CancelInTheBrowserSectionStopsPollingAtOnce)
{
    ScriptedBrowser browser;
    CSettingsDialog dialog(CAccount(), false, &browser);
    bool timerLeft = true;
    CSettingsDialog::Mode after = CSettingsDialog::BrowserSignInWait;
    std::vector<int> frames;
    shown().click(Facebook)
        .waitUntil([&](Robot::Robot&) { return dialog.mode() == CSettingsDialog::BrowserSignInWait; }, "browser mode")
        .click(321)
        .waitUntil([&](Robot::Robot&) { return dialog.mode() != CSettingsDialog::BrowserSignInWait; }, "cancelled")
        .then([&](Robot::Robot& r) {
            after = dialog.mode();
            timerLeft = killPollTimer(r.dialog().hwnd());
            frames = readLayout(r.dialog().hwnd()).visibleFrames;
        })
        .click(Cancel);

    EXPECT_EQ(dialog.runModal(nullptr), IDCANCEL);
    EXPECT_EQ(after, CSettingsDialog::SignedOut);
    EXPECT_FALSE(timerLeft);
    EXPECT_EQ(frames, std::vector<int>{LoginFrame});
}

TEST_F(SettingsDialogTest, ABrowserResultEndsTheWait)
{
    const struct {
        const char* name;
        const char* title;
        const char* code;
        bool exchangeSucceeds;
        INT_PTR result;
        const char* logged;
        bool box;
    } cases[] = {
        {"a result without a code", "Talvora - auth/callback?error=access_denied&_t=1", "", false, IDCANCEL,
         "Error parsing title", false},
        {"a code the exchange refuses", "Talvora - wall/alice.walker?code=c0de&_t=1", "c0de", false, IDCANCEL,
         nullptr, true},
        {"a code the exchange takes", "Talvora - wall/alice.walker?code=c0de&_t=1", "c0de", true, IDOK, nullptr,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, L"Software\\TalvoraAddIn");
        const TestSupport::LogCapture caseLog;
        ScriptedBrowser browser;
        browser.title = c.title;
        browser.code = c.code;
        browser.exchangeSucceeds = c.exchangeSucceeds;
        CSettingsDialog dialog(CAccount(), false, &browser);
        std::vector<MessageBoxSeen> boxes;
        struct {
            CSettingsDialog::Mode mode = CSettingsDialog::BrowserSignInWait;
            bool timerLeft = true;
            bool stopButtonEnabled = false;
        } after;
        shown().click(Facebook)
            .waitUntil([&](Robot::Robot&) { return dialog.mode() == CSettingsDialog::BrowserSignInWait; },
                       "browser mode")
            .then([&](Robot::Robot& r) {
                browser.dialog = r.dialog().hwnd();
                dialog.OnTimer();
            });
        if (c.box)
            answerBox(boxes);
        if (c.result == IDCANCEL)
            robot
                .then([&](Robot::Robot& r) {
                    after.mode = dialog.mode();
                    after.timerLeft = killPollTimer(r.dialog().hwnd());
                    after.stopButtonEnabled = r.dialog().item(321).enabled();
                })
                .click(Cancel);

        EXPECT_EQ(dialog.runModal(nullptr), c.result);
        EXPECT_EQ(browser.parsedTitles, std::vector<std::string>{c.title});
        EXPECT_TRUE(caseLog.contains("[SSO] Got token")) << caseLog.text();
        if (c.logged) {
            EXPECT_TRUE(caseLog.contains(c.logged)) << caseLog.text();
        }
        EXPECT_EQ(browser.exchangedCodes.size(), *c.code ? 1u : 0u);
        if (*c.code) {
            EXPECT_FALSE(browser.stopButtonEnabledDuringExchange) << "Cancel is off while the exchange blocks";
        }
        ASSERT_EQ(boxes.size(), c.box ? 1u : 0u);
        if (c.box)
            expectBox(boxes[0], L"Error communicating with server. Please try again later.", L"Talvora Error",
                      browser.dialog);
        if (c.result == IDOK) {
            EXPECT_TRUE(dialog.account().isComplete());
            EXPECT_EQ(storedValue(L"AccessToken"), AliceToken);
            EXPECT_EQ(storedValue(L"Login"), AliceLogin);
            continue;
        }
        EXPECT_EQ(after.mode, CSettingsDialog::SignedOut);
        EXPECT_FALSE(after.timerLeft);
        EXPECT_TRUE(after.stopButtonEnabled);
        EXPECT_EQ(storedValue(L"Login"), L"<absent>") << "a failed sign-in saves nothing";
    }
}

// The Facebook buttons report a double press as a notification of its own; only the click of
// the press starts the sign-in.
TEST_F(SettingsDialogTest, ADoublePressOnFacebookStartsNoSecondSignIn)
{
    ScriptedBrowser browser;
    CSettingsDialog dialog(CAccount(), false, &browser);
    shown()
        .then([&](Robot::Robot& r) {
            const HWND settings = r.dialog().hwnd();
            SendMessageW(settings, WM_COMMAND, MAKEWPARAM(Facebook, STN_DBLCLK),
                         reinterpret_cast<LPARAM>(GetDlgItem(settings, Facebook)));
        })
        .click(Cancel);

    EXPECT_EQ(dialog.runModal(nullptr), IDCANCEL);
    EXPECT_EQ(browser.starts, 0);
}
