#pragma once
// A UI robot that answers every message box that comes up while an operation runs, noting what
// each one said, until the test shows a closing box of its own. A box the code under test
// should not have shown is then seen and answered, instead of leaving the test hanging.
//
//   MessageBoxWatch boxes;
//   server.load(url, body);
//   EXPECT_TRUE(boxes.close().empty());
//
// Not around a blocking wait for a request that never answers: under Wine, WaitForResponse
// starts its time-out afresh with every message it pumps, and the robot's timer sends one
// every few milliseconds.

#include "MessageBoxes.h"
#include "Robot.h"

#include <algorithm>
#include <memory>
#include <vector>

class MessageBoxWatch {
public:
    // closeOtherDialogs: every other dialog that comes up (the progress pop-up) is closed at
    // once, as with Alt+F4.
    explicit MessageBoxWatch(bool closeOtherDialogs = false) : m_state(std::make_shared<State>())
    {
        m_robot.waitUntil(
            [state = m_state, closeOtherDialogs](Robot::Robot& r) {
                const HWND box = r.dialog().hwnd();
                if (std::count(state->answered.begin(), state->answered.end(), box))
                    return false;
                if (!TestSupport::isMessageBox(box)) {
                    if (closeOtherDialogs) {
                        state->answered.push_back(box);
                        PostMessageW(box, WM_CLOSE, 0, 0);
                    }
                    return false;
                }
                state->answered.push_back(box);
                const TestSupport::MessageBoxSeen seen = TestSupport::readMessageBox(box);
                Robot::Window(box).item(IDOK).click();
                if (seen.text == ClosingText)
                    return true;
                state->seen.push_back(seen);
                return false;
            },
            "every message box answered");
    }

    // Shows the closing box; every box that came up before it, in order.
    std::vector<TestSupport::MessageBoxSeen> close()
    {
        MessageBoxW(nullptr, ClosingText, L"test", MB_OK);
        return m_state->seen;
    }

private:
    static constexpr const wchar_t* ClosingText = L"The operation under test has returned.";

    struct State {
        std::vector<HWND> answered; // and closed
        std::vector<TestSupport::MessageBoxSeen> seen;
    };
    std::shared_ptr<State> m_state;
    Robot::Robot m_robot;
};
