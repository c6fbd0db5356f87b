#include "SettingsFixture.h"

#include <utility>

namespace Settings {

CAccount signedInAlice()
{
    CAccount account;
    account.login = AliceLogin;
    account.accessToken = AliceToken;
    account.subscriptionId = AliceSubscription;
    account.meetingUrl = L"alice.walker";
    return account;
}

std::wstring storedValue(const wchar_t* name)
{
    std::wstring value = L"<absent>";
    CAccount::readRegistryString(name, value);
    return value;
}

bool ScriptedBrowser::exchange_code(const std::string& exchanged, CAccount& account)
{
    exchangedCodes.push_back(exchanged);
    stopButtonEnabledDuringExchange = IsWindowEnabled(GetDlgItem(dialog, StopWaiting)) != FALSE;
    if (!exchangeSucceeds)
        return false;
    account.login = AliceLogin;
    account.accessToken = AliceToken;
    account.subscriptionId = AliceSubscription;
    return true;
}

namespace {

RECT rectInClient(HWND dialog, HWND control)
{
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
    if (rect.left > rect.right) // a mirrored dialog swaps them
        std::swap(rect.left, rect.right);
    return rect;
}

} // namespace

Layout readLayout(HWND dialog)
{
    Layout layout;
    RECT window{};
    GetWindowRect(dialog, &window);
    layout.windowHeight = window.bottom - window.top;
    GetClientRect(dialog, &layout.client);
    for (int frame : {SignedInFrame, LoginFrame, BrowserFrame, FacebookFrame})
        if (IsWindowVisible(GetDlgItem(dialog, frame)))
            layout.visibleFrames.push_back(frame);
    if (!layout.visibleFrames.empty())
        layout.visibleFrame = rectInClient(dialog, GetDlgItem(dialog, layout.visibleFrames.front()));
    layout.version = rectInClient(dialog, GetDlgItem(dialog, Version));
    layout.versionVisible = IsWindowVisible(GetDlgItem(dialog, Version)) != FALSE;
    return layout;
}

int pixelsY(HWND dialog, int dialogUnits)
{
    RECT rect{0, 0, 0, dialogUnits};
    MapDialogRect(dialog, &rect);
    return rect.bottom;
}

int expectedHeight(HWND dialog, bool signedInShown, bool loginShown, bool browserShown)
{
    // The template is 347 units high; the window the dialog manager makes for it has the
    // system caption, which the dialog removes without changing its window's size.
    RECT window{0, 0, 100, pixelsY(dialog, 347)};
    AdjustWindowRectEx(&window, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)) | WS_CAPTION, FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    int height = window.bottom - window.top;
    // A section reaches from its frame's top to the top of the first control below it.
    if (!signedInShown)
        height -= pixelsY(dialog, 109) - pixelsY(dialog, 22);
    if (!loginShown)
        height -= pixelsY(dialog, 205) - pixelsY(dialog, 109);
    if (!browserShown)
        height -= pixelsY(dialog, 296) - pixelsY(dialog, 205);
    height -= pixelsY(dialog, 349) - pixelsY(dialog, 296); // the Facebook section, always collapsed
    return height;
}

} // namespace Settings

void SettingsDialogTest::SetUp()
{
    TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, L"Software\\TalvoraAddIn");
    service.reset();
    Log::open(getLogFilePath());
    CWaiting::Timing quick;
    quick.period = 20;
    setProgressTiming(quick);
}

void SettingsDialogTest::TearDown()
{
    setProgressTiming(CWaiting::Timing{});
    Log::close();
    TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, L"Software\\TalvoraAddIn");
}

Robot::Robot& SettingsDialogTest::shown()
{
    return robot.waitUntil([](Robot::Robot& r) { return r.dialog().visible(); }, "the dialog on screen");
}

void SettingsDialogTest::answerBox(std::vector<TestSupport::MessageBoxSeen>& seen)
{
    robot.waitUntil([](Robot::Robot& r) { return TestSupport::isMessageBox(r.dialog().hwnd()); }, "a message box")
        .then([&seen](Robot::Robot& r) { seen.push_back(TestSupport::readMessageBox(r.dialog().hwnd())); })
        .answerMessageBox(IDOK)
        .waitUntil([](Robot::Robot& r) { return !TestSupport::isMessageBox(r.dialog().hwnd()); }, "the box gone");
}

void SettingsDialogTest::expectBox(const TestSupport::MessageBoxSeen& box, const std::wstring& text,
                                   const std::wstring& caption, HWND dialog)
{
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, caption);
    EXPECT_TRUE(box.warningIcon);
    EXPECT_EQ(box.owner, dialog);
}
