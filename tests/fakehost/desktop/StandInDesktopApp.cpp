// "TVZ EN.exe": a stand-in for the Talvora desktop meeting application. Each start appends its
// command line, as one UTF-8 line, to "launches.txt" beside the program, tells the waiting test
// (TestSupport::StandInDesktopApp) and exits.

#include "StandInApps.h"
#include "TextCodec.h"

#include <fstream>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return 1;
    std::wstring record(self);
    record.erase(record.find_last_of(L'\\') + 1).append(L"launches.txt");
    {
        std::ofstream out(record.c_str(), std::ios::binary | std::ios::app);
        out << fromUtf16(GetCommandLineW(), CP_UTF8).view() << '\n';
        if (!out.flush())
            return 1;
    }
    // Released only after the line is on disk, so that the test reads a complete record.
    TestSupport::Handle launched(OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, TestSupport::DesktopAppLaunchedSemaphore));
    if (launched)
        ReleaseSemaphore(launched.get(), 1, nullptr);
    return 0;
}
