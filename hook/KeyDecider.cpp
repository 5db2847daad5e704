// The hook library's rule for one key event: report it as a character or a key, withhold it, or
// let it pass.
#include "hook/KeyDecider.h"

#include "platform/VirtualKeys.h"

namespace lumora {

namespace {

HookDecision Char(std::uint16_t ch, const HookKeyEvent& e, bool withhold = false) {
    return {HookDecision::Report::Char, ch,
            static_cast<std::uint16_t>((e.Vk & 0xFF) | (e.Extended ? 0x100 : 0)), withhold};
}

HookDecision Key(std::uint32_t vk) {
    return {HookDecision::Report::Key, static_cast<std::uint16_t>(vk), 0, false};
}

} // namespace

void KeyDecider::Seed(const std::uint8_t keyStates[256]) {
    for (int i = 0; i < 256; ++i) {
        keys_[i] = keyStates[i];
        withheld_[i] = false;
    }
}

bool KeyDecider::CtrlHeld() const {
    return Down(vk::LControl) || Down(vk::RControl);
}
bool KeyDecider::AltHeld() const {
    return Down(vk::LMenu) || Down(vk::RMenu);
}
bool KeyDecider::WinHeld() const {
    return Down(vk::LWin) || Down(vk::RWin);
}

HookDecision KeyDecider::Decide(const HookKeyEvent& e, KeyCharSource& chars) {
    HookDecision d;
    if (!e.Injected) {
        if (e.Down) {
            d = DecidePress(e, chars);
        } else if (e.Vk < 256 && withheld_[e.Vk]) {
            withheld_[e.Vk] = false;
            d.Withhold = true;
        }
    }
    // Injected events count too: the program releases held modifiers by injection.
    Track(e.Vk, e.Down);
    return d;
}

HookDecision KeyDecider::DecidePress(const HookKeyEvent& e, KeyCharSource& chars) {
    switch (e.Vk) {
    case vk::Escape:
        return Key(27);
    case vk::Back:
        return Char(8, e);
    case vk::Return:
    case vk::Tab: {
        const bool system = AltHeld() || WinHeld();
        if (!system && CtrlHeld()) {
            // Ctrl+Enter types a line feed and reaches the application; Ctrl+Tab is a command.
            return e.Vk == vk::Return ? Char(10, e) : Key(e.Vk);
        }
        // Alt+Tab, Win+Tab and Alt+Enter belong to the system.
        if (system) return Key(e.Vk);
        withheld_[e.Vk] = true;
        return Char(e.Vk == vk::Return ? 13 : 9, e, true);
    }
    default:
        break;
    }
    // Alt (without Ctrl, which with Alt is AltGr) and the Windows key make commands, not text.
    char16_t ch = 0;
    if (e.Vk < 256 && !WinHeld() && !(AltHeld() && !CtrlHeld()))
        ch = chars.CharOf(e.Vk, e.Scan, keys_);
    return ch != 0 ? Char(ch, e) : Key(e.Vk);
}

void KeyDecider::Track(std::uint32_t key, bool down) {
    if (key > 255) return;
    std::uint8_t& k = keys_[key];
    if (down) {
        const bool repeat = (k & 0x80) != 0;
        if (!repeat && (key == vk::Capital || key == vk::NumLock || key == vk::Scroll)) k ^= 0x01;
        k |= 0x80;
    } else {
        k &= static_cast<std::uint8_t>(~0x80);
    }
    // The generic modifier codes follow their left and right keys, as ToUnicodeEx expects.
    auto either = [this](int l, int r) -> std::uint8_t { return (Down(l) || Down(r)) ? 0x80 : 0; };
    keys_[vk::Shift] = either(vk::LShift, vk::RShift);
    keys_[vk::Control] = either(vk::LControl, vk::RControl);
    keys_[vk::Menu] = either(vk::LMenu, vk::RMenu);
}

} // namespace lumora
