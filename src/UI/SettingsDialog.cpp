#include "UI/SettingsDialog.h"

#include "Com/ComError.h"
#include "Com/Module.h"
#include "Log.h"
#include "NCProfile.h"
#include "SSO/SSO.h"
#include "Server.h"
#include "ServiceOrigins.h"
#include "TextCodec.h"
#include "Win/Window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cwctype>
#include <utility>

namespace {

// Controls of templates 212 and 312.
enum ControlId : int {
    IdOk = IDOK,
    IdCancel = IDCANCEL,
    IdLogin = 207,
    IdPassword = 209,
    IdAnimation = 210,
    IdUpdateLink = 211,
    IdVersion = 265,
    IdLoginLabel = 301,
    IdPasswordLabel = 302,
    IdLogout = 316,
    IdLoginFrame = 317,
    IdFacebook = 318,
    IdSignedInFrame = 319,
    IdBrowserFrame = 320,
    IdStopWaiting = 321,
    IdSignedInCancel = 322,
    IdLoggedInAs = 323,
    IdSignedInLogin = 324,
    IdFacebookFrame = 325,
    IdFacebookCancel = 326,
    IdSeparator = 327,
    IdFacebookSection = 328,
    IdInstruction = 329,
    IdCaptionBar = 330,
};

// The texts replaced at initialisation: (control, string).
constexpr std::pair<int, UINT> Texts[] = {
    {IdOk, 520},         {IdCancel, 521},       {IdLoginLabel, 522}, {IdPasswordLabel, 523},
    {IdLoginFrame, 524}, {IdUpdateLink, 525},   {IdLogout, 536},     {IdSeparator, 535},
    {IdSignedInFrame, 524}, {IdSignedInCancel, 521}, {IdLoggedInAs, 539}, {IdBrowserFrame, 538},
    {IdInstruction, 537}, {IdStopWaiting, 521}, {IdFacebookFrame, 524}, {IdFacebookCancel, 521},
    {IdCaptionBar, 507},
};

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF ButtonBlue = RGB(0, 120, 215);

bool isFrame(int id)
{
    return id == IdLoginFrame || id == IdSignedInFrame || id == IdBrowserFrame || id == IdFacebookFrame;
}

void trimTrailingSpace(std::wstring& text)
{
    while (!text.empty() && std::iswspace(text.back()))
        text.pop_back();
}

// "Version: %s" with the add-in module's own version text (string 999, not translated).
std::wstring versionLabel()
{
    const wchar_t* version = nullptr;
    const int length = LoadStringW(Com::Module::instance(), 999, reinterpret_cast<LPWSTR>(&version), 0);
    std::wstring label = Localization::instance().getString(527);
    const std::size_t placeholder = label.find(L"%s");
    if (placeholder != std::wstring::npos)
        label.replace(placeholder, 2, length > 0 ? std::wstring(version, static_cast<std::size_t>(length)) : L"");
    return label;
}

} // namespace

CSettingsDialog::CSettingsDialog(const CAccount& account, bool updateAvailable, BrowserSignIn* browser)
    : m_account(account), m_updateAvailable(updateAvailable), m_mode(account.isComplete() ? SignedIn : SignedOut),
      m_browser(browser)
{
}

bool CSettingsDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_INITDIALOG:
        applyTexts();
        onInitDialog();
        result = FALSE; // keep the focus set by the initialisation
        return true;
    case WM_NCHITTEST: {
        // The caption bar replaces the system caption: dragging it moves the dialog.
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const RECT bar = Win::windowRect(item(IdCaptionBar));
        if (!PtInRect(&bar, point))
            return false;
        result = HTCAPTION;
        return true;
    }
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        result = 0;
        return true;
    case WM_TIMER:
        OnTimer();
        result = 0;
        return true;
    case WM_CTLCOLORDLG:
        result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return true;
    case WM_CTLCOLORSTATIC: {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (id == IdCaptionBar)
            return false;
        if (isFrame(id)) {
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        } else {
            result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        }
        return true;
    }
    case WM_DESTROY:
        stopPolling();
        return false;
    default:
        return false;
    }
}

void CSettingsDialog::applyTexts()
{
    for (const auto& [control, string] : Texts)
        if (item(control))
            setItemString(control, string);
}

void CSettingsDialog::onInitDialog()
{
    setItemText(IdVersion, versionLabel());

    // The styled caption bar takes the place of the system caption.
    SetWindowLongPtrW(hwnd(), GWL_STYLE, GetWindowLongPtrW(hwnd(), GWL_STYLE) & ~static_cast<LONG_PTR>(WS_CAPTION));
    SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);

    if (m_updateAvailable) {
        const HWND link = item(IdUpdateLink);
        m_updateLink.attach(link, Win::windowFont(link));
        m_updateLink.setUrl(WebHost() + L"/outlook-plugin-instructions");
        ShowWindow(link, SW_SHOW);
    }
    m_facebookButton.attach(item(IdFacebook));
    m_facebookSectionButton.attach(item(IdFacebookSection));
    m_animation = item(IdAnimation);

    m_signedInSection.build(hwnd(), IdSignedInFrame);
    m_loginSection.build(hwnd(), IdLoginFrame);
    m_facebookSection.build(hwnd(), IdFacebookFrame);
    m_browserSection.build(hwnd(), IdBrowserFrame);
    m_facebookSection.show(false); // for good
    const std::wstring facebook = Localization::instance().getString(534);
    setItemText(IdFacebook, facebook);
    setItemText(IdFacebookSection, facebook);

    applyMode(m_mode);
    const std::wstring title = Localization::instance().getFormattedString(507);
    if (!title.empty())
        SetWindowTextW(hwnd(), title.c_str());
    centerWindow();

    if (m_mode == SignedOut) {
        setItemText(IdLogin, m_account.login);
        setItemText(IdPassword, m_account.password);
        SetFocus(item(IdLogin));
    }

    const HWND separator = item(IdSeparator);
    m_separator.setFont(Win::windowFont(separator));
    m_separator.attach(separator);

    for (CColoredButtonCtrl* button : {&m_okButton, &m_logoutButton, &m_stopWaitingButton, &m_facebookCancelButton}) {
        button->setTextColor(White);
        button->setNormalColor(ButtonBlue);
        button->setPressedColor(ButtonBlue);
    }
    m_okButton.attach(item(IdOk));
    m_logoutButton.attach(item(IdLogout));
    m_stopWaitingButton.attach(item(IdStopWaiting));
    m_facebookCancelButton.attach(item(IdFacebookCancel));
    for (int id : {IdOk, IdLogout, IdStopWaiting, IdFacebookCancel})
        InvalidateRect(item(id), nullptr, TRUE);

    m_captionBar.setTextColor(RGB(0, 0, 0));
    m_captionBar.setBackgroundColor(RGB(240, 240, 240));
    m_captionBar.setFontWeight(FW_BOLD);
    m_captionBar.setTextIndent(2);
    m_captionBar.attach(item(IdCaptionBar));
    // Disabled, the bar lets mouse input through to the dialog, whose hit test makes it a handle.
    EnableWindow(item(IdCaptionBar), FALSE);
}

void CSettingsDialog::onCommand(int id, int notification)
{
    switch (id) {
    case IdOk:
        signInWithPassword();
        break;
    case IdCancel:
    case IdSignedInCancel:
    case IdFacebookCancel:
        endDialog(IDCANCEL);
        break;
    case IdLogout:
        logout();
        break;
    case IdFacebook:
    case IdFacebookSection:
        // The buttons are notifying statics, which also report a double press: only a click
        // starts a sign-in, or a double press would start two.
        if (notification == STN_CLICKED)
            startBrowserSignIn();
        break;
    case IdStopWaiting:
        applyMode(SignedOut);
        stopPolling();
        break;
    default:
        break;
    }
}

std::wstring CSettingsDialog::itemText(int id) const
{
    return Win::windowText(item(id));
}

void CSettingsDialog::warn(UINT textId, UINT captionId) const
{
    const Localization& strings = Localization::instance();
    MessageBoxW(hwnd(), strings.getString(textId).c_str(), strings.getFormattedString(captionId).c_str(),
                MB_ICONWARNING);
}

void CSettingsDialog::signInWithPassword()
{
    m_account.accessToken.clear();
    m_account.login = itemText(IdLogin);
    m_account.password = itemText(IdPassword);

    trimTrailingSpace(m_account.login);
    if (m_account.login.empty()) {
        warn(510, 507);
        MessageBeep(0xFFFFFFFF);
        SetFocus(item(IdLogin));
        return;
    }
    // Blanks are a password's own characters: only a password of nothing else is empty, and
    // what was typed is sent as it was.
    std::wstring trimmedPassword = m_account.password;
    trimTrailingSpace(trimmedPassword);
    if (trimmedPassword.empty()) {
        warn(511, 507);
        MessageBeep(0xFFFFFFFF);
        SetFocus(item(IdPassword));
        return;
    }
    // The password travels in the ANSI code page. Mapped to look-alikes or to "?", a different
    // password would be sent and the user told that the credentials are wrong.
    if (!fitsCodePage(m_account.password, CP_THREAD_ACP)) {
        warn(540, 507);
        MessageBeep(0xFFFFFFFF);
        SetFocus(item(IdPassword));
        return;
    }
    try {
        NCProfile::instance().reload();
        Server server(m_account);
        if (server.loadSubscription(true)) {
            m_account.save(true);
            endDialog(IDOK);
            return;
        }
        warn(508, 507);
        MessageBeep(0xFFFFFFFF);
        SetFocus(item(IdLogin));
    } catch (const Com::ComError&) {
        warn(512, 513);
    }
}

void CSettingsDialog::logout()
{
    m_account.login.clear();
    m_account.accessCode.clear();
    m_account.subscriptionId.clear();
    m_account.accessToken.clear();
    m_account.save(false);
    applyMode(SignedOut);
}

void CSettingsDialog::startBrowserSignIn()
{
    if (!m_browser)
        return;
    m_browser->startBrowserLoginSession();
    applyMode(BrowserSignInWait);
    m_pollTimer = SetTimer(hwnd(), PollTimerId, PollPeriod, nullptr);
    m_pollCount = 0;
}

void CSettingsDialog::stopPolling()
{
    if (m_pollTimer)
        KillTimer(hwnd(), m_pollTimer);
    m_pollTimer = 0;
}

void CSettingsDialog::OnTimer()
{
    // A tick that was already queued when the wait ended (Cancel, the time limit, a result) is
    // stale: polling then could still sign in an attempt the user gave up.
    if (!m_browser || m_mode != BrowserSignInWait)
        return;
    const unsigned poll = m_pollCount++;
    if (poll >= MaxPolls) {
        TVZ_LOG("[SSO] Wait timeout");
        stopPolling();
        applyMode(SignedOut);
        return;
    }
    const std::string title = m_browser->get_access_token();
    if (title.empty())
        return;
    TVZ_LOG("[SSO] Got token");
    stopPolling();
    const std::string code = m_browser->parse_callback(title);
    if (code.empty()) {
        TVZ_LOG("Error parsing title");
        applyMode(SignedOut);
        return;
    }
    EnableWindow(item(IdStopWaiting), FALSE); // the exchange blocks while its requests run
    const bool signedIn = m_browser->exchange_code(code, m_account);
    EnableWindow(item(IdStopWaiting), TRUE);
    if (signedIn) {
        m_account.save(true);
        endDialog(IDOK);
        return;
    }
    warn(512, 513);
    applyMode(SignedOut);
}

void CSettingsDialog::applyMode(Mode mode)
{
    m_mode = mode;
    m_signedInSection.show(mode == SignedIn);
    m_loginSection.show(mode == SignedOut);
    m_browserSection.show(mode == BrowserSignInWait);
    if (!m_browser) {
        // Without a browser sign-in there is nothing to continue with; showing the login
        // section shows all of its members, these two included, so they go again each time.
        ShowWindow(item(IdFacebook), SW_HIDE);
        ShowWindow(item(IdSeparator), SW_HIDE);
    }
    if (mode == SignedIn)
        setItemText(IdSignedInLogin, m_account.login);
    if (mode == BrowserSignInWait) {
        SendMessageW(m_animation, ACM_OPENW, reinterpret_cast<WPARAM>(Com::Module::instance()),
                     reinterpret_cast<LPARAM>(L"PROGRESS_ANIMATION"));
        SendMessageW(m_animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
    } else {
        SendMessageW(m_animation, ACM_STOP, 0, 0);
        SendMessageW(m_animation, ACM_OPENW, 0, 0);
    }
}

namespace {

// The browser mode on the process-wide sign-in controller, which outlives the dialog.
class ControllerSignIn final : public BrowserSignIn {
public:
    void startBrowserLoginSession() override { controller().startBrowserLoginSession(); }
    std::string get_access_token() override { return controller().get_access_token(); }
    std::string parse_callback(const std::string& title) override { return controller().parse_callback(title); }
    bool exchange_code(const std::string& code, CAccount& account) override
    {
        return controller().exchange_code(code, account);
    }

private:
    static SSO::Controller& controller() { return SSO::Controller::instance(); }
};

} // namespace

bool runSettingsDialog(CAccount& account, bool updateAvailable)
{
    ControllerSignIn browser;
    CSettingsDialog dialog(account, updateAvailable, &browser);
    if (dialog.runModal(GetActiveWindow()) != IDOK)
        return false;
    account = dialog.account();
    return true;
}
