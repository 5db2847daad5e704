// Composes a dead key's accent with the key typed after it, where every layout with that accent
// agrees.
#include "hook/AccentComposition.h"

#include <array>
#include <string_view>

namespace lumora {

namespace {

enum class Mark {
    None,
    Grave,
    Acute,
    Circumflex,
    Tilde,
    Diaeresis,
    Ring,
    Cedilla,
    Caron,
    Breve,
    DoubleAcute,
    Ogonek,
    DotAbove,
    Macron
};

// The accents dead keys give, as layouts (and Wine's X keymaps) name them: the spacing form
// of the mark, or the ASCII character US-International's dead keys stand on.
Mark MarkOf(char16_t accent) {
    switch (accent) {
    case u'`':
        return Mark::Grave;
    case u'\'':
    case u'\u00b4':
        return Mark::Acute;
    case u'^':
    case u'\u02c6':
        return Mark::Circumflex;
    case u'~':
    case u'\u02dc':
        return Mark::Tilde;
    case u'"':
    case u'\u00a8':
        return Mark::Diaeresis;
    case u'\u00b0':
    case u'\u02da':
        return Mark::Ring;
    case u'\u00b8':
        return Mark::Cedilla;
    case u'\u02c7':
        return Mark::Caron;
    case u'\u02d8':
        return Mark::Breve;
    case u'\u02dd':
        return Mark::DoubleAcute;
    case u'\u02db':
        return Mark::Ogonek;
    case u'\u02d9':
        return Mark::DotAbove;
    case u'\u00af':
        return Mark::Macron;
    default:
        return Mark::None;
    }
}

struct Row {
    Mark Accent;
    std::u16string_view Letters;
    std::u16string_view Composed; // one for each letter
};

// The Western accents with the letters of Latin-1 only: a layout of Western Europe has these
// and not the rarer ones (US-International's ~ and e stay two characters). The accents of
// Central European layouts with the letters of Latin Extended-A.
constexpr std::array<Row, 13> Rows{{
    {Mark::Grave, u"aeiouAEIOU", u"\u00e0\u00e8\u00ec\u00f2\u00f9\u00c0\u00c8\u00cc\u00d2\u00d9"},
    {Mark::Acute, u"aeiouyAEIOUY",
     u"\u00e1\u00e9\u00ed\u00f3\u00fa\u00fd\u00c1\u00c9\u00cd\u00d3\u00da\u00dd"},
    {Mark::Circumflex, u"aeiouAEIOU",
     u"\u00e2\u00ea\u00ee\u00f4\u00fb\u00c2\u00ca\u00ce\u00d4\u00db"},
    {Mark::Tilde, u"anoANO", u"\u00e3\u00f1\u00f5\u00c3\u00d1\u00d5"},
    {Mark::Diaeresis, u"aeiouyAEIOU",
     u"\u00e4\u00eb\u00ef\u00f6\u00fc\u00ff\u00c4\u00cb\u00cf\u00d6\u00dc"},
    {Mark::Ring, u"aA", u"\u00e5\u00c5"},
    {Mark::Cedilla, u"cC", u"\u00e7\u00c7"},
    {Mark::Caron, u"cdelnrstzCDELNRSTZ",
     u"\u010d\u010f\u011b\u013e\u0148\u0159\u0161\u0165\u017e\u010c\u010e\u011a\u013d\u0147"
     u"\u0158\u0160\u0164\u017d"},
    {Mark::Breve, u"aegiouAEGIOU",
     u"\u0103\u0115\u011f\u012d\u014f\u016d\u0102\u0114\u011e\u012c\u014e\u016c"},
    {Mark::DoubleAcute, u"ouOU", u"\u0151\u0171\u0150\u0170"},
    {Mark::Ogonek, u"aeiuAEIU", u"\u0105\u0119\u012f\u0173\u0104\u0118\u012e\u0172"},
    {Mark::DotAbove, u"cegzCEGIZ", u"\u010b\u0117\u0121\u017c\u010a\u0116\u0120\u0130\u017b"},
    {Mark::Macron, u"aeiouAEIOU",
     u"\u0101\u0113\u012b\u014d\u016b\u0100\u0112\u012a\u014c\u016a"},
}};

} // namespace

std::optional<std::u16string> ComposeAccent(char16_t accent, char16_t ch) {
    const Mark mark = MarkOf(accent);
    if (mark == Mark::None) return std::nullopt;
    if (ch == u' ') return std::u16string(1, accent);
    // US-International's apostrophe makes a c into ç, where the acute of other layouts
    // makes ć.
    if (accent == u'\'' && (ch == u'c' || ch == u'C'))
        return std::u16string(1, ch == u'c' ? u'\u00e7' : u'\u00c7');
    for (const Row& row : Rows) {
        if (row.Accent != mark) continue;
        const auto at = row.Letters.find(ch);
        if (at != std::u16string_view::npos) return std::u16string(1, row.Composed[at]);
    }
    return std::nullopt;
}

} // namespace lumora
