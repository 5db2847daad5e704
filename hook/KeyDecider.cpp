// The hook library's rule for one key event: report it as a character or a key, withhold it, or
// let it pass.
#include "hook/KeyDecider.h"

#include "platform/VirtualKeys.h"

#include <utility>

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
    // Keys went by unseen: an accent may have been used up meanwhile.
    accent_ = 0;
    accentInDoubt_ = false;
}

namespace {

bool Down(const std::uint8_t* keys, int vk) {
    return (keys[vk] & 0x80) != 0;
}
bool CtrlHeld(const std::uint8_t* keys) {
    return Down(keys, vk::LControl) || Down(keys, vk::RControl);
}
bool AltHeld(const std::uint8_t* keys) {
    return Down(keys, vk::LMenu) || Down(keys, vk::RMenu);
}
bool WinHeld(const std::uint8_t* keys) {
    return Down(keys, vk::LWin) || Down(keys, vk::RWin);
}

} // namespace

HookDecision KeyDecider::Decide(const HookKeyEvent& e, KeyCharSource& chars) {
    HookDecision d = DecideWith(e, chars, keys_);
    // Injected events count too: the program releases held modifiers by injection.
    Track(e);
    return d;
}

HookDecision KeyDecider::DecideWith(const HookKeyEvent& e, KeyCharSource& chars,
                                    const std::uint8_t keyStates[256]) {
    HookDecision d;
    if (!e.Injected) {
        if (e.Down) {
            d = DecidePress(e, chars, keyStates);
        } else if (e.Vk < 256 && withheld_[e.Vk]) {
            withheld_[e.Vk] = false;
            d.Withhold = true;
        }
    }
    return d;
}

static bool IsModifierKey(std::uint32_t key) {
    switch (key) {
    case vk::Shift:
    case vk::Control:
    case vk::Menu:
    case vk::LShift:
    case vk::RShift:
    case vk::LControl:
    case vk::RControl:
    case vk::LMenu:
    case vk::RMenu:
    case vk::Capital:
    case vk::LWin:
    case vk::RWin:
    case vk::NumLock:
    case vk::Scroll:
        return true;
    default:
        return false;
    }
}

HookDecision KeyDecider::DecidePress(const HookKeyEvent& e, KeyCharSource& chars,
                                     const std::uint8_t* keys) {
    if (e.Vk == vk::ProcessKey || e.Vk == vk::NoName) {
        // An input method typed what this key stands for, out of the hook's sight (Wine's X
        // input method composes accents so, and reports the composed key as VK_NONAME).
        HookDecision d = Key(e.Vk);
        d.Forget = true;
        accent_ = 0;
        accentInDoubt_ = false;
        return d;
    }
    KeyChar typed;
    HookDecision d = DecideKey(e, chars, keys, typed);
    if (accent_ == 0) {
        // A dead key by itself types nothing yet; it is reported as a key.
        if (typed.Dead) accent_ = typed.Ch;
        return d;
    }
    // Shift for a capital, AltGr, CapsLock: the accent still waits.
    if (IsModifierKey(e.Vk)) return d;
    return AfterAccent(e, d, typed, chars);
}

HookDecision KeyDecider::AfterAccent(const HookKeyEvent& e, HookDecision d, const KeyChar& typed,
                                     KeyCharSource& chars) {
    const char16_t accent = std::exchange(accent_, 0);
    const bool inDoubt = std::exchange(accentInDoubt_, false);
    if (typed.Dead) {
        // Two dead keys: some layouts type both accents, some combine them, some keep the
        // second waiting. Whatever comes next is in doubt too.
        accent_ = typed.Ch;
        accentInDoubt_ = true;
    } else if (!inDoubt && typed.Ch >= 32 && d.Kind == HookDecision::Report::Char) {
        if (auto text = chars.Compose(accent, typed.Ch)) {
            if (text->size() == 1) {
                d.Code = (*text)[0];
                return d;
            }
            if (text->size() == 2 && (*text)[1] == typed.Ch) {
                d.Before = (*text)[0];
                return d;
            }
        }
    }
    // What the application made of the accent and this key is not known: the text before the
    // caret is forgotten, and a character that may not be the one typed is not reported.
    d.Forget = true;
    // A key that typed no character (an arrow, Backspace, a shortcut) may have left the
    // accent waiting: the next character is in doubt as well.
    if (!typed.Dead && typed.Ch < 32) {
        accent_ = accent;
        accentInDoubt_ = true;
    }
    if (d.Kind == HookDecision::Report::Char && d.Code >= 32)
        d = {HookDecision::Report::Key, static_cast<std::uint16_t>(e.Vk), 0, d.Withhold, true, 0};
    return d;
}

HookDecision KeyDecider::DecideKey(const HookKeyEvent& e, KeyCharSource& chars,
                                   const std::uint8_t* keys, KeyChar& typed) {
    switch (e.Vk) {
    case vk::Escape:
        return Key(27);
    case vk::Back:
        return Char(8, e);
    case vk::Return:
    case vk::Tab: {
        const bool system = AltHeld(keys) || WinHeld(keys);
        if (!system && CtrlHeld(keys)) {
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
    if (e.Vk < 256 && !WinHeld(keys) && !(AltHeld(keys) && !CtrlHeld(keys)))
        typed = chars.CharOf(e.Vk, e.Scan, keys);
    return typed.Ch != 0 && !typed.Dead ? Char(typed.Ch, e) : Key(e.Vk);
}

void TrackKey(std::uint8_t keys[256], std::uint32_t key, bool down) {
    if (key > 255) return;
    std::uint8_t& k = keys[key];
    if (down) {
        const bool repeat = (k & 0x80) != 0;
        if (!repeat && (key == vk::Capital || key == vk::NumLock || key == vk::Scroll)) k ^= 0x01;
        k |= 0x80;
    } else {
        k &= static_cast<std::uint8_t>(~0x80);
    }
    // The generic modifier codes follow their left and right keys, as ToUnicodeEx expects.
    auto either = [keys](int l, int r) -> std::uint8_t {
        return (Down(keys, l) || Down(keys, r)) ? 0x80 : 0;
    };
    keys[vk::Shift] = either(vk::LShift, vk::RShift);
    keys[vk::Control] = either(vk::LControl, vk::RControl);
    keys[vk::Menu] = either(vk::LMenu, vk::RMenu);
}

} // namespace lumora
