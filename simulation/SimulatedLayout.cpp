// The simulated desktop's keyboard layouts: the character each key gives, the dead keys and
// what an accent makes of the key after it.
#include "simulation/SimulatedLayout.h"

#include <string_view>

namespace lumora::sim {

namespace {

using Key = SimulatedLayout::Key;
using Compositions = std::map<std::pair<char16_t, char16_t>, char16_t>;

constexpr std::uint8_t DeadPlain = 1, DeadShifted = 2, DeadAltGr = 4;
constexpr std::uint8_t OemPlus = 0xBB, OemComma = 0xBC, OemMinus = 0xBD, OemPeriod = 0xBE,
                       Oem1 = 0xBA, Oem2 = 0xBF, Oem3 = 0xC0, Oem4 = 0xDB, Oem5 = 0xDC,
                       Oem6 = 0xDD, Oem7 = 0xDE, Oem8 = 0xDF, Oem102 = 0xE2;

// The letter keys A to Z, with the AltGr characters a layout puts on some of them.
std::vector<Key> Letters(std::u16string_view altGrOnLetters = {}) {
    std::vector<Key> keys;
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        keys.push_back({static_cast<std::uint8_t>(c), static_cast<char16_t>(c - u'A' + u'a'), c,
                        0, 0, true});
    // Pairs of letter key and character.
    for (std::size_t i = 0; i + 1 < altGrOnLetters.size(); i += 2)
        keys[static_cast<std::size_t>(altGrOnLetters[i] - u'A')].AltGr = altGrOnLetters[i + 1];
    return keys;
}

std::vector<Key> With(std::vector<Key> keys, std::initializer_list<Key> more) {
    keys.insert(keys.end(), more);
    keys.push_back({vk::Space, u' ', u' ', 0, 0, false});
    return keys;
}

// accent with each of letters gives the character at the same place of composed; the capital
// letters give the capitals.
void AddCompositions(Compositions& table, char16_t accent, std::u16string_view letters,
             std::u16string_view composed) {
    for (std::size_t i = 0; i < letters.size(); ++i) {
        table[{accent, letters[i]}] = composed[i];
        const char16_t upperLetter = static_cast<char16_t>(letters[i] - u'a' + u'A');
        // In Latin-1 the capitals stand 32 below the small letters; ÿ has its capital apart.
        const char16_t upperComposed =
            composed[i] == u'\u00ff' ? u'\u0178' : static_cast<char16_t>(composed[i] - 32);
        table[{accent, upperLetter}] = upperComposed;
    }
}

std::vector<Key> UsKeys() {
    return With(Letters(), {{'0', u'0', u')', 0, 0, false},   {'1', u'1', u'!', 0, 0, false},
                            {'2', u'2', u'@', 0, 0, false},   {'3', u'3', u'#', 0, 0, false},
                            {'4', u'4', u'$', 0, 0, false},   {'5', u'5', u'%', 0, 0, false},
                            {'6', u'6', u'^', 0, 0, false},   {'7', u'7', u'&', 0, 0, false},
                            {'8', u'8', u'*', 0, 0, false},   {'9', u'9', u'(', 0, 0, false},
                            {Oem1, u';', u':', 0, 0, false},  {OemPlus, u'=', u'+', 0, 0, false},
                            {OemComma, u',', u'<', 0, 0, false},
                            {OemMinus, u'-', u'_', 0, 0, false},
                            {OemPeriod, u'.', u'>', 0, 0, false},
                            {Oem2, u'/', u'?', 0, 0, false},  {Oem3, u'`', u'~', 0, 0, false},
                            {Oem4, u'[', u'{', 0, 0, false},  {Oem5, u'\\', u'|', 0, 0, false},
                            {Oem6, u']', u'}', 0, 0, false},  {Oem7, u'\'', u'"', 0, 0, false}});
}

} // namespace

SimulatedLayout::SimulatedLayout(const char* name, HLayout handle, std::vector<Key> keys,
                                 Compositions compositions)
    : name_(name), handle_(handle), keys_(std::move(keys)),
      compositions_(std::move(compositions)) {}

const SimulatedLayout& SimulatedLayout::Us() {
    static const SimulatedLayout layout("US", 0x04090409, UsKeys(), {});
    return layout;
}

const SimulatedLayout& SimulatedLayout::UsInternational() {
    static const SimulatedLayout layout = [] {
        std::vector<Key> keys = With(
            Letters(u"A\u00e1E\u00e9I\u00edL\u00f8N\u00f1O\u00f3S\u00dfU\u00faZ\u00e6"),
            {{'0', u'0', u')', 0, 0, false},   {'1', u'1', u'!', u'\u00a1', 0, false},
             {'2', u'2', u'@', u'\u00b2', 0, false},
             {'3', u'3', u'#', u'\u00b3', 0, false},
             {'4', u'4', u'$', u'\u00a4', 0, false},
             {'5', u'5', u'%', u'\u20ac', 0, false},
             {'6', u'6', u'^', u'\u00bc', DeadShifted, false},
             {'7', u'7', u'&', 0, 0, false},   {'8', u'8', u'*', 0, 0, false},
             {'9', u'9', u'(', 0, 0, false},   {Oem1, u';', u':', 0, 0, false},
             {OemPlus, u'=', u'+', 0, 0, false},
             {OemComma, u',', u'<', u'\u00e7', 0, false},
             {OemMinus, u'-', u'_', 0, 0, false},
             {OemPeriod, u'.', u'>', 0, 0, false},
             {Oem2, u'/', u'?', u'\u00bf', 0, false},
             {Oem3, u'`', u'~', 0, DeadPlain | DeadShifted, false},
             {Oem4, u'[', u'{', u'\u00ab', 0, false},
             {Oem5, u'\\', u'|', 0, 0, false}, {Oem6, u']', u'}', u'\u00bb', 0, false},
             {Oem7, u'\'', u'"', u'\u00b4', DeadPlain | DeadShifted, false}});
        Compositions c;
        AddCompositions(c, u'\'', u"aeiouyc", u"\u00e1\u00e9\u00ed\u00f3\u00fa\u00fd\u00e7");
        AddCompositions(c, u'"', u"aeiouy", u"\u00e4\u00eb\u00ef\u00f6\u00fc\u00ff");
        AddCompositions(c, u'`', u"aeiou", u"\u00e0\u00e8\u00ec\u00f2\u00f9");
        AddCompositions(c, u'~', u"aon", u"\u00e3\u00f5\u00f1");
        AddCompositions(c, u'^', u"aeiou", u"\u00e2\u00ea\u00ee\u00f4\u00fb");
        return SimulatedLayout("US-International", 0xF0010409, std::move(keys), std::move(c));
    }();
    return layout;
}

const SimulatedLayout& SimulatedLayout::German() {
    static const SimulatedLayout layout = [] {
        std::vector<Key> keys = With(
            Letters(u"Q@E\u20acM\u00b5"),
            {{'1', u'1', u'!', 0, 0, false},
             {'2', u'2', u'"', u'\u00b2', 0, false},
             {'3', u'3', u'\u00a7', u'\u00b3', 0, false},
             {'4', u'4', u'$', 0, 0, false},
             {'5', u'5', u'%', 0, 0, false},
             {'6', u'6', u'&', 0, 0, false},
             {'7', u'7', u'/', u'{', 0, false},
             {'8', u'8', u'(', u'[', 0, false},
             {'9', u'9', u')', u']', 0, false},
             {'0', u'0', u'=', u'}', 0, false},
             {Oem4, u'\u00df', u'?', u'\\', 0, false},
             {Oem6, u'\u00b4', u'`', 0, DeadPlain | DeadShifted, false},
             {Oem1, u'\u00fc', u'\u00dc', 0, 0, true},
             {OemPlus, u'+', u'*', u'~', 0, false},
             {Oem3, u'\u00f6', u'\u00d6', 0, 0, true},
             {Oem7, u'\u00e4', u'\u00c4', 0, 0, true},
             {Oem2, u'#', u'\'', 0, 0, false},
             {Oem5, u'^', u'\u00b0', 0, DeadPlain, false},
             {Oem102, u'<', u'>', u'|', 0, false},
             {OemComma, u',', u';', 0, 0, false},
             {OemPeriod, u'.', u':', 0, 0, false},
             {OemMinus, u'-', u'_', 0, 0, false}});
        Compositions c;
        AddCompositions(c, u'^', u"aeiou", u"\u00e2\u00ea\u00ee\u00f4\u00fb");
        AddCompositions(c, u'\u00b4', u"aeiouy", u"\u00e1\u00e9\u00ed\u00f3\u00fa\u00fd");
        AddCompositions(c, u'`', u"aeiou", u"\u00e0\u00e8\u00ec\u00f2\u00f9");
        return SimulatedLayout("German", 0x04070407, std::move(keys), std::move(c));
    }();
    return layout;
}

const SimulatedLayout& SimulatedLayout::French() {
    static const SimulatedLayout layout = [] {
        // The digits need Shift; CapsLock gives them too, as on Windows.
        std::vector<Key> keys = With(Letters(u"E\u20ac"),
                                     {{'1', u'&', u'1', 0, 0, true},
                                      {'2', u'\u00e9', u'2', u'~', DeadAltGr, true},
                                      {'3', u'"', u'3', u'#', 0, true},
                                      {'4', u'\'', u'4', u'{', 0, true},
                                      {'5', u'(', u'5', u'[', 0, true},
                                      {'6', u'-', u'6', u'|', 0, true},
                                      {'7', u'\u00e8', u'7', u'`', DeadAltGr, true},
                                      {'8', u'_', u'8', u'\\', 0, true},
                                      {'9', u'\u00e7', u'9', u'^', 0, true},
                                      {'0', u'\u00e0', u'0', u'@', 0, true},
                                      {Oem4, u')', u'\u00b0', u']', 0, false},
                                      {OemPlus, u'=', u'+', u'}', 0, false},
                                      {Oem6, u'^', u'\u00a8', 0, DeadPlain | DeadShifted, false},
                                      {Oem1, u'$', u'\u00a3', u'\u00a4', 0, false},
                                      {Oem3, u'\u00f9', u'%', 0, 0, false},
                                      {Oem5, u'*', u'\u00b5', 0, 0, false},
                                      {OemComma, u',', u'?', 0, 0, false},
                                      {OemPeriod, u';', u'.', 0, 0, false},
                                      {Oem2, u':', u'/', 0, 0, false},
                                      {Oem8, u'!', u'\u00a7', 0, 0, false},
                                      {Oem7, u'\u00b2', 0, 0, 0, false},
                                      {Oem102, u'<', u'>', 0, 0, false}});
        Compositions c;
        AddCompositions(c, u'^', u"aeiou", u"\u00e2\u00ea\u00ee\u00f4\u00fb");
        AddCompositions(c, u'\u00a8', u"aeiouy", u"\u00e4\u00eb\u00ef\u00f6\u00fc\u00ff");
        AddCompositions(c, u'~', u"aon", u"\u00e3\u00f5\u00f1");
        AddCompositions(c, u'`', u"aeiou", u"\u00e0\u00e8\u00ec\u00f2\u00f9");
        return SimulatedLayout("French", 0x040C040C, std::move(keys), std::move(c));
    }();
    return layout;
}

const Key* SimulatedLayout::Find(std::uint8_t vk) const {
    for (const Key& k : keys_)
        if (k.Vk == vk) return &k;
    return nullptr;
}

std::int16_t SimulatedLayout::VkKeyScan(char16_t ch) const {
    if (ch == u'\r') return vk::Return;
    if (ch == u'\t') return vk::Tab;
    if (ch == 0) return -1;
    for (const Key& k : keys_) {
        if (k.Plain == ch) return k.Vk;
        if (k.Shifted == ch) return static_cast<std::int16_t>(0x100 | k.Vk);
    }
    for (const Key& k : keys_)
        if (k.AltGr == ch) return static_cast<std::int16_t>(0x600 | k.Vk);
    return -1;
}

bool SimulatedLayout::IsDeadKey(std::uint8_t vk, std::uint8_t shiftState) const {
    const Key* k = Find(vk);
    if (!k) return false;
    switch (shiftState) {
    case 0:
        return (k->Dead & DeadPlain) != 0;
    case 1:
        return (k->Dead & DeadShifted) != 0;
    case 6:
        return (k->Dead & DeadAltGr) != 0;
    default:
        return false;
    }
}

std::optional<KeyOutput> SimulatedLayout::CharOf(std::uint8_t vk, const Modifiers& mods) const {
    if (mods.Alt && !mods.Ctrl) return std::nullopt;
    if (mods.Alt && mods.Ctrl) {
        const Key* k = Find(vk);
        if (!k || k->AltGr == 0) return std::nullopt;
        return KeyOutput{k->AltGr, (k->Dead & DeadAltGr) != 0};
    }
    // Ctrl with a letter, the editing keys, the keypad: as on the US layout.
    if (mods.Ctrl || !Find(vk)) {
        auto ch = uslayout::CharOf(vk, mods);
        if (!ch) return std::nullopt;
        return KeyOutput{*ch, false};
    }
    const Key& k = *Find(vk);
    const bool shifted = mods.Shift != (mods.CapsLock && k.CapsLock);
    const char16_t ch = shifted ? k.Shifted : k.Plain;
    if (ch == 0) return std::nullopt;
    return KeyOutput{ch, (k.Dead & (shifted ? DeadShifted : DeadPlain)) != 0};
}

std::u16string SimulatedLayout::Compose(char16_t accent, char16_t ch) const {
    if (ch == u' ') return std::u16string(1, accent);
    auto it = compositions_.find({accent, ch});
    if (it != compositions_.end()) return std::u16string(1, it->second);
    return {accent, ch};
}

std::vector<SimulatedLayout::Stroke> SimulatedLayout::Strokes(char16_t ch) const {
    auto strokeOf = [](std::int16_t scan) {
        return Stroke{static_cast<std::uint8_t>(scan & 0xFF),
                      static_cast<std::uint8_t>((scan >> 8) & 0xFF)};
    };
    const std::int16_t scan = VkKeyScan(ch);
    if (scan != -1) {
        const Stroke s = strokeOf(scan);
        // An accent by itself is its dead key and a space.
        if (IsDeadKey(s.Vk, s.ShiftState)) return {s, {vk::Space, 0}};
        return {s};
    }
    for (const auto& [pair, composed] : compositions_) {
        if (composed != ch) continue;
        const std::int16_t accent = VkKeyScan(pair.first);
        const std::int16_t letter = VkKeyScan(pair.second);
        if (accent != -1 && letter != -1) return {strokeOf(accent), strokeOf(letter)};
    }
    return {};
}

} // namespace lumora::sim
