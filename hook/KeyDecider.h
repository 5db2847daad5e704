#pragma once
// What lumora.dll does with one low-level key event: report it as a character or a key,
// withhold it from the applications or let it pass. Portable (no <windows.h>), so that every
// rule runs in the unit tests; LumoraHook.cpp only feeds it the system's events.
#include <cstdint>

namespace lumora {

// One event as the low-level keyboard hook sees it.
struct HookKeyEvent {
    std::uint32_t Vk = 0;
    std::uint32_t Scan = 0;
    bool Down = true;            // press (also auto-repeat) or release
    bool Extended = false;       // LLKHF_EXTENDED
    bool Injected = false;       // LLKHF_INJECTED: sent by a program, not typed
    std::uint64_t ExtraInfo = 0; // dwExtraInfo of an injected event
};

// The character a key types in the foreground application under the given key states
// (ToUnicodeEx without disturbing dead-key state there); 0 for none.
class KeyCharSource {
public:
    virtual ~KeyCharSource() = default;
    virtual char16_t CharOf(std::uint32_t vk, std::uint32_t scan,
                            const std::uint8_t keyStates[256]) = 0;
};

struct HookDecision {
    enum class Report { None, Char, Key };
    Report Kind = Report::None;
    std::uint16_t Code = 0;  // the character (Char) or the virtual-key code (Key)
    std::uint16_t VkExt = 0; // Char only: vk | extended << 8, the message's lParam
    bool Withhold = false;   // the event does not reach the applications

    bool operator==(const HookDecision&) const = default;
};

class KeyDecider {
public:
    // The key states the hook thread starts from (0x80 down, 0x01 toggled on), also again after
    // its hooks were re-installed: what it withheld before then is forgotten, since the
    // releases may have gone by unseen.
    void Seed(const std::uint8_t keyStates[256]);

    // Decides on one event and then records its effect on the key states.
    HookDecision Decide(const HookKeyEvent& e, KeyCharSource& chars);

    const std::uint8_t* KeyStates() const { return keys_; }

private:
    HookDecision DecidePress(const HookKeyEvent& e, KeyCharSource& chars);
    void Track(std::uint32_t key, bool down);
    bool Down(int vk) const { return (keys_[vk] & 0x80) != 0; }
    bool CtrlHeld() const;
    bool AltHeld() const;
    bool WinHeld() const;

    std::uint8_t keys_[256] = {};
    bool withheld_[256] = {}; // presses withheld, so that their releases are withheld too
};

} // namespace lumora
