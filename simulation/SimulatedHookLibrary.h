#pragma once
#include "hook/HookLink.h"
#include "hook/KeyHold.h"
#include "simulation/SimulatedLayout.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace lumora::sim {

// The keyboard-hook library as the program sees it, deciding and holding with lumora.dll's own
// rules (KeyHold over KeyDecider): it sees every key event, the user's and the injected ones,
// before any application does, reports the user's presses as WM_HOOK_CHAR or WM_HOOK_KEY, says
// which events the application must not get now, and hands back the batches of held keys to
// replay. Characters come from the keyboard's layout with the key states the decider keeps. Mouse
// presses are WM_HOOK_MOUSE. It can lose its hooks, as the system may take them away.
class SimulatedHookLibrary final : public HookActivity, public HookRequests, private HookPort {
public:
    using PostFn = std::function<void(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam)>;
    using ClockFn = std::function<std::uint32_t()>;

    struct ThreadMessage {
        unsigned Msg;
        std::uintptr_t WParam;
        std::intptr_t LParam;
        bool operator==(const ThreadMessage&) const = default;
    };

    // post delivers a message to the main window's queue; clock gives the tick count (none: 0).
    explicit SimulatedHookLibrary(PostFn post, ClockFn clock = {});

    // The key states the hook thread starts from, as SetHook reads them (0x80 down, 0x01
    // toggled on). Until then it takes every key as up and every lock as off.
    void Start(const std::uint8_t keyStates[256]);
    bool Started() const { return started_; }

    // The system takes the hooks away (as after a slow callback): events pass unseen until
    // the program asks for them again (Reinstall), which starts afresh from the key states as
    // they are at the hook thread's next turn.
    void Remove() { installed_ = false; }
    bool Installed() const { return installed_; }
    // HookActivity: the tick of the last event the hooks saw, or of their installing.
    std::optional<std::uint32_t> LastEventTick() override { return lastEventTick_; }

    // One key event as the low-level hook gets it (left or right modifier codes, extended
    // flag, the extra information of an injected event). Returns true when the event is
    // withheld from the application. now is the desktop's clock.
    bool KeyEvent(std::uint8_t vk, bool down, bool extended, bool injected = false,
                  std::uint64_t extraInfo = 0, std::uint32_t now = 0);
    bool KeyPressed(std::uint8_t vk, bool extended) { return KeyEvent(vk, true, extended); }
    bool KeyReleased(std::uint8_t vk, bool extended) { return KeyEvent(vk, false, extended); }
    // One event of a key that gives a character no key of the layout has (VK_PACKET, the
    // character in the scan code). Returns true when withheld.
    bool PacketEvent(char16_t ch, bool down, bool injected = false, std::uint64_t extraInfo = 0,
                     std::uint32_t now = 0);
    void MousePressed(int x, int y);
    // The layout of the foreground window, which the characters are read in (unset: US).
    void SetLayoutSource(std::function<const SimulatedLayout&()> layout) {
        layout_ = std::move(layout);
    }

    // HookRequests: what the program asks, taken by the hook thread at its next turn.
    void Hold(std::uint32_t report, std::intptr_t flags) override;
    void Release(std::uint32_t report) override;
    void Reinstall() override;
    // The hook thread's turn: the requests the program made meanwhile, in order; keyStates are
    // the keys as they are now, which a re-install starts from.
    void TakeRequests(std::uint32_t now, const std::uint8_t keyStates[256]);
    // What the hook thread took from the program (WM_HOOK_HOLD, WM_HOOK_RELEASE,
    // WM_HOOK_REINSTALL), in order.
    void ThreadMessageReceived(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam,
                               std::uint32_t now = 0);
    const std::vector<ThreadMessage>& ThreadMessages() const { return threadMessages_; }
    // The hook thread's regular tick (the hold's watchdog).
    void Tick(std::uint32_t now) { hold_.OnTick(now); }
    bool Holding() const { return hold_.Holding(); }
    // The batch of held keys to inject now (as the replay thread would), taken; then
    // ReplayDone.
    std::vector<HookKeyEvent> TakeReplay();
    void ReplayDone(std::uint32_t now) { hold_.ReplayDone(now); }
    // The key states as the hook has followed them.
    const std::uint8_t* KeyStates() const { return hold_.KeyStates(); }

private:
    void Post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;
    void Replay(const std::vector<HookKeyEvent>& events) override;
    bool Deliver(const HookKeyEvent& e, std::uint32_t now);

    PostFn post_;
    ClockFn clock_;
    std::function<const SimulatedLayout&()> layout_;
    KeyHold hold_{*this};
    bool installed_ = true;
    std::uint32_t lastEventTick_ = 0;
    std::vector<ThreadMessage> threadMessages_;
    std::vector<ThreadMessage> requests_;
    std::vector<HookKeyEvent> replay_;
    bool started_ = false;
};

} // namespace lumora::sim
