#include "editor/PhraseSearch.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

class PhraseSearchTest : public ::testing::Test {
protected:
    PhraseSearchTest() {
        for (auto [abbreviation, text] : {std::pair{u"sig", u"Kind regards, Ann"},
                                          {u"brb", u"be right back"},
                                          {u"addr", u"12 Signal Street"},
                                          {u"xsig", u"Signature for mail"},
                                          {u"ty", u"Thank you, see you at the BRB meeting"},
                                          {u"SIG", u"Best, Ann"}})
            phrases.AppendPhrase(index, abbreviation, text);
    }
    std::vector<std::u16string> Find(std::u16string_view query) {
        std::vector<std::u16string> out;
        for (std::size_t row : SearchPhrases(phrases, query))
            out.push_back(phrases.At(row).Abbreviation());
        return out;
    }

    AbbreviationIndex index;
    PhraseList phrases;
};

TEST_F(PhraseSearchTest, Query_ShouldRankAbbreviationsBeforeTexts_IgnoringCase) {
    EXPECT_EQ(Find(u"Sig"), (std::vector<std::u16string>{u"sig", u"SIG", u"xsig", u"addr"}));
    EXPECT_EQ(Find(u"brb"), (std::vector<std::u16string>{u"brb", u"ty"}));
    EXPECT_EQ(Find(u"ann"), (std::vector<std::u16string>{u"sig", u"SIG"}));
    EXPECT_EQ(Find(u"be r"), (std::vector<std::u16string>{u"brb"}));
}

TEST_F(PhraseSearchTest, Words_ShouldAllBeFound_AndAnEmptyQueryFindsEverything) {
    EXPECT_EQ(Find(u"see meeting"), (std::vector<std::u16string>{u"ty"}));
    EXPECT_EQ(Find(u"ann nothing"), (std::vector<std::u16string>{}));
    EXPECT_EQ(Find(u"  ").size(), 6u);
    EXPECT_EQ(Find(u"").front(), u"sig");
}

TEST_F(PhraseSearchTest, SearchList_ShouldChooseTheBestMatch_AndMoveWithinTheList) {
    SearchList list(phrases);
    list.SetQuery(u"sig");
    EXPECT_EQ(list.Chosen()->Abbreviation(), u"sig");
    list.Up(); // already at the top
    list.Down();
    list.Down();
    list.Down();
    list.Down(); // past the end: stays on the last
    EXPECT_EQ(list.Chosen()->Abbreviation(), u"addr");
    list.SetQuery(u"sign"); // a new query chooses its best match: a text that begins with it
    EXPECT_EQ(list.Chosen()->Abbreviation(), u"xsig");
    list.SetQuery(u"nothing like it");
    EXPECT_EQ(list.Chosen(), nullptr);
    list.Down();
    EXPECT_EQ(list.Chosen(), nullptr);
}

} // namespace
} // namespace lumora
