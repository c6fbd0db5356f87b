#pragma once
// The stand-in web browser (tools/StandInBrowser.cpp): while a StandInBrowser lives, the shell
// opens http addresses in <build>\tests\tools\stand_in_browser.exe, which walks the stand-in
// service's sign-in pages and shows each page's title as its window title. A test program that
// uses it depends on the target stand_in_browser.
//
//   TestSupport::StandInBrowser browser(TestSupport::StandInBrowser::Action::Approve);
//   ... the code under test opens the sign-in page; once it has seen the authorization page:
//   browser.decide();                        // the user presses Allow
//   ... the browser lands on the result page ...
//   EXPECT_TRUE(browser.closeAll(10000));    // its windows closed, its processes gone

#include <windows.h>

#include <string>
#include <vector>

// The window class of the browser's windows.
inline constexpr wchar_t StandInBrowserClass[] = L"TalvoraStandInBrowser";
// Set by the test when the user decides on the authorization page.
inline constexpr wchar_t StandInBrowserDecideEvent[] = L"TalvoraStandInBrowser.Decide";

namespace TestSupport {

class StandInBrowser {
public:
    // What the user does on the authorization page once they decide.
    enum class Action { Approve, Deny, LeaveOpen };

    // Takes the http handler for the browser; `account` (an e-mail) is the account the user
    // continues as on the "Log in with Facebook" page, the first one listed when empty.
    explicit StandInBrowser(Action action, const std::wstring& account = {});
    // Closes what is still open and gives the http handler back.
    ~StandInBrowser();
    StandInBrowser(const StandInBrowser&) = delete;
    StandInBrowser& operator=(const StandInBrowser&) = delete;

    // <build>\tests\tools\stand_in_browser.exe
    static std::wstring programPath();

    void decide() const;
    // The titles of the browser's windows on the desktop now.
    std::vector<std::wstring> titles() const;
    // Closes every browser window; true when every browser process ended within the time.
    bool closeAll(DWORD timeoutMs) const;

private:
    std::wstring m_previousHttpCommand;
    HANDLE m_decide;
};

} // namespace TestSupport
