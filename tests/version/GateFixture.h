#pragma once
// What the version-gate tests share: an add-in object made in this process and driven through
// its ribbon callbacks at moments of a test clock, Alice of the stand-in service signed in
// through the registry, the stand-in browser, and the UI robot answering whatever the command
// shows.

#include "Addin.h"
#include "MessageBoxes.h"
#include "Robot.h"
#include "ServiceControl.h"
#include "TestSupport.h"
#include "UrlRecorder.h"

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Gate {

// One of the ribbon's gated commands.
using Command = HRESULT (STDMETHODCALLTYPE ITalvoraMeeting::*)(IDispatch*);

// What the user saw while one command ran.
struct Seen {
    struct Box {
        TestSupport::MessageBoxSeen box;
        bool offersCancel = false;
    };
    struct Settings {
        bool updateLinkVisible = false;
        std::wstring updateLinkText;
    };
    std::vector<Box> boxes;
    std::vector<Settings> settingsDialogs;
};

// Has the robot answer every message box a command shows (the first ones with the given buttons,
// any further one with OK, else Cancel or No) and cancel the settings dialog once it is on screen,
// noting what each showed, until the test shows a closing box of its own: a box the command
// should not have shown is then seen and answered instead of holding the test in its modal loop.
class Watch {
public:
    Watch(Robot::Robot& robot, std::vector<int> answers);
    // Shows the closing box; everything that came up before it.
    Seen close();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// Alice's wall, signed in, as the wall command opens it.
std::string aliceWallUrl(const std::wstring& origin);

// Every test starts with the stand-in service reset (config preset "equal"), Alice signed in,
// an empty log that is open as after a connection, and a new add-in object whose clock reads
// what the test sets.
class GateTest : public testing::Test {
protected:
    GateTest();
    ~GateTest() override;

    // As after the host loaded the add-in anew: a new add-in object, the service reset, the log
    // emptied, the clock at the start again.
    void restart();
    // Selects a config.xml preset of the stand-in service.
    void preset(const std::string& name);
    // Serves this document as config.xml to the next download.
    void serveOnce(const std::string& document);
    // A document with the version element (and whatever else `outlook` holds) and the url.
    std::string document(const std::string& outlook) const;

    // Runs `command` at `minutes` (and `seconds`) after the first command, answering message
    // boxes with `answers`.
    Seen run(Command command, long minutes, std::vector<int> answers = {}, long seconds = 0);
    Seen openWall(long minutes, std::vector<int> answers = {})
    {
        return run(&ITalvoraMeeting::OnOpenYourWallButtonClicked, minutes, std::move(answers));
    }

    CAddin& addin() const noexcept { return *static_cast<CAddin*>(m_meeting.get()); }
    // How often the service was asked for config.xml since the test began.
    int configDownloads() const;
    // Whether the log holds a line of this member of CAddin (the command it ran).
    bool logged(const std::string& function) const;
    // The URLs the stand-in browser was given since the last look, once every browser started
    // so far has written its URL down.
    std::vector<std::string> urlsOpened();

    TestSupport::ServiceControl service;
    TestSupport::LogCapture log;
    TestSupport::UrlRecorder browser{/*takeHttp=*/true};
    Robot::Robot robot{60000};

private:
    Com::ComPtr<ITalvoraMeeting> m_meeting;
    std::size_t m_urlsSeen = 0;
};

} // namespace Gate
