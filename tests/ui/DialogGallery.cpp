// Shows one dialog of the add-in, as a user would see it, for scripts/screenshots.sh:
//
//   dialog_gallery.exe <dialog> <Office language id> <place file> <done file>
//
// dialog: waiting | suspended | settings (signed out, with the browser sign-in on offer and an
// update available) | settings-signed-in | settings-browser (waiting for the browser sign-in).
//
//   dialog_gallery.exe measure <Office language id> <report file>
//
// opens every one of them in turn instead and writes down, for each visible control with a
// text, the room its text needs and the room the control gives it (tests/ui/TextFitTests.cpp).
// Once the dialog has painted, its window rectangle on the screen ("left top width height")
// goes into the place file; the dialog stays up until the done file
// appears (at most a minute), then closes the way its user would close it. The language
// libraries are looked for beside this program, as beside the add-in.
#include "Account.h"
#include "Localization.h"
#include "Robot.h"
#include "TextCodec.h"
#include "UI/SettingsDialog.h"
#include "UI/SuspendedSubscriptionDialog.h"
#include "UI/WaitingDialog.h"
#include "TextFit.h"
#include "UiTestSupport.h"

#include <objbase.h>

#include <cstdio>
#include <functional>
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

const wchar_t* const Dialogs[] = {L"waiting", L"suspended", L"settings", L"settings-signed-in", L"settings-browser"};

bool knownDialog(const std::wstring& dialog)
{
    for (const wchar_t* known : Dialogs)
        if (dialog == known)
            return true;
    return false;
}

// Shows the dialog in its state, runs `whileShown` once it is up, then closes it the way its
// user would. False when the robot's script did not run to its end.
bool runDialog(const std::wstring& dialog, const std::function<void(Robot::Robot&)>& whileShown)
{
    Robot::Robot robot(60000);
    if (dialog == L"settings-browser")
        robot.click(318); // Continue with Facebook: the dialog waits for the browser
    whileShown(robot);
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
    return robot.scriptDone();
}

// Every dialog in turn: one line "<dialog> <control id> <w|h> <needed> <available>" per
// measured text.
bool measureEveryDialog(const std::wstring& reportFile)
{
    std::ofstream report(reportFile.c_str(), std::ios::binary);
    bool complete = true;
    for (const wchar_t* dialog : Dialogs) {
        const std::string name = fromUtf16(dialog, CP_UTF8).str();
        complete = runDialog(dialog, [&](Robot::Robot& robot) {
                       robot.waitUntil([](Robot::Robot& r) { return r.dialog().visible(); }, "the dialog shown")
                           .then([&](Robot::Robot& r) {
                           for (const UiTest::TextFit& fit : UiTest::measureTexts(r.dialog().hwnd()))
                               report << name << ' ' << fit.controlId << ' ' << fit.axis << ' ' << fit.needed << ' '
                                      << fit.available << '\n';
                       });
                   }) && complete;
    }
    return complete && report.good();
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const bool measuring = argc == 4 && std::wstring(argv[1]) == L"measure";
    if (!measuring && (argc != 5 || !knownDialog(argv[1]))) {
        std::fputs("usage: dialog_gallery <waiting|suspended|settings|settings-signed-in|settings-browser> "
                   "<Office language id> <place file> <done file>\n"
                   "       dialog_gallery measure <Office language id> <report file>\n",
                   stderr);
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Localization::set_plugin_language_id(std::stoi(argv[2], nullptr, 0));

    // The pointer sits in the corner, so that no tooltip or hover shows in the picture.
    SetCursorPos(0, 0);
    bool done = false;
    if (measuring) {
        done = measureEveryDialog(argv[3]);
    } else {
        const std::wstring placeFile = argv[3], doneFile = argv[4];
        done = runDialog(argv[1], [&](Robot::Robot& robot) { holdForTheCamera(robot, placeFile, doneFile); });
    }
    CoUninitialize();
    return done ? 0 : 1;
}
