#pragma once
// CSuspendedSubscriptionDialog: tells the user that the service has suspended the account and
// links to the account's page on the service web site, already signed in. Only OK closes it.

#include "../../res/resource.h"
#include "UI/HyperLink.h"
#include "UI/LocalizedDialog.h"

class CAccount;

class CSuspendedSubscriptionDialog
    : public CLocalizedDialog<IDD_SUSPENDED_SUBSCRIPTION, IDD_SUSPENDED_SUBSCRIPTION_RTL> {
public:
    explicit CSuspendedSubscriptionDialog(const CAccount& account) : m_account(account) {}

    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void onInitDialog();

    const CAccount& m_account;
    CHyperLink m_link;
};
