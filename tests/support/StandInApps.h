#pragma once
// The two stand-in programs of the test bed, installed into the build tree's Wine prefix for
// the tests that need them (both are built into <build>\bin; a test program that uses them
// depends on the targets FakeOutlook and StandInDesktopApp):
//
// - FakeOutlook.exe: Outlook's application class {0006F03A-0000-0000-C000-000000000046} as a
//   local COM server, for the add-in in Word, Excel or PowerPoint, which starts Outlook out of
//   process. It records what is done to it, one JSON object per line:
//
//     TestSupport::StandInOutlook outlook;      // registered until the end of the scope
//     ... run the code under test ...
//     outlook.waitForExit(5000);                 // it exits once its last object is released
//     EXPECT_EQ(outlook.starts().size(), 1u);
//     EXPECT_EQ(outlook.valuesOf("Subject=")[0], L"...");
//
// - "TVZ EN.exe": the desktop meeting application. It appends its command line to
//   "launches.txt" beside itself and exits:
//
//     TestSupport::StandInDesktopApp app;        // installed in <local app data>\TVZ
//     ... run the code under test ...
//     ASSERT_TRUE(app.waitForLaunches(1, 5000));
//     EXPECT_EQ(StandInDesktopApp::argumentsOf(app.launches()[0]), L"--host -t 123 token");

#include <windows.h>

#include <string>
#include <vector>

namespace TestSupport {

// {DFB342D2-54C3-4E75-BECA-6CDE517AAD64}: the stand-in Outlook's type library (a resource of
// FakeOutlook.exe). It declares the Outlook interfaces as dispinterfaces, so that COM marshals
// them as IDispatch between processes. Registering only ProxyStubClsid32 = PSDispatch for their
// IIDs is not enough under Wine 8: the server side looks for Interface\{iid}\TypeLib to build
// the stub, and QueryInterface across the processes answers E_NOINTERFACE.
inline constexpr GUID LIBID_StandInOutlook = {0xDFB342D2, 0x54C3, 0x4E75, {0xBE, 0xCA, 0x6C, 0xDE, 0x51, 0x7A, 0xAD, 0x64}};

// The semaphore the stand-in desktop application releases once per start, after recording it.
inline constexpr wchar_t DesktopAppLaunchedSemaphore[] = L"TalvoraStandInDesktopApp.Launched";

// Owner of one kernel handle.
class Handle {
public:
    Handle() noexcept = default;
    explicit Handle(HANDLE handle) noexcept : m_handle(handle) {}
    Handle(Handle&& other) noexcept : m_handle(other.release()) {}
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }

    HANDLE get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != nullptr; }
    HANDLE release() noexcept
    {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    void reset(HANDLE handle = nullptr) noexcept
    {
        if (m_handle)
            CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle = nullptr;
};

// Waits for the running processes of `exeName` (a program cannot be deleted while it runs);
// true when all of them ended within the time.
bool waitForProcessesOf(const wchar_t* exeName, DWORD timeoutMs);

// One line of the stand-in Outlook's record.
struct OutlookEvent {
    DWORD pid = 0;      // the server process
    std::string event;  // "start", "exit", "CreateItem", "Subject=", "Body=", "Location=", "Display"
    int item = 0;       // the appointment (1-based, per process); 0 for none
    std::wstring value; // the value as text (empty for an omitted argument)
    VARTYPE vt = VT_EMPTY;
};

class StandInOutlook {
public:
    // Registers FakeOutlook.exe for Outlook's application class, and its type library, in the
    // prefix's HKLM\Software\Classes (Wine's COM reads classes only from there), and starts an
    // empty record. Raises std::runtime_error when the registration fails.
    StandInOutlook();
    // Waits for the servers to exit (at most 10 s), then removes the registration.
    ~StandInOutlook();
    StandInOutlook(const StandInOutlook&) = delete;
    StandInOutlook& operator=(const StandInOutlook&) = delete;

    // Removes the registration: Outlook is not installed.
    static void unregister();
    // <build>\bin\FakeOutlook.exe
    static std::wstring serverPath();

    std::vector<OutlookEvent> events() const;
    // The server processes started since the record began, by process id.
    std::vector<DWORD> starts() const;
    // The value of every event of one kind, e.g. "Body=", in order.
    std::vector<std::wstring> valuesOf(const std::string& event) const;
    // True when every server started has exited within the time.
    bool waitForExit(DWORD timeoutMs) const;
    // Closes every server started so far, as a user closing Outlook does (Outlook since 2007 SP2
    // ends then whatever references others hold), and waits until each has gone; true when all
    // have.
    bool closeServers() const;

private:
    std::wstring m_recordPath;
};

class StandInDesktopApp {
public:
    enum class Folder { LocalAppData, ProgramFiles };

    // Copies "TVZ EN.exe" into <folder>\TVZ (created when missing) with an empty launch record.
    explicit StandInDesktopApp(Folder folder = Folder::LocalAppData);
    // Removes the program and its record, and the TVZ folder when nothing else is left in it.
    ~StandInDesktopApp();
    StandInDesktopApp(const StandInDesktopApp&) = delete;
    StandInDesktopApp& operator=(const StandInDesktopApp&) = delete;

    // <build>\bin\TVZ EN.exe
    static std::wstring programPath();
    // The part of a command line after the program name and the blank that follows it.
    static std::wstring argumentsOf(const std::wstring& commandLine);

    const std::wstring& installedPath() const noexcept { return m_installed; }
    // The command line of every start, in order.
    std::vector<std::wstring> launches() const;
    // True when `count` starts have been recorded within the time.
    bool waitForLaunches(std::size_t count, DWORD timeoutMs) const;

private:
    std::wstring m_folder;
    std::wstring m_installed;
    Handle m_launched;
    mutable std::size_t m_signalled = 0;
};

} // namespace TestSupport
