// The account-error dialog, and where the add-in's dialogs appear.
#include "../../res/resource.h"
#include "Account.h"
#include "Robot.h"
#include "ServiceOrigins.h"
#include "UI/SuspendedSubscriptionDialog.h"
#include "UiTestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

using UiTest::suspendedAccount;

// The texts of every tool of a tooltip window.
std::vector<std::wstring> toolTexts(HWND tooltip)
{
    std::vector<std::wstring> texts;
    const auto count = SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        wchar_t text[1024] = {};
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.lpszText = text;
        if (SendMessageW(tooltip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tool))) {
            tool.lpszText = text;
            SendMessageW(tooltip, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
            texts.emplace_back(text);
        }
    }
    return texts;
}

HWND tooltipOf(const Robot::Robot& robot)
{
    for (const HWND window : robot.windowsCreated())
        if (IsWindow(window) && Robot::Window(window).className() == TOOLTIPS_CLASSW)
            return window;
    return nullptr;
}

POINT centre(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

using SuspendedDialogTest = UiTest::DialogTest;

} // namespace

TEST_F(SuspendedDialogTest, ShowsTheSuspensionAndLinksToTheSignedInWebPage)
{
    const CAccount account = suspendedAccount();
    CSuspendedSubscriptionDialog dialog(account);
    EXPECT_EQ(dialog.templateId(), IDD_SUSPENDED_SUBSCRIPTION);

    struct {
        std::wstring title, message, link, ok;
        LONG_PTR style = 0, exStyle = 0, linkStyle = 0;
        std::vector<std::wstring> tools;
    } seen;
    robot.then([&](Robot::Robot& r) {
        const Robot::Window window = r.dialog();
        seen.title = window.text();
        seen.message = window.item(IDC_SUSPENDED_MESSAGE).text();
        seen.link = window.item(IDC_SUSPENDED_LINK).text();
        seen.ok = window.item(IDOK).text();
        seen.style = window.style();
        seen.exStyle = window.exStyle();
        seen.linkStyle = window.item(IDC_SUSPENDED_LINK).style();
        seen.tools = toolTexts(tooltipOf(r));
    });
    robot.click(IDOK);

    EXPECT_EQ(dialog.runModal(nullptr), IDOK);
    EXPECT_EQ(seen.title, L"Talvora Account Error");
    EXPECT_EQ(seen.message, L"Your account has been suspended by the service provider.");
    EXPECT_EQ(seen.link, L"Click here for more information");
    EXPECT_EQ(seen.ok, L"OK");
    EXPECT_EQ(seen.style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_FALSE(seen.exStyle & WS_EX_LAYOUTRTL);
    EXPECT_TRUE(seen.linkStyle & SS_NOTIFY) << "the link takes mouse input";
    const std::wstring url = WebHost() + L"/nc_login?security_token=YWNjZXNzX3Rva2VuPXRvazNuO3Bjc19pZD00NzEx";
    EXPECT_EQ(seen.tools, std::vector<std::wstring>{url}) << "the link's tooltip shows where it leads";
}

TEST_F(SuspendedDialogTest, OnlyOkClosesIt)
{
    const CAccount account = suspendedAccount();
    CSuspendedSubscriptionDialog dialog(account);
    bool openAfterEscape = false;
    bool openAfterCloseBox = false;
    robot.pressKey(VK_ESCAPE)
        .then([&](Robot::Robot& r) { openAfterEscape = r.dialog().exists(); })
        .closeBox()
        .then([&](Robot::Robot& r) { openAfterCloseBox = r.dialog().exists(); })
        .click(IDOK);

    EXPECT_EQ(dialog.runModal(nullptr), IDOK);
    EXPECT_TRUE(openAfterEscape);
    EXPECT_TRUE(openAfterCloseBox);
    EXPECT_EQ(robot.dialogsSeen().size(), 1u);
}

TEST_F(SuspendedDialogTest, EnterOrSpaceOnTheFocusedLinkOpensIt)
{
    UiTest::UrlRecorder browser(/*takeHttp=*/true);
    const CAccount account = suspendedAccount();
    CSuspendedSubscriptionDialog dialog(account);
    bool stayedOpen = false;
    const auto linkFocused = [](Robot::Robot& r) { return r.dialog().item(IDC_SUSPENDED_LINK).focused(); };
    // The browser takes the foreground: the user comes back to the dialog, where the focus is
    // still on the link, before pressing the next key.
    robot.then([](Robot::Robot& r) { SetFocus(r.dialog().item(IDC_SUSPENDED_LINK).hwnd()); })
        .waitUntil(linkFocused, "the focus on the link")
        .pressKey(VK_RETURN)
        .waitUntil([&](Robot::Robot&) { return browser.opened(1, 0).size() == 1; }, "the link opened by Enter")
        .activate()
        .waitUntil(linkFocused, "the focus back on the link")
        .pressKey(VK_SPACE)
        .waitUntil([&](Robot::Robot&) { return browser.opened(2, 0).size() == 2; }, "the link opened by Space")
        .then([&](Robot::Robot& r) { stayedOpen = r.dialog().exists(); })
        .click(IDOK);

    EXPECT_EQ(dialog.runModal(nullptr), IDOK);
    EXPECT_TRUE(stayedOpen) << "Enter on the link does not press OK";
    const std::string url = "/nc_login?security_token=YWNjZXNzX3Rva2VuPXRvazNuO3Bjc19pZD00NzEx";
    const auto opened = browser.opened(2);
    ASSERT_EQ(opened.size(), 2u);
    for (const std::string& u : opened)
        EXPECT_NE(u.find(url), std::string::npos) << u;
}

TEST_F(SuspendedDialogTest, CentredOnAVisibleOwnerElseOnTheWorkArea)
{
    MONITORINFO monitor{sizeof monitor};
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT work = monitor.rcWork;
    enum Expect { OnOwner, OnWorkArea, OwnerRowAgainstTheRightEdge };
    const struct {
        const char* what;
        int show;
        RECT owner;
        Expect expect;
    } cases[] = {
        {"visible owner", SW_SHOWNOACTIVATE, {60, 80, 560, 480}, OnOwner},
        {"hidden owner", SW_HIDE, {60, 80, 560, 480}, OnWorkArea},
        {"minimised owner", SW_SHOWMINNOACTIVE, {60, 80, 560, 480}, OnWorkArea},
        {"visible owner past the right edge", SW_SHOWNOACTIVATE, {work.right - 100, 80, work.right + 300, 480},
         OwnerRowAgainstTheRightEdge},
    };
    const CAccount account = suspendedAccount();
    for (const auto& c : cases) {
        const HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, c.owner.left, c.owner.top,
                                           c.owner.right - c.owner.left, c.owner.bottom - c.owner.top, nullptr,
                                           nullptr, nullptr, nullptr);
        ShowWindow(owner, c.show);
        CSuspendedSubscriptionDialog dialog(account);
        RECT placed{};
        RECT ownerNow{};
        robot.then([&](Robot::Robot& r) {
            placed = r.dialog().rect();
            GetWindowRect(owner, &ownerNow);
        });
        robot.click(IDOK);
        EXPECT_EQ(dialog.runModal(owner), IDOK) << c.what;
        DestroyWindow(owner);

        const POINT actual = centre(placed);
        const POINT expected = centre(c.expect == OnWorkArea ? work : ownerNow);
        if (c.expect == OwnerRowAgainstTheRightEdge)
            EXPECT_EQ(placed.right, work.right) << c.what;
        else
            EXPECT_NEAR(actual.x, expected.x, 1) << c.what;
        EXPECT_NEAR(actual.y, expected.y, 1) << c.what;
    }
}
