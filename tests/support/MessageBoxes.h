#pragma once
// Message boxes as their user sees them, for tests that have the UI robot answer them.

#include <windows.h>

#include <string>

namespace TestSupport {

struct MessageBoxSeen {
    std::wstring text;
    std::wstring caption;
    HWND owner = nullptr;
    bool warningIcon = false; // the system's warning icon (MB_ICONWARNING)
};

// A dialog made by MessageBox: it has the message box's text control.
bool isMessageBox(HWND window);
MessageBoxSeen readMessageBox(HWND box);

} // namespace TestSupport
