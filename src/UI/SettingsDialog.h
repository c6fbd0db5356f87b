#pragma once
// CSettingsDialog: the add-in's account screen. Signed in, it shows who and offers a logout;
// signed out, it takes a login and a password and signs in through the service; or it waits
// for a sign-in in the browser, polling every two seconds. It works on a copy of the account,
// which the caller takes back when the dialog ends with IDOK.

#include "Account.h"
#include "UI/BevelLine.h"
#include "UI/CollapsibleSection.h"
#include "UI/ColoredButton.h"
#include "UI/FacebookButton.h"
#include "UI/HyperLink.h"
#include "UI/LocalizedDialog.h"
#include "UI/StyledStatic.h"

#include <string>

// The browser sign-in the dialog drives while it waits (the process-wide sign-in controller).
class BrowserSignIn {
public:
    virtual ~BrowserSignIn() = default;
    // Opens the service's sign-in page in the browser and starts watching for its result.
    virtual void startBrowserLoginSession() = 0;
    // The title of the page that ended the sign-in, or empty while there is none.
    virtual std::string get_access_token() = 0;
    // The authorization code in such a title, or empty.
    virtual std::string parse_callback(const std::string& title) = 0;
    // Exchanges the code for a token and fills the account from the subscription.
    virtual bool exchange_code(const std::string& code, CAccount& account) = 0;
};

class CSettingsDialog : public CLocalizedDialog<212, 312> {
public:
    enum Mode : int { SignedIn = 0, SignedOut = 1, BrowserSignInWait = 2 };

    static constexpr UINT_PTR PollTimerId = 100;
    static constexpr UINT PollPeriod = 2000; // ms
    static constexpr unsigned MaxPolls = 300;

    // Without a browser sign-in the Facebook buttons are not offered.
    CSettingsDialog(const CAccount& account, bool updateAvailable, BrowserSignIn* browser = nullptr);

    const CAccount& account() const noexcept { return m_account; }
    Mode mode() const noexcept { return m_mode; }

    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The browser poll: one tick of the timer.
    void OnTimer();

private:
    void applyTexts();
    void onInitDialog();
    void onCommand(int id, int notification);
    void signInWithPassword();
    void logout();
    void startBrowserSignIn();
    void stopPolling();
    void applyMode(Mode mode);
    void warn(UINT textId, UINT captionId) const;
    std::wstring itemText(int id) const;

    CAccount m_account;
    bool m_updateAvailable;
    Mode m_mode;
    UINT_PTR m_pollTimer = 0;
    unsigned m_pollCount = 0;
    BrowserSignIn* m_browser;
    CHyperLink m_updateLink;
    HWND m_animation = nullptr;
    CFacebookButtonCtl m_facebookButton;
    CFacebookButtonCtl m_facebookSectionButton;
    CBevelLine m_separator;
    CollapsibleSection m_signedInSection;
    CollapsibleSection m_browserSection;
    CollapsibleSection m_loginSection;
    CollapsibleSection m_facebookSection;
    CColoredButtonCtrl m_okButton;
    CColoredButtonCtrl m_logoutButton;
    CColoredButtonCtrl m_stopWaitingButton;
    CColoredButtonCtrl m_facebookCancelButton;
    CStyledStaticCtrl m_captionBar;
};

// The settings dialog modally over the active window, on `account`: how CAccount asks the user
// to sign in. True when it ended with OK, `account` then holding the signed-in account.
bool runSettingsDialog(CAccount& account, bool updateAvailable);
