// The add-in loaded through the registry by a stand-in Office host, for each kind of host.

#include "DocumentedIds.h"
#include "AddinHost.h"
#include "FakeOffice.h"
#include "Office/Ids.h"
#include "SpineFixture.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using TestSupport::LogCapture;

namespace {

enum class Route { None, Ribbon, CommandBars, Mixed };

struct Scenario {
    const char* title;
    bool nullApplication;
    Fake::HostSpec host;
    HRESULT result;
    Route route;
    std::vector<std::string> expectedLog; // messages, in this order, among the lines logged
};

Fake::HostSpec host(Fake::App app, std::wstring version, std::optional<std::wstring> name = std::nullopt)
{
    Fake::HostSpec setup;
    setup.app = app;
    setup.version = std::move(version);
    setup.name = std::move(name);
    return setup;
}

Fake::HostSpec withoutExplorer(Fake::HostSpec setup)
{
    setup.hasActiveExplorer = false;
    return setup;
}

Fake::HostSpec withoutNameAndVersion(Fake::HostSpec setup)
{
    setup.hasName = false;
    setup.hasVersion = false;
    return setup;
}

const char* const Connected16 = "Connected. The app: Outlook, version: 16, plugin version: 0.9.28.0";

std::vector<Scenario> scenarios()
{
    using Fake::App;
    return {
        {"null Application", true, {}, S_OK, Route::Ribbon, {"Application obj is missing - this is Outlook 2010+ "}},
        {"Word 11", false, host(App::Word, L"11.0"), S_OK, Route::CommandBars,
         {"Connected. The app: Microsoft Word, version: 11, plugin version: 0.9.28.0", "Setup lang: 1033",
          "SetupLocale OK"}},
        {"Excel 12", false, host(App::Excel, L"12.0"), S_OK, Route::Ribbon,
         {"Connected. The app: Microsoft Excel, version: 12, plugin version: 0.9.28.0",
          "return from OnConnection. Connected"}},
        {"Outlook 2007", false, host(App::Outlook, L"12.0.6423"), S_OK, Route::Mixed,
         {"Connected. The app: Outlook, version: 12, plugin version: 0.9.28.0", "This is outlook app.",
          "Obtained explorer: Yes", "Obtained command bars: 0x0"}},
        {"Outlook 2003", false, host(App::Outlook, L"11.0.8303"), S_OK, Route::CommandBars,
         {"This is outlook app.", "Obtained explorer: Yes", "Obtained command bars: 0x0",
          "NewInspectorsEvents::DispEventAdvise"}},
        {"Outlook 2016", false, host(App::Outlook, L"16.0.4266"), S_OK, Route::Ribbon,
         {Connected16, "This is outlook app.", "Obtained explorer: Yes", "Obtained command bars: 0x0",
          "return from OnConnection. Connected"}},
        {"empty Name and Version", false, host(App::Outlook, L"", std::wstring()), S_OK, Route::Mixed,
         {"Connected. The app: , version: 12, plugin version: 0.9.28.0", "This is outlook app."}},
        {"no Name and Version properties", false, withoutNameAndVersion(host(App::Outlook, L"")), S_OK, Route::Mixed,
         {"Connected. The app: , version: 12, plugin version: 0.9.28.0", "This is outlook app."}},
        {"version 16 without separator", false, host(App::Outlook, L"16"), S_OK, Route::Mixed,
         {"Connected. The app: Outlook, version: 12, plugin version: 0.9.28.0"}},
        {"version .5", false, host(App::Outlook, L".5"), S_OK, Route::Mixed,
         {"Connected. The app: Outlook, version: 12, plugin version: 0.9.28.0"}},
        {"version with a sign", false, host(App::Outlook, L"+16.0"), S_OK, Route::CommandBars,
         {"Connected. The app: Outlook, version: 0, plugin version: 0.9.28.0"}},
        {"version after blanks", false, host(App::Outlook, L"  16.0"), S_OK, Route::Ribbon,
         {Connected16}},
        {"version without digits", false, host(App::Outlook, L"x.0"), S_OK, Route::CommandBars,
         {"Connected. The app: Outlook, version: 0, plugin version: 0.9.28.0"}},
        {"Visio", false, host(App::Visio, L"16.0"), S_OK, Route::None,
         {"Connected. The app: Microsoft Visio, version: 16, plugin version: 0.9.28.0", "SetupLocale OK"}},
        {"Outlook without explorer", false, withoutExplorer(host(App::Outlook, L"16.0.4266")), S_OK, Route::Ribbon,
         {"This is outlook app.", "Cannot get Outlook App Active Excplorer"}},
    };
}

bool inOrder(const std::vector<std::string>& messages, const std::vector<std::string>& expected)
{
    auto at = messages.begin();
    for (const std::string& wanted : expected) {
        at = std::find(at, messages.end(), wanted);
        if (at == messages.end())
            return false;
        ++at;
    }
    return true;
}

bool logged(const std::vector<std::string>& messages, const std::string& message)
{
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

class ConnectionTest : public testing::Test {
protected:
    void SetUp() override { Spine::ensureRegistered(); }
};

} // namespace

TEST_F(ConnectionTest, EveryHostGetsItsRoute)
{
    for (const Scenario& scenario : scenarios()) {
        SCOPED_TRACE(scenario.title);
        LogCapture log;
        {
            Fake::Office office = Fake::Office::build(scenario.host);
            std::wstring error;
            auto addin = Host::LoadedAddin::load(Spine::ProgId, error);
            ASSERT_TRUE(addin) << std::string(error.begin(), error.end());

            EXPECT_EQ(addin->connect(scenario.nullApplication ? nullptr : office.application.get()), scenario.result);
            const std::size_t sinks = office.inspectorsEvents() ? office.inspectorsEvents()->sinkCount() : 0;
            EXPECT_EQ(addin->startupComplete(), S_OK);
            EXPECT_EQ(addin->beginShutdown(), S_OK);
            EXPECT_EQ(addin->disconnect(), S_OK);

            const auto messages = log.messages();
            EXPECT_TRUE(inOrder(messages, scenario.expectedLog)) << log.text();
            EXPECT_TRUE(inOrder(messages, {"OnStartupComplete", "OnBeginShutdown", "OnDisconnection"}));

            // The route, as far as it shows before the ribbon and the command bar exist.
            const bool ribbonLine = logged(messages, "return from OnConnection. Connected");
            const bool nullApplication = scenario.nullApplication;
            switch (scenario.route) {
            case Route::Ribbon:
                EXPECT_TRUE(ribbonLine || nullApplication || logged(messages, "Cannot get Outlook App Active Excplorer"));
                EXPECT_EQ(sinks, 0u);
                break;
            case Route::Mixed:
                EXPECT_FALSE(ribbonLine);
                EXPECT_EQ(office.explorer->callCount(L"CommandBars"), 1);
                EXPECT_EQ(sinks, 0u);
                break;
            case Route::CommandBars:
                EXPECT_FALSE(ribbonLine);
                EXPECT_EQ(sinks, scenario.host.app == Fake::App::Outlook ? 1u : 0u);
                break;
            case Route::None:
                EXPECT_FALSE(ribbonLine);
                EXPECT_FALSE(logged(messages, "This is outlook app."));
                break;
            }

            addin->release();
            EXPECT_EQ(addin->canUnloadNow(), S_OK);
            if (office.inspectorsEvents()) {
                EXPECT_EQ(office.inspectorsEvents()->sinkCount(), 0u) << "inspectors sink left connected";
            }
        }
        EXPECT_EQ(Fake::liveObjects(), 0) << "host objects leaked";
    }
}

TEST_F(ConnectionTest, FailuresOfTheHostObjects)
{
    struct Case {
        const char* title;
        Fake::App app;
        const wchar_t* version;
        const wchar_t* failingMember; // on the Application object
        HRESULT failure;
        HRESULT expectedResult;
        const char* expectedLine;
    };
    const Case cases[] = {
        // The one failure that OnConnection returns: the command bars of a host that needs
        // them cannot be read. The ribbon never uses them.
        {"Word 11 command bars", Fake::App::Word, L"11.0", L"CommandBars", E_ACCESSDENIED, E_ACCESSDENIED, nullptr},
        {"Word 16 command bars", Fake::App::Word, L"16.0", L"CommandBars", E_ACCESSDENIED, S_OK,
         "return from OnConnection. Connected"},
        // A property that exists but fails is an error, unlike a missing one.
        {"Name fails", Fake::App::Outlook, L"16.0", L"Name", E_UNEXPECTED, S_OK, "OnConnection error happened !!!"},
        {"LanguageSettings fails", Fake::App::Outlook, L"16.0", L"LanguageSettings", E_FAIL, S_OK,
         "Error obtaining lcoale info"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        LogCapture log;
        {
            Fake::Office office = Fake::Office::build(host(c.app, c.version));
            office.application->fail(c.failingMember, c.failure);
            std::wstring error;
            auto addin = Host::LoadedAddin::load(Spine::ProgId, error);
            ASSERT_TRUE(addin);
            EXPECT_EQ(addin->connect(office.application.get()), c.expectedResult);
            EXPECT_EQ(addin->disconnect(), S_OK);
            if (c.expectedLine) {
                EXPECT_TRUE(log.contains(c.expectedLine)) << log.text();
            }
        }
        EXPECT_EQ(Fake::liveObjects(), 0);
    }

    // Outlook's explorer: fatal only where the main window gets the command bar.
    const struct {
        const wchar_t* version;
        HRESULT expectedResult;
    } outlooks[] = {{L"11.0.8303", E_NOINTERFACE}, {L"12.0.6423", E_NOINTERFACE}, {L"16.0.4266", S_OK}};
    for (const auto& outlook : outlooks) {
        SCOPED_TRACE(std::string(outlook.version, outlook.version + wcslen(outlook.version)));
        LogCapture log;
        {
            Fake::Office office = Fake::Office::build(host(Fake::App::Outlook, outlook.version));
            office.explorer->fail(L"CommandBars", E_NOINTERFACE);
            std::wstring error;
            auto addin = Host::LoadedAddin::load(Spine::ProgId, error);
            ASSERT_TRUE(addin);
            EXPECT_EQ(addin->connect(office.application.get()), outlook.expectedResult);
            EXPECT_TRUE(log.contains("Obtained command bars: 0x80004002")) << log.text();
            EXPECT_EQ(log.contains("return from OnConnection. Connected"), outlook.expectedResult == S_OK);
            EXPECT_TRUE(office.bars->bars.empty());
        }
        EXPECT_EQ(Fake::liveObjects(), 0);
    }
}

TEST_F(ConnectionTest, ASecondConnectionAppendsToTheSameLog)
{
    LogCapture log;
    {
        Fake::Office office = Fake::Office::build(Fake::HostSpec{});
        std::wstring error;
        auto addin = Host::LoadedAddin::load(Spine::ProgId, error);
        ASSERT_TRUE(addin);
        for (int connection = 0; connection < 2; ++connection) {
            EXPECT_EQ(addin->connect(office.application.get()), S_OK);
            EXPECT_EQ(addin->disconnect(), S_OK);
        }
    }
    const auto messages = log.messages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), std::string(Connected16)), 2) << log.text();
    EXPECT_TRUE(inOrder(messages, {Connected16, "OnDisconnection", Connected16, "OnDisconnection"}));
    EXPECT_EQ(Fake::liveObjects(), 0);
}

TEST_F(ConnectionTest, NewInspectorEventsReachTheAddin)
{
    LogCapture log;
    {
        Fake::Office office = Fake::Office::build(host(Fake::App::Outlook, L"11.0.8303"));
        std::wstring error;
        auto addin = Host::LoadedAddin::load(Spine::ProgId, error);
        ASSERT_TRUE(addin);
        ASSERT_EQ(addin->connect(office.application.get()), S_OK);
        ASSERT_EQ(office.inspectorsEvents()->sinkCount(), 1u);

        Fake::Ref inspector = Fake::Object::create(L"Inspector");
        inspector->answers(Documented::IID_Inspector);
        office.inspectorsEvents()->fire(0xF001, {Com::Variant::fromDispatch(inspector.get())});
        EXPECT_TRUE(log.contains("OnNewInspector")) << log.text();
        addin->disconnect();
    }
    EXPECT_EQ(Fake::liveObjects(), 0);
}

namespace {

const wchar_t* const MainBar = L"Talvora{Meet Now|tvzmeetNow, Talvora{Open Your Wall|tvzopenYourWall, "
                               L"Schedule a Meeting|tvzscheduleMeeting, Settings|tvzsettings}}";

std::vector<std::string> mainBarLines(std::vector<std::string> before)
{
    for (const char* line : {"Get Controls spNewCmdBar", "Add button Meet Now", "Add popUP",
                             "pPopUpParleon->GetControls()", "Add Button Open Your Wall", "Add Button Schedule a Meeting",
                             "Add Button Settings"})
        before.push_back(line);
    return before;
}

// Every control of the bars, pop-ups' contents included.
void forEachControl(const Fake::ControlList& controls, const std::function<void(const Fake::ControlEntry&)>& visit)
{
    for (const Fake::ControlEntry& control : controls) {
        visit(control);
        forEachControl(*control.state->controls, visit);
    }
}

void forEachControl(const Fake::CommandBarSet& set, const std::function<void(const Fake::ControlEntry&)>& visit)
{
    for (const Fake::BarEntry& bar : set.bars)
        forEachControl(*bar.state->controls, visit);
}

} // namespace

// Host, version → the main window's bar, the toolbar an appointment window gets, the lines logged.
TEST_F(ConnectionTest, EveryHostGetsItsCommandBars)
{
    using Fake::App;
    const std::wstring Toolbar = L"Talvora Appointment{Add Talvora|tvzaddParleon_0|false}";
    const std::vector<std::string> ribbonLines = {"return from OnConnection. Connected"};
    const struct {
        const char* title;
        Fake::HostSpec host;
        std::wstring mainBar;
        std::wstring toolbar;
        std::vector<std::string> lines;
    } cases[] = {
        {"Word 2003", host(App::Word, L"11.0"), MainBar, L"", mainBarLines({})},
        {"Excel 2003", host(App::Excel, L"11.0"), MainBar, L"", mainBarLines({})},
        {"PowerPoint 2003", host(App::PowerPoint, L"11.0"), MainBar, L"", mainBarLines({})},
        {"Outlook 2003", host(App::Outlook, L"11.0.8303"), MainBar, Toolbar,
         mainBarLines({"Obtained command bars: 0x0", "NewInspectorsEvents::DispEventAdvise"})},
        {"Outlook 2007", host(App::Outlook, L"12.0.6423"), MainBar, L"", mainBarLines({"Obtained command bars: 0x0"})},
        {"Outlook 2016", host(App::Outlook, L"16.0.4266"), L"", L"", ribbonLines},
        {"Word 2016", host(App::Word, L"16.0"), L"", L"", ribbonLines},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        LogCapture log;
        {
            Fake::Office office = Fake::Office::build(c.host);
            const Fake::OpenedAppointment window = Fake::Office::appointmentWindow(L"Agenda");
            const ULONG applicationRefs = office.application->refs();
            const ULONG appointmentRefs = window.appointment.object->refs();
            std::wstring error;
            auto addin = Host::LoadedAddin::load(Spine::ProgId, error);
            ASSERT_TRUE(addin);

            ASSERT_EQ(addin->connect(office.application.get()), S_OK);
            office.show(window);
            EXPECT_EQ(Fake::describe(*office.bars), c.mainBar);
            EXPECT_EQ(Fake::describe(*window.bars), c.toolbar);
            const auto messages = log.messages();
            EXPECT_TRUE(inOrder(messages, c.lines)) << log.text();
            EXPECT_EQ(logged(messages, "Add Button Settings"), !c.mainBar.empty());
            EXPECT_EQ(logged(messages, "begin"), !c.toolbar.empty()) << "the toolbar's handler ran";

            // Every tagged button has its click sink until the add-in is turned off.
            for (const Fake::CommandBarSet* set : {office.bars.get(), window.bars.get()}) {
                forEachControl(*set, [](const Fake::ControlEntry& control) {
                    EXPECT_EQ(Fake::clickSinks(control), control.state->type == 1 ? 1u : 0u) << control.state->caption;
                });
            }
            ASSERT_EQ(addin->disconnect(), S_OK);
            for (const Fake::CommandBarSet* set : {office.bars.get(), window.bars.get()}) {
                forEachControl(*set, [](const Fake::ControlEntry& control) {
                    EXPECT_EQ(Fake::clickSinks(control), 0u) << control.state->caption;
                    EXPECT_EQ(control.object->refs(), 1u) << control.state->caption << " still held";
                });
                for (const Fake::BarEntry& bar : set->bars)
                    EXPECT_EQ(bar.object->refs(), 1u) << bar.state->name << " still held";
            }
            EXPECT_EQ(office.application->refs(), applicationRefs);
            EXPECT_EQ(window.appointment.object->refs(), appointmentRefs);
            if (office.inspectorsEvents()) {
                EXPECT_EQ(office.inspectorsEvents()->sinkCount(), 0u);
            }
        }
        EXPECT_EQ(Fake::liveObjects(), 0) << "host objects leaked";
    }
}
