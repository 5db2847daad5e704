#pragma once
#include <cstdint>
#include <optional>

namespace lumora::fakes {

// Virtual keys the simulated desktop knows by name.
namespace simkey {
constexpr std::uint8_t Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11,
                       Menu = 0x12, Capital = 0x14, Escape = 0x1B, Space = 0x20, End = 0x23,
                       Home = 0x24, Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28,
                       Delete = 0x2E, Numpad0 = 0x60, Numpad9 = 0x69, LShift = 0xA0, RShift = 0xA1,
                       LControl = 0xA2, RControl = 0xA3, LMenu = 0xA4, RMenu = 0xA5, Packet = 0xE7;
} // namespace simkey

// The modifiers that decide which character a key gives.
struct Modifiers {
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
    bool CapsLock = false; // toggled on
};

// Windows' US keyboard layout, as far as the simulated desktop needs it.
namespace uslayout {

// The answer of VkKeyScanExW on the US layout: letters, digits, space, the shifted and OEM
// punctuation, CR and TAB; -1 for everything else.
std::int16_t VkKeyScan(char16_t ch);

// The character a key gives with the modifiers held (what ToUnicode reports), or nullopt for a
// key that gives none. Ctrl with a letter gives 1 to 26, Ctrl+Backspace 127, Ctrl+Enter 10;
// Alt without Ctrl sends the key to the menu and gives no character.
std::optional<char16_t> CharOf(std::uint8_t vk, const Modifiers& mods);

// The character an Alt code gives: with a leading zero the ANSI code page (1252), otherwise the
// OEM code page (437); either way only the low eight bits of the number count, as on Windows.
char16_t AltCodeChar(std::uint32_t code, bool leadingZero);

} // namespace uslayout

} // namespace lumora::fakes
