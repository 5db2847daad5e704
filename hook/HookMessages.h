#pragma once
// The messages between the program and the keyboard-hook library lumora.dll (see
// LumoraHook.h for what each carries). Included by the library itself, beside <windows.h>.
#include "platform/VirtualKeys.h"

#include <cstdint>

namespace lumora {

constexpr unsigned WM_USER_BASE = 0x0400;

// Posted by the hook library to the main window. Every key report carries its number (one
// more than the last) in lParam bits 16 to 47, by which the program answers.
constexpr unsigned WM_HOOK_CHAR = WM_USER_BASE + 1;  // wParam the UTF-16 unit; lParam vk | ext << 8
constexpr unsigned WM_HOOK_KEY = WM_USER_BASE + 2;   // wParam the virtual-key code
constexpr unsigned WM_HOOK_MOUSE = WM_USER_BASE + 4; // wParam x, lParam y (screen)
// The answer to WM_HOOK_HOLD: wParam the number it named (lParam 0). The reports between that
// one and this answer went to the applications.
// lParam 1: refused, since the keys after that report were let go before the hold came (see
// WM_HOOK_LET_GO); the expansion is abandoned.
constexpr unsigned WM_HOOK_HOLDING = WM_USER_BASE + 5;
// The program said nothing for too long while keys waited on it: every held key went to the
// applications without its verdict. wParam the last report let go; a hold at or before it is
// refused from now on.
constexpr unsigned WM_HOOK_LET_GO = WM_USER_BASE + 6;
// The system took fewer of the replayed keys than given (another desktop, a window above us):
// wParam how many were lost.
constexpr unsigned WM_HOOK_INPUT_REFUSED = WM_USER_BASE + 7;

// The key code of a WM_HOOK_KEY that stands for no key: what the focused control holds before
// its caret is not known any more (an accent combined with a key in a way the library cannot
// tell). 7 is a virtual-key code no keyboard sends.
constexpr std::uint16_t ForgetTextKey = 0x07;

// Asked by the program of the hook library inside the process (HookRequests; HookHold and
// HookRelease of lumora.dll), never as thread messages, which any program could post.
// An expansion was decided at report wParam: hold the user's keys until WM_HOOK_RELEASE. lParam
// HoldTakesWithheld: that report was a withheld key (Enter, Tab) which the expansion types
// itself, so it is not replayed; HoldChosen: a phrase asked for by name, which erases nothing
// the user typed, so no verdict on typed keys is late.
constexpr unsigned WM_HOOK_HOLD = WM_USER_BASE + 8;
constexpr std::intptr_t HoldTakesWithheld = 1;
constexpr std::intptr_t HoldChosen = 2;
// The program has decided on every report up to wParam: replay what is held (a withheld key
// the program did not take is replayed too), and stop holding.
constexpr unsigned WM_HOOK_RELEASE = WM_USER_BASE + 9;
// Asked of the hook library inside the process as well (HookRequests::Reinstall; ReinstallHooks
// of lumora.dll): remove the hooks and install them again (Windows may have taken them away).
constexpr unsigned WM_HOOK_REINSTALL = WM_USER_BASE + 10;

// A key report's number, and the lParam of a character report.
constexpr std::uint32_t ReportNumber(std::intptr_t lParam) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(lParam) >> 16);
}
constexpr std::intptr_t CharReportParam(std::uint16_t vkExt, std::uint32_t number) {
    return static_cast<std::intptr_t>(static_cast<std::uint64_t>(number) << 16 | vkExt);
}
static_assert(sizeof(std::intptr_t) == 8, "report numbers travel in a 64-bit lParam");

// The program's own typing carries this in its extra information: its keys passing the hook
// show that it is alive, where another program's injected keys show nothing.
constexpr std::uint64_t TypingMarker = 0x4C4D545900000000ull;
constexpr bool IsProgramTyping(std::uint64_t extraInfo) {
    return (extraInfo & 0xFFFFFFFF00000000ull) == TypingMarker;
}

// The Enter and Tab keys, which the hook library withholds from the target until the program
// has decided whether they complete a match. Ctrl+M and Ctrl+I give the same characters but
// pass.
constexpr bool IsWithheldKey(char16_t ch, std::uint8_t key) {
    return (ch == u'\r' && key == vk::Return) || (ch == u'\t' && key == vk::Tab);
}

} // namespace lumora
