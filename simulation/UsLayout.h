#pragma once
#include "platform/VirtualKeys.h"

#include <cstdint>
#include <optional>

namespace lumora::sim {

// Virtual keys the simulated desktop knows by name: the program's own.
namespace simkey = lumora::vk;

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

} // namespace lumora::sim
