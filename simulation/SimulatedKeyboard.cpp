#include "simulation/SimulatedKeyboard.h"

namespace lumora::fakes {

// The generic modifier keys stand for their left-hand key (right-hand when extended), as the
// system maps them by scan code.
std::uint8_t FakeKeyboard::Specific(std::uint8_t vk, bool extended) {
    switch (vk) {
    case simkey::Shift:
        return extended ? simkey::RShift : simkey::LShift;
    case simkey::Control:
        return extended ? simkey::RControl : simkey::LControl;
    case simkey::Menu:
        return extended ? simkey::RMenu : simkey::LMenu;
    default:
        return vk;
    }
}

bool FakeKeyboard::IsDown(int vk) const {
    switch (vk) {
    case simkey::Shift:
        return fDown[simkey::LShift] || fDown[simkey::RShift];
    case simkey::Control:
        return fDown[simkey::LControl] || fDown[simkey::RControl];
    case simkey::Menu:
        return fDown[simkey::LMenu] || fDown[simkey::RMenu];
    default:
        return vk >= 0 && vk < 256 && fDown[static_cast<std::size_t>(vk)];
    }
}

std::int16_t FakeKeyboard::KeyState(int vk) const {
    std::uint16_t state = IsDown(vk) ? 0x8000 : 0;
    if (vk == simkey::Capital && fCapsLock) state |= 1;
    return static_cast<std::int16_t>(state);
}

std::array<std::uint8_t, 256> FakeKeyboard::KeyStates() const {
    std::array<std::uint8_t, 256> keys{};
    for (int vk = 0; vk < 256; ++vk)
        keys[static_cast<std::size_t>(vk)] = IsDown(vk) ? 0x80 : 0;
    if (fCapsLock) keys[simkey::Capital] |= 0x01;
    return keys;
}

Modifiers FakeKeyboard::Mods() const {
    return {IsDown(simkey::Shift), IsDown(simkey::Control), IsDown(simkey::Menu), fCapsLock};
}

void FakeKeyboard::Key(std::uint8_t vk, bool down, bool extended, FakeTextField* field) {
    const std::uint8_t key = Specific(vk, extended);
    const bool altKey = key == simkey::LMenu || key == simkey::RMenu;
    if (down) {
        if (altKey && !IsDown(simkey::Menu)) fAltDigits.clear();
        if (key == simkey::Capital && !fDown[key]) fCapsLock = !fCapsLock;
        fDown[key] = true;
        const Modifiers mods = Mods();
        if (mods.Alt && !mods.Ctrl && key >= simkey::Numpad0 && key <= simkey::Numpad9) {
            fAltDigits += static_cast<char16_t>(u'0' + (key - simkey::Numpad0));
            return;
        }
        if (!field) return;
        field->KeyDown(key, mods);
        if (auto ch = uslayout::CharOf(key, mods)) field->Char(*ch);
        return;
    }
    fDown[key] = false;
    // Letting go of the last Alt key ends an Alt code and types its character.
    if (altKey && !IsDown(simkey::Menu) && !fAltDigits.empty()) {
        std::uint32_t code = 0;
        for (char16_t d : fAltDigits)
            code = code * 10 + static_cast<std::uint32_t>(d - u'0');
        const bool leadingZero = fAltDigits.front() == u'0';
        fAltDigits.clear();
        if (field) field->Char(uslayout::AltCodeChar(code, leadingZero));
    }
}

void FakeKeyboard::Inject(const KeyEvent& e, FakeTextField* field) {
    const bool down = (e.Flags & KEYEVENTF_KEYUP) == 0;
    if (e.Flags & KEYEVENTF_UNICODE) {
        if (down && field) field->Char(static_cast<char16_t>(e.Scan));
        return;
    }
    Key(static_cast<std::uint8_t>(e.Vk), down, (e.Flags & KEYEVENTF_EXTENDEDKEY) != 0, field);
}

} // namespace lumora::fakes
