// Windows' US keyboard layout: which key types a character, and which character a key types.
#include "simulation/UsLayout.h"

#include "platform/TextCase.h"

#include <array>
#include <string_view>

namespace lumora::sim::uslayout {

namespace {

// Unshifted and shifted characters of the keys that are not letters, by virtual key.
struct KeyPair {
    std::uint8_t Vk;
    char16_t Plain;
    char16_t Shifted;
};

constexpr std::array<KeyPair, 22> SymbolKeys{{
    {'0', u'0', u')'},   {'1', u'1', u'!'},           {'2', u'2', u'@'},   {'3', u'3', u'#'},
    {'4', u'4', u'$'},   {'5', u'5', u'%'},           {'6', u'6', u'^'},   {'7', u'7', u'&'},
    {'8', u'8', u'*'},   {'9', u'9', u'('},           {0xBA, u';', u':'},  {0xBB, u'=', u'+'},
    {0xBC, u',', u'<'},  {0xBD, u'-', u'_'},          {0xBE, u'.', u'>'},  {0xBF, u'/', u'?'},
    {0xC0, u'`', u'~'},  {0xDB, u'[', u'{'},          {0xDC, u'\\', u'|'}, {0xDD, u']', u'}'},
    {0xDE, u'\'', u'"'}, {simkey::Space, u' ', u' '},
}};

constexpr std::array<char16_t, 128> Cp437High{
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// Code page 437 below 128 differs from ASCII only in the control codes, which Alt codes do not
// produce as glyphs in an edit control; they are passed on as they are.

} // namespace

std::int16_t VkKeyScan(char16_t ch) {
    constexpr std::int16_t shift = 0x100;
    if (ch >= u'a' && ch <= u'z') return static_cast<std::int16_t>('A' + (ch - u'a'));
    if (ch >= u'A' && ch <= u'Z') return static_cast<std::int16_t>(shift | ch);
    if (ch == u'\r') return simkey::Return;
    if (ch == u'\t') return simkey::Tab;
    for (const KeyPair& k : SymbolKeys) {
        if (k.Plain == ch) return k.Vk;
        if (k.Shifted == ch) return static_cast<std::int16_t>(shift | k.Vk);
    }
    return -1;
}

std::optional<char16_t> CharOf(std::uint8_t vk, const Modifiers& mods) {
    // Ctrl+Alt is AltGr, which the US layout has no characters for; Alt alone goes to menus.
    if (mods.Alt) return std::nullopt;
    if (vk >= 'A' && vk <= 'Z') {
        if (mods.Ctrl) return static_cast<char16_t>(vk - 'A' + 1);
        bool upper = mods.Shift != mods.CapsLock;
        return static_cast<char16_t>(upper ? vk : vk - 'A' + 'a');
    }
    switch (vk) {
    case simkey::Back:
        return mods.Ctrl ? char16_t{127} : char16_t{8};
    case simkey::Return:
        return mods.Ctrl ? char16_t{10} : char16_t{13};
    case simkey::Tab:
        return mods.Ctrl ? std::nullopt : std::optional<char16_t>{9};
    case simkey::Escape:
        return char16_t{27};
    default:
        break;
    }
    if (vk >= simkey::Numpad0 && vk <= simkey::Numpad9)
        return static_cast<char16_t>(u'0' + (vk - simkey::Numpad0));
    if (mods.Ctrl) return vk == simkey::Space ? std::optional<char16_t>{u' '} : std::nullopt;
    for (const KeyPair& k : SymbolKeys)
        if (k.Vk == vk) return mods.Shift ? k.Shifted : k.Plain;
    return std::nullopt;
}

char16_t AltCodeChar(std::uint32_t code, bool leadingZero) {
    auto low = static_cast<std::uint8_t>(code & 0xFF);
    if (low < 128) return low;
    if (leadingZero) {
        // With a leading zero Windows reads the code in the ANSI code page.
        const char byte = static_cast<char>(low);
        return AnsiToUtf16(std::string_view(&byte, 1)).front();
    }
    return Cp437High[low - 128];
}

} // namespace lumora::sim::uslayout
