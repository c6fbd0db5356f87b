// The stand-in programs: Outlook as a local COM server and the desktop meeting application,
// used from this process as the add-in uses the real ones.
#include "DocumentedIds.h"
#include "StandInApps.h"

#include "Com/ComPtr.h"
#include "Office/Dispatch.h"
#include "Office/Ids.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <shellapi.h>
#include <shlwapi.h>

using Com::Variant;
using Office::Object;
using TestSupport::OutlookEvent;
using TestSupport::StandInDesktopApp;
using TestSupport::StandInOutlook;

namespace {

// What the add-in does to reach an external Outlook: class context 23, IUnknown, OleRun, then
// QueryInterface for _Application.
Object startOutlook(HRESULT& hr)
{
    Com::ComPtr<IUnknown> unknown;
    hr = CoCreateInstance(Documented::CLSID_OutlookApplication, nullptr, 23, IID_IUnknown, unknown.putVoid());
    if (FAILED(hr))
        return Object();
    hr = OleRun(unknown.get());
    if (FAILED(hr))
        return Object();
    return Object::query(unknown.get(), Documented::IID_OutlookApplication);
}

} // namespace

TEST(StandInOutlook, ServesAppointmentsToAnotherProcessAndRecordsThem)
{
    StandInOutlook outlook;
    const std::wstring body = L"Join: https://t\u00E4lvora/r\vDial 123\r\nEnd";
    {
        HRESULT hr = S_OK;
        const Object application = startOutlook(hr);
        ASSERT_EQ(hr, S_OK);
        ASSERT_TRUE(application) << "_Application does not cross the process boundary";
        const Object item = application.callObject(L"CreateItem", Documented::IID_AppointmentItem,
                                                   {Variant::fromInt32(Office::olAppointmentItem)});
        ASSERT_TRUE(item) << "_AppointmentItem does not cross the process boundary";
        EXPECT_TRUE(item.getObject(L"UserProperties", IID_IDispatch));
        item.put(L"Subject", Variant::fromString(L"Talvora.com - New Meeting"));
        item.put(L"Body", Variant::fromString(body));
        item.put(L"Location", Variant::fromString(L"http://web/wall/room"));
        EXPECT_EQ(item.get(L"Body").toString(), body);
        item.call(L"Display", {Variant::fromInt16(0)});

        // A second creation while the first is held reaches the same running server.
        HRESULT again = S_OK;
        EXPECT_TRUE(startOutlook(again));
    }
    ASSERT_TRUE(outlook.waitForExit(10000)) << "the server did not exit after its last release";

    const std::vector<DWORD> starts = outlook.starts();
    ASSERT_EQ(starts.size(), 1u);
    std::vector<std::string> kinds;
    for (const OutlookEvent& event : outlook.events()) {
        EXPECT_EQ(event.pid, starts[0]);
        kinds.push_back(event.event);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"start", "CreateItem", "Subject=", "Body=", "Location=", "Display", "exit"}));
    EXPECT_EQ(outlook.valuesOf("Subject="), std::vector<std::wstring>{L"Talvora.com - New Meeting"});
    EXPECT_EQ(outlook.valuesOf("Body="), std::vector<std::wstring>{body});
    EXPECT_EQ(outlook.valuesOf("Location="), std::vector<std::wstring>{L"http://web/wall/room"});
    const OutlookEvent display = outlook.events()[5];
    EXPECT_EQ(display.item, 1);
    EXPECT_EQ(display.vt, VT_I2);
    EXPECT_EQ(display.value, L"0");
}

TEST(StandInOutlook, EveryStartIsRecordedAndAnUnregisteredOutlookCannotBeCreated)
{
    {
        StandInOutlook outlook;
        for (int run = 0; run < 2; ++run) {
            HRESULT hr = S_OK;
            EXPECT_TRUE(startOutlook(hr)) << std::hex << hr;
            ASSERT_TRUE(outlook.waitForExit(10000));
        }
        const std::vector<DWORD> starts = outlook.starts();
        ASSERT_EQ(starts.size(), 2u);
        EXPECT_NE(starts[0], starts[1]);
    }
    HRESULT hr = S_OK;
    EXPECT_FALSE(startOutlook(hr));
    EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);
}

TEST(StandInDesktopApp, RecordsTheCommandLineOfEveryLaunchWhereverItIsInstalled)
{
    for (StandInDesktopApp::Folder folder : {StandInDesktopApp::Folder::LocalAppData, StandInDesktopApp::Folder::ProgramFiles}) {
        std::wstring installed;
        {
            StandInDesktopApp app(folder);
            installed = app.installedPath();
            ASSERT_TRUE(PathFileExistsW(installed.c_str()));
            for (const wchar_t* arguments : {L"--host -t 123 tok\u00E9n", L"second"})
                ShellExecuteW(nullptr, L"open", installed.c_str(), arguments, nullptr, SW_SHOWNORMAL);
            ASSERT_TRUE(app.waitForLaunches(2, 10000));
            const std::vector<std::wstring> launches = app.launches();
            ASSERT_EQ(launches.size(), 2u);
            // Both starts run at once: either may record first.
            std::vector<std::wstring> arguments{StandInDesktopApp::argumentsOf(launches[0]),
                                                StandInDesktopApp::argumentsOf(launches[1])};
            std::sort(arguments.begin(), arguments.end());
            EXPECT_EQ(arguments, (std::vector<std::wstring>{L"--host -t 123 tok\u00E9n", L"second"}));
            EXPECT_NE(launches[0].find(L"TVZ EN.exe"), std::wstring::npos) << launches[0];
        }
        EXPECT_FALSE(PathFileExistsW(installed.c_str()));
    }
}

TEST(StandInDesktopApp, ArgumentsFollowTheProgramName)
{
    EXPECT_EQ(StandInDesktopApp::argumentsOf(L"\"C:\\a b\\TVZ EN.exe\" --host -t 1 x"), L"--host -t 1 x");
    EXPECT_EQ(StandInDesktopApp::argumentsOf(L"C:\\TVZ.exe --host"), L"--host");
    EXPECT_EQ(StandInDesktopApp::argumentsOf(L"\"C:\\a b\\TVZ EN.exe\""), L"");
}
