// FakeOffice.exe: a stand-in Office application that loads the registered add-ins the way
// Office does and prints what happened.
//
//   FakeOffice.exe [--app Outlook|Word|Excel|PowerPoint] [--version 16.0.4266]

#include "AddinHost.h"
#include "FakeOffice.h"

#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Options {
    Fake::App app = Fake::App::Outlook;
    std::wstring appName = L"Outlook";
    std::wstring version = L"16.0.4266";
};

bool parse(int argc, wchar_t** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring flag = argv[i];
        const std::wstring value = argv[i + 1];
        if (flag == L"--version") {
            options.version = value;
        } else if (flag == L"--app") {
            options.appName = value;
            if (value == L"Outlook")
                options.app = Fake::App::Outlook;
            else if (value == L"Word")
                options.app = Fake::App::Word;
            else if (value == L"Excel")
                options.app = Fake::App::Excel;
            else if (value == L"PowerPoint")
                options.app = Fake::App::PowerPoint;
            else
                return false;
        } else {
            return false;
        }
    }
    return true;
}

void report(const char* step, HRESULT hr)
{
    std::printf("  %-22s 0x%08lX\n", step, static_cast<unsigned long>(hr));
}

int run(const Options& options)
{
    Fake::HostSpec setup;
    setup.app = options.app;
    setup.version = options.version;
    Fake::Office office = Fake::Office::build(setup);
    std::printf("%ls %ls\n", Fake::defaultName(options.app), options.version.c_str());

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
        std::fprintf(stderr, "usage: FakeOffice.exe [--app Outlook|Word|Excel|PowerPoint] [--version text]\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = run(options);
    CoUninitialize();
    return result;
}
