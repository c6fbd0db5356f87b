// Stands in for the browser in the tests: registered as the handler of the URLs the tests
// open, it appends the URL it was started with (UTF-8, one line) to the file named by the
// environment variable TALVORA_URL_RECORD, which it inherits from the test program.
// A windows program, not a console one: a console program started from the test programs
// (which have no console) gets a console window of its own, and that window takes the
// foreground from the dialog under test at a moment nobody controls.
#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"TALVORA_URL_RECORD", path, MAX_PATH);
    if (!arguments || count < 2 || length == 0 || length >= MAX_PATH)
        return 1;
    const int size = WideCharToMultiByte(CP_UTF8, 0, arguments[1], -1, nullptr, 0, nullptr, nullptr);
    std::string url(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, arguments[1], -1, url.data(), size, nullptr, nullptr);
    LocalFree(arguments);
    std::ofstream(path, std::ios::binary | std::ios::app) << url << '\n';
    return 0;
}
