#pragma once
#include "platform/Types.h"

#include <cstdint>
#include <vector>

namespace lumora {

// One injected keyboard event (a KEYBDINPUT).
struct KeyEvent {
    std::uint16_t Vk = 0;
    std::uint16_t Scan = 0;
    std::uint32_t Flags = 0;
    std::uint32_t Time = 0;
    std::uintptr_t ExtraInfo = 0;

    bool operator==(const KeyEvent&) const = default;
};

// Synthesised keyboard input and what it needs. SendInput and SendInputs throw InputRefused
// (platform/Error.h) when the system does not take every event.
class InputInjector {
public:
    virtual ~InputInjector() = default;
    virtual unsigned MapVirtualKey(unsigned vk) = 0; // MAPVK_VK_TO_VSC
    virtual std::uintptr_t MessageExtraInfo() = 0;
    virtual void SendInput(const KeyEvent& e) = 0;
    // Several events in one injection, so that no other input comes between them.
    virtual void SendInputs(const std::vector<KeyEvent>& events) = 0;
    virtual bool SetForegroundWindow(HWindow w) = 0;
    // Returns once the thread of window target has taken the input sent so far (its queue
    // holds none of it), or after timeoutMs: typing paced by it never runs ahead of the target.
    virtual void WaitForInputTaken(HWindow target, std::uint32_t timeoutMs) = 0;
};

class KeyboardLayouts {
public:
    virtual ~KeyboardLayouts() = default;
    // The layout active for a thread; thread 0 means the calling thread.
    virtual HLayout KeyboardLayout(ThreadId thread) = 0;
    // As VkKeyScanExW: low byte the virtual key, high byte the shift state (1 Shift, 2 Ctrl,
    // 4 Alt), -1 when no key of the layout gives the character.
    virtual std::int16_t VkKeyScan(char16_t ch, HLayout layout) = 0;
    // The key gives a dead key (an accent waiting for the next key) in the layout with the
    // given shift state (1 Shift, 2 Ctrl, 4 Alt): typed as that key, a character would take
    // the next one with it.
    virtual bool IsDeadKey(std::uint8_t vk, std::uint8_t shiftState, HLayout layout) = 0;
};

} // namespace lumora
