#pragma once
// What the settings dialog tests share: a clean account key and stand-in service for every
// test, quick progress dialogs, the UI robot, a browser sign-in the test scripts, and the
// template's geometry in pixels.

#include "Account.h"
#include "Log.h"
#include "MessageBoxes.h"
#include "Robot.h"
#include "ServiceControl.h"
#include "TestSupport.h"
#include "UI/SettingsDialog.h"
#include "UI/WaitingDialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Settings {

// Controls of the settings dialog.
enum Control : int {
    Ok = IDOK,
    Cancel = IDCANCEL,
    Login = 207,
    Password = 209,
    Animation = 210,
    UpdateLink = 211,
    Version = 265,
    Logout = 316,
    LoginFrame = 317,
    Facebook = 318,
    SignedInFrame = 319,
    BrowserFrame = 320,
    StopWaiting = 321,
    SignedInLogin = 324,
    FacebookFrame = 325,
    Separator = 327,
    CaptionBar = 330,
};

constexpr const wchar_t* AliceLogin = L"alice+meet@example.com";
constexpr const wchar_t* AlicePassword = L"Tea & Cake+100%\u00e9";
constexpr const wchar_t* AliceToken = L"a1c3e5f7092b4d6f8a0c2e4f6b8d0f12";
constexpr const wchar_t* AliceSubscription = L"48213";

CAccount signedInAlice();
// A value of the account key, or "<absent>".
std::wstring storedValue(const wchar_t* name);

// The browser sign-in as the dialog sees it, answering from what the test set.
class ScriptedBrowser : public BrowserSignIn {
public:
    std::string title;          // what every poll answers
    std::string code;           // what the title parses to
    bool exchangeSucceeds = false;
    HWND dialog = nullptr;      // to look at the dialog while the exchange runs

    int starts = 0;
    int polls = 0;
    std::vector<std::string> parsedTitles;
    std::vector<std::string> exchangedCodes;
    bool stopButtonEnabledDuringExchange = true;

    void startBrowserLoginSession() override { ++starts; }
    std::string get_access_token() override
    {
        ++polls;
        return title;
    }
    std::string parse_callback(const std::string& text) override
    {
        parsedTitles.push_back(text);
        return code;
    }
    bool exchange_code(const std::string& exchanged, CAccount& account) override;
};

// What the dialog shows, read from outside.
struct Layout {
    int windowHeight = 0;
    RECT client{};
    std::vector<int> visibleFrames; // of 319, 317, 320, 325, in that order
    RECT visibleFrame{};            // the first of them, in client coordinates
    RECT version{};                 // the version label, in client coordinates
    bool versionVisible = false;
};
Layout readLayout(HWND dialog);

// Template geometry: dialog units of the settings template in pixels of this dialog, as the
// dialog manager converts each coordinate.
int pixelsY(HWND dialog, int dialogUnits);

// The window height the template makes (caption included), less the collapsed sections.
int expectedHeight(HWND dialog, bool signedInShown, bool loginShown, bool browserShown);

} // namespace Settings

class SettingsDialogTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Queues the wait for the dialog to be on screen (the robot may see it activated while it
    // initialises, before the dialog manager shows it); later steps follow.
    Robot::Robot& shown();
    // Waits for a message box, notes it and answers OK.
    void answerBox(std::vector<TestSupport::MessageBoxSeen>& seen);
    // A box with this text and caption whose owner is the settings dialog.
    static void expectBox(const TestSupport::MessageBoxSeen& box, const std::wstring& text, const std::wstring& caption,
                          HWND dialog);

    TestSupport::ServiceControl service;
    TestSupport::LogCapture log;
    Robot::Robot robot;
};
