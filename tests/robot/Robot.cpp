#include "Robot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>

namespace Robot {

namespace {

Robot* g_robot = nullptr; // the one robot of the test thread, for the hook and the timer

constexpr ATOM DialogClassAtom = 0x8002; // "#32770"

bool isDialogClass(LPCWSTR className)
{
    if (IS_INTRESOURCE(className))
        return LOWORD(reinterpret_cast<ULONG_PTR>(className)) == DialogClassAtom;
    return lstrcmpiW(className, L"#32770") == 0;
}

bool isDialog(HWND window)
{
    wchar_t name[16] = {};
    return GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0;
}

LPARAM pointParam(POINT point)
{
    return MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y));
}

constexpr std::size_t MessagesKept = 24;

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (const wchar_t c : text)
        out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    return out;
}

// A window as a failure report names it: handle, class, control id and text.
std::string describe(HWND window)
{
    if (!window)
        return "(none)";
    std::ostringstream out;
    out << window;
    if (!IsWindow(window))
        return out.str() + " (destroyed)";
    const Window w(window);
    std::wstring text = w.text();
    if (text.size() > 40)
        text = text.substr(0, 40) + L"...";
    out << " " << narrow(w.className());
    if (w.style() & WS_CHILD)
        out << " id " << GetDlgCtrlID(window);
    out << " \"" << narrow(text) << "\"" << (w.visible() ? "" : " hidden");
    return out.str();
}

const char* messageName(UINT message)
{
    switch (message) {
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_KEYUP: return "WM_KEYUP";
    case WM_CHAR: return "WM_CHAR";
    case WM_SYSKEYDOWN: return "WM_SYSKEYDOWN";
    case WM_SYSKEYUP: return "WM_SYSKEYUP";
    case WM_SYSCHAR: return "WM_SYSCHAR";
    case WM_LBUTTONDOWN: return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP: return "WM_LBUTTONUP";
    case WM_MOUSEMOVE: return "WM_MOUSEMOVE";
    case WM_COMMAND: return "WM_COMMAND";
    case WM_SYSCOMMAND: return "WM_SYSCOMMAND";
    case WM_TIMER: return "WM_TIMER";
    case WM_PAINT: return "WM_PAINT";
    case WM_CLOSE: return "WM_CLOSE";
    case WM_QUIT: return "WM_QUIT";
    case BM_CLICK: return "BM_CLICK";
    default: return nullptr;
    }
}

} // namespace

// --- Window ---------------------------------------------------------------------------------

std::wstring Window::text() const
{
    const int length = GetWindowTextLengthW(m_hwnd);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(std::max(GetWindowTextW(m_hwnd, text.data(), length + 1), 0)));
    return text;
}

std::wstring Window::className() const
{
    wchar_t name[64] = {};
    GetClassNameW(m_hwnd, name, 64);
    return name;
}

RECT Window::rect() const noexcept
{
    RECT r{};
    GetWindowRect(m_hwnd, &r);
    return r;
}

RECT Window::clientRect() const noexcept
{
    RECT r{};
    GetClientRect(m_hwnd, &r);
    return r;
}

RECT Window::rectInParent() const noexcept
{
    RECT r = rect();
    MapWindowPoints(HWND_DESKTOP, GetParent(m_hwnd), reinterpret_cast<POINT*>(&r), 2);
    // A mirrored parent swaps left and right in the mapping.
    if (r.left > r.right)
        std::swap(r.left, r.right);
    return r;
}

void Window::click() const
{
    if (className() == L"Button") {
        PostMessageW(m_hwnd, BM_CLICK, 0, 0);
        return;
    }
    const RECT client = clientRect();
    clickAt({(client.left + client.right) / 2, (client.top + client.bottom) / 2});
}

void Window::clickAt(POINT point) const
{
    PostMessageW(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, pointParam(point));
    PostMessageW(m_hwnd, WM_LBUTTONUP, 0, pointParam(point));
}

void Window::pressKey(UINT virtualKey) const
{
    const UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(m_hwnd, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(1 | (scanCode << 16)));
    PostMessageW(m_hwnd, WM_KEYUP, virtualKey, static_cast<LPARAM>(1 | (scanCode << 16) | (3u << 30)));
}

void Window::type(std::wstring_view text) const
{
    SendMessageW(m_hwnd, EM_SETSEL, 0, -1);
    SendMessageW(m_hwnd, WM_CLEAR, 0, 0);
    for (const wchar_t c : text)
        PostMessageW(m_hwnd, WM_CHAR, c, 1);
}

void Window::closeBox() const
{
    PostMessageW(m_hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// --- Robot ----------------------------------------------------------------------------------

Robot::Robot(DWORD stepTimeoutMs, UINT tickMs) : m_stepTimeout(stepTimeoutMs)
{
    if (g_robot)
        ADD_FAILURE() << "only one UI robot per thread";
    g_robot = this;
    m_hook = SetWindowsHookExW(WH_CBT, &Robot::cbtHook, nullptr, GetCurrentThreadId());
    m_messageHook = SetWindowsHookExW(WH_GETMESSAGE, &Robot::messageHook, nullptr, GetCurrentThreadId());
    m_timer = SetTimer(nullptr, 0, tickMs, &Robot::timerProc);
    if (!m_hook || !m_messageHook || !m_timer)
        ADD_FAILURE() << "the UI robot could not install its hook and timer";
}

Robot::~Robot()
{
    if (m_timer)
        KillTimer(nullptr, m_timer);
    if (m_messageHook)
        UnhookWindowsHookEx(m_messageHook);
    if (m_hook)
        UnhookWindowsHookEx(m_hook);
    g_robot = nullptr;
    if (!m_script.empty())
        ADD_FAILURE() << "the UI robot's script did not run to its end; next step: " << m_script.front().description
                      << "\n" << report();
}

Robot& Robot::add(Condition run, std::string description)
{
    m_script.push_back({std::move(run), std::move(description)});
    return *this;
}

Robot& Robot::then(Step step)
{
    return add(
        [step = std::move(step)](Robot& robot) {
            step(robot);
            return true;
        },
        "step");
}

Robot& Robot::waitUntil(Condition condition, std::string description)
{
    return add(std::move(condition), "wait until " + description);
}

Robot& Robot::pause(DWORD ms)
{
    auto started = std::make_shared<std::optional<DWORD>>();
    return add(
        [started, ms](Robot&) {
            if (!*started)
                *started = GetTickCount();
            return GetTickCount() - **started >= ms;
        },
        "pause");
}

Robot& Robot::click(int controlId)
{
    return add(
        [controlId](Robot& robot) {
            const Window control = robot.dialog().item(controlId);
            if (!control.exists() || !control.visible() || !control.enabled())
                return false;
            control.click();
            return true;
        },
        "click on " + std::to_string(controlId));
}

Robot& Robot::pressKey(UINT virtualKey)
{
    return add(
        [virtualKey](Robot& robot) {
            const Window dialog = robot.dialog();
            if (GetActiveWindow() != dialog.hwnd())
                return false;
            const HWND focus = GetFocus();
            (focus ? Window(focus) : dialog).pressKey(virtualKey);
            return true;
        },
        "key " + std::to_string(virtualKey) + " (the dialog active)");
}

Robot& Robot::activate()
{
    return add(
        [](Robot& robot) {
            const HWND dialog = robot.dialog().hwnd();
            if (GetActiveWindow() == dialog)
                return true;
            SetForegroundWindow(dialog);
            return false; // done at the tick that sees it active
        },
        "the dialog active again");
}

Robot& Robot::type(int controlId, std::wstring text)
{
    return then([controlId, text = std::move(text)](Robot& robot) { robot.dialog().item(controlId).type(text); });
}

Robot& Robot::closeBox()
{
    return then([](Robot& robot) { robot.dialog().closeBox(); });
}

Robot& Robot::post(UINT message, WPARAM wParam, LPARAM lParam)
{
    return then([=](Robot& robot) { PostMessageW(robot.dialog().hwnd(), message, wParam, lParam); });
}

Robot& Robot::answerMessageBox(int buttonId)
{
    return add(
        [buttonId](Robot& robot) {
            const Window button = robot.dialog().item(buttonId);
            if (!button.exists() || button.className() != L"Button")
                return false;
            button.click();
            return true;
        },
        "message box button " + std::to_string(buttonId));
}

Window Robot::dialog() const
{
    for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it)
        if (IsWindow(*it))
            return Window(*it);
    return Window();
}

std::size_t Robot::windowsAlive() const
{
    return static_cast<std::size_t>(std::count_if(m_created.begin(), m_created.end(), [](HWND w) { return IsWindow(w); }));
}

void Robot::tick()
{
    if (m_script.empty() || !dialog().exists())
        return;
    if (!m_stepStarted)
        m_stepStarted = GetTickCount();
    // Taken off the queue before it runs: a step that opens a nested modal loop (a message box)
    // lets the next ticks go on with the following steps from inside that loop.
    Entry entry = std::move(m_script.front());
    m_script.pop_front();
    if (entry.run(*this)) {
        m_stepStarted.reset();
        return;
    }
    if (GetTickCount() - *m_stepStarted > m_stepTimeout) {
        giveUp(entry.description);
        return;
    }
    m_script.push_front(std::move(entry));
}

void Robot::giveUp(const std::string& description)
{
    ADD_FAILURE() << "UI robot: timed out at \"" << description << "\"\n" << report();
    m_script.clear();
    m_stepStarted.reset();
    EndDialog(dialog().hwnd(), -2);
}

std::string Robot::report() const
{
    std::ostringstream out;
    const HWND foreground = GetForegroundWindow();
    DWORD foregroundProcess = 0;
    GetWindowThreadProcessId(foreground, &foregroundProcess);
    out << "  foreground window: " << describe(foreground) << " of process " << foregroundProcess
        << (foregroundProcess == GetCurrentProcessId() ? " (this one)" : "") << "\n";
    out << "  active window: " << describe(GetActiveWindow()) << "\n";
    out << "  focus: " << describe(GetFocus()) << "\n";
    out << "  dialogs up:";
    bool any = false;
    for (const HWND window : m_dialogs)
        if (IsWindow(window)) {
            out << "\n    " << describe(window);
            any = true;
        }
    out << (any ? "\n" : " none\n");
    out << "  last messages taken from the queue (oldest first):";
    for (const MSG& message : m_lastMessages) {
        out << "\n    +" << (message.time - m_lastMessages.front().time) << " ms ";
        if (const char* name = messageName(message.message))
            out << name;
        else
            out << "0x" << std::hex << message.message << std::dec;
        out << " wParam 0x" << std::hex << message.wParam << std::dec << " to " << describe(message.hwnd);
    }
    return out.str();
}

void Robot::remember(const MSG& message)
{
    // The robot's own ticks would push everything else out.
    if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == m_timer)
        return;
    m_lastMessages.push_back(message);
    if (m_lastMessages.size() > MessagesKept)
        m_lastMessages.pop_front();
}

LRESULT CALLBACK Robot::messageHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (g_robot && code == HC_ACTION && wParam == PM_REMOVE)
        g_robot->remember(*reinterpret_cast<const MSG*>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK Robot::cbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    Robot* robot = g_robot;
    if (robot && code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        if (robot->m_refuseNextDialog && isDialogClass(create->lpcs->lpszClass)) {
            robot->m_refuseNextDialog = false;
            return 1; // creation fails
        }
        robot->m_created.push_back(reinterpret_cast<HWND>(wParam));
    } else if (robot && code == HCBT_ACTIVATE) {
        const auto window = reinterpret_cast<HWND>(wParam);
        if (isDialog(window) && std::find(robot->m_dialogs.begin(), robot->m_dialogs.end(), window) == robot->m_dialogs.end())
            robot->m_dialogs.push_back(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK Robot::timerProc(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_robot)
        g_robot->tick();
}

} // namespace Robot
