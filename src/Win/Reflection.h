#pragma once
// Message reflection: a dialog hands the notifications a child control sends it back to that
// control, as the message number plus ReflectedBase, so that the control can draw or answer
// for itself (the owner-drawn button reacts to its reflected WM_DRAWITEM).

#include <windows.h>

namespace Win {

inline constexpr UINT ReflectedBase = 0x2000;
inline constexpr UINT ReflectedDrawItem = ReflectedBase + WM_DRAWITEM;

// Sends the reflected message to the child that caused it. A non-zero answer is the parent's
// answer (true, in result); zero, or no such child, leaves the message to the parent's default
// processing (false), which is what a child that does not know reflected messages asks for.
bool reflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

} // namespace Win
