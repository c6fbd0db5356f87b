#pragma once
// CLocalizedDialog: the base of every dialog of the add-in. It picks the left-to-right or the
// right-to-left twin of the dialog's template for the interface language, once, when the dialog
// object is made; runs it modally from the add-in module's own resources (only texts come from
// the language libraries); and centres it.

#include "Com/Module.h"
#include "Localization.h"
#include "Win/Centering.h"
#include "Win/Dialog.h"

template <int ltrId, int rtlId>
class CLocalizedDialog : public Win::Dialog {
public:
    int templateId() const noexcept { return m_templateId; }

    // The value passed to EndDialog, or -1 when the dialog cannot be created.
    INT_PTR runModal(HWND parent) { return Win::Dialog::runModal(Com::Module::instance(), m_templateId, parent); }

protected:
    CLocalizedDialog() : m_templateId(Localization::instance().isRightToLeft() ? rtlId : ltrId) {}
    ~CLocalizedDialog() = default;

    void centerWindow() const noexcept { Win::centerOnOwner(this->hwnd()); }
    // The right-to-left templates mark only the dialog itself as read from right to left; its
    // controls take that reading order too, so that a Latin name or the full stop ending a
    // Hebrew or Arabic sentence sits where its reader expects it.
    void inheritReadingOrder() const noexcept
    {
        const HWND dialog = this->hwnd();
        if (!(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_RTLREADING))
            return;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            SetWindowLongPtrW(child, GWL_EXSTYLE, GetWindowLongPtrW(child, GWL_EXSTYLE) | WS_EX_RTLREADING);
    }
    // A control's text from the string table with the service name filled in; an empty string
    // (missing everywhere) leaves the template's text.
    void setItemString(int controlId, UINT stringId) const
    {
        const std::wstring text = Localization::instance().getFormattedString(stringId);
        if (!text.empty())
            this->setItemText(controlId, text);
    }

private:
    int m_templateId;
};
