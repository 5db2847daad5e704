// The simulated hook library: decides and holds the simulated key events with lumora.dll's
// own rules.
#include "simulation/SimulatedHookLibrary.h"

#include "hook/HookMessages.h"

#include <utility>

namespace lumora::sim {

namespace {

// ToUnicodeEx on the layout of the keyboard, with the key states the decider passes.
class LayoutChars final : public KeyCharSource {
public:
    explicit LayoutChars(const SimulatedLayout& layout) : layout_(layout) {}
    KeyChar CharOf(std::uint32_t vk, std::uint32_t scan, const std::uint8_t keys[256]) override {
        if (vk == simkey::Packet) return {static_cast<char16_t>(scan), false};
        if (vk > 0xFF) return {};
        const Modifiers mods{(keys[simkey::Shift] & 0x80) != 0, (keys[simkey::Control] & 0x80) != 0,
                             (keys[simkey::Menu] & 0x80) != 0, (keys[simkey::Capital] & 0x01) != 0};
        const auto out = layout_.CharOf(static_cast<std::uint8_t>(vk), mods);
        return out ? KeyChar{out->Ch, out->Dead} : KeyChar{};
    }
    std::optional<std::u16string> Compose(char16_t accent, char16_t ch) override {
        return layout_.Compose(accent, ch);
    }

private:
    const SimulatedLayout& layout_;
};

} // namespace

SimulatedHookLibrary::SimulatedHookLibrary(PostFn post, ClockFn clock)
    : post_(std::move(post)), clock_(clock ? std::move(clock) : [] { return 0u; }),
      lastEventTick_(clock_()) {}

void SimulatedHookLibrary::Start(const std::uint8_t keyStates[256]) {
    hold_.Seed(keyStates);
    started_ = true;
}

bool SimulatedHookLibrary::KeyEvent(std::uint8_t vk, bool down, bool extended, bool injected,
                                    std::uint64_t extraInfo, std::uint32_t now) {
    return Deliver({vk, 0, down, extended, injected, extraInfo}, now);
}

bool SimulatedHookLibrary::PacketEvent(char16_t ch, bool down, bool injected,
                                       std::uint64_t extraInfo, std::uint32_t now) {
    return Deliver({simkey::Packet, ch, down, false, injected, extraInfo}, now);
}

bool SimulatedHookLibrary::Deliver(const HookKeyEvent& e, std::uint32_t now) {
    if (!installed_) return false;
    lastEventTick_ = clock_();
    // As LumoraHook.cpp's keyboard callback.
    LayoutChars chars(layout_ ? layout_() : SimulatedLayout::Us());
    return hold_.OnKey(e, chars, now);
}

void SimulatedHookLibrary::Post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    post_(msg, wParam, lParam);
}

void SimulatedHookLibrary::Replay(const std::vector<HookKeyEvent>& events) {
    replay_ = events;
}

std::vector<HookKeyEvent> SimulatedHookLibrary::TakeReplay() {
    return std::exchange(replay_, {});
}

void SimulatedHookLibrary::MousePressed(int x, int y) {
    if (!installed_) return;
    lastEventTick_ = clock_();
    // The point travels as signed 32-bit values in wParam and lParam.
    post_(WM_HOOK_MOUSE, static_cast<std::uintptr_t>(static_cast<std::uint32_t>(x)), y);
}

void SimulatedHookLibrary::Hold(std::uint32_t report, std::intptr_t flags) {
    requests_.push_back({WM_HOOK_HOLD, report, flags});
}

void SimulatedHookLibrary::Release(std::uint32_t report) {
    requests_.push_back({WM_HOOK_RELEASE, report, 0});
}

void SimulatedHookLibrary::Reinstall() {
    requests_.push_back({WM_HOOK_REINSTALL, 0, 0});
}

void SimulatedHookLibrary::TakeRequests(std::uint32_t now, const std::uint8_t keyStates[256]) {
    for (const ThreadMessage& m : std::exchange(requests_, {})) {
        if (m.Msg != WM_HOOK_REINSTALL) {
            ThreadMessageReceived(m.Msg, m.WParam, m.LParam, now);
            continue;
        }
        threadMessages_.push_back(m);
        Start(keyStates);
        installed_ = true;
        lastEventTick_ = clock_();
    }
}

void SimulatedHookLibrary::ThreadMessageReceived(unsigned msg, std::uintptr_t wParam,
                                                 std::intptr_t lParam, std::uint32_t now) {
    threadMessages_.push_back({msg, wParam, lParam});
    hold_.OnProgramMessage(msg, wParam, lParam, now);
}

} // namespace lumora::sim
