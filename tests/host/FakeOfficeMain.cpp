// FakeOffice.exe: a stand-in Office application that loads the registered add-ins the way
// Office does and prints what happened: the connection, the ribbon XML each of its windows
// gets or the command bars the add-in built in them, and, on request, what the add-in's
// commands do when its buttons are pressed (the command bar's where there is one).
//
//   FakeOffice.exe [--app Outlook|Word|Excel|PowerPoint] [--version 16.0.4266]
//                  [--sign-in <e-mail> <password> | --browser-sign-in]
//                  [--run toggle,schedule,meetnow]
//
// --sign-in presses Settings and signs in through the settings dialog, which a UI robot fills
// in; --browser-sign-in presses Settings and "Continue with Facebook", and lets the user approve
// in the stand-in browser (tests/support/tools/StandInBrowser.cpp, which must be the shell's
// http handler) once the add-in has seen the authorization page; --run presses the appointment
// toggle twice (Outlook: the appointment toolbar's button up to version 11, the ribbon's from 12),
// Schedule a Meeting and Meet Now. Schedule a Meeting from Word, Excel or PowerPoint starts the
// stand-in Outlook out of process.

#include "DocumentedIds.h"
#include "AddinHost.h"
#include "FakeOffice.h"
#include "FakeRibbon.h"
#include "FakeWord.h"
#include "Office/Ids.h"
#include "Robot.h"
#include "StandInApps.h"
#include "StandInBrowser.h"
#include "TalvoraMeeting_h.h"
#include "TextCodec.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

// The stand-in desktop application releases it once per start (tests/support/StandInApps.h).
constexpr wchar_t DesktopAppLaunched[] = L"TalvoraStandInDesktopApp.Launched";
constexpr wchar_t AccountKey[] = L"Software\\TalvoraAddIn\\Account";

struct Options {
    Fake::App app = Fake::App::Outlook;
    std::wstring appName = L"Outlook";
    std::wstring version = L"16.0.4266";
    std::wstring signInLogin;
    std::wstring signInPassword;
    bool browserSignIn = false;
    std::vector<std::wstring> commands;
};

std::vector<std::wstring> splitAtCommas(const std::wstring& list)
{
    std::vector<std::wstring> parts;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(L',', start), list.size());
        parts.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return parts;
}

bool parseApp(const std::wstring& name, Fake::App& app)
{
    const struct {
        const wchar_t* name;
        Fake::App app;
    } apps[] = {{L"Outlook", Fake::App::Outlook}, {L"Word", Fake::App::Word}, {L"Excel", Fake::App::Excel},
                {L"PowerPoint", Fake::App::PowerPoint}};
    for (const auto& known : apps)
        if (name == known.name) {
            app = known.app;
            return true;
        }
    return false;
}

bool parse(int argc, wchar_t** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::wstring flag = argv[i];
        if (flag == L"--browser-sign-in") {
            options.browserSignIn = true;
            continue;
        }
        const int values = flag == L"--sign-in" ? 2 : 1;
        if (i + values >= argc)
            return false;
        const std::wstring value = argv[i + 1];
        if (flag == L"--version") {
            options.version = value;
        } else if (flag == L"--app") {
            options.appName = value;
            if (!parseApp(value, options.app))
                return false;
        } else if (flag == L"--sign-in") {
            options.signInLogin = value;
            options.signInPassword = argv[i + 2];
        } else if (flag == L"--run") {
            options.commands = splitAtCommas(value);
        } else {
            return false;
        }
        i += values;
    }
    return true;
}

int majorVersion(const std::wstring& version)
{
    return static_cast<int>(std::wcstol(version.c_str(), nullptr, 10));
}

void report(const char* step, HRESULT hr)
{
    std::printf("  %-22s 0x%08lX\n", step, static_cast<unsigned long>(hr));
}

// Texts are printed as UTF-8: the service's texts are not all in the console's code page.
std::string utf8(const std::wstring& text)
{
    return fromUtf16OrEmpty(text, CP_UTF8).str();
}

// A text with Word's paragraph marks and manual line breaks shown as indented lines.
void printText(const char* title, const std::wstring& text)
{
    std::string shown;
    for (const char c : utf8(text)) {
        if (c == '\r')
            shown += " [end of paragraph]\n      ";
        else if (c == '\v' || c == '\n')
            shown += "\n      ";
        else
            shown += c;
    }
    std::printf("    %s:\n      %s\n", title, shown.c_str());
}

// The ribbons Office asks the add-in for: the main window's and, in Outlook, the appointment
// window's. Office 2007 has no ribbon in Outlook's main window, older versions none at all.
std::vector<const wchar_t*> ribbonIds(Fake::App app, int major)
{
    if (major < 12)
        return {};
    switch (app) {
    case Fake::App::Outlook:
        if (major == 12)
            return {L"Microsoft.Outlook.Appointment"};
        return {L"Microsoft.Outlook.Explorer", L"Microsoft.Outlook.Appointment"};
    case Fake::App::Word:
        return {L"Microsoft.Word.Document"};
    case Fake::App::Excel:
        return {L"Microsoft.Excel.Workbook"};
    case Fake::App::PowerPoint:
        return {L"Microsoft.PowerPoint.Presentation"};
    default:
        return {};
    }
}

void showRibbons(IUnknown* addin, const Options& options, const Fake::RibbonUI& ribbon)
{
    Com::ComPtr<IRibbonExtensibility> extensibility;
    addin->QueryInterface(Documented::IID_RibbonExtensibility, extensibility.putVoid());
    Com::ComPtr<ITalvoraMeeting> meeting;
    addin->QueryInterface(Documented::IID_ITalvoraMeeting, meeting.putVoid());
    for (const wchar_t* id : ribbonIds(options.app, majorVersion(options.version))) {
        const Com::BStr ribbonId(id);
        Com::BStr xml;
        const HRESULT hr = extensibility->GetCustomUI(ribbonId.get(), xml.put());
        std::printf("  GetCustomUI(%ls) 0x%08lX:\n    %s\n", id, static_cast<unsigned long>(hr),
                    xml.get() ? utf8(xml.str()).c_str() : "(nothing)");
        meeting->OnRibbonLoaded(static_cast<IDispatch*>(ribbon.object.get()));
    }
}

void showCommandBars(const char* window, const Fake::CommandBarSet& bars)
{
    if (!bars.bars.empty())
        std::printf("  %s command bars: %s\n", window, utf8(Fake::describe(bars)).c_str());
}

const Fake::ControlEntry* buttonTagged(const Fake::ControlList& controls, const std::wstring& tag)
{
    for (const Fake::ControlEntry& control : controls) {
        if (control.state->type == 1 && control.state->tag == tag)
            return &control;
        if (const Fake::ControlEntry* inside = buttonTagged(*control.state->controls, tag))
            return inside;
    }
    return nullptr;
}

using RibbonCallback = HRESULT (STDMETHODCALLTYPE ITalvoraMeeting::*)(IDispatch*);

// A command as the host offers it: the command bar's button where the add-in built one, else
// the ribbon's.
void press(ITalvoraMeeting* meeting, const Fake::Office& office, const wchar_t* tag, RibbonCallback callback,
           const char* callbackName)
{
    const Fake::ControlEntry* button =
        office.bars->bars.empty() ? nullptr : buttonTagged(*office.bars->bars[0].state->controls, tag);
    if (!button) {
        report(callbackName, (meeting->*callback)(nullptr));
        return;
    }
    std::printf("    clicked the command bar's \"%s\"\n", utf8(button->state->caption).c_str());
    Fake::click(*button);
}

std::wstring storedAccountValue(const wchar_t* name)
{
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, AccountKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"(none)";
    return value;
}

// Settings, with the robot in front of the dialog: it types the e-mail and the password and
// presses OK, as a user would.
void signIn(ITalvoraMeeting* meeting, const Options& options, const Fake::Office& office)
{
    std::printf("  Settings, signing in as %s in the settings dialog\n", utf8(options.signInLogin).c_str());
    Robot::Robot robot;
    robot.waitUntil([](Robot::Robot& r) { return r.dialog().item(207).visible(); }, "the settings dialog")
        .type(207, options.signInLogin)
        .type(209, options.signInPassword)
        .click(IDOK);
    press(meeting, office, L"tvzsettings", &ITalvoraMeeting::OnSettingsButtonClicked, "OnSettingsButtonClicked");
    std::printf("    the account stored: login %s, subscription %s, meeting URL %s\n",
                utf8(storedAccountValue(L"Login")).c_str(), utf8(storedAccountValue(L"SubscriptionId")).c_str(),
                utf8(storedAccountValue(L"MeetingUrl")).c_str());
}

// The add-in's diagnostic log from `offset` on.
std::string addinLog(std::streamoff offset)
{
    wchar_t profile[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_DEFAULT, profile);
    const std::wstring path = std::wstring(profile) + L"/.tvz/OfficeAddinLog.txt";
    std::ifstream in(path.c_str(), std::ios::binary);
    in.seekg(offset);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Settings and "Continue with Facebook", with the robot as the user: once the add-in's log says
// it has seen the authorization page in the browser, the user approves there.
void signInWithBrowser(ITalvoraMeeting* meeting, const Fake::Office& office)
{
    std::printf("  Settings, \"Continue with Facebook\", approving in the stand-in browser\n");
    const HANDLE decide = CreateEventW(nullptr, FALSE, FALSE, StandInBrowserDecideEvent);
    const std::streamoff logStart = static_cast<std::streamoff>(addinLog(0).size());
    const std::regex authorizationSeen("get_access_token logged in [0-9]");
    Robot::Robot robot(60000);
    robot.waitUntil([](Robot::Robot& r) { return r.dialog().visible() && r.dialog().item(318).visible(); },
                    "the settings dialog")
        .click(318)
        .waitUntil([&](Robot::Robot&) { return std::regex_search(addinLog(logStart), authorizationSeen); },
                   "the authorization page seen")
        .then([decide](Robot::Robot&) { SetEvent(decide); });
    press(meeting, office, L"tvzsettings", &ITalvoraMeeting::OnSettingsButtonClicked, "OnSettingsButtonClicked");
    std::printf("    the account stored: login %s, subscription %s, meeting URL %s\n",
                utf8(storedAccountValue(L"Login")).c_str(), utf8(storedAccountValue(L"SubscriptionId")).c_str(),
                utf8(storedAccountValue(L"MeetingUrl")).c_str());
    for (HWND window = FindWindowExW(nullptr, nullptr, StandInBrowserClass, nullptr); window;
         window = FindWindowExW(nullptr, window, StandInBrowserClass, nullptr))
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (decide)
        CloseHandle(decide);
}

void pressToggle(ITalvoraMeeting* meeting, const Fake::RibbonUI& ribbon)
{
    std::printf("  Appointment window: the Add/Cancel button\n");
    const Fake::Appointment appointment = Fake::Appointment::create();
    const Fake::WordDocument document = Fake::WordDocument::create(L"Agenda: the quarterly figures\r");
    const Fake::Ref inspector = Fake::makeInspector({appointment.object, document.document, {}});
    const Fake::Ref control = Fake::makeRibbonControl(inspector);
    const auto label = [&] {
        Com::BStr text;
        meeting->AddParleonButton_GetLabel(static_cast<IDispatch*>(control.get()), text.put());
        return text.str();
    };
    std::printf("    label \"%s\"\n", utf8(label()).c_str());
    for (int press = 1; press <= 2; ++press) {
        meeting->OnAddParleonButtonClicked(static_cast<IDispatch*>(control.get()));
        std::printf("    pressed: label \"%s\", Invalidate calls %d, location \"%s\"\n", utf8(label()).c_str(),
                    ribbon.invalidations(), utf8(appointment.fields->location).c_str());
        printText("appointment text", document.story->text());
    }
}

// The appointment as the stand-in Outlook's record has it, when the add-in started Outlook.
void showOutOfProcessAppointment(const TestSupport::StandInOutlook* outlook)
{
    const auto last = [&](const char* event) {
        const auto values = outlook ? outlook->valuesOf(event) : std::vector<std::wstring>();
        return values.empty() ? std::wstring() : values.back();
    };
    if (!outlook || outlook->starts().empty()) {
        std::printf("    no appointment: the stand-in Outlook was not started\n");
        return;
    }
    std::printf("    made in the stand-in Outlook, started out of process (%zu start)\n", outlook->starts().size());
    std::printf("    subject:  %s\n    location: %s\n    displayed: %zu time(s)\n", utf8(last("Subject=")).c_str(),
                utf8(last("Location=")).c_str(), outlook->valuesOf("Display").size());
    printText("body", last("Body="));
}

void scheduleMeeting(ITalvoraMeeting* meeting, const Fake::Office& office, const TestSupport::StandInOutlook* outlook)
{
    std::printf("  Schedule a Meeting\n");
    press(meeting, office, L"tvzscheduleMeeting", &ITalvoraMeeting::OnScheduleMeetingButtonClicked,
          "OnScheduleMeetingButtonClicked");
    if (!office.items || office.items->created.empty()) {
        showOutOfProcessAppointment(outlook);
        return;
    }
    const Fake::AppointmentFields& fields = *office.items->created.back().fields;
    std::printf("    subject:  %s\n    location: %s\n    displayed: %zu time(s)\n", utf8(fields.subject).c_str(),
                utf8(fields.location).c_str(), fields.displays.size());
    printText("body", fields.body);
}

void meetNow(ITalvoraMeeting* meeting, const Fake::Office& office)
{
    std::printf("  Meet Now\n");
    const HANDLE launched = CreateSemaphoreW(nullptr, 0, 100, DesktopAppLaunched);
    press(meeting, office, L"tvzmeetNow", &ITalvoraMeeting::OnMeetNowMeetingButtonClicked,
          "OnMeetNowMeetingButtonClicked");
    const bool started = launched && WaitForSingleObject(launched, 10000) == WAIT_OBJECT_0;
    std::printf("    %s\n", started ? "the desktop application was started" : "no desktop application was started");
    if (launched)
        CloseHandle(launched);
}

// Outlook opens an appointment window: up to version 11 the add-in gives it a toolbar, whose
// button is pressed twice; from 12 on the ribbon serves it.
void appointmentWindow(ITalvoraMeeting* meeting, const Options& options, const Fake::Office& office,
                       const Fake::RibbonUI& ribbon)
{
    const Fake::OpenedAppointment window = office.openAppointment(L"Agenda: the quarterly figures\r\n");
    if (window.bars->bars.empty()) {
        if (majorVersion(options.version) == 12)
            std::printf("  Appointment window: no toolbar (the ribbon serves it)\n");
        pressToggle(meeting, ribbon);
        return;
    }
    std::printf("  Appointment window: the toolbar\n");
    showCommandBars("appointment window", *window.bars);
    const Fake::ControlEntry& button = window.bars->bars[0].state->controls->at(0);
    for (int press = 1; press <= 2; ++press) {
        Fake::click(button);
        std::printf("    clicked: caption \"%s\", parameter \"%s\"\n", utf8(button.state->caption).c_str(),
                    utf8(button.state->parameter).c_str());
        printText("appointment body", window.appointment.fields->body);
    }
}

// Word, Excel and PowerPoint start Outlook for Schedule a Meeting: the stand-in Outlook is
// registered while they run.
std::unique_ptr<TestSupport::StandInOutlook> outlookFor(const Options& options)
{
    if (options.app == Fake::App::Outlook
        || std::find(options.commands.begin(), options.commands.end(), L"schedule") == options.commands.end())
        return nullptr;
    try {
        return std::make_unique<TestSupport::StandInOutlook>();
    } catch (const std::exception& error) {
        std::printf("  the stand-in Outlook: %s\n", error.what());
        return nullptr;
    }
}

void runCommands(IUnknown* addin, const Options& options, const Fake::Office& office, const Fake::RibbonUI& ribbon,
                 const TestSupport::StandInOutlook* outlook)
{
    Com::ComPtr<ITalvoraMeeting> meeting;
    addin->QueryInterface(Documented::IID_ITalvoraMeeting, meeting.putVoid());
    if (!options.signInLogin.empty())
        signIn(meeting.get(), options, office);
    if (options.browserSignIn)
        signInWithBrowser(meeting.get(), office);
    for (const std::wstring& command : options.commands) {
        if (command == L"toggle" && options.app == Fake::App::Outlook)
            appointmentWindow(meeting.get(), options, office, ribbon);
        else if (command == L"schedule")
            scheduleMeeting(meeting.get(), office, outlook);
        else if (command == L"meetnow")
            meetNow(meeting.get(), office);
    }
}

int run(const Options& options)
{
    Fake::HostSpec setup;
    setup.app = options.app;
    setup.version = options.version;
    Fake::Office office = Fake::Office::build(setup);
    std::printf("%ls %ls\n", Fake::defaultName(options.app), options.version.c_str());

    const auto outlook = outlookFor(options);
    const auto progIds = Host::startupAddins(options.appName);
    if (progIds.empty())
        std::printf("  no add-in registered with LoadBehavior 3\n");
    int failures = 0;
    for (const std::wstring& progId : progIds) {
        std::wstring error;
        auto addin = Host::LoadedAddin::load(progId, error);
        if (!addin) {
            std::printf("  %ls: %ls\n", progId.c_str(), error.c_str());
            ++failures;
            continue;
        }
        std::printf("  %ls from %ls\n", progId.c_str(), addin->serverPath().c_str());
        report("OnConnection", addin->connect(office.application.get()));
        report("OnStartupComplete", addin->startupComplete());
        showCommandBars("main window", *office.bars);
        {
            const Fake::RibbonUI ribbon = Fake::RibbonUI::create();
            showRibbons(addin->object(), options, ribbon);
            runCommands(addin->object(), options, office, ribbon, outlook.get());
        }
        report("OnBeginShutdown", addin->beginShutdown());
        report("OnDisconnection", addin->disconnect());
        addin->release();
        report("DllCanUnloadNow", addin->canUnloadNow());
    }
    office = Fake::Office();
    std::printf("  host objects still alive: %ld\n", Fake::liveObjects());
    return failures == 0 && Fake::liveObjects() == 0 ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: FakeOffice.exe [--app Outlook|Word|Excel|PowerPoint] [--version text]\n"
                             "                      [--sign-in e-mail password | --browser-sign-in]\n"
                             "                      [--run toggle,schedule,meetnow]\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = run(options);
    CoUninitialize();
    return result;
}
