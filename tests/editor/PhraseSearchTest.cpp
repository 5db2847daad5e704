#include "editor/PhraseSearch.h"
#include "platform/Utf.h"

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

TEST_F(PhraseSearchTest, Query_ShouldCountARepeatedWordOnce_AndEndAtItsLimit) {
    EXPECT_EQ(Find(u"sig sig SIG"), Find(u"sig"));
    EXPECT_EQ(Find(u"ann ann kind"), (std::vector<std::u16string>{u"sig"}));
    // Past the limit nothing counts, not even a word that would find nothing.
    std::u16string longQuery = u"sig" + std::u16string(SearchQueryLimit, u' ') + u"nothing";
    EXPECT_EQ(Find(longQuery), Find(u"sig"));
    EXPECT_EQ(Find(std::u16string(SearchQueryLimit - 3, u' ') + u"signal"),
              (std::vector<std::u16string>{u"sig", u"SIG", u"xsig", u"addr"}));
}

// As the user types, deletes and types again, the list shows at every key what a search of
// the whole query finds.
TEST_F(PhraseSearchTest, SearchList_ShouldFindAtEveryKeyWhatAFreshSearchFinds) {
    SearchList list(phrases);
    for (std::u16string_view query :
         {u"s",       u"si",  u"sig", u"sig ", u"sig a", u"sig an", u"sig a",
          u"sig",     u"si",  u"b",   u"be r", u"be rx", u"be r",   u"r be",
          u"brb brb", u"brb", u"",    u"a",    u"an",    u"ann ann"}) {
        list.SetQuery(query);
        EXPECT_EQ(list.Rows(), SearchPhrases(phrases, query)) << Utf16ToUtf8(query);
    }
    // A phrase added while the window was closed is found once it opens again.
    phrases.AppendPhrase(index, u"sigx", u"new");
    list.Refresh();
    list.SetQuery(u"sigx");
    EXPECT_EQ(list.Rows(), (std::vector<std::size_t>{6}));
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
