#include "hook/AccentComposition.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(AccentCompositionTest, ComposeAccent_ShouldGiveWhatLayoutsAgreeOn_AndNothingElse) {
    struct Case {
        char16_t Accent;
        char16_t Ch;
        std::optional<std::u16string> Typed;
    };
    const Case cases[] = {
        {u'^', u'e', u"\u00ea"},
        {u'^', u'E', u"\u00ca"},
        {u'^', u' ', u"^"},
        {u'\u00b4', u'e', u"\u00e9"},
        {u'\'', u'e', u"\u00e9"},
        {u'\'', u'c', u"\u00e7"},        // US-International
        {u'\u00b4', u'c', std::nullopt}, // ç or ć: layouts differ
        {u'"', u'u', u"\u00fc"},
        {u'\u00a8', u'i', u"\u00ef"},
        {u'~', u'n', u"\u00f1"},
        {u'~', u'e', std::nullopt},
        {u'`', u'a', u"\u00e0"},
        {u'\u02c7', u's', u"\u0161"},
        {u'\u00b0', u'a', u"\u00e5"},
        {u'^', u'1', std::nullopt},
        {u'^', u'^', std::nullopt},
        {u'x', u'e', std::nullopt}, // no accent at all
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComposeAccent(c.Accent, c.Ch), c.Typed)
            << static_cast<int>(c.Accent) << " " << static_cast<int>(c.Ch);
}

} // namespace
} // namespace lumora
