#include "UI/SuspendedSubscriptionDialog.h"

#include "Server.h"
#include "Win/Window.h"

bool CSuspendedSubscriptionDialog::onMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (message) {
    case WM_INITDIALOG:
        onInitDialog();
        result = FALSE; // no default focus
        return true;
    case WM_COMMAND:
        // Esc and the close box arrive as IDCANCEL and are left alone: only OK closes.
        if (LOWORD(wParam) != IDOK)
            return false;
        endDialog(IDOK);
        return true;
    default:
        return false;
    }
}

void CSuspendedSubscriptionDialog::onInitDialog()
{
    setItemString(IDOK, IDS_OK);
    setItemString(IDC_SUSPENDED_MESSAGE, IDS_ACCOUNT_SUSPENDED);
    setItemString(IDC_SUSPENDED_LINK, IDS_MORE_INFORMATION);
    const HWND link = item(IDC_SUSPENDED_LINK);
    m_link.attach(link, Win::windowFont(link));
    m_link.setUrl(Server::webSignInUrl(m_account));
    ShowWindow(link, SW_SHOW);
    const std::wstring title = Localization::instance().getFormattedString(IDS_ACCOUNT_ERROR_TITLE);
    if (!title.empty())
        SetWindowTextW(hwnd(), title.c_str());
    centerWindow();
}
