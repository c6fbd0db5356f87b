#pragma once
// A UI robot for tests: it plays a user in front of the dialogs the code under test runs.
//
//   Robot::Robot robot;
//   robot.waitUntil([](Robot::Robot& r) { return r.dialog().item(IDOK).visible(); })
//        .pressKey(VK_ESCAPE)
//        .click(IDOK);
//   const INT_PTR result = dialog.runModal(nullptr);   // the script runs inside this modal loop
//
// A CBT hook on the test thread sees every dialog and message box come up (HCBT_ACTIVATE) and
// every window made and destroyed. The script is a queue of steps; a thread timer runs one step
// per tick from inside whatever modal loop the thread is in, and only once a dialog is up.
// Clicks and keys are posted, so that they travel through the dialog manager as a user's would.
// The step after one that posted runs once the thread has handled what was posted, and what
// that posted in turn: a timer message is only taken from a queue that holds no posted, input
// or paint message.
// A step that cannot complete within the time-out fails the test and ends the dialog with -2,
// so that no test hangs; a script left unfinished fails the test when the robot goes. Either
// failure reports what the robot saw: the active and focused windows, the dialogs still up and
// the last messages the thread took from its queue, so that the log alone explains it.

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Robot {

// A window of the program under test, seen from outside: what a user can read and do.
class Window {
public:
    explicit Window(HWND hwnd = nullptr) noexcept : m_hwnd(hwnd) {}

    HWND hwnd() const noexcept { return m_hwnd; }
    bool exists() const noexcept { return m_hwnd && IsWindow(m_hwnd); }
    Window item(int id) const noexcept { return Window(GetDlgItem(m_hwnd, id)); }

    std::wstring text() const;
    std::wstring className() const;
    bool visible() const noexcept { return IsWindowVisible(m_hwnd) != FALSE; }
    bool enabled() const noexcept { return IsWindowEnabled(m_hwnd) != FALSE; }
    bool focused() const noexcept { return GetFocus() == m_hwnd; }
    LONG_PTR style() const noexcept { return GetWindowLongPtrW(m_hwnd, GWL_STYLE); }
    LONG_PTR exStyle() const noexcept { return GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE); }
    RECT rect() const noexcept;       // screen coordinates
    RECT clientRect() const noexcept; // client coordinates
    // The window's rectangle in the client coordinates of its parent.
    RECT rectInParent() const noexcept;

    // A button is clicked (BM_CLICK); anything else is pressed and released at `point`
    // (client coordinates; the centre when omitted).
    void click() const;
    void clickAt(POINT point) const;
    // The key goes down and up again in this window, as if it had the focus.
    void pressKey(UINT virtualKey) const;
    // Replaces the text of an edit control, character by character.
    void type(std::wstring_view text) const;
    // The close box (SC_CLOSE).
    void closeBox() const;

private:
    HWND m_hwnd;
};

class Robot {
public:
    using Step = std::function<void(Robot&)>;
    using Condition = std::function<bool(Robot&)>;

    explicit Robot(DWORD stepTimeoutMs = 15000, UINT tickMs = 15);
    ~Robot();
    Robot(const Robot&) = delete;
    Robot& operator=(const Robot&) = delete;

    // Script steps, run in order.
    Robot& then(Step step);
    Robot& waitUntil(Condition condition, std::string description = "condition");
    // Lets this much time pass before the next step (for a camera, not for the program: what
    // the program does is waited for by its state).
    Robot& pause(DWORD ms);
    Robot& click(int controlId);
    // Waits until the dialog is the thread's active window (keys reach no other), then the key
    // goes to the window with the focus, else to the dialog.
    Robot& pressKey(UINT virtualKey);
    // The user comes back to the dialog after another program took the foreground (a browser
    // the dialog started): it becomes the active window again.
    Robot& activate();
    Robot& type(int controlId, std::wstring text);
    Robot& closeBox();
    Robot& post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0); // to the dialog
    // Waits for a message box (or dialog) with this button, then clicks it.
    Robot& answerMessageBox(int buttonId);

    // The dialog or message box activated last that still exists.
    Window dialog() const;
    // Every dialog and message box that came up while the robot watched, in order.
    const std::vector<HWND>& dialogsSeen() const noexcept { return m_dialogs; }
    // Every window made while the robot watched (dialogs, controls, tooltips...).
    const std::vector<HWND>& windowsCreated() const noexcept { return m_created; }
    // How many of those are still there.
    std::size_t windowsAlive() const;
    // The next dialog fails to be created (DialogBoxParamW then answers -1).
    void refuseNextDialog() noexcept { m_refuseNextDialog = true; }
    bool scriptDone() const noexcept { return m_script.empty(); }

private:
    struct Entry {
        Condition run; // true when the step is complete
        std::string description;
    };
    Robot& add(Condition run, std::string description);
    void tick();
    void giveUp(const std::string& description);

    std::string report() const;
    void remember(const MSG& message);

    static LRESULT CALLBACK cbtHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK messageHook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK timerProc(HWND, UINT, UINT_PTR, DWORD);

    std::deque<Entry> m_script;
    std::vector<HWND> m_dialogs;
    std::vector<HWND> m_created;
    bool m_refuseNextDialog = false;
    std::optional<DWORD> m_stepStarted; // when the step at the front first ran
    DWORD m_stepTimeout;
    std::deque<MSG> m_lastMessages; // the newest at the back
    HHOOK m_hook = nullptr;
    HHOOK m_messageHook = nullptr;
    UINT_PTR m_timer = 0;
};

} // namespace Robot
