// How long OnConnection takes in Outlook 16 (the ribbon) or Word 11 (the command bar with its
// four buttons and their pictures): the add-in loaded through the registry by the stand-in
// host, connected and disconnected many times, the median and spread printed.
//
//   make bench      (or: scripts/run-in-wine.sh build build/bench/bin/connection_bench.exe [runs] [word11],
//                    at most 900 runs)

#include "AddinHost.h"
#include "FakeOffice.h"

#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int MaxRuns = 900;

double seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int run(int runs, bool word11)
{
    Fake::HostSpec setup;
    setup.app = word11 ? Fake::App::Word : Fake::App::Outlook;
    setup.version = word11 ? L"11.0" : L"16.0.4266";
    Fake::Office office = Fake::Office::build(setup);

    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        // A host that closes: its temporary bar goes with it, and the next one starts without.
        office.bars->bars.clear();
        std::wstring error;
        auto addin = Host::LoadedAddin::load(L"TalvoraMeeting.Addin", error);
        if (!addin) {
            std::fprintf(stderr, "cannot load the add-in: %ls (register it with regsvr32 first)\n", error.c_str());
            return 1;
        }
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        const HRESULT hr = addin->connect(office.application.get());
        QueryPerformanceCounter(&end);
        addin->disconnect();
        if (FAILED(hr) || (word11 && office.bars->bars.size() != 1)) {
            std::fprintf(stderr, "the connection failed: 0x%08lX\n", static_cast<unsigned long>(hr));
            return 1;
        }
        times.push_back(seconds(start, end) * 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("OnConnection, %s, %d runs: median %.1f us, 10%% %.1f us, 90%% %.1f us, max %.1f us\n",
                word11 ? "Word 11" : "Outlook 16", runs,
                times[times.size() / 2], times[times.size() / 10], times[times.size() * 9 / 10], times.back());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Each run loads and frees the DLL, so that every connection finds the module as Office's
    // one connection per process does. Under Wine 8 a DLL with the C++ runtime linked in
    // aborts in its start-up after about a thousand such cycles in one process: stay below.
    const int runs = argc > 1 ? std::clamp(std::atoi(argv[1]), 10, MaxRuns) : 500;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool word11 = argc > 2 && std::string(argv[2]) == "word11";
    const int result = run(runs, word11);
    CoUninitialize();
    return result;
}
