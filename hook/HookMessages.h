#pragma once
// The messages between the program and the keyboard-hook library lumora.dll (see
// LumoraHook.h for what each carries). Included by the library itself, beside <windows.h>.

namespace lumora {

constexpr unsigned WM_USER_BASE = 0x0400;

// Posted by the hook library to the main window. WM_HOOK_CHAR: wParam the UTF-16 unit, lParam
// vk | extended << 8.
constexpr unsigned WM_HOOK_CHAR = WM_USER_BASE + 1;
constexpr unsigned WM_HOOK_KEY = WM_USER_BASE + 2;   // wParam: virtual-key code
constexpr unsigned WM_HOOK_MOUSE = WM_USER_BASE + 4; // wParam: x, lParam: y (screen)

// Posted by the program to the hook thread.
constexpr unsigned WM_HOOK_CANCEL = WM_USER_BASE + 6;
constexpr unsigned WM_HOOK_BUSY = WM_USER_BASE + 7;      // wParam 1: typing starts, 0: it ends
constexpr unsigned WM_HOOK_REINSTALL = WM_USER_BASE + 8; // remove the hooks and install them again

} // namespace lumora
