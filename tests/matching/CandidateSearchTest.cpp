#include "matching/CandidateSearch.h"
#include "data/Phrase.h"
#include "data/PhraseList.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

class CandidateSearchTest : public ::testing::Test {
protected:
    Phrase* AddPhrase(const std::u16string& abbreviation, const std::u16string& text = u"phrase") {
        return &phrases.AppendPhrase(data, abbreviation, text);
    }

    std::vector<Phrase*> Find(const std::u16string& text, std::int32_t mode) {
        mode_ = DelimiterModeOf(mode);
        std::vector<Phrase*> results{nullptr}; // must be emptied first
        lastFirstPass = search.FindAutotexts(results, text);
        return results;
    }

    AbbreviationIndex data;
    PhraseList phrases;
    DelimiterMode mode_ = DelimiterMode::AfterDelimiter;
    CandidateSearch search{data, mode_};
    std::size_t lastFirstPass = 0;
};

TEST_F(CandidateSearchTest, CharBeforeAndAfter_ShouldGiveNulAtTheEdges) {
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

TEST_F(CandidateSearchTest, FindAutotexts_ShouldGiveNothing_WhenTextIsEmptyOrHoldsNoAbbreviation) {
    AddPhrase(u"brb");
    EXPECT_TRUE(Find(u"", 0).empty());
    EXPECT_TRUE(Find(u"hello there", 0).empty());
    EXPECT_TRUE(Find(u"b", 2).empty());
    AddPhrase(u"b");
    EXPECT_EQ(Find(u"b", 0).size(), 1u); // one character: looked up once, at the start
}

TEST_F(CandidateSearchTest, ModeZero_ShouldAcceptTheStartAndPrecedingDelimiters_AndRefuseOthers) {
    Phrase* brb = AddPhrase(u"brb");
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

TEST_F(CandidateSearchTest, ModeOne_ShouldWantAFollowingDelimiter_AndTheStartRuleOfModeZero) {
    Phrase* brb = AddPhrase(u"brb");
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

TEST_F(CandidateSearchTest, OtherModes_ShouldAcceptAbbreviationsInsideWords) {
    AddPhrase(u"brb");
    EXPECT_EQ(Find(u"xbrb", 2).size(), 1u);
    EXPECT_EQ(Find(u"xbrb", -1).size(), 1u);
    EXPECT_EQ(Find(u"xbrbq", 7).size(), 1u);
    EXPECT_TRUE(Find(u"xbrb", 0).empty());
}

TEST_F(CandidateSearchTest, FindAutotexts_ShouldIgnoreCase_AndReturnEveryPhraseOfTheAbbreviation) {
    Phrase* lower = AddPhrase(u"brb", u"be right back");
    Phrase* upper = AddPhrase(u"BRB", u"BE RIGHT BACK");
    auto found = Find(u"I'll BrB", 0);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_TRUE((found[0] == lower && found[1] == upper) ||
                (found[0] == upper && found[1] == lower));
}

TEST_F(CandidateSearchTest, Results_ShouldListFirstPassBeforeSecond_LongerBeforeShorter_EachOnce) {
    Phrase* brb = AddPhrase(u"brb");
    Phrase* rb = AddPhrase(u"rb");
    auto found = Find(u"xbrb", 2);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], brb);
    EXPECT_EQ(found[1], rb);
    EXPECT_EQ(lastFirstPass, 2u);

    Phrase* ab = AddPhrase(u"ab");
    Phrase* abc = AddPhrase(u"abc");
    found = Find(u"so abc", 0);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], abc); // ends the text
    EXPECT_EQ(found[1], ab);  // followed by c: second pass, mode 0 ignores what follows
    EXPECT_EQ(lastFirstPass, 1u);

    // b in both passes of "bb" (mode 2): listed once, at its first-pass place.
    Phrase* b = AddPhrase(u"b");
    found = Find(u"bb", 2);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], b);
}

TEST_F(CandidateSearchTest,
       Window_ShouldReachFortyEightCharacters_WithTheCharacterBeforeAsNeighbour) {
    const std::u16string long48(48, u'q');
    Phrase* p48 = AddPhrase(long48);
    const std::u16string text = std::u16string(11, u'z') + u" " + long48; // 60 characters
    ASSERT_EQ(text.size(), 60u);
    auto found = Find(text, 0);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], p48);

    // 47 characters followed by one more: still inside the second pass's window.
    Phrase* p47 = AddPhrase(std::u16string(47, u'w'));
    found = Find(u" " + std::u16string(47, u'w') + u".", 0);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], p47);

    AddPhrase(std::u16string(49, u'k'));
    EXPECT_TRUE(Find(u" " + std::u16string(49, u'k'), 2).empty());
    // Followed by a character, at most 47 characters are looked up.
    EXPECT_TRUE(Find(u" " + long48 + u".", 2).empty());
}

TEST_F(CandidateSearchTest,
       Lookup_ShouldBeJudgedByItsOwnNeighbours_WhenAbbreviationHoldsADelimiter) {
    AddPhrase(u"a-b");
    EXPECT_TRUE(Find(u"xa-b", 0).empty());
    EXPECT_EQ(Find(u"x a-b", 0).size(), 1u);
}

TEST_F(CandidateSearchTest, CheckAutotextPosition_ShouldFollowEachModesRule) {
    EXPECT_TRUE(CheckAutotextPosition(DelimiterModeOf(0), u'\0', u'x'));
    EXPECT_FALSE(CheckAutotextPosition(DelimiterModeOf(0), u'(', u' '));
    EXPECT_FALSE(CheckAutotextPosition(DelimiterModeOf(1), u' ', u'\0'));
    EXPECT_TRUE(CheckAutotextPosition(DelimiterModeOf(1), u'\0', u')'));
    EXPECT_FALSE(CheckAutotextPosition(DelimiterModeOf(1), u'a', u')'));
    EXPECT_TRUE(CheckAutotextPosition(DelimiterModeOf(3), u'a', u'b'));
    EXPECT_TRUE(CheckAutotextPosition(DelimiterModeOf(-5), u'a', u'\0'));
}

} // namespace
} // namespace lumora
