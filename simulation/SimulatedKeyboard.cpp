// The simulated keyboard: keeps the key states and hands each key event to the focused field.
#include "simulation/SimulatedKeyboard.h"

#include <utility>

namespace lumora::sim {

// The generic modifier keys stand for their left-hand key (right-hand when extended), as the
// system maps them by scan code.
std::uint8_t SimulatedKeyboard::Specific(std::uint8_t vk, bool extended) {
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

bool SimulatedKeyboard::IsDown(int vk) const {
    switch (vk) {
    case simkey::Shift:
        return down_[simkey::LShift] || down_[simkey::RShift];
    case simkey::Control:
        return down_[simkey::LControl] || down_[simkey::RControl];
    case simkey::Menu:
        return down_[simkey::LMenu] || down_[simkey::RMenu];
    default:
        return vk >= 0 && vk < 256 && down_[static_cast<std::size_t>(vk)];
    }
}

std::int16_t SimulatedKeyboard::KeyState(int vk) const {
    std::uint16_t state = IsDown(vk) ? 0x8000 : 0;
    if (vk == simkey::Capital && capsLock_) state |= 1;
    return static_cast<std::int16_t>(state);
}

std::array<std::uint8_t, 256> SimulatedKeyboard::KeyStates() const {
    std::array<std::uint8_t, 256> keys{};
    for (int vk = 0; vk < 256; ++vk)
        keys[static_cast<std::size_t>(vk)] = IsDown(vk) ? 0x80 : 0;
    if (capsLock_) keys[simkey::Capital] |= 0x01;
    return keys;
}

Modifiers SimulatedKeyboard::Mods() const {
    return {IsDown(simkey::Shift), IsDown(simkey::Control), IsDown(simkey::Menu), capsLock_};
}

void SimulatedKeyboard::Key(std::uint8_t vk, bool down, bool extended, SimulatedTextField* field) {
    const std::uint8_t key = Specific(vk, extended);
    const bool altKey = key == simkey::LMenu || key == simkey::RMenu;
    if (down) {
        if (altKey && !IsDown(simkey::Menu)) altDigits_.clear();
        if (key == simkey::Capital && !down_[key]) capsLock_ = !capsLock_;
        down_[key] = true;
        const Modifiers mods = Mods();
        if (mods.Alt && !mods.Ctrl && key >= simkey::Numpad0 && key <= simkey::Numpad9) {
            altDigits_ += static_cast<char16_t>(u'0' + (key - simkey::Numpad0));
            return;
        }
        if (!field) return;
        field->KeyDown(key, mods);
        const auto out = layout_->CharOf(key, mods);
        if (!out) return; // a key that gives nothing leaves an accent waiting
        if (out->Dead && accent_ == 0) {
            accent_ = out->Ch; // WM_DEADCHAR: nothing in the field yet
            return;
        }
        if (accent_ == 0) {
            field->Char(out->Ch);
            return;
        }
        // The key after an accent: composed with it, or both as they are.
        const std::u16string typed = layout_->Compose(std::exchange(accent_, 0), out->Ch);
        for (char16_t c : typed)
            field->Char(c);
        return;
    }
    down_[key] = false;
    // Letting go of the last Alt key ends an Alt code and types its character.
    if (altKey && !IsDown(simkey::Menu) && !altDigits_.empty()) {
        std::uint32_t code = 0;
        for (char16_t d : altDigits_)
            code = code * 10 + static_cast<std::uint32_t>(d - u'0');
        const bool leadingZero = altDigits_.front() == u'0';
        altDigits_.clear();
        if (field) field->Char(uslayout::AltCodeChar(code, leadingZero));
    }
}

void SimulatedKeyboard::Inject(const KeyEvent& e, SimulatedTextField* field) {
    const bool down = (e.Flags & KEYEVENTF_KEYUP) == 0;
    if (e.Flags & KEYEVENTF_UNICODE) {
        if (down && field) field->Char(static_cast<char16_t>(e.Scan));
        return;
    }
    Key(static_cast<std::uint8_t>(e.Vk), down, (e.Flags & KEYEVENTF_EXTENDEDKEY) != 0, field);
}

} // namespace lumora::sim
