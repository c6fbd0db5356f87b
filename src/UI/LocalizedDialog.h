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
