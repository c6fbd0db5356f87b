#include "StandInApps.h"

#include "TestSupport.h"

#include "TextCodec.h"
#include "Win/RegKey.h"

#include <json/json.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace TestSupport {

namespace {

const wchar_t OutlookClassKey[] = L"Software\\Classes\\CLSID\\{0006F03A-0000-0000-C000-000000000046}";

// <build>\bin: the folder of the program itself when the add-in is beside it (FakeOffice.exe),
// else the one beside the test programs' <build>\tests\bin.
std::wstring binFolder()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::wstring own = folderOf(exe);
    if (GetFileAttributesW((own + L"\\TalvoraMeeting.dll").c_str()) != INVALID_FILE_ATTRIBUTES)
        return own;
    return folderOf(addinDllPath());
}

std::wstring tempFolder()
{
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, path);
    return std::wstring(path, length);
}

std::wstring knownFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, path)))
        throw std::runtime_error("SHGetFolderPathW failed");
    return path;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

void setDefaultValue(HKEY root, const std::wstring& path, const std::wstring& value)
{
    Win::RegKey key;
    if (key.create(root, path.c_str(), KEY_SET_VALUE) != ERROR_SUCCESS ||
        RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write the stand-in Outlook's class key");
}

} // namespace

bool waitForProcessesOf(const wchar_t* exeName, DWORD timeoutMs)
{
    Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release();
        return false;
    }
    std::vector<Handle> running;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (_wcsicmp(entry.szExeFile, exeName) == 0)
            if (Handle process{OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)})
                running.push_back(std::move(process));
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    bool ended = true;
    for (const Handle& process : running) {
        const ULONGLONG now = GetTickCount64();
        ended = WaitForSingleObject(process.get(), now < deadline ? static_cast<DWORD>(deadline - now) : 0) ==
                    WAIT_OBJECT_0 &&
                ended;
    }
    return ended;
}

// --- StandInOutlook --------------------------------------------------------------------------

StandInOutlook::StandInOutlook() : m_recordPath(tempFolder() + L"TalvoraStandInOutlook.jsonl")
{
    std::ofstream truncate(m_recordPath.c_str(), std::ios::binary | std::ios::trunc);
    const std::wstring server = serverPath();
    setDefaultValue(HKEY_LOCAL_MACHINE, OutlookClassKey, L"Outlook.Application");
    setDefaultValue(HKEY_LOCAL_MACHINE, std::wstring(OutlookClassKey) + L"\\LocalServer32",
                    L"\"" + server + L"\" --record \"" + m_recordPath + L"\"");

    // Registering the type library also writes Interface\{iid} with the automation marshaler
    // for each of its dispinterfaces.
    ITypeLib* library = nullptr;
    const HRESULT hr = LoadTypeLibEx(server.c_str(), REGKIND_REGISTER, &library);
    if (library)
        library->Release();
    if (FAILED(hr)) {
        unregister();
        throw std::runtime_error("cannot register the stand-in Outlook's type library");
    }
}

StandInOutlook::~StandInOutlook()
{
    waitForExit(10000);
    unregister();
}

void StandInOutlook::unregister()
{
    deleteRegistryTree(HKEY_LOCAL_MACHINE, OutlookClassKey);
    UnRegisterTypeLib(LIBID_StandInOutlook, 1, 0, LANG_NEUTRAL, SYS_WIN64);
}

std::wstring StandInOutlook::serverPath()
{
    return binFolder() + L"\\FakeOutlook.exe";
}

std::vector<OutlookEvent> StandInOutlook::events() const
{
    std::vector<OutlookEvent> events;
    for (const std::string& line : linesOf(readFile(m_recordPath))) {
        Json::Value object;
        std::istringstream in(line);
        if (!Json::parseFromStream(Json::CharReaderBuilder(), in, &object, nullptr) || !object.isObject())
            throw std::runtime_error("malformed stand-in Outlook record: " + line);
        OutlookEvent event;
        event.pid = object["pid"].asUInt();
        event.event = object["event"].asString();
        event.item = object.get("item", 0).asInt();
        event.value = toUtf16(object.get("value", "").asString(), CP_UTF8).str();
        event.vt = static_cast<VARTYPE>(object.get("vt", VT_EMPTY).asUInt());
        events.push_back(std::move(event));
    }
    return events;
}

std::vector<DWORD> StandInOutlook::starts() const
{
    std::vector<DWORD> pids;
    for (const OutlookEvent& event : events())
        if (event.event == "start")
            pids.push_back(event.pid);
    return pids;
}

std::vector<std::wstring> StandInOutlook::valuesOf(const std::string& kind) const
{
    std::vector<std::wstring> values;
    for (const OutlookEvent& event : events())
        if (event.event == kind)
            values.push_back(event.value);
    return values;
}

bool StandInOutlook::closeServers() const
{
    bool closed = true;
    for (DWORD pid : starts()) {
        Handle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
        if (!process)
            continue; // gone already
        // The server's message loop ends on WM_QUIT: it revokes its class and exits.
        Handle threads(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
        THREADENTRY32 thread{sizeof thread};
        for (BOOL more = Thread32First(threads.get(), &thread); more; more = Thread32Next(threads.get(), &thread))
            if (thread.th32OwnerProcessID == pid)
                PostThreadMessageW(thread.th32ThreadID, WM_QUIT, 0, 0);
        closed = WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0 && closed;
    }
    return closed;
}

bool StandInOutlook::waitForExit(DWORD timeoutMs) const
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    std::vector<DWORD> exited;
    for (const OutlookEvent& event : events())
        if (event.event == "exit")
            exited.push_back(event.pid);
    for (DWORD pid : starts()) {
        if (std::find(exited.begin(), exited.end(), pid) != exited.end())
            continue;
        Handle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
        if (!process)
            continue; // gone already
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        if (WaitForSingleObject(process.get(), left) != WAIT_OBJECT_0)
            return false;
    }
    return true;
}

// --- StandInDesktopApp -----------------------------------------------------------------------

StandInDesktopApp::StandInDesktopApp(Folder folder)
    : m_folder(knownFolder(folder == Folder::LocalAppData ? CSIDL_LOCAL_APPDATA : CSIDL_PROGRAM_FILES) + L"\\TVZ"),
      m_installed(m_folder + L"\\TVZ EN.exe"),
      m_launched(CreateSemaphoreW(nullptr, 0, LONG_MAX, DesktopAppLaunchedSemaphore))
{
    if (!m_launched)
        throw std::runtime_error("cannot create the launch semaphore");
    CreateDirectoryW(m_folder.c_str(), nullptr);
    DeleteFileW((m_folder + L"\\launches.txt").c_str());
    if (!CopyFileW(programPath().c_str(), m_installed.c_str(), FALSE))
        throw std::runtime_error("cannot install the stand-in desktop application");
}

StandInDesktopApp::~StandInDesktopApp()
{
    waitForProcessesOf(L"TVZ EN.exe", 5000);
    DeleteFileW(m_installed.c_str());
    DeleteFileW((m_folder + L"\\launches.txt").c_str());
    RemoveDirectoryW(m_folder.c_str()); // fails, as it should, when other files are left
}

std::wstring StandInDesktopApp::programPath()
{
    return binFolder() + L"\\TVZ EN.exe";
}

std::wstring StandInDesktopApp::argumentsOf(const std::wstring& commandLine)
{
    std::size_t end = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        end = commandLine.find(L'"', 1);
        end = end == std::wstring::npos ? commandLine.size() : end + 1;
    } else {
        end = std::min(commandLine.find(L' '), commandLine.size());
    }
    if (end < commandLine.size() && commandLine[end] == L' ')
        ++end;
    return commandLine.substr(end);
}

std::vector<std::wstring> StandInDesktopApp::launches() const
{
    std::vector<std::wstring> result;
    for (const std::string& line : linesOf(readFile(m_folder + L"\\launches.txt")))
        result.push_back(toUtf16(line, CP_UTF8).str());
    return result;
}

bool StandInDesktopApp::waitForLaunches(std::size_t count, DWORD timeoutMs) const
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (m_signalled < count) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        if (WaitForSingleObject(m_launched.get(), left) != WAIT_OBJECT_0)
            break;
        ++m_signalled;
    }
    return launches().size() >= count;
}

} // namespace TestSupport
