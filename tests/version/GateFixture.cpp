#include "GateFixture.h"

#include "DocumentedIds.h"
#include "Log.h"
#include "StandInApps.h"

#include <tlhelp32.h>

#include <algorithm>
#include <stdexcept>

namespace Gate {

namespace {

constexpr wchar_t AddinKey[] = L"Software\\TalvoraAddIn";
constexpr int UpdateLinkId = 211; // the settings dialog's "update available" link
constexpr const wchar_t* ClosingText = L"The command under test has returned.";
constexpr std::time_t Start = 1733832000; // the first command of every test

std::time_t s_now = Start;

std::time_t testClock()
{
    return s_now;
}

void signInAlice()
{
    TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, AddinKey);
    CAccount alice;
    alice.login = L"alice+meet@example.com";
    alice.subscriptionId = L"48213";
    alice.accessToken = L"a1c3e5f7092b4d6f8a0c2e4f6b8d0f12";
    alice.meetingUrl = L"alice.walker";
    if (!alice.save(true))
        throw std::runtime_error("cannot write the account key");
}

int defaultAnswer(const Robot::Window& box)
{
    for (const int button : {IDOK, IDCANCEL, IDNO})
        if (box.item(button).exists())
            return button;
    return IDOK;
}

// The stand-in browsers still at work: each was started by the shell before the command that
// opened its URL returned, so once these have ended, every URL opened so far is written down.
void waitForTheBrowsers()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    const TestSupport::Handle owned(snapshot);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, L"url_recorder.exe") != 0)
            continue;
        if (const TestSupport::Handle process{OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)})
            WaitForSingleObject(process.get(), 10000);
    }
}

bool isSettingsDialog(HWND window)
{
    return window && !TestSupport::isMessageBox(window) && GetDlgItem(window, UpdateLinkId);
}

} // namespace

// --- Watch -------------------------------------------------------------------------------------

struct Watch::State {
    std::vector<int> answers;
    std::vector<HWND> handled;
    Seen seen;
};

Watch::Watch(Robot::Robot& robot, std::vector<int> answers) : m_state(std::make_shared<State>())
{
    m_state->answers = std::move(answers);
    robot.waitUntil(
        [state = m_state](Robot::Robot& r) {
            const Robot::Window window = r.dialog();
            if (std::count(state->handled.begin(), state->handled.end(), window.hwnd()))
                return false;
            if (TestSupport::isMessageBox(window.hwnd())) {
                state->handled.push_back(window.hwnd());
                const TestSupport::MessageBoxSeen box = TestSupport::readMessageBox(window.hwnd());
                if (box.text == ClosingText) {
                    window.item(IDOK).click();
                    return true;
                }
                const std::size_t index = state->seen.boxes.size();
                state->seen.boxes.push_back({box, window.item(IDCANCEL).exists()});
                window.item(index < state->answers.size() ? state->answers[index] : defaultAnswer(window)).click();
            } else if (isSettingsDialog(window.hwnd()) && window.visible()) {
                state->handled.push_back(window.hwnd());
                const Robot::Window link = window.item(UpdateLinkId);
                state->seen.settingsDialogs.push_back({link.visible(), link.text()});
                PostMessageW(window.hwnd(), WM_COMMAND, IDCANCEL, 0); // as Escape does, in any mode
            }
            return false;
        },
        "every message box and settings dialog answered");
}

Seen Watch::close()
{
    MessageBoxW(nullptr, ClosingText, L"test", MB_OK);
    return m_state->seen;
}

// --- GateTest ----------------------------------------------------------------------------------

std::string aliceWallUrl(const std::wstring& origin)
{
    // access_token=a1c3e5f7092b4d6f8a0c2e4f6b8d0f12;pcs_id=48213 in Base64
    return std::string(origin.begin(), origin.end())
           + "/nc_login?security_token=YWNjZXNzX3Rva2VuPWExYzNlNWY3MDkyYjRkNmY4YTBjMmU0ZjZiOGQwZjEyO3Bjc19pZD00ODIxMw==";
}

GateTest::GateTest()
{
    signInAlice();
    Log::open(getLogFilePath());
    restart();
}

GateTest::~GateTest()
{
    waitForTheBrowsers(); // none may write into the record of the next test
    m_meeting.reset();
    Log::close();
    TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, AddinKey);
}

void GateTest::restart()
{
    m_meeting.reset();
    service.reset();
    const TestSupport::LogCapture emptied;
    if (FAILED(CAddin::create(nullptr, Documented::IID_ITalvoraMeeting, m_meeting.putVoid())))
        throw std::runtime_error("cannot create the add-in object");
    s_now = Start;
    addin().setClock(&testClock);
}

void GateTest::preset(const std::string& name)
{
    service.addSwitch(R"({"config": ")" + name + R"("})");
}

void GateTest::serveOnce(const std::string& document)
{
    Json::Value once;
    once["path"] = "/desktopApp/config.xml";
    once["body"] = document;
    once["times"] = 1;
    service.addSwitch(TestSupport::toJson(once));
}

std::string GateTest::document(const std::string& outlook) const
{
    const std::wstring origin = service.origin();
    return "<?xml version=\"1.0\"?>\r\n<config>\r\n  <outlook>\r\n    " + outlook + "\r\n    <url>"
           + std::string(origin.begin(), origin.end()) + "/outlook-plugin-instructions</url>\r\n  </outlook>\r\n</config>\r\n";
}

Seen GateTest::run(Command command, long minutes, std::vector<int> answers, long seconds)
{
    s_now = Start + minutes * 60 + seconds;
    Watch watch(robot, std::move(answers));
    EXPECT_EQ((m_meeting.get()->*command)(nullptr), S_OK);
    return watch.close();
}

int GateTest::configDownloads() const
{
    const Json::Value requests = service.requests();
    return static_cast<int>(std::count_if(requests.begin(), requests.end(), [](const Json::Value& request) {
        return request["path"].asString() == "/desktopApp/config.xml";
    }));
}

std::vector<std::string> GateTest::urlsOpened()
{
    waitForTheBrowsers();
    const std::vector<std::string> all = browser.opened(0, 0);
    const auto seen = static_cast<std::ptrdiff_t>(std::min(m_urlsSeen, all.size()));
    m_urlsSeen = all.size();
    return std::vector<std::string>(all.begin() + seen, all.end());
}

bool GateTest::logged(const std::string& function) const
{
    return log.text().find("[CAddin::" + function + ":") != std::string::npos;
}

} // namespace Gate
