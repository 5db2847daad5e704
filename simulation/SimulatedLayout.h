#pragma once
// Keyboard layouts of the simulated desktop: which character each key gives with Shift, AltGr
// and CapsLock, which keys are dead keys and what an accent makes of the key after it. Beside
// the US layout there are layouts like Windows' US-International (dead ' " ` ~ ^), German
// (QWERTZ, AltGr, dead ^ ´ `) and French (AZERTY: digits with Shift, AltGr, dead ^ ¨).
#include "platform/Types.h"
#include "simulation/UsLayout.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lumora::sim {

// What a key gives: a character, or an accent that waits for the next key.
struct KeyOutput {
    char16_t Ch = 0;
    bool Dead = false;
    bool operator==(const KeyOutput&) const = default;
};

class SimulatedLayout {
public:
    static const SimulatedLayout& Us();
    static const SimulatedLayout& UsInternational();
    static const SimulatedLayout& German();
    static const SimulatedLayout& French();

    HLayout Handle() const { return handle_; }
    const char* Name() const { return name_; }

    // As VkKeyScanExW: the key and shift state (1 Shift, 6 AltGr) that give ch, a dead key's
    // accent included; -1 when none does.
    std::int16_t VkKeyScan(char16_t ch) const;
    // As ToUnicodeEx for one key with the modifiers held (no accent pending); nullopt for a key
    // that gives nothing. Ctrl+Alt is AltGr; Alt alone goes to menus.
    std::optional<KeyOutput> CharOf(std::uint8_t vk, const Modifiers& mods) const;
    // What the layout types for an accent followed by a character: the composed letter, the
    // accent alone before a space, or both when they do not combine.
    std::u16string Compose(char16_t accent, char16_t ch) const;
    // The key is dead in this shift state (1 Shift, 6 AltGr).
    bool IsDeadKey(std::uint8_t vk, std::uint8_t shiftState) const;

    // How a person types ch on this layout: the keys, each with its shift state (an accented
    // letter is its accent's key and then the letter's). Empty when no key gives it.
    struct Stroke {
        std::uint8_t Vk;
        std::uint8_t ShiftState;
    };
    std::vector<Stroke> Strokes(char16_t ch) const;

    // One key: its characters plain, with Shift and with AltGr (0: none); which of them are
    // dead keys (bit 0 plain, 1 Shift, 2 AltGr); whether CapsLock works as Shift on it.
    struct Key {
        std::uint8_t Vk;
        char16_t Plain, Shifted, AltGr;
        std::uint8_t Dead;
        bool CapsLock;
    };
    SimulatedLayout(const char* name, HLayout handle, std::vector<Key> keys,
                    std::map<std::pair<char16_t, char16_t>, char16_t> compositions);

private:
    const Key* Find(std::uint8_t vk) const;

    const char* name_;
    HLayout handle_;
    std::vector<Key> keys_;
    std::map<std::pair<char16_t, char16_t>, char16_t> compositions_; // (accent, letter)
};

} // namespace lumora::sim
