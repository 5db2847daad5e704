// Reads and writes global shortcuts as text, such as "Ctrl+Alt+P".
#include "settings/Shortcut.h"

#include "platform/VirtualKeys.h"

#include <array>
#include <utility>

namespace lumora {

namespace {

struct KeyName {
    std::u16string_view Name;
    std::uint8_t Key;
};

// Names beyond letters, digits and F1-F24; the first name of a key is the one written. The
// punctuation keys carry their US characters, the names users know them by.
constexpr std::array<KeyName, 34> NamedKeys{{
    {u"Space", vk::Space},
    {u"Enter", vk::Return},
    {u"Tab", vk::Tab},
    {u"Esc", vk::Escape},
    {u"Escape", vk::Escape},
    {u"Backspace", vk::Back},
    {u"Insert", vk::Insert},
    {u"Ins", vk::Insert},
    {u"Delete", vk::Delete},
    {u"Del", vk::Delete},
    {u"Home", vk::Home},
    {u"End", vk::End},
    {u"PageUp", vk::Prior},
    {u"PgUp", vk::Prior},
    {u"PageDown", vk::Next},
    {u"PgDn", vk::Next},
    {u"Left", vk::Left},
    {u"Right", vk::Right},
    {u"Up", vk::Up},
    {u"Down", vk::Down},
    {u"Pause", 0x13},
    {u"PrintScreen", 0x2C},
    {u";", 0xBA},
    {u"=", 0xBB},
    {u",", 0xBC},
    {u"-", 0xBD},
    {u".", 0xBE},
    {u"/", 0xBF},
    {u"`", 0xC0},
    {u"[", 0xDB},
    {u"\\", 0xDC},
    {u"]", 0xDD},
    {u"'", 0xDE},
    {u"Apps", 0x5D},
}};

constexpr std::array<std::pair<std::u16string_view, std::uint32_t>, 5> ModifierNames{{
    {u"Ctrl", modifier::Ctrl},
    {u"Alt", modifier::Alt},
    {u"Shift", modifier::Shift},
    {u"Win", modifier::Win},
    {u"Control", modifier::Ctrl},
}};

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && (s.front() == u' ' || s.front() == u'\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t'))
        s.remove_suffix(1);
    return s;
}

std::optional<unsigned> SmallNumber(std::u16string_view s, unsigned base) {
    if (s.empty() || s.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char16_t c : s) {
        const char16_t l = AsciiLower(c);
        unsigned digit;
        if (l >= u'0' && l <= u'9')
            digit = l - u'0';
        else if (base == 16 && l >= u'a' && l <= u'f')
            digit = l - u'a' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
    }
    return value;
}

std::optional<std::uint8_t> KeyOfName(std::u16string_view name) {
    if (name.size() == 1) {
        const char16_t l = AsciiLower(name[0]);
        if (l >= u'a' && l <= u'z') return static_cast<std::uint8_t>(l - 32);
        if (l >= u'0' && l <= u'9') return static_cast<std::uint8_t>(l);
    }
    for (const KeyName& k : NamedKeys)
        if (SameName(k.Name, name)) return k.Key;
    if (name.size() >= 2 && AsciiLower(name[0]) == u'f') {
        if (auto n = SmallNumber(name.substr(1), 10); n && *n >= 1 && *n <= 24)
            return static_cast<std::uint8_t>(0x70 + *n - 1);
    }
    // Any other key by its code, as FormatShortcut writes it.
    if (name.size() > 2 && name[0] == u'0' && AsciiLower(name[1]) == u'x') {
        if (auto n = SmallNumber(name.substr(2), 16); n && *n >= 1 && *n <= 0xFE)
            return static_cast<std::uint8_t>(*n);
    }
    return std::nullopt;
}

} // namespace

std::optional<Shortcut> ParseShortcut(std::u16string_view text) {
    text = Trim(text);
    if (text.empty()) return Shortcut{};
    Shortcut shortcut;
    std::size_t start = 0;
    while (start <= text.size()) {
        // A "+" right after a separator is the name of no key we know; "=" is the plus key.
        std::size_t plus = text.find(u'+', start);
        if (plus == std::u16string_view::npos) plus = text.size();
        const std::u16string_view part = Trim(text.substr(start, plus - start));
        start = plus + 1;
        if (part.empty()) return std::nullopt;
        bool isModifier = false;
        for (const auto& [name, bit] : ModifierNames) {
            if (SameName(name, part)) {
                if (shortcut.Modifiers & bit) return std::nullopt;
                shortcut.Modifiers |= bit;
                isModifier = true;
            }
        }
        if (isModifier) continue;
        if (shortcut.Key != 0) return std::nullopt;
        const auto key = KeyOfName(part);
        if (!key || vk::IsModifierKey(*key)) return std::nullopt;
        shortcut.Key = *key;
    }
    if (shortcut.Key == 0) return std::nullopt;
    return shortcut;
}

std::u16string FormatShortcut(const Shortcut& shortcut) {
    if (shortcut.Empty()) return {};
    std::u16string text;
    for (std::size_t i = 0; i < 4; ++i)
        if (shortcut.Modifiers & ModifierNames[i].second)
            text.append(ModifierNames[i].first).append(u"+");
    const std::uint8_t key = shortcut.Key;
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
        text += static_cast<char16_t>(key);
        return text;
    }
    if (key >= 0x70 && key <= 0x87) {
        text += u"F";
        for (char c : std::to_string(key - 0x70 + 1))
            text += static_cast<char16_t>(c);
        return text;
    }
    for (const KeyName& k : NamedKeys)
        if (k.Key == key) return text.append(k.Name);
    constexpr char16_t hex[] = u"0123456789ABCDEF";
    text += u"0x";
    text += hex[key >> 4];
    text += hex[key & 0xF];
    return text;
}

} // namespace lumora
