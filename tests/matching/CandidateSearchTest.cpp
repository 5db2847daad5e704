#include "matching/CandidateSearch.h"
#include "data/Phrase.h"
#include "data/PhraseList.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

class CandidateSearch : public ::testing::Test {
protected:
    TMiniData* Phrase(const std::u16string& autotext, const std::u16string& text = u"phrase") {
        return &phrases.AppendPhrase(data, autotext, text);
    }

    std::vector<TMiniData*> Find(const std::u16string& text, std::int32_t mode) {
        options.DelimMode = mode;
        std::vector<TMiniData*> results{nullptr}; // must be emptied first
        lastFirstPass = search.FindAutotexts(results, text);
        return results;
    }

    TPhraseData data;
    TPhraseRows phrases;
    TOptions options;
    TCandidateSearch search{data.PhraseIndex, options};
    std::size_t lastFirstPass = 0;
};

TEST_F(CandidateSearch, CharBeforeAndAfter_ShouldGiveNulAtTheEdges) {
    const std::u16string t = u"abc";
    EXPECT_EQ(CharBefore(t, 1), u'\0');
    EXPECT_EQ(CharBefore(t, 0), u'\0');
    EXPECT_EQ(CharBefore(t, 2), u'a');
    EXPECT_EQ(CharBefore(t, 4), u'c');
    EXPECT_EQ(CharBefore(t, 9), u'\0');
    EXPECT_EQ(CharAfter(t, 1), u'b');
    EXPECT_EQ(CharAfter(t, 3), u'\0');
    EXPECT_EQ(CharAfter(t, -4), u'\0');
}

TEST_F(CandidateSearch, FindAutotexts_ShouldGiveNothing_WhenTextIsEmptyOrHoldsNoAbbreviation) {
    Phrase(u"brb");
    EXPECT_TRUE(Find(u"", 0).empty());
    EXPECT_TRUE(Find(u"hello there", 0).empty());
    EXPECT_TRUE(Find(u"b", 2).empty());
    Phrase(u"b");
    EXPECT_EQ(Find(u"b", 0).size(), 1u); // one character: looked up once, at the start
}

TEST_F(CandidateSearch, ModeZero_ShouldAcceptTheStartAndPrecedingDelimiters_AndRefuseOthers) {
    TMiniData* brb = Phrase(u"brb");
    for (std::u16string before :
         {u"", u" ", u"\t", u"\r", u"\n", u"{", u"[", u"\"", u"'", u"/", u"\\", u"-", u"_", u"<"}) {
        auto found = Find(u"x" + before + u"brb", 0);
        if (before.empty()) found = Find(u"brb", 0);
        ASSERT_EQ(found.size(), 1u)
            << "after [" << std::string(before.begin(), before.end()) << "]";
        EXPECT_EQ(found[0], brb);
    }
    for (std::u16string before : {u"a", u"7", u".", u"(", u">", u"}"})
        EXPECT_TRUE(Find(before + u"brb", 0).empty())
            << "after [" << std::string(before.begin(), before.end()) << "]";
}

TEST_F(CandidateSearch, ModeOne_ShouldWantAFollowingDelimiter_AndTheStartRuleOfModeZero) {
    TMiniData* brb = Phrase(u"brb");
    EXPECT_TRUE(Find(u"brb", 1).empty());
    for (char16_t after : std::u16string(u" .,?!:;)]}>\"'/\\-_\t\r\n")) {
        auto found = Find(std::u16string(u"so brb") + after, 1);
        ASSERT_EQ(found.size(), 1u) << "followed by " << int(after);
        EXPECT_EQ(found[0], brb);
        EXPECT_EQ(lastFirstPass, 0u); // found by the second pass
    }
    EXPECT_TRUE(Find(u"brbs", 1).empty());
    EXPECT_TRUE(Find(u"brb(", 1).empty());
    EXPECT_TRUE(Find(u"xbrb ", 1).empty());
}

TEST_F(CandidateSearch, OtherModes_ShouldAcceptAbbreviationsInsideWords) {
    Phrase(u"brb");
    EXPECT_EQ(Find(u"xbrb", 2).size(), 1u);
    EXPECT_EQ(Find(u"xbrb", -1).size(), 1u);
    EXPECT_EQ(Find(u"xbrbq", 7).size(), 1u);
    EXPECT_TRUE(Find(u"xbrb", 0).empty());
}

TEST_F(CandidateSearch, FindAutotexts_ShouldIgnoreCase_AndReturnEveryPhraseOfTheAbbreviation) {
    TMiniData* lower = Phrase(u"brb", u"be right back");
    TMiniData* upper = Phrase(u"BRB", u"BE RIGHT BACK");
    auto found = Find(u"I'll BrB", 0);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_TRUE((found[0] == lower && found[1] == upper) ||
                (found[0] == upper && found[1] == lower));
}

TEST_F(CandidateSearch, Results_ShouldListFirstPassBeforeSecond_LongerBeforeShorter_EachOnce) {
    TMiniData* brb = Phrase(u"brb");
    TMiniData* rb = Phrase(u"rb");
    auto found = Find(u"xbrb", 2);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], brb);
    EXPECT_EQ(found[1], rb);
    EXPECT_EQ(lastFirstPass, 2u);

    TMiniData* ab = Phrase(u"ab");
    TMiniData* abc = Phrase(u"abc");
    found = Find(u"so abc", 0);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], abc); // ends the text
    EXPECT_EQ(found[1], ab);  // followed by c: second pass, mode 0 ignores what follows
    EXPECT_EQ(lastFirstPass, 1u);

    // b in both passes of "bb" (mode 2): listed once, at its first-pass place.
    TMiniData* b = Phrase(u"b");
    found = Find(u"bb", 2);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], b);
}

TEST_F(CandidateSearch, Window_ShouldReachFortyEightCharacters_WithTheCharacterBeforeAsNeighbour) {
    const std::u16string long48(48, u'q');
    TMiniData* p48 = Phrase(long48);
    const std::u16string text = std::u16string(11, u'z') + u" " + long48; // 60 characters
    ASSERT_EQ(text.size(), 60u);
    auto found = Find(text, 0);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], p48);

    // 47 characters followed by one more: still inside the second pass's window.
    TMiniData* p47 = Phrase(std::u16string(47, u'w'));
    found = Find(u" " + std::u16string(47, u'w') + u".", 0);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], p47);

    Phrase(std::u16string(49, u'k'));
    EXPECT_TRUE(Find(u" " + std::u16string(49, u'k'), 2).empty());
    // Followed by a character, at most 47 characters are looked up.
    EXPECT_TRUE(Find(u" " + long48 + u".", 2).empty());
}

TEST_F(CandidateSearch, Lookup_ShouldBeJudgedByItsOwnNeighbours_WhenAbbreviationHoldsADelimiter) {
    Phrase(u"a-b");
    EXPECT_TRUE(Find(u"xa-b", 0).empty());
    EXPECT_EQ(Find(u"x a-b", 0).size(), 1u);
}

TEST_F(CandidateSearch, CheckAutotextPosition_ShouldFollowEachModesRule) {
    EXPECT_TRUE(CheckAutotextPosition(0, u'\0', u'x'));
    EXPECT_FALSE(CheckAutotextPosition(0, u'(', u' '));
    EXPECT_FALSE(CheckAutotextPosition(1, u' ', u'\0'));
    EXPECT_TRUE(CheckAutotextPosition(1, u'\0', u')'));
    EXPECT_FALSE(CheckAutotextPosition(1, u'a', u')'));
    EXPECT_TRUE(CheckAutotextPosition(3, u'a', u'b'));
    EXPECT_TRUE(CheckAutotextPosition(-5, u'a', u'\0'));
}

} // namespace
} // namespace lumora
