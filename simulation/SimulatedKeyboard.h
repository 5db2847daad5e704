#pragma once
#include "platform/Input.h"
#include "simulation/SimulatedLayout.h"
#include "simulation/SimulatedTextField.h"

#include <array>
#include <cstdint>
#include <string>

namespace lumora::sim {

// The keyboard as Windows keeps it: which keys are down, whether CapsLock is toggled on, and an
// Alt code being typed on the keypad. Every key event, the user's and the injected ones, goes
// through here to the focused text field as the messages an edit control would get.
class SimulatedKeyboard {
public:
    // As GetKeyState: 0x8000 bit while down, low bit while toggled (CapsLock).
    std::int16_t KeyState(int vk) const;
    Modifiers Mods() const;
    bool IsDown(int vk) const;
    bool CapsLockOn() const { return capsLock_; }
    void SetCapsLock(bool on) { capsLock_ = on; }
    // As GetKeyboardState: 0x80 while down, 0x01 while toggled on.
    std::array<std::uint8_t, 256> KeyStates() const;

    // The left- or right-hand key a generic modifier code stands for, as the system maps it.
    static std::uint8_t Specific(std::uint8_t vk, bool extended);

    // The layout the keys are read in (the foreground thread's); the US layout at first.
    void SetLayout(const SimulatedLayout& layout) { layout_ = &layout; }
    const SimulatedLayout& Layout() const { return *layout_; }
    // The accent of a dead key typed last, waiting for the next key (0: none).
    char16_t PendingAccent() const { return accent_; }

    // One press or release; the field (may be null: no focused control) gets its messages.
    void Key(std::uint8_t vk, bool down, bool extended, SimulatedTextField* field);
    // One event of SendInput: a Unicode event types its code unit on the press, a key event is
    // as if that key were pressed or released.
    void Inject(const KeyEvent& e, SimulatedTextField* field);

private:
    std::array<bool, 256> down_{};
    bool capsLock_ = false;
    std::u16string altDigits_; // keypad digits typed while Alt is held
    const SimulatedLayout* layout_ = &SimulatedLayout::Us();
    char16_t accent_ = 0;
};

} // namespace lumora::sim
