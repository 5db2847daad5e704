#include "output/KeySynthesis.h"

#include "tracking/TrackingRecords.h"

namespace lumora {

void SendKeys(Platform& platform, const std::vector<std::int32_t>& keys, bool down, bool extended) {
    for (std::int32_t key : keys) {
        KeyEvent e;
        e.Vk = static_cast<std::uint16_t>(key & 0xFFFF);
        e.Scan = static_cast<std::uint16_t>(platform.Input.MapVirtualKey(e.Vk));
        e.Flags = (down ? 0u : KEYEVENTF_KEYUP) | (extended ? KEYEVENTF_EXTENDEDKEY : 0u);
        e.Time = 0; // the system stamps it
        e.ExtraInfo = platform.Input.MessageExtraInfo();
        platform.Input.SendInput(e);
        platform.Messages.ProcessPendingMessages();
    }
}

void TapKey(Platform& platform, std::int32_t key, bool extended) {
    SendKeys(platform, {key}, true, extended);
    SendKeys(platform, {key}, false, extended);
}

void SendUnicodeUnit(Platform& platform, char16_t unit) {
    for (bool down : {true, false}) {
        KeyEvent e;
        e.Vk = 0;
        e.Scan = unit;
        e.Flags = KEYEVENTF_UNICODE | (down ? 0u : KEYEVENTF_KEYUP);
        e.Time = 0;
        e.ExtraInfo = platform.Input.MessageExtraInfo();
        platform.Input.SendInput(e);
        platform.Messages.ProcessPendingMessages();
    }
}

BlockInputGuard::BlockInputGuard(InputInjector& input) : input_(input) {
    input_.BlockInput(true);
}

BlockInputGuard::~BlockInputGuard() {
    input_.BlockInput(false);
}

HWindow ActivateTarget(Platform& platform, TrackingRecords& tracking) {
    const HWindow target = tracking.FindTargetWindow();
    platform.Input.SetForegroundWindow(target);
    platform.Time.Sleep(100);
    // Modifiers the user still holds would turn the phrase's keys into shortcuts.
    BlockInputGuard blocked(platform.Input);
    SendKeys(platform, {ModifierKeys.begin(), ModifierKeys.end()}, false, false);
    for (std::int32_t key : RightModifierKeys)
        SendKeys(platform, {key}, false, true);
    return target;
}

void SendBackspaces(Platform& platform, HWindow /*target*/, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i)
        TapKey(platform, vk::Back);
}

HLayout TargetKeyboardLayout(Platform& platform, HWindow target) {
    return platform.Layouts.KeyboardLayout(platform.Windows.WindowThread(target));
}

} // namespace lumora
