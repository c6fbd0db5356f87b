// Shows one dialog of the add-in, as a user would see it, for scripts/screenshots.sh:
//
//   dialog_gallery.exe <dialog> <Office language id> <place file> <done file>
//
// dialog: waiting | suspended | settings (signed out, with the browser sign-in on offer and an
// update available) | settings-signed-in | settings-browser (waiting for the browser sign-in).
// Once the dialog has painted, its window rectangle on the screen ("left top width height")
// goes into the place file; the dialog stays up until the done file
// appears (at most a minute), then closes the way its user would close it. The language
// libraries are looked for beside this program, as beside the add-in.
#include "Account.h"
#include "Localization.h"
#include "Robot.h"
#include "UI/SettingsDialog.h"
#include "UI/SuspendedSubscriptionDialog.h"
#include "UI/WaitingDialog.h"
#include "UiTestSupport.h"

#include <objbase.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Waits for the dialog to paint, reports where it is, holds it until the done file appears.
void holdForTheCamera(Robot::Robot& robot, const std::wstring& placeFile, const std::wstring& doneFile)
{
    robot.pause(1500).then([placeFile](Robot::Robot& r) {
        const RECT place = r.dialog().rect();
        std::ofstream(placeFile.c_str(), std::ios::binary) << place.left << ' ' << place.top << ' ' << place.right - place.left << ' '
                                         << place.bottom - place.top << '\n';
    });
    robot.waitUntil([doneFile](Robot::Robot&) { return exists(doneFile); }, "the picture taken");
}

// A browser sign-in that never gets anywhere: enough for the dialog to offer it.
class IdleBrowserSignIn : public BrowserSignIn {
public:
    void startBrowserLoginSession() override {}
    std::string get_access_token() override { return {}; }
    std::string parse_callback(const std::string&) override { return {}; }
    bool exchange_code(const std::string&, CAccount&) override { return false; }
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5) {
        std::fputs("usage: dialog_gallery <waiting|suspended|settings|settings-signed-in|settings-browser> "
                   "<Office language id> <place file> <done file>\n",
                   stderr);
        return 2;
    }
    const std::wstring dialog = argv[1];
    const bool settingsDialog = dialog == L"settings" || dialog == L"settings-signed-in" || dialog == L"settings-browser";
    if (dialog != L"waiting" && dialog != L"suspended" && !settingsDialog) {
        std::fputs("unknown dialog\n", stderr);
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Localization::set_plugin_language_id(std::stoi(argv[2], nullptr, 0));

    // The pointer sits in the corner, so that no tooltip or hover shows in the picture.
    SetCursorPos(0, 0);
    Robot::Robot robot(60000);
    if (dialog == L"settings-browser")
        robot.click(318); // Continue with Facebook: the dialog waits for the browser
    holdForTheCamera(robot, argv[3], argv[4]);
    if (dialog == L"waiting") {
        UiTest::ScriptedRequest request({UiTest::FakeHttpRequest::Answer::Pending});
        CWaiting::Timing still;
        still.tickCount = [] { return DWORD{0}; };
        CWaiting waiting(request.request, still);
        robot.post(WM_CLOSE);
        waiting.runModal(nullptr);
    } else if (dialog == L"suspended") {
        const CAccount account = UiTest::suspendedAccount();
        CSuspendedSubscriptionDialog suspended(account);
        robot.click(IDOK);
        suspended.runModal(nullptr);
    } else {
        CAccount account;
        account.login = L"ann@example.com";
        if (dialog == L"settings-signed-in") {
            account.accessToken = L"tok3n";
            account.subscriptionId = L"4711";
        }
        IdleBrowserSignIn browser;
        CSettingsDialog settings(account, /*updateAvailable=*/dialog == L"settings", &browser);
        if (dialog == L"settings-signed-in")
            robot.click(322); // the signed-in section's Cancel
        if (dialog == L"settings-browser")
            robot.click(321); // back to the login section
        if (dialog != L"settings-signed-in")
            robot.click(IDCANCEL);
        settings.runModal(nullptr);
    }
    CoUninitialize();
    return robot.scriptDone() ? 0 : 1;
}
