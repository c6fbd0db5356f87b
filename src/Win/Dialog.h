#pragma once
// Modal dialogs from templates. A dialog class derives from Dialog and provides
//
//   bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
//
// its message map: true when it handled the message, with the answer in result (for
// WM_INITDIALOG: whether the dialog manager should set the focus). The dialog procedure finds
// the object through DWLP_USER (set at WM_INITDIALOG) and, for what the map leaves, reflects
// notifications to the child controls that sent them.

#include <windows.h>

#include <string_view>

namespace Win {

class Dialog {
public:
    Dialog() noexcept = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // The dialog window while the dialog runs; null before and after.
    HWND hwnd() const noexcept { return m_hwnd; }

protected:
    ~Dialog() = default;

    virtual bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

    // DialogBoxParamW: the value passed to EndDialog, or -1 when the dialog cannot be created.
    INT_PTR runModal(HINSTANCE instance, int templateId, HWND parent);

    void endDialog(INT_PTR result) const noexcept { EndDialog(m_hwnd, result); }
    HWND item(int id) const noexcept { return GetDlgItem(m_hwnd, id); }
    void setItemText(int id, std::wstring_view text) const;

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR route(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
};

} // namespace Win
