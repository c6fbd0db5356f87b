#pragma once
// Modal dialogs from templates. A dialog class derives from DialogImpl<itself> and provides
//
//   bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
//
// its message map: true when it handled the message, with the answer in result (for
// WM_INITDIALOG: whether the dialog manager should set the focus). Each dialog class gets its
// own dialog procedure, which finds the object through DWLP_USER (set at WM_INITDIALOG) and,
// for what the map leaves, reflects notifications to the child controls that sent them.

#include <windows.h>

#include <string_view>

namespace Win {

class DialogBase {
public:
    DialogBase() noexcept = default;
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // The dialog window while the dialog runs; null before and after.
    HWND hwnd() const noexcept { return m_hwnd; }

protected:
    ~DialogBase() = default;

    using MessageMap = bool (*)(DialogBase& dialog, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // DialogBoxParamW: the value passed to EndDialog, or -1 when the dialog cannot be created.
    INT_PTR runModal(HINSTANCE instance, int templateId, HWND parent, DLGPROC procedure);

    void endDialog(INT_PTR result) const noexcept { EndDialog(m_hwnd, result); }
    HWND item(int id) const noexcept { return GetDlgItem(m_hwnd, id); }
    void setItemText(int id, std::wstring_view text) const;

    // The shared part of every dialog procedure.
    static INT_PTR dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, MessageMap map) noexcept;

private:
    INT_PTR route(UINT message, WPARAM wParam, LPARAM lParam, MessageMap map);

    HWND m_hwnd = nullptr;
};

template <class T>
class DialogImpl : public DialogBase {
protected:
    ~DialogImpl() = default;

    INT_PTR runModal(HINSTANCE instance, int templateId, HWND parent)
    {
        return DialogBase::runModal(instance, templateId, parent, &DialogImpl::dialogProc);
    }

private:
    static bool callMap(DialogBase& dialog, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
    {
        return static_cast<T&>(dialog).onMessage(message, wParam, lParam, result);
    }
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
    {
        return dispatch(window, message, wParam, lParam, &DialogImpl::callMap);
    }
};

} // namespace Win
