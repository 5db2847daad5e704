#pragma once
// Keystroke synthesis: the program's only way of producing keyboard input.
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"

#include <array>
#include <cstdint>
#include <vector>

namespace lumora {

class TrackingRecords;

// The modifier keys that ActivateTarget releases first, in this order: left Shift, Shift,
// Ctrl, left Ctrl, Alt, left Alt, left Windows, right Windows.
constexpr std::array<std::int32_t, 8> ModifierKeys = {
    vk::LShift, vk::Shift, vk::Control, vk::LControl, vk::Menu, vk::LMenu, vk::LWin, vk::RWin};
// Right Shift, right Ctrl, right Alt: released one by one afterwards, as extended keys.
constexpr std::array<std::int32_t, 3> RightModifierKeys = {vk::RShift, vk::RControl, vk::RMenu};

// Injects one event per key, in list order, all pressed (down) or all released, and lets the
// GUI thread handle its pending messages after each one: a point of re-entry.
void SendKeys(Platform& platform, const std::vector<std::int32_t>& keys, bool down, bool extended);

// One press and release of a key, through SendKeys.
void TapKey(Platform& platform, std::int32_t key, bool extended = false);

// Presses and releases one UTF-16 code unit as a Unicode key event (virtual key 0, the unit
// as scan code), handling pending messages after each event like SendKeys.
void SendUnicodeUnit(Platform& platform, char16_t unit);

// Holds the user's keyboard and mouse input back (BlockInput) for as long as it lives.
class BlockInputGuard {
public:
    explicit BlockInputGuard(InputInjector& input);
    BlockInputGuard(const BlockInputGuard&) = delete;
    BlockInputGuard& operator=(const BlockInputGuard&) = delete;
    ~BlockInputGuard();

private:
    InputInjector& input_;
};

// Brings the window the user types into to the front, waits 100 ms and releases every
// modifier key with the user's input blocked. Returns that window, 0 when there is none.
HWindow ActivateTarget(Platform& platform, TrackingRecords& tracking);

// count presses and releases of Backspace; none for a count below 1. target is not consulted.
void SendBackspaces(Platform& platform, HWindow target, std::int32_t count);

// The keyboard layout of the thread that owns target (of our own thread for 0).
HLayout TargetKeyboardLayout(Platform& platform, HWindow target);

} // namespace lumora
