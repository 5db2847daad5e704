// Keystroke synthesis: turns characters and keys into the injected key events of the target's
// keyboard layout.
#include "output/KeySynthesis.h"

#include "hook/HookMessages.h"

namespace lumora {

KeyEvent MakeKeyEvent(Platform& platform, std::uint16_t vk, bool down, bool extended) {
    KeyEvent e;
    e.Vk = vk;
    e.Scan = static_cast<std::uint16_t>(platform.Input.MapVirtualKey(vk));
    e.Flags = (down ? 0u : KEYEVENTF_KEYUP) | (extended ? KEYEVENTF_EXTENDEDKEY : 0u);
    e.Time = 0; // the system stamps it
    e.ExtraInfo = TypingMarker;
    return e;
}

void SendKeys(Platform& platform, const std::vector<std::int32_t>& keys, bool down, bool extended) {
    for (std::int32_t key : keys) {
        platform.Input.SendInput(
            MakeKeyEvent(platform, static_cast<std::uint16_t>(key & 0xFFFF), down, extended));
        platform.Messages.ProcessPendingMessages();
    }
}

void TapKey(Platform& platform, std::int32_t key, bool extended) {
    SendKeys(platform, {key}, true, extended);
    SendKeys(platform, {key}, false, extended);
}

void AppendCharEvents(Platform& platform, std::vector<KeyEvent>& events, char16_t c,
                      HLayout layout) {
    const std::int16_t scan = platform.Layouts.VkKeyScan(c, layout);
    // High byte: the shift state the layout needs (1 Shift, 2 Ctrl, 4 Alt; 8 and up are
    // layout-specific states no key event can give). A key only with Shift or none: AltGr is
    // Ctrl+Alt, which programs may take for a shortcut of their own. Never a dead key: its
    // accent would wait and combine with the next character.
    const auto shiftState = static_cast<std::uint8_t>((scan >> 8) & 0xFF);
    const auto key = static_cast<std::uint8_t>(scan & 0xFF);
    if (scan != -1 && shiftState <= 1 && !platform.Layouts.IsDeadKey(key, shiftState, layout)) {
        if (shiftState) events.push_back(MakeKeyEvent(platform, vk::Shift, true));
        events.push_back(MakeKeyEvent(platform, key, true));
        events.push_back(MakeKeyEvent(platform, key, false));
        if (shiftState) events.push_back(MakeKeyEvent(platform, vk::Shift, false));
        return;
    }
    for (bool down : {true, false}) {
        KeyEvent e;
        e.Scan = c; // each half of a surrogate pair goes as its own event
        e.Flags = KEYEVENTF_UNICODE | (down ? 0u : KEYEVENTF_KEYUP);
        e.ExtraInfo = TypingMarker;
        events.push_back(e);
    }
}

void AppendBackspaces(Platform& platform, std::vector<KeyEvent>& events, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        events.push_back(MakeKeyEvent(platform, vk::Back, true));
        events.push_back(MakeKeyEvent(platform, vk::Back, false));
    }
}

void SendBackspaces(Platform& platform, std::int32_t count) {
    if (count < 1) return;
    std::vector<KeyEvent> events;
    events.reserve(static_cast<std::size_t>(count) * 2);
    AppendBackspaces(platform, events, count);
    platform.Input.SendInputs(events);
    platform.Messages.ProcessPendingMessages();
}

HLayout TargetKeyboardLayout(Platform& platform, HWindow target) {
    return platform.Layouts.KeyboardLayout(platform.Windows.WindowThread(target));
}

ReleasedModifiers::ReleasedModifiers(Platform& platform, bool restoredByHook)
    : platform_(platform), restoredByHook_(restoredByHook) {
    std::vector<KeyEvent> ups;
    for (const ModifierKey& m : ModifierKeys) {
        if (!platform_.Keys.IsKeyDown(m.Vk)) continue;
        released_.push_back(m);
        ups.push_back(MakeKeyEvent(platform_, m.Vk, false, m.Extended));
    }
    if (!ups.empty()) platform_.Input.SendInputs(ups);
}

ReleasedModifiers::~ReleasedModifiers() {
    // Pressed again blindly, a Shift let go during the phrase would stay down.
    if (released_.empty() || restoredByHook_) return;
    std::vector<KeyEvent> downs;
    for (const ModifierKey& m : released_)
        downs.push_back(MakeKeyEvent(platform_, m.Vk, true, m.Extended));
    try {
        platform_.Input.SendInputs(downs);
    } catch (...) {
        // Already unwinding from a failed typing-out; that failure is the one to report.
    }
}

} // namespace lumora
