#include "MessageBoxes.h"

namespace TestSupport {
namespace {

// The ids MessageBox gives its text and its icon.
constexpr int TextId = 0xFFFF;
constexpr int IconId = 0x0440;

std::wstring windowText(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

} // namespace

bool isMessageBox(HWND window)
{
    wchar_t className[16] = {};
    return window && GetClassNameW(window, className, 16) && lstrcmpW(className, L"#32770") == 0 &&
           GetDlgItem(window, TextId);
}

MessageBoxSeen readMessageBox(HWND box)
{
    MessageBoxSeen seen;
    seen.text = windowText(GetDlgItem(box, TextId));
    seen.caption = windowText(box);
    seen.owner = GetWindow(box, GW_OWNER);
    const auto icon = reinterpret_cast<HICON>(SendDlgItemMessageW(box, IconId, STM_GETICON, 0, 0));
    seen.warningIcon = icon && icon == LoadIconW(nullptr, IDI_WARNING);
    return seen;
}

} // namespace TestSupport
