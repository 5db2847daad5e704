#pragma once
#include "platform/Input.h"
#include "simulation/SimulatedTextField.h"

#include <array>
#include <cstdint>
#include <string>

namespace lumora::fakes {

// The keyboard as Windows keeps it: which keys are down, whether CapsLock is toggled on, and an
// Alt code being typed on the keypad. Every key event, the user's and the injected ones, goes
// through here to the focused text field as the messages an edit control would get.
class FakeKeyboard {
public:
    // As GetKeyState: 0x8000 bit while down, low bit while toggled (CapsLock).
    std::int16_t KeyState(int vk) const;
    Modifiers Mods() const;
    bool IsDown(int vk) const;
    bool CapsLockOn() const { return fCapsLock; }
    void SetCapsLock(bool on) { fCapsLock = on; }
    // As GetKeyboardState: 0x80 while down, 0x01 while toggled on.
    std::array<std::uint8_t, 256> KeyStates() const;

    // The left- or right-hand key a generic modifier code stands for, as the system maps it.
    static std::uint8_t Specific(std::uint8_t vk, bool extended);

    // One press or release; the field (may be null: no focused control) gets its messages.
    void Key(std::uint8_t vk, bool down, bool extended, FakeTextField* field);
    // One event of SendInput: a Unicode event types its code unit on the press, a key event is
    // as if that key were pressed or released.
    void Inject(const KeyEvent& e, FakeTextField* field);

private:
    std::array<bool, 256> fDown{};
    bool fCapsLock = false;
    std::u16string fAltDigits; // keypad digits typed while Alt is held
};

} // namespace lumora::fakes
