#pragma once
// The room a dialog's control texts need against the room their controls give them, measured
// with each control's own font as the control draws it.

#include <windows.h>

#include <string>
#include <vector>

namespace UiTest {

struct TextFit {
    int controlId;
    char axis; // 'w': the longest line or word against the width; 'h': the wrapped lines against the height
    int needed;
    int available;
};

// Every visible button and static of the dialog with a non-empty text.
std::vector<TextFit> measureTexts(HWND dialog);

} // namespace UiTest
