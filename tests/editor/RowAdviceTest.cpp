#include "editor/RowAdvice.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(RowAdviceTest, Advice_ShouldMarkEmptyTexts_AndAbbreviationsThatStartWords_ByMode) {
    using M = DelimiterMode;
    const struct {
        std::u16string_view Abbreviation, Text;
        M Mode;
        std::u16string_view Said; // empty: no advice
    } cases[] = {
        {u"sig", u"", M::AfterDelimiter, u"This row's text is empty: typing \"sig\" erases it"},
        {u";sig", u"", M::BetweenDelimiters, u"erases it and types nothing"},
        {u"ty", u"thank you", M::AfterDelimiter,
         u"\"ty\" also fires at the start of a longer word"},
        {u"ty", u"thank you", M::Anywhere, u"\"ty\" fires inside longer words too"},
        {u"ty", u"thank you", M::BetweenDelimiters, u""},
        {u";ty", u"thank you", M::AfterDelimiter, u""},
        {u"ty1", u"thank you", M::AfterDelimiter, u""},
        {u"/date", u"{#date}", M::Anywhere, u""},
        {u"\u00e9t\u00e9", u"summer", M::AfterDelimiter, u"start of a longer word"},
        {u"", u"no abbreviation yet", M::AfterDelimiter, u""},
    };
    for (const auto& c : cases) {
        const std::u16string advice = RowAdvice(c.Abbreviation, c.Text, c.Mode);
        const std::string name(c.Abbreviation.begin(), c.Abbreviation.end());
        if (c.Said.empty())
            EXPECT_TRUE(advice.empty()) << name;
        else
            EXPECT_NE(advice.find(c.Said), std::u16string::npos) << name;
    }
    EXPECT_TRUE(ExpandsToNothing(u"x", u""));
    EXPECT_FALSE(ExpandsToNothing(u"", u""));
    EXPECT_FALSE(ExpandsToNothing(u"x", u"y"));
}

} // namespace
} // namespace lumora
