#pragma once
// Keystroke synthesis: the program's only way of producing keyboard input.
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lumora {

// The modifier keys a user may be holding when a phrase is to be typed, as the low-level hook
// names them; the right-hand ones and the Windows keys are extended keys.
struct ModifierKey {
    std::uint8_t Vk;
    bool Extended;
};
constexpr std::array<ModifierKey, 8> ModifierKeys = {{{vk::LShift, false},
                                                      {vk::RShift, false},
                                                      {vk::LControl, false},
                                                      {vk::RControl, true},
                                                      {vk::LMenu, false},
                                                      {vk::RMenu, true},
                                                      {vk::LWin, true},
                                                      {vk::RWin, true}}};

// Injects one event per key, in list order, all pressed (down) or all released, and lets the
// GUI thread handle its pending messages after each one: a point of re-entry.
void SendKeys(Platform& platform, const std::vector<std::int32_t>& keys, bool down, bool extended);

// One press and release of a key, through SendKeys.
void TapKey(Platform& platform, std::int32_t key, bool extended = false);

// One key event, filled as SendKeys fills it.
KeyEvent MakeKeyEvent(Platform& platform, std::uint16_t vk, bool down, bool extended = false);

// Appends the events that type c in the layout: its key, with Shift where the layout needs it;
// a character no key gives, or only a dead key or a key with AltGr (or other modifiers), goes
// as a Unicode key event, which Windows delivers as that very character whatever the layout.
void AppendCharEvents(Platform& platform, std::vector<KeyEvent>& events, char16_t c,
                      HLayout layout);

// count presses and releases of Backspace in one injection, then pending messages are handled.
void SendBackspaces(Platform& platform, std::int32_t count);
// The events of count Backspaces, appended to events.
void AppendBackspaces(Platform& platform, std::vector<KeyEvent>& events, std::int32_t count);

// The keyboard layout of the thread that owns target (of our own thread for 0).
HLayout TargetKeyboardLayout(Platform& platform, HWindow target);

// The modifier keys the user holds are released for as long as this lives (a phrase typed
// with Ctrl held would run commands). Afterwards the hook library, which sees the user's hand,
// presses again those still held when it lets the held keys go (restoredByHook); without it
// they are pressed again here, as they were.
class ReleasedModifiers {
public:
    ReleasedModifiers(Platform& platform, bool restoredByHook);
    ReleasedModifiers(const ReleasedModifiers&) = delete;
    ReleasedModifiers& operator=(const ReleasedModifiers&) = delete;
    ~ReleasedModifiers();

private:
    Platform& platform_;
    std::vector<ModifierKey> released_;
    bool restoredByHook_;
};

} // namespace lumora
