#pragma once
// What lumora.dll does with one low-level key event: report it as a character or a key,
// withhold it from the applications or let it pass. Portable (no <windows.h>), so that every
// rule runs in the unit tests; LumoraHook.cpp only feeds it the system's events.
#include <cstdint>
#include <optional>
#include <string>

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

// What a key types in the foreground application under the given key states: a character,
// or the accent of a dead key that waits for the next key.
struct KeyChar {
    char16_t Ch = 0; // 0: none
    bool Dead = false;
};

// The foreground layout, asked without disturbing the dead-key state there (ToUnicodeEx with
// its flag 4): the user's accents must combine in the application as without us.
class KeyCharSource {
public:
    virtual ~KeyCharSource() = default;
    virtual KeyChar CharOf(std::uint32_t vk, std::uint32_t scan,
                           const std::uint8_t keyStates[256]) = 0;
    // What the layout types for an accent followed by ch (the composed letter, or both);
    // nullopt when that is not known.
    virtual std::optional<std::u16string> Compose(char16_t accent, char16_t ch) = 0;
};

// Records one press or release in key states (0x80 down, 0x01 toggled on): the locks toggle
// on their press, and the generic Shift, Ctrl and Alt follow their left and right keys.
void TrackKey(std::uint8_t keyStates[256], std::uint32_t key, bool down);

struct HookDecision {
    enum class Report { None, Char, Key };
    Report Kind = Report::None;
    std::uint16_t Code = 0;  // the character (Char) or the virtual-key code (Key)
    std::uint16_t VkExt = 0; // Char only: vk | extended << 8, the message's lParam
    bool Withhold = false;   // the event does not reach the applications
    // An accent waited and what the application made of it and this key is not known: the
    // text before the caret is forgotten first (reported as the key ForgetTextKey).
    bool Forget = false;
    // The accent of a dead key that did not combine with this key: typed before it.
    char16_t Before = 0;

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
    // Decides on one event as read with other key states (a key held back, which reaches the
    // applications later, under the modifiers the user will have then); the key states here
    // are left to Track, once the event reaches the applications.
    HookDecision DecideWith(const HookKeyEvent& e, KeyCharSource& chars,
                            const std::uint8_t keyStates[256]);
    // An event reached the applications without a decision (injected, or replayed).
    void Track(const HookKeyEvent& e) { TrackKey(keys_, e.Vk, e.Down); }

    // The key states as the applications have them.
    const std::uint8_t* KeyStates() const { return keys_; }

private:
    HookDecision DecidePress(const HookKeyEvent& e, KeyCharSource& chars, const std::uint8_t* keys);
    HookDecision DecideKey(const HookKeyEvent& e, KeyCharSource& chars, const std::uint8_t* keys,
                           KeyChar& typed);
    HookDecision AfterAccent(const HookKeyEvent& e, HookDecision d, const KeyChar& typed,
                             KeyCharSource& chars);

    // An accent of a dead key waiting for the next key, and whether the application's wait
    // is in doubt (a second dead key came: layouts differ on what that does).
    char16_t accent_ = 0;
    bool accentInDoubt_ = false;

    std::uint8_t keys_[256] = {};
    bool withheld_[256] = {}; // presses withheld, so that their releases are withheld too
};

} // namespace lumora
