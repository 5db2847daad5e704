#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// Modifier bits of a global shortcut, with the values RegisterHotKey takes.
namespace modifier {
inline constexpr std::uint32_t Alt = 0x1, Ctrl = 0x2, Shift = 0x4, Win = 0x8;
}

// A key with modifiers, such as Ctrl+Alt+P. Key 0 means no shortcut.
struct Shortcut {
    std::uint32_t Modifiers = 0;
    std::uint8_t Key = 0;

    bool Empty() const { return Key == 0; }
    friend bool operator==(const Shortcut&, const Shortcut&) = default;
};

// Reads "Ctrl+Alt+P": modifier names (Ctrl, Alt, Shift, Win) and one key name, joined by "+",
// in any letter case and order. Empty text is the empty shortcut; text naming no key, a key
// twice or an unknown name gives nothing.
std::optional<Shortcut> ParseShortcut(std::u16string_view text);

// The text ParseShortcut reads back: modifiers in the order Ctrl, Alt, Shift, Win, then the key;
// empty for the empty shortcut.
std::u16string FormatShortcut(const Shortcut& shortcut);

} // namespace lumora
